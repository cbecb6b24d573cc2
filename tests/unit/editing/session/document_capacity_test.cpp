#include "document/document_capacity.h"

#include <string>

#include "editing/session/channel_operations.h"
#include "editing/session/navigator_commands.h"
#include "store/tree_node_info.h"
#include "support/document_fixture.h"

// The commands that add records stop where the document's own file is full: the records added up
// to the limit are all saved, the next one is refused with the limit, and one more added past the
// check would not have been saved whole, so the limit is neither too high nor too low.

namespace torvane {
namespace {

enum class Source { UserChunk, DefaultChunk, Df2File, DdfFile };

struct CapacityCase {
    const char* name;
    ProjectType type;
    Source source;
    int programs;  // in the demo image
    NodeKind adding;
    std::string record;  // as the refusal names one, and many
    std::string records;
    std::string place;
    int limit;
};

class DocumentCapacityTest : public test::DocumentTest, public ::testing::WithParamInterface<CapacityCase> {
protected:
    std::unique_ptr<Document> OpenSource(const CapacityCase& c)
    {
        const std::string image = MakeDemo(c.type, "demo.bin", {3, 3, c.programs, 7});
        auto document = NewDocument(c.type);
        if (c.source == Source::UserChunk) {
            EXPECT_TRUE(document->OpenUserDatabase(image));
            return document;
        }
        EXPECT_TRUE(document->OpenDefaultDatabase(image));
        if (c.source == Source::DefaultChunk)
            return document;
        const std::string file = folder.Path(c.source == Source::Df2File ? "demo.df2" : "demo.ddf");
        document->SetCutSaves(CutSaves::Allow);  // the demo's channel order is not grouped by TP
        EXPECT_EQ(document->SaveAs(file), SaveResult::Saved);
        document = NewDocument(c.type);
        EXPECT_TRUE(document->Open(file, Document::LoadedFile::Keep));
        return document;
    }

    // One record added through its command; false when the command opened no dialog.
    static bool Add(Document& document, ChannelOperations& operations, NavigatorCommands& navigator, NodeKind kind,
                    int number)
    {
        TreeItem* root = document.Store().Tree().FindRoot(TreeKind::SatelliteRoot);
        if (kind == NodeKind::Program) {
            document.SelectItem(root->Child(0)->Child(0));
            const std::unique_ptr<ProgramForm> form = operations.BeginAppend();
            if (!form)
                return false;
            // Three audio PIDs: the largest program the dialog makes.
            const std::pair<ProgramControl, const char*> values[] = {
                {ProgramControl::VideoPid, "100"}, {ProgramControl::AudioPid1, "101"},
                {ProgramControl::AudioPid2, "102"}, {ProgramControl::AudioPid3, "103"},
                {ProgramControl::PcrPid, "104"}};
            for (const auto& [control, text] : values)
                form->EditText(control, text);
            EXPECT_TRUE(form->Ok());
            return operations.Finish(*form);
        }
        const std::unique_ptr<NavigatorDialog> dialog =
            navigator.BeginAdd(kind == NodeKind::Satellite ? root : root->Child(0));
        if (!dialog)
            return false;
        if (kind == NodeKind::Satellite) {
            dialog->Satellite()->EditText(SatelliteControl::Name, "Added " + std::to_string(number));
            EXPECT_TRUE(dialog->Satellite()->Ok());
        } else {
            dialog->Tp()->EditText(TpControl::Frequency, std::to_string(3000 + number));
            dialog->Tp()->EditText(TpControl::SymbolRate, "27500");
            EXPECT_TRUE(dialog->Tp()->Ok());
        }
        return navigator.Finish(*dialog) != nullptr;
    }

    static int Count(Document& document, NodeKind kind)
    {
        const ChannelTree& tree = document.Store().Tree();
        if (kind == NodeKind::Program)
            return tree.FindRoot(TreeKind::AllServices)->Info()->programs.Size();
        const TreeItem* root = tree.FindRoot(TreeKind::SatelliteRoot);
        if (kind == NodeKind::Satellite)
            return root->ChildCount();
        int tps = 0;
        for (int i = 0; i < root->ChildCount(); ++i)
            tps += root->Child(i)->ChildCount();
        return tps;
    }

    // The save without questions into the chunk or file the database came from.
    static SaveResult Save(Document& document)
    {
        return document.ProductImagePath().empty() ? document.SaveDefaultDatabase() : document.Save();
    }
};

TEST_P(DocumentCapacityTest, FullAtTheLimitThatTheSaveHolds)
{
    const CapacityCase& c = GetParam();
    std::unique_ptr<Document> document = OpenSource(c);
    ASSERT_TRUE(document->IsOpen());
    prompts.messages.clear();
    const DocumentCapacity capacity(*document);
    const std::optional<int> room = capacity.Room(c.adding);
    ASSERT_TRUE(room);
    ASSERT_GT(*room, 0);
    ASSERT_LT(*room, 40) << "the demo is meant to be nearly full";
    const int before = Count(*document, c.adding);

    ChannelOperations operations(document->Store(), document->List());
    NavigatorCommands navigator(document->Store());
    operations.SetCapacity(&capacity);
    navigator.SetCapacity(&capacity);
    for (int i = 0; i < *room; ++i)
        ASSERT_TRUE(Add(*document, operations, navigator, c.adding, i)) << i;
    EXPECT_EQ(capacity.Room(c.adding), 0);
    EXPECT_FALSE(Add(*document, operations, navigator, c.adding, *room));
    const std::string limit = ": " + c.place + " holds at most " + std::to_string(c.limit) + " " + c.records + ".";
    EXPECT_EQ(before + *room, c.limit);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"No room for another " + c.record + limit}));
    EXPECT_EQ(capacity.Refusal(c.adding, 2), "No room for 2 more " + c.records + limit);

    // Everything up to the limit is saved and reads back.
    prompts.messages.clear();
    const std::string path = c.source == Source::UserChunk || c.source == Source::DefaultChunk
        ? document->ProductImagePath()
        : document->DefaultDatabasePath();
    ASSERT_EQ(Save(*document), SaveResult::Saved);
    EXPECT_EQ(prompts.messages, std::vector<std::string>{});
    auto reopened = NewDocument(c.type);
    ASSERT_TRUE(c.source == Source::UserChunk      ? reopened->OpenUserDatabase(path)
                : c.source == Source::DefaultChunk ? reopened->OpenDefaultDatabase(path)
                                                   : reopened->Open(path, Document::LoadedFile::Keep));
    EXPECT_EQ(Count(*reopened, c.adding), before + *room);

    // One more past the check does not fit the file.
    ChannelOperations unchecked(document->Store(), document->List());
    NavigatorCommands uncheckedNavigator(document->Store());
    ASSERT_TRUE(Add(*document, unchecked, uncheckedNavigator, c.adding, *room + 1));
    prompts.messages.clear();
    prompts.questions.clear();
    Save(*document);
    EXPECT_NE(prompts.messages.size() + prompts.questions.size(), 0u)
        << "the save held one record more than the limit without a word";
}

INSTANTIATE_TEST_SUITE_P(
    Files, DocumentCapacityTest,
    ::testing::Values(
        CapacityCase{"UserChunkPrograms", ProjectType::ZUV_DVBS_V4, Source::UserChunk, 3980, NodeKind::Program,
                     "program", "programs", "the user database of this image", 3993},
        CapacityCase{"UserChunkTps", ProjectType::ZUV_DVBS_V4, Source::UserChunk, 3993, NodeKind::Tp, "TP", "TPs",
                     "the user database of this image", 18},
        CapacityCase{"DefaultChunkSatellites", ProjectType::ZUV_DVBS_V2, Source::DefaultChunk, 2900,
                     NodeKind::Satellite, "satellite", "satellites", "the default database of this image", 4},
        CapacityCase{"Df2FilePrograms", ProjectType::ZUV_DVBS_V1, Source::Df2File, 2160, NodeKind::Program, "program",
                     "programs", "a default database file", 2172},
        CapacityCase{"DdfFileTps", ProjectType::ZUV_DVBS_V2, Source::DdfFile, 2220, NodeKind::Tp, "TP", "TPs",
                     "a default database file", 22}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torvane
