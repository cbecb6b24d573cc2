#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "child_process.h"
#include "database/chunk_chain.h"
#include "database/flash_image.h"
#include "support/cli_runner.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "util/byte_order.h"
#include "util/file_reader.h"

namespace torvane {
namespace {

using test::CliRun;
using Bytes = std::vector<std::uint8_t>;

// torvane-cli with its configuration in a folder of the scratch folder.
class CliDataSafety : public ::testing::Test {
protected:
    CliRun Cli(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--config-dir", ConfigDir()});
        return test::RunCli(args, m_folder.Path());
    }
    // With the sample template compiled and ZUV_DVBS_V1 as the project type.
    void Configure() const
    {
        ASSERT_EQ(Cli({"config", "--project-type", "ZUV_DVBS_V1"}).status, 0);
        ASSERT_EQ(Cli({"template", "compile", test::sourcePath("samples/template.h")}).status, 0);
    }
    std::string ConfigDir() const { return m_folder.Path("cfg"); }
    std::string Path(const std::string& name) const { return m_folder.Path(name); }
    Bytes Read(const std::string& name) const { return m_folder.Read(name); }

    test::ScratchFolder m_folder;
};

TEST_F(CliDataSafety, ConfigReportsAndWritesTheProjectType)
{
    const std::string folder = "folder " + ConfigDir() + "/\n";
    CliRun run = Cli({"config"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, folder + "project-type none\nscript.ini missing\n");

    run = Cli({"config", "--project-type", "zuv_dvbs_v2"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::TextOf(ConfigDir() + "/config.ini"), std::string("ZUV_DVBS_V2\0", 12));
    run = Cli({"config", "--project-type", "ZUV_DVBS_V3"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "torvane-cli: config: unknown project type \"ZUV_DVBS_V3\" (ZUV_DVBS_V1, ZUV_DVBS_V2 or "
                       "ZUV_DVBS_V4)\n");
    EXPECT_EQ(test::TextOf(ConfigDir() + "/config.ini"), std::string("ZUV_DVBS_V2\0", 12));

    const CliRun compile = Cli({"template", "compile", test::sourcePath("samples/template.h")});
    ASSERT_EQ(compile.status, 0);
    EXPECT_EQ(compile.err, "Save template ok.\n");
    run = Cli({"config"});
    EXPECT_EQ(run.out, folder + "project-type ZUV_DVBS_V2\nscript.ini present\n" + compile.out);
    EXPECT_NE(compile.out.find("prog fields="), std::string::npos);

    // A program layout without the audio arrays of the compact record is compiled, with a warning.
    const std::string bare = "typedef struct\n/*#tp_node@*/\n{\nUINT16 tp_id /*#pos:1@*/;\n} T;\n"
                             "typedef struct\n/*#sat_node@*/\n{\nUINT16 sat_id /*#pos:1@*/;\n} S;\n"
                             "typedef struct\n/*#prog_node@*/\n{\nUINT16 x /*#pos:1@*/;\n} P;\n"
                             "typedef struct\n/*#def_prog_node@*/\n{\nUINT16 x;\n} D;\n";
    m_folder.Write("bare.h", Bytes(bare.begin(), bare.end()));
    run = Cli({"template", "compile", Path("bare.h")});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("torvane-cli: warning: the program layout lacks what default databases need"),
              std::string::npos)
        << run.err;
}

// A database larger than a default-database file's work area, or an image's user database larger
// than its default area: Save As refuses to make such a file; every save that would leave records
// out writes nothing and says what it would leave out, unless --allow-cut lets it write what fits.
TEST_F(CliDataSafety, CutSavesAreRefusedUnlessAllowed)
{
    Configure();
    ASSERT_EQ(Cli({"demo", Path("big.bin"), "--satellites", "4", "--tps", "8", "--programs", "2400"}).status, 0);
    ASSERT_EQ(Cli({"demo", Path("v1.bin"), "--satellites", "6", "--tps", "6", "--programs", "3990"}).status, 0);
    CliRun run = Cli({"save-as", Path("big.bin"), Path("copy.df2")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.starts_with("The database is too large for a default database file: it takes ")) << run.err;
    EXPECT_FALSE(std::filesystem::exists(Path("copy.df2")));

    const Bytes image = Read("big.bin");
    const Bytes area(image.begin() + 0x40080, image.begin() + 0x80000);
    const std::string script = "select all\nrow 1\nedit \"Channel Name=Cut\"\n";
    m_folder.Write("rename.txt", Bytes(script.begin(), script.end()));
    const std::string fileCut = "232 services, 2 TPs and 0 satellites";
    const std::string imageCut = "1094 services, 9 TPs and 1 satellites";
    const std::string refused = ": they do not fit. Nothing was written (--allow-cut saves without them).\n";
    const struct {
        std::vector<std::string> args;
        std::string file;  // the file the command writes, or would
        int status;
        bool written;  // the file's bytes change (the image's default chunk already holds this cut)
        std::string err;
    } cases[] = {
        {{"edit", Path("big.df2"), Path("rename.txt")}, "big.df2", 1, false,
         "torvane-cli: Saving \"big.df2\" would leave out " + fileCut + refused},
        {{"save-as", Path("big.df2"), Path("cut.df2")}, "cut.df2", 1, false,
         "torvane-cli: Saving \"cut.df2\" would leave out " + fileCut + refused},
        {{"save", Path("v1.bin"), "--default"}, "v1.bin", 1, false,
         "torvane-cli: Saving \"v1.bin\" would leave out " + imageCut + refused},
        {{"edit", Path("big.df2"), Path("rename.txt"), "--allow-cut"}, "big.df2", 0, true,
         "GenerateProgInfo : Out of Range\n232 of 2400 services did not fit.\ntorvane-cli: Saving \"big.df2\" would "
         "leave out " + fileCut + ": they do not fit. Saved without them.\n"},
        {{"save", Path("v1.bin"), "--default", "--allow-cut"}, "v1.bin", 0, false,
         "GenerateProgInfo : Out of Range\n1094 of 3990 services did not fit.\ntorvane-cli: Saving \"v1.bin\" would "
         "leave out " + imageCut + ": they do not fit. Saved without them.\n"},
    };
    m_folder.Write("big.df2", area);
    for (const auto& c : cases) {
        const std::optional<Bytes> before =
            std::filesystem::exists(Path(c.file)) ? std::optional(Read(c.file)) : std::nullopt;
        run = Cli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[0] << " " << c.file;
        EXPECT_EQ(run.err, c.err);
        const std::optional<Bytes> after =
            std::filesystem::exists(Path(c.file)) ? std::optional(Read(c.file)) : std::nullopt;
        EXPECT_EQ(after != before, c.written) << c.args[0] << " " << c.file;
    }
    EXPECT_EQ(Read("big.df2").size(), 0x2FF00u);
}

// Without a default chunk the fixed place 0xC0000 … 0xDFF80 lies in the code chunk here: the save
// is refused and the image stays as it was.
TEST_F(CliDataSafety, FixedPlaceInAnotherChunkIsNotWritten)
{
    Configure();
    ASSERT_EQ(Cli({"demo", Path("demo.bin")}).status, 0);
    const Bytes demo = Read("demo.bin");
    Bytes image(0x100000 + 0xA0080, 0xFF);
    WriteBe32(image.data(), 0x01FE0100);
    WriteBe32(image.data() + 4, 0x100000 - kChunkStartSize);
    WriteBe32(image.data() + 8, 0x100000);
    WriteBe32(image.data() + 12, kNoCheckValue);
    std::copy(demo.begin() + 0x80000, demo.begin() + 0x120080, image.begin() + 0x100000);
    WriteBe32(image.data() + 0x100000 + 8, 0);
    m_folder.Write("nodefault.bin", image);

    const CliRun run = Cli({"save", Path("nodefault.bin"), "--default", "--user"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), kFixedDefaultAreaTakenMessage);
    EXPECT_EQ(Read("nodefault.bin"), image);
}

// torvane-cli killed at random moments of a save: the file always holds the old bytes or the new
// ones, and the next save clears the temporary files the killed ones left behind.
TEST_F(CliDataSafety, KilledSaveLeavesTheOldOrTheNewFile)
{
    Configure();
    ASSERT_EQ(Cli({"demo", Path("demo.bin")}).status, 0);
    const Bytes before = Read("demo.bin");
    const std::string script = "select all\nrow 1\nedit \"Channel Name=Killed\"\n";
    m_folder.Write("rename.txt", Bytes(script.begin(), script.end()));
    const std::vector<std::string> args = {"--config-dir", ConfigDir(), "edit", Path("demo.bin"), Path("rename.txt")};
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(test::RunCli(args, m_folder.Path()).status, 0);
    const auto whole = std::chrono::steady_clock::now() - started;
    const Bytes after = Read("demo.bin");
    ASSERT_NE(after, before);
    m_folder.Write("demo.bin", before);

    std::mt19937 random(20260701);
    const long long wholeMicroseconds = std::chrono::duration_cast<std::chrono::microseconds>(whole).count();
    std::uniform_int_distribution<long long> delay(0, wholeMicroseconds * 5 / 4);
    int newSeen = 0;
    for (int i = 0; i < 100; ++i) {
        test::ChildProcess child;
        ASSERT_TRUE(child.Start(test::binaryPath("src/torvane-cli"), args, Path("out.txt"), Path("err.txt")));
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        child.Signal(SIGKILL);
        ASSERT_TRUE(child.Wait(std::chrono::seconds(10)));
        const Bytes now = Read("demo.bin");
        ASSERT_TRUE(now == before || now == after) << "run " << i;
        if (now == after) {
            ++newSeen;
            m_folder.Write("demo.bin", before);
        }
    }
    const auto temporaries = [this] {
        const std::vector<std::string> names = m_folder.Names();
        return std::count_if(names.begin(), names.end(),
                             [](const std::string& name) { return name.starts_with(".demo"); });
    };
    RecordProperty("new", newSeen);
    RecordProperty("left", static_cast<int>(temporaries()));

    ASSERT_EQ(test::RunCli(args, m_folder.Path()).status, 0);
    EXPECT_EQ(Read("demo.bin"), after);
    EXPECT_EQ(temporaries(), 0);
}

// Every file the backup folder holds as a copy (temporary files left out), by path.
std::vector<std::string> BackupCopies(const std::string& folder)
{
    std::vector<std::string> copies;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->is_regular_file() && !entry->path().filename().string().starts_with("."))
            copies.push_back(entry->path().string());
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// Edits, a save over another file, a CSV export, restores over the file and beside it: each
// replace keeps what it replaced, the newest first, and --no-backup keeps nothing.
TEST_F(CliDataSafety, SavesKeepBackupsThatRestoreBringsBack)
{
    Configure();
    ASSERT_EQ(Cli({"demo", Path("demo.bin")}).status, 0);
    const Bytes original = Read("demo.bin");
    const CliRun none = Cli({"backups", Path("demo.bin")});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.err.starts_with("torvane-cli: There are no backups of " + Path("demo.bin") + " in " + ConfigDir()
                                     + "/backups/demo.bin-"))
        << none.err;
    const std::string script = "select all\nrow 1\ndelete\n";
    m_folder.Write("delete.txt", Bytes(script.begin(), script.end()));
    ASSERT_EQ(Cli({"edit", Path("demo.bin"), Path("delete.txt")}).status, 0);
    ASSERT_EQ(Cli({"edit", Path("demo.bin"), "--no-backup", Path("delete.txt")}).status, 0);
    const Bytes twice = Read("demo.bin");
    ASSERT_EQ(Cli({"edit", Path("demo.bin"), Path("delete.txt")}).status, 0);
    const Bytes thrice = Read("demo.bin");

    const CliRun listed = Cli({"backups", Path("demo.bin")});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const std::vector<std::string> lines = Lines(listed.out);
    ASSERT_EQ(lines.size(), 2u) << listed.out;
    const std::regex line(R"(([12])\t\d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC\t2097152\t(\d+) satellites, (\d+) TPs, (\d+) services)");
    std::smatch newest;
    std::smatch oldest;
    ASSERT_TRUE(std::regex_match(lines[0], newest, line)) << lines[0];
    ASSERT_TRUE(std::regex_match(lines[1], oldest, line)) << lines[1];
    EXPECT_EQ(newest[1], "1");
    EXPECT_EQ(std::stoi(oldest[4]) - std::stoi(newest[4]), 2);  // two services deleted in between

    const CliRun restored = Cli({"restore", Path("demo.bin"), "2"});
    ASSERT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(Read("demo.bin"), original);
    ASSERT_EQ(Cli({"restore", Path("demo.bin"), "1", "--out", Path("again.bin")}).status, 0);
    EXPECT_EQ(Read("again.bin"), thrice);  // the restore kept what it replaced
    EXPECT_EQ(Cli({"restore", Path("demo.bin"), "4"}).status, 2);
    EXPECT_EQ(Read("demo.bin"), original);

    // A save over another image and a CSV export over an old one keep those files first.
    ASSERT_EQ(Cli({"save", Path("demo.bin"), "--out", Path("again.bin")}).status, 0);
    m_folder.Write("list.csv", Bytes{'x'});
    ASSERT_EQ(Cli({"export-csv", Path("demo.bin"), Path("list.csv")}).status, 0);
    const std::string backups = ConfigDir() + "/backups";
    std::vector<Bytes> kept;
    for (const std::string& copy : BackupCopies(backups))
        kept.push_back(ReadFileBytes(copy).value_or(Bytes{}));
    std::sort(kept.begin(), kept.end());
    std::vector<Bytes> expected{original, twice, thrice, thrice, Bytes{'x'}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(kept, expected);
}

// A backup folder that cannot be made stops every save, names the folder and leaves the file as
// it was; --no-backup saves without one.
TEST_F(CliDataSafety, UnwritableBackupFolderStopsTheSave)
{
    Configure();
    ASSERT_EQ(Cli({"demo", Path("demo.bin")}).status, 0);
    const Bytes before = Read("demo.bin");
    m_folder.Write("cfg/backups", Bytes{0});  // a file where the folder belongs
    const std::string script = "select all\nrow 1\ndelete\n";
    m_folder.Write("delete.txt", Bytes(script.begin(), script.end()));

    const CliRun refused = Cli({"edit", Path("demo.bin"), Path("delete.txt")});
    EXPECT_EQ(refused.status, 1);
    const std::string folder = refused.err.substr(refused.err.find(" in ") + 4);
    EXPECT_TRUE(folder.starts_with(ConfigDir() + "/backups/demo.bin-")) << refused.err;
    EXPECT_EQ(refused.err, "Can't keep a backup of " + Path("demo.bin") + " in "
                               + folder.substr(0, folder.find(':')) + ": nothing was saved.\n");
    EXPECT_EQ(Read("demo.bin"), before);

    EXPECT_EQ(Cli({"--no-backup", "edit", Path("demo.bin"), Path("delete.txt")}).status, 0);
    EXPECT_NE(Read("demo.bin"), before);
}

// torvane-cli killed at random moments of a save that first keeps a backup: the file holds the
// old bytes or the new ones, and the backup folder holds no copy or a whole one.
TEST_F(CliDataSafety, KilledBackupLeavesNoCopyOrAWholeOne)
{
    Configure();
    ASSERT_EQ(Cli({"demo", Path("demo.bin")}).status, 0);
    const Bytes before = Read("demo.bin");
    const std::string script = "select all\nrow 1\nedit \"Channel Name=Killed\"\n";
    m_folder.Write("rename.txt", Bytes(script.begin(), script.end()));
    const std::vector<std::string> args = {"--config-dir", ConfigDir(), "edit", Path("demo.bin"), Path("rename.txt")};
    const std::string backups = ConfigDir() + "/backups";
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(test::RunCli(args, m_folder.Path()).status, 0);
    const auto whole = std::chrono::steady_clock::now() - started;
    const Bytes after = Read("demo.bin");
    ASSERT_EQ(BackupCopies(backups).size(), 1u);

    std::mt19937 random(20261208);
    const long long wholeMicroseconds = std::chrono::duration_cast<std::chrono::microseconds>(whole).count();
    std::uniform_int_distribution<long long> delay(wholeMicroseconds / 4, wholeMicroseconds * 5 / 4);
    int copiesSeen = 0;
    for (int i = 0; i < 60; ++i) {
        m_folder.Write("demo.bin", before);
        std::filesystem::remove_all(backups);
        test::ChildProcess child;
        ASSERT_TRUE(child.Start(test::binaryPath("src/torvane-cli"), args, Path("out.txt"), Path("err.txt")));
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        child.Signal(SIGKILL);
        ASSERT_TRUE(child.Wait(std::chrono::seconds(10)));
        const Bytes now = Read("demo.bin");
        ASSERT_TRUE(now == before || now == after) << "run " << i;
        const std::vector<std::string> copies = BackupCopies(backups);
        ASSERT_LE(copies.size(), 1u) << "run " << i;
        for (const std::string& copy : copies)
            ASSERT_EQ(ReadFileBytes(copy).value_or(Bytes{}), before) << "run " << i;
        // The file is replaced only once its copy is whole.
        if (now == after) {
            ASSERT_EQ(copies.size(), 1u) << "run " << i;
        }
        copiesSeen += static_cast<int>(copies.size());
    }
    RecordProperty("copies", copiesSeen);
}

} // namespace
} // namespace torvane
