#include "database/node_fields.h"

#include <algorithm>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "database/database_image.h"
#include "support/recording_prompts.h"
#include "support/test_paths.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kRegionLength = 0x400;
constexpr std::uint8_t kFill = 0xC3;
constexpr NodeKind kTableKinds[] = {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program};

// The sample template's records in a region filled with kFill: two TPs and a deleted TP slot, one
// satellite, two programs (each followed by its order number), and a TP record that the region's
// end cuts.
class NodeFieldsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_schema.ParseTemplate(test::sourcePath("samples/template.h"), m_prompts));
        ASSERT_TRUE(m_image.create_empty_header(kRegionLength));
        std::fill(m_image.Region().begin(), m_image.Region().end(), kFill);
        const std::int32_t tp = m_schema.NodeSize(NodeKind::Tp);
        const std::int32_t sat = m_schema.NodeSize(NodeKind::Satellite);
        const std::int32_t prog = static_cast<std::int32_t>(RecordFootprint(m_schema, NodeKind::Program));
        SetSlots(NodeKind::Tp, {0, tp, -1, static_cast<std::int32_t>(kRegionLength) - 6});
        SetSlots(NodeKind::Satellite, {2 * tp});
        SetSlots(NodeKind::Program, {2 * tp + sat, 2 * tp + sat + prog});
        ASSERT_TRUE(m_prompts.messages.empty());
    }

    void SetSlots(NodeKind kind, std::vector<std::int32_t> offsets)
    {
        TableHeader& table = *m_image.Table(kind);
        table.slotCount = static_cast<std::int16_t>(offsets.size());
        table.liveCount = table.slotCount;
        offsets.push_back(-1);
        table.offsets = std::move(offsets);
    }

    std::span<const std::uint8_t> Record(NodeKind kind, int slot) const
    {
        const std::int32_t offset = m_image.Table(kind)->offsets[static_cast<std::size_t>(slot)];
        return m_image.Region().subspan(static_cast<std::size_t>(offset), RecordFootprint(m_schema, kind));
    }

    int Field(NodeKind kind, std::string_view name, FieldView view = FieldView::Declaration) const
    {
        return m_schema.FindField(kind, view, name);
    }

    NodeSchema m_schema;
    DatabaseImage m_image;
    bool m_modified = false;
    test::RecordingPrompts m_prompts;
    NodeFields m_fields{m_schema, m_image, m_modified, m_prompts};
};

// A value that fits the number field, differing between fields and slots.
std::uint32_t SampleValue(const TemplateField& field, int fieldIndex, int slot)
{
    const std::uint32_t raw = 0x9E3779B9u * static_cast<std::uint32_t>(fieldIndex + 1) + 0x1111u * static_cast<std::uint32_t>(slot);
    return field.width >= 32 ? raw : raw & ((1u << field.width) - 1);
}

std::string NumberText(const TemplateField& field, std::uint32_t value)
{
    return field.width >= 32 ? std::to_string(static_cast<std::int32_t>(value)) : std::to_string(value);
}

const char* const kNames[] = {"Nilesat \xD8\xB9\xD8\xB1\xD8\xA8\xD9\x8A" /* arabi, ends in yeh */,
                              "\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 TV 2" /* salam */};

TEST_F(NodeFieldsTest, EveryFieldOfTheSampleTemplateComesBackAsWritten)
{
    const std::vector<std::uint8_t> before(m_image.Region().begin(), m_image.Region().end());
    for (const NodeKind kind : kTableKinds) {
        const int slots = kind == NodeKind::Tp ? 2 : m_image.Table(kind)->slotCount;
        const std::span<const TemplateField> fields = m_schema.Fields(kind, FieldView::Declaration);
        for (int slot = 0; slot < slots; ++slot) {
            // Write every field of the record, then read every one back: no write disturbs another.
            for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
                const TemplateField& f = fields[static_cast<std::size_t>(i)];
                if (f.kind == FieldKind::Array) {
                    for (int e = 0; e < f.totalBits / f.width; ++e)
                        ASSERT_TRUE(m_fields.WriteField(kind, slot, i, std::to_string(SampleValue(f, i + e, slot) & 0x7F),
                                                        e, FieldView::Declaration));
                } else {
                    const std::string text = f.kind == FieldKind::String ? kNames[slot]
                                                                         : NumberText(f, SampleValue(f, i, slot));
                    ASSERT_TRUE(m_fields.WriteField(kind, slot, i, text, 0, FieldView::Declaration)) << f.name;
                }
            }
            const std::span<const std::uint8_t> record = Record(kind, slot);
            for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
                const TemplateField& f = fields[static_cast<std::size_t>(i)];
                std::string out;
                ASSERT_TRUE(m_fields.ReadField(kind, slot, i, out)) << f.name;
                if (f.kind == FieldKind::Array) {
                    // Elements as stored: little-endian, from the array's first byte.
                    const std::size_t start = 4 * static_cast<std::size_t>(f.wordIndex) + static_cast<std::size_t>(f.bitOffset) / 8;
                    const std::size_t size = static_cast<std::size_t>(f.width) / 8;
                    for (int e = 0; e < f.totalBits / f.width; ++e) {
                        const std::uint8_t* p = record.data() + start + static_cast<std::size_t>(e) * size;
                        const std::uint32_t stored = size == 1 ? *p : size == 2 ? ReadLe16(p) : ReadLe32(p);
                        EXPECT_EQ(stored, SampleValue(f, i + e, slot) & 0x7F) << f.name << "[" << e << "]";
                    }
                } else {
                    const std::string expected = f.kind == FieldKind::String ? kNames[slot]
                                                                             : NumberText(f, SampleValue(f, i, slot));
                    EXPECT_EQ(out, expected) << f.name;
                }
            }
            // The position view shows the same values.
            const std::span<const TemplateField> positioned = m_schema.Fields(kind, FieldView::Position);
            for (int p = 0; p < static_cast<int>(positioned.size()); ++p) {
                const int d = Field(kind, positioned[static_cast<std::size_t>(p)].name);
                std::string byPosition;
                std::string byDeclaration;
                ASSERT_TRUE(m_fields.ReadField(kind, slot, p, byPosition, 0));
                ASSERT_TRUE(m_fields.ReadField(kind, slot, d, byDeclaration));
                EXPECT_EQ(byPosition, byDeclaration) << positioned[static_cast<std::size_t>(p)].name;
            }
        }
    }
    EXPECT_TRUE(m_prompts.messages.empty());
    EXPECT_FALSE(m_modified);

    // Only the records' own bytes changed: the order numbers after the programs and the bytes
    // after the last record are as they were.
    for (int slot = 0; slot < 2; ++slot) {
        const std::span<const std::uint8_t> prog = Record(NodeKind::Program, slot);
        const std::size_t orderAt = static_cast<std::size_t>(prog.data() - m_image.Region().data())
            + static_cast<std::size_t>(m_schema.NodeSize(NodeKind::Program));
        EXPECT_EQ(m_image.Region()[orderAt], before[orderAt]);
        EXPECT_EQ(m_image.Region()[orderAt + 1], before[orderAt + 1]);
    }
    const std::size_t end = static_cast<std::size_t>(m_image.Table(NodeKind::Program)->offsets[1])
        + RecordFootprint(m_schema, NodeKind::Program);
    EXPECT_TRUE(std::all_of(m_image.Region().begin() + static_cast<std::ptrdiff_t>(end),
                            m_image.Region().begin() + static_cast<std::ptrdiff_t>(kRegionLength - 6),
                            [](std::uint8_t b) { return b == kFill; }));
}

TEST_F(NodeFieldsTest, ANameOfLigaturesReadsBackWhole)
{
    std::string name;
    for (int i = 0; i < 17; ++i)
        name += "\xD9\x84\xD8\xA7";  // lam alef: 34 letters, 17 stored units
    const int service = Field(NodeKind::Program, "Service Name");
    ASSERT_TRUE(m_fields.WriteField(NodeKind::Program, 1, service, name, 0, FieldView::Declaration));
    std::string out;
    ASSERT_TRUE(m_fields.ReadField(NodeKind::Program, 1, service, out));
    EXPECT_EQ(out, name);
    EXPECT_FALSE(m_fields.WriteField(NodeKind::Program, 1, service, name + "x", 0, FieldView::Declaration));
    ASSERT_TRUE(m_fields.ReadField(NodeKind::Program, 1, service, out));
    EXPECT_EQ(out, name);  // the name that did not fit left the old one in place
}

TEST_F(NodeFieldsTest, WriteIfChangedSetsTheModifiedFlagOnlyOnAChange)
{
    const int frq = Field(NodeKind::Tp, "frq", FieldView::Position);
    ASSERT_TRUE(m_fields.WriteField(NodeKind::Tp, 0, frq, "11778", 0, FieldView::Position));
    EXPECT_TRUE(m_fields.WriteFieldIfChanged(NodeKind::Tp, 0, frq, "11778", 0, FieldView::Position));
    EXPECT_FALSE(m_modified);
    // The same value written as other text is a change of text: it is written.
    EXPECT_TRUE(m_fields.WriteFieldIfChanged(NodeKind::Tp, 0, frq, "0x2E02", 0, FieldView::Position));
    EXPECT_TRUE(m_modified);
    m_modified = false;
    EXPECT_TRUE(m_fields.WriteFieldIfChanged(NodeKind::Tp, 0, frq, "12000", 0, FieldView::Position));
    EXPECT_TRUE(m_modified);
    std::string out;
    ASSERT_TRUE(m_fields.ReadField(NodeKind::Tp, 0, frq, out, 0));
    EXPECT_EQ(out, "12000");

    m_modified = false;
    const int name = Field(NodeKind::Satellite, "satname");
    EXPECT_FALSE(m_fields.WriteFieldIfChanged(NodeKind::Satellite, 0, name, std::string(18, 'x'), 0,
                                              FieldView::Declaration));
    EXPECT_FALSE(m_modified);  // a failed write is no change
    EXPECT_TRUE(m_prompts.messages.empty());
}

struct InvalidAccess {
    const char* what;
    NodeKind kind;
    int slot;
    int fieldIndex;  // -2: the declaration count of the kind
    int element;
    FieldView view;
};

void PrintTo(const InvalidAccess& c, std::ostream* os)
{
    *os << c.what;
}

class InvalidAccesses : public NodeFieldsTest, public ::testing::WithParamInterface<InvalidAccess> {};

TEST_P(InvalidAccesses, FailSilentlyAndTouchNothing)
{
    const InvalidAccess& c = GetParam();
    const int fieldIndex = c.fieldIndex == -2 ? static_cast<int>(m_schema.Fields(c.kind, c.view).size()) : c.fieldIndex;
    const Bytes before(m_image.Region().begin(), m_image.Region().end());
    std::string out = "kept";
    if (c.view == FieldView::Position)
        EXPECT_FALSE(m_fields.ReadField(c.kind, c.slot, fieldIndex, out, c.element));
    else
        EXPECT_FALSE(m_fields.ReadField(c.kind, c.slot, fieldIndex, out));
    EXPECT_EQ(out, "kept");
    EXPECT_FALSE(m_fields.WriteField(c.kind, c.slot, fieldIndex, "1", c.element, c.view));
    EXPECT_FALSE(m_fields.WriteFieldIfChanged(c.kind, c.slot, fieldIndex, "1", c.element, c.view));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), m_image.Region().begin(), m_image.Region().end()));
    EXPECT_TRUE(m_prompts.messages.empty());
    EXPECT_FALSE(m_modified);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InvalidAccesses,
    ::testing::Values(InvalidAccess{"default-program kind", NodeKind::DefaultProgram, 0, 0, 0, FieldView::Declaration},
                      InvalidAccess{"kind outside the four", static_cast<NodeKind>(4), 0, 0, 0, FieldView::Position},
                      InvalidAccess{"slot -1", NodeKind::Tp, -1, 0, 0, FieldView::Position},
                      InvalidAccess{"slot below -1", NodeKind::Tp, -7, 0, 0, FieldView::Position},
                      InvalidAccess{"deleted slot", NodeKind::Tp, 2, 0, 0, FieldView::Position},
                      InvalidAccess{"slot at the slot count", NodeKind::Satellite, 1, 0, 0, FieldView::Declaration},
                      InvalidAccess{"field index -1", NodeKind::Program, 0, -1, 0, FieldView::Position},
                      InvalidAccess{"field index past the declarations", NodeKind::Program, 0, -2, 0,
                                    FieldView::Declaration},
                      InvalidAccess{"field index past the positions", NodeKind::Satellite, 0, -2, 0,
                                    FieldView::Position}));

TEST_F(NodeFieldsTest, ArrayElementIndexMustLieInsideTheArray)
{
    const int more = Field(NodeKind::Program, "audio_pid_more");
    ASSERT_GE(more, 0);
    EXPECT_TRUE(m_fields.WriteField(NodeKind::Program, 0, more, "0x1FFF", 16, FieldView::Declaration));
    EXPECT_FALSE(m_fields.WriteField(NodeKind::Program, 0, more, "0x1FFF", 17, FieldView::Declaration));
    EXPECT_FALSE(m_fields.WriteField(NodeKind::Program, 0, more, "0x1FFF", -1, FieldView::Declaration));
    EXPECT_FALSE(m_fields.WriteFieldIfChanged(NodeKind::Program, 0, more, "0x1FFF", 17, FieldView::Declaration));
    EXPECT_FALSE(m_modified);
}

TEST_F(NodeFieldsTest, FieldsPastTheRegionEndAreOutOfRange)
{
    // The last TP slot's record starts 6 bytes before the region's end: tp_id, sat_id and frq fit.
    const int frq = Field(NodeKind::Tp, "frq");
    const int sym = Field(NodeKind::Tp, "sym");
    std::string out;
    EXPECT_TRUE(m_fields.ReadField(NodeKind::Tp, 3, frq, out));
    EXPECT_TRUE(m_fields.WriteField(NodeKind::Tp, 3, frq, "10000", 0, FieldView::Declaration));
    EXPECT_TRUE(m_prompts.messages.empty());

    const Bytes before(m_image.Region().begin(), m_image.Region().end());
    out = "kept";
    EXPECT_FALSE(m_fields.ReadField(NodeKind::Tp, 3, sym, out));
    EXPECT_EQ(out, "kept");
    EXPECT_FALSE(m_fields.WriteField(NodeKind::Tp, 3, sym, "27500", 0, FieldView::Declaration));
    EXPECT_FALSE(m_fields.WriteFieldIfChanged(NodeKind::Tp, 3, sym, "27500", 0, FieldView::Declaration));
    EXPECT_EQ(m_prompts.messages, (std::vector<std::string>{"Out of Range", "Out of Range", "Out of Range"}));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), m_image.Region().begin(), m_image.Region().end()));
    EXPECT_FALSE(m_modified);
}

TEST_F(NodeFieldsTest, ReadsARecordGivenByItsBytes)
{
    const int service = Field(NodeKind::Program, "Service Name");
    const int audioCount = Field(NodeKind::Program, "audio_count");
    ASSERT_TRUE(m_fields.WriteField(NodeKind::Program, 0, service, kNames[1], 0, FieldView::Declaration));
    ASSERT_TRUE(m_fields.WriteField(NodeKind::Program, 0, audioCount, "3", 0, FieldView::Declaration));
    const std::span<const std::uint8_t> stored = Record(NodeKind::Program, 0);
    const Bytes record(stored.begin(), stored.begin() + m_schema.NodeSize(NodeKind::Program));

    std::string out;
    ASSERT_TRUE(m_fields.ReadRecordField(NodeKind::Program, record, service, out));
    EXPECT_EQ(out, kNames[1]);
    ASSERT_TRUE(m_fields.ReadRecordField(NodeKind::Program, record, audioCount, out));
    EXPECT_EQ(out, "3");

    const std::span<const std::uint8_t> cut(record.data(), 20);
    EXPECT_FALSE(m_fields.ReadRecordField(NodeKind::Program, cut, audioCount, out));
    EXPECT_EQ(m_prompts.messages, (std::vector<std::string>{"Out of Range"}));
    EXPECT_FALSE(m_fields.ReadRecordField(NodeKind::DefaultProgram, record, 0, out));
}

TEST_F(NodeFieldsTest, CachedLookUpsFollowTheLayoutOnlyAfterAReset)
{
    const std::pair<IdentifyingField, std::pair<NodeKind, std::string_view>> lookUps[] = {
        {IdentifyingField::SatelliteId, {NodeKind::Satellite, "sat_id"}},
        {IdentifyingField::TpSatelliteId, {NodeKind::Tp, "sat_id"}},
        {IdentifyingField::ProgramSatelliteId, {NodeKind::Program, "sat_id"}},
        {IdentifyingField::TpId, {NodeKind::Tp, "tp_id"}},
        {IdentifyingField::ProgramTpId, {NodeKind::Program, "tp_id"}},
        {IdentifyingField::SatelliteName, {NodeKind::Satellite, "satname"}},
    };
    for (const auto& [which, where] : lookUps) {
        const int index = m_schema.FindField(where.first, FieldView::Position, where.second);
        ASSERT_GE(index, 0) << where.second;
        EXPECT_EQ(m_fields.CachedFieldIndex(which), index) << where.second;
    }

    // A new template moves the satellite's fields and has no satname.
    const std::string other = "typedef struct\n/*#tp_node@*/\n{\nUINT16 x /*#pos:1@*/; UINT16 tp_id /*#pos:2@*/;\n} T;\n"
                              "typedef struct\n/*#sat_node@*/\n{\nUINT8 a /*#pos:1@*/; UINT8 b /*#pos:2@*/;"
                              " UINT16 sat_id /*#pos:3@*/;\n} S;\n"
                              "typedef struct\n/*#prog_node@*/\n{\nUINT16 sat_id /*#pos:1@*/;\n} P;\n"
                              "typedef struct\n/*#def_prog_node@*/\n{\nUINT16 sat_id;\n} D;\n";
    ASSERT_TRUE(m_schema.ParseTemplateText(other, m_prompts));
    const int oldSatId = m_fields.CachedFieldIndex(IdentifyingField::SatelliteId);
    EXPECT_NE(oldSatId, 2);
    m_fields.ResetFieldCache();
    EXPECT_EQ(m_fields.CachedFieldIndex(IdentifyingField::SatelliteId), 2);
    EXPECT_EQ(m_fields.CachedFieldIndex(IdentifyingField::TpId), 1);
    EXPECT_EQ(m_fields.CachedFieldIndex(IdentifyingField::ProgramSatelliteId), 0);
    EXPECT_EQ(m_fields.CachedFieldIndex(IdentifyingField::SatelliteName), -1);
    EXPECT_EQ(m_fields.CachedFieldIndex(IdentifyingField::ProgramTpId), -1);
}

TEST_F(NodeFieldsTest, ProgramRecordsKeepRoomForTheirOrderNumber)
{
    EXPECT_EQ(RecordFootprint(m_schema, NodeKind::Program),
              static_cast<std::size_t>(m_schema.NodeSize(NodeKind::Program)) + kOrderNumberBytes);
    EXPECT_EQ(RecordFootprint(m_schema, NodeKind::Tp), static_cast<std::size_t>(m_schema.NodeSize(NodeKind::Tp)));
    EXPECT_EQ(RecordFootprint(m_schema, NodeKind::Satellite),
              static_cast<std::size_t>(m_schema.NodeSize(NodeKind::Satellite)));
    m_schema.ClearKind(NodeKind::Program);
    EXPECT_EQ(RecordFootprint(m_schema, NodeKind::Program), 0u);
}

} // namespace
} // namespace torvane
