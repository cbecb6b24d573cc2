#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "editing/forms/choice_tables.h"
#include "editing/forms/dialog_values.h"
#include "util/user_prompts.h"

namespace torvane {

// What the controls of an edit dialog hold, shared by the program, satellite and TP forms: each
// edit's text, each list's selected row, whether a control is enabled, the control a failed check
// put the focus on, and how the dialog ended. Control is the form's enum of its controls, numbered
// 0 … count − 1.
template <typename Control, std::size_t kCount>
class FormState {
public:
    // An edit's text (empty for a list).
    const std::string& Text(Control control) const { return m_texts[Index(control)]; }
    // A list's selected row, or nothing.
    std::optional<int> Selection(Control control) const { return m_rows[Index(control)]; }
    bool IsEnabled(Control control) const { return m_enabled[Index(control)]; }
    // The edit that got the focus, with its whole text selected, after a check failed.
    std::optional<Control> Focus() const { return m_focus; }

    void Cancel() { m_outcome = DialogOutcome::Cancelled; }
    void CloseBox() { m_outcome = DialogOutcome::Closed; }
    DialogOutcome Outcome() const { return m_outcome; }

protected:
    static std::size_t Index(Control control) { return static_cast<std::size_t>(control); }

    // Selects row of a list with choices; a row the list does not have selects nothing.
    void SelectRow(Control control, std::optional<int> row, std::span<const Choice> choices)
    {
        if (row && (*row < 0 || static_cast<std::size_t>(*row) >= choices.size()))
            row.reset();
        m_rows[Index(control)] = row;
    }
    // The value of the list's selected row among its choices, or nothing.
    std::optional<int> SelectedValue(Control control, std::span<const Choice> choices) const
    {
        const std::optional<int> row = m_rows[Index(control)];
        if (!row || static_cast<std::size_t>(*row) >= choices.size())
            return std::nullopt;
        return choices[static_cast<std::size_t>(*row)].value;
    }

    // The controls as the dialog resource creates them: empty, nothing selected, all enabled.
    void ClearControls()
    {
        m_texts.fill(std::string());
        m_rows.fill(std::nullopt);
        m_enabled.fill(true);
        m_focus.reset();
    }

    // A failed check: its message, and the focus where it belongs (nowhere for some checks).
    bool Refuse(UserPrompts& prompts, std::string_view message, std::optional<Control> focus)
    {
        prompts.Message(message);
        m_focus = focus;
        return false;
    }

    bool Accept()
    {
        m_outcome = DialogOutcome::Accepted;
        return true;
    }

    std::array<std::string, kCount> m_texts;
    std::array<std::optional<int>, kCount> m_rows;
    std::array<bool, kCount> m_enabled{};
    std::optional<Control> m_focus;
    DialogOutcome m_outcome = DialogOutcome::Cancelled;
};

} // namespace torvane
