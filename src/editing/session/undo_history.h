#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

#include "store/store_state.h"

namespace torvane {

// A moment of the open document as undo and redo bring it back: the store's content and what the
// window showed (the current item by its index in the navigator order, the selected row).
struct EditState {
    StoreState store;
    int currentItem = -1;
    int selectedRow = -1;
};

// One command: the document before and after it.
struct UndoStep {
    std::string text;
    EditState before;
    EditState after;
};

// The steps of an edit session and where the session stands among them: the steps before the
// position can be undone, the ones after it (undone) redone until a new step replaces them.
// Memory is bounded: at most kStepLimit steps, and the oldest steps go while the bytes the steps
// hold of their own (pages of the region, tables, pools and trees that a command changed) exceed
// kByteBudget. A full region is 640 KiB, so even a hundred steps that each rewrite all of it stay
// within the budget's order.
class UndoHistory final {
public:
    static constexpr int kStepLimit = 100;
    static constexpr std::size_t kByteBudget = std::size_t{48} << 20;

    // No steps; the position is the clean point.
    void Clear();
    // Adds a step at the position (dropping the steps after it) and moves past it.
    void Push(UndoStep step);

    bool CanUndo() const { return m_position > 0; }
    bool CanRedo() const { return m_position < Count(); }
    // The step Undo / Redo would pass over, or nullptr.
    const UndoStep* NextUndo() const;
    const UndoStep* NextRedo() const;
    // Moves back over the step to undo / forward over the step to redo and answers it; the
    // caller checks CanUndo / CanRedo first.
    const UndoStep& StepBack();
    const UndoStep& StepForward();

    // The clean point is where the document was last saved (or opened). A step that leaves the
    // clean point unreachable (the steps after it replaced, or the step before it dropped) makes
    // the history never clean again until the next SetClean.
    bool IsClean() const { return m_clean == m_position; }
    // Marks the position as saved: its state gets the modified flag cleared, as the document's
    // own flag was, and every other state the flag set, since it differs from what was saved.
    void SetClean();

    int Count() const { return static_cast<int>(m_steps.size()); }
    // Steps dropped at the front to keep the limits since the last Clear: undo no longer reaches
    // the state before them.
    int Dropped() const { return m_dropped; }
    int Position() const { return m_position; }
    std::size_t Bytes() const { return m_bytes; }

private:
    struct Entry {
        UndoStep step;
        std::size_t bytes = 0;
    };

    void DropOldest();

    std::deque<Entry> m_steps;
    int m_position = 0;
    std::optional<int> m_clean = 0;
    std::size_t m_bytes = 0;
    int m_dropped = 0;
};

} // namespace torvane
