#pragma once

#include <memory>
#include <optional>

#include "editing/session/edit_session.h"
#include "editing/tables/tp_import_preview.h"

namespace torvane {

class NavigatorCommands;
class NavigatorDialog;
class TreeItem;

// The step texts of the two imports.
inline constexpr std::string_view kUpdateTpsStep = "Update TPs from Table";
inline constexpr std::string_view kAddSatelliteStep = "Add Satellite from Table";
// The question which of a table's satellites to take, and what OK without a choice says.
inline constexpr std::string_view kTableSatelliteCaption = "Table Satellite";
inline constexpr std::string_view kNoTableSatelliteMessage = "Choose one of the table's satellites, or Cancel.";
// What a table step that could not be carried out whole says; the document is then unchanged.
inline constexpr std::string_view kTableStepRefusedMessage =
    "The table could not be applied whole, so nothing was changed.";

// A satellite's orbital position from its sat_orbit, in tenths of a degree (negative for west), or
// nothing when it has none in 0 … 3600.
std::optional<int> SatelliteOrbit(const NodeStore& store, const TreeItem& satellite);

// The preview of updating satellite's TPs from a table satellite's, with the room the session's
// document has for new TPs.
TpImportPreview PreviewTpUpdate(EditSession& session, const TreeItem& satellite, const TableSatellite& table,
                                int toleranceMhz = kDefaultTpToleranceMhz);

// Applies a preview of satellite, each TP as the TP dialog's OK would (ids, labels,
// write-if-changed): the ticked TPs only here deleted (with their services), the changed ones
// given the table's symbol rate, the new ones that fit appended in frequency order. The edit of
// one whole session step (the window runs it through its undo stack): false as soon as a TP
// cannot be changed or added as the preview says (the dialog said why).
bool ApplyTpUpdateEdit(EditSession& session, TreeItem& satellite, const TpImportPreview& preview);
// The same as one step of the session, or none when nothing changed or it was refused.
StepResult ApplyTpUpdate(EditSession& session, TreeItem& satellite, const TpImportPreview& preview);

// Add Satellite from Table under "Satellite Information": the satellite dialog in new mode with
// the table's name (the dialog keeps its first 17 characters), longitude and east / west filled in,
// a universal LNB (9750 / 10600 MHz) when most of its TPs lie in the Ku band (10700 … 12750 MHz),
// the rest at the defaults for the user to check; nullptr where Add opens no satellite dialog.
std::unique_ptr<NavigatorDialog> BeginAddSatelliteFromTable(NavigatorCommands& navigator, TreeItem* root,
                                                            const TableSatellite& table);
// The preview of the satellite's TPs, all new but for what is skipped or repeated, with the room
// the document has for TPs once the satellite is added.
TpImportPreview PreviewNewSatelliteTps(EditSession& session, const TableSatellite& table);
// After the dialog closed: on OK the satellite and then its new TPs that fit, the edit of one
// whole session step. The new satellite item, or nullptr when it or one of its TPs could not be
// added.
TreeItem* AddSatelliteFromTableEdit(EditSession& session, NavigatorDialog& dialog, const TpImportPreview& preview);
// The same as one step of the session, which leaves the document unchanged without the item.
TreeItem* FinishAddSatelliteFromTable(EditSession& session, NavigatorDialog& dialog, const TpImportPreview& preview);

} // namespace torvane
