#include "schema/field_codec.h"

#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "support/recording_prompts.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

TemplateField Number(int wordIndex, int bitOffset, int width)
{
    TemplateField f;
    f.name = "n";
    f.kind = FieldKind::Number;
    f.width = width;
    f.totalBits = width;
    f.wordIndex = wordIndex;
    f.bitOffset = bitOffset;
    return f;
}

TemplateField Array(int wordIndex, int bitOffset, int width, int count)
{
    TemplateField f = Number(wordIndex, bitOffset, width);
    f.kind = FieldKind::Array;
    f.totalBits = width * count;
    return f;
}

TemplateField String(int wordIndex, int bitOffset, int bytes)
{
    TemplateField f = Number(wordIndex, bitOffset, 8);
    f.kind = FieldKind::String;
    f.totalBits = 8 * bytes;
    return f;
}

Bytes Words(std::initializer_list<std::uint32_t> words)
{
    Bytes bytes(4 * words.size());
    std::size_t at = 0;
    for (const std::uint32_t w : words) {
        WriteLe32(&bytes[at], w);
        at += 4;
    }
    return bytes;
}

// --- reads -------------------------------------------------------------------------------------

struct ReadCase {
    const char* what;
    TemplateField field;
    FieldView view;
    int element;
    Bytes record;
    std::string text;
};

void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << c.what;
}

class ReadCases : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadCases, ReadsTheValueAsText)
{
    test::RecordingPrompts prompts;
    std::string out = "unchanged";
    ASSERT_TRUE(ReadRecordField(GetParam().record, 0, GetParam().field, GetParam().view, GetParam().element, out,
                                prompts));
    EXPECT_EQ(out, GetParam().text);
    EXPECT_TRUE(CanReadRecordField(GetParam().record, 0, GetParam().field, GetParam().view, GetParam().element,
                                   prompts));
    EXPECT_TRUE(prompts.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadCases,
    ::testing::Values(
        ReadCase{"3 bits at bit 29 holding 5", Number(0, 29, 3), FieldView::Position, 0, Words({0xA0000000u}), "5"},
        ReadCase{"32 bits all ones read signed", Number(0, 0, 32), FieldView::Position, 0, Words({0xFFFFFFFFu}), "-1"},
        ReadCase{"narrow fields read unsigned", Number(0, 4, 16), FieldView::Position, 0, Words({0x000FFFF0u}),
                 "65535"},
        ReadCase{"second word", Number(1, 8, 8), FieldView::Position, 0, Words({0xFFFFFFFFu, 0x00003C00u}), "60"},
        ReadCase{"12 bits across two words", Number(0, 28, 12), FieldView::Position, 0,
                 Words({0xB0000000u, 0x000000CDu}), std::to_string(0xCDB)},
        ReadCase{"32 bits across two words read signed", Number(0, 8, 32), FieldView::Position, 0,
                 Words({0x00000000u, 0x00000080u}), "-2147483648"},
        ReadCase{"one-byte field in a record shorter than a word", Number(1, 0, 8), FieldView::Position, 0,
                 Bytes{0, 0, 0, 0, 0x7F}, "127"},
        ReadCase{"16-bit element 0x9000", Array(0, 0, 16, 3), FieldView::Position, 1,
                 Bytes{1, 0, 0x00, 0x90, 3, 0}, "-28672"},
        ReadCase{"8-bit element signed", Array(0, 0, 8, 4), FieldView::Position, 3, Bytes{1, 2, 3, 0xFE}, "-2"},
        ReadCase{"32-bit element", Array(0, 8, 32, 1), FieldView::Position, 0, Bytes{0xFF, 0x78, 0x56, 0x34, 0x12},
                 std::to_string(0x12345678)},
        ReadCase{"array bytes in the declaration view", Array(0, 8, 8, 4), FieldView::Declaration, 0,
                 Bytes{0xFF, 'a', 'b', 'c', 'd'}, "abcd"},
        ReadCase{"array bytes end at a zero byte", Array(0, 0, 8, 4), FieldView::Declaration, 0,
                 Bytes{'a', 0, 'c', 'd'}, "a"},
        ReadCase{"string ABC", String(0, 0, 32),
                 FieldView::Declaration, 0,
                 [] {
                     Bytes b(32, 0);
                     b[1] = 'A';
                     b[3] = 'B';
                     b[5] = 'C';
                     return b;
                 }(),
                 "ABC"},
        ReadCase{"string starts at the next whole byte", String(0, 9, 4), FieldView::Position, 0,
                 Bytes{0xFF, 0xFF, 0x00, 0x58, 0x00, 0x59}, "XY"},
        ReadCase{"string field of 64 bytes reads as empty text", String(0, 0, 64), FieldView::Position, 0,
                 Bytes(64, 0x41), ""}));

// --- writes ------------------------------------------------------------------------------------

struct WriteCase {
    const char* what;
    TemplateField field;
    int element;
    Bytes before;
    std::string text;
    Bytes after;
};

void PrintTo(const WriteCase& c, std::ostream* os)
{
    *os << c.what;
}

class WriteCases : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteCases, ChangesOnlyTheFieldsBits)
{
    test::RecordingPrompts prompts;
    Bytes record = GetParam().before;
    ASSERT_TRUE(WriteRecordField(record, 0, GetParam().field, GetParam().element, GetParam().text, prompts));
    EXPECT_EQ(record, GetParam().after);
    EXPECT_TRUE(prompts.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteCases,
    ::testing::Values(
        WriteCase{"2 into 3 bits at bit 29", Number(0, 29, 3), 0, Words({0xBFFFFFFFu}), "2", Words({0x5FFFFFFFu})},
        WriteCase{"hex text", Number(0, 0, 8), 0, Words({0xAAAAAAAAu}), "0x1F", Words({0xAAAAAA1Fu})},
        WriteCase{"minus sign ends the number", Number(0, 0, 8), 0, Words({0xAAAAAAAAu}), "-3",
                  Words({0xAAAAAA00u})},
        WriteCase{"value wider than the field keeps its low bits", Number(0, 4, 4), 0, Words({0u}), "0x1F",
                  Words({0xF0u})},
        WriteCase{"32 bits", Number(1, 0, 32), 0, Words({7u, 0u}), "0x89ABCDEF", Words({7u, 0x89ABCDEFu})},
        WriteCase{"12 bits across two words", Number(0, 28, 12), 0, Words({0x0FFFFFFFu, 0xFFFFFF00u}), "0xABC",
                  Words({0xCFFFFFFFu, 0xFFFFFFABu})},
        WriteCase{"32 bits across two words", Number(0, 16, 32), 0, Words({0x0000FFFFu, 0xFFFF0000u}),
                  "0x12345678", Words({0x5678FFFFu, 0xFFFF1234u})},
        WriteCase{"one-byte field at the record's end", Number(1, 0, 8), 0, Bytes{1, 2, 3, 4, 5}, "200",
                  Bytes{1, 2, 3, 4, 200}},
        WriteCase{"16-bit element", Array(0, 8, 16, 2), 1, Bytes(5, 0xEE), "0x1234",
                  Bytes{0xEE, 0xEE, 0xEE, 0x34, 0x12}},
        WriteCase{"8-bit element keeps the low byte", Array(0, 0, 8, 2), 0, Bytes{9, 9}, "0x1FF", Bytes{0xFF, 9}},
        WriteCase{"32-bit element", Array(0, 0, 32, 1), 0, Bytes(4, 0), "0xFFFFFFFF", Bytes(4, 0xFF)},
        WriteCase{"string", String(0, 8, 4), 0, Bytes(5, 0xEE), "Hi", Bytes{0xEE, 0, 'H', 0, 'i'}}));

// --- refusals ----------------------------------------------------------------------------------

struct RefusalCase {
    const char* what;
    TemplateField field;
    FieldView view;
    int element;
    std::size_t regionSize;
    std::size_t recordOffset;
    bool outOfRange;  // shows "Out of Range"; otherwise fails silently
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.what;
}

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, FailWithoutTouchingTheRegion)
{
    const RefusalCase& c = GetParam();
    Bytes region(c.regionSize, 0x5A);
    const std::vector<std::string> expected =
        c.outOfRange ? std::vector<std::string>{std::string(kOutOfRangeMessage)} : std::vector<std::string>{};

    test::RecordingPrompts readPrompts;
    std::string out = "kept";
    EXPECT_FALSE(ReadRecordField(region, c.recordOffset, c.field, c.view, c.element, out, readPrompts));
    EXPECT_EQ(out, "kept");
    EXPECT_EQ(readPrompts.messages, expected);
    test::RecordingPrompts checkPrompts;
    EXPECT_FALSE(CanReadRecordField(region, c.recordOffset, c.field, c.view, c.element, checkPrompts));
    EXPECT_EQ(checkPrompts.messages, expected);

    test::RecordingPrompts writePrompts;
    EXPECT_FALSE(WriteRecordField(region, c.recordOffset, c.field, c.element, "1", writePrompts));
    EXPECT_EQ(region, Bytes(c.regionSize, 0x5A));
    EXPECT_EQ(writePrompts.messages, expected);
}

TemplateField WithKind(TemplateField f, FieldKind kind)
{
    f.kind = kind;
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusals,
    ::testing::Values(
        RefusalCase{"number's last byte at the region's end", Number(1, 0, 8), FieldView::Position, 0, 8, 4, true},
        RefusalCase{"crossing number cut by the region", Number(0, 28, 12), FieldView::Position, 0, 4, 0, true},
        RefusalCase{"record past the region", Number(0, 0, 8), FieldView::Position, 0, 8, 9, true},
        RefusalCase{"string running past the region", String(0, 0, 10), FieldView::Position, 0, 12, 4, true},
        RefusalCase{"array running past the region", Array(1, 0, 16, 4), FieldView::Position, 0, 11, 0, true},
        RefusalCase{"huge word index", Number(0x3FFFFFFF, 0, 8), FieldView::Position, 0, 16, 0, true},
        RefusalCase{"element index equal to the count", Array(0, 0, 16, 3), FieldView::Position, 3, 16, 0, false},
        RefusalCase{"negative element index", Array(0, 0, 16, 3), FieldView::Position, -1, 16, 0, false},
        RefusalCase{"array element of 12 bits", Array(0, 0, 12, 2), FieldView::Position, 0, 16, 0, false},
        RefusalCase{"zero width", Number(0, 0, 0), FieldView::Position, 0, 16, 0, false},
        RefusalCase{"bit offset 32", Number(0, 32, 8), FieldView::Position, 0, 16, 0, false},
        RefusalCase{"negative word index", Number(-1, 0, 8), FieldView::Position, 0, 16, 0, false},
        RefusalCase{"unknown field kind", WithKind(Number(0, 0, 8), static_cast<FieldKind>(7)),
                    FieldView::Position, 0, 16, 0, false}));

TEST(WriteRecordField, NameThatDoesNotFitLeavesTheField)
{
    test::RecordingPrompts prompts;
    Bytes record = {0, 'O', 0, 'K', 0, 0};
    EXPECT_FALSE(WriteRecordField(record, 0, String(0, 0, 6), 0, "ABCD", prompts));
    EXPECT_EQ(record, (Bytes{0, 'O', 0, 'K', 0, 0}));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(RecordFieldRoundTrip, EveryWidthAndOffsetKeepsItsNeighbours)
{
    test::RecordingPrompts prompts;
    for (int width = 1; width <= 32; ++width) {
        for (int bitOffset = 0; bitOffset < 32; ++bitOffset) {
            const TemplateField field = Number(1, bitOffset, width);
            Bytes record = Words({0x13579BDFu, 0x2468ACE0u, 0xFDB97531u, 0x0ECA8642u});
            const std::uint32_t value = width == 32 ? 0xA5C3F00Fu : 0xA5C3F00Fu & ((1u << width) - 1);

            // The record expected: bit by bit, the field's bits replaced and no other.
            Bytes expected = record;
            for (int i = 0; i < width; ++i) {
                const std::size_t bit = static_cast<std::size_t>(32 + bitOffset + i);
                const auto one = static_cast<std::uint8_t>(1u << (bit % 8));
                expected[bit / 8] = ((value >> i) & 1) ? (expected[bit / 8] | one) : (expected[bit / 8] & ~one);
            }

            ASSERT_TRUE(WriteRecordField(record, 0, field, 0, std::to_string(value), prompts));
            EXPECT_EQ(record, expected) << "width " << width << " offset " << bitOffset;
            std::string out;
            ASSERT_TRUE(ReadRecordField(record, 0, field, FieldView::Position, 0, out, prompts));
            const std::int64_t shown = width == 32 ? static_cast<std::int32_t>(value) : static_cast<std::int64_t>(value);
            EXPECT_EQ(out, std::to_string(shown)) << "width " << width << " offset " << bitOffset;
        }
    }
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
} // namespace torvane
