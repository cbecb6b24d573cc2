#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "editing/forms/choice_tables.h"
#include "editing/forms/dialog_values.h"
#include "editing/forms/form_record.h"
#include "editing/forms/form_state.h"

namespace torvane {

class NodeStore;
class TreeItem;
struct TreeNodeInfo;

// The controls of the TP dialog from top to bottom.
enum class TpControl : int {
    Name,          // edit 1027, always disabled: the record's label
    Frequency,     // edit 1026
    Polarization,  // drop-down list 1024
    SymbolRate,    // edit 1025
};
inline constexpr std::size_t kTpControlCount = 4;

// The "TP Information" dialog without its widgets, working on the navigator record of a TP.
// For a new TP the navigator has put the satellite's sat_id and the TP's place (a provisional
// number, in the record's tp_id) into the record.
class TpForm final : public FormState<TpControl, kTpControlCount> {
public:
    static constexpr std::string_view kCaption = "TP Information";
    // The values OK accepts.
    static constexpr int kLowestFrequency = 3000;
    static constexpr int kHighestFrequency = 13450;
    static constexpr int kLowestSymbolRate = 1000;
    static constexpr int kHighestSymbolRate = 45000;

    // New mode: the record becomes a TP record labelled "[ n ]  TP_0_H_0" from its provisional
    // number.
    TpForm(NodeStore& store, TreeNodeInfo& newRecord);
    // Edit mode on an item with a record: the node of its slot is loaded.
    TpForm(NodeStore& store, TreeItem& item);

    FormMode Mode() const { return m_record.Mode(); }
    const TreeNodeInfo& Record() const { return m_record.Get(); }

    static std::string_view Label(TpControl control);
    static bool IsList(TpControl control) { return control == TpControl::Polarization; }
    static std::span<const Choice> Choices(TpControl control);

    void EditText(TpControl control, std::string_view text);
    void Select(TpControl control, std::optional<int> row);

    void Reset();
    // The checks on OK in order; true, with the outcome Accepted, when they pass.
    bool Ok();

    // The label the values give: the "TP Name" text before its first "TP", then "TP_f_H_s" or
    // "TP_f_V_s" (V unless the selected polarisation is 0; H when the layout has no pol).
    std::string CandidateLabel() const;

    // With the outcome Accepted: in new mode a TP node and a tp_id are taken (when there is no
    // room: "AllocNode for TP failed", nothing written, false), then the node's fields are written
    // through write-if-changed and the record's label set.
    bool Commit();

private:
    std::optional<int> ReadValue(std::string_view field) const;
    // The value of the selected polarisation row, or nothing.
    std::optional<int> SelectedPolarization() const;
    void Open();
    void Write(std::string_view field, std::int64_t value);

    NodeStore& m_store;
    FormRecord m_record;
};

} // namespace torvane
