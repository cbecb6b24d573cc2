#pragma once

#include <algorithm>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace torvane {

// One entry of a popup menu: its text and command id, or a separator (no command).
template <typename Command>
struct MenuEntry {
    std::string_view caption;
    int commandId = 0;
    std::optional<Command> command;

    bool IsSeparator() const { return !command.has_value(); }
};

// Whether a popup menu is shown at all and which of its commands are greyed, for the window to
// apply to the menu it builds from the entries.
template <typename Command>
class MenuState final {
public:
    static MenuState Hidden() { return MenuState(false); }
    static MenuState Shown() { return MenuState(true); }

    bool IsShown() const { return m_shown; }
    bool IsEnabled(Command command) const
    {
        return m_shown && std::find(m_greyed.begin(), m_greyed.end(), command) == m_greyed.end();
    }
    void Grey(Command command)
    {
        if (std::find(m_greyed.begin(), m_greyed.end(), command) == m_greyed.end())
            m_greyed.push_back(command);
    }

private:
    explicit MenuState(bool shown) : m_shown(shown) {}

    bool m_shown;
    std::vector<Command> m_greyed;
};

} // namespace torvane
