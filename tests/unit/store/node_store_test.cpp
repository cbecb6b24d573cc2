#include "store/node_store.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/compact_program_record.h"
#include "document/user_image_builder.h"
#include "store/service_list.h"
#include "support/store_fixture.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

using test::StoreFixture;
using Slots = std::vector<std::int32_t>;

constexpr int kSat = 48;
constexpr int kTp = 12;
constexpr int kProg = 160;

// --- Slots -----------------------------------------------------------------------------------------

TEST_F(StoreFixture, FirstAllocationIsSlotZeroWithZeroedRecordAndSpareBytes)
{
    const int slot = store.AllocNode(NodeKind::Program);
    ASSERT_EQ(slot, 0);
    EXPECT_EQ(Table(NodeKind::Program).offsets[0], 0);
    EXPECT_EQ(Table(NodeKind::Program).liveCount, 1);
    EXPECT_EQ(Table(NodeKind::Program).slotCount, 64);
    EXPECT_EQ(store.FreeOffset(), kProg + 2);
    const auto bytes = image.Region().first(kProg + 3);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end() - 1, [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(bytes.back(), 0xFF);  // nothing beyond the reserved bytes is touched
    EXPECT_EQ(store.OrderOf(slot), 0);

    EXPECT_EQ(store.AllocNode(NodeKind::Satellite), 0);
    EXPECT_EQ(Table(NodeKind::Satellite).offsets[0], kProg + 2);
    EXPECT_EQ(store.FreeOffset(), kProg + 2 + kSat + 2);
}

struct ReuseCase {
    const char* name;
    int allocated;
    std::vector<int> freed;
    int expectedSlot;
};

class SlotReuse : public StoreFixture, public ::testing::WithParamInterface<ReuseCase> {};

TEST_P(SlotReuse, NewSlotFollowsLastUsedOne)
{
    const auto& c = GetParam();
    for (int i = 0; i < c.allocated; ++i)
        ASSERT_EQ(store.AllocNode(NodeKind::Tp), i);
    for (int slot : c.freed)
        store.FreeNode(NodeKind::Tp, slot);
    EXPECT_EQ(store.AllocNode(NodeKind::Tp), c.expectedSlot) << c.name;
    EXPECT_EQ(Table(NodeKind::Tp).liveCount, c.allocated - static_cast<int>(c.freed.size()) + 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, SlotReuse,
                         ::testing::Values(ReuseCase{"last freed is reused", 3, {2}, 2},
                                           ReuseCase{"middle hole is not reused", 3, {1}, 3},
                                           ReuseCase{"trailing holes are reused", 3, {1, 2}, 1},
                                           ReuseCase{"all freed starts at zero", 2, {0, 1}, 0},
                                           ReuseCase{"first freed only", 3, {0}, 3}));

TEST_F(StoreFixture, SixtyFifthAllocationGrowsSlotArrayTo128)
{
    Open(0x10000);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(store.AllocNode(NodeKind::Tp), i);
    EXPECT_EQ(Table(NodeKind::Tp).slotCount, 64);
    EXPECT_EQ(store.AllocNode(NodeKind::Tp), 64);
    EXPECT_EQ(Table(NodeKind::Tp).slotCount, 128);
    ASSERT_GE(Table(NodeKind::Tp).offsets.size(), 128u);
    EXPECT_EQ(Table(NodeKind::Tp).offsets[65], -1);
    EXPECT_EQ(Table(NodeKind::Tp).offsets[127], -1);
    EXPECT_EQ(Table(NodeKind::Tp).offsets[63], 63 * (kTp + 2));
}

TEST_F(StoreFixture, ParsedTableGrowsFromItsStoredCount)
{
    TableHeader& table = Table(NodeKind::Tp);
    table.offsets = {0, 14, 28, -1};  // three stored slots and the spare entry
    table.slotCount = table.liveCount = 3;
    store.SetFreeOffset(42);
    EXPECT_EQ(store.AllocNode(NodeKind::Tp), 3);
    EXPECT_EQ(table.slotCount, 67);
    EXPECT_EQ(table.offsets[3], 42);
}

TEST_F(StoreFixture, FullSlotArrayRefusesAllocation)
{
    TableHeader& table = Table(NodeKind::Tp);
    table.slotCount = table.liveCount = kMaxTableSlots;
    table.offsets.assign(kMaxTableSlots, 0);
    EXPECT_EQ(store.AllocNode(NodeKind::Tp), -1);
    EXPECT_EQ(table.slotCount, kMaxTableSlots);
    EXPECT_EQ(store.FreeOffset(), 0);
}

TEST_F(StoreFixture, AllocationFailsWithoutRegionOrLayout)
{
    EXPECT_EQ(store.AllocNode(NodeKind::DefaultProgram), -1);
    EXPECT_EQ(store.AllocNode(static_cast<NodeKind>(7)), -1);
    image.Clear();
    EXPECT_EQ(store.AllocNode(NodeKind::Tp), -1);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StoreFixture, FreeNodeIgnoresUnknownAndFreeSlots)
{
    store.AllocNode(NodeKind::Tp);
    store.AllocNode(NodeKind::Tp);
    store.FreeNode(NodeKind::Tp, 1);
    for (int slot : {-1, 1, 64, 5000})
        store.FreeNode(NodeKind::Tp, slot);
    store.FreeNode(NodeKind::DefaultProgram, 0);
    EXPECT_EQ(Table(NodeKind::Tp).liveCount, 1);
    EXPECT_EQ(Table(NodeKind::Tp).offsets[0], 0);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StoreFixture, LiveCountBelowZeroIsReportedAndKeptAtZero)
{
    store.AllocNode(NodeKind::Satellite);
    Table(NodeKind::Satellite).liveCount = 0;
    store.FreeNode(NodeKind::Satellite, 0);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Record Num < 0"}));
    EXPECT_EQ(Table(NodeKind::Satellite).liveCount, 0);
    EXPECT_EQ(Table(NodeKind::Satellite).offsets[0], -1);
}

// A freed program at the front of the region; the free offset is placed so that free + need
// ends at the given distance from the region end. The compaction is seen by the live program
// moving to offset 0.
struct FullCase {
    int freeEndFromRegionEnd;  // (free offset + need) - region length
    bool compacted;
    int expectedSlot;
};

class AllocationWhenFull : public StoreFixture, public ::testing::WithParamInterface<FullCase> {};

TEST_P(AllocationWhenFull, OneRearrageAtTheBoundary)
{
    constexpr int need = kTp + 2;
    Open(1000);
    const int gone = store.AllocNode(NodeKind::Program);
    const int kept = store.AllocNode(NodeKind::Program);
    store.FreeNode(NodeKind::Program, gone);
    store.SetFreeOffset(1000 + GetParam().freeEndFromRegionEnd - need);
    const int slot = store.AllocNode(NodeKind::Tp);
    EXPECT_EQ(slot, GetParam().expectedSlot);
    EXPECT_EQ(Table(NodeKind::Program).offsets[static_cast<std::size_t>(kept)], GetParam().compacted ? 0 : kProg + 2);
    EXPECT_TRUE(prompts.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Boundary, AllocationWhenFull,
                         ::testing::Values(FullCase{-1, false, 0},  // one byte left over: no compaction
                                           FullCase{0, true, 0},    // exactly full: compacts, then fits
                                           FullCase{5, true, 0}));

TEST_F(StoreFixture, AllocationFailsSilentlyWhenCompactionFreesNothing)
{
    Open(3 * (kProg + 2) + 10);
    ASSERT_EQ(store.AllocNode(NodeKind::Program), 0);
    ASSERT_EQ(store.AllocNode(NodeKind::Program), 1);
    ASSERT_EQ(store.AllocNode(NodeKind::Program), 2);
    EXPECT_EQ(store.AllocNode(NodeKind::Program), -1);
    EXPECT_EQ(store.AllocNode(NodeKind::Satellite), -1);
    EXPECT_EQ(store.AllocNode(NodeKind::Tp), -1);  // 10 bytes left: 486 + 14 >= 496
    EXPECT_EQ(store.FreeOffset(), 3 * (kProg + 2));
    EXPECT_TRUE(prompts.messages.empty());
}

// --- Ids -------------------------------------------------------------------------------------------

TEST_F(StoreFixture, IdPoolsAreSeparateAndStartAtZero)
{
    EXPECT_EQ(store.AllocId(NodeKind::Satellite), 0);
    EXPECT_EQ(store.AllocId(NodeKind::Satellite), 1);
    EXPECT_EQ(store.AllocId(NodeKind::Tp), 0);
    EXPECT_EQ(store.AllocId(NodeKind::Program), IdPool::kNone);
    store.MarkId(NodeKind::Tp, 1);
    EXPECT_EQ(store.AllocId(NodeKind::Tp), 2);
}

TEST_F(StoreFixture, RebuildIdPoolsTakesIdsFromTreeItems)
{
    AddSatellite(0, "A");
    AddSatellite(2, "B");
    AddTp(0, 0);
    AddTp(3, 2);
    store.BuildTreeFromImage();
    store.MarkId(NodeKind::Satellite, 1);  // not in the tree: forgotten by the rebuild
    store.RebuildIdPools();
    EXPECT_EQ(store.AllocId(NodeKind::Satellite), 1);
    EXPECT_EQ(store.AllocId(NodeKind::Satellite), 3);
    EXPECT_EQ(store.AllocId(NodeKind::Tp), 1);
    EXPECT_EQ(store.AllocId(NodeKind::Tp), 2);
    EXPECT_EQ(store.AllocId(NodeKind::Tp), 4);
}

// --- Order numbers ---------------------------------------------------------------------------------

TEST_F(StoreFixture, OrderNumberIsLittleEndianAfterTheRecord)
{
    const int slot = AddProgram(1, 1, 0);
    ASSERT_TRUE(store.SetOrder(slot, 0x1234));
    const std::size_t at = static_cast<std::size_t>(Table(NodeKind::Program).offsets[0]) + kProg;
    EXPECT_EQ(image.Region()[at], 0x34);
    EXPECT_EQ(image.Region()[at + 1], 0x12);
    ASSERT_TRUE(store.SetOrder(slot, -2));
    EXPECT_EQ(store.OrderOf(slot), -2);
}

TEST_F(StoreFixture, OrderAccessFailsForSlotsWithoutProgram)
{
    const int a = AddProgram(1, 1, 5);
    const int b = AddProgram(1, 1, 6);
    store.FreeNode(NodeKind::Program, b);
    for (int slot : {-1, b, 64, 100}) {
        EXPECT_FALSE(store.OrderOf(slot).has_value()) << slot;
        EXPECT_FALSE(store.SetOrder(slot, 1)) << slot;
        EXPECT_FALSE(store.SwapOrders(a, slot)) << slot;
    }
    EXPECT_EQ(store.OrderOf(a), 5);
}

TEST_F(StoreFixture, SwapOrdersExchangesNumbers)
{
    const int a = AddProgram(1, 1, 3);
    const int b = AddProgram(1, 1, 8);
    ASSERT_TRUE(store.SwapOrders(a, b));
    EXPECT_EQ(OrdersOf({a, b}), (std::vector<std::int16_t>{8, 3}));
}

struct StoreFreeCase {
    std::vector<int> orders;
    int free;
    int highest;
};

class StoreFirstFreeOrder : public StoreFixture, public ::testing::WithParamInterface<StoreFreeCase> {};

TEST_P(StoreFirstFreeOrder, OverLivePrograms)
{
    for (int order : GetParam().orders)
        AddProgram(1, 1, order);
    const int extra = AddProgram(1, 1, 2);  // a freed program's number does not count
    store.FreeNode(NodeKind::Program, extra);
    const FreeOrder result = store.FirstFreeOrder();
    EXPECT_EQ(result.free, GetParam().free);
    EXPECT_EQ(result.highest, GetParam().highest);
}

INSTANTIATE_TEST_SUITE_P(Orders, StoreFirstFreeOrder,
                         ::testing::Values(StoreFreeCase{{0, 1, 3}, 2, 3}, StoreFreeCase{{0, 1, 2}, -1, 2},
                                           StoreFreeCase{{}, 0, 0}, StoreFreeCase{{1, 0}, -1, 1}));

TEST_F(StoreFixture, CompactOrdersClosesGapsKeepingRelativeOrder)
{
    const std::vector<int> slots = {AddProgram(1, 1, 5), AddProgram(1, 1, 0), AddProgram(1, 1, 2)};
    store.CompactOrders();
    EXPECT_EQ(OrdersOf(slots), (std::vector<std::int16_t>{2, 0, 1}));
}

struct SortCase {
    const char* name;
    std::vector<int> orders;  // -1: a freed slot
    std::vector<int> expectedOrders;  // of the slots after the sort, -1 for the freed one
    bool ok;
    bool orderError;
};

class SortByOrderCases : public StoreFixture, public ::testing::WithParamInterface<SortCase> {};

TEST_P(SortByOrderCases, ExchangeSortResult)
{
    const auto& c = GetParam();
    Slots slots;
    std::vector<int> freed;
    for (int order : c.orders) {
        slots.push_back(AddProgram(1, 1, order < 0 ? 0 : order));
        if (order < 0)
            freed.push_back(slots.back());
    }
    for (int slot : freed)
        store.FreeNode(NodeKind::Program, slot);

    EXPECT_EQ(store.SortByOrder(slots), c.ok) << c.name;
    std::vector<int> orders;
    for (std::int32_t slot : slots)
        orders.push_back(store.OrderOf(slot).value_or(-1));
    EXPECT_EQ(orders, c.expectedOrders) << c.name;
    EXPECT_EQ(prompts.messages, c.orderError ? std::vector<std::string>{"Order Error!"} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SortByOrderCases,
    ::testing::Values(SortCase{"distinct", {7, 3, 9, 0}, {0, 3, 7, 9}, true, false},
                      SortCase{"empty", {}, {}, true, false},
                      // i=0: 1 < 3 swaps, then 1 == 1 stops: [1, 3, 1]
                      SortCase{"equal numbers stop at once", {3, 1, 1}, {1, 3, 1}, false, true},
                      SortCase{"equal numbers at the start", {4, 4, 0}, {4, 4, 0}, false, true},
                      // i=0: 2 < 5 swaps, then the freed slot stops the sort without a message
                      SortCase{"slot without program", {5, 2, -1}, {2, 5, -1}, false, false},
                      SortCase{"single freed slot", {-1}, {-1}, true, false}));

// --- Program lists ---------------------------------------------------------------------------------

struct AudioCase {
    int audioCount;
    bool pid1Kept, pid2Kept, pid3Kept;
};

class AllServicesAudio : public StoreFixture, public ::testing::WithParamInterface<AudioCase> {};

TEST_P(AllServicesAudio, ClearsPidsBeyondAudioCount)
{
    const int slot = AddProgram(1, 1, 0);
    Set(NodeKind::Program, slot, "audio_count", std::to_string(GetParam().audioCount));
    Set(NodeKind::Program, slot, "Audio Pid1", "101");
    Set(NodeKind::Program, slot, "Audio Pid2", "102");
    Set(NodeKind::Program, slot, "Audio Pid3", "103");
    store.BuildAllServicesList();
    EXPECT_EQ(Get(NodeKind::Program, slot, "Audio Pid1"), GetParam().pid1Kept ? "101" : "0");
    EXPECT_EQ(Get(NodeKind::Program, slot, "Audio Pid2"), GetParam().pid2Kept ? "102" : "0");
    EXPECT_EQ(Get(NodeKind::Program, slot, "Audio Pid3"), GetParam().pid3Kept ? "103" : "0");
    EXPECT_TRUE(store.IsModified());
}

INSTANTIATE_TEST_SUITE_P(Counts, AllServicesAudio,
                         ::testing::Values(AudioCase{0, false, false, false}, AudioCase{1, true, false, false},
                                           AudioCase{2, true, true, false}));

TEST_F(StoreFixture, AllServicesLeavesModifiedFlagWhenNothingChanges)
{
    const int three = AddProgram(1, 1, 0);
    Set(NodeKind::Program, three, "audio_count", "3");
    Set(NodeKind::Program, three, "Audio Pid3", "77");
    AddProgram(1, 1, 1);  // audio count 1, Pid2 and Pid3 already 0
    store.BuildAllServicesList();
    EXPECT_FALSE(store.IsModified());
    EXPECT_EQ(Get(NodeKind::Program, three, "Audio Pid3"), "77");
}

TEST_F(StoreFixture, AllServicesPlacesProgramsByCompactedOrder)
{
    const int a = AddProgram(1, 1, 9);
    const int b = AddProgram(1, 1, 0);
    const int gone = AddProgram(1, 1, 3);
    const int c = AddProgram(1, 1, 5);
    store.FreeNode(NodeKind::Program, gone);
    const ProgramList list = store.BuildAllServicesList();
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(ProgramsOf(list), (Slots{b, c, a}));
    EXPECT_EQ(OrdersOf({a, b, c}), (std::vector<std::int16_t>{2, 0, 1}));
}

TEST_F(StoreFixture, AllServicesKeepsFirstOfSharedNumber)
{
    const int a = AddProgram(1, 1, 4);
    const int b = AddProgram(1, 1, 4);
    const int c = AddProgram(1, 1, 1);
    const ProgramList list = store.BuildAllServicesList();
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(ProgramsOf(list), (Slots{c, a}));  // b shares 1 after compaction and is left out
    EXPECT_EQ(OrdersOf({a, b, c}), (std::vector<std::int16_t>{1, 1, 0}));
}

TEST_F(StoreFixture, SatelliteAndTpListsFilterAndSort)
{
    const int p0 = AddProgram(1, 10, 4);
    const int p1 = AddProgram(2, 10, 0);
    const int p2 = AddProgram(1, 11, 2);
    const int p3 = AddProgram(1, 10, 1);
    const ProgramList satellite = store.BuildSatelliteList(1);
    EXPECT_EQ(satellite.Count(), 3);
    EXPECT_EQ(ProgramsOf(satellite), (Slots{p3, p2, p0}));
    EXPECT_EQ(ProgramsOf(store.BuildTpList(10, satellite)), (Slots{p3, p0}));
    EXPECT_EQ(ProgramsOf(store.BuildTpList(11, satellite)), (Slots{p2}));
    EXPECT_EQ(ProgramsOf(store.BuildSatelliteList(2)), (Slots{p1}));

    const ProgramList none = store.BuildSatelliteList(3);
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(store.BuildTpList(99, satellite).Count(), 0);
}

TEST_F(StoreFixture, SharedOrderInSatelliteListShowsOrderError)
{
    AddProgram(1, 10, 3);
    AddProgram(1, 10, 3);
    AddProgram(2, 10, 3);  // another satellite's number clashes with nobody
    store.BuildSatelliteList(1);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Order Error!"}));
    prompts.messages.clear();
    store.BuildSatelliteList(2);
    EXPECT_TRUE(prompts.messages.empty());
}

// --- Tree from an image ----------------------------------------------------------------------------

TEST_F(StoreFixture, TreeFromImageHasRootsSatellitesAndLabelledTps)
{
    const int astra = AddSatellite(5, "Astra");
    const int gone = AddSatellite(6, "Gone");
    const int hotbird = AddSatellite(9, "Hotbird");
    store.FreeNode(NodeKind::Satellite, gone);
    const int t0 = AddTp(20, 9, 10971, 0, 29700);
    const int t1 = AddTp(21, 5, 11778, 1, 27500);
    const int t2 = AddTp(22, 9, 12015, 1, 27500);
    AddTp(23, 6, 12000, 0, 1000);  // of the freed satellite: in no satellite's subtree
    const int p0 = AddProgram(9, 22, 1);
    const int p1 = AddProgram(9, 20, 2);
    const int p2 = AddProgram(5, 21, 0);
    const int p3 = AddProgram(9, 22, 3);

    store.BuildTreeFromImage();
    const ChannelTree& tree = store.Tree();
    ASSERT_EQ(tree.TopLevelCount(), 2);
    const TreeItem* all = tree.TopLevel(0);
    const TreeItem* root = tree.TopLevel(1);
    EXPECT_EQ(all->Label(), "All Services");
    EXPECT_EQ(all->Info()->treeKind, TreeKind::AllServices);
    EXPECT_EQ(ProgramsOf(all->Info()->programs), (Slots{p2, p0, p1, p3}));
    EXPECT_EQ(root->Label(), "Satellite Information");
    EXPECT_EQ(root->Info()->treeKind, TreeKind::SatelliteRoot);
    EXPECT_EQ(root->Info()->programs.Count(), 0);

    EXPECT_EQ(Labels(root), (std::vector<std::string>{"Astra", "Hotbird"}));
    const TreeNodeInfo& astraInfo = *root->Child(0)->Info();
    EXPECT_EQ(astraInfo.treeKind, TreeKind::Satellite);
    EXPECT_EQ(astraInfo.satId, 5);
    EXPECT_EQ(astraInfo.slot, astra);
    EXPECT_EQ(astraInfo.parent, root);
    EXPECT_EQ(root->Child(1)->Info()->slot, hotbird);

    EXPECT_EQ(Labels(root->Child(0)), (std::vector<std::string>{"[ 1 ]  TP_11778_V_27500"}));
    EXPECT_EQ(Labels(root->Child(1)),
              (std::vector<std::string>{"[ 1 ]  TP_10971_H_29700", "[ 2 ]  TP_12015_V_27500"}));
    const TreeNodeInfo& tp = *root->Child(1)->Child(1)->Info();
    EXPECT_EQ(tp.treeKind, TreeKind::Tp);
    EXPECT_EQ(tp.satId, 9);
    EXPECT_EQ(tp.tpId, 22);
    EXPECT_EQ(tp.slot, t2);
    EXPECT_EQ(tp.parent, root->Child(1));
    EXPECT_EQ(ProgramsOf(tp.programs), (Slots{p0, p3}));
    EXPECT_EQ(root->Child(1)->Child(0)->Info()->slot, t0);
    EXPECT_EQ(root->Child(0)->Child(0)->Info()->slot, t1);
    EXPECT_EQ(ProgramsOf(root->Child(1)->Info()->programs), (Slots{p0, p1, p3}));

    EXPECT_TRUE(store.IsIdUsed(NodeKind::Satellite, 9));
    EXPECT_FALSE(store.IsIdUsed(NodeKind::Satellite, 6));
    EXPECT_FALSE(store.IsIdUsed(NodeKind::Tp, 23));
    EXPECT_TRUE(prompts.messages.empty());
}

// Two satellites of a damaged image share sat_id 5: the first one owns the TPs and programs, the
// other one stands alone, a save writes every TP once, and deleting the twin keeps them all.
TEST_F(StoreFixture, SharedSatIdPutsNodesUnderFirstSatelliteOnly)
{
    const int first = AddSatellite(5, "Astra");
    const int second = AddSatellite(5, "Twin");
    AddSatellite(9, "Hotbird");
    const int t0 = AddTp(20, 5);
    const int t1 = AddTp(21, 5);
    AddTp(22, 9);
    const int p0 = AddProgram(5, 21, 0);
    const int p1 = AddProgram(5, 20, 1);
    AddProgram(9, 22, 2);

    store.BuildTreeFromImage();
    const TreeItem* root = store.Tree().FindRoot(TreeKind::SatelliteRoot);
    ASSERT_EQ(root->ChildCount(), 3);
    const TreeItem* owner = root->Child(0);
    TreeItem* twin = root->Child(1);
    EXPECT_EQ(owner->Info()->slot, first);
    EXPECT_EQ(twin->Info()->slot, second);
    EXPECT_EQ(twin->Info()->satId, 5);
    EXPECT_EQ(twin->ChildCount(), 0);
    EXPECT_EQ(twin->Info()->programs.Count(), 0);
    ASSERT_EQ(owner->ChildCount(), 2);
    EXPECT_EQ(owner->Child(0)->Info()->slot, t0);
    EXPECT_EQ(owner->Child(1)->Info()->slot, t1);
    EXPECT_EQ(ProgramsOf(owner->Info()->programs), (Slots{p0, p1}));

    UserImageBuilder builder(store);
    std::vector<std::uint8_t> out(kRegionLength, 0xFF);
    ASSERT_EQ(builder.CreateUserDataImage(out), 0);
    EXPECT_EQ(builder.SatellitesWritten(), 3);
    EXPECT_EQ(builder.TpsWritten(), 3);
    EXPECT_EQ(builder.ProgramsWritten(), 3);

    store.DeleteItem(twin);
    EXPECT_FALSE(store.IsLiveNode(NodeKind::Satellite, second));
    for (const int tp : {t0, t1})
        EXPECT_TRUE(store.IsLiveNode(NodeKind::Tp, tp));
    for (const int program : {p0, p1})
        EXPECT_TRUE(store.IsLiveNode(NodeKind::Program, program));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StoreFixture, TreeFromImageReplacesOldTreeAndCurrentItem)
{
    AddSatellite(1, "One");
    store.BuildTreeFromImage();
    ServiceList list(store);
    list.SetCurrentItem(store.Tree().TopLevel(1)->Child(0));
    store.BuildTreeFromImage();
    EXPECT_EQ(store.Tree().TopLevelCount(), 2);
    EXPECT_EQ(list.CurrentItem(), nullptr);
}

// --- Default-database records ----------------------------------------------------------------------

TEST_F(StoreFixture, AddSatelliteRecordTakesNewIdAndCreatesRoots)
{
    AddSatellite(0, "Existing");
    store.BuildTreeFromImage();
    std::vector<std::uint8_t> record(kSat, 0);
    WriteLe16(record.data(), 0);  // the file's sat_id 0 is replaced
    record[3] = 'N';  // satname starts at byte 2: big-endian "N"
    TreeItem* item = store.AddSatelliteRecord(record);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Label(), "N");
    EXPECT_EQ(item->Info()->satId, 1);
    EXPECT_EQ(item->Info()->treeKind, TreeKind::Satellite);
    EXPECT_EQ(Get(NodeKind::Satellite, item->Info()->slot, "sat_id"), "1");
    EXPECT_EQ(item->Parent(), store.Tree().FindRoot(TreeKind::SatelliteRoot));
    EXPECT_EQ(item->Row(), 1);

    store.ClearTree();
    ASSERT_EQ(store.Tree().TopLevelCount(), 0);
    TreeItem* fresh = store.AddSatelliteRecord(record);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(store.Tree().TopLevelCount(), 2);
    EXPECT_EQ(store.Tree().TopLevel(0)->Label(), "All Services");
    EXPECT_EQ(store.Tree().TopLevel(0)->Info()->programs.Count(), 0);
    EXPECT_EQ(fresh->Info()->satId, 0);  // the pools were cleared with the tree
}

TEST_F(StoreFixture, AddTpRecordLabelsBySlotUntilRenumbered)
{
    std::vector<std::uint8_t> satellite(kSat, 0);
    satellite[3] = 'S';
    TreeItem* sat = store.AddSatelliteRecord(satellite);
    ASSERT_NE(sat, nullptr);
    store.AllocNode(NodeKind::Tp);  // existing TPs take slots 0 and 1
    store.AllocNode(NodeKind::Tp);
    std::vector<std::uint8_t> record(kTp, 0);
    WriteLe16(record.data(), 777);            // tp_id, replaced
    WriteLe16(record.data() + 4, 11778);      // frq
    WriteLe16(record.data() + 6, 27500);      // sym
    record[8] = 1;                            // pol: vertical
    TreeItem* a = store.AddTpRecord(sat, record);
    record[8] = 0;
    TreeItem* b = store.AddTpRecord(sat, record);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Label(), "[ 2 ]  TP_11778_V_27500");
    EXPECT_EQ(b->Label(), "[ 3 ]  TP_11778_H_27500");
    EXPECT_EQ(a->Info()->tpId, 0);
    EXPECT_EQ(b->Info()->tpId, 1);
    EXPECT_EQ(b->Info()->satId, sat->Info()->satId);
    EXPECT_EQ(Get(NodeKind::Tp, b->Info()->slot, "tp_id"), "1");
    EXPECT_EQ(Get(NodeKind::Tp, b->Info()->slot, "sat_id"), std::to_string(sat->Info()->satId));
    store.Tree().RenumberTpLabels(sat);
    EXPECT_EQ(Labels(sat), (std::vector<std::string>{"[ 1 ]  TP_11778_V_27500", "[ 2 ]  TP_11778_H_27500"}));
    EXPECT_EQ(store.AddTpRecord(nullptr, record), nullptr);
}

class AddProgramRecordTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        std::vector<std::uint8_t> satellite(kSat, 0);
        satellite[3] = 'S';
        sat = store.AddSatelliteRecord(satellite);
        tp = store.AddTpRecord(sat, std::vector<std::uint8_t>(kTp, 0));
        ASSERT_TRUE(sat && tp);
    }

    // A full program record with two audio entries, and its compact form.
    std::vector<std::uint8_t> Full()
    {
        std::vector<std::uint8_t> record(kProg, 0);
        record[1] = 'X';      // Service Name "X"
        record[37] = 2;       // audio_count
        for (int i = 38; i < 42; ++i)
            record[static_cast<std::size_t>(i)] = 0x33;  // tp_id and sat_id, replaced by the TP's
        WriteLe16(&record[44], 0x101);
        WriteLe16(&record[46], 0x102);
        WriteLe16(&record[84], 0xE1);
        WriteLe16(&record[86], 0xE2);
        for (int i = 124; i < kProg; ++i)
            record[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        return record;
    }

    TreeItem* sat = nullptr;
    TreeItem* tp = nullptr;
};

TEST_F(AddProgramRecordTest, ExpandsCompactRecordAndAppendsToTpList)
{
    const CompactProgramRecord layout(schema);
    const std::vector<std::uint8_t> full = Full();
    std::vector<std::uint8_t> compact = layout.Compact(full, prompts);
    ASSERT_EQ(compact.size(), static_cast<std::size_t>(kProg - 80 + 8));
    compact.push_back(0xEE);  // the next record's first byte is not taken
    EXPECT_EQ(store.AddProgramRecord(tp, compact, 42), kProg - 80 + 8);
    EXPECT_EQ(store.AddProgramRecord(tp, compact, std::nullopt), kProg - 80 + 8);

    EXPECT_EQ(ProgramsOf(tp->Info()->programs), (Slots{0, 1}));
    EXPECT_EQ(tp->Info()->programs.Count(), 64);
    EXPECT_EQ(store.OrderOf(0), 42);
    EXPECT_EQ(store.OrderOf(1), 1);  // without order: its own slot
    for (int slot : {0, 1}) {
        std::vector<std::uint8_t> expected = full;
        WriteLe16(&expected[38], static_cast<std::uint16_t>(tp->Info()->tpId));
        WriteLe16(&expected[40], static_cast<std::uint16_t>(tp->Info()->satId));
        const auto record = store.Record(NodeKind::Program, slot);
        EXPECT_EQ(std::vector<std::uint8_t>(record.begin(), record.end()), expected) << slot;
    }
}

TEST_F(AddProgramRecordTest, RefusesShortOrOverfullCompactRecordsWithoutAllocating)
{
    const CompactProgramRecord layout(schema);
    std::vector<std::uint8_t> compact = layout.Compact(Full(), prompts);
    const std::vector<std::uint8_t> cut(compact.begin(), compact.end() - 1);
    EXPECT_EQ(store.AddProgramRecord(tp, cut, 0), -1);
    compact[37] = 21;  // more audio entries than the arrays hold
    compact.resize(static_cast<std::size_t>(layout.CompactSize(21)));
    EXPECT_EQ(store.AddProgramRecord(tp, compact, 0), -1);
    EXPECT_EQ(store.AddProgramRecord(nullptr, compact, 0), -1);
    EXPECT_EQ(Table(NodeKind::Program).liveCount, 0);
    EXPECT_TRUE(tp->Info()->programs.IsEmpty());
    EXPECT_TRUE(prompts.messages.empty());
}

struct AllocFailCase {
    NodeKind kind;
    std::uint32_t regionLength;
    const char* message;
};

class AddRecordAllocFailure : public StoreFixture, public ::testing::WithParamInterface<AllocFailCase> {};

TEST_P(AddRecordAllocFailure, ShowsItsMessage)
{
    // Room for one satellite and one TP; packed they take 60 bytes, too many for one more node of
    // the wanted kind.
    Open(GetParam().regionLength);
    std::vector<std::uint8_t> satellite(kSat, 0);
    satellite[3] = 'S';
    TreeItem* sat = store.AddSatelliteRecord(satellite);
    TreeItem* tp = store.AddTpRecord(sat, std::vector<std::uint8_t>(kTp, 0));
    ASSERT_TRUE(sat && tp);
    const CompactProgramRecord layout(schema);
    const std::vector<std::uint8_t> compact(static_cast<std::size_t>(layout.CompactSize(0)), 0);
    switch (GetParam().kind) {
    case NodeKind::Satellite:
        EXPECT_EQ(store.AddSatelliteRecord(satellite), nullptr);
        break;
    case NodeKind::Tp:
        EXPECT_EQ(store.AddTpRecord(sat, std::vector<std::uint8_t>(kTp, 0)), nullptr);
        break;
    default:
        EXPECT_EQ(store.AddProgramRecord(tp, compact, 0), -1);
        break;
    }
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{GetParam().message}));
    EXPECT_EQ(sat->ChildCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, AddRecordAllocFailure,
                         ::testing::Values(AllocFailCase{NodeKind::Satellite, 100, "AllocNode for Satellite failed"},
                                           AllocFailCase{NodeKind::Tp, 70, "AllocNode for TP failed"},
                                           AllocFailCase{NodeKind::Program, 200, "AllocNode for Program failed"}));

// --- Deleting ----------------------------------------------------------------------------------------

TEST_F(StoreFixture, DeletingSatelliteReleasesTpsAndProgramsOnce)
{
    AddSatellite(1, "Keep");
    AddSatellite(2, "Drop");
    AddTp(10, 1);
    AddTp(20, 2);
    AddTp(21, 2);
    const int kept = AddProgram(1, 10, 0);
    AddProgram(2, 20, 1);
    AddProgram(2, 21, 2);
    AddProgram(2, 21, 3);
    store.BuildTreeFromImage();
    TreeItem* root = store.Tree().FindRoot(TreeKind::SatelliteRoot);
    TreeItem* drop = root->Child(1);
    ServiceList list(store);
    list.SetCurrentItem(drop->Child(1));

    store.DeleteItem(drop);
    EXPECT_EQ(Labels(root), (std::vector<std::string>{"Keep"}));
    EXPECT_EQ(Table(NodeKind::Satellite).liveCount, 1);
    EXPECT_EQ(Table(NodeKind::Tp).liveCount, 1);
    EXPECT_EQ(Table(NodeKind::Program).liveCount, 1);
    EXPECT_TRUE(store.IsLiveNode(NodeKind::Program, kept));
    EXPECT_FALSE(store.IsLiveNode(NodeKind::Satellite, 1));
    EXPECT_EQ(list.CurrentItem(), nullptr);
    EXPECT_TRUE(prompts.messages.empty());  // programs listed twice are released once
}

TEST_F(StoreFixture, DeletingTpKeepsCurrentItemElsewhere)
{
    AddSatellite(1, "S");
    AddTp(10, 1);
    AddTp(11, 1);
    store.BuildTreeFromImage();
    TreeItem* sat = store.Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0);
    ServiceList list(store);
    list.SetCurrentItem(sat->Child(1));
    store.DeleteItem(sat->Child(0));
    EXPECT_EQ(list.CurrentItem(), sat->Child(0));
    EXPECT_EQ(Table(NodeKind::Tp).offsets[0], -1);
    EXPECT_EQ(Table(NodeKind::Satellite).liveCount, 1);
}

TEST_F(StoreFixture, ClearTreeKeepsNodesAndEmptiesPools)
{
    AddSatellite(3, "S");
    store.BuildTreeFromImage();
    store.ClearTree();
    EXPECT_EQ(store.Tree().TopLevelCount(), 0);
    EXPECT_EQ(Table(NodeKind::Satellite).liveCount, 1);
    EXPECT_EQ(store.AllocId(NodeKind::Satellite), 0);
}

// --- Document state ----------------------------------------------------------------------------------

TEST_F(StoreFixture, ResetReturnsToEmptyState)
{
    AddSatellite(3, "S");
    store.BuildTreeFromImage();
    ServiceList list(store);
    list.SetCurrentItem(store.Tree().TopLevel(0));
    store.SetModified(true);
    list.SetFilter(ServiceFilter::Tv);

    store.Reset();
    EXPECT_EQ(image.Length(), 0u);
    EXPECT_EQ(store.Tree().TopLevelCount(), 0);
    EXPECT_EQ(list.CurrentItem(), nullptr);
    EXPECT_EQ(store.FreeOffset(), 0);
    EXPECT_FALSE(store.IsModified());
    EXPECT_EQ(store.AllocId(NodeKind::Satellite), 0);
    EXPECT_EQ(store.AllocNode(NodeKind::Satellite), -1);
    EXPECT_EQ(list.Filter(), ServiceFilter::Tv);  // the filter belongs to the view, not the document
}

} // namespace
} // namespace torvane
