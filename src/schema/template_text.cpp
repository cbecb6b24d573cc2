#include "schema/template_text.h"

namespace torvane {
namespace {

// A double quote counts when it starts the text or does not follow a backslash.
bool IsQuoteAt(std::string_view text, std::size_t i)
{
    return text[i] == '"' && (i == 0 || text[i - 1] != '\\');
}

bool PairAt(std::string_view text, std::size_t i, char first, char second)
{
    return i + 1 < text.size() && text[i] == first && text[i + 1] == second;
}

} // namespace

std::string_view SkipTemplateBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kTemplateBlanks);
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

std::string_view TrimSpacesAndTabs(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string CutLineComment(std::string_view line, bool& inBlockComment)
{
    bool inQuotes = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (IsQuoteAt(line, i)) {
            inQuotes = !inQuotes;
            continue;
        }
        if (inQuotes)
            continue;
        if (!inBlockComment && PairAt(line, i, '/', '/'))
            return std::string(line.substr(0, i));
        if (!inBlockComment && PairAt(line, i, '/', '*')) {
            inBlockComment = true;
            ++i;
        } else if (inBlockComment && PairAt(line, i, '*', '/')) {
            inBlockComment = false;
            ++i;
        }
    }
    return std::string(line);
}

std::string RemoveBlockComments(std::string_view text)
{
    std::string kept;
    kept.reserve(text.size());
    bool inQuotes = false;
    bool inComment = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsQuoteAt(text, i))
            inQuotes = !inQuotes;
        if (inComment) {
            // "@*/" ends an annotation inside the comment, not the comment.
            if (i >= 2 && PairAt(text, i, '*', '/') && text[i - 1] != '@') {
                inComment = false;
                ++i;
            }
            continue;
        }
        if (!inQuotes && PairAt(text, i, '/', '*') && i + 2 < text.size() && text[i + 2] != '#') {
            inComment = true;
            ++i;
            continue;
        }
        kept.push_back(text[i]);
    }
    return kept;
}

std::string CleanTemplateText(std::string_view fileContent)
{
    std::string text;
    text.reserve(fileContent.size() + 1);
    bool inBlockComment = false;
    while (!fileContent.empty()) {
        const std::size_t end = fileContent.find('\n');
        std::string_view line = fileContent.substr(0, end);
        fileContent.remove_prefix(end == std::string_view::npos ? fileContent.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        text += CutLineComment(line, inBlockComment);
        text += '\n';
    }
    return RemoveBlockComments(text);
}

std::vector<std::string_view> DeclarationPieces(std::string_view text, std::string_view marker)
{
    const std::size_t at = text.find(marker);
    if (at == std::string_view::npos)
        return {};
    std::string_view rest = SkipTemplateBlanks(text.substr(at + marker.size()));
    // The '{' may stand at most one character away; without any '{' the block begins right here.
    const std::size_t brace = rest.find('{');
    if (brace != std::string_view::npos) {
        if (brace > 1)
            return {};
        rest.remove_prefix(brace + 1);
    }
    rest = SkipTemplateBlanks(rest);
    const std::size_t close = rest.find('}');
    if (close == std::string_view::npos)
        return {};
    std::string_view block = rest.substr(0, close);

    std::vector<std::string_view> pieces;
    for (;;) {
        block = SkipTemplateBlanks(block);
        const std::size_t semicolon = block.find(';');
        if (semicolon == std::string_view::npos)
            break;
        pieces.push_back(block.substr(0, semicolon));
        block.remove_prefix(semicolon + 1);
    }
    return pieces;
}

} // namespace torvane
