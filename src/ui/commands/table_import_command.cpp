#include "ui/commands/table_import_command.h"

#include <memory>
#include <vector>

#include "document/document.h"
#include "editing/forms/file_filter.h"
#include "editing/session/edit_session.h"
#include "editing/tables/tp_import.h"
#include "exchange/tp_table_file.h"
#include "exchange/xml/satellites_xml_reader.h"
#include "store/tree_item.h"
#include "ui/window_dialogs.h"
#include "util/file_name.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

// The satellites of the table file the user picks; nothing on Cancel or after the reason the
// table could not be read was said.
struct ChosenTable {
    std::string fileName;
    TableSatellite satellite;
};

std::string SatelliteText(const TableSatellite& satellite)
{
    return satellite.position ? satellite.name + " (" + OrbitalPositionText(*satellite.position) + ")" : satellite.name;
}

std::optional<ChosenTable> ChooseTable(UserPrompts& prompts, std::optional<int> position)
{
    const std::optional<std::string> path = prompts.ChooseOpenFile(kTpTableFilter);
    if (!path)
        return std::nullopt;
    const TableReadResult read = ReadTpTableFile(*path, ReadSatellitesXml);
    if (!read.Ok()) {
        prompts.Message(read.error);
        return std::nullopt;
    }
    const std::string fileName = FileNameText(FileNamePath(*path).filename());
    if (read.satellites.size() == 1)
        return ChosenTable{fileName, read.satellites.front()};
    std::vector<std::string> names;
    for (const TableSatellite& satellite : read.satellites)
        names.push_back(SatelliteText(satellite));
    // The one at the position preselected; OK without a choice asks again, saying why; Cancel ends.
    const TableSatellite* at = FindTableSatellite(read.satellites, position);
    const std::optional<int> preset =
        at ? std::optional<int>(static_cast<int>(at - read.satellites.data())) : std::nullopt;
    while (const std::optional<int> chosen = prompts.ChooseOne(kTableSatelliteCaption, names, preset)) {
        if (*chosen >= 0 && *chosen < static_cast<int>(read.satellites.size()))
            return ChosenTable{fileName, read.satellites[static_cast<std::size_t>(*chosen)]};
        prompts.Message(kNoTableSatelliteMessage);
    }
    return std::nullopt;
}

} // namespace

std::function<bool()> WholeOrSaid(UserPrompts& prompts, std::function<bool()> edit)
{
    return [&prompts, edit = std::move(edit)] {
        if (edit())
            return true;
        prompts.Message(kTableStepRefusedMessage);
        return false;
    };
}

std::optional<TableImportStep> PrepareTpUpdate(EditSession& session, UserPrompts& prompts, WindowDialogs& dialogs,
                                               TreeItem& satellite)
{
    NodeStore& store = session.GetDocument().Store();
    const std::optional<ChosenTable> table = ChooseTable(prompts, SatelliteOrbit(store, satellite));
    if (!table)
        return std::nullopt;
    auto preview = std::make_shared<TpImportPreview>(PreviewTpUpdate(session, satellite, table->satellite));
    if (!dialogs.RunTpImport(*preview, kUpdateTpsStep, table->fileName + ": " + SatelliteText(table->satellite)))
        return std::nullopt;
    return TableImportStep{std::string(kUpdateTpsStep), WholeOrSaid(prompts, [&session, &satellite, preview] {
                               return ApplyTpUpdateEdit(session, satellite, *preview);
                           })};
}

std::optional<TableImportStep> PrepareSatelliteImport(EditSession& session, UserPrompts& prompts,
                                                      WindowDialogs& dialogs, TreeItem& root)
{
    const std::optional<ChosenTable> table = ChooseTable(prompts, std::nullopt);
    if (!table)
        return std::nullopt;
    std::shared_ptr<NavigatorDialog> dialog = BeginAddSatelliteFromTable(session.Navigator(), &root, table->satellite);
    if (!dialog || !dialogs.RunSatellite(*dialog->Satellite()))
        return std::nullopt;
    auto preview =
        std::make_shared<TpImportPreview>(PreviewNewSatelliteTps(session, table->satellite));
    if (!dialogs.RunTpImport(*preview, kAddSatelliteStep, table->fileName + ": " + SatelliteText(table->satellite)))
        return std::nullopt;
    return TableImportStep{std::string(kAddSatelliteStep), WholeOrSaid(prompts, [&session, dialog, preview] {
                               return AddSatelliteFromTableEdit(session, *dialog, *preview) != nullptr;
                           })};
}

} // namespace torvane
