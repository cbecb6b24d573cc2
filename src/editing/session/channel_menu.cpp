#include "editing/session/channel_menu.h"

#include <array>

#include "store/tree_node_info.h"

namespace torvane {

namespace {

using Entry = MenuEntry<ChannelCommand>;

constexpr std::array<Entry, 9> kMenu{{
    {"Edit Channel          Enter", 32784, ChannelCommand::Edit},
    {"", 0, std::nullopt},
    {"Move Up                 -", 32786, ChannelCommand::MoveUp},
    {"Move Down            +", 32787, ChannelCommand::MoveDown},
    {"Move Channel", 32788, ChannelCommand::MoveTo},
    {"Switch Channel", 32789, ChannelCommand::Switch},
    {"", 0, std::nullopt},
    {"Insert Channel       Insert", 32782, ChannelCommand::Insert},
    {"Delete Channel    Delete", 32785, ChannelCommand::Delete},
}};

constexpr std::array<KeyBinding, 7> kKeys{{
    {ListKey::Enter, ChannelCommand::Edit},
    {ListKey::Insert, ChannelCommand::Insert},
    {ListKey::Delete, ChannelCommand::Delete},
    {ListKey::KeypadMinus, ChannelCommand::MoveUp},
    {ListKey::KeypadPlus, ChannelCommand::MoveDown},
    {ListKey::KeypadSlash, ChannelCommand::Find},
    {ListKey::F3, ChannelCommand::FindNext},
}};

// Whether the list takes commands at all for the selected tree item.
bool TakesCommands(const TreeNodeInfo* selection)
{
    if (!selection)
        return false;
    const TreeKind kind = selection->treeKind;
    return kind == TreeKind::AllServices || kind == TreeKind::Satellite || kind == TreeKind::Tp;
}

} // namespace

std::span<const MenuEntry<ChannelCommand>> ChannelContextMenu()
{
    return kMenu;
}

MenuState<ChannelCommand> ChannelContextMenuState(const TreeNodeInfo* treeSelection, int selectedRow, bool clickOnRow,
                                                  int rowCount)
{
    if (!TakesCommands(treeSelection))
        return MenuState<ChannelCommand>::Hidden();
    auto state = MenuState<ChannelCommand>::Shown();
    if (selectedRow >= 0 && clickOnRow) {
        if (rowCount == 1) {
            state.Grey(ChannelCommand::MoveTo);
            state.Grey(ChannelCommand::Switch);
        }
        if (selectedRow == rowCount - 1)
            state.Grey(ChannelCommand::MoveDown);
        if (selectedRow == 0)
            state.Grey(ChannelCommand::MoveUp);
    } else {
        for (const Entry& entry : kMenu) {
            if (entry.command && *entry.command != ChannelCommand::Insert)
                state.Grey(*entry.command);
        }
    }
    if (treeSelection->treeKind != TreeKind::Tp)
        state.Grey(ChannelCommand::Insert);
    return state;
}

std::span<const KeyBinding> ChannelKeyBindings()
{
    return kKeys;
}

std::optional<ChannelCommand> ChannelCommandForKey(ListKey key, const TreeNodeInfo* treeSelection, int rowCount)
{
    if (!TakesCommands(treeSelection) || rowCount <= 0)
        return std::nullopt;
    for (const KeyBinding& binding : kKeys) {
        if (binding.key != key)
            continue;
        if (binding.command == ChannelCommand::Insert && treeSelection->treeKind != TreeKind::Tp)
            return std::nullopt;
        return binding.command;
    }
    return std::nullopt;
}

int RowAfterArrow(bool up, int selectedRow, int rowCount)
{
    if (selectedRow < 0 || selectedRow >= rowCount)
        return -1;
    if (up)
        return selectedRow > 0 ? selectedRow - 1 : selectedRow;
    return selectedRow + 1 < rowCount ? selectedRow + 1 : selectedRow;
}

} // namespace torvane
