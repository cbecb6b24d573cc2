#include "ui/dialogs/move_information_dialog.h"

namespace torvane {

MoveInformationDialog::MoveInformationDialog(const MoveInformation& prompt, UserPrompts& prompts, QWidget* parent)
    : NumberPromptDialog(MoveInformation::kCaption, MoveInformation::kLabel, prompt.InitialText(), parent),
      m_prompt(prompt),
      m_prompts(prompts)
{
}

bool MoveInformationDialog::Take(std::string_view text)
{
    m_value = m_prompt.Accept(text, m_prompts);
    return m_value.has_value();
}

} // namespace torvane
