#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/csv_table.h"
#include "support/cli_runner.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

// torvane-cli between lists: export-csv, compare, and the edit lines import-csv and apply-order,
// on a demo image, one session through a spreadsheet's edits and back.

namespace torvane {
namespace {

using test::CliRun;
using Fields = std::vector<std::string>;

class CliListsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Cli({"template", "compile", test::sourcePath("samples/template.h")}).status, 0);
        const CliRun demo =
            Cli({"demo", Path("demo.bin"), "--satellites", "3", "--tps", "2", "--programs", "30", "--seed", "5"});
        ASSERT_EQ(demo.status, 0) << demo.err;
        m_folder.Write("edit.bin", m_folder.Read("demo.bin"));
    }

    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    CliRun Cli(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--config-dir", m_folder.Path(), "--project-type", "ZUV_DVBS_V4"});
        return test::RunCli(args, m_folder.Path());
    }

    void WriteText(const std::string& name, const std::string& text) const
    {
        m_folder.Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }

    CliRun Edit(const std::string& script) const
    {
        WriteText("script.txt", script);
        return Cli({"edit", Path("edit.bin"), Path("script.txt")});
    }

    std::string Csv(const std::string& image)
    {
        const CliRun run = Cli({"export-csv", Path(image), Path("out.csv")});
        EXPECT_EQ(run.status, 0) << run.err;
        return test::TextOf(Path("out.csv"));
    }

    static std::string Join(const std::vector<Fields>& rows, char separator, bool mark)
    {
        std::string text = mark ? std::string(kUtf8Bom) : std::string();
        for (const Fields& row : rows)
            text += CsvLine(row, separator);
        return text;
    }

    test::ScratchFolder m_folder;
};

TEST_F(CliListsTest, SpreadsheetEditsComeBackAndTheReferenceOrderUndoesThem)
{
    const std::string csv = Csv("demo.bin");
    ASSERT_TRUE(csv.starts_with(std::string(kUtf8Bom) + "Order,Satellite,TP,Service Name,Service Type,")) << csv;
    EXPECT_EQ(Csv("demo.bin"), csv);
    const CliRun same = Cli({"compare", Path("demo.bin"), Path("out.csv")});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(same.out, "");

    // Backwards, one service renamed, saved with semicolons and without the mark.
    std::vector<Fields> rows;
    for (const CsvRecord& record : ReadCsv(csv).records)
        rows.push_back(record.fields);
    ASSERT_EQ(rows.size(), 31u);
    std::reverse(rows.begin() + 1, rows.end());
    const std::string oldName = rows[5][3];
    rows[5][3] = "Renamed; \"quoted\"";
    WriteText("edited.csv", Join(rows, ';', false));
    const CliRun imported = Edit("import-csv " + Path("edited.csv") + "\n");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.err, "import-csv: Services in the file: 30\nimport-csv: Not in the file: 0\n");

    // Exported again it is the edited file, renumbered, as the editor writes it.
    for (std::size_t r = 1; r < rows.size(); ++r)
        rows[r][0] = std::to_string(r);
    EXPECT_EQ(Csv("edit.bin"), Join(rows, ',', true));

    // Compared: the rename and 29 services moved (all but one keep no relative place), the same
    // lines every time, exit status 1.
    const CliRun differ = Cli({"compare", Path("demo.bin"), Path("edit.bin")});
    EXPECT_EQ(differ.status, 1) << differ.err;
    EXPECT_EQ(std::count(differ.out.begin(), differ.out.end(), '\n'), 30);
    const std::string renamed = "\t" + rows[5][1] + "\t" + rows[5][2] + "\t";
    EXPECT_NE(differ.out.find(renamed), std::string::npos);
    EXPECT_NE(differ.out.find("\tService Name\t" + oldName + "\tRenamed; \"quoted\"\n"), std::string::npos)
        << differ.out;
    EXPECT_EQ(Cli({"compare", Path("demo.bin"), Path("edit.bin")}).out, differ.out);

    // The original as reference, with its names: the image is the original again, byte for byte.
    const CliRun applied = Edit("apply-order " + Path("demo.bin") + " --names --favorites\n");
    ASSERT_EQ(applied.status, 0) << applied.err;
    EXPECT_EQ(applied.err, "apply-order: Matched by service ID: 30\napply-order: Matched by name: 0\n"
                           "apply-order: Not in the reference: 0\napply-order: Only in the reference: 0\n");
    EXPECT_EQ(m_folder.Read("edit.bin"), m_folder.Read("demo.bin"));
}

TEST_F(CliListsTest, BrokenCsvReportsItsLinesAndChangesNothing)
{
    const std::string csv = Csv("demo.bin");
    std::vector<Fields> rows;
    for (const CsvRecord& record : ReadCsv(csv).records)
        rows.push_back(record.fields);
    std::reverse(rows.begin() + 1, rows.end());
    rows[2].pop_back();
    rows[4][1] = "Nowhere";
    WriteText("broken.csv", Join(rows, ',', true));
    const CliRun run = Edit("import-csv " + Path("broken.csv") + "\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "torvane-cli: edit: " + Path("broken.csv") + ": line 3: 13 fields where the header has 14\n"
                       "torvane-cli: edit: " + Path("broken.csv") + ": line 5: no satellite \"Nowhere\"\n"
                       "torvane-cli: edit: line 1: nothing imported from \"" + Path("broken.csv") + "\"\n");
    EXPECT_EQ(m_folder.Read("edit.bin"), m_folder.Read("demo.bin"));

    // A name holding a NUL on 25 lines: the first 20 listed, then how many more.
    rows.clear();
    for (const CsvRecord& record : ReadCsv(csv).records)
        rows.push_back(record.fields);
    ASSERT_EQ(rows[0][3], "Service Name");
    for (std::size_t r = 1; r <= 25; ++r)
        rows[r][3] = std::string("R\0adio 325", 10);
    WriteText("broken.csv", Join(rows, ',', true));
    std::string refusal;
    for (int line = 2; line <= 21; ++line)
        refusal += "torvane-cli: edit: " + Path("broken.csv") + ": line " + std::to_string(line)
            + ": \"Service Name\" holds the control character U+0000\n";
    refusal += "torvane-cli: edit: " + Path("broken.csv") + ": and 5 more lines\n"
               "torvane-cli: edit: line 1: nothing imported from \"" + Path("broken.csv") + "\"\n";
    const CliRun cut = Edit("import-csv " + Path("broken.csv") + "\n");
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.err, refusal);
    EXPECT_EQ(m_folder.Read("edit.bin"), m_folder.Read("demo.bin"));

    const CliRun usage = Cli({"compare", Path("demo.bin")});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err, "torvane-cli: compare: expected A B\n");
}

} // namespace
} // namespace torvane
