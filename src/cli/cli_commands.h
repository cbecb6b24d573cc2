#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/cli_context.h"

namespace torvane {

using CommandArgs = std::span<const std::string>;

// One command of torvane-cli: its first word, its usage lines (without the program name and the
// global options; several separated by '\n') and the function that runs it with the words after
// the command word. The function returns the exit status.
struct CliCommand {
    std::string_view name;
    std::string_view usage;
    int (*run)(CliContext& context, CommandArgs args);
};

// To add a command: write its Run function in a file of its own, declare it here and add one line
// to the table in cli_commands.cpp.
int RunTemplateCommand(CliContext& context, CommandArgs args);
int RunConfigCommand(CliContext& context, CommandArgs args);
int RunInfoCommand(CliContext& context, CommandArgs args);
int RunTreeCommand(CliContext& context, CommandArgs args);
int RunListCommand(CliContext& context, CommandArgs args);
int RunOpenCommand(CliContext& context, CommandArgs args);
int RunSaveCommand(CliContext& context, CommandArgs args);
int RunSaveAsCommand(CliContext& context, CommandArgs args);
int RunExportCommand(CliContext& context, CommandArgs args);
int RunDemoCommand(CliContext& context, CommandArgs args);
int RunUploadCommand(CliContext& context, CommandArgs args);
int RunDownloadCommand(CliContext& context, CommandArgs args);
int RunEditCommand(CliContext& context, CommandArgs args);
int RunExportCsvCommand(CliContext& context, CommandArgs args);
int RunCompareCommand(CliContext& context, CommandArgs args);
int RunTpsDiffCommand(CliContext& context, CommandArgs args);
int RunE2DiffCommand(CliContext& context, CommandArgs args);
int RunExportE2Command(CliContext& context, CommandArgs args);
int RunBackupsCommand(CliContext& context, CommandArgs args);
int RunRestoreCommand(CliContext& context, CommandArgs args);

std::span<const CliCommand> CliCommands();
const CliCommand* FindCliCommand(std::string_view name);

// The usage text: the global options, then every command's usage lines.
std::string CliUsage();

} // namespace torvane
