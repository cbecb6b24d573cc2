#include "editing/session/service_finder.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/edit_fixture.h"

namespace torvane {
namespace {

using test::EditFixture;

struct MatchCase {
    const char* name;
    std::string service;
    std::string text;
    bool partial;
    bool matches;
};

class NameMatching : public ::testing::TestWithParam<MatchCase> {};

TEST_P(NameMatching, WholeOrPartial)
{
    const MatchCase& c = GetParam();
    EXPECT_EQ(NameMatches(c.service, c.text, c.partial), c.matches);
}

const std::string kLong = std::string(199, 'a') + "XY";  // 201 bytes

INSTANTIATE_TEST_SUITE_P(
    Names, NameMatching,
    ::testing::Values(MatchCase{"PartialFindsInside", "Evening News", "news", true, true},
                      MatchCase{"WholeNeedsTheWholeName", "Evening News", "news", false, false},
                      MatchCase{"WholeIgnoresCase", "NEWS", "news", false, true},
                      MatchCase{"WholeIgnoresCaseBothWays", "news", "NeWs", false, true},
                      MatchCase{"WholeIsNotAPrefix", "News 24", "News", false, false},
                      MatchCase{"PartialIgnoresCase", "sky sports", "SPORT", true, true},
                      MatchCase{"PartialNotFound", "sky sports", "news", true, false},
                      MatchCase{"EmptyPartialMatchesAll", "anything", "", true, true},
                      MatchCase{"EmptyWholeMatchesOnlyEmpty", "anything", "", false, false},
                      MatchCase{"ArabicWhole", "قناة 7", "قناة 7", false, true},
                      MatchCase{"ArabicPartial", "قناة 7", "قناة", true, true},
                      MatchCase{"NonAsciiBytesMustMatch", "Ä", "ä", false, false},
                      MatchCase{"FirstTwoHundredBytesSearched", kLong, "aX", true, true},
                      MatchCase{"BeyondTwoHundredBytesNotSearched", kLong, "XY", true, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The all-services list of the demo: "Service k" and, for every fifth, an Arabic name.
class Find : public EditFixture {
protected:
    void SetUp() override
    {
        EditFixture::SetUp();
        Show(AllServices());
    }

    int RowNamed(const std::string& name)
    {
        const std::vector<std::string> names = RowNames();
        const auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    }

    // The rows whose names contain text, in row order.
    std::vector<int> RowsContaining(const std::string& text)
    {
        std::vector<int> rows;
        const std::vector<std::string> names = RowNames();
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i].find(text) != std::string::npos)
                rows.push_back(static_cast<int>(i));
        }
        return rows;
    }

    ServiceFinder finder;
};

TEST_F(Find, WholeNameFromTheFirstRow)
{
    const int row = RowNamed("Service 13");
    ASSERT_GE(row, 0);
    EXPECT_TRUE(finder.FindService(list, {"service 13", false}));
    EXPECT_EQ(list.SelectedRow(), row);
    EXPECT_EQ(finder.NextRow(), row + 1);
    EXPECT_EQ(finder.LastText(), "service 13");
    EXPECT_FALSE(finder.Partial());
}

TEST_F(Find, SearchStartsAtTheSelectedRowAndKeepsAMatchingOne)
{
    const int row = RowNamed("Service 4");
    list.SelectRow(row);
    EXPECT_TRUE(finder.FindService(list, {"Service 4", false}));
    EXPECT_EQ(list.SelectedRow(), row);
}

TEST_F(Find, RowsAboveTheSelectionAreNotSearchedByFind)
{
    const int row = RowNamed("Service 4");
    ASSERT_GE(row, 0);
    ASSERT_LT(row + 1, list.RowCount());
    list.SelectRow(row + 1);
    EXPECT_FALSE(finder.FindService(list, {"Service 4", false}));
    EXPECT_EQ(list.SelectedRow(), row + 1) << "an unsuccessful search leaves the selection";
    EXPECT_EQ(finder.NextRow(), 0);
}

TEST_F(Find, FindNextWalksThePartialMatchesAndWrapsOnce)
{
    const std::vector<int> rows = RowsContaining("Service 1");  // 1, 10 … 19 and so on
    ASSERT_GE(rows.size(), 3u);
    ASSERT_TRUE(finder.FindService(list, {"SERVICE 1", true}));
    std::vector<int> visited{list.SelectedRow()};
    for (std::size_t i = 1; i < rows.size() + 2; ++i) {
        ASSERT_TRUE(finder.FindNextService(list));
        visited.push_back(list.SelectedRow());
    }
    std::vector<int> expected = rows;
    expected.push_back(rows[0]);
    expected.push_back(rows[1]);
    EXPECT_EQ(visited, expected);
}

TEST_F(Find, TheLastRowIsFoundAndFindNextThenStartsAtTheTop)
{
    const std::string last = RowNames().back();
    ASSERT_TRUE(finder.FindService(list, {last, false}));
    EXPECT_EQ(list.SelectedRow(), list.RowCount() - 1);
    EXPECT_EQ(finder.NextRow(), list.RowCount());
    EXPECT_TRUE(finder.FindNextService(list));
    EXPECT_EQ(list.SelectedRow(), list.RowCount() - 1) << "the only match, found again from the top";
}

TEST_F(Find, FindNextWithoutAnyMatchLeavesTheSelection)
{
    list.SelectRow(3);
    EXPECT_FALSE(finder.FindService(list, {"no such service", true}));
    EXPECT_FALSE(finder.FindNextService(list));
    EXPECT_EQ(list.SelectedRow(), 3);
    EXPECT_EQ(finder.NextRow(), 0);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(Find, FindNextBeforeAnyFindLooksForTheEmptyName)
{
    EXPECT_FALSE(finder.FindNextService(list));
    EXPECT_EQ(list.SelectedRow(), -1);
}

TEST_F(Find, RadioFilterHidesTelevision)
{
    // Service 4 is TV (even numbers are), Service 5 radio.
    list.SetFilter(ServiceFilter::Radio);
    Show(AllServices());
    EXPECT_FALSE(finder.FindService(list, {"Service 4", false}));
    EXPECT_EQ(list.SelectedRow(), -1);
    EXPECT_TRUE(finder.FindService(list, {"Service 5", false}));
    EXPECT_EQ(RowNames()[static_cast<std::size_t>(list.SelectedRow())], "Service 5");
}

TEST_F(Find, ArabicNamesAreFoundAsShown)
{
    const std::string name = "قناة 7";
    const int row = RowNamed(name);
    ASSERT_GE(row, 0);
    EXPECT_TRUE(finder.FindService(list, {name, false}));
    EXPECT_EQ(list.SelectedRow(), row);
}

} // namespace
} // namespace torvane
