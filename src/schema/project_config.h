#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "schema/project_type.h"
#include "util/backup_store.h"

namespace torvane {

class NodeSchema;
class UserPrompts;

enum class SaveTemplateResult { Saved, NoTemplate, NotWritten };

// config.ini (the project type) and script.ini (the compiled template), both in one folder: by
// default the executable's folder, or the user's configuration folder when that cannot be written
// (config_folder.h).
class ProjectConfig final {
public:
    ProjectConfig();
    explicit ProjectConfig(std::string folder);

    // A folder without a trailing '/' gets one; an empty folder leaves both paths empty.
    void SetFolder(std::string folder);
    const std::string& Folder() const { return m_folder; }
    std::string ConfigIniPath() const;
    std::string CompiledTemplatePath() const;

    std::optional<ProjectType> Type() const { return m_type; }
    void SetType(ProjectType type) { m_type = type; }

    // The type config.ini names (its text up to the first zero byte), asking nothing.
    std::optional<ProjectType> ReadProjectTypeFile() const;
    // At start-up: the type from config.ini, or else the "Project Select" question asked again
    // while OK is pressed with nothing chosen, and config.ini rewritten with the answer. Nothing
    // (and nothing written) when the question is cancelled: the program then ends.
    std::optional<ProjectType> LoadProjectType(UserPrompts& prompts);
    // Sets the type and writes config.ini as "Project Select" does: the name and a zero byte (the
    // backup settings after it are kept). False when the file cannot be written.
    bool SaveProjectType(ProjectType type);

    // The backup folder: "backups" in the configuration folder; empty when no folder is known.
    std::string BackupFolder() const;
    // The backup settings config.ini holds after the zero byte that ends the project type, one
    // "name=value" a line: "backups=on" or "off", "backups-per-file=N", "backups-total-mib=N",
    // "backups-receiver=on" or "off".
    // What is missing or out of range stays as BackupSettings has it.
    BackupSettings ReadBackupSettings() const;
    // Writes them into config.ini, the project type kept. False when the file cannot be written.
    bool SaveBackupSettings(const BackupSettings& settings);

    // Reads script.ini into schema. "script path is empty" or "\"<path>\" not exist" when it
    // cannot be opened; a file that opens counts as loaded whatever it holds.
    bool LoadCompiledTemplate(NodeSchema& schema, UserPrompts& prompts) const;
    // At start-up: script.ini, or else "Load Template ?": Yes runs LoadTemplate, No deletes
    // script.ini. True when the schema was loaded either way.
    bool LoadStartupTemplate(NodeSchema& schema, UserPrompts& prompts);
    // Asks for a "Template File(*.h)", parses it ("ParseTemplate failed!") and saves script.ini.
    // True when the header parsed.
    bool LoadTemplate(NodeSchema& schema, UserPrompts& prompts);
    // Writes script.ini: "Save template ok.", or "Template doesn't exist!" (file untouched) when
    // the TP, satellite or program layout is missing; nothing is shown when it cannot be written.
    SaveTemplateResult SaveCompiledTemplate(const NodeSchema& schema, UserPrompts& prompts);

private:
    std::string PathOf(std::string_view fileName) const;
    // config.ini as the type's text (up to the zero byte) and what follows the zero byte.
    std::pair<std::string, std::string> ReadConfigIniParts() const;
    bool WriteConfigIni(std::string_view typeText, std::string_view settingsText);

    std::string m_folder;
    std::optional<ProjectType> m_type;
};

} // namespace torvane
