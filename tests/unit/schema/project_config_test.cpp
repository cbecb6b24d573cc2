#include "schema/project_config.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "schema/node_schema.h"
#include "support/recording_prompts.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "unit/schema/template_builder.h"
#include "util/executable_folder.h"
#include "util/atomic_file.h"
#include "util/file_reader.h"

namespace torvane {
namespace {

using namespace std::string_literals;

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

class ProjectConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = m_scratch.Path();
        m_config.SetFolder(m_dir);
    }

    std::string PathIn(const std::string& name) const { return m_dir + "/" + name; }
    void Write(const std::string& name, const std::string& content)
    {
        ASSERT_TRUE(WriteFileAtomically(PathIn(name), Bytes(content)));
    }
    std::string WriteHeader(const std::string& text)
    {
        Write("header.h", text);
        return PathIn("header.h");
    }

    test::ScratchFolder m_scratch;
    std::string m_dir;
    ProjectConfig m_config{""};
    test::RecordingPrompts m_prompts;
};

struct ConfigFileCase {
    std::string content;
    ProjectType expected;
};

class ProjectTypeFromConfigIni : public ProjectConfigTest, public ::testing::WithParamInterface<ConfigFileCase> {};

TEST_P(ProjectTypeFromConfigIni, SelectsWithoutAsking)
{
    Write("config.ini", GetParam().content);
    EXPECT_EQ(m_config.LoadProjectType(m_prompts), GetParam().expected);
    EXPECT_EQ(m_config.Type(), GetParam().expected);
    EXPECT_TRUE(m_prompts.questions.empty());
    EXPECT_EQ(ReadFileBytes(m_config.ConfigIniPath()), Bytes(GetParam().content));
}

INSTANTIATE_TEST_SUITE_P(
    Contents, ProjectTypeFromConfigIni,
    ::testing::Values(ConfigFileCase{"ZUV_DVBS_V1\0"s, ProjectType::ZUV_DVBS_V1},
                      ConfigFileCase{"ZUV_DVBS_V2\0"s, ProjectType::ZUV_DVBS_V2},
                      ConfigFileCase{"ZUV_DVBS_V4\0"s, ProjectType::ZUV_DVBS_V4},
                      ConfigFileCase{"zuv_dvbs_v4\0"s, ProjectType::ZUV_DVBS_V4},
                      ConfigFileCase{"Zuv_Dvbs_V1", ProjectType::ZUV_DVBS_V1},
                      ConfigFileCase{"ZUV_DVBS_V2\0trailing bytes\n"s, ProjectType::ZUV_DVBS_V2}));

struct AskedCase {
    std::optional<std::string> content;  // nothing: no config.ini
    std::vector<std::optional<int>> answers;  // -1: OK with nothing chosen, nothing: Cancel
    std::optional<ProjectType> expected;      // nothing: the program ends
};

class ProjectTypeAsked : public ProjectConfigTest, public ::testing::WithParamInterface<AskedCase> {};

TEST_P(ProjectTypeAsked, UntilAnsweredThenRewritesConfigIni)
{
    if (GetParam().content)
        Write("config.ini", *GetParam().content);
    m_prompts.choiceAnswers.assign(GetParam().answers.begin(), GetParam().answers.end());
    EXPECT_EQ(m_config.LoadProjectType(m_prompts), GetParam().expected);
    EXPECT_EQ(m_prompts.questions, std::vector<std::string>(GetParam().answers.size(), "Project Select"));
    const std::vector<std::string> names = {"ZUV_DVBS_V1", "ZUV_DVBS_V2", "ZUV_DVBS_V4"};
    for (const std::vector<std::string>& options : m_prompts.choiceOptions)
        EXPECT_EQ(options, names);
    // None of the three is checked when the dialog opens.
    EXPECT_EQ(m_prompts.choicePresets, std::vector<std::optional<int>>(GetParam().answers.size(), std::nullopt));
    if (!GetParam().expected) {
        const std::optional<std::vector<std::uint8_t>> unchanged =
            GetParam().content ? std::optional(Bytes(*GetParam().content)) : std::nullopt;
        EXPECT_EQ(ReadFileBytes(m_config.ConfigIniPath()), unchanged);
        return;
    }
    const std::string written = std::string(ProjectTypeName(*GetParam().expected)) + '\0';
    EXPECT_EQ(written.size(), 12u);
    EXPECT_EQ(ReadFileBytes(m_config.ConfigIniPath()), Bytes(written));
    EXPECT_TRUE(m_prompts.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Contents, ProjectTypeAsked,
    ::testing::Values(AskedCase{std::nullopt, {1}, ProjectType::ZUV_DVBS_V2},
                      AskedCase{"ZUV_DVBS_V3\0"s, {1}, ProjectType::ZUV_DVBS_V2},
                      AskedCase{"", {0}, ProjectType::ZUV_DVBS_V1},
                      AskedCase{"ZUV_DVBS_V4\n", {2}, ProjectType::ZUV_DVBS_V4},
                      AskedCase{" ZUV_DVBS_V4\0"s, {2}, ProjectType::ZUV_DVBS_V4},
                      AskedCase{"\0ZUV_DVBS_V4"s, {2}, ProjectType::ZUV_DVBS_V4},
                      AskedCase{"ZUV_DVBS_V", {-1, -1, 3, -1, 2}, ProjectType::ZUV_DVBS_V4},
                      AskedCase{"ZUV_DVBS_V", {-1, std::nullopt}, std::nullopt},
                      AskedCase{std::nullopt, {std::nullopt}, std::nullopt}));

struct BackupSettingsCase {
    std::string tail;  // config.ini after "ZUV_DVBS_V4" and its zero byte
    BackupSettings expected;
};

class BackupSettingsFromConfigIni : public ProjectConfigTest,
                                    public ::testing::WithParamInterface<BackupSettingsCase> {};

// The settings after the zero byte are read, what is out of range keeps its default, and saving
// either the type or the settings keeps the other.
TEST_P(BackupSettingsFromConfigIni, ReadAndKeptByBothSaves)
{
    Write("config.ini", "ZUV_DVBS_V4"s + '\0' + GetParam().tail);
    EXPECT_EQ(m_config.ReadBackupSettings(), GetParam().expected);
    EXPECT_EQ(m_config.ReadProjectTypeFile(), ProjectType::ZUV_DVBS_V4);

    ASSERT_TRUE(m_config.SaveProjectType(ProjectType::ZUV_DVBS_V1));
    EXPECT_EQ(m_config.ReadBackupSettings(), GetParam().expected);
    const BackupSettings changed{!GetParam().expected.enabled, 7, 64, !GetParam().expected.receiverFlash};
    ASSERT_TRUE(m_config.SaveBackupSettings(changed));
    EXPECT_EQ(ReadFileBytes(m_config.ConfigIniPath()),
              Bytes("ZUV_DVBS_V1"s + '\0' + (changed.enabled ? "backups=on" : "backups=off")
                    + "\nbackups-per-file=7\nbackups-total-mib=64\nbackups-receiver="
                    + (changed.receiverFlash ? "on\n" : "off\n")));
    EXPECT_EQ(m_config.ReadBackupSettings(), changed);
    EXPECT_EQ(m_config.BackupFolder(), m_dir + "/backups");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BackupSettingsFromConfigIni,
    ::testing::Values(BackupSettingsCase{"", {true, 20, 500, false}},
                      BackupSettingsCase{"backups=off\r\nbackups-per-file=1\nbackups-total-mib=100000\n"
                                         "backups-receiver=on\n",
                                         {false, 1, 100000, true}},
                      BackupSettingsCase{"backups=no\nbackups-per-file=0\nbackups-total-mib=100001\nx", {true, 20, 500, false}},
                      BackupSettingsCase{"backups-per-file=1000\nbackups-total-mib=-5\nbackups-per-file=",
                                         {true, 1000, 500, false}}));

TEST(ProjectTypeNames, MatchWithoutCaseAndOnlyAsAWhole)
{
    EXPECT_EQ(ProjectTypeFromName("zUv_DvBs_v2"), ProjectType::ZUV_DVBS_V2);
    EXPECT_EQ(ProjectTypeFromName("ZUV_DVBS_V3"), std::nullopt);
    EXPECT_EQ(ProjectTypeFromName("ZUV_DVBS_V1 "), std::nullopt);
    EXPECT_EQ(ProjectTypeFromName(""), std::nullopt);
    EXPECT_EQ(ProjectTypeName(ProjectType::ZUV_DVBS_V4), "ZUV_DVBS_V4");
    EXPECT_EQ(ProjectTypeName(static_cast<ProjectType>(3)), "");
}

TEST_F(ProjectConfigTest, FolderGetsTrailingSlash)
{
    ProjectConfig config("/some/where");
    EXPECT_EQ(config.Folder(), "/some/where/");
    EXPECT_EQ(config.ConfigIniPath(), "/some/where/config.ini");
    EXPECT_EQ(config.CompiledTemplatePath(), "/some/where/script.ini");
    config.SetFolder("/other/");
    EXPECT_EQ(config.CompiledTemplatePath(), "/other/script.ini");
    config.SetFolder("");
    EXPECT_EQ(config.CompiledTemplatePath(), "");
}

TEST(ExecutableFolder, IsTheFolderOfTheRunningProgram)
{
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    // The system's own separator: '\\' on Windows.
    EXPECT_EQ(folder.back(), static_cast<char>(std::filesystem::path::preferred_separator));
#ifdef _WIN32
    EXPECT_TRUE(std::filesystem::exists(folder + "unit_schema.exe"));
#else
    EXPECT_TRUE(std::filesystem::exists(folder + "unit_schema"));
#endif
    EXPECT_EQ(ProjectConfig().Folder(), folder);
}

TEST_F(ProjectConfigTest, StartupLoadsExistingCompiledTemplateWithoutAsking)
{
    NodeSchema parsed;
    ASSERT_TRUE(parsed.ParseTemplateText(test::TemplateText({}), m_prompts));
    ASSERT_TRUE(parsed.WriteCompiled(m_config.CompiledTemplatePath()));
    NodeSchema schema;
    EXPECT_TRUE(m_config.LoadStartupTemplate(schema, m_prompts));
    EXPECT_EQ(schema.Compile(), parsed.Compile());
    EXPECT_TRUE(m_prompts.messages.empty());
    EXPECT_TRUE(m_prompts.questions.empty());
}

TEST_F(ProjectConfigTest, StartupCountsAnyOpenableFileAsLoaded)
{
    Write("script.ini", "not a compiled template");
    NodeSchema schema;
    EXPECT_TRUE(m_config.LoadStartupTemplate(schema, m_prompts));
    EXPECT_TRUE(m_prompts.questions.empty());
    EXPECT_FALSE(schema.HasLayout(NodeKind::Tp));
}

TEST_F(ProjectConfigTest, StartupWithoutScriptAnsweredNoRunsWithoutLayouts)
{
    NodeSchema schema;
    EXPECT_FALSE(m_config.LoadStartupTemplate(schema, m_prompts));
    EXPECT_EQ(m_prompts.messages, (std::vector<std::string>{"\"" + m_dir + "/script.ini\" not exist"}));
    EXPECT_EQ(m_prompts.questions, (std::vector<std::string>{"Load Template ?"}));
    EXPECT_FALSE(std::filesystem::exists(m_config.CompiledTemplatePath()));
    EXPECT_FALSE(schema.HasLayout(NodeKind::Program));
}

TEST_F(ProjectConfigTest, StartupAnsweredNoDeletesAnUnreadableScript)
{
    // A folder in its place opens but cannot be read.
    ASSERT_TRUE(std::filesystem::create_directory(PathIn("script.ini")));
    NodeSchema schema;
    EXPECT_FALSE(m_config.LoadStartupTemplate(schema, m_prompts));
    EXPECT_EQ(m_prompts.questions, (std::vector<std::string>{"Load Template ?"}));
    EXPECT_FALSE(std::filesystem::exists(PathIn("script.ini")));
}

TEST_F(ProjectConfigTest, StartupAnsweredYesParsesChosenHeaderAndSavesScript)
{
    m_prompts.yesNoAnswers = {true};
    m_prompts.fileAnswers = {WriteHeader(test::TemplateText({}))};
    NodeSchema schema;
    EXPECT_TRUE(m_config.LoadStartupTemplate(schema, m_prompts));
    EXPECT_EQ(m_prompts.questions, (std::vector<std::string>{"Load Template ?", "Template File(*.h)"}));
    EXPECT_EQ(m_prompts.messages,
              (std::vector<std::string>{"\"" + m_dir + "/script.ini\" not exist", "Save template ok."}));
    EXPECT_EQ(ReadFileBytes(m_config.CompiledTemplatePath()), schema.Compile());

    // At the next start the header is not asked for.
    test::RecordingPrompts next;
    NodeSchema again;
    EXPECT_TRUE(m_config.LoadStartupTemplate(again, next));
    EXPECT_TRUE(next.questions.empty());
    EXPECT_EQ(again.Compile(), schema.Compile());
}

TEST_F(ProjectConfigTest, StartupAnsweredYesThenCancelLeavesNoLayouts)
{
    m_prompts.yesNoAnswers = {true};
    NodeSchema schema;
    EXPECT_FALSE(m_config.LoadStartupTemplate(schema, m_prompts));
    EXPECT_EQ(m_prompts.questions, (std::vector<std::string>{"Load Template ?", "Template File(*.h)"}));
    EXPECT_EQ(m_prompts.messages.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(m_config.CompiledTemplatePath()));
    EXPECT_FALSE(schema.HasLayout(NodeKind::Tp));
}

TEST_F(ProjectConfigTest, StartupAnsweredYesWithBadHeaderReportsParseFailure)
{
    m_prompts.yesNoAnswers = {true};
    m_prompts.fileAnswers = {WriteHeader(test::TemplateWithTp("float f /*#pos:1@*/;"))};
    NodeSchema schema;
    EXPECT_FALSE(m_config.LoadStartupTemplate(schema, m_prompts));
    EXPECT_EQ(m_prompts.messages.back(), "ParseTemplate failed!");
    EXPECT_FALSE(std::filesystem::exists(m_config.CompiledTemplatePath()));
}

TEST_F(ProjectConfigTest, EmptyFolderReportsEmptyScriptPath)
{
    ProjectConfig config{""};
    NodeSchema schema;
    EXPECT_FALSE(config.LoadStartupTemplate(schema, m_prompts));
    EXPECT_EQ(m_prompts.messages, (std::vector<std::string>{"script path is empty"}));
    EXPECT_EQ(m_prompts.questions, (std::vector<std::string>{"Load Template ?"}));
}

TEST_F(ProjectConfigTest, LoadTemplateWithMissingHeaderFileReportsParseFailure)
{
    m_prompts.fileAnswers = {PathIn("missing.h")};
    NodeSchema schema;
    EXPECT_FALSE(m_config.LoadTemplate(schema, m_prompts));
    EXPECT_EQ(m_prompts.messages, (std::vector<std::string>{"ParseTemplate failed!"}));
}

TEST_F(ProjectConfigTest, LoadTemplateParsesTheSampleHeader)
{
    m_prompts.fileAnswers = {test::sourcePath("samples/template.h")};
    NodeSchema schema;
    EXPECT_TRUE(m_config.LoadTemplate(schema, m_prompts));
    EXPECT_EQ(m_prompts.messages, (std::vector<std::string>{"Save template ok."}));
    NodeSchema reread;
    ASSERT_TRUE(reread.ReadCompiled(m_config.CompiledTemplatePath()));
    EXPECT_EQ(reread.Compile(), schema.Compile());
}

TEST_F(ProjectConfigTest, SaveWithoutLayoutsKeepsTheExistingScript)
{
    Write("script.ini", "earlier");
    NodeSchema schema;
    EXPECT_EQ(m_config.SaveCompiledTemplate(schema, m_prompts), SaveTemplateResult::NoTemplate);
    EXPECT_EQ(m_prompts.messages, (std::vector<std::string>{"Template doesn't exist!"}));
    EXPECT_EQ(ReadFileBytes(m_config.CompiledTemplatePath()), Bytes("earlier"));
}

TEST_F(ProjectConfigTest, SaveIntoMissingFolderShowsNothing)
{
    NodeSchema schema;
    ASSERT_TRUE(schema.ParseTemplateText(test::TemplateText({}), m_prompts));
    ProjectConfig config(m_dir + "/no/such/folder");
    EXPECT_EQ(config.SaveCompiledTemplate(schema, m_prompts), SaveTemplateResult::NotWritten);
    EXPECT_TRUE(m_prompts.messages.empty());
}

TEST_F(ProjectConfigTest, SaveReplacesScriptAndLeavesNoTemporaryFiles)
{
    Write("script.ini", "earlier");
    NodeSchema schema;
    ASSERT_TRUE(schema.ParseTemplateText(test::TemplateText({}), m_prompts));
    EXPECT_EQ(m_config.SaveCompiledTemplate(schema, m_prompts), SaveTemplateResult::Saved);
    EXPECT_EQ(ReadFileBytes(m_config.CompiledTemplatePath()), schema.Compile());
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"script.ini"}));
}

} // namespace
} // namespace torvane
