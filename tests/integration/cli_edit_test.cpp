#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

// torvane-cli edit applies a script of editing commands to a demo image and saves it; the image
// is then opened again by torvane-cli and must hold exactly what the commands imply. What they
// imply is worked out here from the listings of the unedited image, with plain list operations.

namespace torvane {
namespace {

using test::CliRun;
using Rows = std::vector<std::string>;  // the cells of each row, without the row number

struct Satellite {
    std::string name;
    std::vector<std::string> tps;  // labels
};

// The cells of a list as torvane-cli prints it; fails when a row number is not "%3d" of its place.
Rows RowsOf(const std::string& listing)
{
    Rows rows;
    std::size_t at = listing.find('\n');  // after the caption line
    int number = 0;
    while (at != std::string::npos && at + 1 < listing.size()) {
        const std::size_t end = listing.find('\n', at + 1);
        const std::string line = listing.substr(at + 1, end - at - 1);
        char expected[16];
        std::snprintf(expected, sizeof expected, "%3d\t", ++number);
        EXPECT_TRUE(line.starts_with(expected)) << line;
        rows.push_back(line.substr(line.find('\t') + 1));
        at = end;
    }
    return rows;
}

std::vector<std::string> CellsOf(const std::string& row)
{
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t tab = row.find('\t'); tab != std::string::npos; tab = row.find('\t', start)) {
        cells.push_back(row.substr(start, tab - start));
        start = tab + 1;
    }
    cells.push_back(row.substr(start));
    return cells;
}

std::string RowOf(const std::vector<std::string>& cells)
{
    std::string row;
    for (const std::string& cell : cells)
        row += (row.empty() ? "" : "\t") + cell;
    return row;
}

std::vector<Satellite> SatellitesOf(const std::string& tree)
{
    std::vector<Satellite> satellites;
    std::size_t start = 0;
    while (start < tree.size()) {
        const std::size_t end = tree.find('\n', start);
        const std::string line = tree.substr(start, end - start);
        start = end + 1;
        if (line.starts_with("    "))
            satellites.back().tps.push_back(line.substr(4));
        else if (line.starts_with("  "))
            satellites.push_back({line.substr(2), {}});
    }
    return satellites;
}

std::string TreeText(const std::vector<Satellite>& satellites)
{
    std::string text = "All Services\nSatellite Information\n";
    for (const Satellite& satellite : satellites) {
        text += "  " + satellite.name + "\n";
        for (const std::string& tp : satellite.tps)
            text += "    " + tp + "\n";
    }
    return text;
}

// "[ k ]  " before each label again, k counting from 1.
void Renumber(Satellite& satellite)
{
    for (std::size_t i = 0; i < satellite.tps.size(); ++i) {
        std::string& label = satellite.tps[i];
        label = "[ " + std::to_string(i + 1) + " ]  " + label.substr(label.find("TP"));
    }
}

bool IsTv(const std::string& row)
{
    return CellsOf(row)[1] == "TV";
}

class CliEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Cli({"template", "compile", test::sourcePath("samples/template.h")}).status, 0);
        const CliRun demo =
            Cli({"demo", Path("demo.bin"), "--satellites", "4", "--tps", "3", "--programs", "84", "--seed", "77"});
        ASSERT_EQ(demo.status, 0) << demo.err;
        m_image = test::TextOf(Path("demo.bin"));
        ASSERT_EQ(m_image.size(), 0x200000u);
        m_folder.Write("edit.bin", Bytes(m_image));
    }

    static std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    CliRun Cli(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--config-dir", m_folder.Path(), "--project-type", "ZUV_DVBS_V4"});
        return test::RunCli(args, m_folder.Path());
    }

    std::string Output(const std::vector<std::string>& args)
    {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        return run.out;
    }

    Rows List(const std::string& file, const std::string& item)
    {
        return RowsOf(Output({"list", Path(file), "--item", item}));
    }

    CliRun Edit(const std::string& script)
    {
        m_folder.Write("script.txt", Bytes(script));
        return Cli({"edit", Path("edit.bin"), Path("script.txt")});
    }

    test::ScratchFolder m_folder;
    std::string m_image;
};

TEST_F(CliEditTest, EveryOperationOnceThenTheReopenedImageShowsWhatTheyImply)
{
    const std::vector<Satellite> before = SatellitesOf(Output({"tree", Path("demo.bin")}));
    ASSERT_EQ(before.size(), 4u);
    std::vector<Satellite> satellites = before;
    const auto item = [&before](int s, int t) {
        return before[static_cast<std::size_t>(s)].name + "/" + std::to_string(t);
    };
    Rows all = List("demo.bin", "all");
    std::map<std::string, Rows> lists;
    for (int s = 0; s < 4; ++s) {
        ASSERT_EQ(before[static_cast<std::size_t>(s)].tps.size(), 3u);
        for (int t = 1; t <= 3; ++t)
            lists[item(s, t)] = List("demo.bin", item(s, t));
    }

    // Four TPs for the list commands, none of them deleted below (satellite 1's second TP and
    // all of satellite 3 are).
    std::vector<std::string> candidates = {item(0, 1), item(0, 2), item(0, 3), item(1, 1),
                                           item(1, 3), item(2, 1), item(2, 2), item(2, 3)};
    const auto take = [&](auto wanted) {
        for (auto it = candidates.begin(); it != candidates.end(); ++it) {
            if (wanted(lists[*it])) {
                const std::string name = *it;
                candidates.erase(it);
                return name;
            }
        }
        return std::string();
    };
    const std::string a = take([](const Rows& rows) { return rows.size() >= 5; });
    const std::string b = take([](const Rows& rows) { return rows.size() >= 4; });
    const std::string c = take([](const Rows& rows) { return rows.size() >= 3; });
    // Two TV services with a radio service between them.
    const std::string d = take([](const Rows& rows) {
        std::vector<std::size_t> tv;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (IsTv(rows[i]))
                tv.push_back(i);
        }
        return tv.size() >= 2 && tv[1] > tv[0] + 1;
    });
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    ASSERT_FALSE(c.empty());
    ASSERT_FALSE(d.empty()) << "the demo has no TP with TV, radio, TV";

    const std::string cName = CellsOf(lists[c][2])[0];
    const auto named = [&cName](const std::string& row) { return CellsOf(row)[0] == cName; };
    ASSERT_EQ(std::count_if(all.begin(), all.end(), named), 1) << "the found name must be unique";

    const std::string script =
        "# the service list\n"
        "select \"" + a + "\"\n"
        "row 2\nup\n"
        "row 4\ndown\n"
        "row 1\nmove-to 5\n"
        "row 2\nswitch 4\n"
        "select \"" + b + "\"\n"
        "delete 1 3\n"
        "row 2\n"
        "insert \"Channel Name=Inserted One\" \"Channel Type=Radio\" \"Audio Pid1=600\" \"PCR Pid=601\" "
        "\"Favorite Group=Favorite Group 2\" \"Scramble=Yes\"\n"
        "row none\n"
        "append \"Channel Name=Appended\" \"Service ID=4242\"\n"
        "select \"" + c + "\"\n"
        "row 1\n"
        "find \"" + cName + "\"\n"
        "find-next\n"
        "edit \"Channel Name=Edited\" \"Favorite Group=Favorite Group 8\"\n"
        "select \"" + d + "\"\n"
        "filter tv\n"
        "row 1\ndown\n"
        "filter both\n"
        "# the navigator\n"
"tp-add \"" + before[1].name + "\" \"Frequency (MHz)=12345\" \"Polarization=Vertical\" "
        "\"Symbol Rate (KsPs)=27500\"\n"
        "tp-edit \"" + item(1, 1) + "\" \"Symbol Rate (KsPs)=30000\"\n"
        "tree-move \"" + item(1, 4) + "\" 1\n"
        "tree-delete \"" + item(1, 3) + "\"\n"
        "sat-add \"Satellite Name=Badr 26E\" \"Satellite Longitude=26\"\n"
"sat-edit \"" + before[2].name + "\" \"Satellite Name=Renamed Sat\"\n"
        "tree-up \"Renamed Sat\"\n"
"tree-delete \"" + before[3].name + "\"\n"
"tree-move \"" + before[0].name + "\" 2\n";
    const CliRun edit = Edit(script);
    ASSERT_EQ(edit.status, 0) << edit.err;
    EXPECT_EQ(edit.err, "");
    EXPECT_EQ(edit.out, "");

    // What the list commands imply for each TP list and for the whole channel order.
    const auto position = [&all](const std::string& row) {
        return static_cast<std::size_t>(std::find(all.begin(), all.end(), row) - all.begin());
    };
    const auto placesOf = [&](const Rows& rows) {
        std::vector<std::size_t> places;
        for (const std::string& row : rows)
            places.push_back(position(row));
        return places;
    };

    // A: the moves keep the TP's set of numbers, so its services keep their places in the
    // channel order and only change among themselves.
    Rows expectA = lists[a];
    const std::vector<std::size_t> placesA = placesOf(expectA);
    std::swap(expectA[0], expectA[1]);
    std::swap(expectA[3], expectA[4]);
    std::rotate(expectA.begin(), expectA.begin() + 1, expectA.begin() + 5);
    std::swap(expectA[1], expectA[3]);
    for (std::size_t i = 0; i < expectA.size(); ++i)
        all[placesA[i]] = expectA[i];

    // B: two deleted; the inserted one takes the number of the row it was put at, the rows after
    // take the next one's number and the last one goes to the end; the appended one after it.
    const std::string inserted = "Inserted One\tRadio\t8191\t600\t0\t0\t601\t0\tFavorite Group 2\tYes\tNo";
    const std::string appended = "Appended\tTV\t0\t0\t0\t0\t0\t4242\tNone\tNo\tNo";
    Rows expectB = lists[b];
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(position(expectB[2])));
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(position(expectB[0])));
    expectB.erase(expectB.begin() + 2);
    expectB.erase(expectB.begin());
    std::vector<std::size_t> placesB = placesOf(expectB);
    expectB.insert(expectB.begin() + 1, inserted);
    placesB.push_back(all.size());
    all.push_back("");
    for (std::size_t i = 1; i < expectB.size(); ++i)
        all[placesB[i]] = expectB[i];
    all.push_back(appended);
    expectB.push_back(appended);

    // C: the row found, edited.
    Rows expectC = lists[c];
    std::vector<std::string> cells = CellsOf(expectC[2]);
    cells[0] = "Edited";
    cells[8] = "Favorite Group 8";
    all[position(expectC[2])] = RowOf(cells);
    expectC[2] = RowOf(cells);

    // D: the first two TV services change places; the radio service between stays.
    Rows expectD = lists[d];
    std::vector<std::size_t> tv;
    for (std::size_t i = 0; i < expectD.size(); ++i) {
        if (IsTv(expectD[i]))
            tv.push_back(i);
    }
    std::swap(all[position(expectD[tv[0]])], all[position(expectD[tv[1]])]);
    std::swap(expectD[tv[0]], expectD[tv[1]]);

    // The navigator: satellite 1 gets a TP, then its first TP a new symbol rate, the new TP moves
    // first and the old second TP goes with its services; satellite 3 goes with all of its.
    for (const std::string& gone : lists[item(1, 2)])
        all.erase(std::find(all.begin(), all.end(), gone));
    for (int t = 1; t <= 3; ++t) {
        for (const std::string& gone : lists[item(3, t)])
            all.erase(std::find(all.begin(), all.end(), gone));
    }
    Satellite& s1 = satellites[1];
    s1.tps.push_back("[ 4 ]  TP_12345_V_27500");
    s1.tps[0] = s1.tps[0].substr(0, s1.tps[0].rfind('_') + 1) + "30000";
    std::rotate(s1.tps.begin(), s1.tps.end() - 1, s1.tps.end());
    s1.tps.erase(s1.tps.begin() + 2);
    Renumber(s1);
    satellites.push_back({"Badr 26E", {}});
    satellites[2].name = "Renamed Sat";
    std::swap(satellites[1], satellites[2]);
    satellites.erase(satellites.begin() + 3);
    std::swap(satellites[0], satellites[1]);

    // Where the TPs are now: satellite 2 renamed, satellite 1's first TP second.
    const auto now = [&](const std::string& old) {
        if (old == item(1, 1))
            return item(1, 2);
        if (old.starts_with(before[2].name + "/"))
            return "Renamed Sat" + old.substr(old.rfind('/'));
        return old;
    };
    std::map<std::string, Rows> expected;
    for (const auto& [old, rows] : lists) {
        if (old != item(1, 2) && !old.starts_with(before[3].name + "/"))
            expected[now(old)] = rows;
    }
    expected[now(a)] = expectA;
    expected[now(b)] = expectB;
    expected[now(c)] = expectC;
    expected[now(d)] = expectD;
    expected[item(1, 1)] = {};
    expected["Badr 26E"] = {};

    // The image opened again.
    EXPECT_EQ(Output({"tree", Path("edit.bin")}), TreeText(satellites));
    const Rows shown = List("edit.bin", "all");
    EXPECT_EQ(shown, all);
    for (std::size_t i = 0; i < std::min(shown.size(), all.size()); ++i)
        EXPECT_EQ(shown[i], all[i]) << "row " << i + 1;
    ASSERT_EQ(expected.size(), 10u);
    for (const auto& [name, rows] : expected)
        EXPECT_EQ(List("edit.bin", name), rows) << name;
    const std::string info = Output({"info", Path("edit.bin")});
    EXPECT_NE(info.find("user satellites=4 tps=9 services=" + std::to_string(all.size()) + "\n"), std::string::npos)
        << info;

    // Everything outside the user database is as it was.
    const std::string edited = test::TextOf(Path("edit.bin"));
    ASSERT_EQ(edited.size(), m_image.size());
    EXPECT_EQ(edited.substr(0, 0x80080), m_image.substr(0, 0x80080));
    EXPECT_EQ(edited.substr(0x120080), m_image.substr(0x120080));
}

TEST_F(CliEditTest, UndoLinesWalkBackEveryStepAndRedoLinesForward)
{
    const std::vector<Satellite> satellites = SatellitesOf(Output({"tree", Path("demo.bin")}));
    ASSERT_EQ(satellites.size(), 4u);
    const std::string sat1 = "\"" + satellites[1].name + "\"";
    const std::vector<std::string> commands = {
        "up", "move-to 6", "switch 5", "down", "delete 1 3 5",
        "edit \"Channel Name=Edited\" \"Favorite Group=Favorite Group 8\"",
        "insert \"Channel Name=Inserted\" \"Video Pid=100\" \"Audio Pid1=101\" \"PCR Pid=102\"",
        "append \"Channel Name=Appended\" \"Service ID=4242\"",
        "tp-add " + sat1 + " \"Frequency (MHz)=12345\" \"Symbol Rate (KsPs)=27500\"",
        "tp-edit \"" + satellites[0].name + "/2\" \"Symbol Rate (KsPs)=30000\"",
        "sat-add \"Satellite Name=Badr 26E\"", "sat-edit " + sat1 + " \"Satellite Name=Renamed\"",
        "tree-up \"" + satellites[2].name + "/3\"", "tree-down \"" + satellites[3].name + "\"",
        "tree-move \"" + satellites[0].name + "/1\" 3", "tree-delete \"" + satellites[2].name + "/2\"",
        "tree-delete \"" + satellites[3].name + "\"", "sort name", "sort sid desc", "rows 1 3-5\nsort type --selected",
        "rows 2-4\nset \"Favorite Group=Favorite Group 3\" Scramble=Yes", "sort tp desc"};
    // The list commands work on a TP of satellite 0 (its programs are spread over the channel
    // order); the navigator commands select their own items.
    const std::string start = "select \"" + satellites[0].name + "/3\"\nrow 2\n";
    std::string script = start;
    std::string stepped = start;
    for (const std::string& command : commands) {
        const bool onList = command.find('"') == std::string::npos || command.starts_with("edit")
            || command.starts_with("insert") || command.starts_with("append") || command.starts_with("rows");
        const std::string line = (onList ? "select \"" + satellites[0].name + "/3\"\nrow 2\n" : "") + command + "\n";
        script += line;
        stepped += line + "undo\nredo\n";
    }

    const CliRun edited = Edit(script);
    ASSERT_EQ(edited.status, 0) << edited.err;
    EXPECT_EQ(edited.err, "");
    const std::string once = test::TextOf(Path("edit.bin"));
    EXPECT_NE(once, m_image);

    m_folder.Write("edit.bin", Bytes(m_image));
    const CliRun walked = Edit(stepped);
    ASSERT_EQ(walked.status, 0) << walked.err;
    EXPECT_EQ(walked.err, "") << "redo asked or said something";
    EXPECT_TRUE(test::TextOf(Path("edit.bin")) == once) << "undo and redo after each command";

    m_folder.Write("edit.bin", Bytes(m_image));
    std::string undone = script;
    for (std::size_t i = 0; i < commands.size(); ++i)
        undone += "undo\n";
    const CliRun back = Edit(undone + "undo\n");
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_TRUE(test::TextOf(Path("edit.bin")) == m_image) << "every step undone";

    // Redone across the state the file holds, the document differs from it again and is written.
    const CliRun redone = Edit(start + "up\nundo\nredo\n");
    ASSERT_EQ(redone.status, 0) << redone.err;
    EXPECT_TRUE(test::TextOf(Path("edit.bin")) != m_image) << "redo across the opened state";
}

// A list as full as the image's region takes no further service, and a seventh satellite fills
// its table: the command is refused with the limit, the line names itself, and nothing is written.
TEST_F(CliEditTest, FullListRefusesAppendAndSatAdd)
{
    const CliRun demo = Cli({"demo", Path("edit.bin"), "--programs", "3990"});
    ASSERT_EQ(demo.status, 0) << demo.err;
    const std::string full = test::TextOf(Path("edit.bin"));
    for (const auto& [script, err] :
         {std::pair<std::string, std::string>{"select \"Astra 19.2E/1\"\nappend\n",
                                              "No room for another program: the user database of this image holds at "
                                              "most 3990 programs.\ntorvane-cli: edit: line 2: append was refused\n"},
          {"sat-add\nsat-add\n", "No room for another satellite: the user database of this image holds at most 7 "
                                  "satellites.\ntorvane-cli: edit: line 2: sat-add was refused\n"}}) {
        const CliRun run = Edit(script);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, err);
        EXPECT_TRUE(test::TextOf(Path("edit.bin")) == full) << script;
    }
}

struct FailureCase {
    const char* name;
    std::string script;
    std::vector<std::string> errorLines;
};

class CliEditFailure : public CliEditTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CliEditFailure, WritesNothing)
{
    const FailureCase& c = GetParam();
    const CliRun run = Edit(c.script);
    EXPECT_EQ(run.status, 1);
    std::string expected;
    for (const std::string& line : c.errorLines)
        expected += line + "\n";
    EXPECT_EQ(run.err, expected);
    EXPECT_EQ(test::TextOf(Path("edit.bin")), m_image);
    EXPECT_EQ(m_folder.Names(), (std::vector<std::string>{"demo.bin", "edit.bin", "script.ini", "script.txt"}));
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, CliEditFailure,
    ::testing::Values(
        FailureCase{"UnknownCommand",
                    "select all\nrow 1\ndelete\nfly away\n",
                    {"torvane-cli: edit: line 4: unknown command \"fly\""}},
        FailureCase{"DialogRefusesTheValues",
                    "sat-add \"Satellite Position=60\"\n",
                    {"Satellite Position: [0,  59]", "torvane-cli: edit: line 1: the dialog refused the values"}},
        FailureCase{"ServiceIdWiderThanItsField", "select all\nrow 1\nedit \"Service ID=65536\"\n",
                    {"Service ID: [0,  65535]", "torvane-cli: edit: line 3: the dialog refused the values"}},
        FailureCase{"UncheckedPcrWiderThanItsField",
                    "select all\nrow 1\nedit \"Service ID=0\" \"PCR Pid=9000\" \"Service ID=5\"\n",
                    {"PCR Pid: [0,  8191]", "torvane-cli: edit: line 3: the dialog refused the values"}},
        FailureCase{"NoSuchRow", "select all\n\nrow 9999\n",
                    {"torvane-cli: edit: line 3: row takes a row number of the list or none"}},
        FailureCase{"DisabledControl",
                    "sat-add \"Second Frequency=10600 MHz\"\n",
                    {"torvane-cli: edit: line 1: \"Second Frequency\" is disabled"}},
        FailureCase{"InsertWithoutATp", "select all\nrow 1\ninsert\n",
                    {"torvane-cli: edit: line 3: insert opens no dialog here"}},
        FailureCase{"UnknownLabel", "select all\nrow 1\nedit \"Name=x\"\n",
                    {"torvane-cli: edit: line 3: the dialog has no \"Name\""}},
        FailureCase{"UnknownChoice", "select all\nrow 1\nedit \"Channel Type=Data\"\n",
                    {"torvane-cli: edit: line 3: \"Channel Type\" has no row \"Data\""}},
        FailureCase{"SortSelectedWithoutRows", "select all\nsort name --selected\n",
                    {"torvane-cli: edit: line 2: sort --selected needs two rows or more chosen with rows"}},
        FailureCase{"SortByNothing", "select all\nsort colour\n",
                    {"torvane-cli: edit: line 2: sort takes name, sid, type or tp, then desc and --selected if wanted"}},
        FailureCase{"SetWithoutRows", "select all\nset Scramble=Yes\n",
                    {"torvane-cli: edit: line 2: set needs rows chosen with rows or row"}},
        FailureCase{"BackwardRange", "select all\nrows 5-2\n",
                    {"torvane-cli: edit: line 2: rows takes row numbers or ranges FIRST-LAST of the list"}},
        FailureCase{"OpenQuote", "select \"all\n", {"torvane-cli: edit: line 1: unterminated quote"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The undo history keeps exactly its last 100 steps: a run says when older ones fell out, and
// its undo lines then stop at the state after them.
struct HistoryCase {
    const char* name;
    int commands;
    int undos;
    int kept;  // commands whose effect stays
    std::string err;
};

class CliEditHistory : public CliEditTest, public ::testing::WithParamInterface<HistoryCase> {};

TEST_P(CliEditHistory, KeepsExactlyItsLimitOfSteps)
{
    const HistoryCase& c = GetParam();
    const auto renames = [](int count) {
        std::string script = "select all\nrow 1\n";
        for (int i = 1; i <= count; ++i)
            script += "edit \"Channel Name=Step " + std::to_string(i) + "\"\n";
        return script;
    };
    std::string expected = m_image;
    if (c.kept > 0) {
        ASSERT_EQ(Edit(renames(c.kept)).status, 0);
        expected = test::TextOf(Path("edit.bin"));
        m_folder.Write("edit.bin", Bytes(m_image));
    }
    std::string script = renames(c.commands);
    for (int i = 0; i < c.undos; ++i)
        script += "undo\n";
    const CliRun run = Edit(script);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, c.err);
    EXPECT_TRUE(test::TextOf(Path("edit.bin")) == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CliEditHistory,
    ::testing::Values(HistoryCase{"HundredUndoneToTheOriginal", 100, 100, 0, ""},
                      HistoryCase{"HundredUndoneOfHundredAndOne", 101, 101, 1,
                                  "torvane-cli: warning: edit: 1 step fell out of the undo history from line 103 on "
                                  "(it keeps the last 100 steps within 48 MiB): undo lines do not reach them\n"},
                      HistoryCase{"HundredUndoneOfHundredAndTen", 110, 110, 10,
                                  "torvane-cli: warning: edit: 10 steps fell out of the undo history from line 103 on "
                                  "(it keeps the last 100 steps within 48 MiB): undo lines do not reach them\n"},
                      HistoryCase{"NinetyNineOfHundredAndTen", 110, 99, 11,
                                  "torvane-cli: warning: edit: 10 steps fell out of the undo history from line 103 on "
                                  "(it keeps the last 100 steps within 48 MiB): undo lines do not reach them\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliEditTest, SystemMessagesAreShownAndTheScriptGoesOn)
{
    const CliRun run = Edit("select all\nrow 2\nmove-to 0\nswitch 2\ntree-move sats 1\n"
                            "tree-move all 1\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Invalid index\nSame to index selected\n"
                       "torvane-cli: edit: line 5: tree-move takes a movable item and a place\n");
    EXPECT_EQ(test::TextOf(Path("edit.bin")), m_image);
}

TEST_F(CliEditTest, HelpNamesTheEditCommand)
{
    const CliRun run = Cli({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\n  edit FILE SCRIPT [--chunk user|default] [--allow-cut]\n"), std::string::npos) << run.out;
    const CliRun usage = Cli({"edit", Path("edit.bin")});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err, "torvane-cli: edit: expected FILE SCRIPT\n");
    const CliRun missing = Cli({"edit", Path("edit.bin"), Path("no-such-script.txt")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "torvane-cli: edit: cannot read \"" + Path("no-such-script.txt") + "\"\n");
}

TEST_F(CliEditTest, DuplicatesAreListedAndDeletedAsOneStep)
{
    const std::vector<Satellite> satellites = SatellitesOf(Output({"tree", Path("demo.bin")}));
    const std::string twins = "select \"" + satellites[1].name + "/2\"\nrow 1\n"
        + "insert \"Channel Name=Twin\" \"Service ID=4242\"\nrow 3\ninsert \"Channel Name=Twin\" \"Service ID=4242\"\n";
    const CliRun listed = Edit(twins + "duplicates\ndelete\n");
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.err, "duplicates: rows 1 3: \"Twin\"\n1 duplicate service found.\n");
    const std::string deleted = test::TextOf(Path("edit.bin"));
    const Rows rows = List("edit.bin", satellites[1].name + "/2");
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const std::string& row) { return CellsOf(row)[0] == "Twin"; }), 1);

    m_folder.Write("edit.bin", Bytes(m_image));
    const CliRun deduped = Edit(twins + "dedupe\nundo\nredo\nduplicates\n");
    ASSERT_EQ(deduped.status, 0) << deduped.err;
    EXPECT_EQ(deduped.err, "No duplicate services found.\n");
    EXPECT_TRUE(test::TextOf(Path("edit.bin")) == deleted);
}

TEST_F(CliEditTest, SetRefusesEveryRowWhenTheProgramDialogRefusesOne)
{
    const std::vector<Satellite> satellites = SatellitesOf(Output({"tree", Path("demo.bin")}));
    // A radio service made TV keeps its video PID 8191, which a TV service may not have.
    const CliRun run = Edit("select \"" + satellites[0].name + "/1\"\nrow 1\n"
                            "insert \"Channel Name=R\" \"Channel Type=Radio\" \"Audio Pid1=100\" \"PCR Pid=100\"\n"
                            "rows 1\nset \"Channel Type=TV\" \"Favorite Group=Favorite Group 1\"\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Video Pid: [32,  8190]\nRow 1 (\"R\"): nothing was set.\n"
                       "torvane-cli: edit: line 5: the dialog refused the values\n");
    EXPECT_EQ(test::TextOf(Path("edit.bin")), m_image);
}

TEST_F(CliEditTest, AScriptThatChangesNothingWritesNothing)
{
    const CliRun run = Edit("select all\nfind-next\nfilter radio\nfilter both\nrow 3\nmove-to 3\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "Same to index selected\n");
    EXPECT_EQ(test::TextOf(Path("edit.bin")), m_image);
}

// A move in "All Services" of a default-database file reaches the file: a .ddf keeps the order
// of a TP's services only through the order of their records.
TEST_F(CliEditTest, AMoveInADefaultDatabaseFileIsSaved)
{
    for (const std::string name : {"edit.ddf", "edit.df2"}) {
        ASSERT_EQ(Cli({"save-as", Path("edit.bin"), Path(name), "--allow-cut"}).status, 0);
        Rows all = List(name, "all");
        // The first two neighbours of the list that belong to one TP.
        std::size_t second = 0;
        for (const Satellite& satellite : SatellitesOf(Output({"tree", Path(name)}))) {
            for (std::size_t tp = 1; tp <= satellite.tps.size() && second == 0; ++tp) {
                const Rows rows = List(name, satellite.name + "/" + std::to_string(tp));
                for (std::size_t row = 1; row < all.size() && second == 0; ++row) {
                    const auto in = [&rows](const std::string& text) {
                        return std::find(rows.begin(), rows.end(), text) != rows.end();
                    };
                    if (in(all[row - 1]) && in(all[row]))
                        second = row;
                }
            }
        }
        ASSERT_GT(second, 0u) << name;
        const std::string before = test::TextOf(Path(name));
        m_folder.Write("script.txt", Bytes("select all\nrow " + std::to_string(second + 1) + "\nup\n"));
        const CliRun run = Cli({"edit", Path(name), Path("script.txt")});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(test::TextOf(Path(name)), before) << name;
        std::swap(all[second - 1], all[second]);
        EXPECT_EQ(List(name, "all"), all) << name;
    }
}

// A .ddf keeps services only grouped by TP: a save that cannot keep the place of services outside
// their TP writes nothing and says so, unless --allow-cut writes the file grouped by TP.
TEST_F(CliEditTest, ADdfThatCannotKeepTheChannelOrderIsWrittenOnlyWithAllowCut)
{
    const std::string start = "torvane-cli: Saving \"edit.ddf\" cannot keep the place of ";
    const std::string lost = " services outside their TP; save as .df2 to keep it.";
    const std::string refused = lost + " Nothing was written (--allow-cut saves anyway).\n";
    // The demo's channel order is not grouped by TP.
    CliRun run = Cli({"save-as", Path("edit.bin"), Path("edit.ddf")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.starts_with(start) && run.err.ends_with(refused)) << run.err;
    EXPECT_FALSE(std::filesystem::exists(Path("edit.ddf")));
    run = Cli({"save-as", Path("edit.bin"), Path("edit.ddf"), "--allow-cut"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.starts_with(start) && run.err.ends_with(lost + " Saved anyway.\n")) << run.err;

    // The first service of the second TP moved up, among the first TP's, is one out of place.
    const Rows all = List("edit.ddf", "all");
    const std::string satellite = SatellitesOf(Output({"tree", Path("edit.ddf")}))[0].name;
    const std::size_t firstTp = List("edit.ddf", satellite + "/1").size();
    ASSERT_LT(firstTp, all.size());
    m_folder.Write("up.txt", Bytes("select all\nrow " + std::to_string(firstTp + 1) + "\nup\n"));
    const std::string before = test::TextOf(Path("edit.ddf"));
    run = Cli({"edit", Path("edit.ddf"), Path("up.txt")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, start + "1" + refused);
    EXPECT_EQ(test::TextOf(Path("edit.ddf")), before);
    run = Cli({"edit", Path("edit.ddf"), Path("up.txt"), "--allow-cut"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, start + "1" + lost + " Saved anyway.\n");
    EXPECT_EQ(List("edit.ddf", "all"), all) << "written grouped by TP";
}

} // namespace
} // namespace torvane
