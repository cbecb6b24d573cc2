#include "cli/table_import.h"

#include <cstdio>

#include "cli/cli_document.h"
#include "editing/session/edit_session.h"
#include "editing/tables/tp_import.h"
#include "exchange/tp_table_file.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"
#ifdef TORVANE_SATELLITES_XML
#include "exchange/xml/satellites_xml_reader.h"
#endif

// torvane-cli tps-diff FILE TABLE SATNAME [--tolerance MHZ] [--chunk user|default]
//
// Prints the preview of updating SATNAME's TPs from TABLE, one TP a line, and its counts on
// standard error; writes nothing.

namespace torvane {

namespace {

constexpr std::string_view kToleranceOption = "--tolerance";
constexpr std::string_view kDeleteMissingFlag = "--delete-missing";

void PrintSummary(const TpImportPreview& preview)
{
    std::fprintf(stderr, "%s\n", preview.Summary().c_str());
}

std::optional<int> Tolerance(const CliArguments& arguments)
{
    const std::optional<std::string> text = arguments.Value(kToleranceOption);
    if (!text)
        return kDefaultTpToleranceMhz;
    if (text->empty() || text->size() > 2 || text->find_first_not_of("0123456789") != std::string::npos
        || std::stoi(*text) > kLargestTpToleranceMhz)
        return std::nullopt;
    return std::stoi(*text);
}

// The preview of SATNAME's update from the table file, or the reason there is none.
struct SatelliteUpdate {
    TreeItem* satellite = nullptr;
    std::optional<TpImportPreview> preview;
    std::string error;
};

SatelliteUpdate PreviewFromFile(EditSession& session, const std::string& table, const std::string& name,
                                int tolerance)
{
    Document& document = session.GetDocument();
    SatelliteUpdate update;
    update.satellite = FindCliItem(document, name);
    if (!update.satellite || update.satellite->Info()->treeKind != TreeKind::Satellite) {
        update.error = "no satellite \"" + name + "\"";
        return update;
    }
    const TableReadResult read = ReadCliTable(table);
    if (!read.Ok()) {
        update.error = read.error;
        return update;
    }
    const std::optional<int> orbit = SatelliteOrbit(document.Store(), *update.satellite);
    const TableSatellite* found = FindTableSatellite(read.satellites, orbit);
    if (!found) {
        update.error =
            "the table has no satellite at " + (orbit ? OrbitalPositionText(*orbit) : std::string("its position"));
        return update;
    }
    update.preview = PreviewTpUpdate(session, *update.satellite, *found, tolerance);
    return update;
}

std::string ImportTps(EditSession& session, const std::vector<std::string>& args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {std::string(kToleranceOption)}, {std::string(kDeleteMissingFlag)})
        || arguments.Positional().size() != 2)
        return "import-tps takes TABLE SATNAME [--tolerance MHZ] [--delete-missing]";
    const std::optional<int> tolerance = Tolerance(arguments);
    if (!tolerance)
        return "--tolerance takes 0 … " + std::to_string(kLargestTpToleranceMhz) + " MHz";
    SatelliteUpdate update =
        PreviewFromFile(session, arguments.Positional()[0], arguments.Positional()[1], *tolerance);
    if (!update.preview)
        return update.error;
    if (arguments.Flag(kDeleteMissingFlag))
        update.preview->TickAllOnlyHere();
    if (ApplyTpUpdate(session, *update.satellite, *update.preview) == StepResult::Refused)
        return std::string(kTableStepRefusedMessage);
    PrintSummary(*update.preview);
    return {};
}

std::string ImportSatellite(EditSession& session, const std::vector<std::string>& args)
{
    if (args.empty() || args.size() > 2)
        return "import-sat takes TABLE [POSITION]";
    std::optional<int> position;
    if (args.size() == 2) {
        position = ParseOrbitalPosition(args[1]);
        if (!position)
            return "POSITION is degrees east or west such as 13.0E or 7W, not \"" + args[1] + "\"";
    }
    const TableReadResult read = ReadCliTable(args[0]);
    if (!read.Ok())
        return read.error;
    const TableSatellite* table = FindTableSatellite(read.satellites, position);
    if (!table || (position && table->position != position))
        return position ? "the table has no satellite at " + OrbitalPositionText(*position)
                        : "the table holds several satellites: give POSITION";
    Document& document = session.GetDocument();
    TreeItem* root = document.Store().Tree().FindRoot(TreeKind::SatelliteRoot);
    session.SelectItem(root);
    std::unique_ptr<NavigatorDialog> dialog = BeginAddSatelliteFromTable(session.Navigator(), root, *table);
    if (!dialog)
        return "import-sat opens no satellite dialog here";
    if (!dialog->Satellite()->Ok())
        return "the dialog refused the values";
    const TpImportPreview preview = PreviewNewSatelliteTps(session, *table);
    if (!FinishAddSatelliteFromTable(session, *dialog, preview))
        return std::string(kTableStepRefusedMessage);
    PrintSummary(preview);
    return {};
}

} // namespace

SatellitesXmlReader CliSatellitesXmlReader()
{
#ifdef TORVANE_SATELLITES_XML
    return ReadSatellitesXml;
#else
    return nullptr;
#endif
}

TableReadResult ReadCliTable(const std::string& path)
{
    return ReadTpTableFile(path, CliSatellitesXmlReader());
}

std::string RunTableImportLine(EditSession& session, const std::string& command, const std::vector<std::string>& args)
{
    return command == "import-tps" ? ImportTps(session, args) : ImportSatellite(session, args);
}

int RunTpsDiffCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {std::string(kChunkOption), std::string(kToleranceOption)}, {})
        || arguments.Positional().size() != 3) {
        context.Fail("tps-diff: "
                     + (arguments.Error().empty() ? std::string("expected FILE TABLE SATNAME") : arguments.Error()));
        return kExitUsage;
    }
    const std::optional<DatabaseChunk> chunk = ChunkOption(arguments);
    const std::optional<int> tolerance = Tolerance(arguments);
    if (!chunk || !tolerance) {
        context.Fail(!chunk ? "tps-diff: " + std::string(kChunkOptionError)
                            : "tps-diff: --tolerance takes 0 … " + std::to_string(kLargestTpToleranceMhz) + " MHz");
        return kExitUsage;
    }
    const std::unique_ptr<Document> document = NewCliDocument(context);
    if (!document || !OpenCliFile(context, *document, arguments.Positional()[0], *chunk))
        return kExitFailure;
    EditSession session(*document);
    const SatelliteUpdate update =
        PreviewFromFile(session, arguments.Positional()[1], arguments.Positional()[2], *tolerance);
    if (!update.preview) {
        context.Fail("tps-diff: " + update.error);
        return kExitFailure;
    }
    std::string text;
    for (const TpImportRow& row : update.preview->Rows())
        text += TpImportPreview::RowText(row) + "\n";
    Print(context.Out(), text);
    PrintSummary(*update.preview);
    return kExitOk;
}

} // namespace torvane
