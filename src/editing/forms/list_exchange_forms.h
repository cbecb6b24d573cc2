#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "editing/lists/apply_order.h"
#include "editing/lists/list_compare.h"

namespace torvane {

// "Apply Order" without its widgets: the summary of what the reference's order does, told before
// OK, and the two options.
class ApplyOrderForm final {
public:
    static constexpr std::string_view kCaption = "Apply Order";
    static constexpr std::string_view kFavoritesLabel = "Also copy favourite groups";
    static constexpr std::string_view kNamesLabel = "Also copy names";

    ApplyOrderForm(ApplyOrderPlan plan, std::string referenceName);

    const ApplyOrderPlan& Plan() const { return m_plan; }
    // "Reference: NAME", then the plan's summary lines.
    std::vector<std::string> SummaryLines() const;

    ApplyOrderOptions& Options() { return m_options; }
    const ApplyOrderOptions& Options() const { return m_options; }

private:
    ApplyOrderPlan m_plan;
    std::string m_referenceName;
    ApplyOrderOptions m_options;
};

// "Compare" without its widgets: the differences between the open list (A) and another (B) in
// three groups, each line a service ("satellite  TP  ID  name") and for a changed service what
// changed ("field: A's value → B's value").
class CompareForm final {
public:
    static constexpr std::string_view kCaption = "Compare";

    struct Group {
        std::string caption;  // "Only in A (n)", "Only in B (n)", "In both, with differences (n)"
        std::vector<std::string> lines;
    };

    CompareForm(const std::vector<ListDifference>& differences, std::string firstName, std::string secondName);

    // "A: NAME" and "B: NAME", or that the lists are equal.
    std::vector<std::string> HeaderLines() const;
    const std::vector<Group>& Groups() const { return m_groups; }

private:
    std::string m_firstName;
    std::string m_secondName;
    std::vector<Group> m_groups;
    bool m_equal = true;
};

} // namespace torvane
