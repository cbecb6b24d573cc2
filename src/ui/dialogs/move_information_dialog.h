#pragma once

#include <cstdint>
#include <optional>

#include "editing/forms/move_information.h"
#include "ui/dialogs/number_prompt_dialog.h"

namespace torvane {

class UserPrompts;

// "Move Information" of the navigator: the place to move an item to, labelled "Another order".
// Value() is the number after OK.
class MoveInformationDialog final : public NumberPromptDialog {
    Q_OBJECT

public:
    MoveInformationDialog(const MoveInformation& prompt, UserPrompts& prompts, QWidget* parent);

    std::optional<std::uint32_t> Value() const { return m_value; }

private:
    bool Take(std::string_view text) override;

    const MoveInformation& m_prompt;
    UserPrompts& m_prompts;
    std::optional<std::uint32_t> m_value;
};

} // namespace torvane
