#include "database/default_database_region.h"

#include <algorithm>
#include <vector>

#include "database/zlib_codec.h"
#include "util/user_prompts.h"

namespace torvane {

std::size_t DefaultFileBufferSize(ProjectType type)
{
    switch (type) {
    case ProjectType::ZUV_DVBS_V1:
    case ProjectType::ZUV_DVBS_V2:
        return 0x2FF00;
    case ProjectType::ZUV_DVBS_V4:
        return 0xFF00;
    }
    return 0;
}

std::size_t DefaultFileStreamRoom(ProjectType type)
{
    return type == ProjectType::ZUV_DVBS_V4 ? kDefaultStreamCapacity : DefaultFileBufferSize(type);
}

std::optional<std::size_t> WriteDefaultDatabaseRegion(std::span<std::uint8_t> destination, ProjectType type,
                                                      const DefaultDatabaseGenerator& generate,
                                                      UserPrompts& prompts)
{
    std::fill(destination.begin(), destination.end(), std::uint8_t{0});
    const auto failed = [&prompts]() -> std::optional<std::size_t> {
        prompts.Message(kGenerateDefaultFailedMessage);
        return std::nullopt;
    };
    if (!generate || DefaultFileBufferSize(type) == 0)
        return failed();

    if (type != ProjectType::ZUV_DVBS_V4) {
        const std::optional<std::size_t> length = generate(destination);
        if (!length || *length > destination.size())
            return failed();
        return destination.size();
    }

    std::vector<std::uint8_t> stream(kDefaultStreamCapacity, 0);
    const std::optional<std::size_t> length = generate(stream);
    if (!length || *length > stream.size())
        return failed();
    return CompressDefaultDatabase(std::span(stream).first(*length), destination, prompts);
}

} // namespace torvane
