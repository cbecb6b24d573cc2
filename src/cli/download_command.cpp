#include <filesystem>
#include <string>

#include "cli/cli_document.h"
#include "cli/transfer_console.h"
#include "link/verify_procedure.h"
#include "util/file_name.h"

// torvane-cli download [--port PORT] IMAGE.bin [--default] [--user] [--verify] [--backup]

namespace torvane {

int RunDownloadCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {"--port"}, {"--default", "--user", "--verify", "--backup"})
        || arguments.Positional().size() != 1) {
        context.Fail(arguments.Error().empty() ? "download: expected IMAGE.bin" : "download: " + arguments.Error());
        return kExitUsage;
    }
    const std::optional<SerialSettings> settings = PortSettingsOrFail(context, arguments, "download");
    if (!settings)
        return kExitUsage;
    DownloadRequest request;
    request.imagePath = arguments.Positional()[0];
    request.userChunk = arguments.Flag("--user");
    // The chunk choice starts with the default chunk checked.
    request.defaultChunk = arguments.Flag("--default") || !request.userChunk;
    const bool verify = arguments.Flag("--verify");
    // --backup: the receiver's flash is first kept in the backup folder.
    const BackupStore backups = context.Backups();
    std::string backupPath;
    if (arguments.Flag("--backup")) {
        const std::string port = settings->DeviceName();
        backupPath = backups.NewReceiverCopy(port).value_or("");
        if (backupPath.empty()) {
            context.Fail(ReceiverBackupFailedMessage(backups.ReceiverFolder(port)));
            return kExitFailure;
        }
    }
    TransferConsole console;
    const TransferOutcome outcome = console.Run(*settings, [request, verify, backupPath](TransferSession& session) {
        return DownloadAndVerify(session, request, [verify] { return verify; }, backupPath);
    });
    if (!backupPath.empty() && std::filesystem::exists(FileNamePath(backupPath))) {
        Print(context.Out(), "receiver flash kept in " + backupPath + "\n");
        backups.ApplyRetention();
    }
    if (outcome == TransferOutcome::Succeeded)
        return kExitOk;
    return outcome == TransferOutcome::Cancelled ? kExitCancelled : kExitFailure;
}

} // namespace torvane
