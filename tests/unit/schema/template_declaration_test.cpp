#include "schema/template_declaration.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/recording_prompts.h"

namespace torvane {
namespace {

struct DeclarationCase {
    std::string piece;
    std::string name;
    FieldKind kind;
    std::int32_t width;
    std::int32_t totalBits;
    std::int32_t pos = -1;
    std::int32_t mask = 0;
    std::vector<std::string> messages = {};
};

void PrintTo(const DeclarationCase& c, std::ostream* os)
{
    *os << '"' << c.piece << '"';
}

class ParsedDeclarations : public ::testing::TestWithParam<DeclarationCase> {};

TEST_P(ParsedDeclarations, GiveField)
{
    const DeclarationCase& c = GetParam();
    test::RecordingPrompts prompts;
    const std::optional<TemplateField> field = ParseDeclaration(c.piece, prompts);
    ASSERT_TRUE(field.has_value());
    EXPECT_EQ(field->name, c.name);
    EXPECT_EQ(field->kind, c.kind);
    EXPECT_EQ(field->width, c.width);
    EXPECT_EQ(field->totalBits, c.totalBits);
    EXPECT_EQ(field->pos, c.pos);
    EXPECT_EQ(field->mask, c.mask);
    EXPECT_EQ(field->bitOffset, 0);
    EXPECT_EQ(field->wordIndex, 0);
    EXPECT_EQ(prompts.messages, c.messages);
    EXPECT_TRUE(prompts.questions.empty());
}

const std::string kName255(255, 'n');

INSTANTIATE_TEST_SUITE_P(
    Declarations, ParsedDeclarations,
    ::testing::Values(
        // Types and their widths.
        DeclarationCase{"UINT32 a", "a", FieldKind::Number, 32, 32},
        DeclarationCase{"UINT16 a", "a", FieldKind::Number, 16, 16},
        DeclarationCase{"UINT8 a", "a", FieldKind::Number, 8, 8},
        DeclarationCase{"char a", "a", FieldKind::Number, 8, 8},
        DeclarationCase{"short a", "a", FieldKind::Number, 16, 16},
        DeclarationCase{"int a", "a", FieldKind::Number, 32, 32},
        DeclarationCase{"long a", "a", FieldKind::Number, 32, 32},
        DeclarationCase{"unsigned char a", "a", FieldKind::Number, 8, 8},
        DeclarationCase{"unsigned short a", "a", FieldKind::Number, 16, 16},
        DeclarationCase{"unsigned int a", "a", FieldKind::Number, 32, 32},
        DeclarationCase{"unsigned long a", "a", FieldKind::Number, 32, 32},
        DeclarationCase{"unsigned \t char a", "a", FieldKind::Number, 8, 8},
        DeclarationCase{"UINT8\ta", "a", FieldKind::Number, 8, 8},
        DeclarationCase{" \r\n\t;UINT8 lead", "lead", FieldKind::Number, 8, 8},
        // Aligned columns: any number of blanks between type, identifier and annotation.
        DeclarationCase{"UINT8   spaced   /*#pos:1@*/", "spaced", FieldKind::Number, 8, 8, 1},
        DeclarationCase{"UINT8 \t  tabbed", "tabbed", FieldKind::Number, 8, 8},
        DeclarationCase{"UINT16    pids [4]   /*#pos:2@*/", "pids", FieldKind::Array, 16, 64, 2},
        DeclarationCase{"UINT32     wide:4  /*#pos:1@*/", "wide", FieldKind::Number, 4, 4, 1},
        // Bit widths, decimal and hexadecimal.
        DeclarationCase{"UINT32 tp_id:16 /*#pos:1@*/", "tp_id", FieldKind::Number, 16, 16, 1},
        DeclarationCase{"UINT32 flags:0x3 /*#pos:2@*/", "flags", FieldKind::Number, 3, 3, 2},
        DeclarationCase{"UINT32 wide:40", "wide", FieldKind::Number, 40, 40},
        DeclarationCase{"UINT8 a/*#pos:1@*/", "a", FieldKind::Number, 8, 8, 1},
        // Arrays and strings.
        DeclarationCase{"UINT16 pid[3]", "pid", FieldKind::Array, 16, 48},
        DeclarationCase{"UINT8 name [8]", "name", FieldKind::Array, 8, 64},
        DeclarationCase{"UINT32 big[0x10]", "big", FieldKind::Array, 32, 512},
        DeclarationCase{"UINT8 none[0]", "none", FieldKind::Array, 8, 0},
        DeclarationCase{"UINT8 name[32] /*#name:Service Name|type:string|pos:1@*/", "Service Name",
                        FieldKind::String, 8, 256, 1},
        DeclarationCase{"UINT32 s /*#type:string@*/", "s", FieldKind::String, 32, 32},
        DeclarationCase{"UINT8 a[2] /*#type:bool@*/", "a", FieldKind::Array, 8, 16},
        DeclarationCase{"UINT8 a /*#type:text|pos:1@*/", "a", FieldKind::Number, 8, 8, 1},
        // A ':' or '[' inside the annotation neither makes a bit field nor prevents an array.
        DeclarationCase{"UINT8 a[4] /*#name:x:y@*/", "x:y", FieldKind::Array, 8, 32},
        DeclarationCase{"UINT8 v:4 /*#name:a[2]@*/", "a[2]", FieldKind::Number, 4, 4},
        DeclarationCase{"UINT8 v /*#name:w[2]@*/", "w[2]", FieldKind::Number, 8, 8},
        // A ':' before the annotation makes a bit field even with brackets.
        DeclarationCase{"UINT8 x[4]:3", "x", FieldKind::Number, 3, 3},
        // Attributes.
        DeclarationCase{"UINT8 a /*#  name : Spaced Name \t| pos : 7 @*/", "Spaced Name", FieldKind::Number, 8, 8, 7},
        DeclarationCase{"UINT8 a /*#masked:0x10|pos:0@*/", "a", FieldKind::Number, 8, 8, 0, 16},
        DeclarationCase{"UINT8 a /*#Pos:1|NAME:b|colour:red@*/", "a", FieldKind::Number, 8, 8},
        DeclarationCase{"UINT8 a /*#pos:2|@*/", "a", FieldKind::Number, 8, 8, 2},
        DeclarationCase{"UINT8 a /*#pos:1|pos:3@*/", "a", FieldKind::Number, 8, 8, 3},
        DeclarationCase{"UINT8 a /*#name:\"x|y\"|pos:3@*/", "\"x|y\"", FieldKind::Number, 8, 8, 3},
        DeclarationCase{"UINT8 a /*#name:{x|{y}|z}|pos:3@*/", "{x|{y}|z}", FieldKind::Number, 8, 8, 3},
        DeclarationCase{"UINT8 a /*#name:x // note|pos:3@*/", "x // note|pos:3", FieldKind::Number, 8, 8},
        DeclarationCase{"UINT8 a /*#name:@*/", "", FieldKind::Number, 8, 8},
        DeclarationCase{"UINT8 a /*#@*/", "a", FieldKind::Number, 8, 8},
        DeclarationCase{"UINT8 a /*#name:" + kName255 + "@*/", kName255, FieldKind::Number, 8, 8},
        DeclarationCase{"UINT8 " + kName255, kName255, FieldKind::Number, 8, 8},
        // A long identifier does not matter when the name attribute replaces it.
        DeclarationCase{"UINT8 " + kName255 + "x /*#name:short@*/", "short", FieldKind::Number, 8, 8},
        // Malformed attributes: "%s error" with the rest of the annotation, then no more attributes.
        DeclarationCase{"UINT8 a /*#pos@*/", "a", FieldKind::Number, 8, 8, -1, 0, {"pos error"}},
        DeclarationCase{"UINT8 a /*#name:x|pos|masked:1@*/", "x", FieldKind::Number, 8, 8, -1, 0,
                        {"pos|masked:1 error"}},
        DeclarationCase{"UINT8 a /*#:5|pos:2@*/", "a", FieldKind::Number, 8, 8, -1, 0, {":5|pos:2 error"}},
        DeclarationCase{"UINT8 a:2 /*#pos:1| masked @*/", "a", FieldKind::Number, 2, 2, 1, 0, {" masked  error"}}));

struct FailingCase {
    std::string piece;
    std::vector<std::string> messages = {};
};

void PrintTo(const FailingCase& c, std::ostream* os)
{
    *os << '"' << c.piece << '"';
}

class FailingDeclarations : public ::testing::TestWithParam<FailingCase> {};

TEST_P(FailingDeclarations, GiveNothing)
{
    test::RecordingPrompts prompts;
    EXPECT_FALSE(ParseDeclaration(GetParam().piece, prompts).has_value());
    EXPECT_EQ(prompts.messages, GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, FailingDeclarations,
    ::testing::Values(
        FailingCase{""}, FailingCase{" \n;"}, FailingCase{"float f"}, FailingCase{"double d /*#pos:1@*/"},
        FailingCase{"unsigned float f"}, FailingCase{"unsigned"}, FailingCase{"unsignedchar c"},
        FailingCase{"UINT8x a"}, FailingCase{"integer a"}, FailingCase{"UINT8"}, FailingCase{"UINT8\na"},
        FailingCase{"uint8 a"}, FailingCase{"struct node *next"},
        // Widths of 0, unreadable or wrapped below zero.
        FailingCase{"UINT32 a:0"}, FailingCase{"UINT32 a:zz"}, FailingCase{"UINT32 a:"},
        FailingCase{"UINT32 a: /*#pos:1@*/"}, FailingCase{"UINT32 a:0xffffffff"},
        // '[' without ']', and element counts that cannot be laid out.
        FailingCase{"UINT8 a[4"}, FailingCase{"UINT8 a[4 /*#pos:1@*/"}, FailingCase{"UINT32 a[0x7fffffff]"},
        FailingCase{"UINT8 a[0xffffffff]"},
        // Names over 255 characters, from either source.
        FailingCase{"UINT8 " + std::string(256, 'n')},
        FailingCase{"UINT8 a /*#name:" + std::string(256, 'n') + "@*/"},
        // The attribute message comes before the type test fails.
        FailingCase{"float f /*#pos@*/", {"pos error"}}));

} // namespace
} // namespace torvane
