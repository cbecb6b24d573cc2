#include "ui/transfer/transfer_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "database/chunk_chain.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

QString FromStd(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename Widget>
Widget* Hidden(Widget* widget)
{
    widget->hide();
    return widget;
}

QString ChunkContents(std::uint32_t id)
{
    if (id == kUserChunkId)
        return QStringLiteral("user database");
    if (id == kDefaultChunkId)
        return QStringLiteral("default database");
    return {};
}

QString ChunkLabel(const ChunkInfo& chunk)
{
    QStringList texts;
    for (const std::string& text : chunk.texts) {
        if (!text.empty())
            texts << QString::fromStdString(text);
    }
    return texts.join(QStringLiteral(" / "));
}

} // namespace

TransferDialog::TransferDialog(std::string_view caption, UserPrompts& prompts, const SerialSettings& settings,
                               QWidget* parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_settings(settings)
    , m_runner(std::make_unique<TransferRunner>())
{
    setWindowTitle(FromStd(caption));
    setModal(true);
    setMinimumWidth(560);

    auto* layout = new QVBoxLayout(this);
    m_subject = new QLabel(this);
    m_subject->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_subject);
    m_steps = new QGridLayout;
    m_steps->setColumnStretch(0, 1);
    m_steps->setColumnMinimumWidth(0, 240);
    m_steps->setHorizontalSpacing(12);
    layout->addLayout(m_steps);

    auto* receiver = new QGroupBox(tr("Receiver"), this);
    auto* receiverLayout = new QVBoxLayout(receiver);
    auto* facts = new QFormLayout;
    m_protocol = new QLabel(QStringLiteral("-"), receiver);
    m_protocol->setObjectName(QStringLiteral("protocol"));
    m_flashSize = new QLabel(QStringLiteral("-"), receiver);
    m_flashSize->setObjectName(QStringLiteral("flashSize"));
    facts->addRow(tr("Protocol version:"), m_protocol);
    facts->addRow(tr("Flash size:"), m_flashSize);
    receiverLayout->addLayout(facts);
    m_chunks = new QTreeWidget(receiver);
    m_chunks->setObjectName(QStringLiteral("chunks"));
    m_chunks->setHeaderLabels({tr("Chunk"), tr("Contents"), tr("Length"), tr("Label")});
    m_chunks->setRootIsDecorated(false);
    m_chunks->setUniformRowHeights(true);
    m_chunks->setSelectionMode(QAbstractItemView::NoSelection);
    m_chunks->setFocusPolicy(Qt::NoFocus);
    m_chunks->header()->setStretchLastSection(true);
    m_chunks->setFixedHeight(m_chunks->sizeHintForRow(0) > 0 ? m_chunks->sizeHintForRow(0) * 7 : 130);
    receiverLayout->addWidget(m_chunks);
    layout->addWidget(receiver);

    m_elapsed = new QLabel(tr("Elapsed: %1").arg(FromStd(FormatMinutes(0))), this);
    m_elapsed->setObjectName(QStringLiteral("elapsed"));
    layout->addWidget(m_elapsed);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);
    layout->addStretch();
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->hide();
    layout->addWidget(m_note);

    m_bottomRow = new QHBoxLayout;
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_cancel = buttons->button(QDialogButtonBox::Cancel);
    m_ok->setEnabled(false);
    m_ok->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &TransferDialog::RequestCancel);
    m_bottomRow->addStretch();
    m_bottomRow->addWidget(buttons);
    layout->addLayout(m_bottomRow);

    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &TransferDialog::UpdateElapsed);
    ConnectRunner();
}

TransferDialog::~TransferDialog()
{
    // The runner cancels a transfer still running and waits for its thread; no report reaches
    // this dialog any more.
    m_runner->disconnect(this);
    m_runner.reset();
}

void TransferDialog::AddStep(TransferStep step, std::optional<int> bar)
{
    // Named by step, so that tests and style sheets find them.
    const QString number = QString::number(static_cast<int>(step));
    StepRow& row = m_stepRows[step];
    row.label = Hidden(new QLabel(this));
    row.label->setObjectName(QStringLiteral("step") + number);
    row.finished = Hidden(new QLabel(FromStd(transfer_text::kFinished), this));
    row.finished->setObjectName(QStringLiteral("finished") + number);
    m_steps->addWidget(row.label, m_nextRow, 0, 1, 3);
    m_steps->addWidget(row.finished, m_nextRow, 3, Qt::AlignRight);
    ++m_nextRow;
    row.bar = bar;
    if (!bar) {
        ReserveStep(step, true);
        return;
    }
    row.barRow = std::make_unique<BarRow>();
    BarRow& barRow = *row.barRow;
    barRow.bar = Hidden(new QProgressBar(this));
    barRow.bar->setRange(0, 100);
    barRow.bar->setTextVisible(false);
    barRow.bar->setObjectName(QStringLiteral("bar") + number);
    // Each label as wide as its widest text, so that the bar keeps its length.
    const auto barLabel = [&](const char* name, const QString& widest) {
        QLabel* label = Hidden(new QLabel(this));
        label->setObjectName(QLatin1String(name) + number);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widest));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };
    barRow.percent = barLabel("percent", QStringLiteral("100%"));
    barRow.rate = barLabel("rate", QStringLiteral("00.00 kB/s"));
    barRow.left = barLabel("left", tr("%1 left").arg(QStringLiteral("00:00")));
    m_steps->addWidget(barRow.bar, m_nextRow, 0);
    m_steps->addWidget(barRow.percent, m_nextRow, 1);
    m_steps->addWidget(barRow.rate, m_nextRow, 2);
    m_steps->addWidget(barRow.left, m_nextRow, 3);
    ++m_nextRow;
    ReserveStep(step, true);
}

void TransferDialog::SetSubject(const QString& text)
{
    // A long path loses its middle rather than widening the dialog.
    m_subject->setText(m_subject->fontMetrics().elidedText(text, Qt::ElideMiddle, minimumWidth()));
    m_subject->setToolTip(text);
}

std::vector<QWidget*> TransferDialog::StepRow::Widgets() const
{
    std::vector<QWidget*> widgets{label, finished};
    if (barRow)
        widgets.insert(widgets.end(), {barRow->bar, barRow->percent, barRow->rate, barRow->left});
    return widgets;
}

void TransferDialog::ReserveStep(TransferStep step, bool reserve)
{
    for (QWidget* widget : m_stepRows.at(step).Widgets()) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(reserve);
        widget->setSizePolicy(policy);
    }
}

void TransferDialog::AddOption(QCheckBox* option)
{
    m_bottomRow->insertWidget(0, option);
}

void TransferDialog::SetNote(const QString& text)
{
    m_note->setText(text);
    m_note->setVisible(!text.isEmpty());
}

bool TransferDialog::CancelEnabled() const
{
    return m_cancel->isEnabled();
}

void TransferDialog::SetCancelEnabled(bool enabled)
{
    m_cancel->setEnabled(enabled && !m_cancelRequested);
}

void TransferDialog::ConnectRunner()
{
    TransferRunner* runner = m_runner.get();
    connect(runner, &TransferRunner::StepShown, this,
            [this](int step, const QString& text) { ShowStep(static_cast<TransferStep>(step), text); });
    connect(runner, &TransferRunner::StepFinished, this,
            [this](int step, const QString& text) { FinishStep(static_cast<TransferStep>(step), text); });
    connect(runner, &TransferRunner::ProgressChanged, this, &TransferDialog::ShowProgress);
    connect(runner, &TransferRunner::MessageShown, this, &TransferDialog::Queue);
    connect(runner, &TransferRunner::TitleChanged, this, &QWidget::setWindowTitle);
    connect(runner, &TransferRunner::ReceiverRead, this, &TransferDialog::ShowReceiver);
    connect(runner, &TransferRunner::SpeedMeasured, this,
            [this](const TransferSpeed& speed) { AddSummaryLine(FromStd(FormatTransferSpeed(speed))); });
    connect(runner, &TransferRunner::CancelDisabled, this, [this] { OnCancelDisabled(); });
    connect(runner, &TransferRunner::Finished, this, [this](int outcome) { End(static_cast<TransferOutcome>(outcome)); });
}

void TransferDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_running || m_outcome)
        return;
    m_running = true;
    m_started.start();
    m_clock->start();
    m_runner->Start(m_settings, MakeJob());
}

void TransferDialog::reject()
{
    if (m_outcome == TransferOutcome::Succeeded)
        accept();
    else if (m_running && CancelEnabled())
        RequestCancel();
}

void TransferDialog::RequestCancel()
{
    if (!m_running)
        return;
    m_runner->RequestCancel();
    m_cancelRequested = true;
    SetCancelEnabled(false);
}

void TransferDialog::ShowStep(TransferStep step, const QString& text)
{
    const auto found = m_stepRows.find(step);
    if (found == m_stepRows.end())
        return;
    StepRow& row = found->second;
    row.label->setText(text);
    // A step done once before (the greeting of the check after a download) runs again.
    row.finished->hide();
    for (QWidget* widget : row.Widgets()) {
        if (widget != row.finished)
            widget->show();
    }
    if (row.barRow)
        m_activeBars[*row.bar] = row.barRow.get();
    OnStepShown(step);
}

void TransferDialog::FinishStep(TransferStep step, const QString& text)
{
    const auto found = m_stepRows.find(step);
    if (found == m_stepRows.end())
        return;
    found->second.finished->setText(text);
    found->second.finished->show();
    OnStepFinished(step);
}

void TransferDialog::ShowProgress(int bar, int percent, qint64 totalBytes)
{
    const auto found = m_activeBars.find(bar);
    if (found == m_activeBars.end())
        return;
    BarRow& row = *found->second;
    row.bar->setValue(percent);
    row.percent->setText(FromStd(ProgressLabel(percent)));
    if (row.meter.Update(percent, static_cast<std::uint64_t>(totalBytes), ProgressMeter::Clock::now())) {
        row.rate->clear();
        row.left->clear();
    }
    if (const std::optional<ProgressEstimate> estimate = row.meter.Estimate()) {
        row.rate->setText(FromStd(FormatRate(estimate->bytesPerSecond)));
        row.left->setText(percent < 100 ? tr("%1 left").arg(FromStd(FormatMinutes(estimate->secondsLeft))) : QString());
    }
}

void TransferDialog::ShowReceiver(quint32 version, const ReceiverInfo& info)
{
    m_protocol->setText(QStringLiteral("%1.%2").arg(version / 16).arg(version % 16));
    m_flashSize->setText(info.flashSize != 0
                             ? tr("%1 KiB (%2 bytes)").arg(info.flashSize / 1024).arg(info.flashSize)
                             : tr("unknown"));
    m_chunks->clear();
    for (const ChunkInfo& chunk : info.chunks) {
        auto* item = new QTreeWidgetItem(m_chunks);
        item->setText(0, QStringLiteral("%1").arg(chunk.id, 8, 16, QLatin1Char('0')).toUpper());
        item->setText(1, ChunkContents(chunk.id));
        item->setText(2, QString::number(chunk.length));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(3, ChunkLabel(chunk));
    }
    for (int column = 0; column < 3; ++column)
        m_chunks->resizeColumnToContents(column);
}

void TransferDialog::AddSummaryLine(const QString& line)
{
    m_summary->setText(m_summary->text().isEmpty() ? line : m_summary->text() + QLatin1Char('\n') + line);
}

void TransferDialog::Queue(const QString& text, const QString& caption)
{
    if (m_keepMessagesBack) {
        m_keptBack.push_back({text, caption});
        return;
    }
    m_messages.push_back({text, caption});
    ShowMessages();
}

void TransferDialog::End(TransferOutcome outcome)
{
    m_running = false;
    m_outcome = outcome;
    m_clock->stop();
    UpdateElapsed();
    if (outcome == TransferOutcome::Succeeded) {
        for (const PendingMessage& message : m_keptBack)
            AddSummaryLine(message.text);
        m_keptBack.clear();
        SetCancelEnabled(false);
        m_ok->setEnabled(true);
        m_ok->setDefault(true);
        m_ok->setFocus();
        return;
    }
    SetCancelEnabled(false);
    m_messages.insert(m_messages.end(), m_keptBack.begin(), m_keptBack.end());
    m_keptBack.clear();
    m_closing = true;
    ShowMessages();
}

void TransferDialog::ShowMessages()
{
    // A message box runs its own event loop, in which further reports arrive: they wait their turn.
    if (m_showingMessage)
        return;
    const QPointer<TransferDialog> self(this);
    m_showingMessage = true;
    while (!m_messages.empty()) {
        const PendingMessage message = m_messages.front();
        m_messages.pop_front();
        if (message.caption.isEmpty())
            m_prompts.Message(message.text.toStdString());
        else
            m_prompts.Warning(message.text.toStdString(), message.caption.toStdString());
        if (!self)
            return;
    }
    m_showingMessage = false;
    if (m_closing)
        CloseAfterFailure();
}

void TransferDialog::CloseAfterFailure()
{
    m_closing = false;
    QTimer::singleShot(kCloseDelayMs, this, [this] { done(QDialog::Rejected); });
}

void TransferDialog::UpdateElapsed()
{
    const double seconds = m_started.isValid() ? static_cast<double>(m_started.elapsed()) / 1000.0 : 0.0;
    m_elapsed->setText(tr("Elapsed: %1").arg(FromStd(FormatMinutes(seconds))));
}

} // namespace torvane
