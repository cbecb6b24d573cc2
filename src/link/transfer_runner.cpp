#include "link/transfer_runner.h"

#include <QDeadlineTimer>
#include <QThread>

#include "link/counting_line.h"
#include "link/qt_serial_line.h"
#include "link/upgrade_lib.h"

namespace torvane {

namespace {

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TransferRunner::TransferRunner(QObject* parent)
    : QObject(parent)
    , m_lineFactory([] { return std::make_unique<QtSerialLine>(); })
{
}

TransferRunner::~TransferRunner()
{
    if (m_thread) {
        m_cancel.Set();
        m_thread->wait();
    }
}

bool TransferRunner::Wait(std::chrono::milliseconds timeout)
{
    return !m_thread || m_thread->wait(QDeadlineTimer(timeout));
}

bool TransferRunner::Start(const SerialSettings& settings, Job job)
{
    if (IsRunning())
        return false;
    // The last thread has reported and is about to end.
    if (m_thread)
        m_thread->wait();
    m_cancel.Clear();
    m_running.store(true);
    m_thread.reset(QThread::create([this, settings, job = std::move(job)] { RunOnWorker(settings, job); }));
    m_thread->start();
    return true;
}

void TransferRunner::RunOnWorker(const SerialSettings& settings, const Job& job)
{
    TransferOutcome outcome = TransferOutcome::Failed;
    {
        std::unique_ptr<SerialLine> port = m_lineFactory();
        CountingLine line(*port);
        UpgradeLib lib(line);
        TransferSession session(lib, &line, settings, MakeCallbacks(), m_cancel.Predicate(), m_pauses);
        outcome = job(session);
        // Whatever way the job ended, the port is released before anyone hears of it.
        session.CloseLink();
    }
    m_running.store(false);
    emit Finished(static_cast<int>(outcome));
}

TransferCallbacks TransferRunner::MakeCallbacks()
{
    TransferCallbacks callbacks;
    callbacks.stepShown = [this](TransferStep step, std::string_view text) {
        emit StepShown(static_cast<int>(step), ToQString(text));
    };
    callbacks.stepFinished = [this](TransferStep step, std::string_view text) {
        emit StepFinished(static_cast<int>(step), ToQString(text));
    };
    callbacks.progress = [this](int bar, int percent, std::uint64_t totalBytes) {
        emit ProgressChanged(bar, percent, static_cast<qint64>(totalBytes));
    };
    callbacks.message = [this](std::string_view text, std::string_view caption) {
        emit MessageShown(ToQString(text), ToQString(caption));
    };
    callbacks.titleChanged = [this](std::string_view title) { emit TitleChanged(ToQString(title)); };
    callbacks.receiverRead = [this](std::uint32_t version, const ReceiverInfo& info) { emit ReceiverRead(version, info); };
    callbacks.speedMeasured = [this](const TransferSpeed& speed) { emit SpeedMeasured(speed); };
    callbacks.cancelDisabled = [this] { emit CancelDisabled(); };
    return callbacks;
}

} // namespace torvane
