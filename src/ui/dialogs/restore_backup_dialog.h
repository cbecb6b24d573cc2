#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include <QDialog>

#include "document/backup_listing.h"

class QPushButton;
class QTreeWidget;

namespace torvane {

// File → "Restore from Backup…": the open file's backups, the newest first (date, size and what
// each holds); "Compare with current" shows the chosen backup against the open list, "Open"
// opens it, Close leaves.
class RestoreBackupDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RestoreBackupDialog)

public:
    static constexpr std::string_view kCaption = "Restore from Backup";

    // compare is called with the chosen entry's index while the dialog stays open.
    RestoreBackupDialog(std::string_view file, const std::vector<BackupEntry>& entries,
                        std::function<void(std::size_t)> compare, QWidget* parent);

    // The entry chosen with "Open"; nothing after Close.
    std::optional<std::size_t> Opened() const { return m_opened; }

    QTreeWidget* Entries() const { return m_entries; }
    QPushButton* CompareButton() const { return m_compare; }
    QPushButton* OpenButton() const { return m_open; }

private:
    std::optional<std::size_t> Chosen() const;

    QTreeWidget* m_entries;
    QPushButton* m_compare;
    QPushButton* m_open;
    std::optional<std::size_t> m_opened;
};

} // namespace torvane
