#pragma once

#include "ui/window_dialogs.h"

class QWidget;

namespace torvane {

class UserPrompts;

// The window's dialogs as widgets, modal to the window: the edit dialogs over their forms, the two
// number prompts, "FIND" and the About box. The prompts show the messages of the number prompts.
class WidgetWindowDialogs final : public WindowDialogs {
public:
    WidgetWindowDialogs(QWidget* parent, UserPrompts& prompts) : m_parent(parent), m_prompts(prompts) {}

    bool RunProgram(ProgramForm& form) override;
    bool RunSatellite(SatelliteForm& form) override;
    bool RunTp(TpForm& form) override;
    bool RunSetForSelected(SetForSelectedForm& form) override;
    std::optional<std::int32_t> RunIndexPrompt(const IndexPrompt& prompt) override;
    std::optional<std::uint32_t> RunMoveInformation(const MoveInformation& prompt) override;
    std::optional<FindRequest> RunFind() override;
    bool RunTpImport(TpImportPreview& preview, std::string_view caption, std::string_view source) override;
    void ShowAbout() override;
    bool RunApplyOrder(ApplyOrderForm& form) override;
    void ShowComparison(const CompareForm& form) override;
    std::optional<std::string> ChooseFolder(std::string_view caption) override;
    bool RunEnigma2Import(Enigma2ImportPreview& preview, std::string_view source) override;
    std::optional<BackupSettings> RunBackupSettings(const BackupSettings& settings, std::string_view folder) override;
    std::optional<std::size_t> RunRestoreBackup(std::string_view file, const std::vector<BackupEntry>& entries,
                                                const std::function<void(std::size_t)>& compare) override;

private:
    QWidget* m_parent;
    UserPrompts& m_prompts;
};

} // namespace torvane
