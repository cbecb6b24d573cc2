#include "database/default_database_region.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/zlib_codec.h"
#include "support/flash_test_images.h"
#include "support/recording_prompts.h"

namespace torvane {
namespace {

using test::PatternBytes;
using test::RecordingPrompts;

// Stands in for GenerateDefaultDatabase: writes stream into the range (or fails when it does not
// fit) and remembers the size of the range it was given.
struct FakeGenerator {
    std::vector<std::uint8_t> stream;
    std::size_t rangeSeen = 0;

    DefaultDatabaseGenerator Get()
    {
        return [this](std::span<std::uint8_t> range) -> std::optional<std::size_t> {
            rangeSeen = range.size();
            if (stream.size() > range.size())
                return std::nullopt;
            std::copy(stream.begin(), stream.end(), range.begin());
            return stream.size();
        };
    }
};

struct BufferCase {
    int type;
    std::size_t size;
};

class FileBufferSize : public ::testing::TestWithParam<BufferCase> {};

TEST_P(FileBufferSize, ByProjectType)
{
    EXPECT_EQ(DefaultFileBufferSize(static_cast<ProjectType>(GetParam().type)), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(Types, FileBufferSize,
                         ::testing::Values(BufferCase{0, 0x2FF00}, BufferCase{1, 0x2FF00}, BufferCase{2, 0xFF00},
                                           BufferCase{3, 0}, BufferCase{-1, 0}));

class PlainRegion : public ::testing::TestWithParam<ProjectType> {};

TEST_P(PlainRegion, StreamThenZeroFillAndTheWholeDestinationCounts)
{
    FakeGenerator generator{PatternBytes(1000, 4)};
    std::vector<std::uint8_t> destination(0x2FF00, 0xAA);
    RecordingPrompts prompts;
    EXPECT_EQ(WriteDefaultDatabaseRegion(destination, GetParam(), generator.Get(), prompts), 0x2FF00u);
    EXPECT_EQ(generator.rangeSeen, 0x2FF00u);
    EXPECT_TRUE(std::equal(generator.stream.begin(), generator.stream.end(), destination.begin()));
    EXPECT_TRUE(std::all_of(destination.begin() + 1000, destination.end(), [](auto b) { return b == 0; }));
    EXPECT_TRUE(prompts.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Types, PlainRegion, ::testing::Values(ProjectType::ZUV_DVBS_V1, ProjectType::ZUV_DVBS_V2));

TEST(CompressedRegion, GeneratedIntoTheWorkBufferAndOnlyTheCompressedBytesCount)
{
    std::vector<std::uint8_t> stream(0x20000);
    for (std::size_t i = 0; i < stream.size(); ++i)
        stream[i] = static_cast<std::uint8_t>(i % 251 < 200 ? 0 : i);
    FakeGenerator generator{stream};
    std::vector<std::uint8_t> destination(0xFF00, 0xAA);
    RecordingPrompts prompts;

    const std::optional<std::size_t> written =
        WriteDefaultDatabaseRegion(destination, ProjectType::ZUV_DVBS_V4, generator.Get(), prompts);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(generator.rangeSeen, kDefaultStreamCapacity);
    EXPECT_LT(*written, destination.size());
    EXPECT_TRUE(std::all_of(destination.begin() + static_cast<long>(*written), destination.end(),
                            [](auto b) { return b == 0; }));
    std::vector<std::uint8_t> back;
    const std::span<const std::uint8_t> packed(destination.data(), *written);
    EXPECT_EQ(ZlibUncompress(packed, kDefaultStreamCapacity, back), 0);
    EXPECT_EQ(back, stream);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(CompressedRegion, CompressionThatDoesNotFitShowsOnlyTheCompressionMessage)
{
    FakeGenerator generator{PatternBytes(0x20000, 5)};
    std::vector<std::uint8_t> destination(0xFF00, 0xAA);
    RecordingPrompts prompts;
    EXPECT_EQ(WriteDefaultDatabaseRegion(destination, ProjectType::ZUV_DVBS_V4, generator.Get(), prompts),
              std::nullopt);
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"Compressed ERROR FFFFFFFB\n"});
}

struct GenerationFailure {
    const char* name;
    ProjectType type;
    std::function<DefaultDatabaseGenerator()> generator;
};

const GenerationFailure kGenerationFailures[] = {
    {"PlainGeneratorFails", ProjectType::ZUV_DVBS_V1,
     [] { return DefaultDatabaseGenerator([](std::span<std::uint8_t>) { return std::optional<std::size_t>{}; }); }},
    {"CompressedGeneratorFails", ProjectType::ZUV_DVBS_V4,
     [] { return DefaultDatabaseGenerator([](std::span<std::uint8_t>) { return std::optional<std::size_t>{}; }); }},
    {"GeneratorClaimsMoreThanItsRange", ProjectType::ZUV_DVBS_V2,
     [] { return DefaultDatabaseGenerator([](std::span<std::uint8_t> r) { return std::optional(r.size() + 1); }); }},
    {"CompressedGeneratorClaimsMoreThanItsRange", ProjectType::ZUV_DVBS_V4,
     [] { return DefaultDatabaseGenerator([](std::span<std::uint8_t> r) { return std::optional(r.size() + 1); }); }},
    {"NoGenerator", ProjectType::ZUV_DVBS_V1, [] { return DefaultDatabaseGenerator{}; }},
    {"NoProjectType", static_cast<ProjectType>(7),
     [] { return DefaultDatabaseGenerator([](std::span<std::uint8_t>) { return std::optional<std::size_t>(0); }); }},
};

class RegionGenerationFailure : public ::testing::TestWithParam<GenerationFailure> {};

TEST_P(RegionGenerationFailure, ShowsGenerateFailedAndLeavesTheDestinationZeroed)
{
    std::vector<std::uint8_t> destination(0x1000, 0xAA);
    RecordingPrompts prompts;
    EXPECT_EQ(WriteDefaultDatabaseRegion(destination, GetParam().type, GetParam().generator(), prompts),
              std::nullopt);
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"Generate Default DataBase failed"});
    EXPECT_TRUE(std::all_of(destination.begin(), destination.end(), [](auto b) { return b == 0; }));
}

INSTANTIATE_TEST_SUITE_P(Cases, RegionGenerationFailure, ::testing::ValuesIn(kGenerationFailures),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torvane
