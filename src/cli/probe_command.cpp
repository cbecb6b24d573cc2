#include "cli/probe_command.h"

#include <algorithm>
#include <memory>

#include <QThread>

#include "link/qt_serial_line.h"
#include "link/receiver_probe.h"
#include "link/upgrade_lib.h"

namespace torvane::cli {

namespace {

constexpr std::string_view kUsage = "usage: torvane-cli probe --port PORT";

bool IsPortNumber(const std::string& text)
{
    return !text.empty() && text.size() <= 4 && std::all_of(text.begin(), text.end(), [](char c) {
        return c >= '0' && c <= '9';
    });
}

} // namespace

int RunProbeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2 || args[0] != "--port" || args[1].empty()) {
        err << kUsage << "\n";
        return 2;
    }
    const std::string& port = args[1];
    const LineSettings settings{115200, 2, 1};

    // The serial port lives on a thread of its own, as every transfer does.
    int exitCode = 1;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        QtSerialLine line;
        UpgradeLib lib(line);
        const LinkStatus opened =
            IsPortNumber(port) ? lib.OpenLink(std::stoi(port), settings) : lib.OpenLink(port, settings);
        if (opened != link_status::kSuccess) {
            err << "can not open port\n";
            return;
        }
        const ProbeResult result = ProbeReceiver(lib, {});
        lib.CloseLink();
        if (result.status != link_status::kSuccess) {
            err << result.message << "\n";
            return;
        }
        for (const std::string& line : DescribeReceiver(result.version, result.info))
            out << line << "\n";
        exitCode = 0;
    }));
    worker->start();
    worker->wait();
    return exitCode;
}

} // namespace torvane::cli
