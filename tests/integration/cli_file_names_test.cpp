#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "util/crc32_mpeg2.h"
#include "util/file_name.h"

// What differs between systems at the file level: names outside ASCII, read-only files and the
// bytes of text output. These runs are the same on Linux and on Windows (under Wine), and expect
// the same results on both.

namespace torvane {
namespace {

namespace fs = std::filesystem;
using test::CliRun;

class CliFileNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Cli({"template", "compile", test::sourcePath("samples/template.h")}).status, 0);
    }

    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    CliRun Cli(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--config-dir", m_folder.Path(), "--project-type", "ZUV_DVBS_V1"});
        return test::RunCli(args, m_folder.Path());
    }

    test::ScratchFolder m_folder;
};

// Arabic with blanks: on Windows such a name only gets through as UTF-16, from the command line to
// every file opened, written and replaced.
TEST_F(CliFileNamesTest, ArabicNameWithBlanksIsOpenedEditedAndSaved)
{
    const std::string image = "صورة القنوات 1.bin";
    const std::string copy = "نسخة احتياطية.bin";
    const std::string script = "تعديل الأسماء.txt";
    ASSERT_EQ(Cli({"demo", Path(image), "--satellites", "2", "--tps", "2", "--programs", "8"}).status, 0);
    const std::string tree = Cli({"tree", Path(image)}).out;
    // The first satellite: the first line with two blanks of indent.
    const std::size_t start = tree.find("\n  ") + 3;
    const std::string firstSatellite = tree.substr(start, tree.find('\n', start) - start);
    ASSERT_FALSE(firstSatellite.empty()) << tree;

    const std::string edit = "sat-edit \"" + firstSatellite + "\" \"Satellite Name=نايل سات\"\n";
    m_folder.Write(script, std::vector<std::uint8_t>(edit.begin(), edit.end()));
    const CliRun edited = Cli({"edit", Path(image), Path(script)});
    ASSERT_EQ(edited.status, 0) << edited.err;
    EXPECT_EQ(edited.err, "");

    const CliRun saved = Cli({"save-as", Path(image), Path(copy), "--write", "user"});
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(m_folder.Read(copy), m_folder.Read(image));
    const CliRun reopened = Cli({"tree", Path(copy)});
    EXPECT_NE(reopened.out.find("\n  نايل سات\n"), std::string::npos) << reopened.out;
    EXPECT_EQ(reopened.out.find(firstSatellite), std::string::npos) << reopened.out;
    // Written in place, nothing left beside the files.
    EXPECT_EQ(m_folder.Names(), (std::vector<std::string>{"backups", "script.ini", script, image, copy}));
}

// Every command that takes a file, with Arabic names with blanks for all of them: the CSV export
// read back by compare, apply-order and import-csv, a transponder table (whose name names its
// satellite) for tps-diff, import-tps and import-sat.
TEST_F(CliFileNamesTest, ArabicNamesWithBlanksReachEveryFileCommand)
{
    const std::string image = "صورة القنوات.bin";
    const std::string csv = "قائمة القنوات.csv";
    const std::string table = "قمر صناعي-13.0E";
    const std::string script = "تعديل الجدول.txt";
    ASSERT_EQ(Cli({"demo", Path(image), "--satellites", "2", "--tps", "2", "--programs", "8"}).status, 0);
    const std::string tree = Cli({"tree", Path(image)}).out;
    const std::size_t start = tree.find("\n  ") + 3;
    const std::string firstSatellite = tree.substr(start, tree.find('\n', start) - start);
    ASSERT_FALSE(firstSatellite.empty()) << tree;

    const CliRun exported = Cli({"export-csv", Path(image), Path(csv)});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::vector<std::uint8_t> bytes = m_folder.Read(csv);
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()).starts_with("\xEF\xBB\xBFOrder,Satellite,TP,"));
    const CliRun compared = Cli({"compare", Path(image), Path(csv)});
    EXPECT_EQ(compared.status, 0) << compared.err;
    EXPECT_EQ(compared.err, "");

    const std::string block = "[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nFREQUENCY = 11000000\nPOLARIZATION = VERTICAL\n"
                              "SYMBOL_RATE = 27500000\n";
    m_folder.Write(table, std::vector<std::uint8_t>(block.begin(), block.end()));
    const CliRun diff = Cli({"tps-diff", Path(image), Path(table), firstSatellite});
    ASSERT_EQ(diff.status, 0) << diff.err;
    EXPECT_NE(diff.out.find("new: 11000 V 27500\n"), std::string::npos) << diff.out;

    const std::string lines = "import-tps \"" + Path(table) + "\" \"" + firstSatellite + "\"\nimport-sat \"" + Path(table)
        + "\"\napply-order \"" + Path(csv) + "\"\nimport-csv \"" + Path(csv) + "\"\n";
    m_folder.Write(script, std::vector<std::uint8_t>(lines.begin(), lines.end()));
    const CliRun edited = Cli({"edit", Path(image), Path(script)});
    ASSERT_EQ(edited.status, 0) << edited.err;
    EXPECT_NE(edited.err.find("apply-order: Matched by service ID: 8\n"), std::string::npos) << edited.err;
    EXPECT_NE(edited.err.find("import-csv: Services in the file: 8\n"), std::string::npos) << edited.err;
    EXPECT_NE(Cli({"tree", Path(image)}).out.find("\n  قمر صناعي\n    [ 1 ]  TP_11000_V_27500\n"), std::string::npos);

    // The other commands that take a file name.
    const std::string header = "قالب القوائم.h";
    const std::string copy = "نسخة القنوات.bin";
    const std::string listing = "نص القائمة.txt";
    const std::string templateText = test::TextOf(test::sourcePath("samples/template.h"));
    m_folder.Write(header, std::vector<std::uint8_t>(templateText.begin(), templateText.end()));
    const std::vector<std::vector<std::string>> commands = {{"template", "compile", Path(header)},
                                                            {"info", Path(image)},
                                                            {"list", Path(image)},
                                                            {"open", Path(image)},
                                                            {"save", Path(image), "--out", Path(copy)},
                                                            {"export", Path(image), "--out", Path(listing)}};
    for (const std::vector<std::string>& command : commands) {
        const CliRun run = Cli(command);
        EXPECT_EQ(run.status, 0) << command[0] << ": " << run.err;
    }
    EXPECT_EQ(m_folder.Read(copy), m_folder.Read(image));
    EXPECT_EQ(m_folder.Names(),
              (std::vector<std::string>{"backups", "script.ini", script, image, csv, header, table, copy, listing}));
}

// A read-only image is refused with the editor's message on every system, byte for byte as it was.
TEST_F(CliFileNamesTest, ReadOnlyImageIsRefusedAndUnchanged)
{
    ASSERT_EQ(Cli({"demo", Path("demo.bin")}).status, 0);
    const std::vector<std::uint8_t> before = m_folder.Read("demo.bin");
    fs::permissions(FileNamePath(Path("demo.bin")), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);

    const CliRun save = Cli({"save", Path("demo.bin"), "--default", "--user"});
    EXPECT_EQ(save.status, 1);
    EXPECT_NE(save.err.find("Can't write " + Path("demo.bin")), std::string::npos) << save.err;
    EXPECT_EQ(m_folder.Read("demo.bin"), before);
    EXPECT_EQ(m_folder.Names(), (std::vector<std::string>{"demo.bin", "script.ini"}));
}

// The text listing of the demo image: lines end with CR LF on every system, and the whole file is
// the same bytes everywhere (its CRC and size were taken from the Linux build).
TEST_F(CliFileNamesTest, TextListingOfTheDemoImageIsTheSameBytesOnEverySystem)
{
    ASSERT_EQ(Cli({"demo", Path("demo.bin")}).status, 0);
    const CliRun listing = Cli({"save-as", Path("demo.bin"), Path("listing.txt")});
    ASSERT_EQ(listing.status, 0) << listing.err;
    const std::vector<std::uint8_t> bytes = m_folder.Read("listing.txt");
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_TRUE(text.starts_with("No.  Nome        Freq       Pol    SR\r\n")) << text.substr(0, 80);
    std::size_t lines = 0;
    std::size_t crLf = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        ++lines;
        crLf += at > 0 && text[at - 1] == '\r' ? 1 : 0;
    }
    EXPECT_EQ(lines, 244u);
    EXPECT_EQ(crLf, lines);
    EXPECT_EQ(bytes.size(), 8376u);
    EXPECT_EQ(Crc32Mpeg2(bytes), 0x9D84E552u);
}

#ifdef TORVANE_NO_SERIAL_LINK
// A build without Qt has every file command but no serial line.
TEST_F(CliFileNamesTest, SerialCommandsSayThatThisBuildHasNoSerialLink)
{
    for (const std::string command : {"probe", "upload", "download"}) {
        const CliRun run = Cli({command, "--port", "1", Path("demo.bin")});
        EXPECT_EQ(run.status, 2) << command;
        EXPECT_EQ(run.err, "torvane-cli: " + command + ": this build has no serial link\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(m_folder.Names(), std::vector<std::string>{"script.ini"});
}
#endif

} // namespace
} // namespace torvane
