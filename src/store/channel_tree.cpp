#include "store/channel_tree.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace torvane {

namespace {

// The part of a TP label from its values on; the whole label when it has no number in front.
std::string_view FromTp(std::string_view label)
{
    const std::size_t at = TpLabelValuesAt(label);
    return at != std::string_view::npos ? label.substr(at) : label;
}

std::string_view TrimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// What Restore recognises an item by: a satellite or TP by its slot, another item by its kind.
std::uint64_t KeyOf(TreeKind kind, std::int32_t slot)
{
    const bool node = kind == TreeKind::Satellite || kind == TreeKind::Tp;
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(kind)) << 32
        | (node ? static_cast<std::uint32_t>(slot) : 0u);
}

std::uint64_t KeyOf(const TreeItemState& entry)
{
    return KeyOf(entry.treeKind, entry.slot);
}

// The entry after the one at `at` and its descendants.
std::size_t SkipSubtree(const TreeState& state, std::size_t at)
{
    std::size_t next = at + 1;
    for (int c = 0; c < state[at].childCount && next < state.size(); ++c)
        next = SkipSubtree(state, next);
    return next;
}

// The entries of the children of the entry at parent.
std::vector<std::size_t> ChildEntries(const TreeState& state, std::size_t parent)
{
    std::vector<std::size_t> children;
    std::size_t at = parent + 1;
    for (int c = 0; c < state[parent].childCount && at < state.size(); ++c) {
        children.push_back(at);
        at = SkipSubtree(state, at);
    }
    return children;
}

} // namespace

ChannelTree::ChannelTree()
{
    m_root.m_isHiddenRoot = true;
}

void ChannelTree::AddObserver(ChannelTreeObserver* observer)
{
    m_observers.Add(observer);
}

void ChannelTree::RemoveObserver(ChannelTreeObserver* observer)
{
    m_observers.Remove(observer);
}

const TreeItem* ChannelTree::ParentForObservers(const TreeItem* parent) const
{
    return parent == &m_root ? nullptr : parent;
}

TreeItem* ChannelTree::FindRoot(TreeKind kind) const
{
    for (const auto& item : m_root.m_children) {
        if (item->m_info && item->m_info->treeKind == kind)
            return item.get();
    }
    return nullptr;
}

TreeItem* ChannelTree::ItemOf(const TreeNodeInfo& record) const
{
    const TreeItem* parent = record.parent ? record.parent : &m_root;
    for (const auto& child : parent->m_children) {
        if (child->m_info.get() == &record)
            return child.get();
    }
    return nullptr;
}

TreeItem* ChannelTree::AddTopLevel(std::unique_ptr<TreeNodeInfo> info)
{
    if (!info)
        return nullptr;
    info->parent = nullptr;
    return AddChild(&m_root, std::move(info));
}

TreeItem* ChannelTree::AddChild(TreeItem* parent, std::unique_ptr<TreeNodeInfo> info)
{
    if (!parent || !info)
        return nullptr;
    if (parent != &m_root)
        info->parent = parent;
    auto item = std::make_unique<TreeItem>();
    item->m_info = std::move(info);
    item->m_parent = parent;
    const int row = parent->ChildCount();
    const TreeItem* observed = ParentForObservers(parent);
    m_observers.Notify([&](ChannelTreeObserver& o) { o.ItemsAboutToBeInserted(observed, row, row); });
    TreeItem* added = parent->m_children.emplace_back(std::move(item)).get();
    m_observers.Notify([&](ChannelTreeObserver& o) { o.ItemsInserted(observed, row, row); });
    return added;
}

void ChannelTree::Remove(TreeItem* item)
{
    if (!item || !item->m_parent)
        return;
    TreeItem* parent = item->m_parent;
    const int row = item->Row();
    if (row < 0)
        return;
    const TreeItem* observed = ParentForObservers(parent);
    m_observers.Notify([&](ChannelTreeObserver& o) { o.ItemsAboutToBeRemoved(observed, row, row); });
    parent->m_children.erase(parent->m_children.begin() + row);
    m_observers.Notify([&](ChannelTreeObserver& o) { o.ItemsRemoved(observed, row, row); });
}

void ChannelTree::Clear()
{
    m_observers.Notify([](ChannelTreeObserver& o) { o.AboutToBeReset(); });
    m_root.m_children.clear();
    m_observers.Notify([](ChannelTreeObserver& o) { o.WasReset(); });
}

void ChannelTree::MoveChild(TreeItem* parent, int from, int destination)
{
    auto& children = parent->m_children;
    const TreeItem* observed = ParentForObservers(parent);
    m_observers.Notify([&](ChannelTreeObserver& o) { o.ItemsAboutToBeMoved(observed, from, from, destination); });
    const auto at = children.begin();
    if (destination > from)
        std::rotate(at + from, at + from + 1, at + destination);
    else
        std::rotate(at + destination, at + from, at + from + 1);
    m_observers.Notify([&](ChannelTreeObserver& o) { o.ItemsMoved(observed, from, from, destination); });
}

bool ChannelTree::ExchangeSiblings(TreeItem* first, TreeItem* second)
{
    if (!first || !second || first == second || first->m_parent != second->m_parent || !first->m_parent)
        return false;
    TreeItem* parent = first->m_parent;
    auto& siblings = parent->m_children;
    std::vector<std::int32_t> positions(siblings.size());
    for (std::size_t i = 0; i < siblings.size(); ++i)
        positions[i] = static_cast<std::int32_t>(i);
    const int a = std::min(first->Row(), second->Row());
    const int b = std::max(first->Row(), second->Row());
    std::swap(positions[static_cast<std::size_t>(a)], positions[static_cast<std::size_t>(b)]);
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i]->m_info)
            siblings[i]->m_info->siblingPosition = positions[i];
    }
    // As a view counts it: the later one moves before the earlier one, which then moves to where
    // the later one was.
    MoveChild(parent, b, a);
    if (b > a + 1)
        MoveChild(parent, a + 1, b + 1);
    return true;
}

void ChannelTree::SetLabel(TreeItem* item, std::string label)
{
    if (!item || !item->m_info || item->m_info->label == label)
        return;
    item->m_info->label = std::move(label);
    m_observers.Notify([item](ChannelTreeObserver& o) { o.ItemChanged(item); });
}

void ChannelTree::RenumberTpLabels(TreeItem* satellite)
{
    if (!satellite || satellite->ChildCount() == 0 || !satellite->m_info
        || satellite->m_info->treeKind != TreeKind::Satellite)
        return;
    int k = 1;
    for (const auto& child : satellite->m_children) {
        const int number = k++;
        if (!child->m_info)
            continue;
        const std::string& label = child->m_info->label;
        const std::size_t at = TpLabelValuesAt(label);
        if (at != std::string::npos)
            SetLabel(child.get(), TpLabelNumber(number) + label.substr(at));
    }
}

void ChannelTree::SetPrograms(TreeItem* item, ProgramList programs)
{
    if (item && item->m_info)
        item->m_info->programs = std::move(programs);
}

bool ChannelTree::SetProgram(TreeItem* item, int index, std::int32_t slot)
{
    return item && item->m_info && item->m_info->programs.Set(index, slot);
}

bool ChannelTree::InsertProgram(TreeItem* item, int index, std::int32_t slot)
{
    return item && item->m_info && item->m_info->programs.Insert(index, slot);
}

void ChannelTree::AppendProgram(TreeItem* item, std::int32_t slot)
{
    if (item && item->m_info)
        item->m_info->programs.Append(slot);
}

TreeState ChannelTree::Snapshot() const
{
    TreeState state;
    const auto visit = [&state](auto& self, const TreeItem& item) -> void {
        const TreeNodeInfo& info = *item.m_info;
        state.push_back({info.treeKind, info.siblingPosition, info.satId, info.tpId, info.slot, info.programs,
                         info.label, item.ChildCount()});
        for (const auto& child : item.m_children)
            self(self, *child);
    };
    for (const auto& item : m_root.m_children)
        visit(visit, *item);
    return state;
}

void ChannelTree::Restore(const TreeState& state)
{
    std::vector<std::size_t> top;
    for (std::size_t at = 0; at < state.size(); at = SkipSubtree(state, at))
        top.push_back(at);
    RestoreChildren(&m_root, state, top);
}

void ChannelTree::RestoreChildren(TreeItem* parent, const TreeState& state, const std::vector<std::size_t>& children)
{
    auto& current = parent->m_children;
    // Each key stands for its first entry; a child takes it at most once.
    std::unordered_map<std::uint64_t, std::size_t> wanted;
    for (std::size_t at : children)
        wanted.emplace(KeyOf(state[at]), at);
    std::unordered_set<std::uint64_t> kept;
    std::vector<bool> keep(current.size());
    for (std::size_t i = 0; i < current.size(); ++i) {
        const std::uint64_t key = KeyOf(current[i]->m_info->treeKind, current[i]->m_info->slot);
        keep[i] = wanted.contains(key) && kept.insert(key).second;
    }
    for (std::size_t i = current.size(); i-- > 0;) {
        if (!keep[i])
            Remove(current[i].get());
    }

    const auto isKept = [&](std::size_t at) {
        const std::uint64_t key = KeyOf(state[at]);
        return kept.contains(key) && wanted.at(key) == at;
    };
    std::size_t row = 0;
    for (std::size_t at : children) {
        if (!isKept(at))
            continue;
        const std::uint64_t key = KeyOf(state[at]);
        std::size_t from = row;
        while (KeyOf(current[from]->m_info->treeKind, current[from]->m_info->slot) != key)
            ++from;
        if (from != row)
            MoveChild(parent, static_cast<int>(from), static_cast<int>(row));
        ++row;
    }

    row = 0;
    for (std::size_t at : children) {
        if (!isKept(at)) {
            InsertFromState(parent, static_cast<int>(row++), state, at);
            continue;
        }
        TreeItem* item = current[row++].get();
        const TreeItemState& entry = state[at];
        TreeNodeInfo& info = *item->m_info;
        info.siblingPosition = entry.siblingPosition;
        info.satId = entry.satId;
        info.tpId = entry.tpId;
        info.programs = entry.programs;
        SetLabel(item, entry.label);
        RestoreChildren(item, state, ChildEntries(state, at));
    }
}

void ChannelTree::InsertFromState(TreeItem* parent, int row, const TreeState& state, std::size_t at)
{
    const auto make = [&state, this](auto& self, TreeItem* owner, std::size_t entryAt) -> std::unique_ptr<TreeItem> {
        const TreeItemState& entry = state[entryAt];
        auto info = std::make_unique<TreeNodeInfo>();
        *info = {entry.treeKind, entry.siblingPosition, entry.satId, entry.tpId, entry.slot, entry.programs,
                 entry.label, owner == &m_root ? nullptr : owner};
        auto item = std::make_unique<TreeItem>();
        item->m_info = std::move(info);
        item->m_parent = owner;
        for (std::size_t child : ChildEntries(state, entryAt))
            item->m_children.push_back(self(self, item.get(), child));
        return item;
    };
    std::unique_ptr<TreeItem> item = make(make, parent, at);
    const TreeItem* observed = ParentForObservers(parent);
    m_observers.Notify([&](ChannelTreeObserver& o) { o.ItemsAboutToBeInserted(observed, row, row); });
    parent->m_children.insert(parent->m_children.begin() + row, std::move(item));
    m_observers.Notify([&](ChannelTreeObserver& o) { o.ItemsInserted(observed, row, row); });
}

TreeItem* ChannelTree::ItemAt(int index) const
{
    int at = 0;
    const auto visit = [&](auto& self, TreeItem* item) -> TreeItem* {
        if (at++ == index)
            return item;
        for (const auto& child : item->m_children) {
            if (TreeItem* found = self(self, child.get()))
                return found;
        }
        return nullptr;
    };
    for (const auto& item : m_root.m_children) {
        if (TreeItem* found = visit(visit, item.get()))
            return found;
    }
    return nullptr;
}

int ChannelTree::IndexOf(const TreeItem* item) const
{
    int at = 0;
    const auto visit = [&](auto& self, const TreeItem* candidate) -> bool {
        if (candidate == item)
            return true;
        ++at;
        for (const auto& child : candidate->m_children) {
            if (self(self, child.get()))
                return true;
        }
        return false;
    };
    for (const auto& top : m_root.m_children) {
        if (item && visit(visit, top.get()))
            return at;
    }
    return -1;
}

bool ChannelTree::HasDuplicateLabel(const TreeItem* parent, std::string_view candidate, bool tpMode,
                                    const TreeNodeInfo* editing)
{
    if (!parent)
        return false;
    const std::string_view wanted = TrimBlanks(tpMode ? FromTp(candidate) : candidate);
    for (const auto& child : parent->m_children) {
        const TreeNodeInfo* info = child->m_info.get();
        if (!info || info == editing)
            continue;
        const std::string_view label = TrimBlanks(tpMode ? FromTp(info->label) : std::string_view(info->label));
        if (wanted.empty() || wanted == label)
            return true;
    }
    return false;
}

bool ChannelTree::OwnsItsId(const TreeItem* item)
{
    const TreeNodeInfo* info = item ? item->Info() : nullptr;
    if (!info || !item->Parent() || (info->treeKind != TreeKind::Satellite && info->treeKind != TreeKind::Tp))
        return false;
    const bool satellite = info->treeKind == TreeKind::Satellite;
    for (int i = 0; item->Parent()->Child(i) != item; ++i) {
        const TreeNodeInfo* sibling = item->Parent()->Child(i)->Info();
        if (sibling && sibling->treeKind == info->treeKind
            && (satellite ? sibling->satId == info->satId : sibling->tpId == info->tpId))
            return false;
    }
    return true;
}

} // namespace torvane
