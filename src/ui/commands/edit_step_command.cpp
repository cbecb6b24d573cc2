#include "ui/commands/edit_step_command.h"

namespace torvane {

EditStepCommand::EditStepCommand(const QString& text, Steps steps) : QUndoCommand(text), m_steps(std::move(steps))
{
}

void EditStepCommand::undo()
{
    m_steps.undo();
}

void EditStepCommand::redo()
{
    if (m_done) {
        m_steps.redo();
        return;
    }
    m_done = true;
    if (!m_steps.run())
        setObsolete(true);
}

} // namespace torvane
