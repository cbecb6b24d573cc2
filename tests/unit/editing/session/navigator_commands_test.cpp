#include "editing/session/navigator_commands.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/edit_fixture.h"
#include "support/store_fixture.h"
#include "editing/session/channel_operations.h"

namespace torvane {
namespace {

using test::DemoOptions;
using test::EditFixture;
using Labels = std::vector<std::string>;
using NC = NavigatorCommand;
using Commands = std::vector<NavigatorCommand>;

const Commands kMenuCommands = {NC::Edit,     NC::Add,    NC::Delete, NC::MoveUp, NC::MoveDown, NC::MoveTo,
                                NC::UpdateTpsFromTable, NC::AddSatelliteFromTable};

TEST(NavigatorContextMenu, EntriesInOrder)
{
    const std::vector<std::pair<std::string, int>> expected = {
        {"Edit ", 32774}, {"", 0}, {"Add  Information", 32775}, {"Delete Information", 32776}, {"", 0},
        {"Move Up", 32777}, {"Move Down", 32778}, {"Move Information", 32779}, {"", 0},
        {"Update TPs from Table\u2026", 32780}, {"Add Satellite from Table\u2026", 32781}};
    const auto menu = NavigatorContextMenu();
    ASSERT_EQ(menu.size(), expected.size());
    for (std::size_t i = 0; i < menu.size(); ++i) {
        EXPECT_EQ(menu[i].caption, expected[i].first);
        EXPECT_EQ(menu[i].commandId, expected[i].second);
    }
}

class Navigator : public EditFixture {
protected:
    Navigator() = default;
    explicit Navigator(const DemoOptions& options) : EditFixture(options) {}

    Commands Enabled(const TreeItem* item)
    {
        const MenuState<NavigatorCommand> state = NavigatorContextMenuState(item);
        Commands enabled;
        for (NC command : kMenuCommands) {
            if (state.IsEnabled(command))
                enabled.push_back(command);
        }
        return enabled;
    }

    int Live(NodeKind kind) { return demo.Image().Table(kind)->liveCount; }

    // A TP under the satellite through the dialog; nullptr when refused.
    TreeItem* AddTp(TreeItem* satellite, const std::string& frequency, int polarization, const std::string& symbolRate)
    {
        std::unique_ptr<NavigatorDialog> dialog = navigator.BeginAdd(satellite);
        EXPECT_TRUE(dialog && dialog->Tp());
        if (!dialog || !dialog->Tp())
            return nullptr;
        dialog->Tp()->EditText(TpControl::Frequency, frequency);
        dialog->Tp()->Select(TpControl::Polarization, polarization);
        dialog->Tp()->EditText(TpControl::SymbolRate, symbolRate);
        if (!dialog->Tp()->Ok())
            return nullptr;
        return navigator.Finish(*dialog);
    }

    NavigatorCommands navigator{store};
};

TEST_F(Navigator, MenuGreyingByKindAndPlace)
{
    EXPECT_FALSE(NavigatorContextMenuState(AllServices()).IsShown());
    EXPECT_FALSE(NavigatorContextMenuState(nullptr).IsShown());
    EXPECT_TRUE(NavigatorContextMenuState(SatelliteRoot()).IsShown());
    EXPECT_EQ(Enabled(SatelliteRoot()), (Commands{NC::Add, NC::AddSatelliteFromTable}));
    EXPECT_EQ(Enabled(Satellite(0)),
              (Commands{NC::Edit, NC::Add, NC::Delete, NC::MoveDown, NC::MoveTo, NC::UpdateTpsFromTable}));
    EXPECT_EQ(Enabled(Satellite(1)), (Commands{NC::Edit, NC::Add, NC::Delete, NC::MoveUp, NC::MoveDown, NC::MoveTo,
                                               NC::UpdateTpsFromTable}));
    EXPECT_EQ(Enabled(Satellite(2)),
              (Commands{NC::Edit, NC::Add, NC::Delete, NC::MoveUp, NC::MoveTo, NC::UpdateTpsFromTable}));
    EXPECT_EQ(Enabled(Tp(0, 0)), (Commands{NC::Edit, NC::Delete, NC::MoveDown, NC::MoveTo}));
    EXPECT_EQ(Enabled(Tp(0, 1)), (Commands{NC::Edit, NC::Delete, NC::MoveUp, NC::MoveDown, NC::MoveTo}));
}

TEST_F(Navigator, TheOnlyTpCannotMove)
{
    store.DeleteItem(Tp(2, 2));
    store.DeleteItem(Tp(2, 1));
    ASSERT_EQ(Satellite(2)->ChildCount(), 1);
    EXPECT_EQ(Enabled(Tp(2, 0)), (Commands{NC::Edit, NC::Delete}));
}

TEST_F(Navigator, ReservedKindsShowNoMenu)
{
    for (TreeKind kind : {TreeKind::Reserved1, TreeKind::Reserved5}) {
        auto info = std::make_unique<TreeNodeInfo>();
        info->treeKind = kind;
        TreeItem* item = store.Tree().AddChild(Satellite(0), std::move(info));
        EXPECT_FALSE(NavigatorContextMenuState(item).IsShown());
        EXPECT_FALSE(navigator.BeginAdd(item));
        EXPECT_FALSE(navigator.BeginEdit(item));
        EXPECT_EQ(navigator.Delete(item), nullptr);
        store.Tree().Remove(item);
    }
}

// --- Add and edit -------------------------------------------------------------------------------

TEST_F(Navigator, AddSatelliteAppendsAnItemForANewNode)
{
    std::unique_ptr<NavigatorDialog> dialog = navigator.BeginAdd(SatelliteRoot());
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(dialog->Satellite());
    EXPECT_TRUE(dialog->IsAdd());
    EXPECT_EQ(dialog->Record().parent, SatelliteRoot());
    dialog->Satellite()->EditText(SatelliteControl::Name, "Badr 26E");
    ASSERT_TRUE(dialog->Satellite()->Ok());
    TreeItem* item = navigator.Finish(*dialog);
    ASSERT_TRUE(item);
    EXPECT_EQ(SatelliteRoot()->ChildCount(), 4);
    EXPECT_EQ(SatelliteRoot()->Child(3), item);
    EXPECT_EQ(item->Label(), "Badr 26E");
    EXPECT_EQ(item->Info()->treeKind, TreeKind::Satellite);
    EXPECT_EQ(item->Info()->parent, SatelliteRoot());
    EXPECT_EQ(Live(NodeKind::Satellite), 4);
    EXPECT_EQ(Field(NodeKind::Satellite, item->Info()->slot, "satname"), "Badr 26E");
    EXPECT_TRUE(store.IsModified());
    ExpectConsistent(true);
}

TEST_F(Navigator, AddTpIsNumberedByItsPlace)
{
    TreeItem* item = AddTp(Satellite(1), "12000", 1, "27500");
    ASSERT_TRUE(item);
    EXPECT_EQ(Satellite(1)->Child(3), item);
    EXPECT_EQ(item->Label(), "[ 4 ]  TP_12000_V_27500");
    EXPECT_EQ(item->Info()->satId, Satellite(1)->Info()->satId);
    EXPECT_EQ(Field(NodeKind::Tp, item->Info()->slot, "sat_id"), std::to_string(Satellite(1)->Info()->satId));
    EXPECT_EQ(Live(NodeKind::Tp), 10);
    EXPECT_TRUE(store.IsModified());
    ExpectConsistent(true);
    // The same three values again clash under this satellite only.
    EXPECT_FALSE(AddTp(Satellite(1), "12000", 1, "27500"));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"TP Setting existed!"}));
    EXPECT_TRUE(AddTp(Satellite(0), "12000", 1, "27500"));
}

TEST_F(Navigator, CancelledAddLeavesNoItemAndNoNode)
{
    std::unique_ptr<NavigatorDialog> dialog = navigator.BeginAdd(Satellite(0));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->Record().tpId, 4);
    dialog->Tp()->EditText(TpControl::Frequency, "12000");
    dialog->Tp()->EditText(TpControl::SymbolRate, "27500");
    ASSERT_TRUE(dialog->Tp()->Ok());
    dialog->Tp()->Cancel();
    EXPECT_EQ(navigator.Finish(*dialog), nullptr);
    EXPECT_EQ(Satellite(0)->ChildCount(), 3);
    EXPECT_EQ(Live(NodeKind::Tp), 9);
    EXPECT_FALSE(store.IsModified());
}

TEST_F(Navigator, AddOnlyUnderTheSatelliteRootAndSatellites)
{
    EXPECT_FALSE(navigator.BeginAdd(AllServices()));
    EXPECT_FALSE(navigator.BeginAdd(Tp(0, 0)));
    EXPECT_FALSE(navigator.BeginAdd(nullptr));
    EXPECT_FALSE(navigator.BeginEdit(SatelliteRoot()));
    EXPECT_FALSE(navigator.BeginEdit(AllServices()));
}

class NavigatorFull : public Navigator {
protected:
    // No room for another record of any kind: the records take 6084 bytes of 0x17D0 once packed.
    NavigatorFull() : Navigator(DemoOptions{3, 3, 4, 0x17D0}) {}
};

TEST_F(NavigatorFull, NoRoomRefusesTheNewItemAndSaysSo)
{
    std::unique_ptr<NavigatorDialog> satellite = navigator.BeginAdd(SatelliteRoot());
    ASSERT_TRUE(satellite->Satellite()->Ok());
    EXPECT_EQ(navigator.Finish(*satellite), nullptr);
    EXPECT_EQ(SatelliteRoot()->ChildCount(), 3);

    EXPECT_EQ(AddTp(Satellite(0), "12000", 0, "27500"), nullptr);
    EXPECT_EQ(Satellite(0)->ChildCount(), 3);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"AllocNode for Satellite failed", "AllocNode for TP failed"}));
    EXPECT_EQ(Live(NodeKind::Satellite), 3);
    EXPECT_EQ(Live(NodeKind::Tp), 9);
    EXPECT_FALSE(store.IsModified());
}

TEST_F(Navigator, EditTpChangesItsLabel)
{
    std::unique_ptr<NavigatorDialog> dialog = navigator.BeginEdit(Tp(2, 2));
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->IsAdd());
    dialog->Tp()->EditText(TpControl::SymbolRate, "30000");
    ASSERT_TRUE(dialog->Tp()->Ok());
    EXPECT_EQ(navigator.Finish(*dialog), Tp(2, 2));
    EXPECT_EQ(Tp(2, 2)->Label(), "[ 3 ]  TP_10776_H_30000");
    EXPECT_TRUE(store.IsModified());
    ExpectConsistent(true);
}

TEST_F(Navigator, EditSatelliteWithoutChangesIsNoChange)
{
    std::unique_ptr<NavigatorDialog> dialog = navigator.BeginEdit(Satellite(1));
    ASSERT_TRUE(dialog && dialog->Satellite());
    ASSERT_TRUE(dialog->Satellite()->Ok());
    EXPECT_EQ(navigator.Finish(*dialog), Satellite(1));
    EXPECT_FALSE(store.IsModified());
}

// --- Delete -------------------------------------------------------------------------------------

TEST_F(Navigator, DeletingASatelliteReleasesItsTpsAndProgramsOnce)
{
    Show(Satellite(1));
    std::vector<int> kept;
    for (int s : {0, 2}) {
        Show(Satellite(s));
        for (int slot : RowSlots())
            kept.push_back(slot);
    }
    Show(Satellite(1));
    TreeItem* next = navigator.Delete(Satellite(1));

    EXPECT_EQ(next, Satellite(1)) << "the next sibling, now second";
    EXPECT_EQ(SatelliteRoot()->ChildCount(), 2);
    EXPECT_EQ(Live(NodeKind::Satellite), 2);
    EXPECT_EQ(Live(NodeKind::Tp), 6);
    EXPECT_EQ(Live(NodeKind::Program), 24);
    EXPECT_EQ(list.CurrentItem(), nullptr);
    for (int slot : kept)
        EXPECT_TRUE(store.IsLiveNode(NodeKind::Program, slot)) << slot;
    EXPECT_TRUE(Messages().empty()) << Messages().front();
    EXPECT_TRUE(store.IsModified());
    Show(AllServices());
    EXPECT_EQ(list.RowCount(), 24);
    ExpectConsistent(false);
}

TEST_F(Navigator, DeleteReleasesWhatTheNodesSayNotAStaleList)
{
    // The last program slot belongs to the last TP of satellite 2.
    Show(AllServices());
    const std::vector<int> slots = RowSlots();
    const int last = *std::max_element(slots.begin(), slots.end());
    const int row = static_cast<int>(std::find(slots.begin(), slots.end(), last) - slots.begin());
    const int rows[] = {row};
    ChannelOperations operations(store, list);
    operations.Delete(rows);
    ASSERT_FALSE(store.IsLiveNode(NodeKind::Program, last));

    // A program appended to satellite 0 takes the freed slot again.
    Show(Tp(0, 0));
    std::unique_ptr<ProgramForm> form = operations.BeginAppend();
    form->EditText(ProgramControl::ServiceId, "1");
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(operations.Finish(*form));
    ASSERT_EQ(form->CommittedSlot(), last);

    // Satellite 2's lists still name that slot from before.
    navigator.Delete(Satellite(2));
    EXPECT_TRUE(store.IsLiveNode(NodeKind::Program, last));
    EXPECT_EQ(Live(NodeKind::Program), 36 - 1 + 1 - 11);
    Show(Tp(0, 0));
    EXPECT_EQ(RowSlots().back(), last);
    ExpectConsistent(false);
}

TEST_F(Navigator, DeletingATpRenumbersItsNeighbours)
{
    Show(Tp(0, 1));
    const std::vector<int> programs = RowSlots();
    ASSERT_EQ(programs.size(), 4u);
    TreeItem* next = navigator.Delete(Tp(0, 1));
    EXPECT_EQ(next, Tp(0, 1));
    EXPECT_EQ(Labels({Tp(0, 0)->Label(), Tp(0, 1)->Label()}),
              (Labels{"[ 1 ]  TP_10700_H_22000", "[ 2 ]  TP_10774_H_23000"}));
    for (int slot : programs)
        EXPECT_FALSE(store.IsLiveNode(NodeKind::Program, slot));
    EXPECT_EQ(Live(NodeKind::Program), 32);
    EXPECT_EQ(Live(NodeKind::Tp), 8);
    EXPECT_TRUE(store.IsModified());
    ExpectConsistent(false);
}

TEST_F(Navigator, DeletingTheLastTpSelectsThePreviousOne)
{
    TreeItem* second = Tp(1, 1);
    EXPECT_EQ(navigator.Delete(Tp(1, 2)), second);
    EXPECT_EQ(navigator.Delete(Tp(1, 0)), second) << "the next sibling";
    EXPECT_EQ(navigator.Delete(second), Satellite(1)) << "the only child: its parent";
}

TEST_F(Navigator, TpWithoutParentItemIsReleasedAndReported)
{
    auto info = std::make_unique<TreeNodeInfo>();
    info->treeKind = TreeKind::Tp;
    info->slot = Tp(0, 0)->Info()->slot;
    store.Tree().Remove(Tp(0, 0));
    TreeItem* orphan = store.Tree().AddTopLevel(std::move(info));
    EXPECT_EQ(navigator.Delete(orphan), nullptr);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Sat item : 0x0"}));
    EXPECT_EQ(Live(NodeKind::Tp), 8);
    EXPECT_EQ(store.Tree().TopLevelCount(), 2);
}

TEST_F(Navigator, RootsAreNotDeleted)
{
    EXPECT_EQ(navigator.Delete(SatelliteRoot()), nullptr);
    EXPECT_EQ(navigator.Delete(AllServices()), nullptr);
    EXPECT_EQ(store.Tree().TopLevelCount(), 2);
    EXPECT_EQ(Live(NodeKind::Satellite), 3);
    EXPECT_FALSE(store.IsModified());
}

// --- Moves --------------------------------------------------------------------------------------

TEST_F(Navigator, MovingTheThirdTpToPlaceOne)
{
    const Labels before = {Tp(2, 0)->Label(), Tp(2, 1)->Label(), Tp(2, 2)->Label()};
    TreeItem* third = Tp(2, 2);
    const std::optional<MoveInformation> prompt = navigator.BeginMoveTo(third);
    ASSERT_TRUE(prompt);
    EXPECT_EQ(prompt->InitialText(), "0");
    EXPECT_TRUE(navigator.MoveTo(third, 1));
    EXPECT_EQ(Tp(2, 0), third);
    EXPECT_EQ(Labels({Tp(2, 0)->Label(), Tp(2, 1)->Label(), Tp(2, 2)->Label()}),
              (Labels{"[ 1 ]  TP_10776_H_23000", "[ 2 ]  TP_10702_H_22000", "[ 3 ]  TP_10739_V_22500"}));
    EXPECT_EQ(before[2], "[ 3 ]  TP_10776_H_23000");
    EXPECT_TRUE(store.IsModified());
    ExpectConsistent(true);
}

TEST_F(Navigator, MovingASatelliteChangesTheStoredOrder)
{
    TreeItem* first = Satellite(0);
    EXPECT_TRUE(navigator.MoveTo(first, 3));
    EXPECT_EQ(Satellite(2), first);
    EXPECT_TRUE(navigator.MoveUp(first));
    EXPECT_EQ(Satellite(1), first);
    EXPECT_TRUE(navigator.MoveDown(first));
    EXPECT_EQ(Satellite(2), first);
    ExpectConsistent(true);
}

struct TargetCase {
    const char* name;
    std::uint32_t number;
    std::vector<std::string> messages;
};

class MoveTargets : public Navigator, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(MoveTargets, OutsideTheSiblingsOrOnItself)
{
    const TargetCase& c = GetParam();
    const Labels before = {Tp(1, 0)->Label(), Tp(1, 1)->Label(), Tp(1, 2)->Label()};
    EXPECT_FALSE(navigator.MoveTo(Tp(1, 1), c.number));
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_EQ(Labels({Tp(1, 0)->Label(), Tp(1, 1)->Label(), Tp(1, 2)->Label()}), before);
    EXPECT_FALSE(store.IsModified());
}

INSTANTIATE_TEST_SUITE_P(Numbers, MoveTargets,
                         ::testing::Values(TargetCase{"Zero", 0, {"Target doesn't exist!"}},
                                           TargetCase{"BeyondTheLast", 4, {"Target doesn't exist!"}},
                                           TargetCase{"Largest", 4294967295u, {"Target doesn't exist!"}},
                                           TargetCase{"Itself", 2, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Navigator, MovesAtTheEndsDoNothing)
{
    EXPECT_FALSE(navigator.MoveUp(Tp(0, 0)));
    EXPECT_FALSE(navigator.MoveDown(Tp(0, 2)));
    EXPECT_FALSE(navigator.MoveUp(SatelliteRoot()));
    EXPECT_FALSE(navigator.BeginMoveTo(SatelliteRoot()));
    EXPECT_FALSE(store.IsModified());
    EXPECT_TRUE(navigator.MoveDown(Tp(0, 0)));
    EXPECT_EQ(Tp(0, 1)->Label(), "[ 2 ]  TP_10700_H_22000");
}

// A damaged image: satellites 0 and 1 share sat_id 5, TPs 0 and 1 share tp_id 20. The first item
// with an id owns its nodes; deleting a twin, even one moved in front of its owner, releases no
// node that another item shows.
class SharedIds : public test::StoreFixture {};

TEST_F(SharedIds, DeleteReleasesOnlyTheItemsOwnPrograms)
{
    AddSatellite(5, "Astra");
    const int twinSlot = AddSatellite(5, "Twin");
    const int t0 = AddTp(20, 5, 11000);
    const int t1 = AddTp(20, 5, 12000);
    const int t2 = AddTp(21, 5, 13000);
    const int p0 = AddProgram(5, 20, 0);
    const int p1 = AddProgram(5, 21, 1);
    const int p2 = AddProgram(5, 20, 2);
    store.BuildTreeFromImage();
    TreeItem* owner = store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0);
    TreeItem* twin = store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(1);
    ASSERT_EQ(owner->ChildCount(), 3);
    TreeItem* tpOwner = owner->Child(0);
    TreeItem* tpTwin = owner->Child(1);
    EXPECT_EQ(ProgramsOf(tpOwner->Info()->programs), (std::vector<std::int32_t>{p0, p2}));
    EXPECT_EQ(tpTwin->Info()->programs.Count(), 0) << "a program is listed under one TP only";

    NavigatorCommands navigator(store);
    const auto live = [this](NodeKind kind, std::vector<int> slots) {
        for (const int slot : slots)
            EXPECT_TRUE(store.IsLiveNode(kind, slot)) << slot;
    };
    navigator.Delete(twin);
    EXPECT_FALSE(store.IsLiveNode(NodeKind::Satellite, twinSlot));
    live(NodeKind::Tp, {t0, t1, t2});
    live(NodeKind::Program, {p0, p1, p2});

    ASSERT_TRUE(navigator.MoveUp(tpTwin));
    navigator.Delete(tpTwin);
    EXPECT_FALSE(store.IsLiveNode(NodeKind::Tp, t1));
    live(NodeKind::Program, {p0, p1, p2});
    EXPECT_EQ(ProgramsOf(tpOwner->Info()->programs), (std::vector<std::int32_t>{p0, p2}));

    navigator.Delete(tpOwner);
    EXPECT_FALSE(store.IsLiveNode(NodeKind::Program, p0));
    EXPECT_FALSE(store.IsLiveNode(NodeKind::Program, p2));
    live(NodeKind::Program, {p1});
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
} // namespace torvane
