#include "editing/forms/list_exchange_forms.h"

#include <utility>

namespace torvane {

ApplyOrderForm::ApplyOrderForm(ApplyOrderPlan plan, std::string referenceName)
    : m_plan(std::move(plan)), m_referenceName(std::move(referenceName))
{
}

std::vector<std::string> ApplyOrderForm::SummaryLines() const
{
    std::vector<std::string> lines = {"Reference: " + m_referenceName};
    const std::vector<std::string> summary = m_plan.Summary().Lines();
    lines.insert(lines.end(), summary.begin(), summary.end());
    return lines;
}

CompareForm::CompareForm(const std::vector<ListDifference>& differences, std::string firstName,
                         std::string secondName)
    : m_firstName(std::move(firstName)), m_secondName(std::move(secondName)),
      m_groups{{"Only in A", {}}, {"Only in B", {}}, {"In both, with differences", {}}}
{
    // Differences arrive grouped by satellite and TP, a changed service's fields together.
    const ListDifference* previous = nullptr;
    for (const ListDifference& difference : differences) {
        Group& group = m_groups[static_cast<std::size_t>(difference.kind)];
        const bool sameService = previous && previous->kind == difference.kind
            && previous->satellite == difference.satellite && previous->tp == difference.tp
            && previous->serviceId == difference.serviceId && previous->name == difference.name;
        if (!sameService)
            group.lines.push_back(difference.satellite + "  " + difference.tp + "  " + difference.serviceId + "  "
                                  + difference.name);
        if (difference.kind == DifferenceKind::Changed)
            group.lines.back() += (sameService ? "; " : ":  ") + difference.field + ": " + difference.first
                + " \u2192 " + difference.second;
        previous = &difference;
    }
    m_equal = differences.empty();
    for (Group& group : m_groups)
        group.caption += " (" + std::to_string(group.lines.size()) + ")";
}

std::vector<std::string> CompareForm::HeaderLines() const
{
    std::vector<std::string> lines = {"A: " + m_firstName, "B: " + m_secondName};
    if (m_equal)
        lines.push_back("The lists are equal.");
    return lines;
}

} // namespace torvane
