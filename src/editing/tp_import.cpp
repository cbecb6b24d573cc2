#include "editing/tp_import.h"

#include <cstdlib>
#include <limits>

#include "document/document.h"
#include "editing/edit_session.h"
#include "editing/forms/choice_tables.h"
#include "editing/forms/dialog_values.h"
#include "store/node_store.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"

namespace torvane {

namespace {

constexpr int kHalfCircle = 1800;
constexpr int kFullCircle = 3600;

// Adds one TP through the TP dialog of a new item under satellite.
void AddTp(NavigatorCommands& navigator, TreeItem& satellite, const TpImportRow& row)
{
    std::unique_ptr<NavigatorDialog> dialog = navigator.BeginAdd(&satellite);
    if (!dialog || !dialog->Tp())
        return;
    TpForm& form = *dialog->Tp();
    form.EditText(TpControl::Frequency, DialogText(std::int32_t{row.frequency}));
    form.Select(TpControl::Polarization, RowOfValue(PolarizationChoices(), row.polarization));
    form.EditText(TpControl::SymbolRate, DialogText(std::int32_t{row.symbolRate}));
    if (form.Ok())
        navigator.Finish(*dialog);
}

void ChangeSymbolRate(NavigatorCommands& navigator, TreeItem& tp, int symbolRate)
{
    std::unique_ptr<NavigatorDialog> dialog = navigator.BeginEdit(&tp);
    if (!dialog || !dialog->Tp())
        return;
    dialog->Tp()->EditText(TpControl::SymbolRate, DialogText(std::int32_t{symbolRate}));
    if (dialog->Tp()->Ok())
        navigator.Finish(*dialog);
}

// Without a file the document has no limit of its own.
int RoomForTps(const EditSession& session)
{
    return session.Capacity().Room(NodeKind::Tp).value_or(std::numeric_limits<int>::max());
}

// The new TPs that fit, and never more than the document has room for now.
void AddNewTps(EditSession& session, TreeItem& satellite, const TpImportPreview& preview)
{
    int room = RoomForTps(session);
    for (const TpImportRow& row : preview.Rows()) {
        if (row.action == TpImportAction::New && row.fits && room-- > 0)
            AddTp(session.Navigator(), satellite, row);
    }
}

} // namespace

std::optional<int> SatelliteOrbit(const NodeStore& store, const TreeItem& satellite)
{
    const TreeNodeInfo* info = satellite.Info();
    const std::optional<int> orbit =
        info ? store.ReadNamedNumber(NodeKind::Satellite, info->slot, "sat_orbit") : std::nullopt;
    if (!orbit || *orbit < 0 || *orbit > kFullCircle)
        return std::nullopt;
    return *orbit <= kHalfCircle ? *orbit : *orbit - kFullCircle;
}

TpImportPreview PreviewTpUpdate(EditSession& session, const TreeItem& satellite, const TableSatellite& table,
                                int toleranceMhz)
{
    return TpImportPreview(ExistingTps(session.GetDocument().Store(), satellite), table.tps, RoomForTps(session),
                           toleranceMhz);
}

void ApplyTpUpdateEdit(EditSession& session, TreeItem& satellite, const TpImportPreview& preview)
{
    for (const TpImportRow& row : preview.Rows()) {
        if (row.action == TpImportAction::OnlyHere && row.deleteTicked)
            session.DeleteItem(row.existing->item);
    }
    for (const TpImportRow& row : preview.Rows()) {
        if (row.action == TpImportAction::Changed)
            ChangeSymbolRate(session.Navigator(), *row.existing->item, row.symbolRate);
    }
    AddNewTps(session, satellite, preview);
}

bool ApplyTpUpdate(EditSession& session, TreeItem& satellite, const TpImportPreview& preview)
{
    return session.Execute(kUpdateTpsStep, [&] { ApplyTpUpdateEdit(session, satellite, preview); });
}

std::unique_ptr<NavigatorDialog> BeginAddSatelliteFromTable(NavigatorCommands& navigator, TreeItem* root,
                                                            const TableSatellite& table)
{
    std::unique_ptr<NavigatorDialog> dialog = navigator.BeginAdd(root);
    if (!dialog || !dialog->Satellite())
        return nullptr;
    SatelliteForm& form = *dialog->Satellite();
    form.EditText(SatelliteControl::Name, table.name);
    if (table.position) {
        form.EditText(SatelliteControl::Longitude, DialogText(std::abs(*table.position) * 0.1));
        form.Select(SatelliteControl::EastWest, RowOfValue(EastWestChoices(), *table.position < 0 ? 1 : 0));
    }
    return dialog;
}

TpImportPreview PreviewNewSatelliteTps(EditSession& session, const TableSatellite& table)
{
    return TpImportPreview({}, table.tps, RoomForTps(session));
}

TreeItem* AddSatelliteFromTableEdit(EditSession& session, NavigatorDialog& dialog, const TpImportPreview& preview)
{
    TreeItem* satellite = session.Navigator().Finish(dialog);
    if (satellite)
        AddNewTps(session, *satellite, preview);
    return satellite;
}

TreeItem* FinishAddSatelliteFromTable(EditSession& session, NavigatorDialog& dialog, const TpImportPreview& preview)
{
    TreeItem* satellite = nullptr;
    session.Execute(kAddSatelliteStep, [&] { satellite = AddSatelliteFromTableEdit(session, dialog, preview); });
    return satellite;
}

} // namespace torvane
