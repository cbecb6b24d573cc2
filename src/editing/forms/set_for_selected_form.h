#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "editing/forms/choice_tables.h"
#include "editing/forms/form_state.h"
#include "editing/forms/program_form.h"

namespace torvane {

class NodeStore;
class ServiceList;

// The lists of the "Set for Selected" dialog from top to bottom.
enum class SetForSelectedControl : int { Favorite, Scramble, Factory, Type };
inline constexpr std::size_t kSetForSelectedControlCount = 4;

// The "Set for Selected" dialog without its widgets: the list fields a user sets on many services
// at once, each "unchanged" until a value is picked. OK puts the picked values into the program
// dialog of every selected row, as the user would one row at a time, and runs that dialog's
// checks; Commit then writes every row through the program dialog's commit, so the values meet
// the same checks and writes as there. "Channel Type" can be set only while the list shows TV and
// radio, as the program dialog allows.
class SetForSelectedForm final : public FormState<SetForSelectedControl, kSetForSelectedControlCount> {
public:
    static constexpr std::string_view kCaption = "Set for Selected";
    static constexpr std::string_view kUnchanged = "unchanged";

    // rows: the selected rows of the list.
    SetForSelectedForm(NodeStore& store, ServiceList& list, std::vector<int> rows);
    ~SetForSelectedForm();
    SetForSelectedForm(const SetForSelectedForm&) = delete;
    SetForSelectedForm& operator=(const SetForSelectedForm&) = delete;

    // The program dialog's labels ("Favorite Group", "Scramble", "Factory", "Channel Type").
    static std::string_view Label(SetForSelectedControl control);
    // "unchanged", then the program dialog's rows of that list.
    static std::span<const Choice> Choices(SetForSelectedControl control);
    static bool IsList(SetForSelectedControl) { return true; }

    const std::vector<int>& Rows() const { return m_listRows; }

    // The dialog has no edits.
    void EditText(SetForSelectedControl, std::string_view) {}
    void Select(SetForSelectedControl control, std::optional<int> row);
    // Every list back to "unchanged".
    void Reset();
    // OK: each selected row's program dialog with the picked values must pass its checks. At the
    // first row refused, after that dialog's message, "Row N (\"NAME\"): nothing was set." and the
    // dialog stays open. True, with the outcome Accepted, when every row passed.
    bool Ok();
    // After OK: writes every row as the program dialog writes it and shows the rows again. True
    // when there was a row to write.
    bool Commit();

private:
    NodeStore& m_store;
    ServiceList& m_list;
    std::vector<int> m_listRows;
    // The program dialogs Ok prepared, one per row.
    std::vector<std::unique_ptr<ProgramForm>> m_forms;
};

} // namespace torvane
