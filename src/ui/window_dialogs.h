#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/backup_listing.h"

#include "editing/forms/index_prompt.h"
#include "editing/forms/move_information.h"
#include "editing/session/service_finder.h"

namespace torvane {

class ApplyOrderForm;
class CompareForm;
class Enigma2ImportPreview;
class ProgramForm;
class SatelliteForm;
class SetForSelectedForm;
class TpForm;
class TpImportPreview;

// The modal dialogs the main window opens for its commands, each shown on its core form. The
// window asks through this interface so that the same commands run with the widget dialogs and,
// in tests, with scripted answers.
class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;

    // The "Program Information", satellite and TP dialogs; true when closed with OK after the
    // form's checks passed.
    virtual bool RunProgram(ProgramForm& form) = 0;
    virtual bool RunSatellite(SatelliteForm& form) = 0;
    virtual bool RunTp(TpForm& form) = 0;
    // "Set for Selected"; true when closed with OK after every selected row passed its checks.
    virtual bool RunSetForSelected(SetForSelectedForm& form) = 0;
    // The index prompt of Move Channel and Switch Channel: the number on OK.
    virtual std::optional<std::int32_t> RunIndexPrompt(const IndexPrompt& prompt) = 0;
    // The navigator's "Move Information": the number on OK.
    virtual std::optional<std::uint32_t> RunMoveInformation(const MoveInformation& prompt) = 0;
    // The "FIND" dialog: the text and the partial flag on "Next".
    virtual std::optional<FindRequest> RunFind() = 0;
    // The preview of a table import (caption "Update TPs from Table" or "Add Satellite from
    // Table", source the table's file and satellite); true on OK, with the ticks in the preview.
    virtual bool RunTpImport(TpImportPreview& preview, std::string_view caption, std::string_view source) = 0;
    virtual void ShowAbout() = 0;
    // "Apply Order" with its summary and options: true on OK.
    virtual bool RunApplyOrder(ApplyOrderForm& form) = 0;
    // "Compare" with the differences of two lists.
    virtual void ShowComparison(const CompareForm& form) = 0;
    // A folder to read, chosen under caption; nothing on Cancel.
    virtual std::optional<std::string> ChooseFolder(std::string_view caption) = 0;
    // The preview of an Enigma2 import (source the folder) with its merge tick: true on OK.
    virtual bool RunEnigma2Import(Enigma2ImportPreview& preview, std::string_view source) = 0;
    // Setting → "Backups…" preset with settings (folder is where the copies are): the settings on OK.
    virtual std::optional<BackupSettings> RunBackupSettings(const BackupSettings& settings, std::string_view folder) = 0;
    // "Restore from Backup" over file's backups; compare is called for "Compare with current"
    // with the chosen entry's index. The entry to open on "Open".
    virtual std::optional<std::size_t> RunRestoreBackup(std::string_view file, const std::vector<BackupEntry>& entries,
                                                        const std::function<void(std::size_t)>& compare) = 0;
};

} // namespace torvane
