#include "schema/node_schema.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/recording_prompts.h"
#include "support/test_paths.h"

namespace torvane {
namespace {

// The bundled template must give the names the editor looks up, whole-byte records, and a
// program record whose end has the shape the default-database format copies.
class SampleTemplate : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_schema.ParseTemplate(test::sourcePath("samples/template.h"), m_prompts));
    }

    const TemplateField& Named(NodeKind kind, std::string_view name)
    {
        const int index = m_schema.FindField(kind, FieldView::Declaration, name);
        EXPECT_GE(index, 0) << name;
        static const TemplateField kNone;
        return index < 0 ? kNone : m_schema.Fields(kind, FieldView::Declaration)[static_cast<std::size_t>(index)];
    }

    static int ByteOffset(const TemplateField& field) { return field.wordIndex * 4 + field.bitOffset / 8; }

    NodeSchema m_schema;
    test::RecordingPrompts m_prompts;
};

TEST_F(SampleTemplate, ParsesWithoutMessagesIntoWholeByteRecords)
{
    EXPECT_TRUE(m_prompts.messages.empty());
    for (NodeKind kind : {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program, NodeKind::DefaultProgram}) {
        int bits = 0;
        for (const TemplateField& field : m_schema.Fields(kind, FieldView::Declaration))
            bits += field.totalBits;
        EXPECT_GT(bits, 0);
        EXPECT_EQ(bits % 8, 0) << static_cast<int>(kind);
        EXPECT_EQ(m_schema.NodeSize(kind), bits / 8);
    }
}

TEST_F(SampleTemplate, NumberFieldsStayInsideTheirWordAndOthersStartOnAByte)
{
    for (NodeKind kind : {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program, NodeKind::DefaultProgram}) {
        for (const TemplateField& field : m_schema.Fields(kind, FieldView::Declaration)) {
            if (field.kind == FieldKind::Number)
                EXPECT_LE(field.bitOffset + field.width, 32) << field.name;
            else
                EXPECT_EQ(field.bitOffset % 8, 0) << field.name;
        }
    }
}

struct PositionedNames {
    NodeKind kind;
    std::vector<std::string> names;  // by position, from 1
    std::vector<bool> masked;
};

class SamplePositions : public SampleTemplate, public ::testing::WithParamInterface<PositionedNames> {};

TEST_P(SamplePositions, ListTheLookedUpFieldsWithoutHoles)
{
    const std::span<const TemplateField> fields = m_schema.Fields(GetParam().kind, FieldView::Position);
    ASSERT_EQ(fields.size(), GetParam().names.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i].name, GetParam().names[i]);
        EXPECT_EQ(fields[i].pos, static_cast<int>(i) + 1);
        EXPECT_EQ(fields[i].mask != 0, GetParam().masked[i]) << fields[i].name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SamplePositions,
    ::testing::Values(
        PositionedNames{NodeKind::Tp, {"tp_id", "sat_id", "frq", "pol", "sym"}, std::vector<bool>(5, false)},
        PositionedNames{NodeKind::Satellite,
                        {"sat_id", "satname", "lnb_type", "lnb_low", "lnb_high", "position", "sat_orbit",
                         "DiSEqC_type", "DiSEqC_port", "k22", "v12", "toneburst"},
                        std::vector<bool>(12, false)},
        PositionedNames{NodeKind::Program,
                        {"Service Name", "Service Type", "Video Pid", "Audio Pid1", "Audio Pid2", "Audio Pid3",
                         "PCR Pid", "Service ID", "Favorite Group", "Scramble", "Factory", "tp_id", "sat_id",
                         "audio_count"},
                        {false, false, false, false, false, false, false, false, false, false, false, true, true,
                         true}}));

TEST_F(SampleTemplate, NamesAreStringsWithRoomForSeventeenCharacters)
{
    for (const auto& [kind, name] : {std::pair{NodeKind::Program, "Service Name"}, std::pair{NodeKind::Satellite, "satname"}}) {
        const TemplateField& field = Named(kind, name);
        EXPECT_EQ(field.kind, FieldKind::String);
        EXPECT_EQ(field.totalBits / 16, 17);
        EXPECT_LT(field.totalBits / 8, 64);
    }
}

TEST_F(SampleTemplate, ProgramRecordEndsAsTheCompactFormExpects)
{
    for (NodeKind kind : {NodeKind::Program, NodeKind::DefaultProgram}) {
        SCOPED_TRACE(static_cast<int>(kind));
        const TemplateField& pid1 = Named(kind, "Audio Pid1");
        const int a = ByteOffset(pid1);
        // Audio Pid1 .. Pid3 are the first three of twenty 16-bit PIDs.
        EXPECT_EQ(pid1.width, 16);
        EXPECT_EQ(ByteOffset(Named(kind, "Audio Pid2")), a + 2);
        EXPECT_EQ(ByteOffset(Named(kind, "Audio Pid3")), a + 4);
        const std::span<const TemplateField> fields = m_schema.Fields(kind, FieldView::Declaration);
        int bitsFromPid1 = 0;
        bool secondArrayFound = false;
        bool tailStartsOnAField = false;
        for (const TemplateField& field : fields) {
            const int at = ByteOffset(field);
            if (at < a)
                continue;
            bitsFromPid1 += field.totalBits;
            if (at == a + 40) {
                secondArrayFound = true;
                EXPECT_EQ(field.kind, FieldKind::Array);
                EXPECT_EQ(field.width, 16);
                EXPECT_EQ(field.totalBits, 20 * 16);
            }
            tailStartsOnAField = tailStartsOnAField || field.wordIndex * 32 + field.bitOffset == (a + 80) * 8;
        }
        EXPECT_TRUE(secondArrayFound);
        EXPECT_TRUE(tailStartsOnAField);
        EXPECT_EQ((a + 80) % 4, 0);
        EXPECT_EQ(bitsFromPid1, (40 + 40 + 36) * 8);
        EXPECT_EQ(m_schema.NodeSize(kind), a + 116);
        // The compact form is read back by its audio_count, so that must lie before the PIDs.
        const TemplateField& count = Named(kind, "audio_count");
        EXPECT_LE(ByteOffset(count) + count.totalBits / 8, a);
        EXPECT_GE((1 << count.width) - 1, 20);
    }
}

TEST_F(SampleTemplate, DefaultProgramRecordMatchesTheProgramRecord)
{
    const std::span<const TemplateField> prog = m_schema.Fields(NodeKind::Program, FieldView::Declaration);
    const std::span<const TemplateField> def = m_schema.Fields(NodeKind::DefaultProgram, FieldView::Declaration);
    ASSERT_EQ(prog.size(), def.size());
    for (std::size_t i = 0; i < prog.size(); ++i) {
        EXPECT_EQ(def[i].name, prog[i].name);
        EXPECT_EQ(def[i].totalBits, prog[i].totalBits);
        EXPECT_EQ(def[i].wordIndex, prog[i].wordIndex);
        EXPECT_EQ(def[i].bitOffset, prog[i].bitOffset);
        EXPECT_EQ(def[i].kind, prog[i].kind);
    }
}

} // namespace
} // namespace torvane
