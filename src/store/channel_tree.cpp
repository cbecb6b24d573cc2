#include "store/channel_tree.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace torvane {

namespace {

// The part of a TP label from "TP" on, when "TP" stands after the first character.
std::string_view FromTp(std::string_view label)
{
    const auto at = label.find("TP");
    return at != std::string_view::npos && at > 0 ? label.substr(at) : label;
}

std::string_view TrimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

std::string FormatTpLabel(int number, int frequency, int polarisation, int symbolRate)
{
    char text[64];
    std::snprintf(text, sizeof text, polarisation == 0 ? "[ %d ]  TP_%d_H_%d" : "[ %d ]  TP_%d_V_%d", number,
                  frequency, symbolRate);
    return text;
}

ChannelTree::ChannelTree()
{
    m_root.m_isHiddenRoot = true;
}

void ChannelTree::AddObserver(ChannelTreeObserver* observer)
{
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void ChannelTree::RemoveObserver(ChannelTreeObserver* observer)
{
    std::erase(m_observers, observer);
}

template <typename Call>
void ChannelTree::Notify(Call call)
{
    for (ChannelTreeObserver* observer : m_observers)
        call(*observer);
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
    Notify([&](ChannelTreeObserver& o) { o.ItemsAboutToBeInserted(observed, row, row); });
    TreeItem* added = parent->m_children.emplace_back(std::move(item)).get();
    Notify([&](ChannelTreeObserver& o) { o.ItemsInserted(observed, row, row); });
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
    Notify([&](ChannelTreeObserver& o) { o.ItemsAboutToBeRemoved(observed, row, row); });
    parent->m_children.erase(parent->m_children.begin() + row);
    Notify([&](ChannelTreeObserver& o) { o.ItemsRemoved(observed, row, row); });
}

void ChannelTree::Clear()
{
    Notify([](ChannelTreeObserver& o) { o.AboutToBeReset(); });
    m_root.m_children.clear();
    Notify([](ChannelTreeObserver& o) { o.WasReset(); });
}

void ChannelTree::MoveChild(TreeItem* parent, int from, int destination)
{
    auto& children = parent->m_children;
    const TreeItem* observed = ParentForObservers(parent);
    Notify([&](ChannelTreeObserver& o) { o.ItemsAboutToBeMoved(observed, from, from, destination); });
    const auto at = children.begin();
    if (destination > from)
        std::rotate(at + from, at + from + 1, at + destination);
    else
        std::rotate(at + destination, at + from, at + from + 1);
    Notify([&](ChannelTreeObserver& o) { o.ItemsMoved(observed, from, from, destination); });
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
    Notify([item](ChannelTreeObserver& o) { o.ItemChanged(item); });
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
        const auto at = label.find("TP");
        if (at == std::string::npos || at == 0)
            continue;
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "[ %d ]  ", number);
        SetLabel(child.get(), prefix + label.substr(at));
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

} // namespace torvane
