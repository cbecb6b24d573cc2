#include "schema/project_config.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "schema/config_folder.h"
#include "schema/node_schema.h"
#include "util/ascii_case.h"
#include "util/atomic_file.h"
#include "util/file_name.h"
#include "util/file_reader.h"
#include "util/user_prompts.h"

namespace torvane {
namespace {

constexpr std::string_view kConfigFileName = "config.ini";
constexpr std::string_view kCompiledTemplateFileName = "script.ini";
constexpr std::string_view kProjectSelectCaption = "Project Select";
constexpr std::string_view kTemplateFilter = "Template File(*.h)";

} // namespace

ProjectConfig::ProjectConfig() : ProjectConfig(DefaultConfigFolder().path) {}

ProjectConfig::ProjectConfig(std::string folder)
{
    SetFolder(std::move(folder));
}

void ProjectConfig::SetFolder(std::string folder)
{
    // Windows' own separator ends a folder as well as '/'.
    if (!folder.empty() && folder.back() != '/' && folder.back() != std::filesystem::path::preferred_separator)
        folder.push_back('/');
    m_folder = std::move(folder);
}

std::string ProjectConfig::PathOf(std::string_view fileName) const
{
    return m_folder.empty() ? std::string{} : m_folder + std::string(fileName);
}

std::string ProjectConfig::ConfigIniPath() const
{
    return PathOf(kConfigFileName);
}

std::string ProjectConfig::CompiledTemplatePath() const
{
    return PathOf(kCompiledTemplateFileName);
}

std::optional<ProjectType> ProjectConfig::ReadProjectTypeFile() const
{
    const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(ConfigIniPath());
    if (!bytes)
        return std::nullopt;
    std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    text = text.substr(0, text.find('\0'));
    return ProjectTypeFromName(text);
}

std::optional<ProjectType> ProjectConfig::LoadProjectType(UserPrompts& prompts)
{
    if (const std::optional<ProjectType> type = ReadProjectTypeFile()) {
        m_type = type;
        return *type;
    }
    const std::vector<std::string> options(kProjectTypeNames.begin(), kProjectTypeNames.end());
    // OK with nothing chosen asks again; Cancel and the close box give up.
    std::optional<int> choice = -1;
    while (choice && (*choice < 0 || *choice >= static_cast<int>(options.size())))
        choice = prompts.ChooseOne(kProjectSelectCaption, options, std::nullopt);
    if (!choice)
        return std::nullopt;
    const auto type = static_cast<ProjectType>(*choice);
    SaveProjectType(type);
    return type;
}

bool ProjectConfig::SaveProjectType(ProjectType type)
{
    // The name and its terminating zero byte: 12 bytes.
    const std::string_view name = ProjectTypeName(type);
    std::vector<std::uint8_t> content(name.begin(), name.end());
    content.push_back(0);
    m_type = type;
    return WriteFileAtomically(ConfigIniPath(), content);
}

bool ProjectConfig::LoadCompiledTemplate(NodeSchema& schema, UserPrompts& prompts) const
{
    const std::string path = CompiledTemplatePath();
    if (path.empty()) {
        prompts.Message("script path is empty");
        return false;
    }
    if (!schema.ReadCompiled(path)) {
        prompts.Message("\"" + path + "\" not exist");
        return false;
    }
    return true;
}

bool ProjectConfig::LoadStartupTemplate(NodeSchema& schema, UserPrompts& prompts)
{
    if (LoadCompiledTemplate(schema, prompts))
        return true;
    if (prompts.AskYesNo("Load Template ?"))
        return LoadTemplate(schema, prompts);
    const std::string path = CompiledTemplatePath();
    std::error_code ignored;
    if (!path.empty())
        std::filesystem::remove(FileNamePath(path), ignored);
    return false;
}

bool ProjectConfig::LoadTemplate(NodeSchema& schema, UserPrompts& prompts)
{
    const std::optional<std::string> header = prompts.ChooseOpenFile(kTemplateFilter);
    if (!header)
        return false;
    if (!schema.ParseTemplate(*header, prompts)) {
        prompts.Message("ParseTemplate failed!");
        return false;
    }
    SaveCompiledTemplate(schema, prompts);
    return true;
}

SaveTemplateResult ProjectConfig::SaveCompiledTemplate(const NodeSchema& schema, UserPrompts& prompts)
{
    // Checked before anything is written, so that a missing layout never empties script.ini.
    const std::vector<std::uint8_t> bytes = schema.Compile();
    if (bytes.empty()) {
        prompts.Message("Template doesn't exist!");
        return SaveTemplateResult::NoTemplate;
    }
    if (!WriteFileAtomically(CompiledTemplatePath(), bytes))
        return SaveTemplateResult::NotWritten;
    prompts.Message("Save template ok.");
    return SaveTemplateResult::Saved;
}

} // namespace torvane
