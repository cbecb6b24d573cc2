#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "schema/node_schema.h"
#include "schema/project_config.h"
#include "demo/demo_image.h"
#include "document/document.h"
#include "store/tree_item.h"
#include "support/cli_runner.h"
#include "support/recording_prompts.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

using test::CliRun;

std::vector<std::uint8_t> BytesOf(const std::string& path)
{
    const std::string text = test::TextOf(path);
    return {text.begin(), text.end()};
}

// torvane-cli on demo images of one project type, with the sample template compiled into the
// configuration folder; expected outputs come from the core opened in this process.
class CliFilesTest : public ::testing::TestWithParam<ProjectType> {
protected:
    void SetUp() override
    {
        m_type = GetParam();
        const CliRun compile = Cli({"template", "compile", test::sourcePath("samples/template.h")});
        ASSERT_EQ(compile.status, 0) << compile.err;
        const CliRun demo = Cli({"demo", Path("demo.bin")});
        ASSERT_EQ(demo.status, 0) << demo.err;
        ASSERT_EQ(demo.err, "");
        ASSERT_TRUE(m_schema.ParseTemplate(test::sourcePath("samples/template.h"), m_prompts));
    }

    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    CliRun Cli(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--config-dir", m_folder.Path(), "--project-type",
                                   std::string(ProjectTypeName(m_type))});
        return test::RunCli(args, m_folder.Path());
    }

    // The file opened in this process as the command opens it.
    std::unique_ptr<Document> Opened(const std::string& path, bool defaultChunk = false)
    {
        auto document = std::make_unique<Document>(m_prompts, m_type);
        document->Schema() = m_schema;
        document->List().SetupColumns(NodeKind::Program);
        const bool opened = SaveAsKindOf(path) != SaveAsKind::Bin ? document->LoadDefaultDatabase(path)
            : defaultChunk                                         ? document->OpenDefaultDatabase(path)
                                                                   : document->OpenUserDatabase(path);
        EXPECT_TRUE(opened) << path;
        return document;
    }

    static std::string TreeOf(const Document& document)
    {
        std::string text;
        const auto visit = [&text](auto& self, const TreeItem* item, int depth) -> void {
            text += std::string(2 * static_cast<std::size_t>(depth), ' ') + item->Label() + "\n";
            for (int i = 0; i < item->ChildCount(); ++i)
                self(self, item->Child(i), depth + 1);
        };
        for (int i = 0; i < document.Store().Tree().TopLevelCount(); ++i)
            visit(visit, document.Store().Tree().TopLevel(i), 0);
        return text;
    }

    TreeItem* Satellite(Document& document, int index)
    {
        return document.Store().Tree().FindRoot(TreeKind::SatelliteRoot)->Child(index);
    }

    test::ScratchFolder m_folder;
    ProjectType m_type = ProjectType::ZUV_DVBS_V1;
    NodeSchema m_schema;
    test::RecordingPrompts m_prompts;
};

TEST_P(CliFilesTest, InfoListsTheChunksAndBothDatabases)
{
    const CliRun run = Cli({"info", Path("demo.bin")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "chunk 0x5A555600 offset=0x0 length=0xFFF0 next=0x10000 check=ok\n"
                       "chunk 0x01FE0100 offset=0x10000 length=0x2FFF0 next=0x30000 check=ok\n"
                       "chunk 0x03FC0100 offset=0x40000 length=0x3FFF0 next=0x40000 check=ok\n"
                       "chunk 0x04FB0100 offset=0x80000 length=0xA0070 next=0xA0080 check=ncrc\n"
                       "chunk 0x02FD0100 offset=0x120080 length=0xDFF70 next=0x0 check=ok\n"
                       "user satellites=6 tps=36 services=360\n"
                       "default satellites=6 tps=36 services=360\n");
}

TEST_P(CliFilesTest, DemoIsTheSameEveryTimeAndFollowsItsSeed)
{
    ASSERT_EQ(Cli({"demo", Path("again.bin")}).status, 0);
    EXPECT_EQ(BytesOf(Path("again.bin")), BytesOf(Path("demo.bin")));
    ASSERT_EQ(Cli({"demo", Path("other.bin"), "--seed", "5", "--programs", "20", "--satellites", "2"}).status, 0);
    const std::string info = Cli({"info", Path("other.bin")}).out;
    EXPECT_TRUE(info.ends_with("check=ok\nuser satellites=2 tps=12 services=20\ndefault satellites=2 tps=12 services=20\n"))
        << info;
    EXPECT_NE(BytesOf(Path("other.bin")), BytesOf(Path("demo.bin")));
}

TEST_P(CliFilesTest, TreeShowsTheNavigatorsLabels)
{
    for (const bool defaultChunk : {false, true}) {
        const CliRun run = Cli({"tree", Path("demo.bin"), "--chunk", defaultChunk ? "default" : "user"});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, TreeOf(*Opened(Path("demo.bin"), defaultChunk)));
        EXPECT_TRUE(run.out.starts_with("All Services\nSatellite Information\n  Astra 19.2E\n    [ 1 ]  TP_"));
    }
}

struct ListCase {
    std::string item;     // the --item value, "" for none
    std::string filter;   // the --filter value, "" for none
    int satellite;        // -1: All Services
    int tp;               // -1: the satellite itself
    ServiceFilter expectedFilter;
};

TEST_P(CliFilesTest, ListShowsTheItemsServicesAsTheEditorDoes)
{
    const std::vector<ListCase> cases = {
        {"", "", -1, -1, ServiceFilter::TvAndRadio},
        {"all", "tv", -1, -1, ServiceFilter::Tv},
        {"Hotbird 13E", "radio", 1, -1, ServiceFilter::Radio},
        {"عربسات 26E/2", "both", 2, 1, ServiceFilter::TvAndRadio},
        {"Astra 19.2E/6", "tv", 0, 5, ServiceFilter::Tv},
    };
    for (const ListCase& c : cases) {
        std::vector<std::string> args = {"list", Path("demo.bin")};
        if (!c.item.empty())
            args.insert(args.end(), {"--item", c.item});
        if (!c.filter.empty())
            args.push_back("--filter=" + c.filter);
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 0) << c.item;
        EXPECT_EQ(run.err, "");

        const auto document = Opened(Path("demo.bin"));
        document->List().SetFilter(c.expectedFilter);
        TreeItem* item = c.satellite < 0 ? document->Store().Tree().FindRoot(TreeKind::AllServices)
            : c.tp < 0                   ? Satellite(*document, c.satellite)
                                         : Satellite(*document, c.satellite)->Child(c.tp);
        document->SelectItem(item);
        ASSERT_GT(document->List().RowCount(), 0) << c.item;
        EXPECT_EQ(run.out, document->List().Text()) << c.item << " " << c.filter;
    }
}

TEST_P(CliFilesTest, OpenShowsEveryItemWithItsList)
{
    const CliRun run = Cli({"open", Path("demo.bin")});
    EXPECT_EQ(run.status, 0);
    const auto document = Opened(Path("demo.bin"));
    document->SelectItem(document->Store().Tree().FindRoot(TreeKind::AllServices));
    const std::string all = "item: All Services\n" + document->List().Text() + "\n";
    EXPECT_TRUE(run.out.starts_with(all + "item: Satellite Information\n\nitem:   Astra 19.2E\nIndex\t"));
    TreeItem* tp = Satellite(*document, 5)->Child(5);
    document->SelectItem(tp);
    const std::string last = "item:     " + tp->Label() + "\n" + document->List().Text() + "\n";
    EXPECT_TRUE(run.out.ends_with(last));
    // One block per item: 2 roots, 6 satellites, 36 TPs.
    std::size_t blocks = 0;
    for (std::size_t at = run.out.find("item: "); at != std::string::npos; at = run.out.find("\nitem: ", at + 1))
        ++blocks;
    EXPECT_EQ(blocks, 44u);
}

TEST_P(CliFilesTest, SaveAsWritesEachKindOfFile)
{
    const std::vector<std::uint8_t> image = BytesOf(Path("demo.bin"));
    // Unchanged, both chunks written give back the same image.
    ASSERT_EQ(Cli({"save-as", Path("demo.bin"), Path("copy.bin"), "--write", "default,user"}).status, 0);
    EXPECT_EQ(BytesOf(Path("copy.bin")), image);
    ASSERT_EQ(Cli({"export", Path("demo.bin"), "--out", Path("user.bin"), "--write", "user"}).status, 0);
    EXPECT_EQ(BytesOf(Path("user.bin")), image);

    ASSERT_EQ(Cli({"save-as", Path("demo.bin"), Path("db.df2")}).status, 0);
    // The demo's channel order is not grouped by TP, which a .ddf keeps only with --allow-cut.
    ASSERT_EQ(Cli({"save-as", Path("demo.bin"), Path("db.ddf"), "--chunk", "default", "--allow-cut"}).status, 0);
    const CliRun txt = Cli({"save-as", Path("demo.bin"), Path("tp.txt"), "--item", "Astra 19.2E/1", "--filter", "tv"});
    ASSERT_EQ(txt.status, 0) << txt.err;
    EXPECT_EQ(BytesOf(Path("demo.bin")), image);

    const auto document = Opened(Path("demo.bin"));
    document->List().SetFilter(ServiceFilter::Tv);
    document->SelectItem(Satellite(*document, 0)->Child(0));
    ASSERT_TRUE(document->ExportText(Path("expected.txt")));
    EXPECT_EQ(BytesOf(Path("tp.txt")), BytesOf(Path("expected.txt")));
    EXPECT_TRUE(test::TextOf(Path("tp.txt")).starts_with("No.  Nome        Freq       Pol    SR\r\n1 #"));

    // The default-database files open as FILE too, with the same channels.
    for (const std::string name : {"db.df2", "db.ddf"}) {
        const CliRun info = Cli({"info", Path(name)});
        EXPECT_EQ(info.status, 0) << name;
        EXPECT_EQ(info.out, "default satellites=6 tps=36 services=360\n") << name;
        EXPECT_EQ(Cli({"tree", Path(name)}).out, Cli({"tree", Path("demo.bin")}).out) << name;
    }
    if (m_type != ProjectType::ZUV_DVBS_V4) {
        EXPECT_EQ(BytesOf(Path("db.ddf")).size(), 0x40000u - 0x80u);
    }
}

TEST_P(CliFilesTest, Df2ThroughTheStoreComesBackTheSame)
{
    ASSERT_EQ(Cli({"save-as", Path("demo.bin"), Path("a.df2")}).status, 0);
    ASSERT_EQ(Cli({"save-as", Path("a.df2"), Path("b.df2")}).status, 0);
    ASSERT_EQ(Cli({"save-as", Path("b.df2"), Path("c.df2")}).status, 0);
    EXPECT_EQ(BytesOf(Path("c.df2")), BytesOf(Path("b.df2")));
    if (m_type == ProjectType::ZUV_DVBS_V4) {
        EXPECT_EQ(BytesOf(Path("b.df2")), BytesOf(Path("a.df2")));
    } else {
        EXPECT_EQ(BytesOf(Path("b.df2")).size(), 196352u);
    }
    EXPECT_EQ(Cli({"list", Path("c.df2")}).out, Cli({"list", Path("demo.bin")}).out);
}

TEST_P(CliFilesTest, SaveWritesTheChosenChunks)
{
    const std::vector<std::uint8_t> image = BytesOf(Path("demo.bin"));
    EXPECT_EQ(Cli({"save", Path("demo.bin"), "--out", Path("out.bin"), "--user"}).status, 0);
    EXPECT_EQ(BytesOf(Path("out.bin")), image);
    EXPECT_EQ(Cli({"save", Path("demo.bin"), "--chunk", "default", "--default", "--user"}).status, 0);
    EXPECT_EQ(BytesOf(Path("demo.bin")), image);
}

struct FailureCase {
    std::vector<std::string> args;  // FILE is "{bad}", OUT is "{out}"
    int status;
    std::string firstErrorLine;
};

TEST_P(CliFilesTest, BrokenInputFailsWithTheSystemsMessageAndWritesNothing)
{
    std::vector<std::uint8_t> truncated = BytesOf(Path("demo.bin"));
    truncated.resize(0x100000);
    std::vector<std::uint8_t> unpaired = BytesOf(Path("demo.bin"));
    WriteBe32(unpaired.data() + 0x10000, 0x05FB0100);
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files = {
        {"truncated.bin", truncated}, {"unpaired.bin", unpaired}, {"empty.bin", {}}, {"empty.df2", {}}};
    for (const auto& [name, bytes] : files) {
        m_folder.Write(name, bytes);
        const bool region = name == "truncated.bin";
        const std::string expected = name == "empty.df2" ? (m_type == ProjectType::ZUV_DVBS_V4
                                                                ? "invalid or incomplete default data"
                                                                : "Load Default DB Failed")
            : region ? "The user database region lies outside its chunk or the file"
                     : "Unrecognized file";
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"tree", Path(name)}, {"list", Path(name)}, {"open", Path(name)},
              {"save-as", Path(name), Path("out.bin")}, {"save-as", Path(name), Path("out.df2")},
              {"save", Path(name) + (name.ends_with(".bin") ? "" : ".bin")}}) {
            const CliRun run = Cli(args);
            EXPECT_EQ(run.status, 1) << name << " " << args[0];
            EXPECT_EQ(run.out, "") << name << " " << args[0];
            if (args[0] != "save") {
                EXPECT_EQ(run.err.substr(0, run.err.find('\n')), expected) << name << " " << args[0];
            }
        }
        EXPECT_EQ(BytesOf(Path(name)), bytes) << name;
        EXPECT_FALSE(std::filesystem::exists(Path("out.bin")));
        EXPECT_FALSE(std::filesystem::exists(Path("out.df2")));
    }
    // info says what it found: the chunks before the break, and that no database opens.
    const CliRun info = Cli({"info", Path("unpaired.bin")});
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.out, "chunk 0x5A555600 offset=0x0 length=0xFFF0 next=0x10000 check=ok\n"
                        "chunk 0x05FB0100 offset=0x10000 length=0x2FFF0 next=0x30000 check=bad\n");
    EXPECT_EQ(info.err, "torvane-cli: the chunk chain ends early: a chunk identifier breaks the pairing rule\n"
                        "Unrecognized file\nUnrecognized file\n");
}

TEST_P(CliFilesTest, WrongUseIsReported)
{
    m_folder.Write("db.df2", {});
    const std::vector<FailureCase> cases = {
        {{"info"}, 2, "torvane-cli: info: expected FILE"},
        {{"info", "a.bin", "b.bin"}, 2, "torvane-cli: info: expected FILE"},
        {{"tree", Path("demo.bin"), "--chunk", "both"}, 2, "torvane-cli: tree: --chunk must be user or default"},
        {{"tree", Path("demo.bin"), "--item", "all"}, 2, "torvane-cli: tree: unknown option \"--item\""},
        {{"list", Path("demo.bin"), "--filter", "news"}, 2, "torvane-cli: list: --filter must be tv, radio or both"},
        {{"list", Path("demo.bin"), "--item"}, 2, "torvane-cli: list: --item needs a value"},
        {{"list", Path("demo.bin"), "--item", "Nowhere"}, 1, "torvane-cli: list: no item \"Nowhere\""},
        {{"list", Path("demo.bin"), "--item", "Astra 19.2E/7"}, 1, "torvane-cli: list: no item \"Astra 19.2E/7\""},
        {{"list", Path("demo.bin"), "--item", "Astra 19.2E/0"}, 1, "torvane-cli: list: no item \"Astra 19.2E/0\""},
        {{"save-as", Path("demo.bin")}, 2, "torvane-cli: save-as: expected FILE OUT"},
        {{"save-as", Path("demo.bin"), Path("x.bin"), "--write", "none"}, 2,
         "torvane-cli: save-as: --write must be default, user or default,user"},
        {{"save-as", Path("demo.bin"), Path("x.dat")}, 1, "torvane-cli: nothing was written to \"" + Path("x.dat") + "\""},
        {{"save-as", Path("demo.bin"), Path("x.TXT")}, 1, "torvane-cli: nothing was written to \"" + Path("x.TXT") + "\""},
        {{"export", Path("demo.bin")}, 2, "torvane-cli: export: expected FILE --out OUT"},
        {{"save", Path("demo.bin"), "--out", Path("x.ddf")}, 2, "torvane-cli: save: IMAGE and OUT must be .bin files"},
        {{"save", Path("demo.bin"), "--user=yes"}, 2, "torvane-cli: save: --user takes no value"},
        {{"demo", Path("x.ddf")}, 2, "torvane-cli: demo: expected OUT.bin"},
        {{"demo", Path("x.bin"), "--programs", "4001"}, 2,
         "torvane-cli: demo: --satellites and --tps take 0 to 64, --programs 0 to 4000, --seed a number"},
        {{"tree", Path("demo.txt")}, 1, "torvane-cli: \"" + Path("demo.txt") + "\" is not a .bin, .ddf or .df2 file"},
    };
    for (const FailureCase& c : cases) {
        std::vector<std::string> args = c.args;
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, c.status) << args[0];
        EXPECT_EQ(run.out, "") << args[0];
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.firstErrorLine) << args[0];
    }
    for (const std::string name : {"x.bin", "x.dat", "x.TXT", "x.ddf"})
        EXPECT_FALSE(std::filesystem::exists(Path(name))) << name;
}

TEST_P(CliFilesTest, DefaultFileIsSavedAsADefaultFileOnly)
{
    ASSERT_EQ(Cli({"save-as", Path("demo.bin"), Path("db.df2")}).status, 0);
    for (const std::string out : {"x.bin", "x.txt"}) {
        const CliRun run = Cli({"save-as", Path("db.df2"), Path(out)});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "torvane-cli: save-as: a default-database file is saved as .ddf or .df2 only\n");
        EXPECT_FALSE(std::filesystem::exists(Path(out)));
    }
}

TEST_P(CliFilesTest, HelpNamesEveryFileCommand)
{
    const CliRun run = Cli({"--help"});
    EXPECT_EQ(run.status, 0);
    const std::string commands = run.out.substr(run.out.find("  info"));
    EXPECT_EQ(commands,
              "  info FILE\n"
              "  tree FILE [--chunk user|default]\n"
              "  list FILE [--chunk user|default] [--item all|SATNAME|SATNAME/N] [--filter tv|radio|both]\n"
              "  open FILE [--chunk user|default] [--filter tv|radio|both]\n"
              "  save IMAGE.bin [--chunk user|default] [--out OUT.bin] [--default] [--user] [--allow-cut]\n"
              "  save-as FILE OUT [--chunk user|default] [--write default|user|default,user] [--item ITEM] "
              "[--filter tv|radio|both] [--allow-cut]\n"
              "  export FILE --out OUT [the options of save-as]\n"
              "  export-csv FILE OUT.csv [--chunk user|default]\n"
              "  compare A B [--chunk user|default]\n"
              "  demo OUT.bin [--satellites N] [--tps N] [--programs N] [--seed N]\n"
              "  upload [--port PORT] OUT.bin [--no-open]\n"
              "  download [--port PORT] IMAGE.bin [--default] [--user] [--verify] [--backup]\n"
              "  backups FILE\n"
              "  restore FILE N [--out OUT]\n");
}

INSTANTIATE_TEST_SUITE_P(Types, CliFilesTest, ::testing::Values(ProjectType::ZUV_DVBS_V1, ProjectType::ZUV_DVBS_V4),
                         [](const auto& info) { return info.param == ProjectType::ZUV_DVBS_V1 ? "V1" : "V4"; });

} // namespace
} // namespace torvane
