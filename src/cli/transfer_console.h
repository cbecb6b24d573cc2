#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_document.h"
#include "link/progress_meter.h"
#include "link/serial_settings.h"
#include "link/transfer_report.h"
#include "link/transfer_runner.h"

class QCoreApplication;

namespace torvane {

// Exit status of a transfer the user stopped with Ctrl+C.
inline constexpr int kExitCancelled = 130;

// The serial settings for "--port PORT": a number is a port number (COMn, /dev/ttyS(n-1)),
// anything else a device path; without the option the stored port. Nothing for port 0 or a
// negative number.
std::optional<SerialSettings> SerialSettingsForPort(const std::optional<std::string>& port);

// The same for a command's parsed arguments; a bad port is reported as the command's usage error.
std::optional<SerialSettings> PortSettingsOrFail(CliContext& context, const CliArguments& arguments,
                                                 std::string_view command);

// Runs one transfer on its worker thread and shows it on standard error: each step, a progress
// line with percentage, rate and time left, the transfer's messages and its speed at the end.
// Ctrl+C (and SIGTERM) ask the transfer to stop; a second one ends the program.
class TransferConsole final {
public:
    explicit TransferConsole(std::FILE* errors = stderr);
    ~TransferConsole();
    TransferConsole(const TransferConsole&) = delete;
    TransferConsole& operator=(const TransferConsole&) = delete;

    TransferOutcome Run(const SerialSettings& settings, TransferRunner::Job job);

private:
    // One bar's measurement and what was last drawn of it.
    struct Meter {
        ProgressMeter progress;
        int lastShown = -1;
        std::chrono::steady_clock::time_point lastDrawn;
    };

    void Connect(TransferRunner& runner);
    void ShowProgress(int bar, int percent, std::uint64_t total);
    void Line(const std::string& text);
    void EndProgressLine();

    std::FILE* m_errors;
    bool m_terminal;
    bool m_progressOpen = false; // a progress line without its line end on a terminal
    std::unique_ptr<QCoreApplication> m_application;
    std::map<int, std::string> m_stepTexts;
    std::map<int, Meter> m_meters;
    std::string m_currentStep;
};

} // namespace torvane
