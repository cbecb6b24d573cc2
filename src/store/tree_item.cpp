#include "store/tree_item.h"

namespace torvane {

const std::string& TreeItem::Label() const
{
    static const std::string kNoLabel;
    return m_info ? m_info->label : kNoLabel;
}

TreeItem* TreeItem::Parent() const
{
    return m_parent && !m_parent->m_isHiddenRoot ? m_parent : nullptr;
}

TreeItem* TreeItem::Child(int n) const
{
    return n >= 0 && n < ChildCount() ? m_children[static_cast<std::size_t>(n)].get() : nullptr;
}

int TreeItem::Row() const
{
    if (!m_parent)
        return -1;
    const auto& siblings = m_parent->m_children;
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == this)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace torvane
