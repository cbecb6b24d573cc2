#include <string>

#include "cli/cli_document.h"
#include "cli/transfer_console.h"
#include "link/verify_procedure.h"

// torvane-cli download [--port PORT] IMAGE.bin [--default] [--user] [--verify]

namespace torvane {

int RunDownloadCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {"--port"}, {"--default", "--user", "--verify"}) || arguments.Positional().size() != 1) {
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
    TransferConsole console;
    const TransferOutcome outcome = console.Run(*settings, [request, verify](TransferSession& session) {
        return DownloadAndVerify(session, request, [verify] { return verify; });
    });
    if (outcome == TransferOutcome::Succeeded)
        return kExitOk;
    return outcome == TransferOutcome::Cancelled ? kExitCancelled : kExitFailure;
}

} // namespace torvane
