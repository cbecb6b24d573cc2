#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "editing/forms/choice_tables.h"
#include "editing/forms/dialog_values.h"
#include "editing/forms/form_state.h"

namespace torvane {

class NodeStore;
class UserPrompts;
struct TreeNodeInfo;
enum class ServiceFilter : int;

// How the program dialog was opened: on a new program at the end of a TP's list, on an existing
// program, or on a new program put in before a row.
enum class ProgramMode : int { Append = 0, Edit = 1, Insert = 2 };

// The controls of the program dialog from top to bottom.
enum class ProgramControl : int {
    Name,       // edit 1029
    Type,       // drop-down list 1030
    ServiceId,  // edit 1040
    VideoPid,   // edit 1031
    AudioPid1,  // edit 1032
    AudioPid2,  // edit 1037
    AudioPid3,  // edit 1038
    PcrPid,     // edit 1033
    Favorite,   // drop-down list 1034
    Scramble,   // drop-down list 1035
    Factory,    // drop-down list 1036
};
inline constexpr std::size_t kProgramControlCount = 11;

// The "Program Information" dialog without its widgets: what each control holds and whether it is
// enabled, the reactions to the user's changes, Reset, the checks on OK and the writing of the
// program when the dialog closes after OK. The window shows the texts and rows, passes every
// change of the user in, and calls Ok / Cancel / CloseBox and, once the window is gone, Commit.
// Fields the template does not declare are neither read nor written.
class ProgramForm final : public FormState<ProgramControl, kProgramControlCount> {
public:
    static constexpr std::string_view kCaption = "Program Information";
    static constexpr int kNameLength = 17;  // characters the name edit takes
    static constexpr std::string_view kNewName = "New Channel";

    // Opens the dialog: the lists filled, the new-service defaults (append, insert) or the values
    // of the program at position of the owner's list (edit), as far as the service list's filter
    // allows. row is the service-list row the dialog was opened on (-1 for append); the form only
    // keeps it for the caller.
    ProgramForm(NodeStore& store, ServiceFilter filter, ProgramMode mode, const TreeNodeInfo& owner, int position,
                int row);

    ProgramMode Mode() const { return m_mode; }
    const TreeNodeInfo& Owner() const { return m_owner; }
    int Position() const { return m_position; }
    int Row() const { return m_row; }

    // The label in front of a control ("Channel Name", "Channel Type", "Service ID", …).
    static std::string_view Label(ProgramControl control);
    // The rows of a drop-down list (empty for an edit).
    static std::span<const Choice> Choices(ProgramControl control);
    static bool IsList(ProgramControl control);

    // A stored program's type changed to type outside the dialog (a spreadsheet's line), as
    // picking it in the list and pressing OK would change it: the video PID that then goes with it
    // (8191 for "Radio", none to write for "TV"), and the refusal "Video Pid: [32,  8190]" of a
    // change to "TV" while the service ID is 0 and the video PID is no TV video PID.
    static std::optional<std::int32_t> VideoPidOfType(std::int32_t type);
    static std::optional<std::string_view> TypeChangeRefusal(std::int32_t type, std::uint32_t serviceId,
                                                             std::int32_t videoPid);

    // What the user types into an edit. The name keeps at most 17 characters; a new service id
    // enables the five PID edits when it reads as 0 and disables them otherwise.
    void EditText(ProgramControl control, std::string_view text);
    // What the user picks in a list. "Radio" as channel type puts 8191 into "Video Pid" and
    // disables it; "TV" enables it and puts in the video PID of the program at the dialog's
    // position when there is one.
    void Select(ProgramControl control, std::optional<int> row);

    // Reset: the values and enabled states of a freshly opened dialog again.
    void Reset();
    // OK: the checks in order, each failure with its message (the dialog stays open). True, with
    // the outcome Accepted, when they all pass.
    bool Ok();
    // The same checks with their message given to prompts instead of the store's (an import
    // that lists refusals rather than showing them).
    bool Ok(UserPrompts& prompts);

    // When the dialog window is gone: with the outcome Accepted, creates the program (append,
    // insert; "AllocNode for Program failed" and nothing written when there is no room) and writes
    // the values into it through write-if-changed. "audio_count" is raised (never lowered) to
    // cover the last audio PID written other than 0. True when the program was written.
    bool Commit();
    // The program the form committed to, or -1.
    int CommittedSlot() const { return m_committedSlot; }

private:
    // The program at the dialog's position of the owner's list, or -1.
    int NodeSlot() const;
    std::optional<std::int32_t> ReadValue(int slot, std::string_view field) const;

    void Open();
    void SetDefaults();
    void LoadFromNode();
    void SetPidEditsEnabled(bool enabled);
    // The choice value of a list's selected row, or nothing.
    std::optional<int> SelectedValue(ProgramControl control) const;
    void WriteNumber(int slot, std::string_view field, std::int64_t value);

    NodeStore& m_store;
    ServiceFilter m_filter;
    ProgramMode m_mode;
    const TreeNodeInfo& m_owner;
    int m_position;
    int m_row;
    int m_committedSlot = -1;
};

} // namespace torvane
