#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editing/session/channel_operations.h"
#include "editing/session/navigator_commands.h"
#include "support/edit_fixture.h"
#include "support/view_mirrors.h"

namespace torvane {
namespace {

using Log = std::vector<std::string>;

class ChangeNotifications : public test::EditFixture {
protected:
    void SetUp() override
    {
        EditFixture::SetUp();
        Expect("columns", {}, {"reset"});
    }

    // The notifications since the last check are exactly the ones given, and the mirrors built
    // from them show the tree and the list as they are.
    void Expect(const char* step, const Log& treeLog, const Log& listLog)
    {
        SCOPED_TRACE(step);
        EXPECT_EQ(treeMirror.TakeLog(), treeLog);
        EXPECT_EQ(listMirror.TakeLog(), listLog);
        EXPECT_TRUE(treeMirror.MatchesTree());
        EXPECT_TRUE(listMirror.MatchesList());
    }

    std::string Label(const TreeItem* item) { return "label " + item->Label(); }

    ChannelOperations operations{store, list};
    NavigatorCommands navigator{store};
    test::TreeMirror treeMirror{store.Tree()};
    test::ListMirror listMirror{list};
};

TEST_F(ChangeNotifications, EveryCommandTellsExactlyWhatChanged)
{
    const std::string sat0 = Satellite(0)->Label();
    const std::string sat1 = Satellite(1)->Label();

    Show(Tp(0, 0));
    list.SelectRow(2);
    Expect("show and select", {}, {"reset", "selection"});

    operations.MoveUp();
    Expect("move up", {}, {"changed 1..2", "selection"});
    operations.MoveTo(4);
    Expect("move to", {}, {"changed 1..3", "selection"});
    operations.SwitchWith(1);
    Expect("switch", {}, {"changed 0..3", "selection"});
    list.SelectRow(3);
    operations.SwitchWith(4);
    Expect("switch with itself", {}, {"selection"});

    std::unique_ptr<ProgramForm> form = operations.BeginEdit();
    form->EditText(ProgramControl::Name, "Renamed");
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(operations.Finish(*form));
    Expect("edit", {}, {"changed 3..3"});

    list.SelectRow(-1);
    form = operations.BeginAppend();
    for (ProgramControl pid : {ProgramControl::VideoPid, ProgramControl::AudioPid1, ProgramControl::PcrPid})
        form->EditText(pid, "100");
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(operations.Finish(*form));
    Expect("append", {}, {"selection", "reset"});
    const int rows[] = {0, 1};
    operations.Delete(rows);
    Expect("delete", {}, {"reset"});

    ASSERT_TRUE(navigator.MoveUp(Tp(0, 1)));
    Expect("tree up", {"move " + sat0 + " 1..1>0", Label(Tp(0, 0)), Label(Tp(0, 1))}, {});
    ASSERT_TRUE(navigator.MoveTo(Tp(1, 0), 3));
    Expect("tree move", {"move " + sat1 + " 1..1>0", "move " + sat1 + " 2..2>1", Label(Tp(1, 0)), Label(Tp(1, 1)),
                         Label(Tp(1, 2))},
           {});

    std::unique_ptr<NavigatorDialog> dialog = navigator.BeginAdd(Satellite(1));
    dialog->Tp()->EditText(TpControl::Frequency, "12000");
    dialog->Tp()->EditText(TpControl::SymbolRate, "27500");
    ASSERT_TRUE(dialog->Tp()->Ok());
    ASSERT_NE(navigator.Finish(*dialog), nullptr);
    Expect("tree add", {"+" + sat1 + " 3..3"}, {});

    dialog = navigator.BeginEdit(Satellite(2));
    dialog->Satellite()->EditText(SatelliteControl::Name, "Renamed");
    ASSERT_TRUE(dialog->Satellite()->Ok());
    ASSERT_NE(navigator.Finish(*dialog), nullptr);
    Expect("tree edit", {"label Renamed"}, {});

    Show(navigator.Delete(Tp(1, 0)));
    Expect("tree delete", {"-" + sat1 + " 0..0", Label(Tp(1, 0)), Label(Tp(1, 1)), Label(Tp(1, 2))}, {"reset"});

    list.SetServiceFilter(ServiceFilter::Tv);
    Expect("filter", {}, {"reset"});
    store.ClearTree();
    Expect("clear", {"reset"}, {"reset"});
}

} // namespace
} // namespace torvane
