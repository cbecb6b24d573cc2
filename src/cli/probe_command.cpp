#include "cli/probe_command.h"

#include <algorithm>
#include <memory>
#include <string>

#include <QThread>

#include "link/qt_serial_line.h"
#include "link/receiver_probe.h"
#include "link/upgrade_lib.h"

namespace torvane {

namespace {

bool IsPortNumber(const std::string& text)
{
    return !text.empty() && text.size() <= 4
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

int RunProbeCommand(CliContext& context, CommandArgs args)
{
    if (args.size() != 2 || args[0] != "--port" || args[1].empty()) {
        context.Fail("probe: expected \"--port PORT\"");
        return kExitUsage;
    }
    const std::string port = args[1];
    const LineSettings settings{115200, 2, 1};

    // The serial port lives on a thread of its own, as every transfer does; the messages wait
    // for the main thread.
    int exitCode = kExitFailure;
    std::string message;
    std::vector<std::string> lines;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        QtSerialLine line;
        UpgradeLib lib(line);
        const LinkStatus opened =
            IsPortNumber(port) ? lib.OpenLink(std::stoi(port), settings) : lib.OpenLink(port, settings);
        if (opened != link_status::kSuccess) {
            message = "can not open port";
            return;
        }
        const ProbeResult result = ProbeReceiver(lib, {});
        lib.CloseLink();
        if (result.status != link_status::kSuccess) {
            message = result.message;
            return;
        }
        lines = DescribeReceiver(result.version, result.info);
        exitCode = kExitOk;
    }));
    worker->start();
    worker->wait();

    if (!message.empty())
        context.Prompts().Message(message);
    for (const std::string& text : lines)
        std::fprintf(context.Out(), "%s\n", text.c_str());
    return exitCode;
}

} // namespace torvane
