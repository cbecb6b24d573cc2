#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_context.h"
#include "cli/cli_prompts.h"
#include "schema/config_folder.h"
#include "schema/project_config.h"
#include "util/file_name.h"
#include "util/saved_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace torvane {
namespace {

// Saves replace files without keeping a backup first.
const std::string kNoBackupFlag = "--no-backup";

struct GlobalOptions {
    std::optional<std::string> configDir;
    std::optional<ProjectType> projectType;
    bool noBackup = false;
    std::size_t commandAt = 0;  // index of the command word
};

int UsageError(CliPrompts& prompts, const std::string& text)
{
    prompts.Message("torvane-cli: " + text);
    prompts.Message(CliUsage());
    return kExitUsage;
}

// Reads "--name VALUE" or "--name=VALUE" at args[at]; advances at past what it used.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, std::size_t& at, std::string_view name,
                                       bool& missing)
{
    const std::string& word = args[at];
    if (word == name) {
        if (at + 1 >= args.size()) {
            missing = true;
            return std::nullopt;
        }
        at += 2;
        return args[at - 1];
    }
    if (word.size() > name.size() && word.starts_with(name) && word[name.size()] == '=') {
        at += 1;
        return word.substr(name.size() + 1);
    }
    return std::nullopt;
}

int Run(const std::vector<std::string>& args)
{
    CliPrompts prompts;
    GlobalOptions options;
    std::size_t at = 0;
    while (at < args.size() && args[at].starts_with("--")) {
        if (args[at] == "--help") {
            std::fputs(CliUsage().c_str(), stdout);
            return kExitOk;
        }
        if (args[at] == "--version") {
            std::fputs("torvane-cli " TORVANE_VERSION "\n", stdout);
            return kExitOk;
        }
        bool missing = false;
        if (args[at] == kNoBackupFlag) {
            options.noBackup = true;
            ++at;
        } else if (std::optional<std::string> dir = OptionValue(args, at, "--config-dir", missing)) {
            options.configDir = std::move(dir);
        } else if (std::optional<std::string> name = OptionValue(args, at, "--project-type", missing)) {
            options.projectType = ProjectTypeFromName(*name);
            if (!options.projectType)
                return UsageError(prompts, UnknownProjectTypeText(*name));
        } else if (missing) {
            return UsageError(prompts, args[at] + " needs a value");
        } else {
            return UsageError(prompts, "unknown option \"" + args[at] + "\"");
        }
    }
    if (at >= args.size())
        return UsageError(prompts, "no command given");
    const CliCommand* command = FindCliCommand(args[at]);
    if (command == nullptr)
        return UsageError(prompts, "unknown command \"" + args[at] + "\"");

    const ConfigFolder folder = options.configDir ? ConfigFolder{*options.configDir, false} : DefaultConfigFolder();
    if (folder.userFolder)
        prompts.Message("torvane-cli: the program's folder cannot be written; the configuration folder is \""
                        + folder.path + "\"");
    ProjectConfig config(folder.path);
    // The one question about the project type is answered by the option.
    if (options.projectType)
        prompts.AnswerChoice("Project Select", static_cast<int>(*options.projectType));
    // --no-backup may also follow the command word, like the command's own options.
    std::vector<std::string> commandArgs(args.begin() + static_cast<std::ptrdiff_t>(at) + 1, args.end());
    const bool noBackup = std::erase(commandArgs, kNoBackupFlag) > 0 || options.noBackup;
    const BackupSettings backupSettings = config.ReadBackupSettings();
    const BackupStore backups(config.BackupFolder(), backupSettings);
    if (backupSettings.enabled && !noBackup && !config.Folder().empty())
        SetSaveBackups(&backups);
    CliContext context(std::move(config), options.projectType, prompts);
    const int status = command->run(context, commandArgs);
    SetSaveBackups(nullptr);
    if (std::fflush(stdout) != 0)
        return kExitFailure;
    return status;
}

} // namespace
} // namespace torvane

#ifdef _WIN32
// Windows hands the arguments over as UTF-16; they go on as UTF-8 like everywhere else. Standard
// output and error are binary so that the lines are byte for byte those of other systems.
int wmain(int argc, wchar_t** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(torvane::FileNameText(std::filesystem::path(argv[i])));
    return torvane::Run(args);
}
#else
int main(int argc, char** argv)
{
    return torvane::Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
