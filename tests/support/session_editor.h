#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "document/document.h"
#include "editing/session/edit_session.h"
#include "store/tree_item.h"

namespace torvane::test {

// An edit session driven as a user drives the window: an item and a row chosen, then a command,
// its dialogs filled with values that pass their checks.
class SessionEditor final {
public:
    explicit SessionEditor(EditSession& session) : m_session(session) {}

    EditSession& Session() { return m_session; }
    Document& GetDocument() { return m_session.GetDocument(); }
    ChannelTree& Tree() { return GetDocument().Store().Tree(); }
    TreeItem* All() { return Tree().FindRoot(TreeKind::AllServices); }
    TreeItem* Sats() { return Tree().FindRoot(TreeKind::SatelliteRoot); }
    TreeItem* Sat(int s) { return Sats()->Child(s); }
    TreeItem* Tp(int s, int t) { return Sat(s)->Child(t); }
    ChannelOperations& Channels() { return m_session.Operations(); }
    NavigatorCommands& Navigator() { return m_session.Navigator(); }

    // The user's choice before the command: an item of the navigator and a row of the list.
    void Select(TreeItem* item, int row);

    // A dialog filled and committed; false when there was no dialog or it refused the values.
    bool ProgramDialog(std::unique_ptr<ProgramForm> form, const std::string& name);
    bool TpDialog(std::unique_ptr<NavigatorDialog> dialog, const std::string& frequency);
    bool SatelliteDialog(std::unique_ptr<NavigatorDialog> dialog, const std::string& name, const std::string& position = "7");
    // The satellites, TPs and programs of a small demo (1 × 2 × 4) as a default database merged in.
    bool MergeSmallDemo();

private:
    EditSession& m_session;
};

// One kind of edit: the selection it starts from and the command, false when a dialog refused.
struct EditCommandCase {
    const char* name;
    std::function<void(SessionEditor&)> prepare;
    std::function<bool(SessionEditor&)> command;
};

// Test output names a case by its name.
inline void PrintTo(const EditCommandCase& c, std::ostream* os)
{
    *os << c.name;
}

// Every kind of edit the session records, for a demo of at least 3 satellites with 3 TPs of 4
// programs each.
const std::vector<EditCommandCase>& EveryEditCommand();

} // namespace torvane::test
