#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include <QObject>
#include <QString>

#include "link/cancel_flag.h"
#include "link/receiver_info.h"
#include "link/serial_settings.h"
#include "link/transfer_report.h"
#include "link/transfer_session.h"

class QThread;

namespace torvane {

class SerialLine;

// Runs one transfer at a time on a thread of its own, which alone owns the serial port: the line
// is created on that thread, used there and closed there on every way out. The caller only asks
// for a cancel (under the flag's lock) and receives the reports as queued signals: the signals are
// emitted on the transfer's thread, so connect them to a receiver or context object living on the
// caller's thread (a functor connected without one would run on the transfer's thread).
class TransferRunner final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferRunner)

public:
    using Job = std::function<TransferOutcome(TransferSession& session)>;
    using LineFactory = std::function<std::unique_ptr<SerialLine>()>;

    explicit TransferRunner(QObject* parent = nullptr);
    // Cancels a running transfer and waits for its thread.
    ~TransferRunner() override;

    // Makes the line on the transfer's thread; by default a QtSerialLine. Set it while no transfer runs.
    void SetLineFactory(LineFactory factory) { m_lineFactory = std::move(factory); }
    void SetPauses(const TransferPauses& pauses) { m_pauses = pauses; }

    // Starts the job on a new thread; false while a transfer is still running. A transfer that has
    // reported Finished is over, so a new one can start from the Finished handler.
    bool Start(const SerialSettings& settings, Job job);
    void RequestCancel() { m_cancel.Set(); }
    bool IsRunning() const { return m_running.load(); }
    // True when no transfer is running any more.
    bool Wait(std::chrono::milliseconds timeout);

signals:
    void StepShown(int step, const QString& text);
    void StepFinished(int step, const QString& text);
    void ProgressChanged(int bar, int percent, qint64 totalBytes);
    void MessageShown(const QString& text, const QString& caption);
    void TitleChanged(const QString& title);
    void ReceiverRead(quint32 version, const torvane::ReceiverInfo& info);
    void SpeedMeasured(const torvane::TransferSpeed& speed);
    void CancelDisabled();
    // Once per run, after the run's other reports, with the TransferOutcome as a number.
    void Finished(int outcome);

private:
    void RunOnWorker(const SerialSettings& settings, const Job& job);
    TransferCallbacks MakeCallbacks();

    LineFactory m_lineFactory;
    TransferPauses m_pauses;
    CancelFlag m_cancel;
    std::atomic<bool> m_running{false};
    std::unique_ptr<QThread> m_thread;
};

} // namespace torvane
