#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editing/forms/choice_tables.h"
#include "editing/forms/dialog_values.h"
#include "editing/forms/form_record.h"
#include "editing/forms/form_state.h"

namespace torvane {

class NodeStore;
class TreeItem;
struct TreeNodeInfo;

// The controls of the satellite dialog from top to bottom.
enum class SatelliteControl : int {
    Name,             // edit 1008
    LnbType,          // drop-down list 1012
    FirstFrequency,   // drop-down list 1013
    SecondFrequency,  // drop-down list 1014
    Position,         // edit 1010
    Longitude,        // edit 1019
    EastWest,         // drop-down list 1009
    Diseqc,           // drop-down list 1015
    K22,              // drop-down list 1016
    Voltage,          // drop-down list 1017
    Toneburst,        // drop-down list 1018
};
inline constexpr std::size_t kSatelliteControlCount = 11;

// The "Satellite Information" dialog without its widgets, working on the navigator record of a
// satellite: values in user terms (LNB frequencies as lists, the orbital position as degrees east
// or west, DiSEqC as port over number of ports), the reactions to the user's changes, the checks
// on OK and, once the window is gone, the creation (new mode) and writing of the node. Fields the
// template does not declare are neither read nor written.
class SatelliteForm final : public FormState<SatelliteControl, kSatelliteControlCount> {
public:
    static constexpr std::string_view kCaption = "Satellite Information";
    static constexpr std::string_view kNewName = "New Satellite";
    static constexpr int kNameLength = 17;
    static constexpr std::string_view kLongitudeHint = "###.#";

    // New mode: the record becomes a satellite record labelled "New Satellite" and the defaults
    // are shown.
    SatelliteForm(NodeStore& store, TreeNodeInfo& newRecord);
    // Edit mode on an item with a record: the node of its slot is loaded.
    SatelliteForm(NodeStore& store, TreeItem& item);

    FormMode Mode() const { return m_record.Mode(); }
    const TreeNodeInfo& Record() const { return m_record.Get(); }

    static std::string_view Label(SatelliteControl control);
    static bool IsList(SatelliteControl control);
    // The rows a list holds now (the second frequency list may be empty).
    std::span<const Choice> Choices(SatelliteControl control) const;

    // What the user types (the name keeps at most 17 characters) and picks; a new LNB type refills
    // the frequency lists with its usual frequencies.
    void EditText(SatelliteControl control, std::string_view text);
    void Select(SatelliteControl control, std::optional<int> row);

    void Reset();
    // The checks on OK in order; true, with the outcome Accepted, when they pass.
    bool Ok();

    // With the outcome Accepted: in new mode a satellite node and a sat_id are taken (when there
    // is no room: "AllocNode for Satellite failed", nothing written, false), then the record's
    // label and the node's fields are written through write-if-changed.
    bool Commit();

private:
    std::optional<int> ReadValue(std::string_view field) const;
    std::optional<int> SelectedValue(SatelliteControl control) const;

    void Open();
    void SetDefaults();
    void Load();
    // The frequency list filled with its twelve rows and row selected (nothing when not found).
    void Refill(SatelliteControl list, std::optional<int> row);
    void EmptySecondList();
    void Write(std::string_view field, std::int64_t value);

    // A number the commit writes: the control it comes from, the field and the value.
    struct FieldValue {
        SatelliteControl control;
        std::string_view field;
        std::int64_t value;
    };
    // The numbers the commit writes from the controls, in writing order.
    std::vector<FieldValue> FieldValues() const;
    // The refusal of the first value that does not fit its field (focus on its control), or true.
    bool CheckWidths();

    NodeStore& m_store;
    FormRecord m_record;
    bool m_secondListFilled = false;
};

} // namespace torvane
