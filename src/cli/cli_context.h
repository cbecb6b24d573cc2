#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli_prompts.h"
#include "schema/project_config.h"

namespace torvane {

class NodeSchema;

// Exit statuses of torvane-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// "unknown project type "NAME" (ZUV_DVBS_V1, ZUV_DVBS_V2 or ZUV_DVBS_V4)".
std::string UnknownProjectTypeText(std::string_view name);

// What every command gets: the configuration folder, the project type option and the prompts.
class CliContext final {
public:
    CliContext(ProjectConfig config, std::optional<ProjectType> projectType, CliPrompts& prompts);

    CliPrompts& Prompts() { return m_prompts; }
    ProjectConfig& Config() { return m_config; }
    // The backup folder of the configuration with the limits config.ini sets.
    BackupStore Backups() const { return BackupStore(m_config.BackupFolder(), m_config.ReadBackupSettings()); }
    std::FILE* Out() const { return stdout; }

    // The --project-type option, else the type config.ini names. Never asks: without either it
    // reports how to give one and answers nothing. (ProjectConfig::LoadProjectType would ask
    // until answered, which a non-interactive run cannot do.)
    std::optional<ProjectType> ResolveProjectType();

    // script.ini of the configuration folder, with the editor's messages when it is missing. It
    // never asks "Load Template ?": a command must not delete script.ini on a refused question.
    bool LoadCompiledTemplate(NodeSchema& schema);

    // A line "torvane-cli: <text>" on standard error.
    void Fail(std::string_view text);
    // A line "torvane-cli: warning: <text>" on standard error, for a fault that doesn't fail the
    // command.
    void Warn(std::string_view text);

private:
    ProjectConfig m_config;
    std::optional<ProjectType> m_projectType;
    CliPrompts& m_prompts;
};

} // namespace torvane
