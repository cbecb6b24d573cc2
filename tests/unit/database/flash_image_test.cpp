#include "database/flash_image.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "database/zlib_codec.h"
#include "support/flash_test_images.h"
#include "support/recording_prompts.h"
#include "support/scratch_folder.h"
#include "util/crc32_mpeg2.h"

namespace torvane {
namespace {

using test::BuildFlashImage;
using test::GetBe32;
using test::PatternBytes;
using test::ReceiverChunks;
using test::RecordingPrompts;
using test::ScratchFolder;
using test::TestChunk;
using L = test::ReceiverLayout;
using Messages = std::vector<std::string>;

constexpr std::uint64_t kUserData = L::kUserOffset + 128;
constexpr std::uint64_t kUserCapacity = L::kUserExtent - 128;
constexpr std::uint64_t kDefaultData = L::kDefaultOffset + 128;
constexpr std::uint64_t kDefaultAreaLength = L::kDefaultExtent - 128;

std::vector<TestChunk> ReceiverWith(const std::function<void(std::vector<TestChunk>&)>& change)
{
    std::vector<TestChunk> chunks = ReceiverChunks();
    change(chunks);
    return chunks;
}

// A stream that compresses well, like a real default database.
std::vector<std::uint8_t> DefaultStream(std::size_t size, std::uint8_t tag)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i % 64 < 40 ? tag : i / 64);
    return bytes;
}

// Stand-ins for the store's two builders; they record how they were called.
struct FakeDatabases {
    std::vector<std::uint8_t> defaultStream = DefaultStream(3000, 0x11);
    bool defaultFails = false;
    std::vector<bool> withOrderSeen;
    std::vector<std::uint8_t> userRegion = PatternBytes(5000, 77);
    bool userFails = false;
    std::vector<std::size_t> userRangeSeen;
    bool userRangeWasErased = false;
    std::vector<std::string> textTargets;

    SaveInputs Inputs(ProjectType type, std::uint64_t databaseRegionLength = 0xA0000, bool withOrder = false)
    {
        SaveInputs inputs;
        inputs.projectType = type;
        inputs.databaseRegionLength = databaseRegionLength;
        inputs.withOrder = withOrder;
        inputs.generateDefaultDatabase = [this](std::span<std::uint8_t> range, bool order) {
            withOrderSeen.push_back(order);
            std::optional<std::size_t> result;
            if (!defaultFails && defaultStream.size() <= range.size()) {
                std::copy(defaultStream.begin(), defaultStream.end(), range.begin());
                // The first byte tells the two forms apart in the written bytes.
                range[0] = order ? 0xFE : 0x00;
                result = defaultStream.size();
            }
            return result;
        };
        inputs.createUserDataImage = [this](std::span<std::uint8_t> range) {
            userRangeSeen.push_back(range.size());
            userRangeWasErased = std::all_of(range.begin(), range.end(), [](auto b) { return b == 0xFF; });
            if (userFails || userRegion.size() > range.size())
                return false;
            std::copy(userRegion.begin(), userRegion.end(), range.begin());
            return true;
        };
        inputs.exportText = [this](const std::string& target) {
            textTargets.push_back(target);
            return true;
        };
        return inputs;
    }

    DefaultDatabaseGenerator Generator(bool withOrder)
    {
        SaveInputs inputs = Inputs(ProjectType::ZUV_DVBS_V1);
        return [generate = inputs.generateDefaultDatabase, withOrder](std::span<std::uint8_t> range) {
            return generate(range, withOrder);
        };
    }
};

class FlashImageTest : public ::testing::Test {
protected:
    std::string Store(const std::vector<TestChunk>& chunks, std::size_t fileSize = L::kFileSize,
                      const std::string& name = "image.bin")
    {
        original = BuildFlashImage(chunks, fileSize);
        folder.Write(name, original);
        return folder.Path(name);
    }

    std::vector<std::uint8_t> OnDisk(const std::string& name = "image.bin") const { return folder.Read(name); }

    // Every byte of after outside the given ranges equals original.
    void ExpectUnchangedOutside(const std::vector<std::uint8_t>& after,
                                const std::vector<std::pair<std::uint64_t, std::uint64_t>>& ranges) const
    {
        ASSERT_EQ(after.size(), original.size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < after.size(); ++i) {
            const bool inside = std::any_of(ranges.begin(), ranges.end(),
                                            [i](const auto& r) { return i >= r.first && i < r.first + r.second; });
            if (!inside && after[i] != original[i])
                ++differing;
        }
        EXPECT_EQ(differing, 0u);
    }

    ScratchFolder folder;
    RecordingPrompts prompts;
    FakeDatabases databases;
    FlashImage image;
    std::vector<std::uint8_t> original;
};

// ----- Opening the user database -----

TEST_F(FlashImageTest, UserRegionOfTheReceiverLayout)
{
    const std::string path = Store(ReceiverChunks());
    EXPECT_EQ(image.OpenUserDatabase(path, prompts), (UserRegion{kUserData, kUserCapacity, 0}));
    EXPECT_EQ(prompts.messages, Messages{});
    EXPECT_EQ(image.Path(), path);
    EXPECT_EQ(image.Walk().count, 5);
}

struct ReservedCase {
    const char* name;
    std::uint8_t byte;
    std::optional<UserRegion> region;
    Messages messages;
};

const ReservedCase kReservedCases[] = {
    {"Zero", 0x00, UserRegion{kUserData, kUserCapacity, 0}, {}},
    {"TwoUnits", 0x02, UserRegion{kUserData + 131072, kUserCapacity - 131072, 131072}, {}},
    {"WholeData", 0x0A, UserRegion{kUserData + 0xA0000, 0, 0xA0000}, {}},
    {"MoreThanTheData", 0x0B, std::nullopt, {std::string(kBadReservedSizeMessage)}},
    {"Erased", 0xFF, UserRegion{kUserData, kUserCapacity, 0}, {}},
    {"TopBitSet", 0x80, std::nullopt, {std::string(kBadReservedSizeMessage)}},
    {"LastUndefined", 0xFE, std::nullopt, {std::string(kBadReservedSizeMessage)}},
};

class ReservedSizeOpen : public FlashImageTest, public ::testing::WithParamInterface<ReservedCase> {};

TEST_P(ReservedSizeOpen, RegionFollowsHeaderByte64)
{
    const std::string path = Store(ReceiverWith([](auto& c) { c[3].reservedByte = GetParam().byte; }));
    EXPECT_EQ(image.OpenUserDatabase(path, prompts), GetParam().region);
    EXPECT_EQ(prompts.messages, GetParam().messages);
    EXPECT_EQ(image.IsOpen(), GetParam().region.has_value());
}

INSTANTIATE_TEST_SUITE_P(Bytes, ReservedSizeOpen, ::testing::ValuesIn(kReservedCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusedOpen {
    const char* name;
    std::function<std::vector<std::uint8_t>()> file;
    std::string message;
};

const RefusedOpen kRefusedUserOpens[] = {
    {"UnpairedSecondIdentifier",
     [] { return BuildFlashImage(ReceiverWith([](auto& c) { c[1].identifier = 0x05FB0100; }), L::kFileSize); },
     "Unrecognized file"},
    {"EmptyFile", [] { return std::vector<std::uint8_t>{}; }, "Unrecognized file"},
    {"CutInsideTheFirstHeader",
     [] {
         std::vector<std::uint8_t> f = BuildFlashImage(ReceiverChunks(), L::kFileSize);
         f.resize(100);
         return f;
     },
     "Unrecognized file"},
    {"AllErased", [] { return std::vector<std::uint8_t>(L::kFileSize, 0xFF); }, "Unrecognized file"},
    {"CodeChunkCrcWrong",
     [] { return BuildFlashImage(ReceiverWith([](auto& c) { c[1].checkValue = 0; }), L::kFileSize); },
     "Unrecognized file"},
    {"OnlyADefaultChunk",
     [] { return BuildFlashImage({{.identifier = kDefaultChunkId, .extent = 0x1000}}, 0x1000); },
     std::string(kNoUserChunkMessage)},
    {"UserLengthPastTheEndOfTheFile",
     [] {
         return BuildFlashImage({{.identifier = kUserChunkId, .extent = 0x1000, .noCheck = true, .length = 0x2000,
                                  .nextOffset = 0}},
                                0x1000);
     },
     std::string(kRegionOutsideFileMessage)},
    {"UserChunkShorterThanItsHeader",
     [] {
         return BuildFlashImage({{.identifier = kUserChunkId, .extent = 0x1000, .length = 0x60, .nextOffset = 0}},
                                0x1000);
     },
     std::string(kRegionOutsideFileMessage)},
};

class UserOpenRefused : public FlashImageTest, public ::testing::WithParamInterface<RefusedOpen> {};

TEST_P(UserOpenRefused, ShowsItsMessageAndForgetsThePath)
{
    folder.Write("image.bin", GetParam().file());
    EXPECT_EQ(image.OpenUserDatabase(folder.Path("image.bin"), prompts), std::nullopt);
    EXPECT_EQ(prompts.messages, Messages{GetParam().message});
    EXPECT_FALSE(image.IsOpen());
    EXPECT_EQ(image.Path(), "");
}

INSTANTIATE_TEST_SUITE_P(Files, UserOpenRefused, ::testing::ValuesIn(kRefusedUserOpens),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlashImageTest, MissingFileIsUnrecognized)
{
    EXPECT_EQ(image.OpenUserDatabase(folder.Path("none.bin"), prompts), std::nullopt);
    EXPECT_EQ(prompts.messages, Messages{"Unrecognized file"});
}

TEST_F(FlashImageTest, ChainBrokenAfterTheUserChunkStillOpens)
{
    const std::string path = Store(ReceiverWith([](auto& c) { c[4].checkValue = 0x1234; }));
    EXPECT_EQ(image.OpenUserDatabase(path, prompts), (UserRegion{kUserData, kUserCapacity, 0}));
    EXPECT_EQ(image.Walk().count, 0);
    EXPECT_EQ(prompts.messages, Messages{});
}

TEST_F(FlashImageTest, EmptyPathDoesNothing)
{
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    EXPECT_EQ(image.OpenUserDatabase("", prompts), std::nullopt);
    EXPECT_EQ(image.OpenDefaultDatabase("", ProjectType::ZUV_DVBS_V1, prompts), std::nullopt);
    EXPECT_EQ(image.Path(), path);
    EXPECT_EQ(prompts.messages, Messages{});
}

// ----- Opening the default database -----

TEST_F(FlashImageTest, PlainDefaultDatabaseIsTheChunkDataWhole)
{
    const std::string path = Store(ReceiverWith([](auto& c) { c[3].reservedByte = 0x02; }));
    const std::optional<DefaultDatabaseSource> source = image.OpenDefaultDatabase(path, ProjectType::ZUV_DVBS_V2, prompts);
    ASSERT_TRUE(source);
    const std::vector<std::uint8_t> expected(original.begin() + kDefaultData,
                                             original.begin() + L::kDefaultOffset + L::kDefaultExtent);
    EXPECT_EQ(source->stream, expected);
    EXPECT_EQ(source->emptyRegionLength, L::kUserExtent - 131072u);
    EXPECT_EQ(prompts.messages, Messages{});
    EXPECT_EQ(image.UserDatabaseRegion(), (UserRegion{kUserData + 131072, kUserCapacity - 131072, 131072}));
}

TEST_F(FlashImageTest, CompressedDefaultDatabaseIsDecompressed)
{
    const std::vector<std::uint8_t> stream = DefaultStream(0x30000, 0x42);
    std::vector<std::uint8_t> packed(0xFF00);
    const std::optional<std::size_t> size = CompressDefaultDatabase(stream, packed, prompts);
    ASSERT_TRUE(size);
    packed.resize(*size);
    const std::string path = Store(ReceiverWith([&](auto& c) { c[2].data = packed; }));

    const std::optional<DefaultDatabaseSource> source = image.OpenDefaultDatabase(path, ProjectType::ZUV_DVBS_V4, prompts);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->stream, stream);
    EXPECT_EQ(prompts.messages, Messages{});
}

TEST_F(FlashImageTest, CompressedDefaultDatabaseCutShort)
{
    const std::vector<std::uint8_t> stream = DefaultStream(0x30000, 0x42);
    std::vector<std::uint8_t> packed(0xFF00);
    packed.resize(CompressDefaultDatabase(stream, packed, prompts).value_or(0));
    // The last chunk ends the file in the middle of the compressed data.
    const std::string path = Store({{.identifier = 0x2A2A0000, .extent = 0x100},
                                    {.identifier = kDefaultChunkId, .extent = 0x10000, .noCheck = true,
                                     .data = packed}},
                                   0x100 + 128 + packed.size() / 2);

    EXPECT_EQ(image.OpenDefaultDatabase(path, ProjectType::ZUV_DVBS_V4, prompts), std::nullopt);
    EXPECT_EQ(prompts.messages, Messages{"invalid or incomplete default data\n"});
    EXPECT_FALSE(image.IsOpen());
}

TEST_F(FlashImageTest, PlainDefaultChunkLongerThanTheFileHandsOverWhatIsThere)
{
    const std::string path =
        Store({{.identifier = kDefaultChunkId, .extent = 0x1000, .noCheck = true, .nextOffset = 0x8000}}, 0x1000);
    const std::optional<DefaultDatabaseSource> source = image.OpenDefaultDatabase(path, ProjectType::ZUV_DVBS_V1, prompts);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->stream, std::vector<std::uint8_t>(original.begin() + 128, original.end()));
    EXPECT_EQ(source->emptyRegionLength, 3u * 0x1000u);
}

TEST_F(FlashImageTest, LastDefaultChunkEndsWhereItsLengthSays)
{
    const std::string path = Store({{.identifier = 0x2A2A0000, .extent = 0x100},
                                    {.identifier = kDefaultChunkId, .extent = 0x400, .length = 0x200}},
                                   0x800);
    const std::optional<DefaultDatabaseSource> source = image.OpenDefaultDatabase(path, ProjectType::ZUV_DVBS_V1, prompts);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->stream,
              std::vector<std::uint8_t>(original.begin() + 0x100 + 128, original.begin() + 0x100 + 0x210));
}

TEST_F(FlashImageTest, DefaultOpenRefusals)
{
    const struct {
        std::vector<TestChunk> chunks;
        std::string message;
    } cases[] = {
        {{{.identifier = kUserChunkId, .extent = 0x1000}}, std::string(kNoDefaultChunkMessage)},
        {ReceiverWith([](auto& c) { c[1].identifier = 0x05FB0100; }), "Unrecognized file"},
    };
    for (const auto& c : cases) {
        RecordingPrompts local;
        const std::string path = Store(c.chunks);
        EXPECT_EQ(image.OpenDefaultDatabase(path, ProjectType::ZUV_DVBS_V1, local), std::nullopt);
        EXPECT_EQ(local.messages, Messages{c.message});
        EXPECT_FALSE(image.IsOpen());
    }
}

// ----- The image buffer and the default area -----

TEST_F(FlashImageTest, LoadImageNeedsAnOpenImage)
{
    EXPECT_FALSE(image.LoadImage());
    EXPECT_FALSE(image.IsLoaded());
}

struct AreaCase {
    const char* name;
    std::function<std::vector<TestChunk>()> chunks;
    std::size_t fileSize;
    std::optional<ImageArea> area;
};

const AreaCase kAreaCases[] = {
    {"DefaultChunk", [] { return ReceiverChunks(); }, L::kFileSize, ImageArea{kDefaultData, kDefaultAreaLength}},
    {"FixedRangeWithoutDefaultChunk",
     [] { return std::vector<TestChunk>{{.identifier = 0x2A2A0000, .extent = 0x10000},
                                        {.identifier = kUserChunkId, .extent = 0x20000, .noCheck = true}}; },
     0xE0000, ImageArea{0xC0080, 0x1FF00}},
    {"ImageJustLongEnoughForTheFixedRange",
     [] { return std::vector<TestChunk>{{.identifier = kUserChunkId, .extent = 0x10000}}; }, 0xDFF80,
     ImageArea{0xC0080, 0x1FF00}},
    {"ImageTooShortForTheFixedRange",
     [] { return std::vector<TestChunk>{{.identifier = kUserChunkId, .extent = 0x10000}}; }, 0xDFF7F, std::nullopt},
    {"FixedRangeOverTheUserDatabase",
     [] { return ReceiverWith([](auto& c) { c[2].identifier = 0x02FD0100; }); }, L::kFileSize, std::nullopt},
    {"UserChunkReachingIntoTheFixedRange",
     [] { return std::vector<TestChunk>{{.identifier = 0x2A2A0000, .extent = 0xD0000},
                                        {.identifier = kUserChunkId, .extent = 0x10000, .noCheck = true}}; },
     0x100000, std::nullopt},
    {"UserChunkEndingWhereTheFixedRangeBegins",
     [] { return std::vector<TestChunk>{{.identifier = 0x2A2A0000, .extent = 0xB0000},
                                        {.identifier = kUserChunkId, .extent = 0x10000, .noCheck = true}}; },
     0x100000, ImageArea{0xC0080, 0x1FF00}},
    {"UserChunkAfterAChunkOverTheFixedRange",
     [] { return std::vector<TestChunk>{{.identifier = 0x2A2A0000, .extent = 0xDFF80},
                                        {.identifier = kUserChunkId, .extent = 0x10000, .noCheck = true}}; },
     0x100000, std::nullopt},
    {"WalkStoppedAtAChunkOverTheFixedRange",
     [] { return std::vector<TestChunk>{{.identifier = kUserChunkId, .extent = 0x10000, .noCheck = true},
                                        {.identifier = 0x02FD0100, .extent = 0xD0000, .checkValue = 1}}; },
     0x100000, std::nullopt},
    {"DefaultChunkPastTheEndOfTheFile",
     [] { return std::vector<TestChunk>{{.identifier = kDefaultChunkId, .extent = 0x1000, .noCheck = true,
                                         .nextOffset = 0x1001}}; },
     0x1000, std::nullopt},
    {"DefaultChunkEndingExactlyAtTheEndOfTheFile",
     [] { return std::vector<TestChunk>{{.identifier = kDefaultChunkId, .extent = 0x1000, .noCheck = true,
                                         .nextOffset = 0x1000}}; },
     0x1000, ImageArea{0x80, 0xF80}},
    {"DefaultChunkSmallerThanItsHeader",
     [] { return std::vector<TestChunk>{{.identifier = kDefaultChunkId, .extent = 0x1000, .length = 0x10,
                                         .nextOffset = 0x7F},
                                        {.identifier = kUserChunkId, .extent = 0x1000}}; },
     0x2000, std::nullopt},
};

class DefaultAreaOf : public FlashImageTest, public ::testing::WithParamInterface<AreaCase> {};

TEST_P(DefaultAreaOf, LoadedImage)
{
    const std::string path = Store(GetParam().chunks(), GetParam().fileSize);
    // Whichever database opens, the positions come from the same walk.
    if (!image.OpenUserDatabase(path, prompts)) {
        ASSERT_TRUE(image.OpenDefaultDatabase(path, ProjectType::ZUV_DVBS_V1, prompts));
    }
    ASSERT_TRUE(image.LoadImage());
    EXPECT_EQ(image.Image().size(), GetParam().fileSize);
    EXPECT_EQ(image.DefaultArea(), GetParam().area);
}

INSTANTIATE_TEST_SUITE_P(Layouts, DefaultAreaOf, ::testing::ValuesIn(kAreaCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ----- Writing the default area -----

TEST_F(FlashImageTest, DefaultAreaOfAChunkAt0x40000WithNextOffset0x20000)
{
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    ASSERT_TRUE(image.WriteDefaultArea(ProjectType::ZUV_DVBS_V1, databases.Generator(true), prompts));

    const std::span<const std::uint8_t> bytes = image.Image();
    std::vector<std::uint8_t> expectedArea(kDefaultAreaLength, 0);
    std::copy(databases.defaultStream.begin(), databases.defaultStream.end(), expectedArea.begin());
    expectedArea[0] = 0xFE;
    EXPECT_TRUE(std::equal(expectedArea.begin(), expectedArea.end(), bytes.begin() + 0x40080));
    EXPECT_EQ(GetBe32(bytes, 0x40004), 0x0001FFF0u);
    EXPECT_EQ(GetBe32(bytes, 0x4000C), Crc32Mpeg2(bytes.subspan(0x40010, 0x60000 - 0x40010)));
    const std::vector<std::uint8_t> after(bytes.begin(), bytes.end());
    ExpectUnchangedOutside(after, {{0x40004, 4}, {0x4000C, 4}, {0x40080, kDefaultAreaLength}});
    EXPECT_EQ(prompts.messages, Messages{});

    // The rewritten chunk passes the chain's own check.
    const ChunkWalk walk = WalkChunks(after, kOpenWalkLimit);
    EXPECT_EQ(walk.count, 5);
    ASSERT_TRUE(walk.defaultChunk);
    EXPECT_EQ(walk.defaultChunk->check, ChunkCheck::Ok);
}

TEST_F(FlashImageTest, CompressedDefaultAreaHoldsTheZlibStreamThenZeros)
{
    databases.defaultStream = DefaultStream(0x40000, 0x33);
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenDefaultDatabase(path, ProjectType::ZUV_DVBS_V4, prompts).has_value() == false);
    prompts.messages.clear();
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    ASSERT_TRUE(image.WriteDefaultArea(ProjectType::ZUV_DVBS_V4, databases.Generator(false), prompts));

    const std::span<const std::uint8_t> area = image.Image().subspan(kDefaultData, kDefaultAreaLength);
    std::vector<std::uint8_t> back;
    ASSERT_EQ(ZlibUncompress(area, kDefaultStreamCapacity, back), 0);
    std::vector<std::uint8_t> expected = databases.defaultStream;
    expected[0] = 0x00;
    EXPECT_EQ(back, expected);
    const auto lastNonZero = std::find_if(area.rbegin(), area.rend(), [](auto b) { return b != 0; });
    EXPECT_LT(static_cast<std::size_t>(area.rend() - lastNonZero), std::size_t{0xFF00});
    EXPECT_EQ(prompts.messages, Messages{});
}

TEST_F(FlashImageTest, DefaultAreaStartsFromTheFileOnDiskEveryTime)
{
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    ASSERT_TRUE(image.WriteDefaultArea(ProjectType::ZUV_DVBS_V1, databases.Generator(true), prompts));
    const std::vector<std::uint8_t> first(image.Image().begin(), image.Image().end());
    ASSERT_TRUE(image.WriteDefaultArea(ProjectType::ZUV_DVBS_V1, databases.Generator(true), prompts));
    EXPECT_TRUE(std::equal(first.begin(), first.end(), image.Image().begin(), image.Image().end()));

    // A change made on disk after opening shows up in the next write.
    std::vector<std::uint8_t> changed = original;
    changed[0x10] ^= 0xFF;
    folder.Write("image.bin", changed);
    ASSERT_TRUE(image.WriteDefaultArea(ProjectType::ZUV_DVBS_V1, databases.Generator(true), prompts));
    EXPECT_EQ(image.Image()[0x10], changed[0x10]);
}

TEST_F(FlashImageTest, FixedRangeGetsAConsistentChunkHeader)
{
    const std::string path = Store({{.identifier = 0x2A2A0000, .extent = 0x10000},
                                    {.identifier = kUserChunkId, .extent = 0x20000, .noCheck = true}},
                                   0x100000);
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    ASSERT_TRUE(image.WriteDefaultArea(ProjectType::ZUV_DVBS_V1, databases.Generator(true), prompts));
    const std::span<const std::uint8_t> bytes = image.Image();
    EXPECT_EQ(GetBe32(bytes, 0xC0004), 0x1FF70u);
    EXPECT_EQ(GetBe32(bytes, 0xC000C), Crc32Mpeg2(bytes.subspan(0xC0010, 0xDFF80 - 0xC0010)));
    EXPECT_EQ(bytes[0xC0080], 0xFE);
    const std::vector<std::uint8_t> after(bytes.begin(), bytes.end());
    ExpectUnchangedOutside(after, {{0xC0004, 4}, {0xC000C, 4}, {0xC0080, 0x1FF00}});
}

// Without a default chunk the fixed place is written only where no chunk lies: a code chunk (or
// the chunk where the walk stopped) under it would be destroyed.
TEST_F(FlashImageTest, FixedRangeOverAnotherChunkRefusesTheSave)
{
    const std::vector<TestChunk> layouts[] = {
        {{.identifier = 0x02FD0100, .extent = 0xD0000}, {.identifier = kUserChunkId, .extent = 0x10000}},
        {{.identifier = kUserChunkId, .extent = 0x10000},
         {.identifier = 0x02FD0100, .extent = 0xB0080, .checkValue = 1}},
    };
    for (const std::vector<TestChunk>& chunks : layouts) {
        RecordingPrompts local;
        const std::string path = Store(chunks, 0x100000);
        ASSERT_TRUE(image.OpenUserDatabase(path, local));
        local.chunkAnswers.push_back(ChunkChoice{true, true});
        EXPECT_EQ(image.SaveWithChunkChoice(databases.Inputs(ProjectType::ZUV_DVBS_V1), local), SaveResult::Failed);
        EXPECT_FALSE(image.Save(DatabaseChunk::Default, databases.Inputs(ProjectType::ZUV_DVBS_V1), local));
        EXPECT_EQ(local.messages, Messages(2, std::string(kFixedDefaultAreaTakenMessage)));
        EXPECT_EQ(OnDisk(), original);
        EXPECT_TRUE(databases.withOrderSeen.empty());
    }
}

TEST_F(FlashImageTest, LastDefaultChunkKeepsItsLengthAndGetsAFreshCrc)
{
    const std::string path = Store({{.identifier = kUserChunkId, .extent = 0x10000, .noCheck = true},
                                    {.identifier = kDefaultChunkId, .extent = 0x20000, .length = 0x10000}},
                                   0x30000);
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    ASSERT_TRUE(image.WriteDefaultArea(ProjectType::ZUV_DVBS_V2, databases.Generator(true), prompts));
    const std::span<const std::uint8_t> bytes = image.Image();
    EXPECT_EQ(GetBe32(bytes, 0x10004), 0x10000u);
    EXPECT_EQ(GetBe32(bytes, 0x1000C), Crc32Mpeg2(bytes.subspan(0x10010, 0x10000)));
    const std::vector<std::uint8_t> after(bytes.begin(), bytes.end());
    ExpectUnchangedOutside(after, {{0x1000C, 4}, {0x10080, 0x10010 - 0x80}});
}

TEST_F(FlashImageTest, DefaultAreaRefusals)
{
    const struct {
        const char* name;
        std::vector<TestChunk> chunks;
        std::size_t fileSize;
        bool deleteFile;
    } cases[] = {
        {"TooShortForTheFixedRange", {{.identifier = kUserChunkId, .extent = 0x10000}}, 0xD0000, false},
        {"FileGoneSinceOpening", ReceiverChunks(), L::kFileSize, true},
        {"ChunkPastTheEnd",
         {{.identifier = kUserChunkId, .extent = 0x1000},
          {.identifier = kDefaultChunkId, .extent = 0x1000, .noCheck = true, .nextOffset = 0x2000}},
         0x2000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPrompts local;
        const std::string path = Store(c.chunks, c.fileSize);
        ASSERT_TRUE(image.OpenUserDatabase(path, local));
        if (c.deleteFile)
            std::remove(path.c_str());
        EXPECT_FALSE(image.WriteDefaultArea(ProjectType::ZUV_DVBS_V1, databases.Generator(true), local));
        EXPECT_EQ(local.messages, Messages{"Generate Default DataBase failed"});
    }
}

// ----- Writing the user database -----

TEST_F(FlashImageTest, UserRegionIsErasedThenBuilt)
{
    const std::string path = Store(ReceiverWith([](auto& c) { c[3].reservedByte = 0x02; }));
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    ASSERT_TRUE(image.WriteUserDatabaseIntoImage(databases.Inputs(ProjectType::ZUV_DVBS_V1).createUserDataImage,
                                                 0xA0000, prompts));
    EXPECT_EQ(databases.userRangeSeen, std::vector<std::size_t>{kUserCapacity - 0x20000});
    EXPECT_TRUE(databases.userRangeWasErased);

    const std::span<const std::uint8_t> bytes = image.Image();
    const std::uint64_t region = kUserData + 0x20000;
    EXPECT_TRUE(std::equal(databases.userRegion.begin(), databases.userRegion.end(), bytes.begin() + region));
    EXPECT_TRUE(std::all_of(bytes.begin() + region + databases.userRegion.size(),
                            bytes.begin() + L::kUserOffset + L::kUserExtent, [](auto b) { return b == 0xFF; }));
    // The reserved area and the NCRC header stay as they were.
    const std::vector<std::uint8_t> after(bytes.begin(), bytes.end());
    ExpectUnchangedOutside(after, {{region, kUserCapacity - 0x20000}});
    EXPECT_EQ(prompts.messages, Messages{});
}

TEST_F(FlashImageTest, UserChunkWithACrcKeepsAValidCrc)
{
    const std::string path = Store(ReceiverWith([](auto& c) { c[3].noCheck = false; }));
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    ASSERT_TRUE(image.WriteUserDatabaseIntoImage(databases.Inputs(ProjectType::ZUV_DVBS_V1).createUserDataImage,
                                                 0xA0000, prompts));
    const std::span<const std::uint8_t> bytes = image.Image();
    EXPECT_EQ(GetBe32(bytes, L::kUserOffset + 12), Crc32Mpeg2(bytes.subspan(L::kUserOffset + 16, L::kUserExtent - 16)));
    EXPECT_EQ(GetBe32(bytes, L::kUserOffset + 4), L::kUserExtent - 16);
    const ChunkWalk walk = WalkChunks(bytes, kOpenWalkLimit);
    ASSERT_TRUE(walk.userChunk);
    EXPECT_EQ(walk.userChunk->check, ChunkCheck::Ok);
}

TEST_F(FlashImageTest, ShorterDatabaseRegionWarnsOutOfRangeAndGoesOn)
{
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    const UserRegionBuilder build = databases.Inputs(ProjectType::ZUV_DVBS_V1).createUserDataImage;
    EXPECT_TRUE(image.WriteUserDatabaseIntoImage(build, kUserCapacity, prompts));
    EXPECT_EQ(prompts.messages, Messages{});
    EXPECT_TRUE(image.WriteUserDatabaseIntoImage(build, kUserCapacity - 1, prompts));
    EXPECT_EQ(prompts.messages, Messages{"Out of Range"});
}

TEST_F(FlashImageTest, UserWriteRefusals)
{
    const struct {
        const char* name;
        std::vector<TestChunk> chunks;
        std::size_t shrinkTo;  // 0: the file stays
        std::string message;
    } cases[] = {
        {"OpenedFromAnImageWithoutUserChunk", {{.identifier = kDefaultChunkId, .extent = 0x1000}}, 0,
         std::string(kNoUserChunkMessage)},
        {"UndefinedReservedByte", ReceiverWith([](auto& c) { c[3].reservedByte = 0x90; }), 0,
         std::string(kBadReservedSizeMessage)},
        {"FileShrankSinceOpening", ReceiverChunks(), 0x100000, std::string(kRegionOutsideFileMessage)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPrompts local;
        const std::string path = Store(c.chunks);
        ASSERT_TRUE(image.OpenDefaultDatabase(path, ProjectType::ZUV_DVBS_V1, local));
        if (c.shrinkTo != 0)
            folder.Write("image.bin", std::span(original).first(c.shrinkTo));
        EXPECT_FALSE(image.WriteUserDatabaseIntoImage(databases.Inputs(ProjectType::ZUV_DVBS_V1).createUserDataImage,
                                                      0xA0000, local));
        EXPECT_EQ(local.messages, Messages{c.message});
    }
    EXPECT_TRUE(databases.userRangeSeen.empty());
}

// ----- Saves -----

TEST_F(FlashImageTest, WriteImageToDiskNeedsABufferAndDropsIt)
{
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    EXPECT_FALSE(image.WriteImageToDisk(folder.Path("copy.bin"), prompts));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"image.bin"});
    ASSERT_TRUE(image.LoadImage());
    EXPECT_TRUE(image.WriteImageToDisk(folder.Path("copy.bin"), prompts));
    EXPECT_FALSE(image.IsLoaded());
    EXPECT_EQ(OnDisk("copy.bin"), original);
}

struct ChunkChoiceCase {
    const char* name;
    std::optional<ChunkChoice> answer;
    SaveResult result;
    bool defaultWritten;
    bool userWritten;
};

const ChunkChoiceCase kChunkChoiceCases[] = {
    {"Cancel", std::nullopt, SaveResult::NothingDone, false, false},
    {"NeitherBox", ChunkChoice{false, false}, SaveResult::NothingDone, false, false},
    {"DefaultChunk", ChunkChoice{true, false}, SaveResult::Saved, true, false},
    {"UserChunk", ChunkChoice{false, true}, SaveResult::Saved, false, true},
    {"BothChunks", ChunkChoice{true, true}, SaveResult::Saved, true, true},
};

class SaveWithChunkChoiceCase : public FlashImageTest, public ::testing::WithParamInterface<ChunkChoiceCase> {};

TEST_P(SaveWithChunkChoiceCase, WritesTheChosenChunksIntoTheOpenImage)
{
    const ChunkChoiceCase& c = GetParam();
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    prompts.chunkAnswers.push_back(c.answer);

    EXPECT_EQ(image.SaveWithChunkChoice(databases.Inputs(ProjectType::ZUV_DVBS_V1, 0xA0000, false), prompts), c.result);
    ASSERT_EQ(prompts.chunkQuestions.size(), 1u);
    EXPECT_EQ(prompts.chunkQuestions[0].caption, "Save database config");
    EXPECT_EQ(prompts.chunkQuestions[0].initial, (ChunkChoice{true, false}));
    EXPECT_FALSE(prompts.chunkQuestions[0].exclusive);
    EXPECT_EQ(prompts.messages, Messages{});
    EXPECT_FALSE(image.IsLoaded());

    const std::vector<std::uint8_t> after = OnDisk();
    // Written into an image, the default database always takes the with-order form.
    EXPECT_EQ(databases.withOrderSeen, c.defaultWritten ? std::vector<bool>{true} : std::vector<bool>{});
    EXPECT_EQ(after[kDefaultData] == 0xFE, c.defaultWritten);
    EXPECT_EQ(std::equal(databases.userRegion.begin(), databases.userRegion.end(), after.begin() + kUserData),
              c.userWritten);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> changed;
    if (c.defaultWritten)
        changed.insert(changed.end(), {{L::kDefaultOffset + 4, 4}, {L::kDefaultOffset + 12, 4},
                                       {kDefaultData, kDefaultAreaLength}});
    if (c.userWritten)
        changed.push_back({kUserData, kUserCapacity});
    ExpectUnchangedOutside(after, changed);
}

INSTANTIATE_TEST_SUITE_P(Answers, SaveWithChunkChoiceCase, ::testing::ValuesIn(kChunkChoiceCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailedSaveCase {
    const char* name;
    bool defaultFails;
    bool userFails;
    ChunkChoice choice;
    Messages messages;
};

class FailedSave : public FlashImageTest, public ::testing::WithParamInterface<FailedSaveCase> {};

TEST_P(FailedSave, LeavesTheFileByteForByte)
{
    const FailedSaveCase& c = GetParam();
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    databases.defaultFails = c.defaultFails;
    databases.userFails = c.userFails;
    prompts.chunkAnswers.push_back(c.choice);

    EXPECT_EQ(image.SaveWithChunkChoice(databases.Inputs(ProjectType::ZUV_DVBS_V2), prompts), SaveResult::Failed);
    EXPECT_EQ(prompts.messages, c.messages);
    EXPECT_EQ(OnDisk(), original);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"image.bin"});
    EXPECT_FALSE(image.IsLoaded());
    if (c.defaultFails) {
        EXPECT_TRUE(databases.userRangeSeen.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedSave,
    ::testing::Values(FailedSaveCase{"DefaultGenerationFails", true, false, {true, true},
                                     {"Generate Default DataBase failed"}},
                      FailedSaveCase{"UserBuildFailsAfterTheDefaultArea", false, true, {true, true}, {}},
                      FailedSaveCase{"UserBuildFails", false, true, {false, true}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlashImageTest, SaveWritesBackTheChunkTheDatabaseCameFrom)
{
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenDefaultDatabase(path, ProjectType::ZUV_DVBS_V1, prompts));
    EXPECT_TRUE(image.Save(DatabaseChunk::Default, databases.Inputs(ProjectType::ZUV_DVBS_V1, 0xA0000, false), prompts));
    EXPECT_EQ(databases.withOrderSeen, std::vector<bool>{false});
    EXPECT_TRUE(databases.userRangeSeen.empty());
    std::vector<std::uint8_t> after = OnDisk();
    EXPECT_EQ(after[kDefaultData], 0x00);
    ExpectUnchangedOutside(after, {{L::kDefaultOffset + 4, 4}, {L::kDefaultOffset + 12, 4},
                                   {kDefaultData, kDefaultAreaLength}});

    original = after;
    EXPECT_TRUE(image.Save(DatabaseChunk::User, databases.Inputs(ProjectType::ZUV_DVBS_V1), prompts));
    EXPECT_EQ(databases.withOrderSeen.size(), 1u);
    after = OnDisk();
    EXPECT_TRUE(std::equal(databases.userRegion.begin(), databases.userRegion.end(), after.begin() + kUserData));
    ExpectUnchangedOutside(after, {{kUserData, kUserCapacity}});
    EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(FlashImageTest, FailedSaveWithoutQuestionLeavesFileAndDropsTheBuffer)
{
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    databases.userFails = true;
    EXPECT_FALSE(image.Save(DatabaseChunk::User, databases.Inputs(ProjectType::ZUV_DVBS_V1), prompts));
    EXPECT_FALSE(image.IsLoaded());
    databases.defaultFails = true;
    EXPECT_FALSE(image.Save(DatabaseChunk::Default, databases.Inputs(ProjectType::ZUV_DVBS_V1), prompts));
    EXPECT_FALSE(image.IsLoaded());
    EXPECT_EQ(prompts.messages, Messages{"Generate Default DataBase failed"});
    EXPECT_EQ(OnDisk(), original);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"image.bin"});
}

TEST_F(FlashImageTest, SaveWithoutAnOpenImageDoesNothing)
{
    EXPECT_FALSE(image.Save(DatabaseChunk::User, databases.Inputs(ProjectType::ZUV_DVBS_V1), prompts));
    EXPECT_EQ(image.SaveWithChunkChoice(databases.Inputs(ProjectType::ZUV_DVBS_V1), prompts), SaveResult::NothingDone);
    EXPECT_EQ(image.SaveAs(folder.Path("x.bin"), databases.Inputs(ProjectType::ZUV_DVBS_V1), prompts),
              SaveResult::NothingDone);
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_TRUE(folder.Names().empty());
}

struct KindCase {
    const char* path;
    SaveAsKind kind;
};

class SaveAsKindCase : public ::testing::TestWithParam<KindCase> {};

TEST_P(SaveAsKindCase, ByExtension)
{
    EXPECT_EQ(SaveAsKindOf(GetParam().path), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SaveAsKindCase,
    ::testing::Values(KindCase{"a.bin", SaveAsKind::Bin}, KindCase{"/x/A.BIN", SaveAsKind::Bin},
                      KindCase{"C:\\x.y\\flash.Bin", SaveAsKind::Bin}, KindCase{"a.ddf", SaveAsKind::Ddf},
                      KindCase{"a.DDF", SaveAsKind::Ddf}, KindCase{"a.dF2", SaveAsKind::Df2},
                      KindCase{"a.txt", SaveAsKind::Txt}, KindCase{"a.TXT", SaveAsKind::Other},
                      KindCase{"b.Csv", SaveAsKind::Csv},
                      KindCase{"a.Txt", SaveAsKind::Other}, KindCase{"a.bin.bak", SaveAsKind::Other},
                      KindCase{"dir.bin/file", SaveAsKind::Other}, KindCase{"file", SaveAsKind::Other},
                      KindCase{"a.", SaveAsKind::Other}, KindCase{"a.bins", SaveAsKind::Other}));

TEST_F(FlashImageTest, SaveAsBinWritesTheNewFileAndMakesItTheOpenImage)
{
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    prompts.chunkAnswers.push_back(ChunkChoice{false, true});
    const std::string target = folder.Path("COPY.BIN");

    EXPECT_EQ(image.SaveAs(target, databases.Inputs(ProjectType::ZUV_DVBS_V1), prompts), SaveResult::Saved);
    EXPECT_EQ(image.Path(), target);
    EXPECT_EQ(OnDisk(), original);
    const std::vector<std::uint8_t> copy = OnDisk("COPY.BIN");
    EXPECT_TRUE(std::equal(databases.userRegion.begin(), databases.userRegion.end(), copy.begin() + kUserData));
    ExpectUnchangedOutside(copy, {{kUserData, kUserCapacity}});
}

TEST_F(FlashImageTest, SaveAsBinWithNeitherBoxWritesNothing)
{
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    prompts.chunkAnswers.push_back(ChunkChoice{false, false});
    EXPECT_EQ(image.SaveAs(folder.Path("copy.bin"), databases.Inputs(ProjectType::ZUV_DVBS_V1), prompts),
              SaveResult::NothingDone);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"image.bin"});
    EXPECT_EQ(image.Path(), path);
}

TEST_F(FlashImageTest, SaveAsBinIntoAMissingFolderFailsAndKeepsTheOpenImage)
{
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    prompts.chunkAnswers.push_back(ChunkChoice{true, true});
    const std::string target = folder.Path("missing/copy.bin");
    EXPECT_EQ(image.SaveAs(target, databases.Inputs(ProjectType::ZUV_DVBS_V1), prompts), SaveResult::Failed);
    EXPECT_EQ(prompts.messages, Messages{"Can't write " + target});
    EXPECT_EQ(image.Path(), path);
    EXPECT_EQ(OnDisk(), original);
    EXPECT_FALSE(image.IsLoaded());
}

struct DefaultFileCase {
    const char* name;
    ProjectType type;
    bool withOrder;
};

class SaveAsDefaultFile : public FlashImageTest, public ::testing::WithParamInterface<DefaultFileCase> {};

TEST_P(SaveAsDefaultFile, BuiltThroughTheImageWhichStaysUntouched)
{
    const DefaultFileCase& c = GetParam();
    databases.defaultStream = DefaultStream(0x8000, 0x21);
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    const std::string name = c.withOrder ? "out.DF2" : "out.ddf";

    EXPECT_EQ(image.SaveAs(folder.Path(name), databases.Inputs(c.type, 0xA0000, !c.withOrder), prompts),
              SaveResult::Saved);
    EXPECT_EQ(databases.withOrderSeen, std::vector<bool>{c.withOrder});
    EXPECT_EQ(OnDisk(), original);
    EXPECT_FALSE(image.IsLoaded());
    EXPECT_EQ(image.Path(), path);
    EXPECT_TRUE(prompts.questions.empty());

    std::vector<std::uint8_t> expectedStream = databases.defaultStream;
    expectedStream[0] = c.withOrder ? 0xFE : 0x00;
    const std::vector<std::uint8_t> file = OnDisk(name);
    if (c.type == ProjectType::ZUV_DVBS_V4) {
        std::vector<std::uint8_t> back;
        ASSERT_EQ(ZlibUncompress(file, kDefaultStreamCapacity, back), 0);
        EXPECT_EQ(back, expectedStream);
        EXPECT_NE(file.back(), 0);  // the compressed bytes only, no zero fill
    } else {
        // A plain file is exactly as long as the image's default-database area.
        ASSERT_EQ(file.size(), kDefaultAreaLength);
        EXPECT_TRUE(std::equal(expectedStream.begin(), expectedStream.end(), file.begin()));
        EXPECT_TRUE(std::all_of(file.begin() + static_cast<long>(expectedStream.size()), file.end(),
                                [](auto b) { return b == 0; }));
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, SaveAsDefaultFile,
                         ::testing::Values(DefaultFileCase{"PlainDdf", ProjectType::ZUV_DVBS_V1, false},
                                           DefaultFileCase{"PlainDf2", ProjectType::ZUV_DVBS_V2, true},
                                           DefaultFileCase{"CompressedDdf", ProjectType::ZUV_DVBS_V4, false},
                                           DefaultFileCase{"CompressedDf2", ProjectType::ZUV_DVBS_V4, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlashImageTest, SaveAsDefaultFileFailures)
{
    RecordingPrompts local;
    EXPECT_FALSE(image.SaveDefaultDatabaseThroughImage(folder.Path("a.ddf"), ProjectType::ZUV_DVBS_V1,
                                                       databases.Generator(false), local));
    EXPECT_EQ(local.messages, Messages{"Can't find upgrade bin"});

    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    folder.Write("old.ddf", PatternBytes(100, 1));
    databases.defaultFails = true;
    EXPECT_EQ(image.SaveAs(folder.Path("old.ddf"), databases.Inputs(ProjectType::ZUV_DVBS_V1), prompts),
              SaveResult::Failed);
    EXPECT_EQ(prompts.messages, Messages{"Generate Default DataBase failed"});
    EXPECT_EQ(OnDisk("old.ddf"), PatternBytes(100, 1));
    EXPECT_FALSE(image.IsLoaded());
}

TEST_F(FlashImageTest, SaveAsTextGoesToTheListingOnlyForALowerCaseExtension)
{
    const std::string path = Store(ReceiverChunks());
    ASSERT_TRUE(image.OpenUserDatabase(path, prompts));
    const SaveInputs inputs = databases.Inputs(ProjectType::ZUV_DVBS_V1);
    EXPECT_EQ(image.SaveAs(folder.Path("list.TXT"), inputs, prompts), SaveResult::NothingDone);
    EXPECT_EQ(image.SaveAs(folder.Path("list.dat"), inputs, prompts), SaveResult::NothingDone);
    EXPECT_EQ(image.SaveAs(folder.Path("list.txt"), inputs, prompts), SaveResult::Saved);
    EXPECT_EQ(databases.textTargets, std::vector<std::string>{folder.Path("list.txt")});
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_EQ(OnDisk(), original);
}

} // namespace
} // namespace torvane
