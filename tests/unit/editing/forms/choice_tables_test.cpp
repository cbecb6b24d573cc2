#include "editing/forms/choice_tables.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/service_list.h"

namespace torvane {
namespace {

std::vector<Choice> All(std::span<const Choice> choices)
{
    return {choices.begin(), choices.end()};
}

TEST(ChoiceTables, ProgramListsAreTheListsColumns)
{
    EXPECT_EQ(All(ServiceTypeChoices()), (std::vector<Choice>{{"TV", 1}, {"Radio", 0}}));
    EXPECT_EQ(All(YesNoChoices()), (std::vector<Choice>{{"No", 0}, {"Yes", 1}}));
    const std::vector<Choice> favourites = All(FavoriteGroupChoices());
    ASSERT_EQ(favourites.size(), 9u);
    EXPECT_EQ(favourites[0], (Choice{"None", 0}));
    for (int group = 1; group <= 8; ++group) {
        const Choice& choice = favourites[static_cast<std::size_t>(group)];
        EXPECT_EQ(choice.text, "Favorite Group " + std::to_string(group));
        EXPECT_EQ(choice.value, 1 << (group - 1));
        EXPECT_EQ(ServiceCellText(9, std::to_string(choice.value)), choice.text);
    }
}

TEST(ChoiceTables, SatelliteLists)
{
    EXPECT_EQ(All(LnbTypeChoices()), (std::vector<Choice>{{"Standard", 0}, {"User", 16}, {"Universal", 32}}));
    EXPECT_EQ(All(EastWestChoices()), (std::vector<Choice>{{"East", 0}, {"West", 1}}));
    EXPECT_EQ(All(Tone22kChoices()), (std::vector<Choice>{{"OFF", 0}, {"ON", 1}}));
    EXPECT_EQ(All(VoltageChoices()), (std::vector<Choice>{{"0 V", 0}, {"12 V", 1}}));
    EXPECT_EQ(All(ToneburstChoices()), (std::vector<Choice>{{"OFF", 0}, {"A", 1}, {"B", 2}}));
    EXPECT_EQ(All(PolarizationChoices()), (std::vector<Choice>{{"Horizontal", 0}, {"Vertical", 1}}));
    const std::vector<int> mhz = {5150, 5750, 5950, 9750, 10000, 10050, 10450, 10600, 10700, 10750, 11250, 11300};
    const std::vector<Choice> frequencies = All(LnbFrequencyChoices());
    ASSERT_EQ(frequencies.size(), mhz.size());
    for (std::size_t i = 0; i < mhz.size(); ++i)
        EXPECT_EQ(frequencies[i], (Choice{std::to_string(mhz[i]) + " MHz", mhz[i]}));
}

struct DiseqcCase {
    int row;
    std::string text;
    int value;
};

class DiseqcRows : public ::testing::TestWithParam<DiseqcCase> {};

TEST_P(DiseqcRows, PortOverPortsWithTypeAndPort)
{
    const std::span<const Choice> rows = DiseqcChoices();
    ASSERT_EQ(rows.size(), 31u);
    const Choice& choice = rows[static_cast<std::size_t>(GetParam().row)];
    EXPECT_EQ(choice.text, GetParam().text);
    EXPECT_EQ(choice.value, GetParam().value);
    EXPECT_EQ(RowOfValue(rows, GetParam().value), GetParam().row);
    EXPECT_EQ(RowOfText(rows, GetParam().text), GetParam().row);
}

INSTANTIATE_TEST_SUITE_P(Rows, DiseqcRows,
                         ::testing::Values(DiseqcCase{0, "Disable", 0}, DiseqcCase{1, "1/2", 0x10000},
                                           DiseqcCase{2, "2/2", 0x10001}, DiseqcCase{3, "1/4", 0x20000},
                                           DiseqcCase{6, "4/4", 0x20003}, DiseqcCase{7, "1/8", 0x30000},
                                           DiseqcCase{9, "3/8", 0x30002}, DiseqcCase{14, "8/8", 0x30007},
                                           DiseqcCase{15, "1/16", 0x40000}, DiseqcCase{30, "16/16", 0x4000F}));

TEST(ChoiceTables, LookUpsThatFindNothing)
{
    EXPECT_EQ(RowOfValue(LnbTypeChoices(), 8), std::nullopt);
    EXPECT_EQ(RowOfText(LnbTypeChoices(), "standard"), std::nullopt);
    EXPECT_EQ(RowOfValue({}, 0), std::nullopt);
}

} // namespace
} // namespace torvane
