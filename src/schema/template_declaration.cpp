#include "schema/template_declaration.h"

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "schema/parse_number.h"
#include "schema/template_text.h"
#include "util/user_prompts.h"

namespace torvane {
namespace {

constexpr std::string_view kAnnotationOpen = "/*#";
constexpr std::string_view kAnnotationClose = "@*/";
constexpr std::size_t kMaxNameLength = 255;

struct TypeWord {
    std::string_view word;
    std::int32_t width;
};

// Tested in this order; the first word the declaration begins with wins.
constexpr std::array<TypeWord, 7> kTypeWords = {{
    {"UINT32", 32}, {"UINT16", 16}, {"UINT8", 8}, {"char", 8}, {"short", 16}, {"int", 32}, {"long", 32},
}};
constexpr std::array<TypeWord, 4> kUnsignedWords = {{{"char", 8}, {"short", 16}, {"int", 32}, {"long", 32}}};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

const TypeWord* MatchTypeWord(std::string_view text, std::span<const TypeWord> words)
{
    for (const TypeWord& type : words) {
        if (text.starts_with(type.word))
            return &type;
    }
    return nullptr;
}

struct TypePrefix {
    std::size_t length = 0;  // characters of the type words
    std::int32_t width = 0;
};

std::optional<TypePrefix> ReadType(std::string_view declaration)
{
    if (const TypeWord* type = MatchTypeWord(declaration, kTypeWords))
        return TypePrefix{type->word.size(), type->width};
    constexpr std::string_view kUnsigned = "unsigned";
    if (!declaration.starts_with(kUnsigned))
        return std::nullopt;
    std::size_t at = kUnsigned.size();
    const std::size_t afterUnsigned = at;
    while (at < declaration.size() && IsBlank(declaration[at]))
        ++at;
    if (at == afterUnsigned)
        return std::nullopt;
    const TypeWord* second = MatchTypeWord(declaration.substr(at), kUnsignedWords);
    if (second == nullptr)
        return std::nullopt;
    return TypePrefix{at + second->word.size(), second->width};
}

struct Attributes {
    std::optional<std::string> name;
    bool isString = false;
    std::int32_t pos = -1;
    std::int32_t mask = 0;
};

// Start and end of each attribute: the annotation split at '|' outside double quotes, outside
// {...} and before any "//".
std::vector<std::pair<std::size_t, std::size_t>> SplitAttributes(std::string_view annotation)
{
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    std::size_t start = 0;
    bool inQuotes = false;
    int depth = 0;
    for (std::size_t i = 0; i < annotation.size(); ++i) {
        const char c = annotation[i];
        if (c == '/' && i + 1 < annotation.size() && annotation[i + 1] == '/')
            break;
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && c == '{') {
            ++depth;
        } else if (!inQuotes && c == '}' && depth > 0) {
            --depth;
        } else if (!inQuotes && depth == 0 && c == '|') {
            spans.emplace_back(start, i);
            start = i + 1;
        }
    }
    spans.emplace_back(start, annotation.size());
    return spans;
}

Attributes ReadAttributes(std::string_view annotation, UserPrompts& prompts)
{
    Attributes attributes;
    for (const auto& [start, end] : SplitAttributes(annotation)) {
        const std::string_view attribute = annotation.substr(start, end - start);
        // An empty attribute (as left by a trailing '|') carries nothing to complain about.
        if (TrimSpacesAndTabs(attribute).empty())
            continue;
        const std::size_t colon = attribute.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            prompts.Message(std::string(annotation.substr(start)) + " error");
            break;
        }
        const std::string_view key = TrimSpacesAndTabs(attribute.substr(0, colon));
        const std::string_view value = TrimSpacesAndTabs(attribute.substr(colon + 1));
        if (key == "name")
            attributes.name = std::string(value);
        else if (key == "type")
            attributes.isString = attributes.isString || value == "string";
        else if (key == "pos")
            attributes.pos = ParseNumber(value);
        else if (key == "masked")
            attributes.mask = ParseNumber(value);
    }
    return attributes;
}

// The identifier with its bit width or element count, as written after the type's first blank.
// Further blanks before it are skipped: aligned columns such as "UINT8    name" would otherwise
// end the identifier before it begins and leave the field without a name.
std::string IdentifierText(std::string_view rest)
{
    while (!rest.empty() && IsBlank(rest.front()))
        rest.remove_prefix(1);
    std::size_t blank = 1;
    while (blank < rest.size() && !IsBlank(rest[blank]))
        ++blank;
    if (blank >= rest.size())
        return std::string(rest);
    std::string identifier(rest.substr(0, blank));
    // "name [8]" reads as "name[8]".
    const std::string_view after = rest.substr(blank);
    const std::size_t close = after.find(']');
    if (close != std::string_view::npos && close > 0) {
        std::string_view count = after.substr(0, close + 1);
        while (!count.empty() && IsBlank(count.front()))
            count.remove_prefix(1);
        identifier += count;
    }
    return identifier;
}

} // namespace

std::optional<TemplateField> ParseDeclaration(std::string_view piece, UserPrompts& prompts)
{
    const std::string_view declaration = SkipTemplateBlanks(piece);
    if (declaration.empty())
        return std::nullopt;

    // The annotation runs from the first "/*#" to the first "@*/" after it (to the end when the
    // only "@*/" stands before it).
    const std::size_t open = declaration.find(kAnnotationOpen);
    const bool annotated = open != std::string_view::npos && declaration.find(kAnnotationClose) != std::string_view::npos;
    std::string_view annotation;
    std::string_view head = declaration;  // what comes before the annotation
    if (annotated) {
        head = declaration.substr(0, open);
        const std::size_t textStart = open + kAnnotationOpen.size();
        const std::size_t close = declaration.find(kAnnotationClose, textStart);
        annotation = declaration.substr(textStart, close == std::string_view::npos ? std::string_view::npos : close - textStart);
        while (!annotation.empty() && IsBlank(annotation.front()))
            annotation.remove_prefix(1);
    }
    const std::size_t headColon = head.find(':');
    const bool isArray = head.find('[') != std::string_view::npos && headColon == std::string_view::npos;

    const Attributes attributes = annotation.empty() ? Attributes{} : ReadAttributes(annotation, prompts);

    const std::optional<TypePrefix> type = ReadType(declaration);
    if (!type || type->length >= declaration.size() || !IsBlank(declaration[type->length]))
        return std::nullopt;

    std::string identifier = IdentifierText(declaration.substr(type->length + 1));
    if (const std::size_t colon = identifier.find(':'); colon != std::string::npos && colon > 0)
        identifier.resize(colon);
    if (annotated) {
        if (const std::size_t at = identifier.find(kAnnotationOpen); at != std::string::npos && at > 0)
            identifier.resize(at);
    }
    std::int32_t elementCount = 0;
    if (const std::size_t open = identifier.find('['); open != std::string::npos) {
        const std::size_t close = identifier.find(']', open + 1);
        if (close == std::string::npos)
            return std::nullopt;
        elementCount = ParseNumber(std::string_view(identifier).substr(open + 1, close - open - 1));
        identifier.resize(open);
    }

    TemplateField field;
    field.name = attributes.name ? *attributes.name : std::string(TrimSpacesAndTabs(identifier));
    if (field.name.size() > kMaxNameLength)
        return std::nullopt;

    std::int32_t width = type->width;
    if (headColon != std::string_view::npos)
        width = ParseNumber(declaration.substr(headColon + 1));
    // Zero is unreadable; a negative width can only come from a wrapped number and is as unusable.
    if (width <= 0)
        return std::nullopt;

    std::int64_t totalBits = width;
    if (isArray) {
        if (elementCount < 0)
            return std::nullopt;
        width = type->width;
        totalBits = static_cast<std::int64_t>(type->width) * elementCount;
        if (totalBits > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
    }
    field.width = width;
    field.totalBits = static_cast<std::int32_t>(totalBits);
    field.kind = attributes.isString ? FieldKind::String : (isArray ? FieldKind::Array : FieldKind::Number);
    field.pos = attributes.pos;
    field.mask = attributes.mask;
    return field;
}

} // namespace torvane
