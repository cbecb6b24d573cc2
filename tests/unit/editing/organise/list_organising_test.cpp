// Sorting, "Set for Selected", duplicates and the filter box's rule on a demo database.

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editing/forms/set_for_selected_form.h"
#include "editing/organise/duplicate_finder.h"
#include "editing/organise/name_collation.h"
#include "editing/organise/row_filter.h"
#include "editing/organise/service_sort.h"
#include "support/edit_fixture.h"

namespace torvane {
namespace {

using test::EditFixture;

struct KeyCase {
    const char* first;
    const char* second;
    int order;  // -1: first sorts before second, 0: equal, 1: after
};

TEST(NaturalSortKey, OrdersNamesAsReadAndKeepsEqualNamesEqual)
{
    const KeyCase cases[] = {
        {"Radio 2", "Radio 10", -1},
        {"Radio 10", "Radio 9", 1},
        {"radio one", "RADIO ONE", 0},
        {"Radio", "Radio 1", -1},
        {"Channel 007", "Channel 7", 0},
        {"Channel 007", "Channel 8", -1},
        {"-A", "1A", -1},          // punctuation before digits
        {"99 Luft", "Arte", -1},   // digits before Latin letters
        {"Zeta", "\u0623\u0644\u0641", -1},  // Latin before Arabic
        {"\u0628\u0627\u0621", "\u062A\u0627\u0621", -1},  // beh before teh
        {"\u064A", "\u0648", 1},                           // yeh after waw
        {"\u067E", "\u0628\u0628", 1},                     // peh after beh …
        {"\u067E", "\u062A", -1},                          // … and before teh
        {"\u0623\u062D\u0645\u062F", "\u0627\u062D\u0645\u062F", 0},  // alef with hamza filed under alef
        {"\uFE8F", "\u0628", 0},                                      // a presentation form as its letter
        {"\uFEFB", "\u0644\u0627", 0},                                // lam-alef ligature as lam, alef
        {"\u0628\u064E", "\u0628", 0},                                // harakat ignored
        {"\u0642\u0646\u0627\u0629 \u0662", "\u0642\u0646\u0627\u0629 \u0661\u0660", -1},  // Arabic-Indic digits
        {"\u0639\u0631\u0628\u0633\u0627\u062A 7E", "\u0639\u0631\u0628\u0633\u0627\u062A 26E", -1},
        {"\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89", 0},  // Latin-1 capitals
    };
    for (const KeyCase& c : cases) {
        const auto a = NaturalSortKey(c.first);
        const auto b = NaturalSortKey(c.second);
        const int order = a < b ? -1 : (b < a ? 1 : 0);
        EXPECT_EQ(order, c.order) << c.first << " / " << c.second;
    }
}

class ListOrganisingTest : public EditFixture {
protected:
    void SetNames(const std::vector<std::string>& names)
    {
        for (std::size_t row = 0; row < names.size(); ++row)
            ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Program, SlotOfRow(static_cast<int>(row)), "Service Name",
                                                  names[row]));
        Show(list.CurrentItem());
    }
    void SetNumbers(const std::string& field, const std::vector<int>& values)
    {
        for (std::size_t row = 0; row < values.size(); ++row)
            ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Program, SlotOfRow(static_cast<int>(row)), field,
                                                  std::to_string(values[row])));
    }
};

struct SortCase {
    const char* name;
    SortKey key;
    bool descending;
    std::vector<int> rows;  // empty: the whole list
    std::vector<std::string> expected;
};

// The names of one TP's four programs, then (for the number keys) their service IDs and types.
const std::vector<std::string> kNames = {"b 10", "B 2", "\u0639\u0631\u0628\u0633\u0627\u062A", "b 2"};
const std::vector<int> kIds = {30, 10, 20, 10};
const std::vector<int> kTypes = {0, 1, 0, 1};

TEST_F(ListOrganisingTest, SortsStablyAndRenumbersAsAMoveDoes)
{
    const SortCase cases[] = {
        {"name", SortKey::Name, false, {}, {"B 2", "b 2", "b 10", "\u0639\u0631\u0628\u0633\u0627\u062A"}},
        {"name desc", SortKey::Name, true, {}, {"\u0639\u0631\u0628\u0633\u0627\u062A", "b 10", "B 2", "b 2"}},
        {"name of rows 1, 2, 4", SortKey::Name, false, {0, 1, 3}, {"B 2", "b 2", "\u0639\u0631\u0628\u0633\u0627\u062A", "b 10"}},
        {"sid", SortKey::ServiceId, false, {}, {"B 2", "b 2", "\u0639\u0631\u0628\u0633\u0627\u062A", "b 10"}},
        {"sid desc", SortKey::ServiceId, true, {}, {"b 10", "\u0639\u0631\u0628\u0633\u0627\u062A", "B 2", "b 2"}},
        {"type", SortKey::Type, false, {}, {"B 2", "b 2", "b 10", "\u0639\u0631\u0628\u0633\u0627\u062A"}},
    };
    for (const SortCase& c : cases) {
        SCOPED_TRACE(c.name);
        Show(Tp(0, 0));
        SetNames(kNames);
        SetNumbers("Service ID", kIds);
        SetNumbers("Service Type", kTypes);
        const std::vector<int> ordersBefore = RowOrders();
        ASSERT_TRUE(SortServices(store, list, {c.key, c.descending}, c.rows));
        EXPECT_EQ(RowNames(), c.expected);
        EXPECT_EQ(RowOrders(), ordersBefore) << "the positions keep their order numbers";
        // Shown afresh from the order numbers, the list reads the same.
        Show(Satellite(0));
        Show(Tp(0, 0));
        EXPECT_EQ(RowNames(), c.expected);
        ExpectConsistent(false);
        // Sorted already: nothing more to do.
        EXPECT_FALSE(SortServices(store, list, {c.key, c.descending}, c.rows));
    }
}

TEST_F(ListOrganisingTest, SortByTpFollowsSatellitesFrequencyAndPolarisationAndHiddenRowsStay)
{
    Show(AllServices());
    list.SetServiceFilter(ServiceFilter::Tv);
    const int tvRows = list.RowCount();
    ASSERT_TRUE(SortServices(store, list, {SortKey::Tp, true}, {}));
    ASSERT_TRUE(SortServices(store, list, {SortKey::Tp, false}, {}));
    EXPECT_EQ(list.RowCount(), tvRows);
    std::vector<std::pair<int, int>> places;
    for (int slot : RowSlots()) {
        const int tp = store.ReadNamedNumber(NodeKind::Program, slot, "tp_id").value_or(-1);
        for (int s = 0; s < SatelliteRoot()->ChildCount(); ++s) {
            for (int t = 0; t < Satellite(s)->ChildCount(); ++t) {
                if (Tp(s, t)->Info()->tpId == tp)
                    places.emplace_back(s, store.ReadNamedNumber(NodeKind::Tp, Tp(s, t)->Info()->slot, "frq").value_or(0));
            }
        }
    }
    EXPECT_TRUE(std::is_sorted(places.begin(), places.end()));
    list.SetServiceFilter(ServiceFilter::TvAndRadio);
    ExpectConsistent(false);
}

TEST_F(ListOrganisingTest, SortWithSharedOrderNumbersChangesNothing)
{
    Show(Tp(0, 1));
    ASSERT_TRUE(store.SetOrder(SlotOfRow(3), *store.OrderOf(SlotOfRow(0))));
    const std::vector<int> slots = RowSlots();
    EXPECT_FALSE(SortServices(store, list, {SortKey::Name, true}, {}));
    EXPECT_EQ(Messages().back(), "Order Error!");
    EXPECT_EQ(RowSlots(), slots);
}

TEST_F(ListOrganisingTest, SetForSelectedWritesThroughTheProgramDialogOrRefusesEveryRow)
{
    Show(Tp(1, 0));
    SetForSelectedForm form(store, list, {0, 2, 3});
    EXPECT_EQ(SetForSelectedForm::Label(SetForSelectedControl::Type), "Channel Type");
    EXPECT_EQ(SetForSelectedForm::Choices(SetForSelectedControl::Favorite).front().text, "unchanged");
    EXPECT_EQ(form.Selection(SetForSelectedControl::Scramble), 0);
    form.Select(SetForSelectedControl::Favorite, 3);  // "Favorite Group 2"
    form.Select(SetForSelectedControl::Scramble, 2);  // "Yes"
    const std::string untouched = Field(NodeKind::Program, SlotOfRow(1), "Favorite Group");
    const std::string factory = Field(NodeKind::Program, SlotOfRow(0), "Factory");
    ASSERT_TRUE(form.Ok());
    ASSERT_TRUE(form.Commit());
    for (int row : {0, 2, 3}) {
        EXPECT_EQ(Field(NodeKind::Program, SlotOfRow(row), "Favorite Group"), "2");
        EXPECT_EQ(Field(NodeKind::Program, SlotOfRow(row), "Scramble"), "1");
        EXPECT_EQ(list.Cells(row)[8], "Favorite Group 2");
    }
    EXPECT_EQ(Field(NodeKind::Program, SlotOfRow(1), "Favorite Group"), untouched);
    EXPECT_EQ(Field(NodeKind::Program, SlotOfRow(0), "Factory"), factory);

    // A row the program dialog would refuse (a TV service whose video PID is 8191) stops every row.
    ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Program, SlotOfRow(2), "Service ID", "0"));
    ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Program, SlotOfRow(2), "Video Pid", "8191"));
    SetForSelectedForm refused(store, list, {0, 2});
    refused.Select(SetForSelectedControl::Type, 1);  // "TV"
    refused.Select(SetForSelectedControl::Favorite, 1);  // "None"
    const std::size_t messages = Messages().size();
    EXPECT_FALSE(refused.Ok());
    ASSERT_EQ(Messages().size(), messages + 2);
    EXPECT_EQ(Messages()[messages], "Video Pid: [32,  8190]");
    EXPECT_EQ(Messages()[messages + 1], "Row 3 (\"" + list.Cells(2)[0] + "\"): nothing was set.");
    EXPECT_FALSE(refused.Commit());
    EXPECT_EQ(Field(NodeKind::Program, SlotOfRow(0), "Favorite Group"), "2");

    // A value wider than its field, here a "Favorite Group" of four bits, is refused as the program
    // dialog refuses it, and no row is written.
    std::ifstream in(test::sourcePath("samples/template.h"));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const auto& [from, to] : {std::pair{"favorite_group:8", "favorite_group:4"}, std::pair{"skip:1;", "skip:5;"}})
        text.replace(text.find(from), std::string_view(from).size(), to);
    ASSERT_TRUE(demo.Schema().ParseTemplateText(text, Prompts()));
    store.Fields().ResetFieldCache();
    SetForSelectedForm tooWide(store, list, {0, 1});
    tooWide.Select(SetForSelectedControl::Favorite, 6);  // "Favorite Group 5" = 16
    const std::size_t before = Messages().size();
    EXPECT_FALSE(tooWide.Ok());
    ASSERT_EQ(Messages().size(), before + 2);
    EXPECT_EQ(Messages()[before], "Favorite Group: [0,  15]");
    EXPECT_EQ(Messages()[before + 1], "Row 1 (\"" + list.Cells(0)[0] + "\"): nothing was set.");
    tooWide.Select(SetForSelectedControl::Favorite, 5);  // "Favorite Group 4" = 8
    EXPECT_TRUE(tooWide.Ok());
    ASSERT_TRUE(tooWide.Commit());
    EXPECT_EQ(Field(NodeKind::Program, SlotOfRow(1), "Favorite Group"), "8");

    // Under the TV filter the type stays as the program dialog keeps it.
    list.SetServiceFilter(ServiceFilter::Tv);
    SetForSelectedForm tvOnly(store, list, {0});
    EXPECT_FALSE(tvOnly.IsEnabled(SetForSelectedControl::Type));
}

TEST_F(ListOrganisingTest, DuplicatesAreGroupedPerTpByIdOrByNameAndPids)
{
    Show(Tp(2, 1));
    // Rows 1 and 3 share a service ID; rows 2 and 4 have ID 0 and the same name and PIDs.
    SetNumbers("Service ID", {500, 0, 500, 0});
    const int second = SlotOfRow(1);
    const int fourth = SlotOfRow(3);
    for (const char* field : {"Service Name", "Video Pid", "Audio Pid1", "Audio Pid2", "Audio Pid3", "PCR Pid"})
        ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Program, fourth, field, Field(NodeKind::Program, second, field)));
    Show(Tp(2, 1));
    std::vector<DuplicateGroup> groups = FindDuplicateGroups(store, list);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].rows, (std::vector<int>{0, 2}));
    EXPECT_EQ(groups[1].rows, (std::vector<int>{1, 3}));
    EXPECT_EQ(RepeatedRows(groups), (std::vector<int>{2, 3}));
    EXPECT_EQ(DuplicatesFoundText(2), "2 duplicate services found.");
    EXPECT_EQ(DuplicatesFoundText(1), "1 duplicate service found.");
    EXPECT_EQ(DuplicatesFoundText(0), "No duplicate services found.");

    // A different PID makes them two services; the same ID on another TP of the satellite is
    // another service.
    ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Program, fourth, "PCR Pid", "4000"));
    Show(Tp(2, 0));
    ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Program, SlotOfRow(0), "Service ID", "500"));
    Show(Satellite(2));
    groups = FindDuplicateGroups(store, list);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].rows.size(), 2u);
}

TEST_F(ListOrganisingTest, FilterMatchesFoldedNamesOrTheServiceIdAndReadsRowsAgainWhenTold)
{
    Show(Tp(0, 0));
    SetNames({"Evening News", "\u0642\u0646\u0627\u0629 \u0623\u062E\u0628\u0627\u0631", "Sports", "News 24"});
    SetNumbers("Service ID", {7, 24, 240, 0});
    RowFilter filter(store);
    const auto shown = [&] {
        std::vector<int> rows;
        for (int row = 0; row < list.RowCount(); ++row) {
            if (filter.Passes(list, row))
                rows.push_back(row);
        }
        return rows;
    };
    const std::pair<const char*, std::vector<int>> cases[] = {
        {"", {0, 1, 2, 3}},
        {"news", {0, 3}},
        {"NEWS 2", {3}},
        {"24", {1, 3}},                   // row 2's ID 24, row 4's name
        {"\u0627\u062E\u0628\u0627\u0631", {1}},  // typed without hamza
        {"\uFEA7\uFE92\uFE8E\uFEAD", {1}},  // the same word in presentation forms
        {"x", {}},
    };
    for (const auto& [text, rows] : cases) {
        filter.SetText(text);
        EXPECT_EQ(shown(), rows) << text;
    }
    filter.SetText("sports");
    SetNames({"Sports", "x", "y", "z"});
    EXPECT_EQ(shown(), (std::vector<int>{2})) << "read once until forgotten";
    filter.Forget();
    EXPECT_EQ(shown(), (std::vector<int>{0}));
}

} // namespace
} // namespace torvane
