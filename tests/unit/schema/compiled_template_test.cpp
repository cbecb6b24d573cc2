#include "schema/node_schema.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/recording_prompts.h"
#include "support/test_paths.h"
#include "unit/schema/template_builder.h"
#include "util/file_io.h"

namespace torvane {
namespace {

using namespace std::string_literals;

constexpr std::array<NodeKind, 4> kKinds = {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program,
                                            NodeKind::DefaultProgram};

NodeSchema ParsedText(const std::string& text)
{
    NodeSchema schema;
    test::RecordingPrompts prompts;
    EXPECT_TRUE(schema.ParseTemplateText(text, prompts));
    return schema;
}

NodeSchema ParsedSample()
{
    NodeSchema schema;
    test::RecordingPrompts prompts;
    EXPECT_TRUE(schema.ParseTemplate(test::sourcePath("samples/template.h"), prompts));
    return schema;
}

// A layout with holes, duplicates, arrays, strings and masks in every kind.
NodeSchema ParsedVaried()
{
    test::TemplateBodies bodies;
    bodies.tp = "UINT32 a:3 /*#pos:2|masked:0x5@*/; UINT32 b:29 /*#pos:1@*/; UINT8 c /*#pos:4@*/; UINT16 d[3];";
    bodies.sat = "UINT8 s /*#pos:1@*/; UINT8 name[6] /*#name:Sat Name|type:string|pos:1@*/; UINT32 x:0x11;";
    bodies.prog = "UINT16 p /*#pos:3@*/; UINT8 q /*#pos:1@*/; UINT8 r /*#pos:2|masked:1@*/; unsigned short t;";
    bodies.defProg = "UINT8 d /*#pos:9@*/; char e[2];";
    return ParsedText(test::TemplateText(bodies));
}

void ExpectSameLayout(const NodeSchema& actual, const NodeSchema& expected, NodeKind kind)
{
    SCOPED_TRACE(static_cast<int>(kind));
    EXPECT_EQ(actual.HasLayout(kind), expected.HasLayout(kind));
    for (FieldView view : {FieldView::Declaration, FieldView::Position}) {
        const std::span<const TemplateField> a = actual.Fields(kind, view);
        const std::span<const TemplateField> e = expected.Fields(kind, view);
        EXPECT_EQ(std::vector<TemplateField>(a.begin(), a.end()), std::vector<TemplateField>(e.begin(), e.end()));
    }
    EXPECT_EQ(actual.NodeSize(kind), expected.NodeSize(kind));
    EXPECT_EQ(actual.FieldCount(kind), expected.FieldCount(kind));
    EXPECT_EQ(actual.DeclarationCount(kind), expected.DeclarationCount(kind));
}

// Where each kind's section ends in the compiled bytes, worked out from the layouts themselves.
std::array<std::size_t, 4> SectionEnds(const NodeSchema& schema)
{
    std::array<std::size_t, 4> ends{};
    std::size_t at = 0;
    for (NodeKind kind : kKinds) {
        at += 2 + MarkerText(kind).size() + 2;
        for (const TemplateField& field : schema.Fields(kind, FieldView::Declaration))
            at += 2 + field.name.size() + 7 * 4;
        ends[static_cast<std::size_t>(kind)] = at;
    }
    return ends;
}

void ExpectNoLayout(const NodeSchema& schema, NodeKind kind)
{
    EXPECT_FALSE(schema.HasLayout(kind)) << static_cast<int>(kind);
    EXPECT_EQ(schema.NodeSize(kind), 0);
    EXPECT_EQ(schema.FieldCount(kind), 0);
}

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

TEST(CompiledTemplate, ExactBytes)
{
    test::TemplateBodies bodies;
    bodies.tp = "UINT8 pad[5]; UINT32 id:12 /*#pos:1|masked:2@*/;";
    bodies.sat = "UINT8 s /*#pos:1@*/;";
    bodies.prog = "UINT8 p[2] /*#name:P|type:string|pos:1@*/;";
    bodies.defProg = "UINT8 d;";
    const std::string expected =
        "\x0D\x00" "/*#tp_node@*/" "\x02\x00"
        "\x03\x00" "pad" "\x02\x00\x00\x00" "\x00\x00\x00\x00" "\xFF\xFF\xFF\xFF" "\x08\x00\x00\x00"
        "\x28\x00\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00"
        "\x02\x00" "id" "\x00\x00\x00\x00" "\x02\x00\x00\x00" "\x01\x00\x00\x00" "\x0C\x00\x00\x00"
        "\x0C\x00\x00\x00" "\x08\x00\x00\x00" "\x01\x00\x00\x00"
        "\x0E\x00" "/*#sat_node@*/" "\x01\x00"
        "\x01\x00" "s" "\x00\x00\x00\x00" "\x00\x00\x00\x00" "\x01\x00\x00\x00" "\x08\x00\x00\x00"
        "\x08\x00\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00"
        "\x0F\x00" "/*#prog_node@*/" "\x01\x00"
        "\x01\x00" "P" "\x01\x00\x00\x00" "\x00\x00\x00\x00" "\x01\x00\x00\x00" "\x08\x00\x00\x00"
        "\x10\x00\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00"
        "\x13\x00" "/*#def_prog_node@*/" "\x01\x00"
        "\x01\x00" "d" "\x00\x00\x00\x00" "\x00\x00\x00\x00" "\xFF\xFF\xFF\xFF" "\x08\x00\x00\x00"
        "\x08\x00\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00"s;
    EXPECT_EQ(ParsedText(test::TemplateText(bodies)).Compile(), Bytes(expected));
}

class CompiledRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(CompiledRoundTrip, GivesIdenticalLayouts)
{
    const NodeSchema original = GetParam() == 0 ? ParsedSample() : ParsedVaried();
    const std::vector<std::uint8_t> bytes = original.Compile();
    ASSERT_FALSE(bytes.empty());
    NodeSchema copy;
    copy.ReadCompiledBytes(bytes);
    for (NodeKind kind : kKinds)
        ExpectSameLayout(copy, original, kind);
    EXPECT_EQ(copy.Compile(), bytes);
}

INSTANTIATE_TEST_SUITE_P(Schemas, CompiledRoundTrip, ::testing::Values(0, 1));

TEST(CompiledTemplate, CutAtEveryByteKeepsExactlyTheWholeSectionsBeforeTheCut)
{
    const NodeSchema original = ParsedVaried();
    const std::vector<std::uint8_t> bytes = original.Compile();
    const std::array<std::size_t, 4> ends = SectionEnds(original);
    ASSERT_EQ(ends[3], bytes.size());
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        NodeSchema copy;
        copy.ReadCompiledBytes(std::span(bytes).first(cut));
        for (NodeKind kind : kKinds) {
            if (ends[static_cast<std::size_t>(kind)] <= cut)
                ExpectSameLayout(copy, original, kind);
            else
                ExpectNoLayout(copy, kind);
        }
    }
}

TEST(CompiledTemplate, WithoutDefaultProgramWritesThreeSections)
{
    NodeSchema schema = ParsedVaried();
    schema.ClearKind(NodeKind::DefaultProgram);
    const std::vector<std::uint8_t> bytes = schema.Compile();
    EXPECT_EQ(bytes.size(), SectionEnds(schema)[2]);
    NodeSchema copy;
    copy.ReadCompiledBytes(bytes);
    for (NodeKind kind : kKinds)
        ExpectSameLayout(copy, schema, kind);
}

TEST(CompiledTemplate, NeedsTpSatelliteAndProgramLayouts)
{
    for (NodeKind missing : {NodeKind::Tp, NodeKind::Satellite, NodeKind::Program}) {
        NodeSchema schema = ParsedVaried();
        schema.ClearKind(missing);
        EXPECT_TRUE(schema.Compile().empty()) << static_cast<int>(missing);
    }
    EXPECT_TRUE(NodeSchema{}.Compile().empty());
}

// Byte offsets inside the compiled form of ParsedVaried().
struct Offsets {
    std::array<std::size_t, 4> ends;
    std::size_t SectionStart(NodeKind kind) const
    {
        return kind == NodeKind::Tp ? 0 : ends[static_cast<std::size_t>(kind) - 1];
    }
    std::size_t FirstRecord(NodeKind kind) const { return SectionStart(kind) + 2 + MarkerText(kind).size() + 2; }
};

void PutLe16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct Corruption {
    std::string label;
    // Changes the compiled bytes of ParsedVaried() in the satellite section.
    void (*apply)(std::vector<std::uint8_t>&, const Offsets&);
};

void PrintTo(const Corruption& c, std::ostream* os)
{
    *os << c.label;
}

class CorruptSatelliteSection : public ::testing::TestWithParam<Corruption> {};

TEST_P(CorruptSatelliteSection, EndsReadingThereKeepingTheTpSection)
{
    const NodeSchema original = ParsedVaried();
    std::vector<std::uint8_t> bytes = original.Compile();
    const Offsets offsets{SectionEnds(original)};
    GetParam().apply(bytes, offsets);
    NodeSchema copy;
    copy.ReadCompiledBytes(bytes);
    ExpectSameLayout(copy, original, NodeKind::Tp);
    ExpectNoLayout(copy, NodeKind::Satellite);
    ExpectNoLayout(copy, NodeKind::Program);
    ExpectNoLayout(copy, NodeKind::DefaultProgram);
}

// The satellite's first record is "s" (name length 1), its integers follow the name.
constexpr std::size_t kFirstSatInteger = 2 + 1;

INSTANTIATE_TEST_SUITE_P(
    Corruptions, CorruptSatelliteSection,
    ::testing::Values(
        Corruption{"marker length 0",
                   [](auto& b, const Offsets& o) { PutLe16(b, o.SectionStart(NodeKind::Satellite), 0); }},
        Corruption{"marker length 1024",
                   [](auto& b, const Offsets& o) { PutLe16(b, o.SectionStart(NodeKind::Satellite), 1024); }},
        Corruption{"marker length past the end",
                   [](auto& b, const Offsets& o) { PutLe16(b, o.SectionStart(NodeKind::Satellite), 1023); }},
        Corruption{"name length 256",
                   [](auto& b, const Offsets& o) { PutLe16(b, o.FirstRecord(NodeKind::Satellite), 256); }},
        Corruption{"name length 0xFFFF",
                   [](auto& b, const Offsets& o) { PutLe16(b, o.FirstRecord(NodeKind::Satellite), 0xFFFF); }},
        Corruption{"field count past the end",
                   [](auto& b, const Offsets& o) { PutLe16(b, o.FirstRecord(NodeKind::Satellite) - 2, 0xFFFF); }},
        Corruption{"field kind 3",
                   [](auto& b, const Offsets& o) { PutLe32(b, o.FirstRecord(NodeKind::Satellite) + kFirstSatInteger, 3); }},
        Corruption{"width 0",
                   [](auto& b, const Offsets& o) {
                       PutLe32(b, o.FirstRecord(NodeKind::Satellite) + kFirstSatInteger + 3 * 4, 0);
                   }},
        Corruption{"negative total bits",
                   [](auto& b, const Offsets& o) {
                       PutLe32(b, o.FirstRecord(NodeKind::Satellite) + kFirstSatInteger + 4 * 4, 0xFFFFFFF8u);
                   }},
        Corruption{"bit offset 32",
                   [](auto& b, const Offsets& o) {
                       PutLe32(b, o.FirstRecord(NodeKind::Satellite) + kFirstSatInteger + 5 * 4, 32);
                   }},
        Corruption{"negative word index", [](auto& b, const Offsets& o) {
                       PutLe32(b, o.FirstRecord(NodeKind::Satellite) + kFirstSatInteger + 6 * 4, 0xFFFFFFFFu);
                   }}));

TEST(CompiledTemplate, UnknownMarkerSectionIsReadAndIgnored)
{
    const NodeSchema original = ParsedVaried();
    std::vector<std::uint8_t> bytes = original.Compile();
    const Offsets offsets{SectionEnds(original)};
    bytes[offsets.SectionStart(NodeKind::Satellite) + 2 + 3] = 'x';  // "/*#xat_node@*/"
    NodeSchema copy;
    copy.ReadCompiledBytes(bytes);
    ExpectSameLayout(copy, original, NodeKind::Tp);
    ExpectNoLayout(copy, NodeKind::Satellite);
    ExpectSameLayout(copy, original, NodeKind::Program);
    ExpectSameLayout(copy, original, NodeKind::DefaultProgram);
}

TEST(CompiledTemplate, MarkerLengthLimitIs1023)
{
    const NodeSchema original = ParsedVaried();
    const std::vector<std::uint8_t> compiled = original.Compile();
    for (std::uint16_t length : {std::uint16_t{1023}, std::uint16_t{1024}}) {
        std::vector<std::uint8_t> bytes(2 + length + 2, 'm');
        PutLe16(bytes, 0, length);
        PutLe16(bytes, 2 + length, 0);
        bytes.insert(bytes.end(), compiled.begin(), compiled.end());
        NodeSchema copy;
        copy.ReadCompiledBytes(bytes);
        EXPECT_EQ(copy.HasLayout(NodeKind::Tp), length == 1023) << length;
    }
}

TEST(CompiledTemplate, LaterSectionOfTheSameKindWins)
{
    const NodeSchema varied = ParsedVaried();
    const NodeSchema other = ParsedText(test::TemplateWithTp("UINT16 other /*#pos:1@*/;"));
    std::vector<std::uint8_t> bytes = varied.Compile();
    const std::vector<std::uint8_t> otherBytes = other.Compile();
    bytes.insert(bytes.end(), otherBytes.begin(), otherBytes.begin() + static_cast<long>(SectionEnds(other)[0]));
    NodeSchema copy;
    copy.ReadCompiledBytes(bytes);
    ExpectSameLayout(copy, other, NodeKind::Tp);
    ExpectSameLayout(copy, varied, NodeKind::Satellite);
}

TEST(CompiledTemplate, ReadingClearsTpSatelliteAndProgramButNotDefaultProgram)
{
    NodeSchema schema = ParsedVaried();
    schema.ReadCompiledBytes({});
    ExpectNoLayout(schema, NodeKind::Tp);
    ExpectNoLayout(schema, NodeKind::Satellite);
    ExpectNoLayout(schema, NodeKind::Program);
    ExpectSameLayout(schema, ParsedVaried(), NodeKind::DefaultProgram);
}

TEST(CompiledTemplate, SectionWithoutFieldsLeavesItsKindEmpty)
{
    const std::vector<std::uint8_t> bytes = Bytes("\x0D\x00" "/*#tp_node@*/" "\x00\x00"s);
    NodeSchema schema = ParsedVaried();
    schema.ReadCompiledBytes(bytes);
    ExpectNoLayout(schema, NodeKind::Tp);
}

class CompiledFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = ::testing::TempDir() + "compiled_template_test_script.ini";
        std::remove(m_path.c_str());
    }
    void TearDown() override { std::remove(m_path.c_str()); }
    std::string m_path;
};

TEST_F(CompiledFile, WriteThenReadGivesTheSameLayouts)
{
    const NodeSchema original = ParsedSample();
    ASSERT_TRUE(original.WriteCompiled(m_path));
    EXPECT_EQ(ReadWholeFile(m_path), original.Compile());
    NodeSchema copy;
    ASSERT_TRUE(copy.ReadCompiled(m_path));
    for (NodeKind kind : kKinds)
        ExpectSameLayout(copy, original, kind);
}

TEST_F(CompiledFile, WriteWithoutLayoutsWritesNothing)
{
    EXPECT_FALSE(NodeSchema{}.WriteCompiled(m_path));
    EXPECT_FALSE(ReadWholeFile(m_path).has_value());

    const std::vector<std::uint8_t> earlier = ParsedVaried().Compile();
    ASSERT_TRUE(ParsedVaried().WriteCompiled(m_path));
    EXPECT_FALSE(NodeSchema{}.WriteCompiled(m_path));
    EXPECT_EQ(ReadWholeFile(m_path), earlier);
}

TEST_F(CompiledFile, MissingFileFailsAndKeepsLayouts)
{
    NodeSchema schema = ParsedVaried();
    EXPECT_FALSE(schema.ReadCompiled(m_path));
    ExpectSameLayout(schema, ParsedVaried(), NodeKind::Tp);
    EXPECT_FALSE(schema.WriteCompiled(::testing::TempDir() + "no/such/folder/script.ini"));
}

TEST_F(CompiledFile, EmptyFileCountsAsReadWithNoLayouts)
{
    ASSERT_TRUE(WriteFileAtomically(m_path, {}));
    NodeSchema schema = ParsedVaried();
    EXPECT_TRUE(schema.ReadCompiled(m_path));
    ExpectNoLayout(schema, NodeKind::Tp);
}

} // namespace
} // namespace torvane
