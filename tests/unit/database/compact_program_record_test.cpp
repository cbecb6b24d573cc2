#include "database/compact_program_record.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/recording_prompts.h"
#include "support/test_paths.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

class CompactProgramRecordTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(schema.ParseTemplate(test::sourcePath("samples/template.h"), prompts)); }

    // A program record of the sample template with count audio entries; every other byte holds
    // a value derived from its position, the unused audio entries are 0.
    static Bytes Record(int count)
    {
        Bytes record(160);
        for (std::size_t i = 0; i < record.size(); ++i)
            record[i] = static_cast<std::uint8_t>(i * 13 + 1);
        record[37] = static_cast<std::uint8_t>(count);
        for (int e = 0; e < 20; ++e) {
            WriteLe16(&record[44 + 2 * static_cast<std::size_t>(e)], e < count ? static_cast<std::uint16_t>(0x1000 + e) : 0);
            WriteLe16(&record[84 + 2 * static_cast<std::size_t>(e)], e < count ? static_cast<std::uint16_t>(0x2000 + e) : 0);
        }
        return record;
    }

    NodeSchema schema;
    test::RecordingPrompts prompts;
};

TEST_F(CompactProgramRecordTest, SampleLayoutHasTheCompactShape)
{
    const CompactProgramRecord layout(schema);
    EXPECT_TRUE(layout.IsValid());
    EXPECT_EQ(layout.AudioOffset(), 44);
    EXPECT_EQ(layout.RecordSize(), 160);
    EXPECT_EQ(layout.CompactSize(0), 80);
    EXPECT_EQ(layout.CompactSize(20), 160);
}

class CompactRoundTrip : public CompactProgramRecordTest, public ::testing::WithParamInterface<int> {};

TEST_P(CompactRoundTrip, CompactThenExpandGivesTheRecord)
{
    const int count = GetParam();
    const CompactProgramRecord layout(schema);
    const Bytes record = Record(count);
    const Bytes compact = layout.Compact(record, prompts);
    ASSERT_EQ(compact.size(), static_cast<std::size_t>(80 + 4 * count));
    // Prefix, the used entries of both arrays, then the nine closing words.
    EXPECT_TRUE(std::equal(record.begin(), record.begin() + 44, compact.begin()));
    if (count > 0) {
        EXPECT_EQ(ReadLe16(&compact[44]), 0x1000);
        EXPECT_EQ(ReadLe16(&compact[44 + 2 * static_cast<std::size_t>(count)]), 0x2000);
    }
    EXPECT_TRUE(std::equal(record.begin() + 124, record.end(), compact.end() - 36));

    Bytes expanded(160, 0xAA);
    Bytes stream = compact;
    stream.push_back(0x99);  // the next record is not taken
    EXPECT_EQ(layout.Expand(stream, expanded, prompts), 80 + 4 * count);
    EXPECT_EQ(expanded, record);
    EXPECT_TRUE(prompts.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(AudioCounts, CompactRoundTrip, ::testing::Values(0, 1, 2, 19, 20));

TEST_F(CompactProgramRecordTest, ExpandRefusesBadInputAndLeavesRecord)
{
    const CompactProgramRecord layout(schema);
    const Bytes compact = layout.Compact(Record(3), prompts);
    Bytes record(160, 0xAA);
    const Bytes untouched = record;

    EXPECT_EQ(layout.Expand(Bytes(compact.begin(), compact.end() - 1), record, prompts), -1);
    EXPECT_EQ(layout.Expand(Bytes(compact.begin(), compact.begin() + 43), record, prompts), -1);
    Bytes tooMany = compact;
    tooMany[37] = 21;
    tooMany.resize(200);
    EXPECT_EQ(layout.Expand(tooMany, record, prompts), -1);
    Bytes wrongSize(159);
    EXPECT_EQ(layout.Expand(compact, wrongSize, prompts), -1);
    EXPECT_EQ(record, untouched);
    EXPECT_TRUE(layout.Compact(Bytes(161), prompts).empty());
    EXPECT_TRUE(layout.Compact(tooMany, prompts).empty());
    EXPECT_TRUE(prompts.messages.empty());
}

struct LayoutCase {
    const char* name;
    std::string prog;
};

class CompactLayouts : public CompactProgramRecordTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(CompactLayouts, RefusedWhenShapeDiffers)
{
    const std::string text = "typedef struct\n/*#tp_node@*/\n{\nUINT16 tp_id /*#pos:1@*/;\n} T;\n"
                             "typedef struct\n/*#sat_node@*/\n{\nUINT16 sat_id /*#pos:1@*/;\n} S;\n"
                             "typedef struct\n/*#prog_node@*/\n{\n" + GetParam().prog + "\n} P;\n"
                             "typedef struct\n/*#def_prog_node@*/\n{\nUINT16 x;\n} D;\n";
    ASSERT_TRUE(schema.ParseTemplateText(text, prompts)) << GetParam().name;
    EXPECT_FALSE(CompactProgramRecord(schema).IsValid()) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CompactLayouts,
    ::testing::Values(
        LayoutCase{"no audio_count", "UINT16 a /*#name:Audio Pid1|pos:1@*/; UINT16 more[39]; UINT32 tail[9];"},
        LayoutCase{"no Audio Pid1", "UINT8 audio_count; UINT8 x /*#pos:1@*/; UINT16 pids[40]; UINT32 tail[9];"},
        LayoutCase{"count after the audio PIDs",
                   "UINT16 a /*#name:Audio Pid1|pos:1@*/; UINT16 more[39]; UINT8 audio_count; UINT8 pad[3]; UINT32 tail[8];"},
        LayoutCase{"tail too short", "UINT8 audio_count; UINT8 x; UINT16 a /*#name:Audio Pid1|pos:1@*/; UINT16 more[39]; UINT32 tail[8];"},
        LayoutCase{"count is an array", "UINT8 audio_count[2]; UINT16 a /*#name:Audio Pid1|pos:1@*/; UINT16 more[39]; UINT32 tail[9];"}));

TEST_F(CompactProgramRecordTest, MinimalValidShape)
{
    const std::string text = "typedef struct\n/*#tp_node@*/\n{\nUINT16 tp_id /*#pos:1@*/;\n} T;\n"
                             "typedef struct\n/*#sat_node@*/\n{\nUINT16 sat_id /*#pos:1@*/;\n} S;\n"
                             "typedef struct\n/*#prog_node@*/\n{\nUINT8 audio_count; UINT8 x; UINT16 a /*#name:Audio Pid1|pos:1@*/;"
                             " UINT16 more[39]; UINT32 tail[9];\n} P;\n"
                             "typedef struct\n/*#def_prog_node@*/\n{\nUINT16 x;\n} D;\n";
    ASSERT_TRUE(schema.ParseTemplateText(text, prompts)) << (prompts.messages.empty() ? "" : prompts.messages[0]);
    const CompactProgramRecord layout(schema);
    EXPECT_TRUE(layout.IsValid());
    EXPECT_EQ(layout.AudioOffset(), 2);
    EXPECT_EQ(layout.CompactSize(1), 2 + 4 + 36);
}

} // namespace
} // namespace torvane
