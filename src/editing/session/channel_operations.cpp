#include "editing/session/channel_operations.h"

#include <algorithm>
#include <vector>

#include "document/document_capacity.h"
#include "store/node_store.h"
#include "store/service_list.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

bool IsTp(const TreeNodeInfo* info)
{
    return info && info->treeKind == TreeKind::Tp;
}

} // namespace

ChannelOperations::ChannelOperations(NodeStore& store, ServiceList& list) : m_store(store), m_list(list)
{
}

const ListRowInfo* ChannelOperations::OwnedRow(int row) const
{
    const ListRowInfo* info = m_list.RowInfo(row);
    return info && info->owner ? info : nullptr;
}

void ChannelOperations::ShowCurrent()
{
    m_list.ShowList(m_list.CurrentItem());
}

// --- Edit, insert, append ------------------------------------------------------------------------

std::unique_ptr<ProgramForm> ChannelOperations::BeginEdit()
{
    const int row = m_list.SelectedRow();
    const ListRowInfo* info = OwnedRow(row);
    if (!info)
        return nullptr;
    return std::make_unique<ProgramForm>(m_store, m_list.Filter(), ProgramMode::Edit, *info->owner, info->position,
                                         row);
}

std::unique_ptr<ProgramForm> ChannelOperations::BeginInsert()
{
    const int row = m_list.SelectedRow();
    if (row < 0)
        return BeginAppend();
    const ListRowInfo* info = OwnedRow(row);
    if (!info || !IsTp(info->owner) || (m_capacity && !m_capacity->Admit(NodeKind::Program)))
        return nullptr;
    return std::make_unique<ProgramForm>(m_store, m_list.Filter(), ProgramMode::Insert, *info->owner,
                                         info->position, row);
}

std::unique_ptr<ProgramForm> ChannelOperations::BeginAppend()
{
    const int row = m_list.SelectedRow();
    const TreeNodeInfo* owner = nullptr;
    if (row >= 0) {
        const ListRowInfo* info = OwnedRow(row);
        owner = info ? info->owner : nullptr;
    } else if (TreeItem* current = m_list.CurrentItem()) {
        owner = current->Info();
    }
    if (!IsTp(owner) || (m_capacity && !m_capacity->Admit(NodeKind::Program)))
        return nullptr;
    return std::make_unique<ProgramForm>(m_store, m_list.Filter(), ProgramMode::Append, *owner,
                                         owner->programs.Size(), -1);
}

bool ChannelOperations::Finish(ProgramForm& form)
{
    if (!form.Commit())
        return false;
    const TreeNodeInfo& owner = form.Owner();
    if (form.Mode() == ProgramMode::Edit) {
        m_list.RefreshRow(form.Position(), form.Row(), &owner);
        return true;
    }
    // The satellite's list no longer holds all its programs: it is built again when next needed.
    m_store.Tree().SetPrograms(owner.parent, ProgramList{});
    ShowCurrent();
    m_store.SetModified(true);
    return true;
}

// --- Delete --------------------------------------------------------------------------------------

void ChannelOperations::Delete(std::span<const int> rows)
{
    std::vector<int> unique(rows.begin(), rows.end());
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    std::vector<const ListRowInfo*> infos;
    for (int row : unique)
        infos.push_back(m_list.RowInfo(row));
    DeletePrograms(infos);
}

void ChannelOperations::DeletePrograms(std::span<const ListRowInfo* const> rows)
{
    ChannelTree& tree = m_store.Tree();
    const TreeNodeInfo* owner = nullptr;
    bool deleted = false;
    for (const ListRowInfo* info : rows) {
        std::string_view failure;
        if (!info)
            failure = "del failed 1";
        else if (!info->owner)
            failure = "del failed 2";
        else if (info->position >= info->owner->programs.Count())
            failure = "del failed 3";
        else if (info->owner->programs.Count() == 0)
            failure = "del failed 4";
        else if (info->position < 0)
            failure = "del failed 3";
        if (!failure.empty()) {
            m_store.Prompts().Message(failure);
            // What was released stays released; it is a change all the same.
            if (deleted)
                m_store.SetModified(true);
            return;
        }
        owner = info->owner;
        const std::int32_t slot = owner->programs.At(info->position);
        if (slot == -1)
            continue;
        m_store.FreeNode(NodeKind::Program, slot);
        tree.SetProgram(tree.ItemOf(*owner), info->position, -1);
        deleted = true;
    }
    if (!deleted)
        return;

    m_store.CompactOrders();
    std::vector<std::int32_t> remaining;
    for (int p = 0; p < owner->programs.Count(); ++p) {
        if (owner->programs.At(p) != -1)
            remaining.push_back(owner->programs.At(p));
    }
    tree.SetPrograms(tree.ItemOf(*owner), ProgramList::Of(remaining));
    tree.SetPrograms(tree.FindRoot(TreeKind::AllServices), m_store.BuildAllServicesList());
    ShowCurrent();
    m_store.SetModified(true);
}

// --- Moves ---------------------------------------------------------------------------------------

bool ChannelOperations::ExchangeRows(int first, int second)
{
    const ListRowInfo* a = OwnedRow(first);
    const ListRowInfo* b = OwnedRow(second);
    if (!a || !b || a->owner != b->owner)
        return false;
    const ProgramList& list = a->owner->programs;
    const std::int32_t slotA = list.At(a->position);
    const std::int32_t slotB = list.At(b->position);
    if (!m_store.SwapOrders(slotA, slotB))
        return false;
    TreeItem* owner = m_store.Tree().ItemOf(*a->owner);
    m_store.Tree().SetProgram(owner, a->position, slotB);
    m_store.Tree().SetProgram(owner, b->position, slotA);
    return true;
}

void ChannelOperations::MoveUp()
{
    const int r = m_list.SelectedRow();
    if (r <= 0 || m_list.RowCount() < 2)
        return;
    const ListRowInfo* below = OwnedRow(r);
    const ListRowInfo* above = OwnedRow(r - 1);
    if (!below || !above || below->owner->programs.Count() == 0 || r >= below->owner->programs.Count())
        return;
    const TreeNodeInfo* owner = below->owner;
    const int first = above->position;
    const int last = below->position;
    if (!ExchangeRows(r, r - 1))
        return;
    m_list.RefreshRows(first, last, r - 1, owner);
    m_list.SelectRow(r - 1);
    m_store.SetModified(true);
}

void ChannelOperations::MoveDown()
{
    const int r = m_list.SelectedRow();
    if (r < 0 || m_list.RowCount() <= 1 || r >= m_list.RowCount() - 1)
        return;
    const ListRowInfo* above = OwnedRow(r);
    const ListRowInfo* below = OwnedRow(r + 1);
    if (!above || !below || r >= above->owner->programs.Count() - 1)
        return;
    const TreeNodeInfo* owner = above->owner;
    const int first = above->position;
    const int last = below->position;
    if (!ExchangeRows(r, r + 1))
        return;
    m_list.RefreshRows(first, last, r, owner);
    m_list.SelectRow(r + 1);
    m_store.SetModified(true);
}

std::optional<IndexPrompt> ChannelOperations::IndexPromptFor(std::string_view caption) const
{
    if (m_list.SelectedRow() < 0 || m_list.RowCount() == 0)
        return std::nullopt;
    IndexPrompt prompt;
    prompt.caption = std::string(caption);
    return prompt;
}

std::optional<IndexPrompt> ChannelOperations::BeginMoveTo() const
{
    return IndexPromptFor(IndexPrompt::kMoveCaption);
}

std::optional<IndexPrompt> ChannelOperations::BeginSwitch() const
{
    return IndexPromptFor(IndexPrompt::kSwitchCaption);
}

std::optional<std::pair<int, int>> ChannelOperations::CheckTarget(int target) const
{
    const int selected = m_list.SelectedRow();
    if (selected < 0 || m_list.RowCount() == 0)
        return std::nullopt;
    if (target < 1 || target > m_list.RowCount()) {
        m_store.Prompts().Message("Invalid index");
        return std::nullopt;
    }
    if (target == selected + 1) {
        m_store.Prompts().Message("Same to index selected");
        return std::nullopt;
    }
    const ListRowInfo* from = OwnedRow(selected);
    const ListRowInfo* to = OwnedRow(target - 1);
    if (!from || !to || from->owner != to->owner)
        return std::nullopt;
    return std::pair{selected, target - 1};
}

void ChannelOperations::MoveTo(int target)
{
    const std::optional<std::pair<int, int>> rows = CheckTarget(target);
    if (!rows)
        return;
    const auto [selected, targetRow] = *rows;
    const TreeNodeInfo* owner = m_list.RowInfo(selected)->owner;
    const ProgramList& list = owner->programs;
    const int from = m_list.RowInfo(selected)->position;
    const int to = m_list.RowInfo(targetRow)->position;
    const int low = std::min(from, to);
    const int high = std::max(from, to);

    // The range gives its numbers out again in ascending order; they are checked before anything
    // moves, so that a clash leaves the list and the numbers as they were.
    std::vector<std::int16_t> orders;
    for (int p = low; p <= high; ++p) {
        const std::optional<std::int16_t> order = m_store.OrderOf(list.At(p));
        if (!order)
            return;
        orders.push_back(*order);
    }
    std::sort(orders.begin(), orders.end());
    if (std::adjacent_find(orders.begin(), orders.end()) != orders.end()) {
        m_store.Prompts().Message("Order Error!");
        return;
    }

    ChannelTree& tree = m_store.Tree();
    TreeItem* item = tree.ItemOf(*owner);
    const std::int32_t moved = list.At(from);
    const int step = from < to ? 1 : -1;
    for (int p = from; p != to; p += step)
        tree.SetProgram(item, p, list.At(p + step));
    tree.SetProgram(item, to, moved);
    for (int p = low; p <= high; ++p)
        m_store.SetOrder(list.At(p), orders[static_cast<std::size_t>(p - low)]);

    m_list.RefreshRows(low, high, std::min(selected, targetRow), owner);
    m_list.SelectRow(targetRow);
    m_store.SetModified(true);
}

void ChannelOperations::SwitchWith(int target)
{
    const std::optional<std::pair<int, int>> rows = CheckTarget(target);
    if (!rows)
        return;
    const auto [selected, targetRow] = *rows;
    const TreeNodeInfo* owner = m_list.RowInfo(selected)->owner;
    const int a = m_list.RowInfo(selected)->position;
    const int b = m_list.RowInfo(targetRow)->position;
    if (!ExchangeRows(selected, targetRow))
        return;
    m_list.RefreshRows(std::min(a, b), std::max(a, b), std::min(selected, targetRow), owner);
    m_list.SelectRow(targetRow);
    m_store.SetModified(true);
}

} // namespace torvane
