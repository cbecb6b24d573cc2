#pragma once

#include <optional>
#include <span>

#include "editing/session/context_menu.h"

namespace torvane {

struct TreeNodeInfo;

// The commands of the service list.
enum class ChannelCommand { Edit, MoveUp, MoveDown, MoveTo, Switch, Insert, Append, Delete, Find, FindNext };

// The service list's context menu (resource 140, popup "dummy") in order. Append (command 32783)
// has no entry: Insert with no selected row appends.
std::span<const MenuEntry<ChannelCommand>> ChannelContextMenu();

// What the context menu looks like for a right click: treeSelection is the record of the tree
// item selected in the navigator (nullptr for none), selectedRow the first selected row (-1 for
// none), clickOnRow whether the click hit a row. No menu for the tree kinds 1, 2 and 5 (and
// without a tree selection); with a row selected and clicked: Move to and Switch greyed when the
// list has one row, Move down on the last row, Move up on the first; otherwise everything but
// Insert greyed; Insert greyed for "All Services" and satellites.
MenuState<ChannelCommand> ChannelContextMenuState(const TreeNodeInfo* treeSelection, int selectedRow, bool clickOnRow,
                                                  int rowCount);

// The keys the list handles.
enum class ListKey { Enter, Insert, Delete, KeypadMinus, KeypadPlus, KeypadSlash, F3 };

struct KeyBinding {
    ListKey key;
    ChannelCommand command;
};

// Enter edits, Insert inserts, Delete deletes, keypad minus / plus move up / down, keypad slash
// finds and F3 finds the next.
std::span<const KeyBinding> ChannelKeyBindings();

// The command a key runs, or nothing: keys do nothing when no tree item is selected, for the tree
// kinds 1, 2 and 5, or when the list is empty; Insert does nothing for "All Services" and
// satellites.
std::optional<ChannelCommand> ChannelCommandForKey(ListKey key, const TreeNodeInfo* treeSelection, int rowCount);

// The row an arrow key leaves selected (alone): the one above or below, or the same row on the
// first / last row; -1 when nothing is selected or the list is empty.
int RowAfterArrow(bool up, int selectedRow, int rowCount);

} // namespace torvane
