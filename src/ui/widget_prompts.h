#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "util/user_prompts.h"

class QWidget;

namespace torvane {

// UserPrompts for the window: message boxes for messages (OK) and questions (Yes, No; Escape and
// the close box answer No, or Cancel where a question may be dismissed), the choice and chunk
// dialogs, and FileDialog for every file. Dialogs are modal to the parent. GUI thread only. The
// folder of the last file chosen is where the next file dialog opens.
class WidgetPrompts final : public UserPrompts {
public:
    static constexpr std::string_view kCaption = "Torvane";

    explicit WidgetPrompts(QWidget* parent);

    void Message(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;
    YesNoAnswer AskYesNoOrCancel(std::string_view text) override;
    std::optional<int> ChooseOne(std::string_view caption, const std::vector<std::string>& options,
                                 std::optional<int> preset) override;
    std::optional<ChunkChoice> ChooseChunks(std::string_view caption, ChunkChoice initial, bool exclusive) override;
    std::optional<std::string> ChooseOpenFile(std::string_view filterText) override;
    std::optional<std::string> ChooseSaveFile(std::string_view filterText, std::string_view defaultName) override;

    const QString& Folder() const { return m_folder; }
    void SetFolder(const QString& folder) { m_folder = folder; }

private:
    std::optional<std::string> ChooseFile(bool save, std::string_view filterText, std::string_view defaultName);

    QWidget* m_parent;
    QString m_folder;
};

} // namespace torvane
