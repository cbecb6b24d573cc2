#include "editing/tables/tp_import.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

#include "document/document.h"
#include "editing/forms/choice_tables.h"
#include "editing/forms/dialog_values.h"
#include "editing/session/edit_session.h"
#include "store/node_store.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"

namespace torvane {

namespace {

constexpr int kHalfCircle = 1800;
constexpr int kFullCircle = 3600;
// The Ku band's downlink, which a universal LNB (9750 / 10600 MHz) receives; the dialog's default
// standard LNB (5150 MHz) is the C band's.
constexpr int kLowestKuBandMhz = 10700;
constexpr int kHighestKuBandMhz = 12750;
constexpr int kUniversalLnbType = 32;  // the lnb_type of LnbTypeChoices' "Universal"

// Whether most of the table's TPs lie in the Ku band.
bool IsKuBandTable(const TableSatellite& table)
{
    const auto ku = std::count_if(table.tps.begin(), table.tps.end(), [](const TableTp& tp) {
        return tp.FrequencyMhz() >= kLowestKuBandMhz && tp.FrequencyMhz() <= kHighestKuBandMhz;
    });
    return ku * 2 > static_cast<std::ptrdiff_t>(table.tps.size());
}

// Adds one TP through the TP dialog of a new item under satellite; false when the dialog or the
// adding refused it (they said why).
bool AddTp(NavigatorCommands& navigator, TreeItem& satellite, const TpImportRow& row)
{
    std::unique_ptr<NavigatorDialog> dialog = navigator.BeginAdd(&satellite);
    if (!dialog || !dialog->Tp())
        return false;
    TpForm& form = *dialog->Tp();
    form.EditText(TpControl::Frequency, DialogText(std::int32_t{row.frequency}));
    form.Select(TpControl::Polarization, RowOfValue(PolarizationChoices(), row.polarization));
    form.EditText(TpControl::SymbolRate, DialogText(std::int32_t{row.symbolRate}));
    return form.Ok() && navigator.Finish(*dialog) != nullptr;
}

bool ChangeSymbolRate(NavigatorCommands& navigator, TreeItem& tp, int symbolRate)
{
    std::unique_ptr<NavigatorDialog> dialog = navigator.BeginEdit(&tp);
    if (!dialog || !dialog->Tp())
        return false;
    dialog->Tp()->EditText(TpControl::SymbolRate, DialogText(std::int32_t{symbolRate}));
    return dialog->Tp()->Ok() && navigator.Finish(*dialog) != nullptr;
}

// Without a file the document has no limit of its own.
int RoomForTps(const EditSession& session)
{
    return session.Capacity().Room(NodeKind::Tp).value_or(std::numeric_limits<int>::max());
}

// The new TPs that fit; false as soon as one cannot be added, or the document has no room for it
// now.
bool AddNewTps(EditSession& session, TreeItem& satellite, const TpImportPreview& preview)
{
    int room = RoomForTps(session);
    for (const TpImportRow& row : preview.Rows()) {
        if (row.action == TpImportAction::New && row.fits && (room-- <= 0 || !AddTp(session.Navigator(), satellite, row)))
            return false;
    }
    return true;
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

bool ApplyTpUpdateEdit(EditSession& session, TreeItem& satellite, const TpImportPreview& preview)
{
    for (const TpImportRow& row : preview.Rows()) {
        if (row.action == TpImportAction::OnlyHere && row.deleteTicked)
            session.DeleteItem(row.existing->item);
    }
    for (const TpImportRow& row : preview.Rows()) {
        if (row.action == TpImportAction::Changed
            && !ChangeSymbolRate(session.Navigator(), *row.existing->item, row.symbolRate))
            return false;
    }
    return AddNewTps(session, satellite, preview);
}

StepResult ApplyTpUpdate(EditSession& session, TreeItem& satellite, const TpImportPreview& preview)
{
    return session.ExecuteWhole(kUpdateTpsStep, [&] { return ApplyTpUpdateEdit(session, satellite, preview); });
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
    if (IsKuBandTable(table))
        form.Select(SatelliteControl::LnbType, RowOfValue(LnbTypeChoices(), kUniversalLnbType));
    return dialog;
}

TpImportPreview PreviewNewSatelliteTps(EditSession& session, const TableSatellite& table)
{
    // The TPs share the room with the satellite record that comes first.
    std::array<int, kNodeKindCount> satellite{};
    satellite[static_cast<std::size_t>(NodeKind::Satellite)] = 1;
    const std::optional<int> room = session.Capacity().RoomAfter(NodeKind::Tp, satellite);
    return TpImportPreview({}, table.tps, room.value_or(std::numeric_limits<int>::max()));
}

TreeItem* AddSatelliteFromTableEdit(EditSession& session, NavigatorDialog& dialog, const TpImportPreview& preview)
{
    TreeItem* satellite = session.Navigator().Finish(dialog);
    return satellite && AddNewTps(session, *satellite, preview) ? satellite : nullptr;
}

TreeItem* FinishAddSatelliteFromTable(EditSession& session, NavigatorDialog& dialog, const TpImportPreview& preview)
{
    TreeItem* satellite = nullptr;
    session.ExecuteWhole(kAddSatelliteStep, [&] {
        satellite = AddSatelliteFromTableEdit(session, dialog, preview);
        return satellite != nullptr;
    });
    return satellite;
}

} // namespace torvane
