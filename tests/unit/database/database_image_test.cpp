#include "database/database_image.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/recording_prompts.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

TableHeader MakeTable(std::string_view tag, std::vector<std::int32_t> offsets, std::uint8_t flag = 0,
                      Bytes extra = {})
{
    TableHeader table;
    table.magic = kTableMagic;
    table.tag = tag;
    table.flag = flag;
    table.extra = std::move(extra);
    table.liveCount = static_cast<std::int16_t>(offsets.size());
    table.slotCount = static_cast<std::int16_t>(offsets.size());
    table.offsets = std::move(offsets);
    table.endMarker = kTableEndMarker;
    return table;
}

// Node bytes that never form an erased word or an end marker.
Bytes NodeBytes(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i % 200);
    return bytes;
}

// A region as the editor writes it: node records, the headers in the order given, then 0xFF.
struct Region {
    Bytes bytes;
    std::vector<std::size_t> headerAt;  // offset of each header, in the order given
};

Region BuildRegion(std::size_t length, std::size_t nodeBytes, const std::vector<TableHeader>& tables)
{
    Region region;
    region.bytes.assign(length, 0xFF);
    const Bytes nodes = NodeBytes(nodeBytes);
    std::copy(nodes.begin(), nodes.end(), region.bytes.begin());
    std::size_t at = nodeBytes;
    for (const TableHeader& table : tables) {
        const Bytes stored = SerializeTableHeader(table);
        region.headerAt.push_back(at);
        std::copy(stored.begin(), stored.end(), region.bytes.begin() + static_cast<std::ptrdiff_t>(at));
        at += stored.size();
    }
    return region;
}

// Satellite, TP and program headers over 0x200 bytes of nodes in a 0x4000-byte region.
std::vector<TableHeader> SampleTables()
{
    return {MakeTable(kSatelliteTableTag, {0, 16}, 0x5A, {0xAB, 0xCD, 0xEF}),
            MakeTable(kTpTableTag, {32, 48, -1, 64}, 0x01),
            MakeTable(kProgramTableTag, {80, 120, 160})};
}

Region SampleRegion()
{
    return BuildRegion(0x4000, 0x200, SampleTables());
}

// --- FindDataEnd -----------------------------------------------------------------------------------

struct DataEndCase {
    const char* what;
    std::function<Bytes()> region;
    std::uint32_t reservedSize;
    std::uint32_t expected;
};

void PrintTo(const DataEndCase& c, std::ostream* os)
{
    *os << c.what;
}

Bytes DataThenErased(std::size_t length, std::size_t markerAt)
{
    Bytes bytes(length, 0xFF);
    const Bytes data = NodeBytes(markerAt);
    std::copy(data.begin(), data.end(), bytes.begin());
    WriteLe32(&bytes[markerAt], kTableEndMarker);
    return bytes;
}

// 0xC000 erased bytes before the data, as when a chunk's reserved bytes are still erased.
Bytes ErasedStartThenData()
{
    Bytes b(0x10000, 0xFF);
    std::fill(b.begin() + 0xC000, b.begin() + 0xC03C, 0x22);
    WriteLe32(&b[0xC03C], kTableEndMarker);
    return b;
}

class FindDataEndCases : public ::testing::TestWithParam<DataEndCase> {};

TEST_P(FindDataEndCases, FindsTheEndOfTheLastMarker)
{
    DatabaseImage image;
    image.SetReservedSize(GetParam().reservedSize);
    EXPECT_EQ(image.FindDataEnd(GetParam().region()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Regions, FindDataEndCases,
    ::testing::Values(
        DataEndCase{"marker at 0x1F38", [] { return DataThenErased(0x10000, 0x1F38); }, 0, 0x1F3C},
        DataEndCase{"marker at an odd offset rounds up", [] { return DataThenErased(0x10000, 0x1F39); }, 0,
                    0x1F40},
        DataEndCase{"all erased", [] { return Bytes(0x10000, 0xFF); }, 0, 0},
        DataEndCase{"no marker before the erased area",
                    [] {
                        Bytes b(0x10000, 0xFF);
                        std::fill(b.begin(), b.begin() + 0x1F40, 0x11);
                        return b;
                    },
                    0, 0},
        DataEndCase{"single erased words inside the data do not end it",
                    [] {
                        // Kept clear of the last 64 bytes, where one such word and the erased area
                        // 60 bytes on would end the search.
                        Bytes b = DataThenErased(0x10000, 0x1F38);
                        for (std::size_t at = 0; at + 64 <= 0x1F38; at += 8)
                            WriteLe32(&b[at], 0xFFFFFFFFu);
                        return b;
                    },
                    0, 0x1F3C},
        DataEndCase{"reserved erased start is skipped",
                    ErasedStartThenData,
                    0xC000, 0xC040},
        DataEndCase{"the same without the reserved size finds nothing",
                    ErasedStartThenData,
                    0, 0},
        DataEndCase{"reserved size past the region is ignored", [] { return DataThenErased(0x10000, 0x1F38); },
                    0x20000, 0x1F3C},
        DataEndCase{"marker in the last word", [] { return DataThenErased(0x100, 0xFC); }, 0, 0x100},
        DataEndCase{"marker at offset 0 of a tiny region", [] { return DataThenErased(8, 0); }, 0, 4},
        DataEndCase{"region shorter than a word", [] { return Bytes{0x78, 0x56, 0x34}; }, 0, 0},
        DataEndCase{"empty region", [] { return Bytes{}; }, 0, 0}));

// --- parserdb over regions with faults ---------------------------------------------------------------

struct ParseCase {
    const char* what;
    std::function<void(Region&)> spoil;
    std::vector<std::string> messages;
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << c.what;
}

class ParserdbFaults : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParserdbFaults, RefusesWithTheTablesMessage)
{
    Region region = SampleRegion();
    GetParam().spoil(region);
    DatabaseImage image;
    test::RecordingPrompts prompts;
    EXPECT_EQ(image.parserdb(region.bytes, prompts), -1);
    EXPECT_EQ(prompts.messages, GetParam().messages);
}

// Offsets of the sample headers: 0 satellite, 1 TP, 2 program.
constexpr std::size_t kSat = 0;
constexpr std::size_t kTp = 1;
constexpr std::size_t kProg = 2;

INSTANTIATE_TEST_SUITE_P(
    Faults, ParserdbFaults,
    ::testing::Values(
        ParseCase{"all erased", [](Region& r) { std::fill(r.bytes.begin(), r.bytes.end(), 0xFF); }, {"No Data!"}},
        ParseCase{"no TP header", [](Region& r) { r.bytes[r.headerAt[kTp] + 4] = 'X'; }, {"can't seek TP header"}},
        ParseCase{"no SAT header", [](Region& r) { r.bytes[r.headerAt[kSat] + 4] = 'X'; },
                  {"can't seek SAT header"}},
        ParseCase{"no PROG header", [](Region& r) { r.bytes[r.headerAt[kProg] + 7] = '2'; },
                  {"can't seek PROG header"}},
        ParseCase{"TP end marker 0x12345679",
                  [](Region& r) { WriteLe32(&r.bytes[r.headerAt[kTp] + 12 + 16], 0x12345679u); },
                  {"parse TP header error!"}},
        ParseCase{"negative SAT count", [](Region& r) { WriteLe16(&r.bytes[r.headerAt[kSat] + 13], 0xFFFF); },
                  {"parse SAT header error!"}},
        ParseCase{"PROG count larger than the bytes left",
                  [](Region& r) { WriteLe16(&r.bytes[r.headerAt[kProg] + 10], 0x7FFF); },
                  {"parse PROG header error!"}},
        ParseCase{"PROG header cut by the region end",
                  [](Region& r) {
                      // The region ends with the program header, which claims 255 extra bytes.
                      r.bytes.resize(r.headerAt[kProg] + 16 + 4 * 3);
                      r.bytes[r.headerAt[kProg] + 9] = 255;
                  },
                  {"parse PROG header error!"}},
        ParseCase{"TP offset at the region's length",
                  [](Region& r) { WriteLe32(&r.bytes[r.headerAt[kTp] + 12], 0x4000); }, {"parse TP header error!"}},
        ParseCase{"TP offset below -1",
                  [](Region& r) { WriteLe32(&r.bytes[r.headerAt[kTp] + 12], 0xFFFFFFFEu); },
                  {"parse TP header error!"}}));

TEST(Parserdb, ParsesAllThreeTablesAsStored)
{
    const Region region = SampleRegion();
    DatabaseImage image;
    test::RecordingPrompts prompts;
    ASSERT_EQ(image.parserdb(region.bytes, prompts), 0);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(image.Length(), 0x4000u);
    EXPECT_TRUE(std::equal(region.bytes.begin(), region.bytes.end(), image.Region().begin(), image.Region().end()));

    const std::vector<TableHeader> stored = SampleTables();
    const NodeKind kinds[] = {NodeKind::Satellite, NodeKind::Tp, NodeKind::Program};
    for (std::size_t i = 0; i < 3; ++i) {
        TableHeader expected = stored[i];
        expected.offsets.push_back(-1);  // the spare slot
        EXPECT_EQ(*image.Table(kinds[i]), expected) << expected.tag;
    }
    EXPECT_EQ(image.Table(NodeKind::DefaultProgram), nullptr);
}

TEST(Parserdb, TheHeaderNearestTheDataEndWins)
{
    std::vector<TableHeader> tables = SampleTables();
    tables.insert(tables.begin(), MakeTable(kTpTableTag, {4, 8}));
    const Region region = BuildRegion(0x4000, 0x200, tables);
    DatabaseImage image;
    test::RecordingPrompts prompts;
    ASSERT_EQ(image.parserdb(region.bytes, prompts), 0);
    EXPECT_EQ(image.Table(NodeKind::Tp)->offsets, (std::vector<std::int32_t>{32, 48, -1, 64, -1}));
}

TEST(Parserdb, ExtraBytesComeBackUnchanged)
{
    const Region region = SampleRegion();
    DatabaseImage image;
    test::RecordingPrompts prompts;
    ASSERT_EQ(image.parserdb(region.bytes, prompts), 0);
    const TableHeader& sat = *image.Table(NodeKind::Satellite);
    ASSERT_EQ(sat.extra.size(), 3u);
    const Bytes written = SerializeTableHeader(sat);
    const auto at = static_cast<std::ptrdiff_t>(region.headerAt[kSat]);
    EXPECT_EQ(written, Bytes(region.bytes.begin() + at, region.bytes.begin() + at + 16 + 3 + 4 * 2));
}

TEST(ParseTable, EveryCutOfAHeaderIsRefused)
{
    const Bytes stored = SerializeTableHeader(MakeTable(kTpTableTag, {0, 4}, 7, {1, 2, 3}));
    ASSERT_EQ(stored.size(), 16u + 3 + 8);
    for (std::size_t cut = 0; cut < stored.size(); ++cut) {
        TableHeader table = MakeTable(kTpTableTag, {99});
        const TableHeader before = table;
        const Bytes region(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_FALSE(DatabaseImage::ParseTable(region, 0, kTpTableTag, table)) << "cut at " << cut;
        EXPECT_EQ(table, before);
    }
    TableHeader table;
    EXPECT_TRUE(DatabaseImage::ParseTable(stored, 0, kTpTableTag, table));
    EXPECT_FALSE(DatabaseImage::ParseTable(stored, 0, kSatelliteTableTag, table));
    EXPECT_FALSE(DatabaseImage::ParseTable(stored, stored.size() + 1, kTpTableTag, table));
}

TEST(Parserdb, SpoiledRegionsAreParsedOrRefusedWithinBounds)
{
    const Region good = SampleRegion();
    const std::size_t tablesEnd = good.headerAt[kProg] + 16 + 4 * 3;
    const std::vector<std::string> knownMessages = {
        "No Data!", "can't seek TP header", "can't seek SAT header", "can't seek PROG header",
        "parse TP header error!", "parse SAT header error!", "parse PROG header error!"};
    std::mt19937 random(4242);
    for (int round = 0; round < 3000; ++round) {
        Bytes region = good.bytes;
        // Spoil a few bytes of the headers and sometimes cut the region inside them.
        std::uniform_int_distribution<std::size_t> at(good.headerAt[kSat], tablesEnd - 1);
        std::uniform_int_distribution<int> value(0, 255);
        for (int k = round % 4 + 1; k > 0; --k)
            region[at(random)] = static_cast<std::uint8_t>(value(random));
        if (round % 3 == 0)
            region.resize(at(random));

        DatabaseImage image;
        test::RecordingPrompts prompts;
        const int result = image.parserdb(region, prompts);
        if (result == 0) {
            EXPECT_TRUE(prompts.messages.empty());
            for (const NodeKind kind : {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program}) {
                const TableHeader& table = *image.Table(kind);
                ASSERT_EQ(table.offsets.size(), static_cast<std::size_t>(table.slotCount) + 1);
                for (const std::int32_t offset : table.offsets) {
                    EXPECT_GE(offset, -1);
                    EXPECT_LT(offset, static_cast<std::int64_t>(region.size()));
                }
            }
        } else {
            ASSERT_EQ(result, -1);
            ASSERT_EQ(prompts.messages.size(), 1u) << "round " << round;
            EXPECT_NE(std::find(knownMessages.begin(), knownMessages.end(), prompts.messages[0]), knownMessages.end());
        }
    }
}

// --- reading from a file -------------------------------------------------------------------------

class ParserdbFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        m_path = (std::filesystem::temp_directory_path() / ("torvane_db_" + name + ".bin")).string();
        m_region = SampleRegion();
        Bytes file = m_region.bytes;
        file.insert(file.begin(), 100, 0x33);
        std::ofstream(m_path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                      static_cast<std::streamsize>(file.size()));
    }
    void TearDown() override { std::filesystem::remove(m_path); }

    std::string m_path;
    Region m_region;
};

TEST_F(ParserdbFile, ReadsTheRegionAtTheOffset)
{
    DatabaseImage image;
    test::RecordingPrompts prompts;
    ASSERT_EQ(image.parserdb(m_path, 100, 0x4000, prompts), 0);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(std::equal(m_region.bytes.begin(), m_region.bytes.end(), image.Region().begin(),
                           image.Region().end()));
    EXPECT_EQ(image.Table(NodeKind::Program)->slotCount, 3);
}

struct FileFault {
    const char* what;
    bool missingFile;
    std::uint64_t offset;
    std::uint32_t length;
};

void PrintTo(const FileFault& c, std::ostream* os)
{
    *os << c.what;
}

class ParserdbFileFaults : public ParserdbFile, public ::testing::WithParamInterface<FileFault> {};

TEST_P(ParserdbFileFaults, FailSilentlyAndLeaveNoRegion)
{
    DatabaseImage image;
    ASSERT_TRUE(image.create_empty_header(64));
    test::RecordingPrompts prompts;
    const std::string path = GetParam().missingFile ? m_path + ".missing" : m_path;
    EXPECT_EQ(image.parserdb(path, GetParam().offset, GetParam().length, prompts), -1);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(image.Length(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Faults, ParserdbFileFaults,
                         ::testing::Values(FileFault{"missing file", true, 0, 16},
                                           FileFault{"region one byte past the end", false, 101, 0x4000},
                                           FileFault{"offset past the end", false, 0x5000, 1},
                                           FileFault{"offset near 2^64", false, ~std::uint64_t{0} - 4, 16}));

// --- empty container, clearing, bounded access ----------------------------------------------------

TEST(DatabaseImage, EmptyHeaderThenClear)
{
    DatabaseImage image;
    ASSERT_TRUE(image.create_empty_header(0x800));
    EXPECT_EQ(image.Length(), 0x800u);
    EXPECT_EQ(image.Region().size(), 0x800u);
    const std::pair<NodeKind, std::string_view> tags[] = {
        {NodeKind::Tp, kTpTableTag}, {NodeKind::Satellite, kSatelliteTableTag}, {NodeKind::Program, kProgramTableTag}};
    for (const auto& [kind, tag] : tags) {
        TableHeader expected;
        expected.magic = kTableMagic;
        expected.tag = tag;
        expected.endMarker = kTableEndMarker;
        EXPECT_EQ(*image.Table(kind), expected);
        EXPECT_EQ(SerializeTableHeader(expected).size(), kTableHeaderFixedBytes);
    }
    image.ClearTables();
    EXPECT_EQ(*image.Table(NodeKind::Tp), TableHeader{});
    EXPECT_EQ(image.Length(), 0x800u);
    image.Clear();
    EXPECT_EQ(image.Length(), 0u);
    EXPECT_TRUE(image.Region().empty());
}

struct BytesCase {
    std::int64_t offset;
    std::size_t size;
    bool inside;
};

class BoundedBytes : public ::testing::TestWithParam<BytesCase> {};

TEST_P(BoundedBytes, OnlyInsideTheRegion)
{
    DatabaseImage image;
    ASSERT_TRUE(image.create_empty_header(100));
    const std::span<std::uint8_t> bytes = image.Bytes(GetParam().offset, GetParam().size);
    if (GetParam().inside) {
        ASSERT_EQ(bytes.size(), GetParam().size);
        EXPECT_EQ(bytes.data(), image.Region().data() + GetParam().offset);
    } else {
        EXPECT_TRUE(bytes.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, BoundedBytes,
                         ::testing::Values(BytesCase{0, 100, true}, BytesCase{96, 4, true}, BytesCase{97, 4, false},
                                           BytesCase{-1, 2, false}, BytesCase{100, 1, false},
                                           BytesCase{0, 101, false}, BytesCase{1, SIZE_MAX, false}));

// --- stored header bytes ---------------------------------------------------------------------------

TEST(SerializeTableHeader, WritesTheStoredLayout)
{
    TableHeader table = MakeTable(kProgramTableTag, {0x10, -1}, 0x80, {9, 8, 7});
    table.offsets.push_back(-1);  // a spare slot beyond the count is not written
    const Bytes expected = {'D', 'B', '@', 'T', 'P', 'T', '0', '1', 0x80, 3, 9, 8, 7, 2, 0,
                            0x10, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(SerializeTableHeader(table), expected);
    EXPECT_EQ(StoredTableHeaderSize(table), expected.size());
}

TEST(SerializeTableHeader, RefusesWhatCannotBeStored)
{
    TableHeader tooManyExtras = MakeTable(kTpTableTag, {}, 0, Bytes(256, 1));
    EXPECT_TRUE(SerializeTableHeader(tooManyExtras).empty());
    TableHeader negative = MakeTable(kTpTableTag, {});
    negative.slotCount = -1;
    EXPECT_TRUE(SerializeTableHeader(negative).empty());
    TableHeader maxExtras = MakeTable(kTpTableTag, {}, 0, Bytes(255, 1));
    EXPECT_EQ(SerializeTableHeader(maxExtras).size(), 16u + 255);
}

} // namespace
} // namespace torvane
