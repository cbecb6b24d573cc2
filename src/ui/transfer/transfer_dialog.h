#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include "link/progress_meter.h"
#include "link/receiver_info.h"
#include "link/serial_settings.h"
#include "link/transfer_report.h"
#include "link/transfer_runner.h"

class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace torvane {

class UserPrompts;

// What the upload and the download dialog share. The transfer starts on the runner's thread when
// the dialog is first shown; the dialog only listens to it and sets its cancel flag.
//
// Every step's label appears when its step begins and its "Finished" mark when it ends; a step that
// moves a bar has one below its label with the percentage, the rate and the time left. The elapsed
// time runs until the end, the receiver's protocol version, flash size and chunks appear once
// read, and the transfer's speed is summed up at the end. Messages are shown one at a time through
// the prompts, in the order the transfer reported them. OK is enabled after success. Cancel asks
// the transfer to stop and disables itself; after a failure or a cancel the dialog closes itself
// half a second after its last message. The close box and Escape are Cancel while the transfer
// runs and OK after success; they never leave a transfer running.
class TransferDialog : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferDialog)

public:
    // Between the end of a failed or cancelled transfer (and its messages) and the dialog closing.
    static constexpr int kCloseDelayMs = 500;

    ~TransferDialog() override;

    // Before the dialog is shown, for tests: the line the transfer opens and its pauses.
    TransferRunner& Runner() { return *m_runner; }
    // How the transfer ended; nothing before its end.
    std::optional<TransferOutcome> Outcome() const { return m_outcome; }

protected:
    TransferDialog(std::string_view caption, UserPrompts& prompts, const SerialSettings& settings, QWidget* parent);

    // The line above the steps that says what is transferred.
    void SetSubject(const QString& text);
    // A step's row, laid out in the order of the calls; a step that moves a bar gets the bar's row
    // below it. A bar index may belong to several steps: it moves the row of the last one shown.
    void AddStep(TransferStep step, std::optional<int> bar = std::nullopt);
    // Whether a step's rows keep their room while still hidden, so that the dialog doesn't jump as
    // the steps appear (all do at first).
    void ReserveStep(TransferStep step, bool reserve);
    // Adds a control to the row of the OK and Cancel buttons, at its left.
    void AddOption(QCheckBox* option);
    // While set, messages are kept back: after success they join the summary, otherwise they are
    // shown as messages when the transfer has ended.
    void KeepMessagesBack(bool keep) { m_keepMessagesBack = keep; }
    // A line above the buttons that says why Cancel is disabled; empty hides it.
    void SetNote(const QString& text);
    bool CancelEnabled() const;
    // Once the user has cancelled, Cancel stays disabled.
    void SetCancelEnabled(bool enabled);

    // The transfer to run; asked for once, when the dialog is first shown.
    virtual TransferRunner::Job MakeJob() = 0;
    // Reports a dialog reacts to beyond what every transfer dialog does.
    virtual void OnStepShown(TransferStep) {}
    virtual void OnStepFinished(TransferStep) {}
    virtual void OnCancelDisabled() { SetCancelEnabled(false); }

    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    struct BarRow {
        QProgressBar* bar = nullptr;
        QLabel* percent = nullptr;
        QLabel* rate = nullptr;
        QLabel* left = nullptr;
        ProgressMeter meter;
    };
    struct StepRow {
        QLabel* label = nullptr;
        QLabel* finished = nullptr;
        std::optional<int> bar;
        std::unique_ptr<BarRow> barRow;

        std::vector<QWidget*> Widgets() const;
    };
    struct PendingMessage {
        QString text;
        QString caption;
    };

    void ConnectRunner();
    void ShowStep(TransferStep step, const QString& text);
    void FinishStep(TransferStep step, const QString& text);
    void ShowProgress(int bar, int percent, qint64 totalBytes);
    void ShowReceiver(quint32 version, const ReceiverInfo& info);
    void AddSummaryLine(const QString& line);
    void Queue(const QString& text, const QString& caption);
    void End(TransferOutcome outcome);
    void ShowMessages();
    void CloseAfterFailure();
    void RequestCancel();
    void UpdateElapsed();

    UserPrompts& m_prompts;
    SerialSettings m_settings;
    std::unique_ptr<TransferRunner> m_runner;

    QLabel* m_subject = nullptr;
    QGridLayout* m_steps = nullptr;
    int m_nextRow = 0;
    std::map<TransferStep, StepRow> m_stepRows;
    std::map<int, BarRow*> m_activeBars;
    QLabel* m_protocol = nullptr;
    QLabel* m_flashSize = nullptr;
    QTreeWidget* m_chunks = nullptr;
    QLabel* m_elapsed = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_note = nullptr;
    QHBoxLayout* m_bottomRow = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer* m_clock = nullptr;
    QElapsedTimer m_started;

    bool m_running = false;
    bool m_cancelRequested = false;
    std::optional<TransferOutcome> m_outcome;
    std::deque<PendingMessage> m_messages;
    std::deque<PendingMessage> m_keptBack;
    bool m_keepMessagesBack = false;
    bool m_showingMessage = false;
    bool m_closing = false;
};

} // namespace torvane
