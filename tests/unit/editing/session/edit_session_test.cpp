#include "editing/session/edit_session.h"

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "document/document.h"
#include "support/edit_fixture.h"
#include "support/session_editor.h"
#include "support/view_mirrors.h"

namespace torvane {
namespace {

using test::EditFixture;

// Everything undo must bring back, as the store and the window hold it.
struct Fingerprint {
    std::size_t region = 0;  // digest of the buffer itself
    std::size_t built = 0;   // digest of the region a save would write, 0 when building fails
    std::vector<TableHeader> tables;
    std::int32_t freeOffset = 0;
    std::vector<int> usedIds;  // sat_ids, then tp_ids + 65536
    TreeState tree;
    int current = -1;
    std::string list;
    int selected = -1;
    bool modified = false;

    bool operator==(const Fingerprint&) const = default;
};

std::size_t Digest(std::span<const std::uint8_t> bytes)
{
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// The fingerprint of a demo document and its list now.
Fingerprint TakeFingerprint(test::DemoDatabase& demo)
{
    NodeStore& store = demo.Store();
    const ServiceList& list = demo.GetDocument().List();
    Fingerprint print;
    print.region = Digest(demo.Image().Region());
    const std::vector<std::uint8_t> built = demo.BuildRegion();
    print.built = built.empty() ? 0 : Digest(built);
    for (NodeKind kind : {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program})
        print.tables.push_back(*demo.Image().Table(kind));
    print.freeOffset = store.FreeOffset();
    for (NodeKind pool : {NodeKind::Satellite, NodeKind::Tp}) {
        for (int id = 0; id < IdPool::kSize; ++id) {
            if (store.IsIdUsed(pool, id))
                print.usedIds.push_back(id + (pool == NodeKind::Tp ? IdPool::kSize : 0));
        }
    }
    print.tree = store.Tree().Snapshot();
    print.current = store.Tree().IndexOf(list.CurrentItem());
    print.list = list.Text();
    print.selected = list.SelectedRow();
    print.modified = store.IsModified();
    return print;
}

// What the document holds, without what the views show of it (the current item, the list, the
// selected row).
Fingerprint DocumentPart(Fingerprint print)
{
    print.current = -1;
    print.list.clear();
    print.selected = -1;
    return print;
}

// The document part with each program list as a set: showing an item lists its programs afresh
// in channel order, so the order of a list depends on which items were shown since.
Fingerprint ProgramSets(Fingerprint print)
{
    for (TreeItemState& item : print.tree) {
        std::vector<std::int32_t> programs(item.programs.Programs().begin(), item.programs.Programs().end());
        std::sort(programs.begin(), programs.end());
        item.programs = ProgramList::Of(programs);
    }
    return DocumentPart(std::move(print));
}

using Editor = test::SessionEditor;

class EditSessionTest : public EditFixture {
protected:
    Fingerprint Take() { return TakeFingerprint(demo); }

    // The views follow every change exactly.
    void ExpectMirrorsMatch()
    {
        EXPECT_TRUE(treeMirror.MatchesTree());
        EXPECT_TRUE(listMirror.MatchesList());
    }

    Editor editor{session};
    test::TreeMirror treeMirror{store.Tree()};
    test::ListMirror listMirror{list};
};

using CommandCase = test::EditCommandCase;

class EveryCommand : public EditSessionTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(EveryCommand, UndoRestoresExactlyAndRedoAppliesAgain)
{
    GetParam().prepare(editor);
    const Fingerprint before = Take();
    bool committed = false;
    ASSERT_TRUE(session.Execute(GetParam().name, [&] { committed = GetParam().command(editor); }));
    ASSERT_TRUE(committed);
    const Fingerprint after = Take();
    ASSERT_FALSE(after == before);
    EXPECT_EQ(session.UndoText(), GetParam().name);
    EXPECT_FALSE(session.IsClean());
    ExpectMirrorsMatch();

    session.Undo();
    EXPECT_TRUE(Take() == before) << "undo";
    EXPECT_EQ(session.RedoText(), GetParam().name);
    EXPECT_TRUE(session.IsClean());
    ExpectMirrorsMatch();

    const std::size_t messages = Messages().size();
    session.Redo();
    EXPECT_TRUE(Take() == after) << "redo";
    EXPECT_EQ(Messages().size(), messages) << "redo said something";
    ExpectMirrorsMatch();
    ExpectConsistent(false);
}

INSTANTIATE_TEST_SUITE_P(Commands, EveryCommand, ::testing::ValuesIn(test::EveryEditCommand()),
                         [](const auto& info) { return std::string(info.param.name); });


// One random command, kept as raw numbers that the state at the time turns into choices (an item
// of the navigator, a row, a target), so that the same command on the same state does the same.
struct RandomCommand {
    std::uint32_t kind = 0;
    std::uint32_t item = 0;
    std::uint32_t row = 0;
    std::uint32_t arg = 0;
    int serial = 0;  // makes names new
};

constexpr std::uint32_t kRandomKinds = 14;

// A satellite or TP dialog, whichever the command opened, filled and committed.
void TryNavigatorDialog(Editor& e, std::unique_ptr<NavigatorDialog> dialog, const RandomCommand& c)
{
    if (dialog && dialog->Satellite())
        e.SatelliteDialog(std::move(dialog), "S" + std::to_string(c.serial), std::to_string(c.arg % 180));
    else
        e.TpDialog(std::move(dialog), std::to_string(10700 + c.arg % 2000));
}

// The user's choice of item and row before the command.
void SelectFor(Editor& e, const RandomCommand& c)
{
    int items = 0;
    while (e.Tree().ItemAt(items))
        ++items;
    e.Session().SelectItem(e.Tree().ItemAt(static_cast<int>(c.item % static_cast<std::uint32_t>(items))));
    const auto rows = static_cast<std::uint32_t>(e.GetDocument().List().RowCount());
    e.GetDocument().List().SelectRow(static_cast<int>(c.row % (rows + 1)) - 1);  // -1: no row
}

// The command on the selection; choices the state does not allow are tried all the same (and
// must change nothing).
void RunRandom(Editor& e, const RandomCommand& c)
{
    TreeItem* item = e.GetDocument().List().CurrentItem();
    const int rows = e.GetDocument().List().RowCount();
    const int target = static_cast<int>(c.arg % static_cast<std::uint32_t>(rows + 2));
    switch (c.kind) {
    case 0: e.ProgramDialog(e.Channels().BeginEdit(), "E" + std::to_string(c.serial)); break;
    case 1: e.ProgramDialog(e.Channels().BeginInsert(), "I" + std::to_string(c.serial)); break;
    case 2: e.ProgramDialog(e.Channels().BeginAppend(), "A" + std::to_string(c.serial)); break;
    case 3: {
        std::set<int> picked;
        for (std::uint32_t bits = c.arg; rows > 0 && bits != 0; bits >>= 8)
            picked.insert(static_cast<int>(bits % static_cast<std::uint32_t>(rows)));
        const std::vector<int> chosen(picked.begin(), picked.end());
        e.Channels().Delete(chosen);
        break;
    }
    case 4: e.Channels().MoveUp(); break;
    case 5: e.Channels().MoveDown(); break;
    case 6: e.Channels().MoveTo(target); break;
    case 7: e.Channels().SwitchWith(target); break;
    case 8: TryNavigatorDialog(e, e.Navigator().BeginAdd(item), c); break;
    case 9: TryNavigatorDialog(e, e.Navigator().BeginEdit(item), c); break;
    case 10:
        // The navigator offers Delete on satellites and TPs only.
        if (item && item->Info() && (item->Info()->treeKind == TreeKind::Satellite || item->Info()->treeKind == TreeKind::Tp))
            e.Session().DeleteItem(item);
        break;
    case 11: e.Navigator().MoveUp(item); break;
    case 12: e.Navigator().MoveDown(item); break;
    default: e.Navigator().MoveTo(item, c.arg % 8); break;
    }
}

// A long random run of commands, undos and redos (fixed seed): after every action the views
// match, the built region parses back record for record, an undo brings back exactly the document
// as the step found it and a redo exactly as the step left it, a command that changed nothing
// left no step and the document as it was; at the end the document equals the surviving commands
// replayed on a fresh demo.
TEST_F(EditSessionTest, RandomCommandsUndoAndRedoAgreeWithAReplay)
{
    std::mt19937 engine(20261207);
    const auto random = [&engine] { return static_cast<std::uint32_t>(engine()); };
    // The document at each position of the history: as the step to it left it, and as the next
    // step found it (showing an item may have listed its programs afresh in between).
    struct Position {
        Fingerprint left;
        Fingerprint found;
    };
    std::vector<Position> positions{{DocumentPart(Take()), {}}};
    std::vector<RandomCommand> surviving;
    std::size_t at = 0;
    int steps = 0;
    int undos = 0;
    int redos = 0;
    for (int action = 0; action < 1500; ++action) {
        SCOPED_TRACE("action " + std::to_string(action));
        const std::uint32_t choice = random() % 10;
        Fingerprint expected;
        if (choice < 2 && session.CanUndo()) {
            session.Undo();
            expected = positions[--at].found;
            ++undos;
        } else if (choice == 2 && session.CanRedo()) {
            session.Redo();
            expected = positions[++at].left;
            ++redos;
        } else {
            RandomCommand command{random() % kRandomKinds, random(), random(), random(), action};
            SelectFor(editor, command);
            expected = DocumentPart(Take());
            if (session.Execute("Random", [&] { RunRandom(editor, command); })) {
                surviving.resize(at);
                surviving.push_back(command);
                positions.resize(at + 1);
                positions[at++].found = expected;
                expected = DocumentPart(Take());
                positions.push_back({expected, {}});
                ++steps;
            }
        }
        ASSERT_TRUE(DocumentPart(Take()) == expected) << "the document differs from the history's";
        ExpectMirrorsMatch();
        ExpectConsistent(false);
        ASSERT_FALSE(HasFailure());
    }
    // The run went everywhere it should: many steps, undos and redos, and further than the
    // history keeps.
    EXPECT_GE(steps, 400);
    EXPECT_GE(undos, 100);
    EXPECT_GE(redos, 30);
    EXPECT_GT(at, static_cast<std::size_t>(session.StepLimit()));

    test::DemoDatabase replay;
    ASSERT_TRUE(replay.IsReady());
    replay.GetDocument().List().SetupColumns(NodeKind::Program);
    EditSession replaySession(replay.GetDocument());
    Editor replayEditor{replaySession};
    for (std::size_t k = 0; k < at; ++k) {
        SelectFor(replayEditor, surviving[k]);
        ASSERT_TRUE(replaySession.Execute("Random", [&] { RunRandom(replayEditor, surviving[k]); })) << "command " << k;
    }
    EXPECT_TRUE(ProgramSets(TakeFingerprint(replay)) == ProgramSets(Take()));
}

} // namespace
} // namespace torvane
