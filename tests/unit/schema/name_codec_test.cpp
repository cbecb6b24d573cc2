#include "schema/name_codec.h"

#include <ostream>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "text/utf_conversion.h"

namespace torvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct DecodeCase {
    const char* what;
    Bytes stored;
    std::optional<std::string> text;
};

void PrintTo(const DecodeCase& c, std::ostream* os)
{
    *os << c.what;
}

Bytes Padded(Bytes bytes, std::size_t size)
{
    bytes.resize(size, 0);
    return bytes;
}

// n lam-alef ligatures, big-endian: each decodes to two letters.
Bytes Ligatures(std::size_t n)
{
    Bytes bytes;
    for (std::size_t i = 0; i < n; ++i) {
        bytes.push_back(0xFE);
        bytes.push_back(0xFB);
    }
    return bytes;
}

std::string Repeat(std::string_view piece, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

class DecodeNameCases : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeNameCases, DecodesTheWholeName)
{
    EXPECT_EQ(DecodeName(GetParam().stored), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeNameCases,
    ::testing::Values(
        DecodeCase{"ABC in 32 bytes", Padded({0x00, 0x41, 0x00, 0x42, 0x00, 0x43, 0x00, 0x00}, 32), "ABC"},
        DecodeCase{"stops at the first zero unit", {0x00, 0x41, 0x00, 0x00, 0x00, 0x42}, "A"},
        DecodeCase{"full field without terminator", {0x00, 0x41, 0x00, 0x42}, "AB"},
        DecodeCase{"odd last byte is a high byte", {0x00, 0x41, 0x06}, "A\xD8\x80"},
        DecodeCase{"salam in stored forms", {0xFE, 0xE1, 0xFE, 0xFC, 0xFE, 0xB3}, "\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85"},
        DecodeCase{"31 ligatures decode to 62 letters, never cut", Ligatures(31),
                   Repeat("\xD9\x84\xD8\xA7", 31)},
        DecodeCase{"two bytes is the smallest field", {0x00, 0x5A}, "Z"},
        DecodeCase{"one byte is refused", {0x00}, std::nullopt},
        DecodeCase{"63 bytes decode", Padded({0x00, 0x51}, 63), "Q"},
        DecodeCase{"64 bytes read as nothing", Padded({0x00, 0x51}, 64), std::nullopt},
        DecodeCase{"surrogate pair", {0xD8, 0x3D, 0xDC, 0xFA}, "\xF0\x9F\x93\xBA"}));

struct EncodeCase {
    const char* what;
    std::size_t fieldSize;
    std::string text;
    std::optional<Bytes> stored;  // nothing: refused, field left as it was
};

void PrintTo(const EncodeCase& c, std::ostream* os)
{
    *os << c.what;
}

class EncodeNameCases : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeNameCases, WritesOrLeavesTheFieldAsItWas)
{
    Bytes field(GetParam().fieldSize, 0xAA);
    const Bytes before = field;
    const bool written = EncodeName(field, GetParam().text);
    EXPECT_EQ(written, GetParam().stored.has_value());
    EXPECT_EQ(field, GetParam().stored.value_or(before));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodeNameCases,
    ::testing::Values(
        EncodeCase{"ABC zero-filled", 8, "ABC", Bytes{0x00, 0x41, 0x00, 0x42, 0x00, 0x43, 0x00, 0x00}},
        EncodeCase{"exactly fills the field", 6, "ABC", Bytes{0x00, 0x41, 0x00, 0x42, 0x00, 0x43}},
        EncodeCase{"odd field keeps its last byte zero", 5, "AB", Bytes{0x00, 0x41, 0x00, 0x42, 0x00}},
        EncodeCase{"one unit too many", 4, "ABC", std::nullopt},
        EncodeCase{"four letters whose shaped form fits three units", 6, "\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85",
                   Bytes{0xFE, 0xE1, 0xFE, 0xFC, 0xFE, 0xB3}},
        EncodeCase{"empty text zeroes the field", 4, "", Bytes{0, 0, 0, 0}},
        EncodeCase{"text ends at its first NUL", 8, std::string("AB\0CD", 5), Bytes{0, 0x41, 0, 0x42, 0, 0, 0, 0}},
        EncodeCase{"field of one byte", 1, "", std::nullopt},
        EncodeCase{"malformed UTF-8", 8, "A\xC0\xAF", std::nullopt},
        EncodeCase{"CR LF ends the name", 8, "AB\r\nCD", Bytes{0, 0x41, 0, 0x42, 0, 0, 0, 0}}));

TEST(NameCodec, GeneratedNamesComeBackAsWritten)
{
    const std::vector<std::string> pieces = {"A",  "z",  "7",  " ",  "-",  "\xD8\xA8" /* beh */,
                                             "\xD9\x84" /* lam */, "\xD8\xA7" /* alef */, "\xD9\x85" /* meem */,
                                             "\xD8\xB9" /* ain */, "\xD9\x88" /* waw */, "\xDA\xA9" /* keheh */,
                                             "\xC3\xA9" /* e acute */};
    std::mt19937 random(77);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<std::size_t> length(1, 31);
    for (int i = 0; i < 2000; ++i) {
        std::string text;
        const std::size_t n = length(random);
        for (std::size_t k = 0; k < n; ++k)
            text += pieces[pick(random)];
        Bytes field(62, 0xAA);
        ASSERT_TRUE(EncodeName(field, text)) << text;
        const std::optional<std::string> read = DecodeName(field);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, text);
        Bytes again(62, 0x55);
        ASSERT_TRUE(EncodeName(again, *read));
        EXPECT_EQ(again, field);
    }
}

} // namespace
} // namespace torvane
