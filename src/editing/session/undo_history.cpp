#include "editing/session/undo_history.h"

#include <utility>

namespace torvane {

void UndoHistory::Clear()
{
    m_steps.clear();
    m_position = 0;
    m_clean = 0;
    m_bytes = 0;
    m_dropped = 0;
}

void UndoHistory::Push(UndoStep step)
{
    while (Count() > m_position) {
        m_bytes -= m_steps.back().bytes;
        m_steps.pop_back();
    }
    if (m_clean && *m_clean > m_position)
        m_clean.reset();
    // Before and after each hold what the command changed.
    const std::size_t bytes = 2 * step.after.store.BytesNotSharedWith(step.before.store);
    m_steps.push_back({std::move(step), bytes});
    m_bytes += bytes;
    ++m_position;
    while (Count() > 1 && (Count() > kStepLimit || m_bytes > kByteBudget))
        DropOldest();
}

void UndoHistory::DropOldest()
{
    m_bytes -= m_steps.front().bytes;
    m_steps.pop_front();
    --m_position;
    ++m_dropped;
    if (m_clean)
        m_clean = *m_clean > 0 ? std::optional<int>(*m_clean - 1) : std::nullopt;
}

const UndoStep* UndoHistory::NextUndo() const
{
    return CanUndo() ? &m_steps[static_cast<std::size_t>(m_position - 1)].step : nullptr;
}

const UndoStep* UndoHistory::NextRedo() const
{
    return CanRedo() ? &m_steps[static_cast<std::size_t>(m_position)].step : nullptr;
}

const UndoStep& UndoHistory::StepBack()
{
    --m_position;
    return m_steps[static_cast<std::size_t>(m_position)].step;
}

const UndoStep& UndoHistory::StepForward()
{
    ++m_position;
    return m_steps[static_cast<std::size_t>(m_position - 1)].step;
}

void UndoHistory::SetClean()
{
    m_clean = m_position;
    // Step i leads from position i to position i + 1.
    for (int i = 0; i < Count(); ++i) {
        UndoStep& step = m_steps[static_cast<std::size_t>(i)].step;
        step.before.store.modified = i != m_position;
        step.after.store.modified = i + 1 != m_position;
    }
}

} // namespace torvane
