#include "editing/session/channel_operations.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/edit_fixture.h"
#include "editing/session/create_program.h"
#include "editing/session/navigator_commands.h"

namespace torvane {
namespace {

using test::DemoOptions;
using test::EditFixture;
using Ints = std::vector<int>;

DemoOptions FivePerTp()
{
    DemoOptions options;
    options.programsPerTp = 5;
    return options;
}

// A TP list of five programs holding the order numbers 10 … 14 in list order, in a database of
// 45 programs numbered 0 … 44.
class FiveRowTp : public EditFixture {
protected:
    FiveRowTp() : EditFixture(FivePerTp()) {}

    void SetUp() override
    {
        EditFixture::SetUp();
        GiveOrders(Tp(1, 1), {10, 11, 12, 13, 14});
        store.SetModified(false);
        programs = RowSlots();
        ASSERT_EQ(RowOrders(), (Ints{10, 11, 12, 13, 14}));
        others = OtherOrders();
    }

    // Hands the programs of item's list (in list order) the given order numbers, taking them
    // from the programs that held them.
    void GiveOrders(TreeItem* item, const Ints& orders)
    {
        Show(item);
        const Ints slots = RowSlots();
        ASSERT_EQ(slots.size(), orders.size());
        for (std::size_t i = 0; i < slots.size(); ++i) {
            for (int holder : LivePrograms()) {
                if (store.OrderOf(holder) == orders[i]) {
                    ASSERT_TRUE(store.SwapOrders(slots[i], holder));
                }
            }
        }
        Show(item);
    }

    // The order numbers of the programs outside the TP, by slot.
    std::map<int, int> OtherOrders()
    {
        std::map<int, int> orders;
        for (int slot : LivePrograms()) {
            if (std::find(programs.begin(), programs.end(), slot) == programs.end())
                orders[slot] = store.OrderOf(slot).value_or(-1);
        }
        return orders;
    }

    // The program of each row, as the order number it had before (10 … 14).
    Ints RowsByOldOrder()
    {
        Ints old;
        for (int slot : RowSlots())
            old.push_back(10 + static_cast<int>(std::find(programs.begin(), programs.end(), slot) - programs.begin()));
        return old;
    }

    Ints programs;
    std::map<int, int> others;
};

enum class Op { MoveUp, MoveDown, MoveTo, Switch };

struct MoveCase {
    const char* name;
    Op op;
    int selected;  // 0-based row
    int target;    // 1-based, for MoveTo and Switch
    Ints programsByOldOrder;
    int selectedAfter;
};

class Moves : public FiveRowTp, public ::testing::WithParamInterface<MoveCase> {};

void RunOp(ChannelOperations& operations, Op op, int target)
{
    switch (op) {
    case Op::MoveUp:
        operations.MoveUp();
        break;
    case Op::MoveDown:
        operations.MoveDown();
        break;
    case Op::MoveTo:
        operations.MoveTo(target);
        break;
    case Op::Switch:
        operations.SwitchWith(target);
        break;
    }
}

TEST_P(Moves, ProgramsChangePlacesAndTheNumbersStayInRowOrder)
{
    const MoveCase& c = GetParam();
    ChannelOperations operations(store, list);
    list.SelectRow(c.selected);
    RunOp(operations, c.op, c.target);

    EXPECT_EQ(RowsByOldOrder(), c.programsByOldOrder);
    EXPECT_EQ(RowOrders(), (Ints{10, 11, 12, 13, 14}));
    EXPECT_EQ(list.SelectedRow(), c.selectedAfter);
    EXPECT_TRUE(store.IsModified());
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(OtherOrders(), others);
    // The rewritten rows show their programs.
    for (int row = 0; row < list.RowCount(); ++row)
        EXPECT_EQ(RowNames()[static_cast<std::size_t>(row)], Name(SlotOfRow(row))) << row;
    // What the list shows after the edit is what it shows when built afresh.
    const Ints shown = RowSlots();
    Show(Tp(1, 1));
    EXPECT_EQ(RowSlots(), shown);
    ExpectConsistent(true);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Moves,
    ::testing::Values(MoveCase{"MoveFirstToLast", Op::MoveTo, 0, 5, {11, 12, 13, 14, 10}, 4},
                      MoveCase{"MoveLastToFirst", Op::MoveTo, 4, 1, {14, 10, 11, 12, 13}, 0},
                      MoveCase{"MoveSecondToFourth", Op::MoveTo, 1, 4, {10, 12, 13, 11, 14}, 3},
                      MoveCase{"MoveFourthToSecond", Op::MoveTo, 3, 2, {10, 13, 11, 12, 14}, 1},
                      MoveCase{"MoveToNeighbour", Op::MoveTo, 2, 4, {10, 11, 13, 12, 14}, 3},
                      MoveCase{"SwitchSecondAndFourth", Op::Switch, 1, 4, {10, 13, 12, 11, 14}, 3},
                      MoveCase{"SwitchLastAndFirst", Op::Switch, 4, 1, {14, 11, 12, 13, 10}, 0},
                      MoveCase{"MoveUpThird", Op::MoveUp, 2, 0, {10, 12, 11, 13, 14}, 1},
                      MoveCase{"MoveUpLast", Op::MoveUp, 4, 0, {10, 11, 12, 14, 13}, 3},
                      MoveCase{"MoveDownThird", Op::MoveDown, 2, 0, {10, 11, 13, 12, 14}, 3},
                      MoveCase{"MoveDownFirst", Op::MoveDown, 0, 0, {11, 10, 12, 13, 14}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusedCase {
    const char* name;
    Op op;
    int selected;
    int target;
    std::vector<std::string> messages;
};

class RefusedMoves : public FiveRowTp, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedMoves, ChangeNothing)
{
    const RefusedCase& c = GetParam();
    ChannelOperations operations(store, list);
    list.SelectRow(c.selected);
    RunOp(operations, c.op, c.target);

    EXPECT_EQ(Messages(), c.messages);
    EXPECT_EQ(RowSlots(), programs);
    EXPECT_EQ(RowOrders(), (Ints{10, 11, 12, 13, 14}));
    EXPECT_EQ(list.SelectedRow(), c.selected);
    EXPECT_FALSE(store.IsModified());
    ExpectConsistent(true);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedMoves,
    ::testing::Values(RefusedCase{"MoveToZero", Op::MoveTo, 1, 0, {"Invalid index"}},
                      RefusedCase{"MoveToNegative", Op::MoveTo, 1, -1, {"Invalid index"}},
                      RefusedCase{"MoveBeyondLastRow", Op::MoveTo, 1, 6, {"Invalid index"}},
                      RefusedCase{"MoveToItself", Op::MoveTo, 2, 3, {"Same to index selected"}},
                      RefusedCase{"SwitchWithZero", Op::Switch, 0, 0, {"Invalid index"}},
                      RefusedCase{"SwitchBeyondLastRow", Op::Switch, 0, 6, {"Invalid index"}},
                      RefusedCase{"SwitchWithItself", Op::Switch, 4, 5, {"Same to index selected"}},
                      RefusedCase{"MoveUpFirstRow", Op::MoveUp, 0, 0, {}},
                      RefusedCase{"MoveDownLastRow", Op::MoveDown, 4, 0, {}},
                      RefusedCase{"MoveToWithoutSelection", Op::MoveTo, -1, 2, {}},
                      RefusedCase{"SwitchWithoutSelection", Op::Switch, -1, 2, {}},
                      RefusedCase{"MoveUpWithoutSelection", Op::MoveUp, -1, 0, {}},
                      RefusedCase{"MoveDownWithoutSelection", Op::MoveDown, -1, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FiveRowTp, IndexPromptsOnlyWithASelection)
{
    ChannelOperations operations(store, list);
    EXPECT_FALSE(operations.BeginMoveTo());
    EXPECT_FALSE(operations.BeginSwitch());
    list.SelectRow(2);
    const std::optional<IndexPrompt> move = operations.BeginMoveTo();
    ASSERT_TRUE(move);
    EXPECT_EQ(move->caption, "Move Service Information");
    EXPECT_EQ(move->InitialText(), "1");
    EXPECT_TRUE(move->caretAtStart);
    ASSERT_TRUE(operations.BeginSwitch());
    EXPECT_EQ(operations.BeginSwitch()->caption, "Switch Service Information");
}

TEST_F(FiveRowTp, SharedNumberInTheRangeStopsTheMoveBeforeAnythingChanges)
{
    // Rows 2 and 4 share a number (a database the store's own operations never make).
    ASSERT_TRUE(store.SetOrder(programs[3], 11));
    ChannelOperations operations(store, list);
    list.SelectRow(0);
    operations.MoveTo(5);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Order Error!"}));
    EXPECT_EQ(RowSlots(), programs);
    EXPECT_EQ(OrdersOf(programs), (Ints{10, 11, 12, 11, 14}));
    EXPECT_FALSE(store.IsModified());
}

// --- Filtered rows ------------------------------------------------------------------------------

class FilteredRows : public FiveRowTp {
protected:
    void SetUp() override
    {
        FiveRowTp::SetUp();
        // Along the list: TV, radio, TV, radio, TV.
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Program, programs[static_cast<std::size_t>(i)],
                                                  "Service Type", i % 2 ? "0" : "1"));
        store.SetModified(false);
        list.SetFilter(ServiceFilter::Tv);
        Show(Tp(1, 1));
        ASSERT_EQ(RowSlots(), (Ints{programs[0], programs[2], programs[4]}));
    }
};

TEST_F(FilteredRows, MoveDownExchangesTwoProgramsThatAreNoNeighbours)
{
    ChannelOperations operations(store, list);
    list.SelectRow(0);
    operations.MoveDown();
    EXPECT_EQ(RowSlots(), (Ints{programs[2], programs[0], programs[4]}));
    EXPECT_EQ(RowOrders(), (Ints{10, 12, 14}));
    // The radio programs between keep their places and numbers.
    EXPECT_EQ(OrdersOf({programs[1], programs[3]}), (Ints{11, 13}));
    EXPECT_EQ(list.SelectedRow(), 1);
    list.SetFilter(ServiceFilter::TvAndRadio);
    Show(Tp(1, 1));
    EXPECT_EQ(RowSlots(), (Ints{programs[2], programs[1], programs[0], programs[3], programs[4]}));
    ExpectConsistent(true);
}

TEST_F(FilteredRows, MoveToShiftsTheHiddenProgramsOfTheRangeToo)
{
    ChannelOperations operations(store, list);
    list.SelectRow(0);
    operations.MoveTo(3);
    EXPECT_EQ(RowSlots(), (Ints{programs[2], programs[4], programs[0]}));
    EXPECT_EQ(list.SelectedRow(), 2);
    list.SetFilter(ServiceFilter::TvAndRadio);
    Show(Tp(1, 1));
    EXPECT_EQ(RowSlots(), (Ints{programs[1], programs[2], programs[3], programs[4], programs[0]}));
    EXPECT_EQ(RowOrders(), (Ints{10, 11, 12, 13, 14}));
    ExpectConsistent(true);
}

TEST_F(FilteredRows, SwitchLeavesTheProgramsBetweenAlone)
{
    ChannelOperations operations(store, list);
    list.SelectRow(2);
    operations.SwitchWith(1);
    EXPECT_EQ(RowSlots(), (Ints{programs[4], programs[2], programs[0]}));
    EXPECT_EQ(RowOrders(), (Ints{10, 12, 14}));
    EXPECT_EQ(OrdersOf({programs[1], programs[3]}), (Ints{11, 13}));
    ExpectConsistent(true);
}

// --- Delete -------------------------------------------------------------------------------------

class DeleteFromFive : public EditFixture {
protected:
    DeleteFromFive() : EditFixture(DemoOptions{1, 1, 5, 0xA0000}) {}
};

TEST_F(DeleteFromFive, DeletingTwoLeavesNumbersWithoutGaps)
{
    Show(Tp(0, 0));
    ASSERT_EQ(RowOrders(), (Ints{0, 1, 2, 3, 4}));
    const Ints before = RowSlots();
    ChannelOperations operations(store, list);
    const int rows[] = {3, 1};
    operations.Delete(rows);

    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(RowSlots(), (Ints{before[0], before[2], before[4]}));
    EXPECT_EQ(RowOrders(), (Ints{0, 1, 2}));
    EXPECT_EQ(LivePrograms().size(), 3u);
    EXPECT_TRUE(store.IsModified());
    EXPECT_EQ(AllServices()->Info()->programs.Size(), 3);
    EXPECT_EQ(Tp(0, 0)->Info()->programs.Count(), 3);
    ExpectConsistent(true);
}

TEST_F(EditFixture, DeletingFromAllServicesRenumbersTheWholeDatabase)
{
    Show(AllServices());
    const Ints before = RowSlots();
    ChannelOperations operations(store, list);
    const int rows[] = {0, 17, 35};
    operations.Delete(rows);
    Ints expected = before;
    expected.erase(expected.begin() + 35);
    expected.erase(expected.begin() + 17);
    expected.erase(expected.begin());
    EXPECT_EQ(RowSlots(), expected);
    EXPECT_EQ(list.RowCount(), 33);
    ExpectConsistent(true);
    // The satellites' and TPs' lists show what is left.
    for (int s = 0; s < 3; ++s) {
        for (int t = 0; t < 3; ++t) {
            Show(Tp(s, t));
            for (int slot : RowSlots())
                EXPECT_TRUE(store.IsLiveNode(NodeKind::Program, slot));
        }
    }
}

struct DeleteFailureCase {
    const char* name;
    std::string message;
};

class DeleteFailures : public DeleteFromFive, public ::testing::WithParamInterface<DeleteFailureCase> {};

TEST_P(DeleteFailures, EndTheCommandKeepingWhatWasDeleted)
{
    Show(Tp(0, 0));
    const Ints before = RowSlots();
    const TreeNodeInfo* owner = Tp(0, 0)->Info();
    TreeNodeInfo empty;
    const ListRowInfo good{1, owner};
    const std::map<std::string, ListRowInfo> bad = {
        {"del failed 2", ListRowInfo{2, nullptr}},
        {"del failed 3", ListRowInfo{5, owner}},
        {"del failed 4", ListRowInfo{-1, &empty}},
    };
    const ListRowInfo* badRow = nullptr;
    if (const auto it = bad.find(GetParam().message); it != bad.end())
        badRow = &it->second;
    const ListRowInfo* rows[] = {&good, badRow, &good};
    ChannelOperations(store, list).DeletePrograms(rows);

    EXPECT_EQ(Messages(), (std::vector<std::string>{GetParam().message}));
    EXPECT_FALSE(store.IsLiveNode(NodeKind::Program, before[1]));
    EXPECT_EQ(LivePrograms().size(), 4u);
    EXPECT_TRUE(store.IsModified());
    EXPECT_EQ(list.RowCount(), 5) << "the rows are not refreshed";
    ExpectConsistent(false);
}

INSTANTIATE_TEST_SUITE_P(Rows, DeleteFailures,
                         ::testing::Values(DeleteFailureCase{"NoRecord", "del failed 1"},
                                           DeleteFailureCase{"NoOwner", "del failed 2"},
                                           DeleteFailureCase{"PositionBeyondTheList", "del failed 3"},
                                           DeleteFailureCase{"OwnerWithoutList", "del failed 4"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeleteFromFive, ANegativePositionIsRefusedLikeOneBeyondTheList)
{
    Show(Tp(0, 0));
    const ListRowInfo row{-1, Tp(0, 0)->Info()};
    const ListRowInfo* rows[] = {&row};
    ChannelOperations(store, list).DeletePrograms(rows);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"del failed 3"}));
    EXPECT_EQ(LivePrograms().size(), 5u);
    EXPECT_FALSE(store.IsModified());
}

TEST_F(DeleteFromFive, ARowThatDoesNotExistHasNoRecord)
{
    Show(Tp(0, 0));
    const int rows[] = {7};
    ChannelOperations(store, list).Delete(rows);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"del failed 1"}));
    EXPECT_FALSE(store.IsModified());
}

TEST_F(DeleteFromFive, NoRowsDeleteNothing)
{
    Show(Tp(0, 0));
    ChannelOperations(store, list).Delete({});
    EXPECT_EQ(LivePrograms().size(), 5u);
    EXPECT_FALSE(store.IsModified());
}

// --- Insert and append --------------------------------------------------------------------------

class InsertIntoTen : public EditFixture {
protected:
    // Two TPs of five programs: order numbers 0 … 9 in the database.
    InsertIntoTen() : EditFixture(DemoOptions{1, 2, 5, 0xA0000}) {}

    // Opens the dialog with op, names the program and accepts it.
    int Accept(std::unique_ptr<ProgramForm> form, const std::string& name)
    {
        EXPECT_TRUE(form);
        if (!form)
            return -1;
        form->EditText(ProgramControl::Name, name);
        form->EditText(ProgramControl::ServiceId, "77");
        EXPECT_TRUE(form->Ok());
        EXPECT_TRUE(ChannelOperations(store, list).Finish(*form));
        return form->CommittedSlot();
    }
};

TEST_F(InsertIntoTen, InsertedProgramTakesTheNumberOfItsRowAndTheLastGetsTen)
{
    Show(Tp(0, 1));
    const Ints before = RowSlots();
    const Ints orders = RowOrders();
    list.SelectRow(2);
    ChannelOperations operations(store, list);
    std::unique_ptr<ProgramForm> form = operations.BeginInsert();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->Mode(), ProgramMode::Insert);
    const int slot = Accept(std::move(form), "Inserted");

    EXPECT_EQ(RowSlots(), (Ints{before[0], before[1], slot, before[2], before[3], before[4]}));
    EXPECT_EQ(RowOrders(), (Ints{orders[0], orders[1], orders[2], orders[3], orders[4], 10}));
    EXPECT_EQ(RowNames()[2], "Inserted");
    EXPECT_EQ(Field(NodeKind::Program, slot, "tp_id"), std::to_string(Tp(0, 1)->Info()->tpId));
    EXPECT_EQ(Field(NodeKind::Program, slot, "sat_id"), std::to_string(Satellite(0)->Info()->satId));
    EXPECT_TRUE(store.IsModified());
    EXPECT_TRUE(Messages().empty());
    // The satellite's list is built again and holds the new program.
    Show(Satellite(0));
    EXPECT_EQ(list.RowCount(), 11);
    ExpectConsistent(true);
}

TEST_F(InsertIntoTen, AppendedProgramComesAfterEveryOther)
{
    Show(Tp(0, 0));
    ChannelOperations operations(store, list);
    std::unique_ptr<ProgramForm> form = operations.BeginInsert();  // no row selected: append
    ASSERT_TRUE(form);
    EXPECT_EQ(form->Mode(), ProgramMode::Append);
    EXPECT_EQ(form->Position(), 5);
    const int slot = Accept(std::move(form), "Appended");
    EXPECT_EQ(RowSlots().back(), slot);
    EXPECT_EQ(store.OrderOf(slot), 10);
    Show(AllServices());
    EXPECT_EQ(RowSlots().back(), slot);
    ExpectConsistent(true);
}

TEST_F(InsertIntoTen, CreateProgramPlacesARecordOfTheNewProgramImage)
{
    Show(Tp(0, 1));
    const TreeNodeInfo& owner = *Tp(0, 1)->Info();
    const int slot = CreateProgram(store, owner, 5);
    ASSERT_GE(slot, 0);
    const std::span<const std::uint8_t> record = store.Record(NodeKind::Program, slot);
    const std::array<std::uint8_t, 256> image = NewProgramImage();
    ASSERT_EQ(record.size(), 160u);
    EXPECT_TRUE(std::equal(record.begin(), record.end(), image.begin()));
    EXPECT_EQ(owner.programs.At(5), slot);
    EXPECT_EQ(store.OrderOf(slot), 10);
    // Only the record, its slot and its number: no tp_id or sat_id yet.
    EXPECT_EQ(Field(NodeKind::Program, slot, "tp_id"), "0");
    EXPECT_EQ(CreateProgram(store, owner, 8), -1) << "beyond the end of the list";
}

TEST(NewProgramImage, BytesAreZeroButNine)
{
    const std::map<std::size_t, std::uint8_t> set = {{2, 0xA0},  {3, 0x20},  {7, 0x01},  {11, 0x02}, {12, 0xA0},
                                                     {18, 0xFF}, {19, 0x1F}, {20, 0x50}, {32, 0x30}};
    const std::array<std::uint8_t, 256> image = NewProgramImage();
    for (std::size_t i = 0; i < image.size(); ++i) {
        const auto it = set.find(i);
        EXPECT_EQ(image[i], it == set.end() ? 0 : it->second) << i;
    }
}

struct FreeNumberCase {
    const char* name;
    int row;  // the row inserted at, 0-based; 4 appends
    int expectedOrder;
    Ints rowOrders;
};

class FreeNumbers : public EditFixture, public ::testing::WithParamInterface<FreeNumberCase> {
protected:
    FreeNumbers() : EditFixture(DemoOptions{1, 1, 4, 0xA0000}) {}
};

// The list holds 0, 2, 4, 6: 1, 3 and 5 are free.
TEST_P(FreeNumbers, NewProgramShowsWhereItWasPut)
{
    const FreeNumberCase& c = GetParam();
    Show(Tp(0, 0));
    const Ints slots = RowSlots();
    for (std::size_t i = 0; i < slots.size(); ++i)
        ASSERT_TRUE(store.SetOrder(slots[i], static_cast<std::int16_t>(2 * i)));
    Show(Tp(0, 0));
    list.SelectRow(c.row);
    ChannelOperations operations(store, list);
    std::unique_ptr<ProgramForm> form = c.row < 4 ? operations.BeginInsert() : nullptr;
    if (!form) {
        list.SelectRow(-1);
        form = operations.BeginAppend();
    }
    ASSERT_TRUE(form);
    form->EditText(ProgramControl::ServiceId, "5");
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(operations.Finish(*form));
    const int slot = form->CommittedSlot();

    EXPECT_EQ(store.OrderOf(slot), c.expectedOrder);
    EXPECT_EQ(RowSlots()[static_cast<std::size_t>(c.row)], slot);
    EXPECT_EQ(RowOrders(), c.rowOrders);
    ExpectConsistent(false);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, FreeNumbers,
    ::testing::Values(FreeNumberCase{"FreeNumberFitsBetween", 1, 1, {0, 1, 2, 4, 6}},
                      FreeNumberCase{"FreeNumberWouldSortBefore", 3, 6, {0, 2, 4, 6, 7}},
                      FreeNumberCase{"AppendAfterAll", 4, 7, {0, 2, 4, 6, 7}},
                      FreeNumberCase{"InsertAtTop", 0, 0, {0, 2, 4, 6, 7}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditFixture, InsertNeedsATpList)
{
    for (TreeItem* item : {AllServices(), Satellite(1)}) {
        Show(item);
        list.SelectRow(1);
        ChannelOperations operations(store, list);
        EXPECT_FALSE(operations.BeginInsert());
        list.SelectRow(-1);
        EXPECT_FALSE(operations.BeginInsert());
        EXPECT_FALSE(operations.BeginAppend());
    }
    list.SetCurrentItem(nullptr);
    list.ClearList();
    EXPECT_FALSE(ChannelOperations(store, list).BeginAppend());
}

TEST_F(EditFixture, AppendIntoAnEmptyTpList)
{
    NavigatorCommands navigator(store);
    std::unique_ptr<NavigatorDialog> add = navigator.BeginAdd(Satellite(2));
    ASSERT_TRUE(add);
    add->Tp()->EditText(TpControl::Frequency, "12000");
    add->Tp()->EditText(TpControl::SymbolRate, "27500");
    ASSERT_TRUE(add->Tp()->Ok());
    TreeItem* tp = navigator.Finish(*add);
    ASSERT_TRUE(tp);
    Show(tp);
    ASSERT_EQ(list.RowCount(), 0);

    ChannelOperations operations(store, list);
    std::unique_ptr<ProgramForm> form = operations.BeginInsert();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->Position(), 0);
    form->EditText(ProgramControl::Name, "First");
    for (ProgramControl pid : {ProgramControl::VideoPid, ProgramControl::AudioPid1, ProgramControl::PcrPid})
        form->EditText(pid, "100");
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(operations.Finish(*form));
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"First"}));
    EXPECT_EQ(Field(NodeKind::Program, form->CommittedSlot(), "tp_id"), std::to_string(tp->Info()->tpId));
    ExpectConsistent(true);
}

TEST_F(InsertIntoTen, CancelledDialogCreatesNothing)
{
    Show(Tp(0, 0));
    list.SelectRow(0);
    ChannelOperations operations(store, list);
    std::unique_ptr<ProgramForm> form = operations.BeginInsert();
    ASSERT_TRUE(form);
    form->EditText(ProgramControl::ServiceId, "3");
    ASSERT_TRUE(form->Ok());
    form->Cancel();
    EXPECT_FALSE(operations.Finish(*form));
    form = operations.BeginInsert();
    form->CloseBox();
    EXPECT_FALSE(operations.Finish(*form));
    EXPECT_EQ(LivePrograms().size(), 10u);
    EXPECT_FALSE(store.IsModified());
}

class FullRegion : public EditFixture {
protected:
    // 36 programs, 9 TPs and 3 satellites fill 6108 bytes: no room for one more program.
    FullRegion() : EditFixture(DemoOptions{3, 3, 4, 0x1800}) {}
};

TEST_F(FullRegion, NoRoomForANewProgramIsSaidAndChangesNothing)
{
    Show(Tp(0, 0));
    const Ints before = RowSlots();
    ChannelOperations operations(store, list);
    std::unique_ptr<ProgramForm> form = operations.BeginAppend();
    ASSERT_TRUE(form);
    form->EditText(ProgramControl::ServiceId, "3");
    ASSERT_TRUE(form->Ok());
    EXPECT_FALSE(operations.Finish(*form));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"AllocNode for Program failed"}));
    EXPECT_EQ(RowSlots(), before);
    EXPECT_EQ(LivePrograms().size(), 36u);
    EXPECT_FALSE(store.IsModified());
}

// --- Edit ---------------------------------------------------------------------------------------

TEST_F(EditFixture, EditRewritesTheRow)
{
    Show(Tp(2, 1));
    list.SelectRow(3);
    const int slot = SlotOfRow(3);
    ChannelOperations operations(store, list);
    std::unique_ptr<ProgramForm> form = operations.BeginEdit();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->Text(ProgramControl::Name), Name(slot));
    form->EditText(ProgramControl::Name, "Renamed");
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(operations.Finish(*form));
    EXPECT_EQ(RowNames()[3], "Renamed");
    EXPECT_EQ(Name(slot), "Renamed");
    EXPECT_EQ(list.RowCount(), 4);
    EXPECT_TRUE(store.IsModified());
    ExpectConsistent(true);
}

TEST_F(EditFixture, EditThatChangesNothingLeavesTheDocumentUnmodified)
{
    Show(AllServices());
    list.SelectRow(5);
    ChannelOperations operations(store, list);
    std::unique_ptr<ProgramForm> form = operations.BeginEdit();
    ASSERT_TRUE(form);
    ASSERT_TRUE(form->Ok());
    ASSERT_TRUE(operations.Finish(*form));
    EXPECT_FALSE(store.IsModified());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(EditFixture, EditWithoutASelectedRowDoesNothing)
{
    Show(AllServices());
    EXPECT_FALSE(ChannelOperations(store, list).BeginEdit());
}

} // namespace
} // namespace torvane
