#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "store/choice_tables.h"
#include "store/dialog_values.h"

namespace torvane {

class NodeStore;
struct TreeNodeInfo;

// The controls of the TP dialog from top to bottom.
enum class TpControl : int {
    Name,          // edit 1027, always disabled: the record's label
    Frequency,     // edit 1026
    Polarization,  // drop-down list 1024
    SymbolRate,    // edit 1025
};
inline constexpr int kTpControlCount = 4;

// The "TP Information" dialog without its widgets, working on the navigator record of a TP.
// For a new TP the navigator has put the satellite's sat_id and the TP's place (a provisional
// number, in the record's tp_id) into the record.
class TpForm final {
public:
    static constexpr std::string_view kCaption = "TP Information";

    // Opens the dialog on record: new mode makes it a TP record labelled "[ n ]  TP_0_H_0" from
    // its provisional number; edit mode loads the node of the record's slot.
    TpForm(NodeStore& store, TreeNodeInfo& record, FormMode mode);

    FormMode Mode() const { return m_mode; }
    TreeNodeInfo& Record() const { return m_record; }

    static std::string_view Label(TpControl control);
    static bool IsList(TpControl control) { return control == TpControl::Polarization; }
    static std::span<const Choice> Choices(TpControl control);
    const std::string& Text(TpControl control) const;
    std::optional<int> Selection(TpControl control) const;
    bool IsEnabled(TpControl control) const { return control != TpControl::Name; }
    std::optional<TpControl> Focus() const { return m_focus; }

    void EditText(TpControl control, std::string_view text);
    void Select(TpControl control, std::optional<int> row);

    void Reset();
    // The checks on OK in order; true, with the outcome Accepted, when they pass.
    bool Ok();
    void Cancel() { m_outcome = DialogOutcome::Cancelled; }
    void CloseBox() { m_outcome = DialogOutcome::Closed; }
    DialogOutcome Outcome() const { return m_outcome; }

    // The label the values give: the "TP Name" text before its first "TP", then "TP_f_H_s" or
    // "TP_f_V_s" (V unless the selected polarisation is 0; H when the layout has no pol).
    std::string CandidateLabel() const;

    // With the outcome Accepted: in new mode a TP node and a tp_id are taken (when there is no
    // room: "AllocNode for TP failed", nothing written, false), then the node's fields are written
    // through write-if-changed and the record's label set.
    bool Commit();

private:
    static std::size_t Index(TpControl control) { return static_cast<std::size_t>(control); }
    std::optional<int> ReadValue(std::string_view field) const;
    void Open();
    bool Refuse(std::string_view message, std::optional<TpControl> focus);
    void Write(std::string_view field, std::int64_t value);

    NodeStore& m_store;
    TreeNodeInfo& m_record;
    FormMode m_mode;
    std::array<std::string, kTpControlCount> m_texts;
    std::optional<int> m_polarization;
    std::optional<TpControl> m_focus;
    DialogOutcome m_outcome = DialogOutcome::Cancelled;
};

} // namespace torvane
