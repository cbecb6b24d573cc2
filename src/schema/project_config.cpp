#include "schema/project_config.h"

#include <algorithm>
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
constexpr std::string_view kBackupFolderName = "backups";
constexpr std::string_view kBackupsKey = "backups";
constexpr std::string_view kPerFileKey = "backups-per-file";
constexpr std::string_view kTotalMiBKey = "backups-total-mib";
constexpr std::string_view kReceiverKey = "backups-receiver";

std::optional<bool> OnOff(std::string_view text)
{
    if (text == "on" || text == "off")
        return text == "on";
    return std::nullopt;
}

std::string_view OnOffText(bool on)
{
    return on ? "on" : "off";
}

std::string BackupSettingsText(const BackupSettings& settings)
{
    return std::string(kBackupsKey) + "=" + std::string(OnOffText(settings.enabled)) + "\n" + std::string(kPerFileKey)
        + "=" + std::to_string(settings.perFile) + "\n" + std::string(kTotalMiBKey) + "="
        + std::to_string(settings.totalMiB) + "\n" + std::string(kReceiverKey) + "="
        + std::string(OnOffText(settings.receiverFlash)) + "\n";
}

std::optional<int> NumberIn(std::string_view text, int least, int most)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const int value = std::stoi(std::string(text));
    if (value < least || value > most)
        return std::nullopt;
    return value;
}

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

std::pair<std::string, std::string> ProjectConfig::ReadConfigIniParts() const
{
    const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(ConfigIniPath());
    if (!bytes)
        return {};
    const std::string text(bytes->begin(), bytes->end());
    const std::size_t zero = text.find('\0');
    if (zero == std::string::npos)
        return {text, {}};
    return {text.substr(0, zero), text.substr(zero + 1)};
}

bool ProjectConfig::WriteConfigIni(std::string_view typeText, std::string_view settingsText)
{
    std::vector<std::uint8_t> content(typeText.begin(), typeText.end());
    content.push_back(0);
    content.insert(content.end(), settingsText.begin(), settingsText.end());
    return WriteFileAtomically(ConfigIniPath(), content);
}

std::optional<ProjectType> ProjectConfig::ReadProjectTypeFile() const
{
    return ProjectTypeFromName(ReadConfigIniParts().first);
}

std::string ProjectConfig::BackupFolder() const
{
    return PathOf(kBackupFolderName);
}

BackupSettings ProjectConfig::ReadBackupSettings() const
{
    BackupSettings settings;
    const std::string settingsText = ReadConfigIniParts().second;
    std::string_view text = settingsText;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (key == kBackupsKey)
            settings.enabled = OnOff(value).value_or(settings.enabled);
        else if (key == kReceiverKey)
            settings.receiverFlash = OnOff(value).value_or(settings.receiverFlash);
        else if (key == kPerFileKey)
            settings.perFile = NumberIn(value, BackupSettings::kMinPerFile, BackupSettings::kMaxPerFile)
                                   .value_or(settings.perFile);
        else if (key == kTotalMiBKey)
            settings.totalMiB = NumberIn(value, BackupSettings::kMinTotalMiB, BackupSettings::kMaxTotalMiB)
                                    .value_or(settings.totalMiB);
    }
    return settings;
}

bool ProjectConfig::SaveBackupSettings(const BackupSettings& settings)
{
    return WriteConfigIni(ReadConfigIniParts().first, BackupSettingsText(settings));
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
    // The name and its terminating zero byte (12 bytes), then the backup settings when they are
    // not the defaults.
    const BackupSettings settings = ReadBackupSettings();
    m_type = type;
    return WriteConfigIni(ProjectTypeName(type), settings == BackupSettings{} ? "" : BackupSettingsText(settings));
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
