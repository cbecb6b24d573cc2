#include "ui/dialogs/restore_backup_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_support.h"

namespace torvane {

RestoreBackupDialog::RestoreBackupDialog(std::string_view file, const std::vector<BackupEntry>& entries,
                                         std::function<void(std::size_t)> compare, QWidget* parent)
    : QDialog(parent)
    , m_entries(new QTreeWidget(this))
    , m_compare(new QPushButton(tr("Compare with current"), this))
    , m_open(new QPushButton(tr("Open"), this))
{
    setWindowTitle(ToQString(kCaption));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Backups of %1:").arg(ToQString(file)), this));

    m_entries->setRootIsDecorated(false);
    m_entries->setHeaderLabels({tr("Date"), tr("Size"), tr("Satellites"), tr("TPs"), tr("Services")});
    const QLocale locale;
    for (const BackupEntry& entry : entries) {
        const auto count = [&entry](int DatabaseCounts::*field) {
            return entry.counts ? QString::number((*entry.counts).*field) : QStringLiteral("-");
        };
        auto* item = new QTreeWidgetItem(m_entries, {ToQString(entry.copy.date), locale.formattedDataSize(
                                                                                   static_cast<qint64>(entry.copy.size)),
                                                     count(&DatabaseCounts::satellites), count(&DatabaseCounts::tps),
                                                     count(&DatabaseCounts::services)});
        for (int column = 1; column < 5; ++column)
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int column = 1; column < 5; ++column)
        m_entries->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    m_entries->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_entries->header()->setStretchLastSection(false);
    m_entries->setMinimumSize(560, 260);
    if (!entries.empty())
        m_entries->setCurrentItem(m_entries->topLevelItem(0));
    layout->addWidget(m_entries);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_compare, QDialogButtonBox::ActionRole);
    buttons->addButton(m_open, QDialogButtonBox::AcceptRole);
    m_compare->setEnabled(!entries.empty());
    m_open->setEnabled(!entries.empty());
    connect(m_compare, &QPushButton::clicked, this, [this, compare = std::move(compare)] {
        if (const std::optional<std::size_t> chosen = Chosen())
            compare(*chosen);
    });
    connect(m_open, &QPushButton::clicked, this, [this] {
        m_opened = Chosen();
        if (m_opened)
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_entries, &QTreeWidget::itemDoubleClicked, m_open, &QPushButton::click);
    layout->addWidget(buttons);
}

std::optional<std::size_t> RestoreBackupDialog::Chosen() const
{
    const int row = m_entries->indexOfTopLevelItem(m_entries->currentItem());
    if (row < 0)
        return std::nullopt;
    return static_cast<std::size_t>(row);
}

} // namespace torvane
