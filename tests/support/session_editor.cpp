#include "support/session_editor.h"

#include <cstdint>
#include <optional>

#include "editing/forms/set_for_selected_form.h"
#include "editing/organise/duplicate_finder.h"
#include "editing/organise/service_sort.h"
#include "support/demo_database.h"

namespace torvane::test {

void SessionEditor::Select(TreeItem* item, int row)
{
    m_session.SelectItem(item);
    GetDocument().List().SelectRow(row);
}

bool SessionEditor::ProgramDialog(std::unique_ptr<ProgramForm> form, const std::string& name)
{
    if (!form)
        return false;
    form->EditText(ProgramControl::Name, name);
    for (ProgramControl pid : {ProgramControl::VideoPid, ProgramControl::AudioPid1, ProgramControl::PcrPid})
        form->EditText(pid, "100");
    return form->Ok() && Channels().Finish(*form);
}

bool SessionEditor::TpDialog(std::unique_ptr<NavigatorDialog> dialog, const std::string& frequency)
{
    if (!dialog || !dialog->Tp())
        return false;
    dialog->Tp()->EditText(TpControl::Frequency, frequency);
    dialog->Tp()->EditText(TpControl::SymbolRate, "27500");
    return dialog->Tp()->Ok() && Navigator().Finish(*dialog) != nullptr;
}

bool SessionEditor::SatelliteDialog(std::unique_ptr<NavigatorDialog> dialog, const std::string& name,
                                    const std::string& position)
{
    if (!dialog || !dialog->Satellite())
        return false;
    dialog->Satellite()->EditText(SatelliteControl::Name, name);
    dialog->Satellite()->EditText(SatelliteControl::Position, position);
    return dialog->Satellite()->Ok() && Navigator().Finish(*dialog) != nullptr;
}

bool SessionEditor::MergeSmallDemo()
{
    static const std::vector<std::uint8_t> stream = [] {
        DemoDatabase small(DemoOptions{1, 2, 4, 0x4000});
        std::vector<std::uint8_t> bytes(0x4000);
        const std::optional<std::size_t> size = small.GetDocument().GenerateDefaultDatabase(bytes, true);
        bytes.resize(small.IsReady() && size ? *size : 0);
        return bytes;
    }();
    return !stream.empty() && GetDocument().ParseDefaultDatabase(stream);
}

const std::vector<EditCommandCase>& EveryEditCommand()
{
    using E = SessionEditor;
    static const std::vector<EditCommandCase> cases = {
        {"Edit", [](E& e) { e.Select(e.Tp(0, 1), 2); }, [](E& e) { return e.ProgramDialog(e.Channels().BeginEdit(), "Edited"); }},
        {"Insert", [](E& e) { e.Select(e.Tp(1, 0), 1); },
         [](E& e) { return e.ProgramDialog(e.Channels().BeginInsert(), "Inserted"); }},
        {"Append", [](E& e) { e.Select(e.Tp(2, 2), -1); },
         [](E& e) { return e.ProgramDialog(e.Channels().BeginAppend(), "Appended"); }},
        {"DeleteOne", [](E& e) { e.Select(e.Tp(0, 0), 1); },
         [](E& e) {
             const int rows[] = {1};
             e.Channels().Delete(rows);
             return true;
         }},
        {"DeleteMany", [](E& e) { e.Select(e.All(), 0); },
         [](E& e) {
             const int rows[] = {0, 5, 17, 30};
             e.Channels().Delete(rows);
             return true;
         }},
        {"Up", [](E& e) { e.Select(e.Sat(1), 3); }, [](E& e) { e.Channels().MoveUp(); return true; }},
        {"Down", [](E& e) { e.Select(e.Tp(2, 1), 0); }, [](E& e) { e.Channels().MoveDown(); return true; }},
        {"MoveTo", [](E& e) { e.Select(e.All(), 3); }, [](E& e) { e.Channels().MoveTo(20); return true; }},
        {"Switch", [](E& e) { e.Select(e.Tp(0, 2), 3); }, [](E& e) { e.Channels().SwitchWith(1); return true; }},
        {"AddSatellite", [](E& e) { e.Select(e.Tp(0, 0), 0); },
         [](E& e) { return e.SatelliteDialog(e.Navigator().BeginAdd(e.Sats()), "Added"); }},
        {"AddTp", [](E& e) { e.Select(e.Sat(2), 1); }, [](E& e) { return e.TpDialog(e.Navigator().BeginAdd(e.Sat(2)), "12345"); }},
        {"EditSatellite", [](E& e) { e.Select(e.Sat(0), 1); },
         [](E& e) { return e.SatelliteDialog(e.Navigator().BeginEdit(e.Sat(0)), "Renamed"); }},
        {"EditTp", [](E& e) { e.Select(e.Tp(1, 1), 0); }, [](E& e) { return e.TpDialog(e.Navigator().BeginEdit(e.Tp(1, 1)), "12600"); }},
        {"DeleteTp", [](E& e) { e.Select(e.Tp(1, 0), 2); }, [](E& e) { return e.Session().DeleteItem(e.Tp(1, 0)) != nullptr; }},
        {"DeleteSatellite", [](E& e) { e.Select(e.All(), 4); }, [](E& e) { return e.Session().DeleteItem(e.Sat(1)) != nullptr; }},
        {"TreeUp", [](E& e) { e.Select(e.Tp(0, 2), 0); }, [](E& e) { return e.Navigator().MoveUp(e.Tp(0, 2)); }},
        {"TreeDown", [](E& e) { e.Select(e.Sat(0), 0); }, [](E& e) { return e.Navigator().MoveDown(e.Sat(0)); }},
        {"TreeMove", [](E& e) { e.Select(e.Tp(2, 0), 0); }, [](E& e) { return e.Navigator().MoveTo(e.Tp(2, 0), 3); }},
        {"MergeDefaultDatabase", [](E& e) { e.Select(e.Sat(2), 0); }, [](E& e) { return e.MergeSmallDemo(); }},
        {"Sort", [](E& e) { e.Select(e.All(), 2); },
         [](E& e) { return SortServices(e.GetDocument().Store(), e.GetDocument().List(), {SortKey::Name, true}, {}); }},
        {"SortSelected", [](E& e) { e.Select(e.Sat(1), 0); },
         [](E& e) {
             const int rows[] = {1, 4, 6, 9};
             return SortServices(e.GetDocument().Store(), e.GetDocument().List(), {SortKey::ServiceId, true}, rows);
         }},
        {"SetForSelected", [](E& e) { e.Select(e.Tp(1, 2), 0); },
         [](E& e) {
             SetForSelectedForm form(e.GetDocument().Store(), e.GetDocument().List(), {0, 1, 3});
             form.Select(SetForSelectedControl::Favorite, 4);
             form.Select(SetForSelectedControl::Factory, 2);
             return form.Ok() && form.Commit();
         }},
        {"Dedupe", [](E& e) {
             e.Select(e.Tp(0, 1), 1);
             e.ProgramDialog(e.Channels().BeginInsert(), "Twin");
             e.Select(e.Tp(0, 1), 3);
             e.ProgramDialog(e.Channels().BeginInsert(), "Twin");
         },
         [](E& e) {
             const std::vector<int> rows = RepeatedRows(FindDuplicateGroups(e.GetDocument().Store(), e.GetDocument().List()));
             e.Channels().Delete(rows);
             return !rows.empty();
         }},
    };
    return cases;
}

} // namespace torvane::test
