#include "editing/lists/apply_order.h"

#include <utility>

#include "editing/organise/service_order.h"
#include "store/node_store.h"

namespace torvane {

std::vector<std::string> ApplyOrderSummary::Lines() const
{
    std::vector<std::string> lines = {
        "Matched by service ID: " + std::to_string(matchedById),
        "Matched by name: " + std::to_string(matchedByName),
        "Not in the reference: " + std::to_string(notInReference),
        "Only in the reference: " + std::to_string(onlyInReference.size()),
    };
    for (const std::string& service : onlyInReference)
        lines.push_back("    " + service);
    return lines;
}

ApplyOrderPlan::ApplyOrderPlan(ServiceTable document, ServiceTable reference)
    : m_document(std::move(document)), m_reference(std::move(reference)),
      m_pairing(PairServices(m_document.services, m_reference.services))
{
    m_summary.matchedById = m_pairing.Count(MatchKind::ById);
    m_summary.matchedByName = m_pairing.Count(MatchKind::ByName);
    for (const auto& partner : m_pairing.ofFirst)
        m_summary.notInReference += partner ? 0 : 1;
    for (std::size_t j = 0; j < m_reference.services.size(); ++j) {
        const ServiceRecord& service = m_reference.services[j];
        if (!m_pairing.ofSecond[j])
            m_summary.onlyInReference.push_back(service.satellite + "  " + service.TpText() + "  " + service.name);
    }
}

void ApplyOrderPlan::Apply(NodeStore& store, const ApplyOrderOptions& options) const
{
    std::vector<std::int32_t> slots;
    slots.reserve(m_document.services.size());
    for (std::size_t j = 0; j < m_reference.services.size(); ++j) {
        if (!m_pairing.ofSecond[j])
            continue;
        const ServiceRecord& reference = m_reference.services[j];
        const int slot = m_document.services[m_pairing.ofSecond[j]->index].slot;
        slots.push_back(slot);
        if (options.copyFavorites && reference.favorite)
            store.WriteNamedIfChanged(NodeKind::Program, slot, "Favorite Group", std::to_string(*reference.favorite));
        if (options.copyNames && !reference.name.empty())
            store.WriteNamedIfChanged(NodeKind::Program, slot, "Service Name", reference.name);
    }
    for (std::size_t i = 0; i < m_document.services.size(); ++i) {
        if (!m_pairing.ofFirst[i])
            slots.push_back(m_document.services[i].slot);
    }
    ReorderServices(store, slots);
}

} // namespace torvane
