#include "cli/transfer_console.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX  // std::min and std::max, not the macros
#endif
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>


namespace torvane {

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32
// The console calls this on a thread of its own for Ctrl+C, Ctrl+Break and a closed window.
BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    // A second interrupt is not caught: the user insists, and the default handler ends the program.
    if (g_interrupted.exchange(true))
        return FALSE;
    return TRUE;
}

// Installs the console control handler for the life of a transfer.
class InterruptGuard final {
public:
    InterruptGuard()
    {
        g_interrupted.store(false);
        ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    }
    ~InterruptGuard() { ::SetConsoleCtrlHandler(OnConsoleControl, FALSE); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
};

bool IsTerminal(std::FILE* file)
{
    return ::_isatty(::_fileno(file)) != 0;
}
#else
void OnInterrupt(int)
{
    g_interrupted.store(true);
}

// Installs the interrupt handlers for the life of a transfer.
class InterruptGuard final {
public:
    InterruptGuard()
    {
        g_interrupted.store(false);
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        // A second interrupt is not caught: the user insists.
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~InterruptGuard()
    {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

bool IsTerminal(std::FILE* file)
{
    return ::isatty(::fileno(file)) == 1;
}
#endif

std::unique_ptr<QCoreApplication> MakeApplication()
{
    // QCoreApplication keeps referring to its arguments.
    static int argc = 1;
    static char name[] = "torvane-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

std::optional<SerialSettings> SerialSettingsForPort(const std::optional<std::string>& port)
{
    SerialSettings settings = LoadSerialSettings();
    if (!port)
        return settings;
    const bool number = !port->empty() && port->find_first_not_of("0123456789") == std::string::npos;
    if (!number) {
        if (port->empty() || port->starts_with('-'))
            return std::nullopt;
        settings.devicePath = *port;
        return settings;
    }
    if (port->size() > 9 || std::stoi(*port) < 1)
        return std::nullopt;
    settings.portNumber = std::stoi(*port);
    // A port number given here wins over a stored device path.
    settings.devicePath.clear();
    return settings;
}

std::optional<SerialSettings> PortSettingsOrFail(CliContext& context, const CliArguments& arguments,
                                                 std::string_view command)
{
    std::optional<SerialSettings> settings = SerialSettingsForPort(arguments.Value("--port"));
    if (!settings)
        context.Fail(std::string(command) + ": --port takes a port number from 1 or a device path");
    return settings;
}

TransferConsole::TransferConsole(std::FILE* errors)
    : m_errors(errors)
    , m_terminal(IsTerminal(errors))
{
    if (QCoreApplication::instance() == nullptr)
        m_application = MakeApplication();
}

TransferConsole::~TransferConsole() = default;

TransferOutcome TransferConsole::Run(const SerialSettings& settings, TransferRunner::Job job)
{
    const InterruptGuard interrupts;
    TransferRunner runner;
    Connect(runner);
    QEventLoop loop;
    TransferOutcome outcome = TransferOutcome::Failed;
    QObject::connect(&runner, &TransferRunner::Finished, &loop, [&](int result) {
        outcome = static_cast<TransferOutcome>(result);
        loop.quit();
    });
    // The signal handler only sets a flag; the cancel is asked for from here.
    QTimer interruptPoll;
    bool cancelAsked = false;
    QObject::connect(&interruptPoll, &QTimer::timeout, &interruptPoll, [&] {
        if (g_interrupted.load() && !cancelAsked) {
            cancelAsked = true;
            runner.RequestCancel();
            Line("Cancelling ...");
        }
    });
    interruptPoll.start(50);
    if (!runner.Start(settings, std::move(job)))
        return TransferOutcome::Failed;
    loop.exec();
    EndProgressLine();
    runner.Wait(std::chrono::milliseconds(5000));
    return outcome;
}

void TransferConsole::Connect(TransferRunner& runner)
{
    QObject::connect(&runner, &TransferRunner::StepShown, &runner, [this](int step, const QString& text) {
        m_stepTexts[step] = text.toStdString();
        m_currentStep = m_stepTexts[step];
        Line(m_currentStep);
    });
    QObject::connect(&runner, &TransferRunner::StepFinished, &runner, [this](int step, const QString& text) {
        Line(m_stepTexts[step] + ": " + text.toStdString());
    });
    QObject::connect(&runner, &TransferRunner::ProgressChanged, &runner,
                     [this](int bar, int percent, qint64 total) { ShowProgress(bar, percent, static_cast<std::uint64_t>(total)); });
    QObject::connect(&runner, &TransferRunner::MessageShown, &runner, [this](const QString& text, const QString& caption) {
        Line(caption.isEmpty() ? text.toStdString() : caption.toStdString() + ": " + text.toStdString());
    });
    QObject::connect(&runner, &TransferRunner::TitleChanged, &runner, [this](const QString& title) { Line(title.toStdString()); });
    QObject::connect(&runner, &TransferRunner::SpeedMeasured, &runner,
                     [this](const TransferSpeed& speed) { Line(FormatTransferSpeed(speed)); });
}

void TransferConsole::ShowProgress(int bar, int percent, std::uint64_t total)
{
    const auto now = std::chrono::steady_clock::now();
    Meter& meter = m_meters[bar];
    if (meter.progress.Update(percent, total, now)) {
        meter.lastShown = -1;
        meter.lastDrawn = {};
        if (percent == 0)
            return;
    }
    // A log gets a line every 10 %; a terminal a redrawn line at most five times a second.
    const bool due = m_terminal ? (now - meter.lastDrawn >= std::chrono::milliseconds(200) || percent == 100)
                                : (percent / 10 != meter.lastShown / 10 || meter.lastShown < 0);
    if (!due || percent == meter.lastShown)
        return;
    meter.lastShown = percent;
    meter.lastDrawn = now;
    std::string text = ProgressLabel(percent);
    text.insert(0, 4 - std::min<std::size_t>(4, text.size()), ' ');
    text += "  " + m_currentStep;
    if (const std::optional<ProgressEstimate> estimate = meter.progress.Estimate())
        text += "  " + FormatRate(estimate->bytesPerSecond) + "  " + FormatMinutes(estimate->secondsLeft) + " left";
    if (m_terminal) {
        std::fprintf(m_errors, "\r%-78s", text.c_str());
        std::fflush(m_errors);
        m_progressOpen = true;
        if (percent == 100)
            EndProgressLine();
    } else {
        Line(text);
    }
}

void TransferConsole::EndProgressLine()
{
    if (m_progressOpen) {
        std::fputc('\n', m_errors);
        m_progressOpen = false;
    }
}

void TransferConsole::Line(const std::string& text)
{
    EndProgressLine();
    std::fprintf(m_errors, "%s\n", text.c_str());
    std::fflush(m_errors);
}

} // namespace torvane
