#include "text/quoted_text.h"

#include <string>

#include <gtest/gtest.h>

namespace torvane {
namespace {

std::string Repeated(std::string_view piece, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

TEST(QuotedText, QuotesAtMostEightyCharactersCutOnACharacterBoundary)
{
    const std::string alef = "\u0627";       // two bytes
    const std::string euro = "\u20AC";       // three bytes
    const std::string emoji = "\U0001F4FA";  // four bytes
    const struct {
        const char* what;
        std::string text;
        std::string quoted;
    } cases[] = {
        {"empty", "", "\"\""},
        {"80 ASCII", Repeated("a", 80), "\"" + Repeated("a", 80) + "\""},
        {"81 ASCII", Repeated("a", 81), "\"" + Repeated("a", 80) + "\u2026\""},
        {"80 Arabic", Repeated(alef, 80), "\"" + Repeated(alef, 80) + "\""},
        {"81 Arabic", Repeated(alef, 81), "\"" + Repeated(alef, 80) + "\u2026\""},
        {"mixed widths", "x" + Repeated(euro + emoji, 50), "\"x" + Repeated(euro + emoji, 39) + euro + "\u2026\""},
        {"no UTF-8", Repeated("\xFF", 100), "\"" + Repeated("\xFF", 80) + "\u2026\""},
        {"continuation bytes only", Repeated("\x80", 400), "\"" + Repeated("\x80", 320) + "\u2026\""},
        {"NUL inside", std::string("R\0adio", 6), std::string("\"R\0adio\"", 8)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuotedText(c.text), c.quoted) << c.what;
    EXPECT_EQ(QuotedText(std::string(3 << 20, 'x')).size(), 2 + 80 + std::string("\u2026").size());
}

} // namespace
} // namespace torvane
