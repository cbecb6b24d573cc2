#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "document/document_capacity.h"
#include "editing/session/channel_operations.h"
#include "editing/session/navigator_commands.h"
#include "editing/session/service_finder.h"
#include "editing/session/undo_history.h"

namespace torvane {

class Document;
class TreeItem;

// What ExecuteWhole did.
enum class StepResult {
    Made,       // the edit changed the document: one step
    Unchanged,  // nothing changed: no step
    Refused,    // the edit could not be carried out whole: the document is as before, no step
};

// What a window (or torvane-cli's edit) drives for the one open document: the channel
// operations, the navigator commands and the finder, started afresh whenever a document is
// opened or closed, and the undo history. Every edit runs through Execute as one step; Undo and
// Redo bring the document back to the state before or after a step exactly (the region a save
// would write, the tree with its labels and program lists, the order numbers, the id pools, the
// modified flag) and show the item and row that were shown then, never asking the user anything.
class EditSession final {
public:
    explicit EditSession(Document& document);
    EditSession(const EditSession&) = delete;
    EditSession& operator=(const EditSession&) = delete;
    ~EditSession();

    Document& GetDocument() { return m_document; }
    ChannelOperations& Operations() { return *m_operations; }
    NavigatorCommands& Navigator() { return *m_navigator; }
    ServiceFinder& Finder() { return m_finder; }
    // What the document's file can still take; the commands that add records ask it.
    const DocumentCapacity& Capacity() const { return m_capacity; }

    // The open command (Document::Open, with its questions); the session starts afresh whether
    // it succeeded or not.
    bool Open(const std::string& path);
    // Close-document; the session starts afresh unless a wanted save failed (the document is
    // then kept, and so is the history).
    bool Close();
    // Starts afresh on what the document holds now: new commands, find state and history, the
    // current state the clean point.
    void Reset();

    // The navigator's selection: the item becomes current and the list shows it.
    void SelectItem(TreeItem* item);
    // The navigator's Delete: the item with everything below it, then the item the navigator
    // selects next (the next sibling, else the previous one, else the parent) is shown, so that no
    // row of the list stands for a released record. The item shown, or nullptr.
    TreeItem* DeleteItem(TreeItem* item);

    // Runs one edit as one undo step labelled text (e.g. "Move Channel"). False when it changed
    // nothing of the document: no step is made.
    bool Execute(std::string_view text, const std::function<void()>& edit);
    // The same for an edit that may find partway that it cannot be carried out whole (it answers
    // false): the document, its tree and list are then brought back to the state before it.
    StepResult ExecuteWhole(std::string_view text, const std::function<bool()>& edit);
    bool CanUndo() const { return m_history.CanUndo(); }
    bool CanRedo() const { return m_history.CanRedo(); }
    // The text of the step Undo / Redo would pass over; empty when there is none.
    std::string UndoText() const;
    std::string RedoText() const;
    // Nothing happens when there is nothing to undo / redo.
    void Undo();
    void Redo();

    // A save marks the clean point; undoing or redoing away from it makes the document modified.
    bool IsClean() const { return m_history.IsClean(); }
    void SetClean();
    int StepLimit() const { return UndoHistory::kStepLimit; }
    const UndoHistory& History() const { return m_history; }

private:
    EditState Capture(const EditState* previous) const;
    void Apply(const EditState& state);

    Document& m_document;
    DocumentCapacity m_capacity;
    std::unique_ptr<ChannelOperations> m_operations;
    std::unique_ptr<NavigatorCommands> m_navigator;
    ServiceFinder m_finder;
    UndoHistory m_history;
    // The state last captured or brought back, whose unchanged parts the next capture shares.
    std::optional<EditState> m_last;
};

} // namespace torvane
