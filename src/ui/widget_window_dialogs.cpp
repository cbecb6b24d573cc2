#include "ui/widget_window_dialogs.h"

#include <QFileDialog>

#include "editing/tables/tp_import.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/apply_order_dialog.h"
#include "ui/dialogs/backup_settings_dialog.h"
#include "ui/dialogs/compare_dialog.h"
#include "ui/dialogs/dialog_support.h"
#include "ui/dialogs/enigma2_import_dialog.h"
#include "ui/dialogs/find_dialog.h"
#include "ui/dialogs/index_prompt_dialog.h"
#include "ui/dialogs/move_information_dialog.h"
#include "ui/dialogs/program_dialog.h"
#include "ui/dialogs/restore_backup_dialog.h"
#include "ui/dialogs/satellite_dialog.h"
#include "ui/dialogs/set_for_selected_dialog.h"
#include "ui/dialogs/tp_dialog.h"
#include "ui/dialogs/tp_import_dialog.h"

namespace torvane {

bool WidgetWindowDialogs::RunProgram(ProgramForm& form)
{
    ProgramDialog dialog(form, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

bool WidgetWindowDialogs::RunSatellite(SatelliteForm& form)
{
    SatelliteDialog dialog(form, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

bool WidgetWindowDialogs::RunTp(TpForm& form)
{
    TpDialog dialog(form, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

bool WidgetWindowDialogs::RunSetForSelected(SetForSelectedForm& form)
{
    SetForSelectedDialog dialog(form, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<std::int32_t> WidgetWindowDialogs::RunIndexPrompt(const IndexPrompt& prompt)
{
    IndexPromptDialog dialog(prompt, m_prompts, m_parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Value() : std::nullopt;
}

std::optional<std::uint32_t> WidgetWindowDialogs::RunMoveInformation(const MoveInformation& prompt)
{
    MoveInformationDialog dialog(prompt, m_prompts, m_parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Value() : std::nullopt;
}

std::optional<FindRequest> WidgetWindowDialogs::RunFind()
{
    FindDialog dialog(m_parent);
    return dialog.exec() == QDialog::Accepted ? std::optional(dialog.Request()) : std::nullopt;
}

bool WidgetWindowDialogs::RunTpImport(TpImportPreview& preview, std::string_view caption, std::string_view source)
{
    TpImportDialog dialog(preview, ToQString(caption), ToQString(source), caption == kUpdateTpsStep, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

void WidgetWindowDialogs::ShowAbout()
{
    AboutDialog dialog(m_parent);
    dialog.exec();
}

bool WidgetWindowDialogs::RunApplyOrder(ApplyOrderForm& form)
{
    ApplyOrderDialog dialog(form, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

void WidgetWindowDialogs::ShowComparison(const CompareForm& form)
{
    CompareDialog dialog(form, m_parent);
    dialog.exec();
}

std::optional<std::string> WidgetWindowDialogs::ChooseFolder(std::string_view caption)
{
    const QString folder = QFileDialog::getExistingDirectory(m_parent, ToQString(caption));
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}

bool WidgetWindowDialogs::RunEnigma2Import(Enigma2ImportPreview& preview, std::string_view source)
{
    Enigma2ImportDialog dialog(preview, ToQString(source), m_parent);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<BackupSettings> WidgetWindowDialogs::RunBackupSettings(const BackupSettings& settings,
                                                                     std::string_view folder)
{
    BackupSettingsDialog dialog(settings, folder, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Settings();
}

std::optional<std::size_t> WidgetWindowDialogs::RunRestoreBackup(std::string_view file,
                                                                 const std::vector<BackupEntry>& entries,
                                                                 const std::function<void(std::size_t)>& compare)
{
    RestoreBackupDialog dialog(file, entries, compare, m_parent);
    dialog.exec();
    return dialog.Opened();
}

} // namespace torvane
