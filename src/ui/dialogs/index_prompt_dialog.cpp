#include "ui/dialogs/index_prompt_dialog.h"

#include <QLineEdit>

namespace torvane {

IndexPromptDialog::IndexPromptDialog(const IndexPrompt& prompt, UserPrompts& prompts, QWidget* parent)
    : NumberPromptDialog(prompt.caption, IndexPrompt::kLabel, prompt.InitialText(), parent),
      m_prompt(prompt),
      m_prompts(prompts)
{
    if (prompt.caretAtStart)
        Edit()->setCursorPosition(0);
}

bool IndexPromptDialog::Take(std::string_view text)
{
    m_value = m_prompt.Accept(text, m_prompts);
    return m_value.has_value();
}

} // namespace torvane
