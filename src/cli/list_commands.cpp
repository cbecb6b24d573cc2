#include <string>

#include "cli/cli_document.h"
#include "editing/lists/csv_services.h"
#include "editing/lists/list_compare.h"
#include "editing/lists/list_file.h"
#include "exchange/service_csv.h"

// torvane-cli export-csv FILE OUT.csv [--chunk user|default]
// torvane-cli compare A B [--chunk user|default]

namespace torvane {
namespace {

// A list to compare: a file the editor opens (the chunk given) or a service CSV file.
std::optional<ServiceTable> ReadCompared(CliContext& context, const Document& like, const std::string& path,
                                         DatabaseChunk chunk)
{
    context.Prompts().AnswerChunks(std::string(kLoadChunkCaption),
                                   ChunkChoice{chunk == DatabaseChunk::Default, chunk == DatabaseChunk::User});
    ListFile file = ReadListFile(path, like);
    for (const std::string& line : CsvErrorLines(file.errors))
        context.Fail("compare: " + path + ": " + line);
    return std::move(file.table);
}

} // namespace

int RunExportCsvCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {std::string(kChunkOption)}, {}) || arguments.Positional().size() != 2) {
        context.Fail("export-csv: "
                     + (arguments.Error().empty() ? std::string("expected FILE OUT.csv") : arguments.Error()));
        return kExitUsage;
    }
    const std::optional<DatabaseChunk> chunk = ChunkOption(arguments);
    if (!chunk) {
        context.Fail("export-csv: " + std::string(kChunkOptionError));
        return kExitUsage;
    }
    const std::string& out = arguments.Positional()[1];
    if (SaveAsKindOf(out) != SaveAsKind::Csv) {
        context.Fail("export-csv: OUT must be a .csv file");
        return kExitUsage;
    }
    const std::unique_ptr<Document> document = NewCliDocument(context);
    if (!document || !OpenCliFile(context, *document, arguments.Positional()[0], *chunk))
        return kExitFailure;
    return ExportServiceCsv(document->List(), out) ? kExitOk : kExitFailure;
}

int RunCompareCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {std::string(kChunkOption)}, {}) || arguments.Positional().size() != 2) {
        context.Fail("compare: " + (arguments.Error().empty() ? std::string("expected A B") : arguments.Error()));
        return kExitUsage;
    }
    const std::optional<DatabaseChunk> chunk = ChunkOption(arguments);
    if (!chunk) {
        context.Fail("compare: " + std::string(kChunkOptionError));
        return kExitUsage;
    }
    const std::unique_ptr<Document> like = NewCliDocument(context);
    if (!like)
        return kExitUsage;
    const std::optional<ServiceTable> first = ReadCompared(context, *like, arguments.Positional()[0], *chunk);
    const std::optional<ServiceTable> second =
        first ? ReadCompared(context, *like, arguments.Positional()[1], *chunk) : std::nullopt;
    if (!first || !second)
        return kExitUsage;
    const std::vector<ListDifference> differences = CompareLists(*first, *second);
    for (const ListDifference& difference : differences)
        Print(context.Out(), DifferenceLine(difference) + "\n");
    return differences.empty() ? kExitOk : kExitFailure;
}

} // namespace torvane
