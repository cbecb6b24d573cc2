#pragma once

#include <functional>

#include <QUndoCommand>

namespace torvane {

// One edit of the document on the undo stack. Its first redo runs the edit (which may ask the user
// through its dialogs and messages); when that changed nothing the command makes itself obsolete
// and the stack drops it. Later undo and redo replay the stored change without asking.
class EditStepCommand final : public QUndoCommand {
public:
    struct Steps {
        std::function<bool()> run;  // the edit; false when it changed nothing
        std::function<void()> undo;
        std::function<void()> redo;
    };

    EditStepCommand(const QString& text, Steps steps);

    void undo() override;
    void redo() override;

private:
    Steps m_steps;
    bool m_done = false;  // the edit ran once; later redos replay it
};

} // namespace torvane
