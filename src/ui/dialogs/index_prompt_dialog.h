#pragma once

#include <cstdint>
#include <optional>

#include "editing/forms/index_prompt.h"
#include "ui/dialogs/number_prompt_dialog.h"

namespace torvane {

class UserPrompts;

// The index prompt of "Move Channel" and "Switch Channel": the caller's caption, "Enter another
// index", the number with the caret at its start. Value() is the number after OK.
class IndexPromptDialog final : public NumberPromptDialog {
    Q_OBJECT

public:
    IndexPromptDialog(const IndexPrompt& prompt, UserPrompts& prompts, QWidget* parent);

    std::optional<std::int32_t> Value() const { return m_value; }

private:
    bool Take(std::string_view text) override;

    const IndexPrompt& m_prompt;
    UserPrompts& m_prompts;
    std::optional<std::int32_t> m_value;
};

} // namespace torvane
