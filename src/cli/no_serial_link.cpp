// The serial commands of a torvane-cli built without Qt (TORVANE_WITH_QT=OFF): the serial line is
// QtSerialPort's, so such a build can only say that it has none.
#include <string>

#include "cli/probe_command.h"

namespace torvane {
namespace {

int NoSerialLink(CliContext& context, std::string_view command)
{
    context.Fail(std::string(command) + ": this build has no serial link");
    return kExitUsage;
}

} // namespace

int RunProbeCommand(CliContext& context, CommandArgs)
{
    return NoSerialLink(context, "probe");
}

int RunUploadCommand(CliContext& context, CommandArgs)
{
    return NoSerialLink(context, "upload");
}

int RunDownloadCommand(CliContext& context, CommandArgs)
{
    return NoSerialLink(context, "download");
}

} // namespace torvane
