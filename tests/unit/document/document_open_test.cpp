#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/document_fixture.h"

namespace torvane {
namespace {

using test::DocumentTest;
using test::Layout;

TEST_F(DocumentTest, UserDatabaseOfTheDemoImage)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(document->FromUserChunk());
    EXPECT_FALSE(document->Store().IsModified());
    EXPECT_TRUE(document->WithOrder());
    EXPECT_EQ(document->ProductImagePath(), path);
    EXPECT_EQ(document->Chunks(), (ChunkPositions{Layout::kDefaultOffset, 0x40000, Layout::kUserOffset, 0xA0080}));

    const ChannelTree& tree = document->Store().Tree();
    ASSERT_EQ(tree.TopLevelCount(), 2);
    EXPECT_EQ(tree.TopLevel(0)->Label(), "All Services");
    EXPECT_EQ(tree.TopLevel(1)->Label(), "Satellite Information");
    ASSERT_EQ(SatelliteCount(*document), 3);
    EXPECT_EQ(tree.TopLevel(1)->Child(0)->Label(), "Astra 19.2E");
    EXPECT_EQ(tree.TopLevel(1)->Child(2)->Label(), "عربسات 26E");
    EXPECT_TRUE(tree.TopLevel(1)->Child(0)->Child(0)->Label().starts_with("[ 1 ]  TP_"));
    // The first item is selected and its list shown: every program, in channel order.
    EXPECT_EQ(document->List().CurrentItem(), tree.TopLevel(0));
    ASSERT_EQ(document->List().RowCount(), 40);
    EXPECT_EQ(document->List().Rows()[39].number, " 40");
    for (int p = 0; p < 40; ++p)
        EXPECT_EQ(document->Store().OrderOf(tree.TopLevel(0)->Info()->programs.At(p)), p);
}

TEST_F(DocumentTest, UserAndDefaultDatabasesOfTheDemoHoldTheSameChannels)
{
    for (ProjectType type : {ProjectType::ZUV_DVBS_V1, ProjectType::ZUV_DVBS_V2, ProjectType::ZUV_DVBS_V4}) {
        const std::string path = MakeDemo(type);
        const auto user = NewDocument(type);
        const auto fromDefault = NewDocument(type);
        ASSERT_TRUE(user->OpenUserDatabase(path));
        ASSERT_TRUE(fromDefault->OpenDefaultDatabase(path)) << static_cast<int>(type);
        EXPECT_FALSE(fromDefault->FromUserChunk());
        EXPECT_TRUE(fromDefault->WithOrder());  // the chunk holds the with-order form
        EXPECT_EQ(fromDefault->List().CurrentItem(), fromDefault->Store().Tree().FindRoot(TreeKind::AllServices));
        EXPECT_EQ(Snapshot(*fromDefault), Snapshot(*user));
        EXPECT_TRUE(prompts.messages.empty());
    }
}

std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> image, const std::function<void(std::vector<std::uint8_t>&)>& patch)
{
    patch(image);
    return image;
}

struct BrokenCase {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> patch;
    bool userOpens;
    std::vector<std::string> messages;
};

class BrokenImage : public DocumentTest, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(BrokenImage, GetsItsMessageAndStaysUntouched)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    const std::vector<std::uint8_t> image = Patched(Bytes(path), GetParam().patch);
    Put(path, image);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    EXPECT_EQ(document->OpenUserDatabase(path), GetParam().userOpens);
    EXPECT_EQ(prompts.messages, GetParam().messages);
    EXPECT_EQ(document->IsOpen(), GetParam().userOpens);
    if (!GetParam().userOpens) {
        EXPECT_EQ(SatelliteCount(*document), -1);
        EXPECT_EQ(document->List().RowCount(), 0);
    }
    EXPECT_EQ(Bytes(path), image);
}

void SetBe32(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value)
{
    WriteBe32(image.data() + offset, value);
}

INSTANTIATE_TEST_SUITE_P(
    Images, BrokenImage,
    ::testing::Values(
        BrokenCase{"SecondChunkBreaksThePairingRule",
                   [](auto& i) { SetBe32(i, Layout::kCodeOffset, 0x05FB0100); }, false, {"Unrecognized file"}},
        BrokenCase{"DefaultChunkCrcWrong", [](auto& i) { i[Layout::kDefaultOffset + 0x200] ^= 1; }, false,
                   {"Unrecognized file"}},
        BrokenCase{"CodeChunkNextBeyondTheOpenLimit",
                   [](auto& i) { SetBe32(i, Layout::kCodeOffset + 8, 0x200001); }, false, {"Unrecognized file"}},
        BrokenCase{"UserChunkNextSmallerThanItsLength",
                   [](auto& i) { SetBe32(i, Layout::kUserOffset + 8, 0xA007F); }, false,
                   {"No user database chunk in this file"}},
        BrokenCase{"TailChunkCrcWrongAfterTheDatabases", [](auto& i) { i[Layout::kTailOffset + 0x1000] ^= 0x80; },
                   true, {}},
        BrokenCase{"ReservedSize0x80", [](auto& i) { i[Layout::kUserOffset + 64] = 0x80; }, false,
                   {"Bad reserved size in the user database chunk"}},
        BrokenCase{"ReservedSize0xFE", [](auto& i) { i[Layout::kUserOffset + 64] = 0xFE; }, false,
                   {"Bad reserved size in the user database chunk"}},
        BrokenCase{"ReservedSizeLargerThanTheChunk", [](auto& i) { i[Layout::kUserOffset + 64] = 0x0B; }, false,
                   {"Bad reserved size in the user database chunk"}},
        BrokenCase{"CutInsideTheUserRegion", [](auto& i) { i.resize(0x100000); }, false,
                   {"The user database region lies outside its chunk or the file"}},
        BrokenCase{"CutInsideTheFirstHeader", [](auto& i) { i.resize(127); }, false, {"Unrecognized file"}},
        BrokenCase{"Empty", [](auto& i) { i.clear(); }, false, {"Unrecognized file"}},
        BrokenCase{"AllErased", [](auto& i) { std::fill(i.begin(), i.end(), std::uint8_t{0xFF}); }, false,
                   {"Unrecognized file"}},
        BrokenCase{"ErasedUserRegion",
                   [](auto& i) {
                       std::fill(i.begin() + test::kUserRegionStart, i.begin() + test::kUserRegionEnd, std::uint8_t{0xFF});
                   },
                   false, {"No Data!"}},
        BrokenCase{"TpTableMarkerWrong",
                   [](auto& i) {
                       // The TP table header is the first "DB@TTT01" of the region.
                       const std::string tag = "DB@TTT01";
                       const auto at = std::search(i.begin() + test::kUserRegionStart, i.begin() + test::kUserRegionEnd,
                                                   tag.begin(), tag.end());
                       const std::size_t header = static_cast<std::size_t>(at - i.begin());
                       const std::uint8_t extra = i[header + 9];
                       const std::uint16_t count = static_cast<std::uint16_t>(ReadLe16(i.data() + header + 10 + extra));
                       i[header + 12 + extra + 4 * count] ^= 1;
                   },
                   false, {"parse TP header error!"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentTest, ReservedSizeMovesTheRegion)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    const auto original = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(original->OpenUserDatabase(path));

    // Byte 64 = 2: 131072 bytes of the chunk's data are reserved and the region follows them.
    std::vector<std::uint8_t> image = Bytes(path);
    const auto region = image.begin() + test::kUserRegionStart;
    std::copy_backward(region, region + (Layout::kUserRegionLength - 0x20000), region + Layout::kUserRegionLength);
    std::fill(region, region + 0x20000, std::uint8_t{0x5A});
    image[Layout::kUserOffset + 64] = 2;
    Put(path, image);

    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    EXPECT_EQ(document->Image().Length(), 0xA0000u - 0x20000u);
    EXPECT_EQ(Snapshot(*document), Snapshot(*original));

    prompts.chunkAnswers.push_back(ChunkChoice{false, true});
    ASSERT_EQ(document->SaveWithChunkChoice(), SaveResult::Saved);
    const std::vector<std::uint8_t> saved = Bytes(path);
    EXPECT_TRUE(std::equal(saved.begin(), saved.begin() + test::kUserRegionStart + 0x20000, image.begin()));
    EXPECT_TRUE(std::equal(saved.begin() + test::kUserRegionEnd, saved.end(), image.begin() + test::kUserRegionEnd));
    const auto reopened = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(reopened->OpenUserDatabase(path));
    EXPECT_EQ(Snapshot(*reopened), Snapshot(*original));
}

TEST_F(DocumentTest, CompressedDefaultDatabaseCutShort)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V4);
    std::vector<std::uint8_t> image = Bytes(path);
    // Everything after the first 100 bytes of the zlib data is gone.
    std::fill(image.begin() + test::kDefaultAreaStart + 100, image.begin() + test::kDefaultAreaEnd, std::uint8_t{0});
    FixCrc(image, Layout::kDefaultOffset);
    Put(path, image);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V4);
    EXPECT_FALSE(document->OpenDefaultDatabase(path));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"invalid or incomplete default data\n"}));
    EXPECT_FALSE(document->IsOpen());
    EXPECT_EQ(Bytes(path), image);
}

TEST_F(DocumentTest, PlainDefaultDatabaseThatDoesNotReadFailsToOpen)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V2);
    std::vector<std::uint8_t> image = Bytes(path);
    // A satellite count far beyond the chunk's data.
    WriteLe16(image.data() + test::kDefaultAreaStart + 6, 0xFFFF);
    FixCrc(image, Layout::kDefaultOffset);
    Put(path, image);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V2);
    EXPECT_FALSE(document->OpenDefaultDatabase(path));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Open Database Failed"}));
    EXPECT_FALSE(document->IsOpen());
    EXPECT_EQ(SatelliteCount(*document), -1);
    EXPECT_EQ(document->Image().Length(), 0u);
}

TEST_F(DocumentTest, ImageWithoutADefaultChunk)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    std::vector<std::uint8_t> image = Bytes(path);
    WriteBe32(image.data() + Layout::kDefaultOffset, 0x06F90100);
    Put(path, image);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    EXPECT_FALSE(document->OpenDefaultDatabase(path));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"No default database chunk in this file"}));
    EXPECT_TRUE(document->OpenUserDatabase(path));
}

TEST_F(DocumentTest, OpeningAnotherFileOffersToSaveTheEditsFirst)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    document->Store().SetModified(true);
    prompts.yesNoAnswers.push_back(false);
    ASSERT_TRUE(document->OpenDefaultDatabase(path));
    EXPECT_EQ(prompts.questions, (std::vector<std::string>{"Do you save file?"}));
    // Answering No clears the flag: closing now asks nothing.
    document->Store().SetModified(false);
    EXPECT_TRUE(document->CloseDocument());
    EXPECT_EQ(prompts.questions.size(), 1u);
    EXPECT_FALSE(document->IsOpen());
}

TEST_F(DocumentTest, SaveThatFailsOnCloseKeepsTheDocument)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    document->Store().SetModified(true);
    std::filesystem::remove(path);  // the image to save into is gone
    prompts.yesNoAnswers.push_back(true);
    prompts.chunkAnswers.push_back(ChunkChoice{false, true});
    EXPECT_FALSE(document->CloseDocument());
    EXPECT_TRUE(document->IsOpen());
    EXPECT_TRUE(document->Store().IsModified());
    EXPECT_EQ(SatelliteCount(*document), 3);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Can't open " + path}));
}

TEST_F(DocumentTest, OpenCommandDispatchesOnTheExtension)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1, "demo.BIN");
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    EXPECT_FALSE(document->Open(folder.Path("demo.abc")));
    EXPECT_TRUE(prompts.questions.empty());

    prompts.chunkAnswers.push_back(ChunkChoice{false, false});
    EXPECT_FALSE(document->Open(path));
    EXPECT_FALSE(document->IsOpen());
    ASSERT_EQ(prompts.chunkQuestions.size(), 1u);
    EXPECT_EQ(prompts.chunkQuestions[0].caption, "Load database config");
    EXPECT_EQ(prompts.chunkQuestions[0].initial, (ChunkChoice{true, false}));
    EXPECT_TRUE(prompts.chunkQuestions[0].exclusive);

    prompts.chunkAnswers.push_back(std::nullopt);
    EXPECT_FALSE(document->Open(path));

    prompts.chunkAnswers.push_back(ChunkChoice{true, false});
    ASSERT_TRUE(document->Open(path));
    EXPECT_FALSE(document->FromUserChunk());
    prompts.chunkAnswers.push_back(ChunkChoice{false, true});
    ASSERT_TRUE(document->Open(path));
    EXPECT_TRUE(document->FromUserChunk());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(DocumentPaths, BothDocumentPathsShowBug)
{
    const struct {
        const char* image;
        const char* database;
        bool clash;
    } cases[] = {{"", "", false}, {"a.bin", "", false}, {"", "b.ddf", false}, {"a.bin", "b.ddf", true}};
    for (const auto& c : cases) {
        test::RecordingPrompts prompts;
        EXPECT_EQ(ReportPathClash(c.image, c.database, prompts), c.clash);
        EXPECT_EQ(prompts.messages, c.clash ? std::vector<std::string>{"BUG"} : std::vector<std::string>{});
    }
}

} // namespace
} // namespace torvane
