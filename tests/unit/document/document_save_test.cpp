#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "database/default_database_stream.h"
#include "database/zlib_codec.h"
#include "support/document_fixture.h"

namespace torvane {
namespace {

using test::DocumentTest;
using test::Layout;

bool SameOutside(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, std::size_t from, std::size_t to)
{
    return a.size() == b.size() && std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(from), b.begin())
        && std::equal(a.begin() + static_cast<std::ptrdiff_t>(to), a.end(), b.begin() + static_cast<std::ptrdiff_t>(to));
}

// The program shown first in "All Services".
int FirstProgram(Document& document)
{
    return document.Store().Tree().FindRoot(TreeKind::AllServices)->Info()->programs.At(0);
}

void Rename(Document& document, int slot, const std::string& name)
{
    const int field = document.Schema().FindField(NodeKind::Program, FieldView::Declaration, "Service Name");
    ASSERT_TRUE(document.Store().Fields().WriteFieldIfChanged(NodeKind::Program, slot, field, name, 0,
                                                              FieldView::Declaration));
}

class SaveRoundTrip : public DocumentTest, public ::testing::WithParamInterface<ProjectType> {};

TEST_P(SaveRoundTrip, SavingWithoutEditsGivesTheSameImage)
{
    const std::string path = MakeDemo(GetParam());
    const std::vector<std::uint8_t> before = Bytes(path);
    const auto document = NewDocument(GetParam());
    ASSERT_TRUE(document->OpenUserDatabase(path));
    prompts.chunkAnswers.push_back(ChunkChoice{true, true});
    EXPECT_EQ(document->SaveWithChunkChoice(), SaveResult::Saved);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"demo.bin"}));  // no temporary file left
}

TEST_P(SaveRoundTrip, EditedUserDatabaseReadsBackRecordByRecord)
{
    const std::string path = MakeDemo(GetParam());
    const std::vector<std::uint8_t> before = Bytes(path);
    const auto document = NewDocument(GetParam());
    ASSERT_TRUE(document->OpenUserDatabase(path));
    Rename(*document, FirstProgram(*document), "Renamed");
    ASSERT_TRUE(document->Store().IsModified());
    const std::vector<std::string> edited = Snapshot(*document);

    EXPECT_EQ(document->Save(), SaveResult::Saved);
    EXPECT_FALSE(document->Store().IsModified());
    EXPECT_EQ(document->Save(), SaveResult::NothingDone);  // nothing left to save
    const std::vector<std::uint8_t> after = Bytes(path);
    EXPECT_NE(after, before);
    EXPECT_TRUE(SameOutside(after, before, test::kUserRegionStart, test::kUserRegionEnd));

    const auto reopened = NewDocument(GetParam());
    ASSERT_TRUE(reopened->OpenUserDatabase(path));
    EXPECT_EQ(Snapshot(*reopened), edited);
}

TEST_P(SaveRoundTrip, DefaultChunkIsWrittenWithOrderAndItsHeaderFixed)
{
    const std::string path = MakeDemo(GetParam());
    const auto document = NewDocument(GetParam());
    ASSERT_TRUE(document->OpenUserDatabase(path));
    Rename(*document, FirstProgram(*document), "Renamed");
    document->SetWithOrder(false);  // the chunk takes the with-order form whatever the flag
    const std::vector<std::string> edited = Snapshot(*document);
    const std::vector<std::uint8_t> before = Bytes(path);
    prompts.chunkAnswers.push_back(ChunkChoice{true, false});
    ASSERT_EQ(document->SaveWithChunkChoice(), SaveResult::Saved);
    EXPECT_FALSE(document->WithOrder());
    EXPECT_FALSE(document->Store().IsModified());

    const std::vector<std::uint8_t> after = Bytes(path);
    EXPECT_TRUE(SameOutside(after, before, Layout::kDefaultOffset, test::kDefaultAreaEnd));
    // Length word: next-chunk offset less 16; the CRC covers the rest of the header and the area.
    EXPECT_EQ(ReadBe32(after.data() + Layout::kDefaultOffset + 4), 0x40000u - 16);
    EXPECT_EQ(ReadBe32(after.data() + Layout::kDefaultOffset + 12),
              Crc32Mpeg2(std::span(after).subspan(Layout::kDefaultOffset + 16, 0x40000 - 16)));
    const ChunkWalk walk = WalkChunks(after, kOpenWalkLimit);
    EXPECT_EQ(walk.stop, WalkStop::ChainEnd);
    ASSERT_TRUE(walk.defaultChunk);
    EXPECT_EQ(walk.defaultChunk->check, ChunkCheck::Ok);

    const std::span<const std::uint8_t> area =
        std::span(after).subspan(test::kDefaultAreaStart, test::kDefaultAreaEnd - test::kDefaultAreaStart);
    std::vector<std::uint8_t> stream(area.begin(), area.end());
    if (GetParam() == ProjectType::ZUV_DVBS_V4) {
        const std::optional<std::vector<std::uint8_t>> plain = UncompressDefaultDatabase(area, prompts);
        ASSERT_TRUE(plain);
        stream = *plain;
    }
    EXPECT_EQ(std::vector<std::uint8_t>(stream.begin(), stream.begin() + 4),
              (std::vector<std::uint8_t>{0xFE, 0xEF, 0x03, 0x00}));
    const std::optional<DefaultStreamContent> content = ReadDefaultStream(stream, schema, prompts);
    ASSERT_TRUE(content);
    EXPECT_EQ(content->ProgramCount(), 40);
    if (GetParam() != ProjectType::ZUV_DVBS_V4) {
        EXPECT_TRUE(std::all_of(stream.begin() + static_cast<std::ptrdiff_t>(content->length), stream.end(),
                                [](std::uint8_t b) { return b == 0; }));
    }

    const auto reopened = NewDocument(GetParam());
    ASSERT_TRUE(reopened->OpenDefaultDatabase(path));
    EXPECT_EQ(Snapshot(*reopened), edited);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_P(SaveRoundTrip, WritingTheDefaultAreaTwiceGivesTheSameImage)
{
    const std::string path = MakeDemo(GetParam());
    const auto document = NewDocument(GetParam());
    ASSERT_TRUE(document->OpenDefaultDatabase(path));
    Rename(*document, FirstProgram(*document), "Once");
    ASSERT_EQ(document->Save(), SaveResult::Saved);  // from the default chunk: into it again
    const std::vector<std::uint8_t> once = Bytes(path);
    document->Store().SetModified(true);
    ASSERT_EQ(document->Save(), SaveResult::Saved);
    EXPECT_EQ(Bytes(path), once);
}

INSTANTIATE_TEST_SUITE_P(Types, SaveRoundTrip,
                         ::testing::Values(ProjectType::ZUV_DVBS_V1, ProjectType::ZUV_DVBS_V4),
                         [](const auto& info) { return info.param == ProjectType::ZUV_DVBS_V1 ? "V1" : "V4"; });

TEST_F(DocumentTest, ChunkQuestionCancelOrNoChunkWritesNothing)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    Rename(*document, FirstProgram(*document), "Edited");
    const std::vector<std::uint8_t> before = Bytes(path);
    prompts.chunkAnswers.push_back(std::nullopt);
    prompts.chunkAnswers.push_back(ChunkChoice{false, false});
    EXPECT_EQ(document->SaveWithChunkChoice(), SaveResult::NothingDone);
    EXPECT_EQ(document->SaveWithChunkChoice(), SaveResult::NothingDone);
    ASSERT_EQ(prompts.chunkQuestions.size(), 2u);
    EXPECT_EQ(prompts.chunkQuestions[0].caption, "Save database config");
    // Preset to the chunk the document came from, so that Enter never writes it into the other.
    EXPECT_EQ(prompts.chunkQuestions[0].initial, (ChunkChoice{false, true}));
    EXPECT_FALSE(prompts.chunkQuestions[0].exclusive);
    EXPECT_TRUE(document->Store().IsModified());
    EXPECT_EQ(Bytes(path), before);
    EXPECT_TRUE(prompts.messages.empty());
}

struct SaveAsCase {
    const char* name;
    std::string target;
    ChunkChoice chunks;
    SaveResult result;
};

class SaveAsTarget : public DocumentTest, public ::testing::WithParamInterface<SaveAsCase> {};

TEST_P(SaveAsTarget, DispatchesOnTheExtension)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    const std::vector<std::uint8_t> before = Bytes(path);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    document->Store().SetModified(true);
    document->SetCutSaves(CutSaves::Allow);  // the demo's channel order is not grouped by TP
    prompts.chunkAnswers.push_back(GetParam().chunks);
    const std::string target = folder.Path(GetParam().target);
    EXPECT_EQ(document->SaveAs(target), GetParam().result);
    // Only a .bin written becomes the document; its edits are not saved by another file.
    EXPECT_EQ(std::filesystem::exists(target), GetParam().result == SaveResult::Saved);
    EXPECT_EQ(Bytes(path), before);
    const bool newImage = GetParam().result == SaveResult::Saved && SaveAsKindOf(target) == SaveAsKind::Bin;
    EXPECT_EQ(document->ProductImagePath(), newImage ? target : path);
    EXPECT_EQ(document->Store().IsModified(), !newImage);
    if (newImage) {
        EXPECT_EQ(Bytes(target), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SaveAsTarget,
    ::testing::Values(SaveAsCase{"UpperCaseBin", "copy.BIN", {true, true}, SaveResult::Saved},
                      SaveAsCase{"BinWithNoChunk", "copy.bin", {false, false}, SaveResult::NothingDone},
                      SaveAsCase{"UpperCaseTxtIsNotAListing", "list.TXT", {}, SaveResult::NothingDone},
                      SaveAsCase{"TxtListing", "list.txt", {}, SaveResult::Saved},
                      SaveAsCase{"Ddf", "db.ddf", {}, SaveResult::Saved},
                      SaveAsCase{"Df2InCapitals", "db.DF2", {}, SaveResult::Saved},
                      SaveAsCase{"OtherExtension", "db.dat", {}, SaveResult::NothingDone},
                      SaveAsCase{"NoExtension", "db", {}, SaveResult::NothingDone}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentTest, DefaultDatabaseSavedThroughTheImage)
{
    for (ProjectType type : {ProjectType::ZUV_DVBS_V1, ProjectType::ZUV_DVBS_V4}) {
        const std::string path = MakeDemo(type);
        const auto document = NewDocument(type);
        ASSERT_TRUE(document->OpenUserDatabase(path));
        document->SetCutSaves(CutSaves::Allow);  // the demo's channel order is not grouped by TP
        const std::string ddf = folder.Path("through.ddf");
        const std::string df2 = folder.Path("through.df2");
        ASSERT_EQ(document->SaveAs(ddf), SaveResult::Saved);
        EXPECT_FALSE(document->WithOrder());
        ASSERT_EQ(document->SaveAs(df2), SaveResult::Saved);
        EXPECT_TRUE(document->WithOrder());

        std::vector<std::uint8_t> ddfStream = Bytes(ddf);
        std::vector<std::uint8_t> df2Stream = Bytes(df2);
        if (type == ProjectType::ZUV_DVBS_V4) {
            // Only the compressed bytes are written.
            ddfStream = UncompressDefaultDatabase(ddfStream, prompts).value_or(std::vector<std::uint8_t>{});
            df2Stream = UncompressDefaultDatabase(df2Stream, prompts).value_or(std::vector<std::uint8_t>{});
        } else {
            // A plain file is exactly as long as the image's default area.
            EXPECT_EQ(Bytes(ddf).size(), test::kDefaultAreaEnd - test::kDefaultAreaStart);
        }
        ASSERT_GE(df2Stream.size(), 4u);
        EXPECT_EQ(std::vector<std::uint8_t>(df2Stream.begin(), df2Stream.begin() + 4),
                  (std::vector<std::uint8_t>{0xFE, 0xEF, 0x03, 0x00}));
        const auto ddfContent = ReadDefaultStream(ddfStream, schema, prompts);
        ASSERT_TRUE(ddfContent);
        EXPECT_FALSE(ddfContent->withOrder);
        EXPECT_EQ(ddfContent->ProgramCount(), 40);
        EXPECT_TRUE(prompts.messages.empty());
    }
}

TEST_F(DocumentTest, SaveIntoAFolderThatDoesNotExistLeavesNothing)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    document->Store().SetModified(true);
    document->SetCutSaves(CutSaves::Allow);  // the demo's channel order is not grouped by TP
    prompts.chunkAnswers.push_back(ChunkChoice{true, true});
    for (const std::string name : {"none/copy.bin", "none/copy.ddf", "none/copy.txt"}) {
        prompts.messages.clear();
        EXPECT_EQ(document->SaveAs(folder.Path(name)), SaveResult::Failed) << name;
        EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Can't write " + folder.Path(name)})) << name;
    }
    EXPECT_TRUE(document->Store().IsModified());
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"demo.bin"}));
}

// An image whose default database has no chunk of its own: boot chunk, user chunk at 0x10000,
// then one chunk up to 0xC0000; the default database goes to 0xC0080 … 0xDFF80, where no chunk lies.
class FixedDefaultRange : public DocumentTest {
protected:
    std::string MakeImage(std::size_t fileSize)
    {
        const std::vector<std::uint8_t> demo = Bytes(MakeDemo(ProjectType::ZUV_DVBS_V1, "source.bin"));
        std::vector<std::uint8_t> image(0x200000, 0xFF);
        std::copy_n(demo.begin(), 0x10000, image.begin());  // the boot chunk
        std::copy_n(demo.begin() + Layout::kUserOffset, 0xA0080, image.begin() + 0x10000);
        const auto chunk = [&image](std::uint32_t offset, std::uint32_t id, std::uint32_t extent, bool last) {
            WriteBe32(image.data() + offset, id);
            WriteBe32(image.data() + offset + 4, extent - 16);
            WriteBe32(image.data() + offset + 8, last ? 0 : extent);
            WriteBe32(image.data() + offset + 12, kNoCheckValue);
        };
        chunk(0x10000, kUserChunkId, 0xA0080, false);
        chunk(0xB0080, 0x02FD0100, 0xC0000 - 0xB0080, true);
        image.resize(fileSize);
        const std::string path = folder.Path("fixed.bin");
        Put(path, image);
        return path;
    }
};

TEST_F(FixedDefaultRange, DefaultDatabaseGoesToTheFixedPlace)
{
    const std::string path = MakeImage(0x200000);
    const std::vector<std::uint8_t> before = Bytes(path);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    prompts.chunkAnswers.push_back(ChunkChoice{true, false});
    ASSERT_EQ(document->SaveWithChunkChoice(), SaveResult::Saved);
    const std::vector<std::uint8_t> after = Bytes(path);
    EXPECT_TRUE(SameOutside(after, before, 0xC0000, 0xDFF80));
    EXPECT_EQ(ReadBe32(after.data() + 0xC0004), 0xDFF80u - 0xC0000u - 16);
    EXPECT_EQ(ReadBe32(after.data() + 0xC000C), Crc32Mpeg2(std::span(after).subspan(0xC0010, 0xDFF80 - 0xC0010)));
    EXPECT_EQ(std::vector<std::uint8_t>(after.begin() + 0xC0080, after.begin() + 0xC0084),
              (std::vector<std::uint8_t>{0xFE, 0xEF, 0x03, 0x00}));
    const auto content = ReadDefaultStream(std::span(after).subspan(0xC0080, 0xDFF80 - 0xC0080), schema, prompts);
    ASSERT_TRUE(content);
    EXPECT_EQ(content->ProgramCount(), 40);
}

TEST_F(FixedDefaultRange, ImageTooShortForItFailsAndStaysUntouched)
{
    const std::string path = MakeImage(0xD0000);
    const std::vector<std::uint8_t> before = Bytes(path);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    document->Store().SetModified(true);
    prompts.chunkAnswers.push_back(ChunkChoice{true, true});
    EXPECT_EQ(document->SaveWithChunkChoice(), SaveResult::Failed);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Generate Default DataBase failed"}));
    EXPECT_EQ(Bytes(path), before);
    EXPECT_TRUE(document->Store().IsModified());
    document->SetCutSaves(CutSaves::Allow);  // the demo's channel order is not grouped by TP
    EXPECT_EQ(document->SaveAs(folder.Path("out.ddf")), SaveResult::Failed);
    EXPECT_FALSE(std::filesystem::exists(folder.Path("out.ddf")));
}

TEST_F(DocumentTest, FixedPlaceOverTheUserDatabaseIsRefused)
{
    // Without its default chunk the demo's user chunk (0x80000 …) covers 0xC0000 … 0xDFF80.
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    std::vector<std::uint8_t> image = Bytes(path);
    WriteBe32(image.data() + Layout::kDefaultOffset, 0x06F90100);
    Put(path, image);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    prompts.chunkAnswers.push_back(ChunkChoice{true, false});
    EXPECT_EQ(document->SaveWithChunkChoice(), SaveResult::Failed);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{std::string(kFixedDefaultAreaTakenMessage)}));
    EXPECT_EQ(Bytes(path), image);
}

TEST_F(DocumentTest, TextListingOfTheCurrentItem)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    TreeItem* tp = document->Store().Tree().FindRoot(TreeKind::SatelliteRoot)->Child(1)->Child(0);
    document->SelectItem(tp);
    document->Store().SetModified(true);
    ASSERT_EQ(document->SaveAs(folder.Path("tp.txt")), SaveResult::Saved);
    EXPECT_TRUE(document->Store().IsModified());  // a listing saves nothing of the database
    const std::vector<std::uint8_t> bytes = Bytes(folder.Path("tp.txt"));
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_TRUE(text.starts_with("No.  Nome        Freq       Pol    SR\r\n"));
    // Every TV row of the TP's list is a line; radio rows are not.
    int tvRows = 0;
    for (int row = 0; row < document->List().RowCount(); ++row)
        tvRows += document->List().Cells(row).size() > 1 && document->List().Cells(row)[1] == "TV";
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + tvRows);
}

TEST_F(DocumentTest, ImageIsLoadedOnlyFromAnOpenFlashImage)
{
    const std::string path = MakeDemo(ProjectType::ZUV_DVBS_V1);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    EXPECT_EQ(document->LoadImage(), -1);
    ASSERT_TRUE(document->OpenUserDatabase(path));
    EXPECT_EQ(document->LoadImage(), 0);
    EXPECT_TRUE(std::ranges::equal(document->Flash().Image(), Bytes(path)));
    std::filesystem::remove(path);
    EXPECT_EQ(document->LoadImage(), -1);
    EXPECT_FALSE(document->WriteUserDatabaseIntoImage());
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Can't open " + path}));
}

} // namespace
} // namespace torvane
