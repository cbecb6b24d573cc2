#include "editing/organise/row_filter.h"

#include "editing/organise/name_collation.h"
#include "store/node_store.h"
#include "store/service_list.h"
#include "store/tree_node_info.h"

namespace torvane {

void RowFilter::SetText(std::string_view text)
{
    m_text = std::string(text);
    m_folded = FoldName(text);
    // Only a plain decimal number is taken as a service ID.
    m_id.reset();
    if (!text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string_view::npos) {
        const std::uint64_t value = std::stoull(std::string(text));
        if (value <= UINT32_MAX)
            m_id = static_cast<std::uint32_t>(value);
    }
}

const RowFilter::RowKey& RowFilter::KeyOf(const ServiceList& list, int row) const
{
    if (m_rows.size() != static_cast<std::size_t>(list.RowCount()))
        m_rows.assign(static_cast<std::size_t>(list.RowCount()), std::nullopt);
    std::optional<RowKey>& key = m_rows[static_cast<std::size_t>(row)];
    if (!key) {
        key.emplace();
        const ListRowInfo* info = list.RowInfo(row);
        const std::int32_t slot = info && info->owner ? info->owner->programs.At(info->position) : -1;
        if (slot >= 0) {
            key->name = FoldName(m_store.ReadNamedText(NodeKind::Program, slot, "Service Name").value_or(""));
            if (const std::optional<int> id = m_store.ReadNamedNumber(NodeKind::Program, slot, "Service ID"))
                key->id = static_cast<std::uint32_t>(*id);
        }
    }
    return *key;
}

bool RowFilter::Passes(const ServiceList& list, int row) const
{
    if (m_text.empty())
        return true;
    if (row < 0 || row >= list.RowCount())
        return false;
    const RowKey& key = KeyOf(list, row);
    return (m_id && key.id == m_id) || key.name.find(m_folded) != std::u16string::npos;
}

} // namespace torvane
