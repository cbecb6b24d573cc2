#include "schema/template_text.h"

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace torvane {
namespace {

struct LineCase {
    std::string_view line;
    bool inBlockBefore;
    std::string_view expected;
    bool inBlockAfter;
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << '"' << c.line << '"';
}

class CutLineCommentCases : public ::testing::TestWithParam<LineCase> {};

TEST_P(CutLineCommentCases, CutsAtFirstLineCommentOutsideQuotesAndBlocks)
{
    bool inBlock = GetParam().inBlockBefore;
    EXPECT_EQ(CutLineComment(GetParam().line, inBlock), GetParam().expected);
    EXPECT_EQ(inBlock, GetParam().inBlockAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CutLineCommentCases,
    ::testing::Values(
        LineCase{"UINT8 a; // note", false, "UINT8 a; ", false},
        LineCase{"no comment", false, "no comment", false},
        LineCase{"//", false, "", false},
        LineCase{R"(s = "http://x"; // note)", false, R"(s = "http://x"; )", false},
        LineCase{R"(s = "a\"//b" // note)", false, R"(s = "a\"//b" )", false},
        LineCase{R"("// quoted at start" x // y)", false, R"("// quoted at start" x )", false},
        LineCase{"/* // */ x // y", false, "/* // */ x ", false},
        LineCase{"UINT8 a /*#pos:1 // kept@*/; // cut", false, "UINT8 a /*#pos:1 // kept@*/; ", false},
        LineCase{"x /* open // not cut", false, "x /* open // not cut", true},
        LineCase{"still // inside */ y // cut", true, "still // inside */ y ", false},
        LineCase{"inside all along //", true, "inside all along //", true},
        LineCase{R"(x "/*" // cut)", false, R"(x "/*" )", false},
        LineCase{"a / / b", false, "a / / b", false}));

struct TextCase {
    std::string_view text;
    std::string_view expected;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class RemoveBlockCommentsCases : public ::testing::TestWithParam<TextCase> {};

TEST_P(RemoveBlockCommentsCases, DropsOrdinaryCommentsKeepsAnnotations)
{
    EXPECT_EQ(RemoveBlockComments(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RemoveBlockCommentsCases,
    ::testing::Values(
        TextCase{"a /* b */ c", "a  c"}, TextCase{"a /*#pos:1@*/ c", "a /*#pos:1@*/ c"},
        TextCase{"a /* x /*#y@*/ z */ c", "a  c"}, TextCase{"a /* b @*/ c */ d", "a  d"},
        TextCase{"\"/* kept */\" x", "\"/* kept */\" x"}, TextCase{"a /*", "a /*"},
        TextCase{"a /*x", "a "}, TextCase{"/**/x", "x"}, TextCase{"a /* b\n c */ d\n", "a  d\n"},
        TextCase{"/*#tp_node@*/\n{", "/*#tp_node@*/\n{"}, TextCase{"", ""},
        TextCase{"x */ y", "x */ y"}));

class CleanTemplateTextCases : public ::testing::TestWithParam<TextCase> {};

TEST_P(CleanTemplateTextCases, CutsLinesThenRemovesBlocks)
{
    EXPECT_EQ(CleanTemplateText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CleanTemplateTextCases,
    ::testing::Values(
        TextCase{"", ""}, TextCase{"a // x\r\nb", "a \nb\n"}, TextCase{"a\n\nb\n", "a\n\nb\n"},
        TextCase{"/* multi\n// line\n*/ UINT8 x;", " UINT8 x;\n"},
        // A "/*" behind a line comment is cut away with it, so the "*/" later opens nothing.
        TextCase{"a // x /* y\nb */ c", "a \nb */ c\n"},
        TextCase{"s = \"a//b\"; // c\n", "s = \"a//b\"; \n"},
        TextCase{"UINT8 a /*#name:a//b@*/;\r\n", "UINT8 a /*#name:a//b@*/;\n"}));

struct PiecesCase {
    std::string_view text;
    std::vector<std::string_view> expected;
};

void PrintTo(const PiecesCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class DeclarationPiecesCases : public ::testing::TestWithParam<PiecesCase> {};

TEST_P(DeclarationPiecesCases, FindsBlockAndSplitsAtSemicolons)
{
    EXPECT_EQ(DeclarationPieces(GetParam().text, "/*#tp_node@*/"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, DeclarationPiecesCases,
    ::testing::Values(
        PiecesCase{"/*#tp_node@*/{a;b;}", {"a", "b"}},
        PiecesCase{"/*#tp_node@*/ \n\t;; {\n a ;;; \r\n b;}", {"a ", "b"}},
        PiecesCase{"/*#tp_node@*/x{a;}", {"a"}},
        PiecesCase{"/*#tp_node@*/xy{a;}", {}},
        PiecesCase{"/*#tp_node@*/ a; b; }", {"a", "b"}},
        PiecesCase{"/*#tp_node@*/{a; b", {}},
        PiecesCase{"/*#tp_node@*/{a; b }", {"a"}},
        PiecesCase{"/*#tp_node@*/{}", {}},
        PiecesCase{"/*#tp_node@*/{ ;; }", {}},
        PiecesCase{"struct { a; }", {}},
        PiecesCase{"{x;} /*#tp_node@*/ {b;} /*#tp_node@*/ {c;}", {"b"}},
        PiecesCase{"/*#tp_node@*/", {}},
        PiecesCase{"/*#sat_node@*/{a;}", {}}));

TEST(SkipTemplateBlanks, SkipsOnlyTheBlankSet)
{
    EXPECT_EQ(SkipTemplateBlanks(" \t\r\n;x ;"), "x ;");
    EXPECT_EQ(SkipTemplateBlanks(" ;\n"), "");
    EXPECT_EQ(TrimSpacesAndTabs(" \t a b \t"), "a b");
    EXPECT_EQ(TrimSpacesAndTabs("\na\n"), "\na\n");
}

} // namespace
} // namespace torvane
