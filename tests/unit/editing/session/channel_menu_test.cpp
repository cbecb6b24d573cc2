#include "editing/session/channel_menu.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/tree_node_info.h"

namespace torvane {
namespace {

using Commands = std::vector<ChannelCommand>;

const Commands kMenuCommands = {ChannelCommand::Edit,   ChannelCommand::MoveUp, ChannelCommand::MoveDown,
                                ChannelCommand::MoveTo, ChannelCommand::Switch, ChannelCommand::Insert,
                                ChannelCommand::Delete};

TEST(ChannelContextMenu, EntriesInOrderWithTheirKeyNames)
{
    struct Expected {
        std::string caption;
        int id;
    };
    const std::vector<Expected> expected = {
        {"Edit Channel          Enter", 32784}, {"", 0}, {"Move Up                 -", 32786},
        {"Move Down            +", 32787},      {"Move Channel", 32788}, {"Switch Channel", 32789}, {"", 0},
        {"Insert Channel       Insert", 32782}, {"Delete Channel    Delete", 32785},
    };
    const auto menu = ChannelContextMenu();
    ASSERT_EQ(menu.size(), expected.size());
    for (std::size_t i = 0; i < menu.size(); ++i) {
        EXPECT_EQ(menu[i].caption, expected[i].caption) << i;
        EXPECT_EQ(menu[i].commandId, expected[i].id) << i;
        EXPECT_EQ(menu[i].IsSeparator(), expected[i].id == 0) << i;
    }
}

struct MenuCase {
    const char* name;
    std::optional<TreeKind> kind;  // nothing: no tree item selected
    int selectedRow;
    bool clickOnRow;
    int rowCount;
    bool shown;
    Commands enabled;
};

class ChannelMenuGreying : public ::testing::TestWithParam<MenuCase> {};

TEST_P(ChannelMenuGreying, ByTreeKindSelectionAndClick)
{
    const MenuCase& c = GetParam();
    TreeNodeInfo info;
    if (c.kind)
        info.treeKind = *c.kind;
    const MenuState<ChannelCommand> state =
        ChannelContextMenuState(c.kind ? &info : nullptr, c.selectedRow, c.clickOnRow, c.rowCount);
    EXPECT_EQ(state.IsShown(), c.shown);
    Commands enabled;
    for (ChannelCommand command : kMenuCommands) {
        if (state.IsEnabled(command))
            enabled.push_back(command);
    }
    EXPECT_EQ(enabled, c.enabled);
}

using C = ChannelCommand;
const Commands kAll = {C::Edit, C::MoveUp, C::MoveDown, C::MoveTo, C::Switch, C::Insert, C::Delete};

INSTANTIATE_TEST_SUITE_P(
    Clicks, ChannelMenuGreying,
    ::testing::Values(
        MenuCase{"TpMiddleRow", TreeKind::Tp, 2, true, 5, true, kAll},
        MenuCase{"TpFirstRow", TreeKind::Tp, 0, true, 5, true, {C::Edit, C::MoveDown, C::MoveTo, C::Switch, C::Insert, C::Delete}},
        MenuCase{"TpLastRow", TreeKind::Tp, 4, true, 5, true, {C::Edit, C::MoveUp, C::MoveTo, C::Switch, C::Insert, C::Delete}},
        MenuCase{"TpOnlyRow", TreeKind::Tp, 0, true, 1, true, {C::Edit, C::Insert, C::Delete}},
        MenuCase{"TpNoSelection", TreeKind::Tp, -1, true, 5, true, {C::Insert}},
        MenuCase{"TpClickBesideTheRows", TreeKind::Tp, 1, false, 5, true, {C::Insert}},
        MenuCase{"TpEmptyList", TreeKind::Tp, -1, false, 0, true, {C::Insert}},
        MenuCase{"AllServicesMiddleRow", TreeKind::AllServices, 2, true, 5, true,
                 {C::Edit, C::MoveUp, C::MoveDown, C::MoveTo, C::Switch, C::Delete}},
        MenuCase{"SatelliteNoSelection", TreeKind::Satellite, -1, false, 5, true, {}},
        MenuCase{"SatelliteFirstRow", TreeKind::Satellite, 0, true, 2, true, {C::Edit, C::MoveDown, C::MoveTo, C::Switch, C::Delete}},
        MenuCase{"SatelliteRoot", TreeKind::SatelliteRoot, 0, true, 5, false, {}},
        MenuCase{"ReservedOne", TreeKind::Reserved1, 0, true, 5, false, {}},
        MenuCase{"ReservedFive", TreeKind::Reserved5, 0, true, 5, false, {}},
        MenuCase{"NoTreeItem", std::nullopt, 0, true, 5, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct KeyCase {
    const char* name;
    ListKey key;
    std::optional<TreeKind> kind;
    int rowCount;
    std::optional<ChannelCommand> command;
};

class ListKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ListKeys, RunTheirCommandWhereTheListTakesCommands)
{
    const KeyCase& c = GetParam();
    TreeNodeInfo info;
    if (c.kind)
        info.treeKind = *c.kind;
    EXPECT_EQ(ChannelCommandForKey(c.key, c.kind ? &info : nullptr, c.rowCount), c.command);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ListKeys,
    ::testing::Values(KeyCase{"EnterEdits", ListKey::Enter, TreeKind::Tp, 3, C::Edit},
                      KeyCase{"InsertInserts", ListKey::Insert, TreeKind::Tp, 3, C::Insert},
                      KeyCase{"DeleteDeletes", ListKey::Delete, TreeKind::AllServices, 3, C::Delete},
                      KeyCase{"MinusMovesUp", ListKey::KeypadMinus, TreeKind::Satellite, 3, C::MoveUp},
                      KeyCase{"PlusMovesDown", ListKey::KeypadPlus, TreeKind::Tp, 3, C::MoveDown},
                      KeyCase{"SlashFinds", ListKey::KeypadSlash, TreeKind::Tp, 3, C::Find},
                      KeyCase{"F3FindsNext", ListKey::F3, TreeKind::AllServices, 1, C::FindNext},
                      KeyCase{"InsertIgnoredForAllServices", ListKey::Insert, TreeKind::AllServices, 3, std::nullopt},
                      KeyCase{"InsertIgnoredForSatellite", ListKey::Insert, TreeKind::Satellite, 3, std::nullopt},
                      KeyCase{"InsertIgnoredInAnEmptyTpList", ListKey::Insert, TreeKind::Tp, 0, std::nullopt},
                      KeyCase{"NothingInAnEmptyList", ListKey::Enter, TreeKind::AllServices, 0, std::nullopt},
                      KeyCase{"NothingForSatelliteRoot", ListKey::Delete, TreeKind::SatelliteRoot, 3, std::nullopt},
                      KeyCase{"NothingForReservedKind", ListKey::F3, TreeKind::Reserved5, 3, std::nullopt},
                      KeyCase{"NothingWithoutTreeItem", ListKey::Enter, std::nullopt, 3, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ListKeys, EveryKeyIsBoundOnce)
{
    std::vector<ListKey> keys;
    for (const KeyBinding& binding : ChannelKeyBindings())
        keys.push_back(binding.key);
    EXPECT_EQ(keys, (std::vector<ListKey>{ListKey::Enter, ListKey::Insert, ListKey::Delete, ListKey::KeypadMinus,
                                          ListKey::KeypadPlus, ListKey::KeypadSlash, ListKey::F3}));
}

struct ArrowCase {
    bool up;
    int row;
    int rowCount;
    int expected;
};

class ArrowKeys : public ::testing::TestWithParam<ArrowCase> {};

TEST_P(ArrowKeys, MoveTheSelectionWithinTheList)
{
    const ArrowCase& c = GetParam();
    EXPECT_EQ(RowAfterArrow(c.up, c.row, c.rowCount), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ArrowKeys,
                         ::testing::Values(ArrowCase{true, 2, 5, 1}, ArrowCase{true, 0, 5, 0}, ArrowCase{false, 2, 5, 3},
                                           ArrowCase{false, 4, 5, 4}, ArrowCase{false, 0, 1, 0},
                                           ArrowCase{true, -1, 5, -1}, ArrowCase{false, 5, 5, -1},
                                           ArrowCase{true, 0, 0, -1}));

} // namespace
} // namespace torvane
