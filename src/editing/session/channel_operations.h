#pragma once

#include <memory>
#include <optional>
#include <span>

#include "editing/forms/index_prompt.h"
#include "editing/forms/program_form.h"

namespace torvane {

class DocumentCapacity;
class NodeStore;
class ServiceList;
struct ListRowInfo;

// The editing commands of the service list: edit, insert, append, delete, move up, move down,
// move to a row and switch with a row. They work on the rows the list shows (its selected row,
// or the rows given for delete) and keep the order numbers in step with the list order. Each sets
// the modified flag when it changed something, and only then.
//
// Commands that open a dialog come in two steps: Begin… answers what to show (nothing when the
// command does nothing), and the window, once the dialog closed, hands the answer back.
class ChannelOperations final {
public:
    ChannelOperations(NodeStore& store, ServiceList& list);
    // Insert and append are refused, with the limit said, when the document's file can take no
    // more programs (no check without a capacity).
    void SetCapacity(const DocumentCapacity* capacity) { m_capacity = capacity; }

    // Edit: the program dialog in edit mode on the selected row's program; nullptr without a
    // selected row.
    std::unique_ptr<ProgramForm> BeginEdit();
    // Insert: the program dialog in insert mode at the selected row's position when the row
    // belongs to a TP; with no selected row, Append.
    std::unique_ptr<ProgramForm> BeginInsert();
    // Append: the program dialog in append mode at the end of the list of the selected row's
    // owner, or with no selected row of the current tree item; nullptr unless that is a TP.
    std::unique_ptr<ProgramForm> BeginAppend();
    // After the program dialog closed: commits the form, then for edit rewrites its row, for
    // insert and append drops the satellite's list and shows the current item again. True when
    // the program was written.
    bool Finish(ProgramForm& form);

    // Delete: the programs of the given rows (the selected ones). A row without a record ends the
    // command with "del failed 1" (see DeletePrograms).
    void Delete(std::span<const int> rows);
    // The same on the rows' records: for each in turn "del failed 1" (no record), "del failed 2"
    // (no owner), "del failed 3" (position outside the owner's list), "del failed 4" (the owner
    // has no list) end the command at once; the programs before stay deleted. After the last one
    // the order numbers are closed up, the owner's list and the "All Services" list rebuilt and
    // the current item shown again.
    void DeletePrograms(std::span<const ListRowInfo* const> rows);

    // Move up / down: the selected row's program changes places and order numbers with the one in
    // the row above / below; the selection follows it.
    void MoveUp();
    void MoveDown();

    // Move to row: the index prompt to show, or nothing without a selection or with an empty list.
    std::optional<IndexPrompt> BeginMoveTo() const;
    // The selected row's program moves to row target (1-based); the programs it passes move one
    // place towards where it was, and the programs of that range take their order numbers again
    // in ascending order. "Invalid index" outside 1 … row count, "Same to index selected" for the
    // selected row, "Order Error!" (nothing changed) when two of them share a number.
    void MoveTo(int target);

    // Switch with row: as BeginMoveTo with the caption "Switch Service Information".
    std::optional<IndexPrompt> BeginSwitch() const;
    // The selected row's program and the one of row target (1-based) exchange places and order
    // numbers; the same messages as MoveTo.
    void SwitchWith(int target);

private:
    // The record of a row with an owner, or nullptr.
    const ListRowInfo* OwnedRow(int row) const;
    // Checks the target of a move or switch; the selected row and the target's row when good.
    std::optional<std::pair<int, int>> CheckTarget(int target) const;
    std::optional<IndexPrompt> IndexPromptFor(std::string_view caption) const;
    // Exchanges the programs of two rows of one owner, entries and order numbers.
    bool ExchangeRows(int first, int second);
    void ShowCurrent();

    NodeStore& m_store;
    ServiceList& m_list;
    const DocumentCapacity* m_capacity = nullptr;
};

} // namespace torvane
