#include "cli/cli_commands.h"

#include <array>

#include "cli/probe_command.h"

namespace torvane {
namespace {

constexpr std::array kCommands = {
    CliCommand{"config", "config [--project-type ZUV_DVBS_V1|ZUV_DVBS_V2|ZUV_DVBS_V4]", RunConfigCommand},
    CliCommand{"template", "template compile HEADER.h\ntemplate show", RunTemplateCommand},
    CliCommand{"probe", "probe --port PORT", RunProbeCommand},
    CliCommand{"edit", "edit FILE SCRIPT [--chunk user|default] [--allow-cut]", RunEditCommand},
    CliCommand{"tps-diff", "tps-diff FILE TABLE SATNAME [--tolerance MHZ] [--chunk user|default]", RunTpsDiffCommand},
    CliCommand{"e2-diff",
               "e2-diff FILE FOLDER [--merge] [--satellite POSITION ...] [--bouquet NAME ...] [--chunk user|default]",
               RunE2DiffCommand},
    CliCommand{"export-e2", "export-e2 FILE OUTDIR [--chunk user|default]", RunExportE2Command},
    CliCommand{"info", "info FILE", RunInfoCommand},
    CliCommand{"tree", "tree FILE [--chunk user|default]", RunTreeCommand},
    CliCommand{"list",
               "list FILE [--chunk user|default] [--item all|SATNAME|SATNAME/N] [--filter tv|radio|both]",
               RunListCommand},
    CliCommand{"open", "open FILE [--chunk user|default] [--filter tv|radio|both]", RunOpenCommand},
    CliCommand{"save", "save IMAGE.bin [--chunk user|default] [--out OUT.bin] [--default] [--user] [--allow-cut]",
               RunSaveCommand},
    CliCommand{"save-as",
               "save-as FILE OUT [--chunk user|default] [--write default|user|default,user] [--item ITEM] "
               "[--filter tv|radio|both] [--allow-cut]",
               RunSaveAsCommand},
    CliCommand{"export", "export FILE --out OUT [the options of save-as]", RunExportCommand},
    CliCommand{"export-csv", "export-csv FILE OUT.csv [--chunk user|default]", RunExportCsvCommand},
    CliCommand{"compare", "compare A B [--chunk user|default]", RunCompareCommand},
    CliCommand{"demo", "demo OUT.bin [--satellites N] [--tps N] [--programs N] [--seed N]", RunDemoCommand},
    CliCommand{"upload", "upload [--port PORT] OUT.bin [--no-open]", RunUploadCommand},
    CliCommand{"download", "download [--port PORT] IMAGE.bin [--default] [--user] [--verify] [--backup]",
               RunDownloadCommand},
    CliCommand{"backups", "backups FILE", RunBackupsCommand},
    CliCommand{"restore", "restore FILE N [--out OUT]", RunRestoreCommand},
};

} // namespace

std::span<const CliCommand> CliCommands()
{
    return kCommands;
}

const CliCommand* FindCliCommand(std::string_view name)
{
    for (const CliCommand& command : kCommands) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

std::string CliUsage()
{
    std::string usage =
        "usage: torvane-cli [--config-dir DIR] [--project-type ZUV_DVBS_V1|ZUV_DVBS_V2|ZUV_DVBS_V4] [--no-backup] "
        "COMMAND ...\n"
        "       torvane-cli --help | --version\n"
        "commands:\n";
    for (const CliCommand& command : kCommands) {
        std::string_view lines = command.usage;
        while (!lines.empty()) {
            const std::size_t end = lines.find('\n');
            usage += "  " + std::string(lines.substr(0, end)) + "\n";
            lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
        }
    }
    return usage;
}

} // namespace torvane
