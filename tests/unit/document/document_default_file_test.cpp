#include <filesystem>
#include <string>
#include <vector>

#include "database/default_database_stream.h"
#include "database/zlib_codec.h"
#include "support/document_fixture.h"

namespace torvane {
namespace {

using test::DocumentTest;

// Default-database files made from the demo image's database, as the editor's Save As makes them.
class DefaultFileTest : public DocumentTest {
protected:
    std::string MakeFile(ProjectType type, const std::string& name)
    {
        const std::string image = MakeDemo(type, "source.bin");
        const auto document = NewDocument(type);
        EXPECT_TRUE(document->OpenUserDatabase(image));
        // The image's channel order is not grouped by TP: a .ddf is written grouped, unasked.
        document->SetCutSaves(CutSaves::Allow);
        EXPECT_EQ(document->SaveAs(folder.Path(name)), SaveResult::Saved);
        std::filesystem::remove(image);
        return folder.Path(name);
    }

    std::unique_ptr<Document> Loaded(ProjectType type, const std::string& path)
    {
        auto document = NewDocument(type);
        EXPECT_TRUE(document->LoadDefaultDatabase(path));
        return document;
    }

    std::vector<std::uint8_t> Stream(ProjectType type, const std::string& path)
    {
        std::vector<std::uint8_t> bytes = Bytes(path);
        if (type == ProjectType::ZUV_DVBS_V4)
            return UncompressDefaultDatabase(bytes, prompts).value_or(std::vector<std::uint8_t>{});
        const auto content = ReadDefaultStream(bytes, schema, prompts);
        bytes.resize(content ? content->length : 0);
        return bytes;
    }
};

class DefaultFileRoundTrip : public DefaultFileTest, public ::testing::WithParamInterface<ProjectType> {};

TEST_P(DefaultFileRoundTrip, Df2ThroughTheStoreIsTheSameFile)
{
    const ProjectType type = GetParam();
    const std::string first = MakeFile(type, "first.df2");
    const auto document = Loaded(type, first);
    EXPECT_TRUE(document->WithOrder());
    EXPECT_EQ(document->DefaultDatabasePath(), first);
    EXPECT_TRUE(document->ProductImagePath().empty());
    EXPECT_FALSE(document->Store().IsModified());
    EXPECT_EQ(document->List().CurrentItem(), document->Store().Tree().FindRoot(TreeKind::AllServices));
    EXPECT_EQ(document->List().RowCount(), 40);

    const std::string second = folder.Path("second.df2");
    ASSERT_EQ(document->SaveDefaultDatabaseAs(second), SaveResult::Saved);
    EXPECT_EQ(document->DefaultDatabasePath(), second);
    EXPECT_EQ(Stream(type, second), Stream(type, first));
    const std::vector<std::uint8_t> secondBytes = Bytes(second);
    EXPECT_EQ(secondBytes.size(), type == ProjectType::ZUV_DVBS_V4 ? Bytes(first).size() : 0x2FF00u);

    const std::string third = folder.Path("third.df2");
    ASSERT_EQ(Loaded(type, second)->SaveDefaultDatabaseAs(third), SaveResult::Saved);
    EXPECT_EQ(Bytes(third), secondBytes);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_P(DefaultFileRoundTrip, DdfKeepsTheChannelsWithoutOrderNumbers)
{
    const ProjectType type = GetParam();
    const std::string image = MakeDemo(type);
    const auto fromImage = NewDocument(type);
    ASSERT_TRUE(fromImage->OpenUserDatabase(image));
    const std::string ddf = folder.Path("db.ddf");
    // The demo's channel order is not grouped by TP: the .ddf asks, and Yes writes it grouped.
    prompts.yesNoAnswers.push_back(true);
    ASSERT_EQ(fromImage->SaveAs(ddf), SaveResult::Saved);
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], OrderSaveText(ddf, fromImage->Misplaced()) + " Save anyway?");
    EXPECT_GT(fromImage->Misplaced(), 0);

    const auto document = Loaded(type, ddf);
    EXPECT_FALSE(document->WithOrder());
    EXPECT_EQ(Snapshot(*document).size(), Snapshot(*fromImage).size());
    const std::string copy = folder.Path("copy.ddf");
    ASSERT_EQ(document->SaveDefaultDatabaseAs(copy), SaveResult::Saved);
    if (type != ProjectType::ZUV_DVBS_V4) {
        EXPECT_EQ(Bytes(copy).size(), 196352u);  // a plain .ddf always is
    }
    const auto content = ReadDefaultStream(Stream(type, copy), schema, prompts);
    ASSERT_TRUE(content);
    EXPECT_FALSE(content->withOrder);
    EXPECT_EQ(content->ProgramCount(), 40);
}

INSTANTIATE_TEST_SUITE_P(Types, DefaultFileRoundTrip,
                         ::testing::Values(ProjectType::ZUV_DVBS_V1, ProjectType::ZUV_DVBS_V2, ProjectType::ZUV_DVBS_V4),
                         [](const auto& info) { return "V" + std::to_string(static_cast<int>(info.param) == 2 ? 4 : static_cast<int>(info.param) + 1); });

std::vector<std::uint8_t> Compressed(const std::vector<std::uint8_t>& plain)
{
    std::vector<std::uint8_t> out(plain.size() + 1024);
    std::size_t written = 0;
    EXPECT_EQ(ZlibCompress(plain, out, 9, written), 0);
    out.resize(written);
    return out;
}

struct BadFileCase {
    const char* name;
    ProjectType type;
    std::vector<std::uint8_t> bytes;
    std::string message;
};

class BadDefaultFile : public DefaultFileTest, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(BadDefaultFile, IsRefusedWithItsMessage)
{
    const std::string path = folder.Path("bad.df2");
    Put(path, GetParam().bytes);
    const auto document = NewDocument(GetParam().type);
    EXPECT_FALSE(document->LoadDefaultDatabase(path));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{GetParam().message}));
    EXPECT_FALSE(document->IsOpen());
    EXPECT_EQ(SatelliteCount(*document), -1);
    EXPECT_EQ(Bytes(path), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadDefaultFile,
    ::testing::Values(
        BadFileCase{"EmptyPlain", ProjectType::ZUV_DVBS_V1, {}, "Load Default DB Failed"},
        BadFileCase{"OneBytePlain", ProjectType::ZUV_DVBS_V2, {1}, "Load Default DB Failed"},
        BadFileCase{"VersionOne", ProjectType::ZUV_DVBS_V1, {0xFE, 0xEF, 1, 0, 0, 0, 0, 0}, "Load Default DB Failed"},
        BadFileCase{"CountsPastTheData", ProjectType::ZUV_DVBS_V1, {5, 0, 1, 2, 3}, "Load Default DB Failed"},
        BadFileCase{"EmptyCompressed", ProjectType::ZUV_DVBS_V4, {}, "invalid or incomplete default data\n"},
        BadFileCase{"NotZlib", ProjectType::ZUV_DVBS_V4, {'h', 'e', 'l', 'l', 'o'}, "invalid or incomplete default data\n"},
        BadFileCase{"StreamLargerThanTheWorkBuffer", ProjectType::ZUV_DVBS_V4,
                    Compressed(std::vector<std::uint8_t>(0x60001, 0)), "ERROR: uncompress failed!\n"},
        BadFileCase{"CompressedStreamThatEndsEarly", ProjectType::ZUV_DVBS_V4, Compressed({3, 0, 1, 2, 3}),
                    "Load Default DB Failed"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DefaultFileTest, FileThatCannotBeOpenedFailsTheCheck)
{
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    EXPECT_FALSE(document->LoadDefaultDatabase(folder.Path("missing.ddf")));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Check failed"}));
    EXPECT_FALSE(document->IsOpen());
    EXPECT_EQ(document->Image().Length(), 0u);
}

TEST_F(DefaultFileTest, TheOpenFileIsNotLoadedAgain)
{
    const std::string path = MakeFile(ProjectType::ZUV_DVBS_V1, "db.df2");
    const auto document = Loaded(ProjectType::ZUV_DVBS_V1, path);
    const std::vector<std::string> before = Snapshot(*document);
    EXPECT_FALSE(document->LoadDefaultDatabase(folder.Path("DB.DF2")));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"The file is opened!"}));
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_EQ(Snapshot(*document), before);
}

TEST_F(DefaultFileTest, LoadingIntoAnOpenDocumentAsksMergeOrOverwrite)
{
    const std::string first = MakeFile(ProjectType::ZUV_DVBS_V1, "first.df2");
    const std::string second = folder.Path("second.df2");
    std::filesystem::copy_file(first, second);
    const auto document = Loaded(ProjectType::ZUV_DVBS_V1, first);
    const std::vector<std::string> before = Snapshot(*document);

    // Cancel keeps the document as it is.
    EXPECT_FALSE(document->LoadDefaultDatabase(second));
    EXPECT_EQ(prompts.questions, (std::vector<std::string>{"Please select operation"}));
    EXPECT_EQ(prompts.choiceOptions.back(), (std::vector<std::string>{"Merge", "Overwrite"}));
    EXPECT_EQ(prompts.choicePresets.back(), 0) << "Merge is checked when the dialog opens";
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Check failed"}));
    EXPECT_EQ(Snapshot(*document), before);

    // Merge adds the satellites with fresh ids; the document stays the first file.
    prompts.choiceAnswers.push_back(0);
    ASSERT_TRUE(document->LoadDefaultDatabase(second));
    const TreeItem* root = document->Store().Tree().FindRoot(TreeKind::SatelliteRoot);
    ASSERT_EQ(root->ChildCount(), 6);
    for (int s = 0; s < 6; ++s)
        EXPECT_EQ(root->Child(s)->Info()->satId, s);
    EXPECT_EQ(root->Child(3)->Label(), root->Child(0)->Label());
    EXPECT_EQ(document->DefaultDatabasePath(), first);
    EXPECT_EQ(document->List().RowCount(), 80);

    // A damaged file merged in changes nothing.
    const std::vector<std::string> merged = Snapshot(*document);
    const std::string bad = folder.Path("bad.ddf");
    Put(bad, {9, 0, 0});
    prompts.choiceAnswers.push_back(0);
    prompts.messages.clear();
    EXPECT_FALSE(document->LoadDefaultDatabase(bad));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Load Default DB Failed"}));
    EXPECT_EQ(Snapshot(*document), merged);
    EXPECT_TRUE(document->IsOpen());

    // Overwrite replaces everything, old nodes included.
    prompts.choiceAnswers.push_back(1);
    ASSERT_TRUE(document->LoadDefaultDatabase(second));
    EXPECT_EQ(Snapshot(*document), before);
    EXPECT_EQ(document->DefaultDatabasePath(), second);
    EXPECT_EQ(document->Image().Table(NodeKind::Program)->liveCount, 40);
}

TEST_F(DefaultFileTest, SaveWritesOnlyAModifiedDocument)
{
    const std::string path = MakeFile(ProjectType::ZUV_DVBS_V1, "db.df2");
    const auto document = Loaded(ProjectType::ZUV_DVBS_V1, path);
    const std::vector<std::uint8_t> before = Bytes(path);
    EXPECT_EQ(document->SaveDefaultDatabase(), SaveResult::NothingDone);
    EXPECT_EQ(Bytes(path), before);
    document->Store().SetModified(true);
    EXPECT_EQ(document->SaveWithChunkChoice(), SaveResult::Saved);  // the save command of such a document
    EXPECT_TRUE(prompts.chunkQuestions.empty());
    EXPECT_FALSE(document->Store().IsModified());
    EXPECT_EQ(Bytes(path).size(), 0x2FF00u);

    // A file that cannot be replaced is left as it was and the edits stay pending.
    const std::vector<std::uint8_t> saved = Bytes(path);
    document->Store().SetModified(true);
    const std::string target = folder.Path("none/db.df2");
    EXPECT_EQ(document->SaveDefaultDatabaseAs(target), SaveResult::Failed);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Can't write " + target}));
    EXPECT_EQ(document->DefaultDatabasePath(), path);
    EXPECT_TRUE(document->WithOrder());
    EXPECT_TRUE(document->Store().IsModified());
    EXPECT_EQ(Bytes(path), saved);
}

TEST_F(DefaultFileTest, SaveAsChoosesTheFormByExtension)
{
    const std::string path = MakeFile(ProjectType::ZUV_DVBS_V1, "db.df2");
    const auto document = Loaded(ProjectType::ZUV_DVBS_V1, path);
    document->SetCutSaves(CutSaves::Allow);  // the demo's channel order is not grouped by TP
    ASSERT_EQ(document->SaveAs(folder.Path("plain.DDF")), SaveResult::Saved);
    EXPECT_FALSE(document->WithOrder());
    EXPECT_NE(Bytes(folder.Path("plain.DDF"))[0], 0xFE);
    ASSERT_EQ(document->SaveAs(folder.Path("ordered.Df2")), SaveResult::Saved);
    EXPECT_TRUE(document->WithOrder());
    EXPECT_EQ(Bytes(folder.Path("ordered.Df2"))[0], 0xFE);
    EXPECT_EQ(document->SaveAs(""), SaveResult::NothingDone);
}

TEST_F(DefaultFileTest, WithoutAnImageThereIsNoUpgradeBin)
{
    const std::string path = MakeFile(ProjectType::ZUV_DVBS_V1, "db.df2");
    const auto document = Loaded(ProjectType::ZUV_DVBS_V1, path);
    EXPECT_FALSE(document->SaveDefaultDatabaseThroughImage(folder.Path("x.ddf")));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Can't find upgrade bin"}));
    EXPECT_FALSE(std::filesystem::exists(folder.Path("x.ddf")));
}

TEST_F(DefaultFileTest, OpenCommandRewritesTheFileInTheStoredForm)
{
    // Saved through the image, a plain .ddf is as long as the image's area; opened, it is
    // written back as a default-database file of its own.
    const std::string path = MakeFile(ProjectType::ZUV_DVBS_V1, "DB.DDF");
    ASSERT_EQ(Bytes(path).size(), test::kDefaultAreaEnd - test::kDefaultAreaStart);
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->Open(path));
    EXPECT_FALSE(document->WithOrder());
    EXPECT_FALSE(document->Store().IsModified());
    EXPECT_EQ(Bytes(path).size(), 196352u);
    EXPECT_TRUE(prompts.messages.empty());
}

// A .ddf keeps services only grouped by TP: a save that cannot keep a service moved among another
// TP's asks first (No writes nothing and keeps the edits; Yes writes it grouped), a .df2 keeps
// the order unasked, and a move within a TP is saved unasked.
TEST_F(DefaultFileTest, DdfSaveAsksBeforeItLosesTheOrderAcrossTps)
{
    const std::string path = MakeFile(ProjectType::ZUV_DVBS_V1, "db.ddf");
    auto document = Loaded(ProjectType::ZUV_DVBS_V1, path);
    const auto names = [](Document& doc) {
        std::vector<std::string> texts;
        const ProgramList all = doc.Store().BuildAllServicesList();
        for (const std::int32_t slot : all.Programs())
            texts.push_back(doc.Store().ReadNamedText(NodeKind::Program, slot, "Service Name").value_or("?"));
        return texts;
    };
    const auto move = [&document](int from, int to) {
        NodeStore& store = document->Store();
        const ProgramList all = store.BuildAllServicesList();
        std::vector<std::int32_t> order(all.Programs().begin(), all.Programs().end());
        const std::int32_t slot = order[static_cast<std::size_t>(from)];
        order.erase(order.begin() + from);
        order.insert(order.begin() + to, slot);
        for (std::size_t place = 0; place < order.size(); ++place)
            store.SetOrder(order[place], static_cast<std::int16_t>(place));
        store.SetModified(true);
    };
    const std::vector<std::string> grouped = names(*document);
    const int firstTp = document->Store().Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0)->Child(0)->Info()->programs.Size();
    ASSERT_GT(firstTp, 2);
    move(0, 39);  // the first service to the end, among the last TP's
    const std::vector<std::uint8_t> before = Bytes(path);
    const std::string question = "Saving \"db.ddf\" cannot keep the place of 1 services outside their TP; save as "
                                 ".df2 to keep it. Save anyway?";
    prompts.yesNoAnswers = {false};
    EXPECT_EQ(document->SaveDefaultDatabase(), SaveResult::NothingDone);
    EXPECT_EQ(prompts.questions, std::vector<std::string>{question});
    EXPECT_EQ(document->RefusedCut(), (SaveLoss{std::nullopt, 1}));
    EXPECT_EQ(Bytes(path), before);
    EXPECT_TRUE(document->Store().IsModified());

    // Save As .df2 keeps the order without a question, and the document becomes that file.
    const std::vector<std::string> moved = names(*document);
    ASSERT_EQ(document->SaveDefaultDatabaseAs(folder.Path("db.df2")), SaveResult::Saved);
    EXPECT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(names(*Loaded(ProjectType::ZUV_DVBS_V1, folder.Path("db.df2"))), moved);

    // Back to the .ddf: Yes writes the moved service at the end of its own TP.
    move(1, 0);  // within the first TP now: costs nothing
    const std::vector<std::string> kept = names(*document);
    prompts.yesNoAnswers = {true};
    ASSERT_EQ(document->SaveDefaultDatabaseAs(path), SaveResult::Saved);
    EXPECT_EQ(prompts.questions, (std::vector<std::string>{question, question}));
    EXPECT_EQ(document->Misplaced(), 1);
    EXPECT_FALSE(document->Store().IsModified());
    std::vector<std::string> expected(kept.begin(), kept.end() - 1);
    expected.insert(expected.begin() + firstTp - 1, kept.back());
    document = Loaded(ProjectType::ZUV_DVBS_V1, path);
    EXPECT_EQ(names(*document), expected);
    EXPECT_NE(expected, grouped);

    // Reopened, the order is grouped again: a move within a TP is saved without a question.
    move(0, firstTp - 1);
    const std::vector<std::string> withinTp = names(*document);
    ASSERT_EQ(document->SaveDefaultDatabase(), SaveResult::Saved);
    EXPECT_EQ(prompts.questions.size(), 2u);
    EXPECT_EQ(document->Misplaced(), 0);
    EXPECT_EQ(names(*Loaded(ProjectType::ZUV_DVBS_V1, path)), withinTp);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(DefaultFileTest, CompressedFileThatDoesNotFitIsNotWritten)
{
    // 2000 programs whose last 36 bytes (kept whole in the compact form) are random: more than
    // 0xFF00 bytes that zlib cannot shrink.
    const std::string image = MakeDemo(ProjectType::ZUV_DVBS_V4, "big.bin", DemoImageOptions{4, 8, 2000, 3});
    const auto document = NewDocument(ProjectType::ZUV_DVBS_V4);
    ASSERT_TRUE(document->OpenUserDatabase(image));
    std::uint32_t state = 99;
    for (std::int32_t slot : document->Store().Tree().FindRoot(TreeKind::AllServices)->Info()->programs.Programs()) {
        const std::span<std::uint8_t> record = document->Store().Record(NodeKind::Program, slot);
        for (std::uint8_t& b : record.last(36)) {
            state = state * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(state >> 24);
        }
    }
    // Into the image's default area (0x3FF80 bytes) it would still fit, but Save As refuses a file
    // that a default-database file's work area could not take back.
    const std::string big = folder.Path("big.df2");
    EXPECT_EQ(document->SaveAs(big), SaveResult::Failed);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].starts_with("The database is too large for a default database file"))
        << prompts.messages[0];
    EXPECT_FALSE(std::filesystem::exists(big));
    prompts.messages.clear();

    // Such a file made elsewhere opens, but is never written back cut.
    std::vector<std::uint8_t> stream(0x60000);
    const std::optional<std::size_t> length = document->GenerateDefaultDatabase(stream, true);
    ASSERT_TRUE(length);
    stream.resize(*length);
    const std::vector<std::uint8_t> bigBytes = Compressed(stream);
    ASSERT_GT(bigBytes.size(), 0xFF00u);
    Put(big, bigBytes);
    const auto loaded = Loaded(ProjectType::ZUV_DVBS_V4, big);
    const std::string target = folder.Path("again.df2");
    EXPECT_EQ(loaded->SaveDefaultDatabaseAs(target), SaveResult::Failed);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Compressed ERROR FFFFFFFB\n"}));
    EXPECT_FALSE(std::filesystem::exists(target));
    loaded->Store().SetModified(true);
    EXPECT_EQ(loaded->SaveDefaultDatabase(), SaveResult::Failed);
    EXPECT_EQ(Bytes(big), bigBytes);
    EXPECT_TRUE(loaded->Store().IsModified());
}

// A plain database larger than a default-database file's work area (0x2FF00 bytes), as a file
// made from an image's bigger default area.
TEST_F(DefaultFileTest, OpeningAFileNeverCutsItAndAnExplicitSaveSaysWhatWasLeftOut)
{
    const std::string image = MakeDemo(ProjectType::ZUV_DVBS_V1, "big.bin", DemoImageOptions{4, 8, 2400, 3});
    const std::vector<std::uint8_t> bytes = Bytes(image);
    const std::vector<std::uint8_t> area(bytes.begin() + test::kDefaultAreaStart,
                                         bytes.begin() + test::kDefaultAreaEnd);
    const std::string path = folder.Path("big.df2");
    Put(path, area);

    // Our own Save As refuses to make such a file.
    auto document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->OpenDefaultDatabase(image));
    EXPECT_EQ(document->SaveAs(folder.Path("copy.df2")), SaveResult::Failed);
    EXPECT_FALSE(std::filesystem::exists(folder.Path("copy.df2")));
    ASSERT_EQ(prompts.messages.size(), 1u);
    prompts.messages.clear();

    // The open command's rewrite would cut it: the file stays as it was, the document modified.
    document = NewDocument(ProjectType::ZUV_DVBS_V1);
    ASSERT_TRUE(document->Open(path));
    EXPECT_EQ(Bytes(path), area);
    EXPECT_TRUE(document->Store().IsModified());
    EXPECT_EQ(document->Store().Tree().FindRoot(TreeKind::AllServices)->Info()->programs.Size(), 2400);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"\"" + path + "\" was left as it was: it holds more than a "
                                                          "default database file takes, and saving it leaves out what "
                                                          "does not fit."}));
    EXPECT_TRUE(prompts.questions.empty());

    // An explicit save asks first, naming what it would leave out: No writes nothing, Yes writes
    // what fits.
    for (const bool agreed : {false, true}) {
        prompts.yesNoAnswers.push_back(agreed);
        EXPECT_EQ(document->SaveWithChunkChoice(), agreed ? SaveResult::Saved : SaveResult::NothingDone);
        EXPECT_EQ(document->Store().IsModified(), !agreed);
    }
    ASSERT_EQ(prompts.questions.size(), 2u);
    EXPECT_EQ(prompts.questions[1], prompts.questions[0]);
    const std::optional<CutCounts> leftOut = document->LeftOut();
    ASSERT_TRUE(leftOut);
    EXPECT_GT(leftOut->services, 0);
    EXPECT_EQ(prompts.questions[0], CutSaveText(path, *leftOut) + " Save without them?");
    EXPECT_TRUE(prompts.questions[0].starts_with("Saving \"big.df2\" would leave out ")) << prompts.questions[0];
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[1], "GenerateProgInfo : Out of Range\n" + std::to_string(leftOut->services)
                                       + " of 2400 services did not fit.");
    const std::vector<std::uint8_t> saved = Bytes(path);
    EXPECT_EQ(saved.size(), 0x2FF00u);
    const auto content = ReadDefaultStream(saved, schema, prompts);
    ASSERT_TRUE(content);
    EXPECT_EQ(content->ProgramCount(), 2400 - leftOut->services);
}

} // namespace
} // namespace torvane
