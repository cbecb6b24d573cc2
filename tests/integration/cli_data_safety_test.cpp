#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
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

} // namespace
} // namespace torvane
