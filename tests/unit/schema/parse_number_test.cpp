#include "schema/parse_number.h"

#include <cstdint>
#include <limits>
#include <string_view>

#include <gtest/gtest.h>

namespace torvane {
namespace {

struct NumberCase {
    std::string_view text;
    std::int32_t expected;
};

void PrintTo(const NumberCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class ParseNumberCases : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ParseNumberCases, ReadsLeadingNumber)
{
    EXPECT_EQ(ParseNumber(GetParam().text), GetParam().expected) << "text: \"" << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseNumberCases,
    ::testing::Values(
        NumberCase{"", 0}, NumberCase{"0", 0}, NumberCase{"123", 123}, NumberCase{"0x1F", 31},
        NumberCase{"0X1f", 31}, NumberCase{"0xff", 255}, NumberCase{" \t\r\n;;42", 42}, NumberCase{"\n0x10", 16},
        // The minus sign is not a digit: the number ends before it.
        NumberCase{"-3", 0},
        // a-f are digits worth 10-15 in decimal too.
        NumberCase{"12ab", 1311}, NumberCase{"1e3", 243}, NumberCase{"f", 15},
        NumberCase{"7 8", 7}, NumberCase{"16:9", 16}, NumberCase{"0x", 0}, NumberCase{"0xg1", 0},
        NumberCase{"x10", 0}, NumberCase{"  pos", 0}, NumberCase{"0x0x5", 0},
        // Values wrap modulo 2^32 and come back signed.
        NumberCase{"2147483647", std::numeric_limits<std::int32_t>::max()},
        NumberCase{"2147483648", std::numeric_limits<std::int32_t>::min()},
        NumberCase{"4294967295", -1}, NumberCase{"4294967296", 0}, NumberCase{"0xFFFFFFFF", -1},
        NumberCase{"0x100000005", 5}, NumberCase{"0x80000000", std::numeric_limits<std::int32_t>::min()}));

TEST(ParseNumber, StopsAtEmbeddedZeroByte)
{
    const std::string_view text("12\0" "34", 5);
    EXPECT_EQ(ParseNumber(text), 12);
}

} // namespace
} // namespace torvane
