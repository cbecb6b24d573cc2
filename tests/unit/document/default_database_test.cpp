#include "document/default_database.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/compact_program_record.h"
#include "database/default_database_stream.h"
#include "store/tree_item.h"
#include "support/demo_database.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

using test::DemoDatabase;
using test::DemoOptions;
using test::FieldTexts;
using test::RecordingPrompts;

constexpr std::size_t kSatelliteBytes = 48;
constexpr std::size_t kTpBytes = 12;

// An empty document on the layouts of another, ready to take a default database.
struct EmptyDocument {
    explicit EmptyDocument(const NodeSchema& schema, std::uint32_t regionLength = 0xA0000)
        : store(schema, image, prompts)
    {
        EXPECT_TRUE(image.create_empty_header(regionLength));
        store.SetFreeOffset(0);
        store.EnsureRoots();
    }

    DatabaseImage image;
    RecordingPrompts prompts;
    NodeStore store;
};

TreeItem* SatelliteRoot(NodeStore& store)
{
    return store.Tree().FindRoot(TreeKind::SatelliteRoot);
}

// Every declared field but the ids the pools hand out anew.
std::vector<std::string> FieldsWithoutIds(NodeStore& store, NodeKind kind, int slot)
{
    std::vector<std::string> texts = FieldTexts(store, kind, slot);
    std::erase_if(texts, [](const std::string& text) { return text.starts_with("sat_id=") || text.starts_with("tp_id="); });
    return texts;
}

std::vector<std::uint8_t> Generate(DemoDatabase& demo, bool withOrder, std::size_t room = 0x60000)
{
    std::vector<std::uint8_t> buffer(room, 0);
    const std::optional<std::size_t> length = DefaultDatabase(demo.Store()).GenerateDefaultDatabase(buffer, withOrder);
    EXPECT_TRUE(length);
    buffer.resize(length.value_or(0));
    return buffer;
}

class DefaultDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(demo.IsReady()); }
    DemoDatabase demo{DemoOptions{3, 3, 4}};
};

TEST_F(DefaultDatabaseTest, WithOrderStreamCarriesTheTreeInOrder)
{
    const std::vector<std::uint8_t> stream = Generate(demo, true);
    ASSERT_GE(stream.size(), 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(stream.begin(), stream.begin() + 6),
              (std::vector<std::uint8_t>{0xFE, 0xEF, 0x03, 0x00, 36, 0}));

    NodeStore& store = demo.Store();
    const std::optional<DefaultStreamContent> content = ReadDefaultStream(stream, demo.Schema(), demo.Prompts());
    ASSERT_TRUE(content);
    EXPECT_EQ(content->length, stream.size());
    EXPECT_EQ(content->declaredTotal, 36);
    const TreeItem* root = SatelliteRoot(store);
    ASSERT_EQ(content->SatelliteCount(), root->ChildCount());
    const CompactProgramRecord compact(demo.Schema());
    for (int s = 0; s < root->ChildCount(); ++s) {
        const TreeItem* satellite = root->Child(s);
        const DefaultStreamSatellite& satelliteEntry = content->satellites[static_cast<std::size_t>(s)];
        const auto satelliteRecord = std::as_const(store).Record(NodeKind::Satellite, satellite->Info()->slot);
        EXPECT_TRUE(std::ranges::equal(satelliteEntry.record, satelliteRecord));
        ASSERT_EQ(satelliteEntry.tps.size(), static_cast<std::size_t>(satellite->ChildCount()));
        for (int t = 0; t < satellite->ChildCount(); ++t) {
            const TreeNodeInfo* tp = satellite->Child(t)->Info();
            const DefaultStreamTp& tpEntry = satelliteEntry.tps[static_cast<std::size_t>(t)];
            EXPECT_TRUE(std::ranges::equal(tpEntry.record, std::as_const(store).Record(NodeKind::Tp, tp->slot)));
            const auto programs = tp->programs.Programs();
            ASSERT_EQ(tpEntry.programs.size(), programs.size());
            for (std::size_t p = 0; p < programs.size(); ++p) {
                EXPECT_EQ(tpEntry.programs[p].order, store.OrderOf(programs[p]));
                EXPECT_TRUE(std::ranges::equal(
                    tpEntry.programs[p].compact,
                    compact.Compact(std::as_const(store).Record(NodeKind::Program, programs[p]), demo.Prompts())));
            }
        }
    }
    EXPECT_TRUE(demo.Prompts().messages.empty());
}

TEST_F(DefaultDatabaseTest, WithoutOrderThereIsNoHeaderAndNoOrderNumbers)
{
    const std::vector<std::uint8_t> stream = Generate(demo, false);
    EXPECT_EQ(stream[0], 3);
    EXPECT_EQ(stream[1], 0);
    // The demo's audio counts are k mod 4 for programs k = 0 … 35.
    std::size_t programBytes = 0;
    for (int k = 0; k < 36; ++k)
        programBytes += 80 + 4 * static_cast<std::size_t>(k % 4);
    EXPECT_EQ(stream.size(), 2 + 3 * (kSatelliteBytes + 2) + 9 * (kTpBytes + 2) + programBytes);
    const std::optional<DefaultStreamContent> content = ReadDefaultStream(stream, demo.Schema(), demo.Prompts());
    ASSERT_TRUE(content);
    EXPECT_FALSE(content->withOrder);
    EXPECT_EQ(content->ProgramCount(), 36);
}

struct CutCase {
    const char* name;
    std::size_t room;
    std::string message;
    int satellites;
    int tps;
    int programs;
};

class GenerationCut : public DefaultDatabaseTest, public ::testing::WithParamInterface<CutCase> {};

// Sizes without order: 2 for the count, 50 per satellite, 14 per TP, 80 + 4c per program; the
// first satellite's first TP holds programs of audio counts 0, 1, 2, 3.
TEST_P(GenerationCut, StopsWhereTheFirstPieceDoesNotFit)
{
    const CutCase& c = GetParam();
    std::vector<std::uint8_t> buffer(c.room, 0xAB);
    DefaultDatabase generator(demo.Store());
    const std::optional<std::size_t> length = generator.GenerateDefaultDatabase(buffer, false);
    ASSERT_TRUE(length);
    EXPECT_EQ(demo.Prompts().messages, (std::vector<std::string>{c.message}));
    EXPECT_EQ(generator.SatellitesWritten(), c.satellites);
    EXPECT_EQ(generator.TpsWritten(), c.tps);
    EXPECT_EQ(generator.ProgramsWritten(), c.programs);
    EXPECT_EQ(generator.ProgramsLeftOut(), 36 - c.programs);
    const std::optional<DefaultStreamContent> content =
        ReadDefaultStream(std::span(buffer).first(*length), demo.Schema(), demo.Prompts());
    ASSERT_TRUE(content);
    EXPECT_EQ(content->length, *length);
    EXPECT_EQ(content->SatelliteCount(), c.satellites);
    EXPECT_EQ(content->TpCount(), c.tps);
    EXPECT_EQ(content->ProgramCount(), c.programs);
}

INSTANTIATE_TEST_SUITE_P(
    Rooms, GenerationCut,
    ::testing::Values(
        CutCase{"NoRoomForASatellite", 2 + 49, "GenerateSatInfo : Out of Range\n36 of 36 services did not fit.", 0,
                0, 0},
        CutCase{"NoRoomForATp", 2 + 50 + 13, "GenerateTpInfo : Out of Range\n36 of 36 services did not fit.", 1, 0,
                0},
        CutCase{"NoRoomForAProgram", 2 + 50 + 14 + 79,
                "GenerateProgInfo : Out of Range\n36 of 36 services did not fit.", 1, 1, 0},
        CutCase{"ThirdProgramCut", 2 + 50 + 14 + 80 + 84 + 87,
                "GenerateProgInfo : Out of Range\n34 of 36 services did not fit.", 1, 1, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DefaultDatabaseTest, EveryRoomGivesAStreamThatReadsBackWithItsCounts)
{
    const std::size_t full = Generate(demo, true).size();
    for (std::size_t room = 0; room <= full + 1; ++room) {
        demo.Prompts().messages.clear();
        std::vector<std::uint8_t> buffer(room + 8, 0xAB);
        DefaultDatabase generator(demo.Store());
        const std::optional<std::size_t> length =
            generator.GenerateDefaultDatabase(std::span(buffer).first(room), true);
        if (room < 8) {
            EXPECT_FALSE(length) << room;  // not even the header fits
            continue;
        }
        ASSERT_TRUE(length) << room;
        EXPECT_LE(*length, room);
        EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(*length), buffer.end(),
                                [](std::uint8_t b) { return b == 0xAB; }))
            << room;
        EXPECT_EQ(demo.Prompts().messages.size(), room < full ? 1u : 0u) << room;
        EXPECT_EQ(generator.ProgramsWritten() + generator.ProgramsLeftOut(), 36) << room;
        const std::optional<DefaultStreamContent> content =
            ReadDefaultStream(std::span(buffer).first(*length), demo.Schema(), demo.Prompts());
        ASSERT_TRUE(content) << room;
        ASSERT_EQ(content->length, *length) << room;
        EXPECT_EQ(content->SatelliteCount(), generator.SatellitesWritten()) << room;
        EXPECT_EQ(content->TpCount(), generator.TpsWritten()) << room;
        EXPECT_EQ(content->ProgramCount(), generator.ProgramsWritten()) << room;
        EXPECT_EQ(content->declaredTotal, generator.ProgramsWritten()) << room;
    }
}

// A compact record holds at most 20 audio PIDs: a program that claims more keeps its first 20.
TEST_F(DefaultDatabaseTest, ProgramWithAnAudioCountBeyondTwentyKeepsTwentyPids)
{
    NodeStore& store = demo.Store();
    const int slot = SatelliteRoot(store)->Child(0)->Child(0)->Info()->programs.At(1);
    const std::span<std::uint8_t> record = store.Record(NodeKind::Program, slot);
    record[37] = 25;  // audio_count; the 20 PIDs and 20 languages follow from byte 44
    for (std::size_t e = 0; e < 20; ++e) {
        WriteLe16(&record[44 + 2 * e], static_cast<std::uint16_t>(0x300 + e));
        WriteLe16(&record[84 + 2 * e], static_cast<std::uint16_t>(0x6100 + e));
    }
    DefaultDatabase generator(store);
    std::vector<std::uint8_t> stream(0x10000);
    const std::optional<std::size_t> length = generator.GenerateDefaultDatabase(stream, true);
    ASSERT_TRUE(length);
    EXPECT_EQ(generator.ProgramsWritten(), 36);
    EXPECT_TRUE(demo.Prompts().messages.empty());

    EmptyDocument target(demo.Schema());
    ASSERT_TRUE(DefaultDatabase(target.store).ParseDefaultDatabase(std::span(stream).first(*length)));
    const int taken = SatelliteRoot(target.store)->Child(0)->Child(0)->Info()->programs.At(1);
    const std::span<const std::uint8_t> read = std::as_const(target.store).Record(NodeKind::Program, taken);
    EXPECT_EQ(read[37], 20);
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + 37, record.begin()));
    EXPECT_TRUE(std::equal(read.begin() + 44, read.end(), record.begin() + 44));
}

// With order numbers a TP's programs go in the sequence of its item's list, whatever their
// numbers say (receivers read that sequence); without them in channel order, the only order such
// a stream keeps. Here every TP's numbers are reversed, as moves within the TP leave them.
TEST_F(DefaultDatabaseTest, EachFormWritesItsOwnProgramSequence)
{
    NodeStore& store = demo.Store();
    const TreeItem* root = SatelliteRoot(store);
    for (int s = 0; s < root->ChildCount(); ++s) {
        for (int t = 0; t < root->Child(s)->ChildCount(); ++t) {
            const auto programs = root->Child(s)->Child(t)->Info()->programs.Programs();
            std::vector<std::int16_t> orders;
            for (const std::int32_t slot : programs)
                orders.push_back(*store.OrderOf(slot));
            ASSERT_TRUE(std::is_sorted(orders.begin(), orders.end()));
            for (std::size_t p = 0; p < programs.size(); ++p)
                ASSERT_TRUE(store.SetOrder(programs[p], orders[programs.size() - 1 - p]));
        }
    }
    const CompactProgramRecord compact(demo.Schema());
    for (const bool withOrder : {true, false}) {
        std::vector<std::uint8_t> expected;
        const auto put16 = [&expected](int value) {
            expected.push_back(static_cast<std::uint8_t>(value & 0xFF));
            expected.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
        };
        const auto put = [&expected](std::span<const std::uint8_t> bytes) {
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        };
        if (withOrder) {
            put16(kWithOrderMagic);
            put16(kWrittenStreamVersion);
            put16(36);
        }
        put16(root->ChildCount());
        for (int s = 0; s < root->ChildCount(); ++s) {
            const TreeItem* satellite = root->Child(s);
            put(std::as_const(store).Record(NodeKind::Satellite, satellite->Info()->slot));
            put16(satellite->ChildCount());
            for (int t = 0; t < satellite->ChildCount(); ++t) {
                const TreeNodeInfo* tp = satellite->Child(t)->Info();
                put(std::as_const(store).Record(NodeKind::Tp, tp->slot));
                const auto programs = tp->programs.Programs();
                put16(static_cast<int>(programs.size()));
                for (std::size_t p = 0; p < programs.size(); ++p) {
                    const std::int32_t slot = withOrder ? programs[p] : programs[programs.size() - 1 - p];
                    if (withOrder)
                        put16(*store.OrderOf(slot));
                    put(compact.Compact(std::as_const(store).Record(NodeKind::Program, slot), demo.Prompts()));
                }
            }
        }
        DefaultDatabase generator(store);
        std::vector<std::uint8_t> stream(0x10000);
        const std::optional<std::size_t> length = generator.GenerateDefaultDatabase(stream, withOrder);
        ASSERT_TRUE(length);
        stream.resize(*length);
        EXPECT_EQ(stream, expected) << (withOrder ? "with order" : "without order");
    }
    EXPECT_TRUE(demo.Prompts().messages.empty());
}

struct OrderCase {
    const char* name;
    // Moves in the channel order: each takes the service at one place and puts it at another.
    std::vector<std::pair<int, int>> moves;
    int misplaced;
    int misplacedInFirstSatellite;
};

class MisplacedServices : public DefaultDatabaseTest, public ::testing::WithParamInterface<OrderCase> {};

// The moves start from a channel order grouped by TP: four services each, three TPs to a satellite.
TEST_P(MisplacedServices, CountTheFewestServicesThatMove)
{
    NodeStore& store = demo.Store();
    std::vector<std::int32_t> order;
    const TreeItem* root = SatelliteRoot(store);
    for (int s = 0; s < root->ChildCount(); ++s) {
        for (int t = 0; t < root->Child(s)->ChildCount(); ++t) {
            const auto programs = root->Child(s)->Child(t)->Info()->programs.Programs();
            order.insert(order.end(), programs.begin(), programs.end());
        }
    }
    ASSERT_EQ(order.size(), 36u);
    for (const auto& [from, to] : GetParam().moves) {
        const std::int32_t slot = order[static_cast<std::size_t>(from)];
        order.erase(order.begin() + from);
        order.insert(order.begin() + to, slot);
    }
    for (std::size_t place = 0; place < order.size(); ++place)
        ASSERT_TRUE(store.SetOrder(order[place], static_cast<std::int16_t>(place)));

    for (const bool withOrder : {false, true}) {
        const SaveLoss expected{std::nullopt, withOrder ? 0 : GetParam().misplaced};
        DefaultDatabase generator(store);
        EXPECT_EQ(generator.MeasureLoss(0x10000, withOrder), expected) << withOrder;
        EXPECT_EQ(generator.Misplaced(), expected.misplaced) << withOrder;
    }
    // A cut stream counts only the services written: room for the first satellite alone.
    DefaultDatabase generator(store);
    EXPECT_EQ(generator.MeasureLoss(2 + 50 + 3 * 14 + 3 * (80 + 84 + 88 + 92) + 49, false),
              (SaveLoss{CutCounts{24, 6, 2}, GetParam().misplacedInFirstSatellite}));
    EXPECT_EQ(generator.ProgramsWritten(), 12);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MisplacedServices,
    ::testing::Values(OrderCase{"None", {}, 0, 0}, OrderCase{"WithinATp", {{0, 3}, {6, 4}}, 0, 0},
                      OrderCase{"IntoTheNextTp", {{0, 5}}, 1, 1}, OrderCase{"LastToFirst", {{35, 0}}, 1, 0},
                      OrderCase{"ThreeOfTheFirstTpAway", {{0, 35}, {0, 20}, {0, 9}}, 3, 3},
                      OrderCase{"ATpBeforeItsNeighbour", {{4, 0}, {5, 1}, {6, 2}, {7, 3}}, 4, 4},
                      OrderCase{"SatellitesSwapped",
                                {{12, 0}, {13, 1}, {14, 2}, {15, 3}, {16, 4}, {17, 5},
                                 {18, 6}, {19, 7}, {20, 8}, {21, 9}, {22, 10}, {23, 11}},
                                12, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// MeasureLoss keeps its stream for the write that follows in the same form and room: the write
// takes it (with the cut's message) instead of walking the tree again, once.
TEST_F(DefaultDatabaseTest, WriteAfterMeasuringTakesTheMeasuredStream)
{
    NodeStore& store = demo.Store();
    const std::size_t full = Generate(demo, true).size();
    const int slot = SatelliteRoot(store)->Child(0)->Child(0)->Info()->programs.At(0);
    const std::int16_t order = *store.OrderOf(slot);
    for (const std::size_t room : {full, full - 1}) {
        std::vector<std::uint8_t> fresh(room, 0);
        const std::optional<std::size_t> length = DefaultDatabase(store).GenerateDefaultDatabase(fresh, true);
        demo.Prompts().messages.clear();
        DefaultDatabase generator(store);
        const std::optional<SaveLoss> loss = generator.MeasureLoss(room, true);
        ASSERT_TRUE(loss);
        EXPECT_EQ(loss->cut, room < full ? std::optional(CutCounts{1, 0, 0}) : std::nullopt);
        EXPECT_TRUE(demo.Prompts().messages.empty()) << "measured silently";

        ASSERT_TRUE(store.SetOrder(slot, 99));  // unseen by the write that takes the measured stream
        std::vector<std::uint8_t> taken(room, 0);
        EXPECT_EQ(generator.GenerateDefaultDatabase(taken, true), length);
        EXPECT_EQ(taken, fresh);
        EXPECT_EQ(demo.Prompts().messages.size(), room < full ? 1u : 0u);
        std::vector<std::uint8_t> walked(room, 0);
        EXPECT_EQ(generator.GenerateDefaultDatabase(walked, true), length);
        EXPECT_NE(walked, fresh);
        ASSERT_TRUE(store.SetOrder(slot, order));
    }
}

TEST_F(DefaultDatabaseTest, WithoutTheSatelliteRootNothingIsGenerated)
{
    demo.Store().ClearTree();
    std::vector<std::uint8_t> buffer(0x10000);
    EXPECT_FALSE(DefaultDatabase(demo.Store()).GenerateDefaultDatabase(buffer, false));
}

class DefaultDatabaseParse : public DefaultDatabaseTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DefaultDatabaseParse, TakesEveryRecordWithNewIdsAndRenumberedLabels)
{
    const bool withOrder = GetParam();
    const std::vector<std::uint8_t> stream = Generate(demo, withOrder);
    EmptyDocument target(demo.Schema());
    target.store.SetModified(true);
    DefaultDatabase parser(target.store);
    ASSERT_TRUE(parser.ParseDefaultDatabase(stream));
    EXPECT_EQ(parser.StreamWithOrder(), withOrder);
    EXPECT_FALSE(target.store.IsModified());
    EXPECT_TRUE(target.prompts.messages.empty());

    NodeStore& source = demo.Store();
    const TreeItem* from = SatelliteRoot(source);
    const TreeItem* to = SatelliteRoot(target.store);
    ASSERT_EQ(to->ChildCount(), from->ChildCount());
    int nextTpId = 0;
    int nextProgramSlot = 0;
    for (int s = 0; s < from->ChildCount(); ++s) {
        const TreeItem* a = from->Child(s);
        const TreeItem* b = to->Child(s);
        EXPECT_EQ(b->Label(), a->Label());
        EXPECT_EQ(b->Info()->satId, s);  // from an empty pool: 0, 1, 2
        EXPECT_EQ(target.store.ReadNamedNumber(NodeKind::Satellite, b->Info()->slot, "sat_id"), s);
        EXPECT_EQ(FieldsWithoutIds(target.store, NodeKind::Satellite, b->Info()->slot),
                  FieldsWithoutIds(source, NodeKind::Satellite, a->Info()->slot));
        ASSERT_EQ(b->ChildCount(), a->ChildCount());
        for (int t = 0; t < a->ChildCount(); ++t) {
            const TreeNodeInfo* tpA = a->Child(t)->Info();
            const TreeNodeInfo* tpB = b->Child(t)->Info();
            EXPECT_EQ(tpB->label, tpA->label);  // "[ n ]  TP_…", counted from 1 per satellite
            EXPECT_EQ(tpB->tpId, nextTpId++);
            EXPECT_EQ(tpB->satId, s);
            EXPECT_EQ(target.store.ReadNamedNumber(NodeKind::Tp, tpB->slot, "sat_id"), s);
            EXPECT_EQ(FieldsWithoutIds(target.store, NodeKind::Tp, tpB->slot),
                      FieldsWithoutIds(source, NodeKind::Tp, tpA->slot));
            const auto programsA = tpA->programs.Programs();
            const auto programsB = tpB->programs.Programs();
            ASSERT_EQ(programsB.size(), programsA.size());
            for (std::size_t p = 0; p < programsA.size(); ++p) {
                EXPECT_EQ(FieldsWithoutIds(target.store, NodeKind::Program, programsB[p]),
                          FieldsWithoutIds(source, NodeKind::Program, programsA[p]));
                EXPECT_EQ(target.store.ReadNamedNumber(NodeKind::Program, programsB[p], "tp_id"), tpB->tpId);
                EXPECT_EQ(target.store.ReadNamedNumber(NodeKind::Program, programsB[p], "sat_id"), s);
                // Without order a program's number is its new slot, in file order.
                EXPECT_EQ(programsB[p], nextProgramSlot++);
                EXPECT_EQ(target.store.OrderOf(programsB[p]),
                          withOrder ? source.OrderOf(programsA[p]) : std::optional<std::int16_t>(programsB[p]));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, DefaultDatabaseParse, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "WithOrder" : "WithoutOrder"; });

TEST_F(DefaultDatabaseTest, SecondStreamIsAddedWithFreshSatelliteIds)
{
    const std::vector<std::uint8_t> stream = Generate(demo, true);
    EmptyDocument target(demo.Schema());
    ASSERT_TRUE(DefaultDatabase(target.store).ParseDefaultDatabase(stream));
    ASSERT_TRUE(DefaultDatabase(target.store).ParseDefaultDatabase(stream));
    const TreeItem* root = SatelliteRoot(target.store);
    ASSERT_EQ(root->ChildCount(), 6);
    for (int s = 0; s < 6; ++s)
        EXPECT_EQ(root->Child(s)->Info()->satId, s);
    EXPECT_EQ(root->Child(3)->Label(), root->Child(0)->Label());
    EXPECT_EQ(root->Child(5)->Child(2)->Info()->tpId, 17);
    // The second batch is numbered after the first, keeping the file's channel order.
    for (int s = 0; s < 3; ++s) {
        for (int t = 0; t < 3; ++t) {
            const auto first = root->Child(s)->Child(t)->Info()->programs.Programs();
            const auto second = root->Child(s + 3)->Child(t)->Info()->programs.Programs();
            ASSERT_EQ(first.size(), second.size());
            for (std::size_t p = 0; p < first.size(); ++p)
                EXPECT_EQ(target.store.OrderOf(second[p]), *target.store.OrderOf(first[p]) + 36);
        }
    }
    EXPECT_EQ(target.store.BuildAllServicesList().Size(), 72);
}

TEST_F(DefaultDatabaseTest, DamagedStreamChangesNothing)
{
    std::vector<std::uint8_t> stream = Generate(demo, true);
    stream.pop_back();
    EmptyDocument target(demo.Schema());
    ASSERT_TRUE(DefaultDatabase(target.store).ParseDefaultDatabase(Generate(demo, false)));
    target.store.SetModified(true);
    const std::int32_t freeOffset = target.store.FreeOffset();
    DefaultDatabase parser(target.store);
    EXPECT_FALSE(parser.ParseDefaultDatabase(stream));
    EXPECT_EQ(SatelliteRoot(target.store)->ChildCount(), 3);
    EXPECT_EQ(target.store.FreeOffset(), freeOffset);
    EXPECT_FALSE(parser.StreamWithOrder());
    EXPECT_TRUE(target.store.IsModified());
    EXPECT_TRUE(target.prompts.messages.empty());
}

struct FullCase {
    const char* name;
    std::uint32_t regionLength;
    std::string message;
};

class RegionFull : public DefaultDatabaseTest, public ::testing::WithParamInterface<FullCase> {};

TEST_P(RegionFull, RecordThatCannotBeAddedUndoesTheWholeStream)
{
    const std::vector<std::uint8_t> stream = Generate(demo, true);
    EmptyDocument target(demo.Schema(), GetParam().regionLength);
    DefaultDatabase parser(target.store);
    EXPECT_FALSE(parser.ParseDefaultDatabase(stream));
    ASSERT_FALSE(target.prompts.messages.empty());
    EXPECT_EQ(target.prompts.messages.back(), GetParam().message);
    EXPECT_EQ(SatelliteRoot(target.store)->ChildCount(), 0);
    EXPECT_EQ(target.image.Table(NodeKind::Program)->liveCount, 0);
    EXPECT_EQ(target.image.Table(NodeKind::Tp)->liveCount, 0);
    EXPECT_EQ(target.image.Table(NodeKind::Satellite)->liveCount, 0);
    EXPECT_FALSE(parser.StreamWithOrder());
    EXPECT_EQ(target.store.AllocId(NodeKind::Satellite), 0);  // the pools were rebuilt
}

// 50 bytes per satellite, 14 per TP, 162 per program.
INSTANTIATE_TEST_SUITE_P(
    Lengths, RegionFull,
    ::testing::Values(FullCase{"NoSatellite", 40, "AllocNode for Satellite failed"},
                      FullCase{"NoTp", 60, "AllocNode for TP failed"},
                      FullCase{"NoProgram", 50 + 14 + 100, "AllocNode for Program failed"},
                      FullCase{"LaterProgram", 2000, "AllocNode for Program failed"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torvane
