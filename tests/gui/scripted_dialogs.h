#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "editing/forms/list_exchange_forms.h"
#include "editing/forms/program_form.h"
#include "editing/forms/satellite_form.h"
#include "editing/forms/set_for_selected_form.h"
#include "editing/forms/tp_form.h"
#include "editing/lists/enigma2_import.h"
#include "editing/tables/tp_import_preview.h"
#include "ui/window_dialogs.h"

namespace torvane::test {

// The window's dialogs answered by a test: each dialog runs the next scripted step on its form
// (filling controls, pressing OK) and reports what the step answers; with no step left the
// dialog is cancelled. Every dialog shown is counted by its caption.
class ScriptedDialogs final : public WindowDialogs {
public:
    template <typename Form>
    using FormStep = std::function<bool(Form&)>;

    bool RunProgram(ProgramForm& form) override { return Run(programSteps, form, "Program Information"); }
    bool RunSatellite(SatelliteForm& form) override { return Run(satelliteSteps, form, "Satellite"); }
    bool RunTp(TpForm& form) override { return Run(tpSteps, form, "TP"); }
    bool RunSetForSelected(SetForSelectedForm& form) override
    {
        return Run(setForSelectedSteps, form, "Set for Selected");
    }
    std::optional<std::int32_t> RunIndexPrompt(const IndexPrompt& prompt) override
    {
        return Next(indexAnswers, prompt.caption);
    }
    std::optional<std::uint32_t> RunMoveInformation(const MoveInformation&) override
    {
        return Next(moveAnswers, std::string(MoveInformation::kCaption));
    }
    std::optional<FindRequest> RunFind() override { return Next(findAnswers, std::string(FindRequest::kCaption)); }
    bool RunTpImport(TpImportPreview& preview, std::string_view caption, std::string_view) override
    {
        return Run(importSteps, preview, std::string(caption).c_str());
    }
    void ShowAbout() override { shown.push_back("About Torvane"); }
    bool RunApplyOrder(ApplyOrderForm& form) override { return Run(applyOrderSteps, form, "Apply Order"); }
    void ShowComparison(const CompareForm& form) override
    {
        shown.emplace_back("Compare");
        comparisons.push_back(form);
    }
    std::optional<std::string> ChooseFolder(std::string_view caption) override
    {
        return Next(folderAnswers, std::string(caption));
    }
    bool RunEnigma2Import(Enigma2ImportPreview& preview, std::string_view) override
    {
        return Run(enigma2Steps, preview, "Import Enigma2 Settings");
    }
    std::optional<BackupSettings> RunBackupSettings(const BackupSettings&, std::string_view) override
    {
        return Next(backupSettingsAnswers, "Backups");
    }
    // Presses "Compare with current" for each of compareIndexes, then answers the next of restoreAnswers.
    std::optional<std::size_t> RunRestoreBackup(std::string_view, const std::vector<BackupEntry>& entries,
                                                const std::function<void(std::size_t)>& compare) override
    {
        restoreEntries.push_back(entries);
        for (const std::size_t index : compareIndexes)
            compare(index);
        return Next(restoreAnswers, "Restore from Backup");
    }

    std::deque<FormStep<ProgramForm>> programSteps;
    std::deque<FormStep<SatelliteForm>> satelliteSteps;
    std::deque<FormStep<TpForm>> tpSteps;
    std::deque<FormStep<SetForSelectedForm>> setForSelectedSteps;
    std::deque<FormStep<ApplyOrderForm>> applyOrderSteps;
    std::vector<CompareForm> comparisons;  // each "Compare" shown
    std::deque<FormStep<TpImportPreview>> importSteps;
    std::deque<std::optional<std::string>> folderAnswers;
    std::deque<FormStep<Enigma2ImportPreview>> enigma2Steps;
    std::deque<std::optional<std::int32_t>> indexAnswers;
    std::deque<std::optional<std::uint32_t>> moveAnswers;
    std::deque<std::optional<FindRequest>> findAnswers;
    std::deque<std::optional<BackupSettings>> backupSettingsAnswers;
    std::vector<std::size_t> compareIndexes;
    std::deque<std::optional<std::size_t>> restoreAnswers;
    std::vector<std::vector<BackupEntry>> restoreEntries;  // each "Restore from Backup" shown
    std::vector<std::string> shown;  // captions in order

private:
    template <typename Form>
    bool Run(std::deque<FormStep<Form>>& steps, Form& form, const char* caption)
    {
        shown.emplace_back(caption);
        if (steps.empty())
            return false;
        const FormStep<Form> step = std::move(steps.front());
        steps.pop_front();
        return step(form);
    }

    template <typename T>
    std::optional<T> Next(std::deque<std::optional<T>>& answers, std::string caption)
    {
        shown.push_back(std::move(caption));
        if (answers.empty())
            return std::nullopt;
        std::optional<T> answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

} // namespace torvane::test
