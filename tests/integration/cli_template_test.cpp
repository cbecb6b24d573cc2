#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "schema/node_schema.h"
#include "support/cli_runner.h"
#include "support/recording_prompts.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "util/atomic_file.h"
#include "util/file_reader.h"

namespace torvane {
namespace {

using test::CliRun;
using test::TextOf;

class CliTemplateTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir = m_scratch.Path(); }

    CliRun RunProgram(const std::string& program, const std::vector<std::string>& args) const
    {
        return test::RunProgram(program, args, m_dir);
    }

    CliRun Run(const std::vector<std::string>& args) const
    {
        return test::RunCli(args, m_dir);
    }

    CliRun Compile(const std::string& header) const
    {
        return Run({"--config-dir", m_dir, "--project-type", "ZUV_DVBS_V4", "template", "compile", header});
    }

    std::string WriteHeader(const std::string& text) const
    {
        const std::string path = m_dir + "/header.h";
        EXPECT_TRUE(WriteFileAtomically(path, std::vector<std::uint8_t>(text.begin(), text.end())));
        return path;
    }

    test::ScratchFolder m_scratch;
    std::string m_dir;
};

constexpr std::pair<NodeKind, const char*> kLabels[] = {
    {NodeKind::Tp, "tp"}, {NodeKind::Satellite, "sat"}, {NodeKind::Program, "prog"}, {NodeKind::DefaultProgram, "defprog"}};

NodeSchema SampleSchema()
{
    NodeSchema schema;
    test::RecordingPrompts prompts;
    EXPECT_TRUE(schema.ParseTemplate(test::sourcePath("samples/template.h"), prompts));
    return schema;
}

std::string ExpectedCompileOutput(const NodeSchema& schema)
{
    std::string out;
    for (const auto& [kind, label] : kLabels) {
        out += std::string(label) + " fields=" + std::to_string(schema.DeclarationCount(kind))
            + " positioned=" + std::to_string(schema.FieldCount(kind)) + " size=" + std::to_string(schema.NodeSize(kind))
            + "\n";
    }
    return out;
}

std::string ExpectedShowOutput(const NodeSchema& schema)
{
    std::string out;
    for (const auto& [kind, label] : kLabels) {
        int index = 0;
        for (const TemplateField& f : schema.Fields(kind, FieldView::Declaration)) {
            char values[200];
            std::snprintf(values, sizeof values, "\tkind=%d mask=%d pos=%d width=%d bits=%d word=%d bit=%d\n",
                          static_cast<int>(f.kind), f.mask, f.pos, f.width, f.totalBits, f.wordIndex, f.bitOffset);
            out += std::string(label) + " " + std::to_string(index++) + " " + f.name + values;
        }
    }
    return out;
}

TEST_F(CliTemplateTest, CompileWritesScriptAndPrintsOneLinePerKind)
{
    const CliRun run = Compile(test::sourcePath("samples/template.h"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "Save template ok.\n");
    const NodeSchema schema = SampleSchema();
    EXPECT_EQ(run.out, ExpectedCompileOutput(schema));
    EXPECT_EQ(ReadFileBytes(m_dir + "/script.ini"), schema.Compile());
}

TEST_F(CliTemplateTest, ShowPrintsEveryDeclaredFieldOfEveryKind)
{
    ASSERT_EQ(Compile(test::sourcePath("samples/template.h")).status, 0);
    // The project type is not needed to show the layouts.
    const CliRun run = Run({"--config-dir", m_dir, "template", "show"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, ExpectedShowOutput(SampleSchema()));
    const auto lines = std::count(run.out.begin(), run.out.end(), '\n');
    int declarations = 0;
    for (const auto& [kind, label] : kLabels)
        declarations += SampleSchema().DeclarationCount(kind);
    EXPECT_EQ(lines, declarations);
}

TEST_F(CliTemplateTest, ShowWithoutScriptFailsWithTheEditorsMessage)
{
    const CliRun run = Run({"--config-dir", m_dir, "template", "show"});
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "\"" + m_dir + "/script.ini\" not exist\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/script.ini"));
}

TEST_F(CliTemplateTest, CompileOfBadHeaderFailsAndKeepsTheEarlierScript)
{
    ASSERT_EQ(Compile(test::sourcePath("samples/template.h")).status, 0);
    const std::string before = TextOf(m_dir + "/script.ini");
    const CliRun run = Compile(WriteHeader("/*#tp_node@*/ { float f /*#pos:1@*/; }"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "ParseTemplate failed!\n");
    EXPECT_EQ(TextOf(m_dir + "/script.ini"), before);
}

TEST_F(CliTemplateTest, CompileReportsMalformedAttributeAndStillSaves)
{
    const std::string header = "/*#tp_node@*/ { UINT8 a /*#pos:1@*/; UINT8 b /*#pos@*/; }\n"
                               "/*#sat_node@*/ { UINT8 s /*#pos:1@*/; }\n"
                               "/*#prog_node@*/ { UINT8 p /*#pos:1@*/; }\n"
                               "/*#def_prog_node@*/ { UINT8 d; }\n";
    const CliRun run = Compile(WriteHeader(header));
    EXPECT_EQ(run.status, 0);
    // The tiny program layout has no audio PID arrays, so the default-database warning follows.
    EXPECT_TRUE(run.err.starts_with("pos error\nSave template ok.\ntorvane-cli: warning: the program layout lacks"))
        << run.err;
    EXPECT_EQ(run.out, "tp fields=2 positioned=1 size=2\nsat fields=1 positioned=1 size=1\n"
                       "prog fields=1 positioned=1 size=1\ndefprog fields=1 positioned=1 size=1\n");
}

TEST_F(CliTemplateTest, CompileOfMissingHeaderSaysSo)
{
    const CliRun run = Compile(m_dir + "/missing.h");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "torvane-cli: cannot read \"" + m_dir + "/missing.h\"\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/script.ini"));
}

TEST_F(CliTemplateTest, CompileCreatesAMissingConfigFolder)
{
    const CliRun run = Run({"--config-dir", m_dir + "/new/config", "template", "compile", test::sourcePath("samples/template.h")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(m_dir + "/new/config/script.ini"));
}

TEST_F(CliTemplateTest, CompileIntoAFolderThatCannotBeMadeFails)
{
    WriteHeader("not a folder");
    const CliRun run =
        Run({"--config-dir", m_dir + "/header.h/sub", "template", "compile", test::sourcePath("samples/template.h")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "torvane-cli: cannot write \"" + m_dir + "/header.h/sub/script.ini\"\n");
}

TEST_F(CliTemplateTest, ConfigFolderDefaultsToTheExecutablesFolder)
{
    const std::string copy = m_dir + "/" + test::programFile("torvane-cli");
    std::filesystem::copy_file(test::binaryPath("src/" + test::programFile("torvane-cli")), copy);
    const CliRun compile = RunProgram(copy, {"template", "compile", test::sourcePath("samples/template.h")});
    EXPECT_EQ(compile.status, 0) << compile.err;
    EXPECT_EQ(ReadFileBytes(m_dir + "/script.ini"), SampleSchema().Compile());
    const CliRun show = RunProgram(copy, {"--config-dir=" + m_dir, "--project-type=zuv_dvbs_v1", "template", "show"});
    EXPECT_EQ(show.status, 0);
    EXPECT_EQ(show.out, ExpectedShowOutput(SampleSchema()));
}

struct UsageCase {
    std::vector<std::string> args;
    std::string firstErrorLine;
};

void PrintTo(const UsageCase& c, std::ostream* os)
{
    for (const std::string& arg : c.args)
        *os << arg << ' ';
}

class CliUsageErrors : public CliTemplateTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageErrors, FailWithAClearMessage)
{
    const CliRun run = Run(GetParam().args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), GetParam().firstErrorLine);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliUsageErrors,
    ::testing::Values(
        UsageCase{{}, "torvane-cli: no command given"},
        UsageCase{{"frobnicate"}, "torvane-cli: unknown command \"frobnicate\""},
        UsageCase{{"--bogus", "template", "show"}, "torvane-cli: unknown option \"--bogus\""},
        UsageCase{{"--config-dir"}, "torvane-cli: --config-dir needs a value"},
        UsageCase{{"--project-type"}, "torvane-cli: --project-type needs a value"},
        UsageCase{{"--project-type", "ZUV_DVBS_V3", "template", "show"},
                  "torvane-cli: unknown project type \"ZUV_DVBS_V3\" (ZUV_DVBS_V1, ZUV_DVBS_V2 or ZUV_DVBS_V4)"},
        UsageCase{{"template"}, "torvane-cli: template: expected \"compile HEADER.h\" or \"show\""},
        UsageCase{{"template", "compile"}, "torvane-cli: template: expected \"compile HEADER.h\" or \"show\""},
        UsageCase{{"template", "show", "extra"}, "torvane-cli: template: expected \"compile HEADER.h\" or \"show\""},
        UsageCase{{"template", "list"}, "torvane-cli: template: expected \"compile HEADER.h\" or \"show\""}));

TEST_F(CliTemplateTest, HelpPrintsUsage)
{
    const CliRun run = Run({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.starts_with("usage: torvane-cli [--config-dir DIR] [--project-type ZUV_DVBS_V1|ZUV_DVBS_V2|"
                                    "ZUV_DVBS_V4] [--no-backup] COMMAND ...\n       torvane-cli --help | --version\ncommands:\n"
                                    "  config [--project-type ZUV_DVBS_V1|ZUV_DVBS_V2|ZUV_DVBS_V4]\n"
                                    "  template compile HEADER.h\n  template show\n"))
        << run.out;
    EXPECT_EQ(run.err, "");
}

TEST_F(CliTemplateTest, VersionIsTheProjectsVersion)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--version"},
                                                 std::vector<std::string>{"--config-dir", "/nonexistent", "--version"}}) {
        const CliRun run = Run(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, "torvane-cli " TORVANE_VERSION "\n");
        EXPECT_EQ(run.err, "");
    }
}

} // namespace
} // namespace torvane
