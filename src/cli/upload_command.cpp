#include <cstdio>
#include <string>

#include "cli/cli_document.h"
#include "cli/transfer_console.h"
#include "link/upload_procedure.h"

// torvane-cli upload [--port PORT] OUT.bin [--no-open]

namespace torvane {

int RunUploadCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {"--port"}, {"--no-open"}) || arguments.Positional().size() != 1) {
        context.Fail(arguments.Error().empty() ? "upload: expected OUT.bin" : "upload: " + arguments.Error());
        return kExitUsage;
    }
    const std::optional<SerialSettings> settings = PortSettingsOrFail(context, arguments, "upload");
    if (!settings)
        return kExitUsage;
    const std::string path = arguments.Positional()[0];
    TransferConsole console;
    const TransferOutcome outcome = console.Run(*settings, [path](TransferSession& session) {
        return UploadProcedure(session, path).Run();
    });
    if (outcome != TransferOutcome::Succeeded)
        return outcome == TransferOutcome::Cancelled ? kExitCancelled : kExitFailure;
    if (arguments.Flag("--no-open"))
        return kExitOk;
    // As the editor does after an upload: the file's user database is opened. The transfer has
    // succeeded whatever the open gives.
    const std::unique_ptr<Document> document = NewCliDocument(context);
    if (!document || !OpenCliFile(context, *document, path, DatabaseChunk::User)) {
        context.Warn("the flash is saved in \"" + path + "\", but its user database could not be opened");
        return kExitOk;
    }
    const std::string counts = DatabaseCountsLine("user", *document);
    std::fwrite(counts.data(), 1, counts.size(), context.Out());
    return kExitOk;
}

} // namespace torvane
