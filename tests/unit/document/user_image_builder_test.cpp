#include "document/user_image_builder.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/table_header.h"
#include "support/store_fixture.h"
#include "support/demo_database.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

using test::StoreFixture;
using Bytes = std::vector<std::uint8_t>;
using Messages = std::vector<std::string>;

constexpr int kSat = 48;
constexpr int kTp = 12;
constexpr int kProg = 160;

Bytes RecordOf(const NodeStore& store, NodeKind kind, int slot)
{
    const auto record = store.Record(kind, slot);
    return {record.begin(), record.end()};
}

Bytes Slice(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t size)
{
    const auto part = bytes.subspan(at, size);
    return {part.begin(), part.end()};
}

// --- Rearrage ----------------------------------------------------------------------------------------

TEST_F(StoreFixture, RearrageWithRenumberPacksLiveNodesAndNumbersPrograms)
{
    const int gone = AddSatellite(1, "Gone");
    const int sat = AddSatellite(2, "Kept");
    const int tp0 = AddTp(10, 2);
    const int tp1 = AddTp(11, 2);
    std::vector<int> programs;
    for (int i = 0; i < 6; ++i)
        programs.push_back(AddProgram(2, 10, 40 - i));
    for (int slot : {1, 2, 4})
        store.FreeNode(NodeKind::Program, slot);
    store.FreeNode(NodeKind::Satellite, gone);
    const Bytes satRecord = RecordOf(store, NodeKind::Satellite, sat);
    const Bytes tpRecord = RecordOf(store, NodeKind::Tp, tp1);
    const Bytes lastProgram = RecordOf(store, NodeKind::Program, 5);

    ASSERT_TRUE(store.Rearrage(true));
    EXPECT_EQ(Table(NodeKind::Satellite).offsets[static_cast<std::size_t>(sat)], 0);
    EXPECT_EQ(Table(NodeKind::Satellite).offsets[static_cast<std::size_t>(gone)], -1);
    EXPECT_EQ(Table(NodeKind::Tp).offsets[static_cast<std::size_t>(tp0)], kSat);
    EXPECT_EQ(Table(NodeKind::Tp).offsets[static_cast<std::size_t>(tp1)], kSat + kTp);
    const int packedTps = kSat + 2 * kTp;
    EXPECT_EQ(Table(NodeKind::Program).offsets[0], packedTps);
    EXPECT_EQ(Table(NodeKind::Program).offsets[3], packedTps + kProg + 2);
    EXPECT_EQ(Table(NodeKind::Program).offsets[5], packedTps + 2 * (kProg + 2));
    EXPECT_EQ(OrdersOf({0, 3, 5}), (std::vector<std::int16_t>{0, 1, 2}));
    EXPECT_EQ(store.FreeOffset(), packedTps + 3 * (kProg + 2));

    EXPECT_EQ(RecordOf(store, NodeKind::Satellite, sat), satRecord);
    EXPECT_EQ(RecordOf(store, NodeKind::Tp, tp1), tpRecord);
    EXPECT_EQ(RecordOf(store, NodeKind::Program, 5), lastProgram);
    const auto tail = image.Region().subspan(static_cast<std::size_t>(store.FreeOffset()));
    EXPECT_TRUE(std::all_of(tail.begin(), tail.end(), [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StoreFixture, RearrageWithoutRenumberKeepsOrderNumbers)
{
    const int a = AddProgram(1, 1, 7);
    const int gone = AddProgram(1, 1, 5);
    const int b = AddProgram(1, 1, 3);
    store.FreeNode(NodeKind::Program, gone);
    ASSERT_TRUE(store.Rearrage(false));
    EXPECT_EQ(OrdersOf({a, b}), (std::vector<std::int16_t>{7, 3}));
    EXPECT_EQ(Table(NodeKind::Program).offsets[static_cast<std::size_t>(b)], kProg + 2);
}

TEST_F(StoreFixture, RearrageThatWouldOverflowChangesNothing)
{
    Open(400);
    TableHeader& programs = Table(NodeKind::Program);
    programs.offsets = {0, 0, 0, -1};  // a table that lies: three programs in one place
    programs.slotCount = programs.liveCount = 3;
    store.SetFreeOffset(162);
    const Bytes before(image.Region().begin(), image.Region().end());
    EXPECT_FALSE(store.Rearrage(true));
    EXPECT_EQ(prompts.messages, (Messages{"Rearrage : Out of Range"}));
    EXPECT_EQ(Bytes(image.Region().begin(), image.Region().end()), before);
    EXPECT_EQ(programs.offsets, (std::vector<std::int32_t>{0, 0, 0, -1}));
    EXPECT_EQ(store.FreeOffset(), 162);
}

TEST_F(StoreFixture, RearrageRefusesRecordRunningPastRegion)
{
    Open(400);
    TableHeader& programs = Table(NodeKind::Program);
    programs.offsets = {300, -1};
    programs.slotCount = programs.liveCount = 1;
    EXPECT_FALSE(store.Rearrage(false));
    EXPECT_EQ(prompts.messages, (Messages{"Rearrage : Out of Range"}));
    EXPECT_EQ(programs.offsets[0], 300);
}

TEST_F(StoreFixture, RearrageNeedsRegionAndLayouts)
{
    NodeSchema empty;
    DatabaseImage other;
    ASSERT_TRUE(other.create_empty_header(100));
    NodeStore noLayout(empty, other, prompts);
    EXPECT_FALSE(noLayout.Rearrage(true));
    image.Clear();
    EXPECT_FALSE(store.Rearrage(true));
    EXPECT_TRUE(prompts.messages.empty());
}

// --- CreateProgImage ---------------------------------------------------------------------------------

TEST_F(StoreFixture, ProgramImageFollowsOrderNumbersContiguously)
{
    const int p4 = AddProgram(1, 1, 4, "four");
    const int p0 = AddProgram(1, 1, 0, "zero");
    const int p2 = AddProgram(1, 1, 2, "two");
    Table(NodeKind::Program).slotCount = 5;
    Bytes out(5 * kProg, 0xA5);
    std::size_t written = 0;
    UserImageBuilder builder(store);
    ASSERT_EQ(builder.CreateProgImage(out, written), 0);
    EXPECT_EQ(written, 3u * kProg);
    EXPECT_EQ(builder.ProgramsWritten(), 3);
    EXPECT_EQ(Slice(out, 0, kProg), RecordOf(store, NodeKind::Program, p0));
    EXPECT_EQ(Slice(out, kProg, kProg), RecordOf(store, NodeKind::Program, p2));
    EXPECT_EQ(Slice(out, 2 * kProg, kProg), RecordOf(store, NodeKind::Program, p4));

    Bytes header(64, 0);
    ASSERT_EQ(builder.WriteTableHeader(header, NodeKind::Program, 0x40), 16u + 3 * 4);
    EXPECT_EQ(ReadLe16(&header[10]), 3);
    EXPECT_EQ(ReadLe32(&header[12]), 0x40u);
    EXPECT_EQ(ReadLe32(&header[16]), 0x40u + kProg);
    EXPECT_EQ(ReadLe32(&header[20]), 0x40u + 2 * kProg);
}

struct ProgBoundCase {
    const char* name;
    int order;
    std::size_t capacity;
    bool ok;
};

class ProgramImageBounds : public StoreFixture, public ::testing::WithParamInterface<ProgBoundCase> {};

TEST_P(ProgramImageBounds, OrderSlotCountCapacityAndRegion)
{
    Open(1000);  // a 1000-byte region: order 6 lies at 960, order 7 at 1120
    const auto& c = GetParam();
    AddProgram(1, 1, c.order);
    Table(NodeKind::Program).slotCount = 8;
    Bytes out(c.capacity, 0);
    std::size_t written = 99;
    EXPECT_EQ(UserImageBuilder(store).CreateProgImage(out, written), c.ok ? 0 : -1) << c.name;
    EXPECT_EQ(prompts.messages, c.ok ? Messages{} : Messages{"CreateProgImage : Out of Range."}) << c.name;
    EXPECT_EQ(written, c.ok ? static_cast<std::size_t>(kProg) : 0u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramImageBounds,
    ::testing::Values(ProgBoundCase{"last slot number", 6, 7 * kProg, true},
                      ProgBoundCase{"number equals slot count", 8, 9 * kProg, false},
                      ProgBoundCase{"negative number reads as 65535", -1, 9 * kProg, false},
                      ProgBoundCase{"record fits out exactly", 3, 4 * kProg, true},
                      ProgBoundCase{"out one byte short", 3, 4 * kProg - 1, false},
                      ProgBoundCase{"number beyond the region", 7, 8 * kProg, false}));

TEST_F(StoreFixture, ProgramsSharingNumberAreAllWritten)
{
    const int a = AddProgram(1, 1, 1, "a");
    const int b = AddProgram(1, 1, 0, "b");
    const int c = AddProgram(1, 1, 1, "c");
    Bytes out(3 * kProg, 0);
    std::size_t written = 0;
    ASSERT_EQ(UserImageBuilder(store).CreateProgImage(out, written), 0);
    EXPECT_EQ(written, 3u * kProg);
    EXPECT_EQ(Slice(out, 0, kProg), RecordOf(store, NodeKind::Program, b));
    EXPECT_EQ(Slice(out, kProg, kProg), RecordOf(store, NodeKind::Program, a));
    EXPECT_EQ(Slice(out, 2 * kProg, kProg), RecordOf(store, NodeKind::Program, c));
}

// --- Satellites, TPs and the whole region ------------------------------------------------------------

TEST_F(StoreFixture, SatellitesFollowTreeOrder)
{
    const int a = AddSatellite(1, "A");
    const int b = AddSatellite(2, "B");
    store.BuildTreeFromImage();
    TreeItem* root = store.Tree().FindRoot(TreeKind::SatelliteRoot);
    ASSERT_TRUE(store.Tree().ExchangeSiblings(root->Child(0), root->Child(1)));
    ASSERT_EQ(root->Child(0)->Info()->slot, b);

    Bytes region(0x1000, 0xFF);
    UserImageBuilder builder(store);
    ASSERT_EQ(builder.CreateUserDataImage(region), 0);
    EXPECT_EQ(Slice(region, 0, kSat), RecordOf(store, NodeKind::Satellite, b));
    EXPECT_EQ(Slice(region, kSat, kSat), RecordOf(store, NodeKind::Satellite, a));
    const std::size_t header = 2 * kSat;
    EXPECT_EQ(Slice(region, header, 8), (Bytes{'D', 'B', '@', 'T', 'S', 'T', '0', '1'}));
    EXPECT_EQ(ReadLe16(&region[header + 10]), 2);
    EXPECT_EQ(ReadLe32(&region[header + 12]), 0u);
    EXPECT_EQ(ReadLe32(&region[header + 16]), static_cast<std::uint32_t>(kSat));
}

TEST_F(StoreFixture, TpOfSatelliteOutsideTreeIsLeftOut)
{
    AddSatellite(1, "A");
    const int own = AddTp(10, 1);
    AddTp(11, 99);
    store.BuildTreeFromImage();
    Bytes region(0x1000, 0xFF);
    UserImageBuilder builder(store);
    ASSERT_EQ(builder.CreateUserDataImage(region), 0);
    EXPECT_EQ(builder.TpsWritten(), 1);
    EXPECT_EQ(Slice(region, kSat, kTp), RecordOf(store, NodeKind::Tp, own));
    const std::size_t tpHeader = kSat + kTp + 20;  // after the satellite header of one offset
    EXPECT_EQ(Slice(region, tpHeader, 8), (Bytes{'D', 'B', '@', 'T', 'T', 'T', '0', '1'}));
    EXPECT_EQ(ReadLe16(&region[tpHeader + 10]), 1);
    EXPECT_EQ(ReadLe32(&region[tpHeader + 12]), static_cast<std::uint32_t>(kSat));
}

TEST_F(StoreFixture, RegionLayoutIsRecordsThenThreeHeadersWithKeptFlagAndExtraBytes)
{
    const int sat = AddSatellite(1, "A");
    const int tp = AddTp(10, 1);
    const int p1 = AddProgram(1, 10, 1);
    const int p0 = AddProgram(1, 10, 0);
    store.BuildTreeFromImage();
    Table(NodeKind::Tp).flag = 0x5A;
    Table(NodeKind::Tp).extra = {0x01, 0x02, 0x03};
    Table(NodeKind::Program).flag = 0x80;

    Bytes region(0x800, 0xC3);
    UserImageBuilder builder(store);
    ASSERT_EQ(builder.CreateUserDataImage(region), 0);
    Bytes expected;
    for (const Bytes& record : {RecordOf(store, NodeKind::Satellite, sat), RecordOf(store, NodeKind::Tp, tp),
                                RecordOf(store, NodeKind::Program, p0), RecordOf(store, NodeKind::Program, p1)})
        expected.insert(expected.end(), record.begin(), record.end());
    const std::uint8_t tpFirst = kSat;
    const std::uint8_t progFirst = kSat + kTp;
    const Bytes headers = {
        'D', 'B', '@', 'T', 'S', 'T', '0', '1', 0x00, 0x00, 1, 0, 0, 0, 0, 0, 0x78, 0x56, 0x34, 0x12,
        'D', 'B', '@', 'T', 'T', 'T', '0', '1', 0x5A, 0x03, 0x01, 0x02, 0x03, 1, 0, tpFirst, 0, 0, 0,
        0x78, 0x56, 0x34, 0x12,
        'D', 'B', '@', 'T', 'P', 'T', '0', '1', 0x80, 0x00, 2, 0, progFirst, 0, 0, 0,
        static_cast<std::uint8_t>(progFirst + kProg), 0, 0, 0, 0x78, 0x56, 0x34, 0x12,
    };
    expected.insert(expected.end(), headers.begin(), headers.end());
    EXPECT_EQ(Slice(region, 0, expected.size()), expected);
    const auto rest = std::span(region).subspan(expected.size());
    EXPECT_TRUE(std::all_of(rest.begin(), rest.end(), [](std::uint8_t b) { return b == 0xC3; }));
    EXPECT_EQ(builder.SatellitesWritten(), 1);
    EXPECT_EQ(builder.TpsWritten(), 1);
    EXPECT_EQ(builder.ProgramsWritten(), 2);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StoreFixture, ExtraBytesComeBackUnchangedThroughParse)
{
    AddSatellite(1, "A");
    AddTp(10, 1);
    AddProgram(1, 10, 0);
    store.BuildTreeFromImage();
    Table(NodeKind::Tp).flag = 0x11;
    Table(NodeKind::Tp).extra = {0xDE, 0xAD, 0x42};
    Bytes region(0x800, 0xFF);
    ASSERT_EQ(UserImageBuilder(store).CreateUserDataImage(region), 0);

    DatabaseImage parsed;
    ASSERT_EQ(parsed.parserdb(region, prompts), 0);
    EXPECT_EQ(parsed.Table(NodeKind::Tp)->flag, 0x11);
    EXPECT_EQ(parsed.Table(NodeKind::Tp)->extra, (Bytes{0xDE, 0xAD, 0x42}));
    EXPECT_TRUE(parsed.Table(NodeKind::Satellite)->extra.empty());

    // Built again from the parsed tables, the header is the same.
    NodeStore again(schema, parsed, prompts);
    ASSERT_TRUE(again.Rearrage(true));
    again.BuildTreeFromImage();
    Bytes second(0x800, 0xFF);
    ASSERT_EQ(UserImageBuilder(again).CreateUserDataImage(second), 0);
    EXPECT_EQ(second, region);
    EXPECT_TRUE(prompts.messages.empty());
}

// One satellite with five TPs and no programs: records 48 + 60 bytes, then headers of 20, 36 and
// 16 bytes, each asking for one byte more room than it takes.
struct CapacityCase {
    std::size_t capacity;
    Messages messages;
};

class RegionCapacity : public StoreFixture, public ::testing::WithParamInterface<CapacityCase> {};

TEST_P(RegionCapacity, MessageOfThePieceThatDoesNotFit)
{
    AddSatellite(1, "A");
    for (int i = 0; i < 5; ++i)
        AddTp(10 + i, 1);
    store.BuildTreeFromImage();
    Bytes region(GetParam().capacity, 0xEE);
    const int result = UserImageBuilder(store).CreateUserDataImage(region);
    EXPECT_EQ(result, GetParam().messages.empty() ? 0 : -1);
    EXPECT_EQ(prompts.messages, GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, RegionCapacity,
    ::testing::Values(CapacityCase{47, {"Create Sat node : Out of Range"}},
                      CapacityCase{59, {"Create TP node : Out of Range"}},
                      CapacityCase{60, {"CreateSatTpProgImage : Out of Range"}},
                      CapacityCase{107, {"CreateSatTpProgImage : Out of Range"}},
                      CapacityCase{128, {"Out of Range", "CreateUserDataImage : Out of Range"}},
                      CapacityCase{164, {"Out of Range", "CreateUserDataImage : Out of Range"}},
                      CapacityCase{180, {"Out of Range", "CreateUserDataImage : Out of Range"}},
                      CapacityCase{181, {}}));

TEST_F(StoreFixture, ProgramAreaTooSmallFailsTheImage)
{
    AddSatellite(1, "A");
    AddProgram(1, 1, 0);
    store.BuildTreeFromImage();
    Bytes region(kProg - 1, 0);
    EXPECT_EQ(UserImageBuilder(store).CreateUserDataImage(region), -1);
    EXPECT_EQ(prompts.messages, (Messages{"CreateProgImage : Out of Range."}));
}

TEST_F(StoreFixture, ImageNeedsSatelliteRootAndLiveSatellites)
{
    Bytes region(0x800, 0);
    EXPECT_EQ(UserImageBuilder(store).CreateUserDataImage(region), -1);  // no tree at all
    const int sat = AddSatellite(1, "A");
    store.BuildTreeFromImage();
    store.FreeNode(NodeKind::Satellite, sat);  // an item that stands for no node
    EXPECT_EQ(UserImageBuilder(store).CreateUserDataImage(region), -1);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StoreFixture, TpItemWithoutNodeFailsWithTpMessage)
{
    AddSatellite(1, "A");
    const int tp = AddTp(10, 1);
    store.BuildTreeFromImage();
    store.FreeNode(NodeKind::Tp, tp);
    Bytes region(0x800, 0);
    EXPECT_EQ(UserImageBuilder(store).CreateUserDataImage(region), -1);
    EXPECT_EQ(prompts.messages, (Messages{"Create TP node : Out of Range"}));
}

struct HeaderRoomCase {
    std::size_t room;
    std::size_t written;
};

class TableHeaderRoom : public StoreFixture, public ::testing::WithParamInterface<HeaderRoomCase> {};

TEST_P(TableHeaderRoom, NeedsOneByteMoreThanItWrites)
{
    AddSatellite(1, "A");
    AddSatellite(2, "B");
    store.BuildTreeFromImage();
    Table(NodeKind::Satellite).extra = {9, 9, 9};
    UserImageBuilder builder(store);
    Bytes scratch(0x400, 0);
    ASSERT_EQ(builder.CreateSatTpProgImage(scratch), 0);
    Bytes out(GetParam().room, 0x77);
    EXPECT_EQ(builder.WriteTableHeader(out, NodeKind::Satellite, 0x100), GetParam().written);
    if (GetParam().written == 0) {
        EXPECT_EQ(prompts.messages, (Messages{"Out of Range"}));
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0x77; }));
    } else {
        EXPECT_TRUE(prompts.messages.empty());
        EXPECT_EQ(ReadLe32(&out[15]), 0x100u);
        EXPECT_EQ(ReadLe32(&out[19]), 0x100u + kSat);
        EXPECT_EQ(ReadLe32(&out[23]), 0x12345678u);
        EXPECT_EQ(out.back(), 0x77);
    }
}

// 16 + L (3) + 4N (8) = 27 bytes written; 28 of room asked.
INSTANTIATE_TEST_SUITE_P(Room, TableHeaderRoom,
                         ::testing::Values(HeaderRoomCase{27, 0}, HeaderRoomCase{28, 27}, HeaderRoomCase{0, 0}));

// --- A region that lies ------------------------------------------------------------------------------

TEST_F(StoreFixture, RecordCutByRegionEndIsRefusedEverywhere)
{
    // A program table whose one offset leaves only 100 bytes of the 160-byte record in the region.
    Open(0x400);
    AddSatellite(1, "A");
    TableHeader& programs = Table(NodeKind::Program);
    programs.offsets = {0x400 - 100, -1};
    programs.slotCount = programs.liveCount = 1;
    store.BuildTreeFromImage();
    EXPECT_FALSE(store.IsLiveNode(NodeKind::Program, 0));
    EXPECT_FALSE(store.OrderOf(0).has_value());
    EXPECT_FALSE(store.Rearrage(true));
    Bytes region(0x400, 0xFF);
    EXPECT_EQ(UserImageBuilder(store).CreateUserDataImage(region), -1);
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_EQ(prompts.messages.back(), "CreateProgImage : Out of Range.");
}

} // namespace
} // namespace torvane
