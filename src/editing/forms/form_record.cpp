#include "editing/forms/form_record.h"

#include "store/channel_tree.h"

namespace torvane {

FormRecord::FormRecord(ChannelTree& tree, TreeItem& item) : m_record(*item.Info()), m_tree(&tree), m_item(&item)
{
}

void FormRecord::SetLabel(std::string label)
{
    if (m_new)
        m_new->label = std::move(label);
    else
        m_tree->SetLabel(m_item, std::move(label));
}

} // namespace torvane
