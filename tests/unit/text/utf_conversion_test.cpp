#include "text/utf_conversion.h"

#include <ostream>

#include <gtest/gtest.h>

namespace torvane {
namespace {

struct Utf8Case {
    const char* what;
    std::string utf8;
    std::optional<std::u16string> utf16;
};

void PrintTo(const Utf8Case& c, std::ostream* os)
{
    *os << c.what;
}

class Utf8Decoding : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Decoding, DecodesOrRefuses)
{
    EXPECT_EQ(Utf8ToUtf16(GetParam().utf8), GetParam().utf16);
    if (GetParam().utf16) {
        EXPECT_EQ(Utf16ToUtf8(*GetParam().utf16), GetParam().utf8);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Decoding,
    ::testing::Values(Utf8Case{"ascii", "Sat 1", u"Sat 1"},
                      Utf8Case{"empty", "", u""},
                      Utf8Case{"two-byte arabic", "\xD8\xB3\xD9\x84", u"\u0633\u0644"},
                      Utf8Case{"three-byte presentation form", "\xEF\xBB\xBB", u"\uFEFB"},
                      Utf8Case{"four-byte becomes a surrogate pair", "\xF0\x9F\x93\xBA", u"\U0001F4FA"},
                      Utf8Case{"largest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
                      Utf8Case{"past U+10FFFF", "\xF4\x90\x80\x80", std::nullopt},
                      Utf8Case{"cut sequence", "a\xD8", std::nullopt},
                      Utf8Case{"cut four-byte sequence", "\xF0\x9F\x93", std::nullopt},
                      Utf8Case{"stray continuation byte", "\x80", std::nullopt},
                      Utf8Case{"overlong slash", "\xC0\xAF", std::nullopt},
                      Utf8Case{"overlong three-byte", "\xE0\x80\xAF", std::nullopt},
                      Utf8Case{"encoded surrogate", "\xED\xA0\x80", std::nullopt},
                      Utf8Case{"bad continuation", "\xE2\x28\xA1", std::nullopt},
                      Utf8Case{"five-byte lead", "\xF8\x88\x80\x80\x80", std::nullopt}));

TEST(Utf16ToUtf8, LoneSurrogatesBecomeReplacementCharacters)
{
    EXPECT_EQ(Utf16ToUtf8(u"a\xD800" u"b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD83D')), "\xEF\xBF\xBD");
}

} // namespace
} // namespace torvane
