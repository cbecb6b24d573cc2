// The window's backups: Setting → "Backups…" and File → "Restore from Backup…".
#include <QStatusBar>

#include "document/document.h"
#include "editing/forms/list_exchange_forms.h"
#include "editing/lists/list_compare.h"
#include "editing/lists/list_file.h"
#include "editing/session/edit_session.h"
#include "ui/main_window.h"
#include "ui/preset_prompts.h"
#include "ui/window_dialogs.h"
#include "util/file_name.h"
#include "util/saved_file.h"

namespace torvane {

void MainWindow::UseBackupSettings(const BackupSettings& settings)
{
    m_backups = std::make_unique<BackupStore>(m_config.BackupFolder(), settings);
    SetSaveBackups(settings.enabled && !m_config.Folder().empty() ? m_backups.get() : nullptr);
}

void MainWindow::BackupSettingsCommand()
{
    const std::optional<BackupSettings> settings = m_dialogs->RunBackupSettings(m_backups->Settings(), m_backups->Folder());
    if (!settings)
        return;
    if (!m_config.SaveBackupSettings(*settings))
        m_prompts->Message(std::string(kCantWriteMessage) + m_config.ConfigIniPath());
    UseBackupSettings(*settings);
}

void MainWindow::RestoreFromBackup()
{
    const std::string current =
        m_document->ProductImagePath().empty() ? m_document->DefaultDatabasePath() : m_document->ProductImagePath();
    if (current.empty())
        return;
    const std::vector<BackupEntry> entries =
        ListBackups(*m_backups, current, m_document->Schema(), m_document->Type());
    if (entries.empty()) {
        m_prompts->Message(NoBackupsMessage(current, m_backups->FolderOf(current)));
        return;
    }
    const auto compare = [this, &entries, &current](std::size_t index) {
        const std::string& path = entries[index].copy.path;
        const ListFile backup = ReadListFile(FileNamePath(path), *m_document);
        if (!backup.table)
            return;
        const CompareForm form(CompareLists(ReadDocumentTable(*m_document), *backup.table),
                               FileNameText(FileNamePath(current).filename()), entries[index].copy.date);
        m_dialogs->ShowComparison(form);
    };
    const std::optional<std::size_t> chosen = m_dialogs->RunRestoreBackup(current, entries, compare);
    if (!chosen)
        return;
    // The copy is opened as it is (never written back): Save As puts it anywhere, and over the
    // original it keeps the original's current bytes as a backup first.
    const std::string& path = entries[*chosen].copy.path;
    const bool opened = m_document->Open(path, Document::LoadedFile::Keep);
    m_session->Reset();
    ResetHistory();
    if (opened) {
        if (!m_document->ProductImagePath().empty())
            m_imagePath = path;
        m_titleName = QString::fromStdString(FileNameText(FileNamePath(current).filename())) + tr(" (backup of %1)")
                          .arg(QString::fromStdString(entries[*chosen].copy.date));
        statusBar()->showMessage(tr("Opened the backup %1; use Save As to keep it").arg(QString::fromStdString(path)));
    }
    AfterCommand();
}

} // namespace torvane
