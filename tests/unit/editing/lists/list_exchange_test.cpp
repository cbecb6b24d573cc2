#include <functional>

#include <gtest/gtest.h>

#include "editing/forms/list_exchange_forms.h"
#include "editing/lists/apply_order.h"
#include "editing/lists/csv_import.h"
#include "editing/lists/list_compare.h"
#include "editing/lists/list_file.h"
#include "exchange/csv_table.h"
#include "exchange/service_csv.h"
#include "support/edit_fixture.h"

namespace torvane::test {
namespace {

using Fields = std::vector<std::string>;

// The demo database with its satellites at distinct orbital positions (ascending in tree order).
class ListExchangeTest : public EditFixture {
protected:
    void SetUp() override
    {
        EditFixture::SetUp();
        for (int s = 0; s < SatelliteRoot()->ChildCount(); ++s)
            ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Satellite, Satellite(s)->Info()->slot, "sat_orbit",
                                                  std::to_string(70 + 60 * s)));
        store.SetModified(false);
        session.Reset();
        before = demo.BuildRegion();
    }

    ServiceTable Table() { return ReadDocumentTable(demo.GetDocument()); }

    // The CSV file of the list, its lines split into fields (the header first).
    std::vector<Fields> Rows()
    {
        std::vector<Fields> rows;
        for (const CsvRecord& record : ReadCsv(BuildServiceCsv(Table())).records)
            rows.push_back(record.fields);
        return rows;
    }

    std::size_t Column(const std::string& caption)
    {
        const Fields header = Rows().front();
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), caption) - header.begin());
    }

    // Imports text as one step; the errors as "line N: …".
    std::vector<std::string> Import(const std::string& text, bool* changed = nullptr)
    {
        const CsvImport import(demo.GetDocument(), text);
        std::vector<std::string> errors;
        for (const CsvError& error : import.Errors())
            errors.push_back(CsvErrorText(error));
        const bool done = session.Execute("Import CSV", [&] { import.Apply(store); });
        if (changed)
            *changed = done;
        return errors;
    }

    static std::string Join(const std::vector<Fields>& rows, char separator = ',')
    {
        std::string text;
        for (const Fields& row : rows)
            text += CsvLine(row, separator);
        return text;
    }

    std::vector<std::string> Differences(const ServiceTable& first)
    {
        std::vector<std::string> lines;
        for (const ListDifference& difference : CompareLists(first, Table()))
            lines.push_back(DifferenceLine(difference));
        return lines;
    }

    std::vector<std::uint8_t> before;
};

TEST_F(ListExchangeTest, CsvOutAndInChangesNothingAndSpreadsheetEditsGiveExactlyThoseChanges)
{
    const ServiceTable original = Table();
    ASSERT_EQ(original.services.size(), 36u);
    bool changed = true;
    EXPECT_TRUE(Import(BuildServiceCsv(original), &changed).empty());
    EXPECT_FALSE(changed);
    EXPECT_EQ(demo.BuildRegion(), before);
    EXPECT_FALSE(store.IsModified());

    // As a spreadsheet saves it: no mark, semicolons, CR LF; row 8 moved to the top, an Arabic
    // name on the second satellite changed, a favourite group on the third.
    std::vector<Fields> rows = Rows();
    const std::size_t name = Column("Service Name");
    const std::size_t favorite = Column("Favorite Group");
    const auto onSatellite = [&](int s, auto accept) {
        return std::find_if(rows.begin() + 1, rows.end(), [&](const Fields& row) {
            return row[1] == DemoDatabase::SatelliteName(s) && accept(row);
        });
    };
    const std::size_t moved = 8;
    ASSERT_EQ(rows[moved + 1][1], DemoDatabase::SatelliteName(0)) << "the moved service stands on satellite 0";
    const auto arabic = onSatellite(1, [&](const Fields& row) { return row[name].starts_with("قناة"); });
    const auto plain = onSatellite(2, [&](const Fields& row) { return row[favorite] == "Favorite Group 6"; });
    ASSERT_TRUE(arabic != rows.end() && plain != rows.end());
    const std::string oldName = (*arabic)[name];
    (*arabic)[name] = "قناة الأخبار";
    (*plain)[favorite] = "Favorite Group 3";
    const auto service = [&](const Fields& row) {
        return std::find_if(original.services.begin(), original.services.end(),
                            [&](const ServiceRecord& s) { return std::to_string(s.position + 1) == row[0]; });
    };
    const ServiceRecord& movedService = original.services[moved];
    const ServiceRecord& arabicService = *service(*arabic);
    const ServiceRecord& plainService = *service(*plain);
    std::rotate(rows.begin() + 1, rows.begin() + 1 + moved, rows.begin() + 2 + moved);

    const std::string text = Join(rows, ';');
    ASSERT_EQ(text.find(kUtf8Bom), std::string::npos);
    EXPECT_TRUE(Import(text, &changed).empty());
    EXPECT_TRUE(changed);
    const auto line = [](const ServiceRecord& s, const std::string& rest) {
        return "changed\t" + s.satellite + "\t" + s.TpText() + "\t" + std::to_string(*s.serviceId) + "\t" + s.name
            + "\t" + rest;
    };
    EXPECT_EQ(Differences(original),
              (std::vector<std::string>{line(movedService, "Order\t9\t1"),
                                        line(arabicService, "Service Name\t" + oldName + "\tقناة الأخبار"),
                                        line(plainService, "Favorite Group\tFavorite Group 6\tFavorite Group 3")}));
    EXPECT_EQ(session.History().Count(), 1);
    ExpectConsistent(true);

    session.Undo();
    EXPECT_EQ(demo.BuildRegion(), before);
    EXPECT_TRUE(Differences(original).empty());
}

TEST_F(ListExchangeTest, ApplyOrderOntoItselfChangesNothingAndOntoAnEditedListSummarisesExactly)
{
    const ServiceTable original = Table();
    const ApplyOrderPlan itself(original, original);
    EXPECT_EQ(itself.Summary().Lines(), (std::vector<std::string>{"Matched by service ID: 36", "Matched by name: 0",
                                                                   "Not in the reference: 0",
                                                                   "Only in the reference: 0"}));
    EXPECT_FALSE(session.Execute("Apply Order", [&] { itself.Apply(store, {true, true}); }));
    EXPECT_EQ(demo.BuildRegion(), before);

    // The reference: the list backwards, one service under another ID (found by its name), one
    // renamed with another favourite group, one left out, one the list lacks.
    ServiceTable reference = original;
    std::reverse(reference.services.begin(), reference.services.end());
    reference.services[0].serviceId = 60000;
    reference.services[2].name = "Renamed";
    reference.services[2].favorite = 4;
    const ServiceRecord removed = reference.services[1];
    reference.services.erase(reference.services.begin() + 1);
    ServiceRecord extra = reference.services[3];
    extra.serviceId = 61000;
    extra.name = "Extra";
    reference.services.push_back(extra);

    const ApplyOrderPlan plan(original, reference);
    EXPECT_EQ(plan.Summary().Lines(),
              (std::vector<std::string>{"Matched by service ID: 34", "Matched by name: 1", "Not in the reference: 1",
                                        "Only in the reference: 1",
                                        "    " + extra.satellite + "  " + extra.TpText() + "  Extra"}));
    EXPECT_TRUE(session.Execute("Apply Order", [&] { plan.Apply(store, {true, true}); }));

    std::vector<int> expected;
    for (std::size_t j = 0; j + 1 < reference.services.size(); ++j)
        expected.push_back(reference.services[j].slot);
    expected.push_back(removed.slot);
    std::vector<int> slots;
    for (const ServiceRecord& service : Table().services)
        slots.push_back(service.slot);
    EXPECT_EQ(slots, expected);
    EXPECT_EQ(Name(reference.services[1].slot), "Renamed");
    EXPECT_EQ(store.ReadNamedNumber(NodeKind::Program, reference.services[1].slot, "Favorite Group"), 4);
    EXPECT_EQ(store.ReadNamedNumber(NodeKind::Program, reference.services[0].slot, "Service ID"),
              original.services.back().serviceId) << "the ID is not copied";
    ExpectConsistent(true);
    session.Undo();
    EXPECT_EQ(demo.BuildRegion(), before);
}

// A service found by its name may stand on any TP of its satellite: here on one 83 MHz away,
// under a new service ID, first in the reference's order.
TEST_F(ListExchangeTest, ApplyOrderFindsANameOnAnotherTpOfTheSatellite)
{
    const ServiceTable original = Table();
    ServiceTable reference = original;
    reference.services[5].frequency += 83;
    reference.services[5].serviceId = 60000;
    std::rotate(reference.services.begin(), reference.services.begin() + 5, reference.services.begin() + 6);
    const ApplyOrderPlan plan(original, reference);
    EXPECT_EQ(plan.Summary().Lines(), (std::vector<std::string>{"Matched by service ID: 35", "Matched by name: 1",
                                                                 "Not in the reference: 0",
                                                                 "Only in the reference: 0"}));
    ASSERT_TRUE(session.Execute("Apply Order", [&] { plan.Apply(store, {}); }));
    EXPECT_EQ(Table().services.front().slot, original.services[5].slot);
}

// Compare names the fewest moves, and a service found by its name on another TP with that TP; the
// window's Compare dialog shows the same changes on the service's line.
TEST_F(ListExchangeTest, CompareNamesTheOneMoveAndTheTpOfANameMatchedService)
{
    const ServiceTable a = Table();
    const auto line = [](const ServiceRecord& s, const std::string& rest) {
        return "changed\t" + s.satellite + "\t" + s.TpText() + "\t" + std::to_string(*s.serviceId) + "\t" + s.name
            + "\t" + rest;
    };
    const auto lines = [](const std::vector<ListDifference>& differences) {
        std::vector<std::string> out;
        for (const ListDifference& difference : differences)
            out.push_back(DifferenceLine(difference));
        return out;
    };

    // The first service moved to the end: one move, not every other service.
    ServiceTable b = a;
    std::rotate(b.services.begin(), b.services.begin() + 1, b.services.end());
    for (std::size_t i = 0; i < b.services.size(); ++i)
        b.services[i].position = static_cast<int>(i);
    EXPECT_EQ(lines(CompareLists(a, b)), std::vector<std::string>{line(a.services[0], "Order\t1\t36")});

    // Service 5 on a TP 83 MHz away under a new service ID: found by its name, its TP changed.
    b = a;
    const std::size_t id = *a.Column("Service ID");
    ServiceRecord& moved = b.services[5];
    moved.frequency += 83;
    moved.serviceId = 60000;
    moved.cells[id] = "60000";
    const ServiceRecord& was = a.services[5];
    const std::vector<ListDifference> differences = CompareLists(a, b);
    EXPECT_EQ(lines(differences),
              (std::vector<std::string>{line(was, "TP\t" + was.TpText() + "\t" + moved.TpText()),
                                        line(was, "Service ID\t" + was.cells[id] + "\t60000")}));
    const CompareForm form(differences, "a.bin", "b.csv");
    EXPECT_EQ(form.Groups()[2].lines,
              std::vector<std::string>{was.satellite + "  " + was.TpText() + "  " + std::to_string(*was.serviceId) + "  " + was.name
                                       + ":  TP: " + was.TpText() + " \u2192 " + moved.TpText() + "; Service ID: "
                                       + was.cells[id] + " \u2192 60000"});
}

// A type changed in the file changes the service as the program dialog's list would: "Radio"
// brings the radio video PID 8191; "TV" on a service with ID 0 needs a TV video PID.
TEST_F(ListExchangeTest, TypeChangesFollowTheProgramDialog)
{
    const auto serviceOfType = [&](const std::string& type) {
        std::vector<Fields> rows = Rows();
        const std::size_t column = Column("Service Type");
        const auto row = std::find_if(rows.begin() + 1, rows.end(), [&](const Fields& r) { return r[column] == type; });
        const std::size_t index = static_cast<std::size_t>(row - rows.begin());
        return std::tuple{rows, index, Table().services[index - 1].slot, column};
    };
    auto [rows, index, slot, column] = serviceOfType("TV");
    ASSERT_NE(store.ReadNamedNumber(NodeKind::Program, slot, "Video Pid"), 8191);
    rows[index][column] = "Radio";
    EXPECT_TRUE(Import(Join(rows)).empty());
    EXPECT_EQ(store.ReadNamedNumber(NodeKind::Program, slot, "Video Pid"), 8191);
    session.Undo();
    EXPECT_EQ(demo.BuildRegion(), before);

    auto [radioRows, radioIndex, radioSlot, typeColumn] = serviceOfType("Radio");
    ASSERT_TRUE(store.WriteNamedIfChanged(NodeKind::Program, radioSlot, "Service ID", "0"));
    ASSERT_EQ(store.ReadNamedNumber(NodeKind::Program, radioSlot, "Video Pid"), 0);
    const std::vector<std::uint8_t> withIdZero = demo.BuildRegion();
    radioRows = Rows();
    radioRows[radioIndex][typeColumn] = "TV";
    bool changed = true;
    EXPECT_EQ(Import(Join(radioRows), &changed),
              std::vector<std::string>{"line " + std::to_string(radioIndex + 1) + ": Video Pid: [32,  8190]"});
    EXPECT_FALSE(changed);
    EXPECT_EQ(demo.BuildRegion(), withIdZero);
}

struct BrokenCase {
    std::string name;
    // Changes the rows (header first) of the list's CSV file; "@QUOTE@" in a field becomes a bare
    // quote. "@WHERE@" in an error stands for the satellite and TP of line 5.
    std::function<void(std::vector<Fields>& rows, const std::function<std::size_t(const std::string&)>& column)> edit;
    std::vector<std::string> errors;
};

class BrokenCsvTest : public ListExchangeTest, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(BrokenCsvTest, ReportsEveryLineAndChangesNothing)
{
    std::vector<Fields> rows = Rows();
    std::reverse(rows.begin() + 1, rows.end());  // an order that would change the list
    GetParam().edit(rows, [this](const std::string& caption) { return Column(caption); });
    std::string text = Join(rows);
    for (std::size_t at; (at = text.find("@QUOTE@")) != std::string::npos;)
        text.replace(at, 7, "x\"y");
    std::vector<std::string> errors = GetParam().errors;
    for (std::string& error : errors) {
        if (const std::size_t at = error.find("@WHERE@"); at != std::string::npos)
            error.replace(at, 7, rows[4][1] + " " + rows[4][2]);
    }
    bool changed = true;
    EXPECT_EQ(Import(text, &changed), errors);
    EXPECT_FALSE(changed);
    EXPECT_EQ(demo.BuildRegion(), before);
}

const std::string kAstra = DemoDatabase::SatelliteName(0);

std::string Repeated(std::string_view piece, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenCsvTest,
    ::testing::Values(
        BrokenCase{"BadQuotingAndWrongCount",
                   [](auto& rows, auto) {
                       rows[3][1] = "Astra@QUOTE@";
                       rows[5].push_back("extra");
                   },
                   {"line 4: a quote inside an unquoted field", "line 6: 15 fields where the header has 14"}},
        BrokenCase{"ValuesTheDialogRefuses",
                   [](auto& rows, auto column) {
                       rows[2][column("Favorite Group")] = "Favorite Group 9";
                       rows[3][column("Service Name")] = "";
                       rows[4][column("Service Name")] = "Eighteen chars 123";
                       rows[5][column("Service ID")] = "12a";
                       rows[6][column("Scramble")] = "yes";
                       rows[7][column("Service Name")] = "Caf\xE9";
                       rows[8][column("Service ID")] = "65536";
                   },
                   {"line 3: \"Favorite Group\" has no value \"Favorite Group 9\"", "line 4: Empty channel name!",
                    "line 5: \"Service Name\" takes at most 17 characters",
                    "line 6: \"Service ID\": Please enter a positive integer.",
                    "line 7: \"Scramble\" has no value \"yes\"", "line 8: \"Service Name\" is not UTF-8 text",
                    "line 9: Service ID: [0,  65535]"}},
        BrokenCase{"UnknownSatelliteTpAndService",
                   [](auto& rows, auto column) {
                       rows[1][1] = "Nowhere 1W";
                       rows[2][1] = kAstra;
                       rows[2][2] = "TP_12999_H_27500";
                       rows[3][2] = "TP_abc";
                       rows[4][column("Service ID")] = "65000";
                   },
                   {"line 2: no satellite \"Nowhere 1W\"",
                    "line 3: satellite \"" + kAstra + "\" has no TP TP_12999_H_27500",
                    "line 4: \"TP_abc\" is no TP (TP_frequency_H_symbol rate or _V_)",
                    "line 5: no service with ID 65000 on @WHERE@"}},
        // A name ending at a NUL would be stored cut; a line end would break the list's row.
        BrokenCase{"ControlCharactersInNames",
                   [](auto& rows, auto column) {
                       rows[2][column("Service Name")] = std::string("R\0adio 325", 10);
                       rows[3][column("Service Name")] = "Tab\there";
                       rows[4][column("Service Name")] = "Del\x7F";
                       rows[5][column("Service Name")] = "Two\nlines";  // the last: it takes two lines
                   },
                   {"line 3: \"Service Name\" holds the control character U+0000",
                    "line 4: \"Service Name\" holds the control character U+0009",
                    "line 5: \"Service Name\" holds the control character U+007F",
                    "line 6: \"Service Name\" holds the control character U+000A"}},
        BrokenCase{"HugeValuesAreQuotedShort",
                   [](auto& rows, auto column) {
                       rows[2][2] = "TP_" + std::string(100'000, '1');
                       rows[3][column("Scramble")] = Repeated("\u0646", 120);
                   },
                   {"line 3: \"TP_" + std::string(77, '1') + "\u2026\" is no TP (TP_frequency_H_symbol rate or _V_)",
                    "line 4: \"Scramble\" has no value \"" + Repeated("\u0646", 80) + "\u2026\""}},
        BrokenCase{"ColumnTwice",
                   [](auto& rows, auto column) { rows[0][column("Scramble")] = "Service Name"; },
                   {"line 1: the header has the column \"Service Name\" twice"}},
        BrokenCase{"ServiceTwice",
                   [](auto& rows, auto) { rows[4] = rows[2]; },
                   {"line 5: the service of line 3 again"}},
        BrokenCase{"HeaderWithoutServiceId", [](auto& rows, auto column) { rows[0][column("Service ID")] = "SID"; },
                   {"line 1: the header has no column \"Service ID\""}}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace torvane::test
