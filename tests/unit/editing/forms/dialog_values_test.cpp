#include "editing/forms/dialog_values.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editing/forms/index_prompt.h"
#include "editing/forms/move_information.h"
#include "support/recording_prompts.h"

namespace torvane {
namespace {

struct IntegerCase {
    std::string text;
    std::optional<std::int32_t> value;
};

class DialogInteger : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(DialogInteger, SignedThirtyTwoBits)
{
    EXPECT_EQ(ParseDialogInteger(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, DialogInteger,
                         ::testing::Values(IntegerCase{"0", 0}, IntegerCase{"8191", 8191}, IntegerCase{"-32", -32},
                                           IntegerCase{"+7", 7}, IntegerCase{"  12\t", 12},
                                           IntegerCase{"2147483647", 2147483647},
                                           IntegerCase{"-2147483648", -2147483647 - 1},
                                           IntegerCase{"2147483648", std::nullopt},
                                           IntegerCase{"-2147483649", std::nullopt}, IntegerCase{"", std::nullopt},
                                           IntegerCase{" ", std::nullopt}, IntegerCase{"1 2", std::nullopt},
                                           IntegerCase{"0x10", std::nullopt}, IntegerCase{"1.0", std::nullopt},
                                           IntegerCase{"+-1", std::nullopt}, IntegerCase{"--1", std::nullopt},
                                           IntegerCase{"12a", std::nullopt}));

struct UnsignedCase {
    std::string text;
    std::optional<std::uint32_t> value;
};

class DialogUnsigned : public ::testing::TestWithParam<UnsignedCase> {};

TEST_P(DialogUnsigned, UnsignedThirtyTwoBits)
{
    EXPECT_EQ(ParseDialogUnsigned(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, DialogUnsigned,
                         ::testing::Values(UnsignedCase{"0", 0u}, UnsignedCase{"4294967295", 4294967295u},
                                           UnsignedCase{"4294967296", std::nullopt}, UnsignedCase{"-1", std::nullopt},
                                           UnsignedCase{" -0", std::nullopt}, UnsignedCase{"+5", 5u},
                                           UnsignedCase{"", std::nullopt}, UnsignedCase{"five", std::nullopt}));

struct DoubleCase {
    std::string text;
    std::optional<double> value;
};

class DialogDouble : public ::testing::TestWithParam<DoubleCase> {};

TEST_P(DialogDouble, DecimalNumbers)
{
    EXPECT_EQ(ParseDialogDouble(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, DialogDouble,
                         ::testing::Values(DoubleCase{"19.2", 19.2}, DoubleCase{"0", 0.0}, DoubleCase{"-0.1", -0.1},
                                           DoubleCase{" 180 ", 180.0}, DoubleCase{"1e2", 100.0},
                                           DoubleCase{"+3.5", 3.5}, DoubleCase{".5", 0.5},
                                           DoubleCase{"1,5", std::nullopt}, DoubleCase{"", std::nullopt},
                                           DoubleCase{"inf", std::nullopt}, DoubleCase{"nan", std::nullopt},
                                           DoubleCase{"1e999", std::nullopt}, DoubleCase{"12E", std::nullopt},
                                           DoubleCase{"0x1p3", std::nullopt}));

TEST(DialogText, NumbersAsTheEditsShowThem)
{
    EXPECT_EQ(DialogText(std::int32_t{-5}), "-5");
    EXPECT_EQ(DialogText(std::uint32_t{4294967295u}), "4294967295");
    EXPECT_EQ(DialogText(0.0), "0");
    EXPECT_EQ(DialogText(192 * 0.1), "19.2");
    EXPECT_EQ(DialogText((3600 - 3300) * 0.1), "30");
    EXPECT_EQ(DialogText(1799 * 0.1), "179.9");
}

// Every tenth of a degree shown by the dialog reads back to the same number of tenths.
TEST(DialogText, LongitudesRoundTripToTheirTenths)
{
    for (int tenths = 0; tenths <= 1800; ++tenths) {
        const std::optional<double> read = ParseDialogDouble(DialogText(tenths * 0.1));
        ASSERT_TRUE(read);
        EXPECT_EQ(static_cast<int>(*read * 10.0), tenths) << DialogText(tenths * 0.1);
    }
}

struct LimitCase {
    std::string text;
    int units;
    std::string kept;
};

class TextLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(TextLimit, WholeCharactersOnly)
{
    EXPECT_EQ(LimitTextUnits(GetParam().text, GetParam().units), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextLimit,
    ::testing::Values(LimitCase{"short", 17, "short"}, LimitCase{"exactly seventeen", 17, "exactly seventeen"},
                      LimitCase{"eighteen character", 17, "eighteen characte"}, LimitCase{"", 17, ""},
                      LimitCase{"عربي", 3, "عرب"}, LimitCase{"aé", 2, "aé"}, LimitCase{"aé", 1, "a"},
                      LimitCase{"a\xF0\x9F\x93\xBA", 2, "a"},          // a character beyond the basic plane takes two
                      LimitCase{"a\xF0\x9F\x93\xBA", 3, "a\xF0\x9F\x93\xBA"},
                      LimitCase{"ab\xE2\x82", 17, "ab"}));              // a cut sequence is dropped

struct IndexCase {
    std::string text;
    std::optional<std::int32_t> value;
};

class IndexPromptAccept : public ::testing::TestWithParam<IndexCase> {};

TEST_P(IndexPromptAccept, SignedNumberOrRefusal)
{
    test::RecordingPrompts prompts;
    IndexPrompt prompt{std::string(IndexPrompt::kMoveCaption)};
    EXPECT_EQ(prompt.Accept(GetParam().text, prompts), GetParam().value);
    EXPECT_EQ(prompts.messages, GetParam().value ? std::vector<std::string>{}
                                                  : std::vector<std::string>{"Please enter an integer."});
}

INSTANTIATE_TEST_SUITE_P(Texts, IndexPromptAccept,
                         ::testing::Values(IndexCase{"1", 1}, IndexCase{"0", 0}, IndexCase{"-4", -4},
                                           IndexCase{"x", std::nullopt}, IndexCase{"", std::nullopt}));

TEST(IndexPrompt, Presets)
{
    const IndexPrompt prompt{std::string(IndexPrompt::kSwitchCaption)};
    EXPECT_EQ(prompt.caption, "Switch Service Information");
    EXPECT_EQ(IndexPrompt::kLabel, "Enter another index");
    EXPECT_EQ(prompt.InitialText(), "1");
    EXPECT_TRUE(prompt.caretAtStart);
}

TEST(MoveInformation, UnsignedNumberOrRefusal)
{
    test::RecordingPrompts prompts;
    const MoveInformation prompt;
    EXPECT_EQ(MoveInformation::kCaption, "Move Information");
    EXPECT_EQ(MoveInformation::kLabel, "Another order");
    EXPECT_EQ(prompt.InitialText(), "0");
    EXPECT_EQ(prompt.Accept("3", prompts), 3u);
    EXPECT_EQ(prompt.Accept("0", prompts), 0u);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(prompt.Accept("-1", prompts), std::nullopt);
    EXPECT_EQ(prompt.Accept("2.5", prompts), std::nullopt);
    EXPECT_EQ(prompts.messages,
              (std::vector<std::string>{"Please enter a positive integer.", "Please enter a positive integer."}));
}

} // namespace
} // namespace torvane
