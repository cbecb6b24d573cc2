#include "editing/edit_session.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/document.h"
#include "support/edit_fixture.h"
#include "support/view_mirrors.h"

namespace torvane {
namespace {

using test::EditFixture;

// Everything undo must bring back, as the store and the window hold it.
struct Fingerprint {
    std::vector<std::uint8_t> region;  // the buffer itself
    std::vector<std::uint8_t> built;   // the region a save would write
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

// The program dialog with a new name and PIDs that pass its checks.
void FillProgram(ProgramForm& form, const std::string& name)
{
    form.EditText(ProgramControl::Name, name);
    for (ProgramControl pid : {ProgramControl::VideoPid, ProgramControl::AudioPid1, ProgramControl::PcrPid})
        form.EditText(pid, "100");
    ASSERT_TRUE(form.Ok());
}

// What a command case works with: the session on the fixture's document.
struct Editor {
    EditSession& session;

    Document& document() { return session.GetDocument(); }
    ChannelTree& tree() { return document().Store().Tree(); }
    TreeItem* All() { return tree().FindRoot(TreeKind::AllServices); }
    TreeItem* Sats() { return tree().FindRoot(TreeKind::SatelliteRoot); }
    TreeItem* Sat(int s) { return Sats()->Child(s); }
    TreeItem* Tp(int s, int t) { return Sat(s)->Child(t); }
    ChannelOperations& Channels() { return session.Operations(); }
    NavigatorCommands& Navigator() { return session.Navigator(); }

    // The user's choice before the command: an item of the navigator and a row of the list.
    void Select(TreeItem* item, int row)
    {
        session.SelectItem(item);
        document().List().SelectRow(row);
    }
    void ProgramDialog(std::unique_ptr<ProgramForm> form, const std::string& name)
    {
        ASSERT_TRUE(form);
        FillProgram(*form, name);
        Channels().Finish(*form);
    }
    void TpDialog(std::unique_ptr<NavigatorDialog> dialog, const std::string& frequency)
    {
        ASSERT_TRUE(dialog && dialog->Tp());
        dialog->Tp()->EditText(TpControl::Frequency, frequency);
        dialog->Tp()->EditText(TpControl::SymbolRate, "27500");
        ASSERT_TRUE(dialog->Tp()->Ok());
        ASSERT_NE(Navigator().Finish(*dialog), nullptr);
    }
    void SatelliteDialog(std::unique_ptr<NavigatorDialog> dialog, const std::string& name)
    {
        ASSERT_TRUE(dialog && dialog->Satellite());
        dialog->Satellite()->EditText(SatelliteControl::Name, name);
        dialog->Satellite()->EditText(SatelliteControl::Position, "7");
        ASSERT_TRUE(dialog->Satellite()->Ok());
        ASSERT_NE(Navigator().Finish(*dialog), nullptr);
    }
    // The demo's own satellites, TPs and programs as a default database merged in.
    void MergeItself()
    {
        std::vector<std::uint8_t> stream(0x20000);
        const std::optional<std::size_t> size = document().GenerateDefaultDatabase(stream, true);
        ASSERT_TRUE(size);
        stream.resize(*size);
        ASSERT_TRUE(document().ParseDefaultDatabase(stream));
    }
};

class EditSessionTest : public EditFixture {
protected:
    Fingerprint Take()
    {
        Fingerprint print;
        print.region.assign(demo.Image().Region().begin(), demo.Image().Region().end());
        print.built = demo.BuildRegion();
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

struct CommandCase {
    const char* name;
    std::function<void(Editor&)> prepare;
    std::function<void(Editor&)> command;
};

void PrintTo(const CommandCase& c, std::ostream* os)
{
    *os << c.name;
}

class EveryCommand : public EditSessionTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(EveryCommand, UndoRestoresExactlyAndRedoAppliesAgain)
{
    GetParam().prepare(editor);
    const Fingerprint before = Take();
    ASSERT_TRUE(session.Execute(GetParam().name, [this] { GetParam().command(editor); }));
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

const CommandCase kCommands[] = {
    {"Edit", [](Editor& e) { e.Select(e.Tp(0, 1), 2); },
     [](Editor& e) { e.ProgramDialog(e.Channels().BeginEdit(), "Edited"); }},
    {"Insert", [](Editor& e) { e.Select(e.Tp(1, 0), 1); },
     [](Editor& e) { e.ProgramDialog(e.Channels().BeginInsert(), "Inserted"); }},
    {"Append", [](Editor& e) { e.Select(e.Tp(2, 2), -1); },
     [](Editor& e) { e.ProgramDialog(e.Channels().BeginAppend(), "Appended"); }},
    {"DeleteOne", [](Editor& e) { e.Select(e.Tp(0, 0), 1); },
     [](Editor& e) {
         const int rows[] = {1};
         e.Channels().Delete(rows);
     }},
    {"DeleteMany", [](Editor& e) { e.Select(e.All(), 0); },
     [](Editor& e) {
         const int rows[] = {0, 5, 17, 30};
         e.Channels().Delete(rows);
     }},
    {"Up", [](Editor& e) { e.Select(e.Sat(1), 3); }, [](Editor& e) { e.Channels().MoveUp(); }},
    {"Down", [](Editor& e) { e.Select(e.Tp(2, 1), 0); }, [](Editor& e) { e.Channels().MoveDown(); }},
    {"MoveTo", [](Editor& e) { e.Select(e.All(), 3); }, [](Editor& e) { e.Channels().MoveTo(20); }},
    {"Switch", [](Editor& e) { e.Select(e.Tp(0, 2), 3); }, [](Editor& e) { e.Channels().SwitchWith(1); }},
    {"AddSatellite", [](Editor& e) { e.Select(e.Tp(0, 0), 0); },
     [](Editor& e) { e.SatelliteDialog(e.Navigator().BeginAdd(e.Sats()), "Added"); }},
    {"AddTp", [](Editor& e) { e.Select(e.Sat(2), 1); }, [](Editor& e) { e.TpDialog(e.Navigator().BeginAdd(e.Sat(2)), "12345"); }},
    {"EditSatellite", [](Editor& e) { e.Select(e.Sat(0), 1); },
     [](Editor& e) { e.SatelliteDialog(e.Navigator().BeginEdit(e.Sat(0)), "Renamed"); }},
    {"EditTp", [](Editor& e) { e.Select(e.Tp(1, 1), 0); },
     [](Editor& e) { e.TpDialog(e.Navigator().BeginEdit(e.Tp(1, 1)), "12600"); }},
    {"DeleteTp", [](Editor& e) { e.Select(e.Tp(1, 0), 2); }, [](Editor& e) { e.session.DeleteItem(e.Tp(1, 0)); }},
    {"DeleteSatellite", [](Editor& e) { e.Select(e.All(), 4); }, [](Editor& e) { e.session.DeleteItem(e.Sat(1)); }},
    {"TreeUp", [](Editor& e) { e.Select(e.Tp(0, 2), 0); }, [](Editor& e) { e.Navigator().MoveUp(e.Tp(0, 2)); }},
    {"TreeDown", [](Editor& e) { e.Select(e.Sat(0), 0); }, [](Editor& e) { e.Navigator().MoveDown(e.Sat(0)); }},
    {"TreeMove", [](Editor& e) { e.Select(e.Tp(2, 0), 0); }, [](Editor& e) { e.Navigator().MoveTo(e.Tp(2, 0), 3); }},
    {"MergeDefaultDatabase", [](Editor& e) { e.Select(e.Sat(2), 0); }, [](Editor& e) { e.MergeItself(); }},
};

INSTANTIATE_TEST_SUITE_P(Commands, EveryCommand, ::testing::ValuesIn(kCommands),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torvane
