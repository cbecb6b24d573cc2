#include "schema/node_schema.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/recording_prompts.h"
#include "unit/schema/template_builder.h"

namespace torvane {
namespace {

using test::TemplateBodies;
using test::TemplateText;
using test::TemplateWithTp;

struct Placement {
    std::string name;
    std::int32_t wordIndex;
    std::int32_t bitOffset;
};

std::vector<Placement> PlacementsOf(const NodeSchema& schema, NodeKind kind)
{
    std::vector<Placement> placements;
    for (const TemplateField& field : schema.Fields(kind, FieldView::Declaration))
        placements.push_back({field.name, field.wordIndex, field.bitOffset});
    return placements;
}

bool operator==(const Placement& a, const Placement& b)
{
    return a.name == b.name && a.wordIndex == b.wordIndex && a.bitOffset == b.bitOffset;
}

void PrintTo(const Placement& p, std::ostream* os)
{
    *os << p.name << "@w" << p.wordIndex << "b" << p.bitOffset;
}

std::vector<std::string> NamesOf(std::span<const TemplateField> fields)
{
    std::vector<std::string> names;
    for (const TemplateField& field : fields)
        names.push_back(field.name);
    return names;
}

NodeSchema Parsed(const std::string& text)
{
    NodeSchema schema;
    test::RecordingPrompts prompts;
    EXPECT_TRUE(schema.ParseTemplateText(text, prompts)) << text;
    return schema;
}

TEST(NodeSchemaParse, BitFieldsPackWithoutAlignment)
{
    const NodeSchema schema = Parsed(TemplateWithTp("UINT32 tp_id:16 /*#pos:1@*/;\n"
                                                    "UINT32 frq:16 /*#pos:2@*/;\n"
                                                    "UINT8 pol /*#pos:3@*/;"));
    EXPECT_EQ(PlacementsOf(schema, NodeKind::Tp),
              (std::vector<Placement>{{"tp_id", 0, 0}, {"frq", 0, 16}, {"pol", 1, 0}}));
    EXPECT_EQ(schema.NodeSize(NodeKind::Tp), 5);
    EXPECT_EQ(schema.FieldCount(NodeKind::Tp), 3);
    EXPECT_EQ(schema.DeclarationCount(NodeKind::Tp), 3);
    const TemplateField* pol = schema.Field(NodeKind::Tp, FieldView::Position, 2);
    ASSERT_NE(pol, nullptr);
    EXPECT_EQ(pol->width, 8);
    EXPECT_EQ(pol->totalBits, 8);
}

TEST(NodeSchemaParse, FieldsStraddleWordsAndArraysAdvanceByAllTheirBits)
{
    const NodeSchema schema = Parsed(TemplateWithTp("UINT32 a:30 /*#pos:1@*/; UINT32 b:4; UINT8 c[3]; UINT16 d:7; "
                                                    "UINT32 e; UINT32 f:0x19;"));
    EXPECT_EQ(PlacementsOf(schema, NodeKind::Tp),
              (std::vector<Placement>{{"a", 0, 0}, {"b", 0, 30}, {"c", 1, 2}, {"d", 1, 26}, {"e", 2, 1},
                                      {"f", 3, 1}}));
    // 30 + 4 + 24 + 7 + 32 + 25 = 122 bits: not whole bytes.
    EXPECT_EQ(schema.NodeSize(NodeKind::Tp), 0);
}

struct SizeCase {
    std::string body;
    int expectedSize;
};

class NodeSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(NodeSizes, AreWholeBytesOrZero)
{
    EXPECT_EQ(Parsed(TemplateWithTp(GetParam().body)).NodeSize(NodeKind::Tp), GetParam().expectedSize);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, NodeSizes,
    ::testing::Values(SizeCase{"UINT8 a /*#pos:1@*/;", 1}, SizeCase{"UINT32 a:3 /*#pos:1@*/;", 0},
                      SizeCase{"UINT32 a:3 /*#pos:1@*/; UINT32 b:5;", 1},
                      SizeCase{"UINT32 a:3 /*#pos:1@*/; UINT32 b:6;", 0},
                      SizeCase{"UINT16 a /*#pos:1@*/; UINT8 s[34] /*#type:string@*/;", 36},
                      SizeCase{"UINT8 a /*#pos:1@*/; UINT8 z[0];", 1},
                      SizeCase{"UINT32 a:12 /*#pos:1@*/; UINT32 b:12; UINT32 c:12; UINT32 d:12;", 6}));

TEST(NodeSchemaParse, PositionHoleEndsTheTableForLookupsAndCounts)
{
    const NodeSchema schema = Parsed(TemplateWithTp("UINT8 third /*#pos:3@*/; UINT8 first /*#pos:1@*/; UINT8 free;"));
    EXPECT_EQ(schema.FieldCount(NodeKind::Tp), 1);
    EXPECT_EQ(NamesOf(schema.Fields(NodeKind::Tp, FieldView::Position)), (std::vector<std::string>{"first"}));
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Position, "first"), 0);
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Position, "third"), -1);
    EXPECT_EQ(schema.Field(NodeKind::Tp, FieldView::Position, 1), nullptr);
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Declaration, "third"), 0);
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Declaration, "free"), 2);
    EXPECT_EQ(schema.DeclarationCount(NodeKind::Tp), 3);
}

TEST(NodeSchemaParse, LaterDuplicatePositionWins)
{
    const NodeSchema schema =
        Parsed(TemplateWithTp("UINT8 early /*#pos:1@*/; UINT8 second /*#pos:2@*/; UINT8 late /*#pos:1@*/;"));
    EXPECT_EQ(NamesOf(schema.Fields(NodeKind::Tp, FieldView::Position)), (std::vector<std::string>{"late", "second"}));
    const TemplateField* late = schema.Field(NodeKind::Tp, FieldView::Position, 0);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->wordIndex, 0);
    EXPECT_EQ(late->bitOffset, 16);
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Position, "early"), -1);
}

TEST(NodeSchemaParse, PositionsZeroNegativeAndFarAwayStayOutOfTheTable)
{
    const NodeSchema schema = Parsed(TemplateWithTp(
        "UINT8 zero /*#pos:0@*/; UINT8 one /*#pos:1@*/; UINT8 wrapped /*#pos:0xffffffff@*/; UINT8 far /*#pos:0x7fffffff@*/;"));
    EXPECT_EQ(NamesOf(schema.Fields(NodeKind::Tp, FieldView::Position)), (std::vector<std::string>{"one"}));
    EXPECT_EQ(schema.FieldCount(NodeKind::Tp), 1);
}

TEST(NodeSchemaParse, FindFieldIsExactAndCaseSensitive)
{
    const NodeSchema schema = Parsed(TemplateWithTp("UINT8 tp_id /*#pos:1@*/; UINT8 Tp_Id /*#pos:2@*/; UINT8 tp_id /*#pos:3@*/;"));
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Position, "tp_id"), 0);
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Position, "Tp_Id"), 1);
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Position, "TP_ID"), -1);
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Position, "tp_i"), -1);
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Position, ""), -1);
    EXPECT_EQ(schema.FindField(NodeKind::Satellite, FieldView::Position, "tp_id"), -1);
}

TEST(NodeSchemaParse, DefaultProgramAnswersWithDeclarationsAndNeedsNoPositions)
{
    TemplateBodies bodies;
    bodies.defProg = "UINT8 b /*#pos:2@*/; UINT16 a;";
    const NodeSchema schema = Parsed(TemplateText(bodies));
    EXPECT_EQ(NamesOf(schema.Fields(NodeKind::DefaultProgram, FieldView::Position)), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(schema.FieldCount(NodeKind::DefaultProgram), 2);
    EXPECT_EQ(schema.FindField(NodeKind::DefaultProgram, FieldView::Position, "a"), 1);
    EXPECT_EQ(schema.NodeSize(NodeKind::DefaultProgram), 3);
}

TEST(NodeSchemaParse, BlocksAreFoundInAnyOrder)
{
    TemplateBodies bodies;
    bodies.tp = "UINT16 tp_id /*#pos:1@*/;";
    bodies.sat = "UINT8 sat_id /*#pos:1@*/; UINT8 satname[4] /*#type:string|pos:2@*/;";
    bodies.prog = "UINT32 prog:24 /*#pos:1@*/;";
    bodies.defProg = "UINT8 d[2];";
    const std::string reversed = test::BlockText("/*#def_prog_node@*/", bodies.defProg)
        + test::BlockText("/*#prog_node@*/", bodies.prog) + test::BlockText("/*#sat_node@*/", bodies.sat)
        + test::BlockText("/*#tp_node@*/", bodies.tp);
    const NodeSchema inOrder = Parsed(TemplateText(bodies));
    const NodeSchema inReverse = Parsed(reversed);
    for (NodeKind kind : {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program, NodeKind::DefaultProgram}) {
        EXPECT_TRUE(std::ranges::equal(inOrder.Fields(kind, FieldView::Declaration),
                                       inReverse.Fields(kind, FieldView::Declaration)));
        EXPECT_EQ(inOrder.NodeSize(kind), inReverse.NodeSize(kind));
    }
    EXPECT_EQ(inReverse.NodeSize(NodeKind::Satellite), 5);
    EXPECT_EQ(inReverse.NodeSize(NodeKind::Program), 3);
}

TEST(NodeSchemaParse, CommentsAroundAndInsideBlocks)
{
    const std::string text =
        "/* An old layout: /*#tp_node@*/ { UINT8 wrong /*#pos:1@*/; } */\n"
        "const char* url = \"http://example\"; // the marker below is the real one\n"
        "/*#tp_node@*/ // TP\n"
        "{\n"
        "    UINT16 tp_id /*#pos:1@*/; // id\n"
        "    /* UINT8 gone; */\n"
        "    UINT8 pol /*#name:Pol // with note|pos:2@*/;\n"
        "};\n"
        + test::BlockText("/*#sat_node@*/", "UINT8 s /*#pos:1@*/;") + test::BlockText("/*#prog_node@*/", "UINT8 p /*#pos:1@*/;")
        + test::BlockText("/*#def_prog_node@*/", "UINT8 d;");
    const NodeSchema schema = Parsed(text);
    EXPECT_EQ(NamesOf(schema.Fields(NodeKind::Tp, FieldView::Declaration)),
              (std::vector<std::string>{"tp_id", "Pol // with note|pos:2"}));
    EXPECT_EQ(schema.FieldCount(NodeKind::Tp), 1);
}

TEST(NodeSchemaParse, DoubleSlashInsideStringLiteralKeepsTheRestOfTheLine)
{
    // Were the line cut at the "//" in the quotes, the block's '{' and first field would be lost.
    const std::string text = "char* s = \"a//b\"; /*#tp_node@*/ { UINT8 kept /*#pos:1@*/; UINT8 also; }\n"
        + test::BlockText("/*#sat_node@*/", "UINT8 s /*#pos:1@*/;") + test::BlockText("/*#prog_node@*/", "UINT8 p /*#pos:1@*/;")
        + test::BlockText("/*#def_prog_node@*/", "UINT8 d;");
    const NodeSchema schema = Parsed(text);
    EXPECT_EQ(NamesOf(schema.Fields(NodeKind::Tp, FieldView::Declaration)), (std::vector<std::string>{"kept", "also"}));
}

TEST(NodeSchemaParse, MalformedAttributeIsReportedAndFieldStillMade)
{
    NodeSchema schema;
    test::RecordingPrompts prompts;
    ASSERT_TRUE(schema.ParseTemplateText(TemplateWithTp("UINT8 a /*#pos:1@*/; UINT8 b /*#pos@*/;"), prompts));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"pos error"}));
    EXPECT_EQ(schema.DeclarationCount(NodeKind::Tp), 2);
    EXPECT_EQ(schema.FieldCount(NodeKind::Tp), 1);
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Declaration, "b"), 1);
    EXPECT_EQ(schema.Fields(NodeKind::Tp, FieldView::Declaration)[1].pos, -1);
}

struct BadTemplate {
    std::string label;
    std::string text;
};

void PrintTo(const BadTemplate& bad, std::ostream* os)
{
    *os << bad.label;
}

std::string WithoutBlock(std::string_view marker)
{
    std::string text = TemplateText({});
    const std::size_t at = text.find(marker);
    text.replace(at, marker.size(), "/* no marker */");
    return text;
}

std::string ReplacedIn(std::string text, std::string_view from, std::string_view to)
{
    text.replace(text.find(from), from.size(), to);
    return text;
}

std::string BinaryText()
{
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    return bytes;
}

class BadTemplates : public ::testing::TestWithParam<BadTemplate> {};

TEST_P(BadTemplates, FailWithoutTouchingEarlierLayoutsOrReadingOutOfBounds)
{
    NodeSchema schema;
    test::RecordingPrompts prompts;
    EXPECT_FALSE(schema.ParseTemplateText(GetParam().text, prompts));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(prompts.questions.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BadTemplates,
    ::testing::Values(
        BadTemplate{"empty", ""}, BadTemplate{"binary", BinaryText()},
        BadTemplate{"zero bytes", std::string(64, '\0')},
        BadTemplate{"no tp marker", WithoutBlock("/*#tp_node@*/")},
        BadTemplate{"no sat marker", WithoutBlock("/*#sat_node@*/")},
        BadTemplate{"no prog marker", WithoutBlock("/*#prog_node@*/")},
        BadTemplate{"no def marker", WithoutBlock("/*#def_prog_node@*/")},
        BadTemplate{"no closing brace", ReplacedIn(TemplateText({}), "} NODE;\n\ntypedef struct\n/*#sat", "NODE;\n\ntypedef struct\n/*#sat")},
        BadTemplate{"no closing brace at all", "/*#tp_node@*/ { UINT8 a /*#pos:1@*/; /*#sat_node@*/ { UINT8 b /*#pos:1@*/;"
                                               "/*#prog_node@*/ { UINT8 c /*#pos:1@*/; /*#def_prog_node@*/ { UINT8 d;"},
        BadTemplate{"brace too far", ReplacedIn(TemplateText({}), "/*#tp_node@*/\n{", "/*#tp_node@*/ xy {")},
        BadTemplate{"no declarations", TemplateWithTp("")},
        BadTemplate{"only semicolons", TemplateWithTp(";;;")},
        BadTemplate{"text without semicolon", TemplateWithTp("UINT8 a /*#pos:1@*/")},
        BadTemplate{"float", TemplateWithTp("UINT8 a /*#pos:1@*/; float f;")},
        BadTemplate{"no positions in tp", TemplateWithTp("UINT8 a; UINT8 b /*#pos:0@*/;")},
        BadTemplate{"width 0", TemplateWithTp("UINT8 a /*#pos:1@*/; UINT32 b:0;")},
        BadTemplate{"bracket without close", TemplateWithTp("UINT8 a[4 /*#pos:1@*/;")},
        BadTemplate{"name over 255", TemplateWithTp("UINT8 " + std::string(256, 'x') + " /*#pos:1@*/;")},
        BadTemplate{"annotation after semicolon", TemplateWithTp("UINT8 a; /*#pos:1@*/ UINT8 b;")},
        BadTemplate{"record over 2^31 bits", TemplateWithTp("UINT8 a[0xfffffff] /*#pos:1@*/; UINT8 b[0xfffffff];")}));

TEST(NodeSchemaParse, FailureKeepsKindsReplacedBeforeItAndOldLayoutsAfterIt)
{
    TemplateBodies first;
    first.tp = "UINT8 old_tp /*#pos:1@*/;";
    first.sat = "UINT8 old_sat /*#pos:1@*/;";
    first.prog = "UINT8 old_prog /*#pos:1@*/;";
    first.defProg = "UINT8 old_def;";
    NodeSchema schema = Parsed(TemplateText(first));

    TemplateBodies second;
    second.tp = "UINT16 new_tp /*#pos:1@*/;";
    second.sat = "UINT16 new_sat /*#pos:1@*/;";
    second.prog = "UINT16 new_prog /*#pos:1@*/; float broken;";
    second.defProg = "UINT16 new_def;";
    test::RecordingPrompts prompts;
    EXPECT_FALSE(schema.ParseTemplateText(TemplateText(second), prompts));
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Position, "new_tp"), 0);
    EXPECT_EQ(schema.FindField(NodeKind::Satellite, FieldView::Position, "new_sat"), 0);
    EXPECT_EQ(schema.FindField(NodeKind::Program, FieldView::Position, "old_prog"), 0);
    EXPECT_EQ(schema.FindField(NodeKind::DefaultProgram, FieldView::Declaration, "old_def"), 0);
    EXPECT_EQ(schema.NodeSize(NodeKind::Tp), 2);
    EXPECT_EQ(schema.NodeSize(NodeKind::Program), 1);
}

TEST(NodeSchemaParse, MissingBlockReplacesNothing)
{
    NodeSchema schema = Parsed(TemplateWithTp("UINT8 old_tp /*#pos:1@*/;"));
    TemplateBodies second;
    second.tp = "UINT16 new_tp /*#pos:1@*/;";
    second.defProg = "";
    test::RecordingPrompts prompts;
    EXPECT_FALSE(schema.ParseTemplateText(TemplateText(second), prompts));
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Position, "old_tp"), 0);
}

TEST(NodeSchemaClear, ClearKindEmptiesOnlyThatKind)
{
    NodeSchema schema = Parsed(TemplateWithTp("UINT16 tp_id /*#pos:1@*/;"));
    schema.ClearKind(NodeKind::Tp);
    EXPECT_FALSE(schema.HasLayout(NodeKind::Tp));
    EXPECT_EQ(schema.NodeSize(NodeKind::Tp), 0);
    EXPECT_EQ(schema.FieldCount(NodeKind::Tp), 0);
    EXPECT_EQ(schema.DeclarationCount(NodeKind::Tp), 0);
    EXPECT_EQ(schema.FindField(NodeKind::Tp, FieldView::Declaration, "tp_id"), -1);
    EXPECT_EQ(schema.Field(NodeKind::Tp, FieldView::Position, 0), nullptr);
    EXPECT_TRUE(schema.HasLayout(NodeKind::Satellite));
    EXPECT_TRUE(schema.HasLayout(NodeKind::DefaultProgram));

    schema.Clear();
    for (NodeKind kind : {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program, NodeKind::DefaultProgram}) {
        EXPECT_FALSE(schema.HasLayout(kind));
        EXPECT_EQ(schema.NodeSize(kind), 0);
    }
}

TEST(NodeSchemaClear, KindsOutsideTheFourAnswerNothing)
{
    NodeSchema schema = Parsed(TemplateText({}));
    const auto bogus = static_cast<NodeKind>(7);
    EXPECT_FALSE(schema.HasLayout(bogus));
    EXPECT_TRUE(schema.Fields(bogus, FieldView::Declaration).empty());
    EXPECT_EQ(schema.Field(bogus, FieldView::Declaration, 0), nullptr);
    EXPECT_EQ(schema.FindField(bogus, FieldView::Declaration, "tp_id"), -1);
    EXPECT_EQ(schema.NodeSize(bogus), 0);
    EXPECT_EQ(schema.FieldCount(bogus), 0);
    schema.ClearKind(bogus);
    EXPECT_TRUE(schema.HasLayout(NodeKind::Tp));
    EXPECT_EQ(MarkerText(bogus), "");
    EXPECT_EQ(schema.Field(NodeKind::Tp, FieldView::Declaration, -1), nullptr);
}

TEST(NodeSchemaParse, ReadsHeaderFileAndFailsOnMissingFile)
{
    const std::string path = ::testing::TempDir() + "node_schema_test_header.h";
    const std::string text = TemplateWithTp("UINT16 tp_id /*#pos:1@*/; UINT8 pol /*#pos:2@*/;");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);

    NodeSchema fromFile;
    test::RecordingPrompts prompts;
    EXPECT_TRUE(fromFile.ParseTemplate(path, prompts));
    EXPECT_EQ(fromFile.NodeSize(NodeKind::Tp), 3);
    std::remove(path.c_str());
    EXPECT_FALSE(fromFile.ParseTemplate(path, prompts));
    EXPECT_EQ(fromFile.NodeSize(NodeKind::Tp), 3);
}

TEST(NodeKindMarkers, RoundTripAndRejectOthers)
{
    for (NodeKind kind : {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program, NodeKind::DefaultProgram})
        EXPECT_EQ(KindOfMarker(MarkerText(kind)), kind);
    EXPECT_EQ(MarkerText(NodeKind::Tp), "/*#tp_node@*/");
    EXPECT_EQ(MarkerText(NodeKind::DefaultProgram), "/*#def_prog_node@*/");
    EXPECT_EQ(KindOfMarker("/*#TP_node@*/"), std::nullopt);
    EXPECT_EQ(KindOfMarker("/*#tp_node@*/ "), std::nullopt);
}

} // namespace
} // namespace torvane
