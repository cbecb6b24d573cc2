#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/enigma2_examples.h"
#include "support/enigma2_folder_builder.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "util/file_name.h"

// torvane-cli and Enigma2 settings folders on copies of the demo image: e2-diff shows what an
// import would do and writes nothing; import-e2 edit lines change the image only when the whole
// folder was read; export-e2 writes a folder that imports back into an empty copy as the same list.

namespace torvane {
namespace {

using test::CliRun;
using Bytes = std::vector<std::uint8_t>;
using Files = std::vector<std::pair<std::string, std::string>>;

Bytes BytesOf(std::string_view text)
{
    return {text.begin(), text.end()};
}

std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

class CliEnigma2 : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string demo = test::TextOf(test::binaryPath("samples/demo_v2.bin"));
        ASSERT_FALSE(demo.empty());
        m_folder.Write("demo.bin", BytesOf(demo));
        WriteFolder("ex", {{"lamedb", std::string(test::kExampleLamedb)},
                           {"bouquets.tv", std::string(test::kExampleBouquetsTv)},
                           {"userbouquet.demo.tv", std::string(test::kExampleDemoBouquet)}});
    }

    CliRun Cli(std::vector<std::string> args) const
    {
        args.insert(args.begin(),
                    {"--config-dir", test::binaryPath("samples/v2"), "--project-type", "ZUV_DVBS_V2"});
        return test::RunCli(args, m_folder.Path());
    }

    CliRun Edit(const std::string& file, const std::string& script) const
    {
        m_folder.Write("script.txt", BytesOf(script));
        return Cli({"edit", Path(file), Path("script.txt")});
    }

    void WriteFolder(const std::string& name, const Files& files) const
    {
        std::filesystem::create_directory(FileNamePath(Path(name)));
        for (const auto& [file, text] : files)
            m_folder.Write(name + "/" + file, BytesOf(text));
    }

    // A copy of the demo without its satellites.
    void WriteEmptyCopy(const std::string& name) const
    {
        m_folder.Write(name, m_folder.Read("demo.bin"));
        std::string script;
        for (const std::string& line : LinesOf(Cli({"tree", Path("demo.bin")}).out)) {
            if (line.starts_with("  ") && !line.starts_with("    "))
                script += "tree-delete \"" + line.substr(2) + "\"\n";
        }
        const CliRun run = Edit(name, script);
        ASSERT_EQ(run.status, 0) << run.err;
    }

    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    test::ScratchFolder m_folder;
};

// The note's example: two services of 19.2E added, the two of the DVB-S2 TP at 7.0W skipped.
TEST_F(CliEnigma2, DiffsImportsAndRefusesBadFolders)
{
    const Bytes before = m_folder.Read("demo.bin");
    const CliRun diff = Cli({"e2-diff", Path("demo.bin"), Path("ex")});
    ASSERT_EQ(diff.status, 0) << diff.err;
    EXPECT_EQ(diff.out, "add: Alpha TV  19.2E 11836 H 27500  SID 12003  Favorite Group 1\n"
                        "skipped (TP): G\xC3\xA4mma Kids  7.0W 11013 V 30000  SID 18  Favorite Group 1  (TP skipped (DVB-S2))\n"
                        "skipped (TP): Beta HD  7.0W 11013 V 30000  SID 17  Favorite Group 1  (TP skipped (DVB-S2))\n"
                        "add: Alpha Radio  19.2E 11836 H 27500  SID 12004\n");
    const std::vector<std::string> summary = LinesOf(diff.err);
    ASSERT_GE(summary.size(), 3u);
    EXPECT_EQ(summary[0], "services: added 2, updated 0, replaced 0, skipped 0 (type), skipped 2 (TP), refused 0, no room 0");
    EXPECT_EQ(summary[1], "satellite 19.2E \"19.2E\" (new)");
    EXPECT_EQ(summary.back(), "left out: 0 TPs not on a satellite, 0 services not on a satellite TP, 0 duplicate "
                              "services, 2 markers, 0 streams, 0 entries not found");

    std::string broken(test::kExampleLamedb);
    broken.replace(broken.find("/\n0dca"), 2, "x\n");
    WriteFolder("bad", {{"lamedb", broken}});
    struct Refusal {
        std::string line;
        std::string error;
    };
    const std::vector<Refusal> refusals = {
        {"import-e2 " + Path("bad"), "lamedb line 5: \"/\" expected"},
        {"import-e2 " + Path("none"), "\"" + Path("none") + "\" is no folder"},
        {"import-e2 " + Path("ex") + " --satellite 13E", "the folder has no satellite at 13.0E"},
        {"import-e2 " + Path("ex") + " --satellite", "--satellite takes one value or more"},
        {"import-e2 " + Path("ex") + " --satellite 200E", "POSITION is degrees east or west such as 13.0E or 7W, not \"200E\""},
        {"import-e2 " + Path("ex") + " --bouquet Demo", "the folder has no bouquet \"Demo\""},
        {"import-e2", "import-e2 takes FOLDER [--merge] [--satellite POSITION ...] [--bouquet NAME ...]"},
    };
    for (const Refusal& refusal : refusals) {
        const CliRun run = Edit("demo.bin", "import-e2 " + Path("ex") + "\n" + refusal.line + "\n");
        EXPECT_EQ(run.status, 1) << refusal.line;
        // The first line's counts, then the refusal.
        EXPECT_TRUE(run.err.ends_with("\nleft out: 0 TPs not on a satellite, 0 services not on a satellite TP, 0 "
                                      "duplicate services, 2 markers, 0 streams, 0 entries not found\n"
                                      "torvane-cli: edit: line 2: " + refusal.error + "\n"))
            << run.err;
    }
    EXPECT_EQ(m_folder.Read("demo.bin"), before);

    const CliRun edit = Edit("demo.bin", "import-e2 " + Path("ex") + " --satellite 19.2E 7W --bouquet \"Demo favourites\"\n"
                                         "undo\nredo\nimport-e2 " + Path("ex") + " --merge\n");
    ASSERT_EQ(edit.status, 0) << edit.err;
    EXPECT_TRUE(edit.err.starts_with("services: added 1, updated 0, replaced 0, skipped 0 (type), skipped 2 (TP)"))
        << edit.err;
    EXPECT_NE(edit.err.find("\nservices: added 1, updated 1, replaced 0,"), std::string::npos) << edit.err;
    const std::string tree = Cli({"tree", Path("demo.bin")}).out;
    // 7.0W has no TP to import: no satellite is made for it.
    EXPECT_TRUE(tree.ends_with("\n  19.2E\n    [ 1 ]  TP_11836_H_27500\n")) << tree;
}

// Export, then import into a copy without satellites: the same list but for what the folder
// cannot carry (Factory; a radio service's video PID, which the program dialog makes 8191; group
// values that are no group). A second round from that copy gives it back exactly.
TEST_F(CliEnigma2, ExportsAFolderThatImportsBackAsTheSameList)
{
    const CliRun exported = Cli({"export-e2", Path("demo.bin"), Path("out")});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_TRUE(exported.err.starts_with("written 6 satellites, 36 TPs, 360 services, 9 bouquets;")) << exported.err;
    WriteEmptyCopy("copy.bin");
    m_folder.Write("empty.bin", m_folder.Read("copy.bin"));
    ASSERT_EQ(Edit("copy.bin", "import-e2 " + Path("out") + "\n").status, 0);
    const CliRun first = Cli({"compare", Path("demo.bin"), Path("copy.bin")});
    for (const std::string& line : LinesOf(first.out)) {
        EXPECT_TRUE(line.starts_with("changed\t")) << line;
        const std::string field = line.substr(0, line.rfind('\t', line.rfind('\t') - 1));
        EXPECT_TRUE(field.ends_with("\tFactory") || field.ends_with("\tVideo Pid") || field.ends_with("\tFavorite Group"))
            << line;
    }

    ASSERT_EQ(Cli({"export-e2", Path("copy.bin"), Path("out2")}).status, 0);
    ASSERT_EQ(Edit("empty.bin", "import-e2 " + Path("out2") + "\n").status, 0);
    const CliRun second = Cli({"compare", Path("copy.bin"), Path("empty.bin")});
    EXPECT_EQ(second.status, 0) << second.out;
    EXPECT_EQ(second.out, "");

    // The folder rule: files of an earlier export are replaced or removed, anything else refuses.
    m_folder.Write("out/userbouquet.old.tv", BytesOf("#NAME Old\n"));
    m_folder.Write("out/lamedb5", BytesOf("eDVB services /5/\n"));
    ASSERT_EQ(Cli({"export-e2", Path("copy.bin"), Path("out")}).status, 0);
    for (const char* name : {"userbouquet.old.tv", "lamedb5"})
        EXPECT_FALSE(std::filesystem::exists(FileNamePath(Path("out/") + name))) << name;
    EXPECT_EQ(m_folder.Read("out/lamedb"), m_folder.Read("out2/lamedb"));
    m_folder.Write("out/notes.txt", BytesOf("mine\n"));
    const Bytes lamedb = m_folder.Read("out/lamedb");
    const CliRun refused = Cli({"export-e2", Path("demo.bin"), Path("out")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "torvane-cli: export-e2: \"" + Path("out") + "\" holds \"notes.txt\": settings are written "
                                                                         "only into a new folder or one holding nothing but settings files\n");
    EXPECT_EQ(m_folder.Read("out/lamedb"), lamedb);
}

// A folder larger than the user database: what fits is added, the preview says how much.
TEST_F(CliEnigma2, ImportsAGeneratedFolderUpToTheRoomThereIs)
{
    const test::GeneratedE2Folder generated = test::GenerateE2Folder(6000, 60, 12, false, true);
    WriteFolder("big", generated.files);
    const CliRun diff = Cli({"e2-diff", Path("demo.bin"), Path("big")});
    ASSERT_EQ(diff.status, 0) << diff.err;
    const std::vector<std::string> summary = LinesOf(diff.err);
    const int room = std::stoi(summary[1].substr(std::string("room for ").size()));
    EXPECT_EQ(summary[0], "services: added " + std::to_string(room) + ", updated 0, replaced 0, skipped "
                              + std::to_string(generated.otherType) + " (type), skipped "
                              + std::to_string(generated.tvRadioOnDvbS2) + " (TP), refused 0, no room "
                              + std::to_string(generated.tvRadioOnDvbS - room));
    EXPECT_EQ(summary[1], "room for " + std::to_string(room) + " of " + std::to_string(generated.tvRadioOnDvbS)
                              + " new services");
    const std::vector<std::string> rows = LinesOf(diff.out);
    EXPECT_EQ(static_cast<int>(std::count_if(rows.begin(), rows.end(),
                                             [](const std::string& row) { return row.starts_with("no room: "); })),
              generated.tvRadioOnDvbS - room);

    const int before = static_cast<int>(LinesOf(Cli({"list", Path("demo.bin")}).out).size());
    const CliRun edit = Edit("demo.bin", "import-e2 " + Path("big") + "\n");
    ASSERT_EQ(edit.status, 0) << edit.err;
    EXPECT_EQ(static_cast<int>(LinesOf(Cli({"list", Path("demo.bin")}).out).size()), before + room);
}

} // namespace
} // namespace torvane
