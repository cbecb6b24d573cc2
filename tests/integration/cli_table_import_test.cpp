#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

// torvane-cli's table import on a copy of the demo image: tps-diff shows what import-tps would do
// and writes nothing; import-tps and import-sat edit lines change the image only when the whole
// table was read, and say their counts on standard error.

namespace torvane {
namespace {

using test::CliRun;
using Bytes = std::vector<std::uint8_t>;

const std::string kHotbird = "/usr/share/dvb/dvb-s/Hotbird-13.0E";

Bytes BytesOf(const std::string& text)
{
    return {text.begin(), text.end()};
}

class CliTableImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string demo = test::TextOf(test::binaryPath("samples/demo_v2.bin"));
        ASSERT_FALSE(demo.empty());
        m_folder.Write("demo.bin", BytesOf(demo));
    }

    CliRun Cli(std::vector<std::string> args, const std::string& type = "v2") const
    {
        args.insert(args.begin(), {"--config-dir", test::binaryPath("samples/" + type), "--project-type",
                                   "ZUV_DVBS_" + std::string(type == "v2" ? "V2" : "V4")});
        return test::RunCli(args, m_folder.Path());
    }

    CliRun Edit(const std::string& script) const
    {
        m_folder.Write("script.txt", BytesOf(script));
        return Cli({"edit", Path("demo.bin"), Path("script.txt")});
    }

    std::string Path(const std::string& name) const { return m_folder.Path(name); }
    std::string Tree() const { return Cli({"tree", Path("demo.bin")}).out; }

    test::ScratchFolder m_folder;
};

// The demo's "Hotbird 13E" has six TPs; one lies within 2 MHz of a table entry with another
// symbol rate. The Debian table has 95 entries, 4 of them DVB-S2.
TEST_F(CliTableImport, DiffsThenImportsHotbirdsTable)
{
    const Bytes before = m_folder.Read("demo.bin");
    const CliRun diff = Cli({"tps-diff", Path("demo.bin"), kHotbird, "Hotbird 13E"});
    ASSERT_EQ(diff.status, 0) << diff.err;
    const std::string counts =
        "added 90, updated 1, same 0, kept 5, deleted 0, skipped 4 (DVB-S2), skipped 0 (out of range)\n";
    EXPECT_EQ(diff.err, counts);
    EXPECT_EQ(std::count(diff.out.begin(), diff.out.end(), '\n'), 100);
    EXPECT_NE(diff.out.find("\nchanged: 10836 V 27500 (was 30000, [ 4 ]  TP_10836_V_30000)\n"), std::string::npos);
    EXPECT_NE(diff.out.find("\nonly here: 10729 H 30000 ([ 1 ]  TP_10729_H_30000, 6 services)\n"), std::string::npos)
        << diff.out;
    EXPECT_EQ(m_folder.Read("demo.bin"), before);

    const CliRun wide = Cli({"tps-diff", Path("demo.bin"), kHotbird, "Hotbird 13E", "--tolerance", "21"});
    EXPECT_EQ(wide.status, 2);
    EXPECT_EQ(wide.err, "torvane-cli: tps-diff: --tolerance takes 0 … 20 MHz\n");

    const CliRun edit = Edit("import-tps " + kHotbird + " \"Hotbird 13E\" --delete-missing\nundo\nredo\n");
    ASSERT_EQ(edit.status, 0) << edit.err;
    EXPECT_EQ(edit.err,
              "added 90, updated 1, same 0, kept 0, deleted 5, skipped 4 (DVB-S2), skipped 0 (out of range)\n");
    const std::string tree = Tree();
    // The TP kept first, the new ones after it in frequency order.
    EXPECT_NE(tree.find("  Hotbird 13E\n    [ 1 ]  TP_10836_V_27500\n    [ 2 ]  TP_10719_V_27500\n"),
              std::string::npos)
        << tree;
    EXPECT_NE(tree.find("    [ 91 ]  TP_12731_H_27500\n"), std::string::npos) << tree;
}

int TpCount(const std::string& tree)
{
    int count = 0;
    for (std::size_t at = tree.find("TP_"); at != std::string::npos; at = tree.find("TP_", at + 1))
        ++count;
    return count;
}

// Debian's Astra-28.2E gives 12304 H 27500 on lines 269 and 280. With 12304 H 29500 on the
// satellite, the first entry changes that TP and the second is a repeat: the counts printed are
// what the import does. Anik-F3-119.0W's block on line 373 has a symbol rate of 201.5 Msym/s: that
// TP alone is skipped.
TEST_F(CliTableImport, FoldsRepeatedEntriesAndSkipsImplausibleValues)
{
    const std::string astra = "/usr/share/dvb/dvb-s/Astra-28.2E";
    ASSERT_EQ(Edit("tp-add \"Astra 19.2E\" \"Frequency (MHz)=12304\" \"Polarization=Horizontal\" "
                   "\"Symbol Rate (KsPs)=29500\"\n")
                  .status,
              0);
    const CliRun diff = Cli({"tps-diff", Path("demo.bin"), astra, "Astra 19.2E"});
    ASSERT_EQ(diff.status, 0) << diff.err;
    EXPECT_NE(diff.out.find("\nchanged: 12304 H 27500 (was 29500, [ 7 ]  TP_12304_H_29500)\n"
                            "repeated: 12304 H 27500 (line 280)\n"),
              std::string::npos)
        << diff.out;
    const std::string counts = "added 56, updated 1, same 0, kept 6, deleted 0, skipped 26 (DVB-S2), skipped 0 (out "
                               "of range), repeated 2\n";
    EXPECT_EQ(diff.err, counts);
    const int before = TpCount(Tree());
    const CliRun run = Edit("import-tps " + astra + " \"Astra 19.2E\"\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, counts);
    EXPECT_EQ(TpCount(Tree()), before + 56);

    const std::string anik = "/usr/share/dvb/dvb-s/Anik-F3-119.0W";
    const CliRun skipped = Cli({"tps-diff", Path("demo.bin"), anik, "Hotbird 13E"});
    ASSERT_EQ(skipped.status, 0) << skipped.err;
    EXPECT_NE(skipped.out.find("\nskipped (out of range): 12384 H 201500 (circular left taken as horizontal, line 373)\n"),
              std::string::npos)
        << skipped.out;
    EXPECT_TRUE(skipped.err.ends_with(", skipped 1 (out of range)\n")) << skipped.err;
}

// What a satellites.xml gives: its own reading, or in a build without the XML reader (no Qt) the
// refusal of every such table.
std::string XmlOutcome(const std::string& name, const std::string& read)
{
#ifdef TORVANE_SATELLITES_XML
    (void)name;
    return read;
#else
    (void)read;
    return name + ": this build reads no satellites.xml";
#endif
}

struct BadTable {
    const char* name;
    std::string text;
    std::string error;
};

TEST_F(CliTableImport, AMalformedTableChangesNothing)
{
    const std::string block = "[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nFREQUENCY = 11000000\nPOLARIZATION = VERTICAL\n"
                              "SYMBOL_RATE = 27500000\n";
    std::string huge;
    while (huge.size() < 10 * 1024 * 1024)
        huge += block;
    const std::vector<BadTable> tables = {
        {"Sat-13.0E", block + "[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nSYMBOL_RATE = 1\nPOLARIZATION = H\n",
         "Sat-13.0E: line 9: POLARIZATION must be HORIZONTAL, VERTICAL, LEFT or RIGHT, not \"H\""},
        {"NoFrequency-13.0E", "# x\n[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nSYMBOL_RATE = 1\nPOLARIZATION = VERTICAL\n",
         "NoFrequency-13.0E: line 2: the block has no FREQUENCY"},
        {"sats.xml", "<satellites>\n<sat name=\"X\" position=\"130\">\n<transponder frequency=\"1\"\n</sat>",
         XmlOutcome("sats.xml", "sats.xml: line 4: Expected '>' or '/', but got '<'.")},
        {"Huge-13.0E", huge, "Huge-13.0E: larger than 4 MiB, no table"},
    };
    const Bytes before = m_folder.Read("demo.bin");
    for (const BadTable& table : tables) {
        SCOPED_TRACE(table.name);
        m_folder.Write(table.name, BytesOf(table.text));
        for (const std::string& line : {"import-tps " + Path(table.name) + " \"Hotbird 13E\"",
                                        "import-sat " + Path(table.name) + " 13.0E"}) {
            const CliRun run = Edit("tree-delete \"Astra 19.2E\"\n" + line + "\n");
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err, "torvane-cli: edit: line 2: " + table.error + "\n");
            EXPECT_EQ(m_folder.Read("demo.bin"), before);
        }
    }
    // Unknown keys are no fault.
    m_folder.Write("Keys-13.0E", BytesOf("[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nFREQUENCY = 12000000\n"
                                         "POLARIZATION = RIGHT\nSYMBOL_RATE = 27500000\nPLS_CODE = 1\nVCHANNEL = x\n"));
    const CliRun run = Edit("import-tps " + Path("Keys-13.0E") + " \"Hotbird 13E\"\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "added 1, updated 0, same 0, kept 6, deleted 0, skipped 0 (DVB-S2), skipped 0 (out of range)\n");
    EXPECT_NE(Tree().find("    [ 7 ]  TP_12000_V_27500\n"), std::string::npos);
}

// A user database with room for nine more TPs: the preview says so, the import adds those nine
// and the next one none.
TEST_F(CliTableImport, AddsNoMoreTpsThanTheImageHolds)
{
    ASSERT_EQ(Cli({"demo", Path("full.bin"), "--satellites", "3", "--tps", "3", "--programs", "3993"}, "v4").status, 0);
    const std::string counts = "added 9, updated 0, same 0, kept 3, deleted 0, skipped 4 (DVB-S2), skipped 0 (out of "
                               "range)\nroom for 9 of 91 new TPs\n";
    EXPECT_EQ(Cli({"tps-diff", Path("full.bin"), kHotbird, "Hotbird 13E"}, "v4").err, counts);
    m_folder.Write("script.txt", BytesOf("import-tps " + kHotbird + " \"Hotbird 13E\"\nimport-tps " + kHotbird
                                         + " \"Hotbird 13E\"\n"));
    const CliRun run = Cli({"edit", Path("full.bin"), Path("script.txt")}, "v4");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, counts
                           + "added 0, updated 0, same 9, kept 3, deleted 0, skipped 4 (DVB-S2), skipped 0 (out of "
                             "range)\nroom for 0 of 82 new TPs\n");
    const std::string tree = Cli({"tree", Path("full.bin")}, "v4").out;
    EXPECT_NE(tree.find("    [ 12 ]  "), std::string::npos) << tree;
    EXPECT_EQ(tree.find("    [ 13 ]  "), std::string::npos) << tree;
}

// The room of a preview counts a TP for each one ticked for deletion, and for a new satellite
// what its own record leaves: the counts are what the step does.
TEST_F(CliTableImport, RoomCountsTheDeletionsAndTheNewSatellite)
{
    ASSERT_EQ(Cli({"demo", Path("full.bin"), "--satellites", "3", "--tps", "3", "--programs", "3993"}, "v4").status, 0);
    m_folder.Write("script.txt", BytesOf("import-tps " + kHotbird + " \"Hotbird 13E\" --delete-missing\n"));
    const CliRun update = Cli({"edit", Path("full.bin"), Path("script.txt")}, "v4");
    EXPECT_EQ(update.status, 0);
    EXPECT_EQ(update.err, "added 12, updated 0, same 0, kept 0, deleted 3, skipped 4 (DVB-S2), skipped 0 (out of "
                          "range)\nroom for 12 of 91 new TPs\n");
    EXPECT_NE(Cli({"tree", Path("full.bin")}, "v4").out.find("  Hotbird 13E\n    [ 1 ]  TP_10719_V_27500\n"),
              std::string::npos);

    ASSERT_EQ(Cli({"demo", Path("full.bin"), "--satellites", "3", "--tps", "3", "--programs", "3993"}, "v4").status, 0);
    m_folder.Write("script.txt", BytesOf("import-sat /usr/share/dvb/dvb-s/Turksat-42.0E\n"));
    const CliRun added = Cli({"edit", Path("full.bin"), Path("script.txt")}, "v4");
    EXPECT_EQ(added.status, 0);
    EXPECT_EQ(added.err, "added 6, updated 0, same 0, kept 0, deleted 0, skipped 0 (DVB-S2), skipped 0 (out of "
                         "range)\nroom for 6 of 102 new TPs\n");
    const std::string tree = Cli({"tree", Path("full.bin")}, "v4").out;
    EXPECT_TRUE(tree.ends_with("  Turksat\n    [ 1 ]  TP_10968_V_4557\n    [ 2 ]  TP_10970_H_30000\n"
                               "    [ 3 ]  TP_10999_V_2222\n    [ 4 ]  TP_11003_V_2175\n    [ 5 ]  TP_11007_V_2950\n"
                               "    [ 6 ]  TP_11011_V_2125\n"))
        << tree;
}

TEST_F(CliTableImport, AddsASatelliteOfASatellitesXmlByPosition)
{
    m_folder.Write("satellites.xml", BytesOf(R"(<?xml version="1.0"?>
<satellites>
	<sat name="13.0E Hot Bird" flags="0" position="130">
		<transponder frequency="10719000" symbol_rate="27500000" polarization="1"/>
	</sat>
	<sat name="Hispasat 30W" flags="0" position="-300">
		<transponder frequency="12092000000" symbol_rate="27500000" polarization="3" fec_inner="3"/>
		<transponder frequency="11731000" symbol_rate="27500000" polarization="2"/>
		<transponder frequency="11811000" symbol_rate="29500000" polarization="0" system="1"/>
		<transponder frequency="2500000" symbol_rate="27500000" polarization="0"/>
	</sat>
</satellites>
)"));
    const CliRun missing = Edit("import-sat " + Path("satellites.xml") + " 19.2E\n");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "torvane-cli: edit: line 1: "
                               + XmlOutcome("satellites.xml", "the table has no satellite at 19.2E") + "\n");
#ifndef TORVANE_SATELLITES_XML
    return;
#endif
    const CliRun several = Edit("import-sat " + Path("satellites.xml") + "\n");
    EXPECT_EQ(several.err, "torvane-cli: edit: line 1: the table holds several satellites: give POSITION\n");

    const CliRun run = Edit("import-sat " + Path("satellites.xml") + " 30W\nimport-sat " + Path("satellites.xml")
                            + " 30.0W\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "added 2, updated 0, same 0, kept 0, deleted 0, skipped 1 (DVB-S2), skipped 1 (out of range)\n"
                       "Satellite name existed!\ntorvane-cli: edit: line 2: the dialog refused the values\n");
    const CliRun once = Edit("import-sat " + Path("satellites.xml") + " 30W\n");
    ASSERT_EQ(once.status, 0) << once.err;
    EXPECT_NE(Tree().find("  Hispasat 30W\n    [ 1 ]  TP_11731_H_27500\n    [ 2 ]  TP_12092_V_27500\n"),
              std::string::npos);
}

} // namespace
} // namespace torvane
