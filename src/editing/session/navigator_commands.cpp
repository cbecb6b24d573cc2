#include "editing/session/navigator_commands.h"

#include <array>
#include <vector>

#include "database/database_image.h"
#include "document/document_capacity.h"
#include "store/node_store.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

using Entry = MenuEntry<NavigatorCommand>;

constexpr std::array<Entry, 11> kMenu{{
    {"Edit ", 32774, NavigatorCommand::Edit},
    {"", 0, std::nullopt},
    {"Add  Information", 32775, NavigatorCommand::Add},
    {"Delete Information", 32776, NavigatorCommand::Delete},
    {"", 0, std::nullopt},
    {"Move Up", 32777, NavigatorCommand::MoveUp},
    {"Move Down", 32778, NavigatorCommand::MoveDown},
    {"Move Information", 32779, NavigatorCommand::MoveTo},
    {"", 0, std::nullopt},
    {"Update TPs from Table\u2026", 32780, NavigatorCommand::UpdateTpsFromTable},
    {"Add Satellite from Table\u2026", 32781, NavigatorCommand::AddSatelliteFromTable},
}};

TreeKind KindOf(const TreeItem* item)
{
    return item->Info()->treeKind;
}

bool HasRecord(const TreeItem* item)
{
    return item && item->Info();
}

} // namespace

std::span<const MenuEntry<NavigatorCommand>> NavigatorContextMenu()
{
    return kMenu;
}

MenuState<NavigatorCommand> NavigatorContextMenuState(const TreeItem* item)
{
    if (!HasRecord(item))
        return MenuState<NavigatorCommand>::Hidden();
    auto state = MenuState<NavigatorCommand>::Shown();
    switch (KindOf(item)) {
    case TreeKind::SatelliteRoot:
        for (NavigatorCommand command : {NavigatorCommand::Edit, NavigatorCommand::Delete, NavigatorCommand::MoveUp,
                                         NavigatorCommand::MoveDown, NavigatorCommand::MoveTo,
                                         NavigatorCommand::UpdateTpsFromTable})
            state.Grey(command);
        return state;
    case TreeKind::Satellite:
    case TreeKind::Tp: {
        state.Grey(NavigatorCommand::AddSatelliteFromTable);
        if (KindOf(item) == TreeKind::Tp) {
            state.Grey(NavigatorCommand::Add);
            state.Grey(NavigatorCommand::UpdateTpsFromTable);
        }
        const int index = item->IndexInParent();
        const int siblings = item->Parent() ? item->Parent()->ChildCount() : 0;
        if (index == 0)
            state.Grey(NavigatorCommand::MoveUp);
        if (index == siblings - 1)
            state.Grey(NavigatorCommand::MoveDown);
        if (siblings == 1)
            state.Grey(NavigatorCommand::MoveTo);
        return state;
    }
    default:
        return MenuState<NavigatorCommand>::Hidden();
    }
}

// --- NavigatorDialog -----------------------------------------------------------------------------

NavigatorDialog::NavigatorDialog(NodeStore& store, TreeItem& item, std::unique_ptr<TreeNodeInfo> newRecord)
    : m_item(item), m_newRecord(std::move(newRecord))
{
    const bool satellite =
        m_newRecord ? KindOf(&item) == TreeKind::SatelliteRoot : KindOf(&item) == TreeKind::Satellite;
    if (satellite)
        m_satellite = m_newRecord ? std::make_unique<SatelliteForm>(store, *m_newRecord)
                                  : std::make_unique<SatelliteForm>(store, item);
    else
        m_tp = m_newRecord ? std::make_unique<TpForm>(store, *m_newRecord) : std::make_unique<TpForm>(store, item);
}

NavigatorDialog::~NavigatorDialog() = default;

const TreeNodeInfo& NavigatorDialog::Record() const
{
    return m_newRecord ? *m_newRecord : *m_item.Info();
}

// --- NavigatorCommands ---------------------------------------------------------------------------

NavigatorCommands::NavigatorCommands(NodeStore& store) : m_store(store)
{
}

std::unique_ptr<NavigatorDialog> NavigatorCommands::BeginAdd(TreeItem* selected)
{
    if (!HasRecord(selected))
        return nullptr;
    auto record = std::make_unique<TreeNodeInfo>();
    record->parent = selected;
    switch (KindOf(selected)) {
    case TreeKind::SatelliteRoot:
        if (m_capacity && !m_capacity->Admit(NodeKind::Satellite))
            return nullptr;
        break;
    case TreeKind::Satellite:
        if (m_capacity && !m_capacity->Admit(NodeKind::Tp))
            return nullptr;
        record->satId = selected->Info()->satId;
        // The new TP's place, shown in its label until it gets its tp_id.
        record->tpId = selected->ChildCount() + 1;
        break;
    default:
        return nullptr;
    }
    return std::make_unique<NavigatorDialog>(m_store, *selected, std::move(record));
}

std::unique_ptr<NavigatorDialog> NavigatorCommands::BeginEdit(TreeItem* selected)
{
    if (!HasRecord(selected) || (KindOf(selected) != TreeKind::Satellite && KindOf(selected) != TreeKind::Tp))
        return nullptr;
    return std::make_unique<NavigatorDialog>(m_store, *selected, nullptr);
}

TreeItem* NavigatorCommands::Finish(NavigatorDialog& dialog)
{
    const bool committed = dialog.m_satellite ? dialog.m_satellite->Commit() : dialog.m_tp->Commit();
    if (!committed)
        return nullptr;
    if (!dialog.IsAdd())
        return &dialog.m_item;
    TreeItem* item = m_store.Tree().AddChild(&dialog.m_item, std::move(dialog.m_newRecord));
    m_store.SetModified(true);
    return item;
}

void NavigatorCommands::RefreshProgramLists(TreeItem* item)
{
    const TreeNodeInfo* info = item->Info();
    if (!info || (info->treeKind != TreeKind::Satellite && info->treeKind != TreeKind::Tp))
        return;
    std::vector<std::int32_t> programs;
    const TableHeader* table = m_store.Image().Table(NodeKind::Program);
    // A twin that shares its id with an earlier sibling owns nothing, as when the tree was built.
    const bool owner = ChannelTree::OwnsItsId(item);
    for (int slot = 0; table && owner && slot < table->slotCount; ++slot) {
        if (m_store.ShowsProgram(*info, slot))
            programs.push_back(slot);
    }
    m_store.Tree().SetPrograms(item, ProgramList::Of(programs));
    for (int i = 0; i < item->ChildCount(); ++i)
        RefreshProgramLists(item->Child(i));
}

TreeItem* NavigatorCommands::Delete(TreeItem* item)
{
    if (!HasRecord(item) || (KindOf(item) != TreeKind::Satellite && KindOf(item) != TreeKind::Tp))
        return nullptr;
    const TreeKind kind = KindOf(item);
    TreeItem* parent = item->Parent();
    const int index = item->IndexInParent();
    TreeItem* next = nullptr;
    if (parent)
        next = parent->Child(index + 1) ? parent->Child(index + 1) : (index > 0 ? parent->Child(index - 1) : parent);

    RefreshProgramLists(item);
    m_store.DeleteItem(item);
    // The nodes are gone either way, so the document has changed even when the labels cannot be
    // renumbered.
    m_store.SetModified(true);
    if (kind == TreeKind::Tp) {
        if (!parent)
            m_store.Prompts().Message("Sat item : 0x0");
        else
            m_store.Tree().RenumberTpLabels(parent);
    }
    return next;
}

bool NavigatorCommands::Exchange(TreeItem* item, TreeItem* sibling)
{
    if (!m_store.Tree().ExchangeSiblings(item, sibling))
        return false;
    m_store.Tree().RenumberTpLabels(item->Parent());
    m_store.SetModified(true);
    return true;
}

bool NavigatorCommands::MoveUp(TreeItem* item)
{
    if (!HasRecord(item) || !item->Parent())
        return false;
    return Exchange(item, item->Parent()->Child(item->IndexInParent() - 1));
}

bool NavigatorCommands::MoveDown(TreeItem* item)
{
    if (!HasRecord(item) || !item->Parent())
        return false;
    return Exchange(item, item->Parent()->Child(item->IndexInParent() + 1));
}

std::optional<MoveInformation> NavigatorCommands::BeginMoveTo(const TreeItem* item) const
{
    if (!HasRecord(item) || !item->Parent())
        return std::nullopt;
    return MoveInformation{};
}

bool NavigatorCommands::MoveTo(TreeItem* item, std::uint32_t number)
{
    if (!HasRecord(item) || !item->Parent())
        return false;
    TreeItem* parent = item->Parent();
    const std::int64_t targetIndex = static_cast<std::int64_t>(number) - 1;
    TreeItem* target = targetIndex >= 0 && targetIndex < parent->ChildCount()
        ? parent->Child(static_cast<int>(targetIndex))
        : nullptr;
    if (!target) {
        m_store.Prompts().Message("Target doesn't exist!");
        return false;
    }
    const int goal = target->IndexInParent();
    bool moved = false;
    while (item->IndexInParent() != goal) {
        const int step = item->IndexInParent() < goal ? 1 : -1;
        if (!m_store.Tree().ExchangeSiblings(item, parent->Child(item->IndexInParent() + step)))
            break;
        moved = true;
    }
    if (!moved)
        return false;
    m_store.Tree().RenumberTpLabels(parent);
    m_store.SetModified(true);
    return true;
}

} // namespace torvane
