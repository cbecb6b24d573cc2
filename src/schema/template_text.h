#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The characters skipped before a block, between declarations and before a number.
inline constexpr std::string_view kTemplateBlanks = "\t\n\r ;";

std::string_view SkipTemplateBlanks(std::string_view text);
// Removes leading and trailing spaces and tabs.
std::string_view TrimSpacesAndTabs(std::string_view text);

// Cuts the line at its first "//" outside double quotes and outside a block comment. The block
// comment state carries over from line to line through inBlockComment; the quote state does not.
std::string CutLineComment(std::string_view line, bool& inBlockComment);

// Drops ordinary block comments with their delimiters. Annotations and markers begin with "/*#"
// and end with "@*/" and are kept.
std::string RemoveBlockComments(std::string_view text);

// The header text ready for block finding: every line (terminated by LF or CRLF) cut at its line
// comment and ended with a line feed, then the block comments removed.
std::string CleanTemplateText(std::string_view fileContent);

// The declarations of the block that follows marker in the cleaned text, each piece without its
// terminating ';'. Empty when the marker is missing, the '{' stands too far from it, or there is
// no '}'. Text after the last ';' is not a declaration.
std::vector<std::string_view> DeclarationPieces(std::string_view text, std::string_view marker);

} // namespace torvane
