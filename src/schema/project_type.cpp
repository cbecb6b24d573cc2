#include "schema/project_type.h"

#include "util/ascii_case.h"

namespace torvane {

std::string_view ProjectTypeName(ProjectType type)
{
    const auto index = static_cast<std::size_t>(type);
    return index < kProjectTypeNames.size() ? kProjectTypeNames[index] : std::string_view{};
}

std::optional<ProjectType> ProjectTypeFromName(std::string_view text)
{
    for (std::size_t i = 0; i < kProjectTypeNames.size(); ++i) {
        if (EqualsIgnoringCase(text, kProjectTypeNames[i]))
            return static_cast<ProjectType>(i);
    }
    return std::nullopt;
}

} // namespace torvane
