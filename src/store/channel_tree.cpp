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

TreeItem* ChannelTree::FindRoot(TreeKind kind) const
{
    for (const auto& item : m_root.m_children) {
        if (item->m_info && item->m_info->treeKind == kind)
            return item.get();
    }
    return nullptr;
}

TreeItem* ChannelTree::AddTopLevel(std::unique_ptr<TreeNodeInfo> info)
{
    if (!info)
        return nullptr;
    info->parent = nullptr;
    auto item = std::make_unique<TreeItem>();
    item->m_info = std::move(info);
    item->m_parent = &m_root;
    return m_root.m_children.emplace_back(std::move(item)).get();
}

TreeItem* ChannelTree::AddChild(TreeItem* parent, std::unique_ptr<TreeNodeInfo> info)
{
    if (!parent || !info)
        return nullptr;
    info->parent = parent;
    auto item = std::make_unique<TreeItem>();
    item->m_info = std::move(info);
    item->m_parent = parent;
    return parent->m_children.emplace_back(std::move(item)).get();
}

void ChannelTree::Remove(TreeItem* item)
{
    if (!item || !item->m_parent)
        return;
    auto& siblings = item->m_parent->m_children;
    const auto it = std::find_if(siblings.begin(), siblings.end(), [item](const auto& s) { return s.get() == item; });
    if (it != siblings.end())
        siblings.erase(it);
}

void ChannelTree::Clear()
{
    m_root.m_children.clear();
}

bool ChannelTree::ExchangeSiblings(TreeItem* first, TreeItem* second)
{
    if (!first || !second || first == second || first->m_parent != second->m_parent || !first->m_parent)
        return false;
    auto& siblings = first->m_parent->m_children;
    std::vector<std::int32_t> positions(siblings.size());
    for (std::size_t i = 0; i < siblings.size(); ++i)
        positions[i] = static_cast<std::int32_t>(i);
    const auto a = static_cast<std::size_t>(first->Row());
    const auto b = static_cast<std::size_t>(second->Row());
    std::swap(positions[a], positions[b]);
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i]->m_info)
            siblings[i]->m_info->siblingPosition = positions[i];
    }
    std::swap(siblings[a], siblings[b]);
    return true;
}

void ChannelTree::SetLabel(TreeItem* item, std::string label)
{
    if (item && item->m_info)
        item->m_info->label = std::move(label);
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
        child->m_info->label = prefix + label.substr(at);
    }
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
