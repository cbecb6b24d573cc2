#include "cli/enigma2_commands.h"

#include <cstdio>
#include <optional>

#include "cli/cli_commands.h"
#include "cli/cli_document.h"
#include "cli/table_import.h"
#include "editing/lists/enigma2_export.h"
#include "editing/lists/enigma2_import.h"
#include "editing/session/edit_session.h"
#include "editing/tables/tp_import.h"
#include "exchange/enigma2_folder.h"
#include "exchange/enigma2_writer.h"
#include "util/file_name.h"

// torvane-cli export-e2 FILE OUTDIR [--chunk user|default]
//
// Writes the list of FILE as an Enigma2 settings folder into OUTDIR and says what it wrote on
// standard error.
//
// torvane-cli e2-diff FILE FOLDER [--merge] [--satellite POSITION ...] [--bouquet NAME ...]
//                     [--chunk user|default]
//
// Prints what importing the Enigma2 settings of FOLDER into FILE would do, one service a line,
// and its counts on standard error; writes nothing.

namespace torvane {

namespace {

constexpr std::string_view kImportUsage = "import-e2 takes FOLDER [--merge] [--satellite POSITION ...] [--bouquet NAME ...]";

// The words of an import: the folder, the options and, for e2-diff, the --chunk value.
struct ImportWords {
    std::vector<std::string> positional;
    Enigma2ImportOptions options;
    std::optional<std::string> chunk;
    std::string error;
};

ImportWords ParseImportWords(const std::vector<std::string>& args, bool chunkAllowed)
{
    ImportWords words;
    enum class List { None, Satellites, Bouquets } list = List::None;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--merge") {
            words.options.merge = true;
            list = List::None;
        } else if (word == "--satellite" || word == "--bouquet") {
            list = word == "--satellite" ? List::Satellites : List::Bouquets;
            if (i + 1 == args.size() || args[i + 1].starts_with("--"))
                words.error = word + " takes one value or more";
        } else if (word == kChunkOption && chunkAllowed && i + 1 < args.size() && !words.chunk) {
            words.chunk = args[++i];
            list = List::None;
        } else if (word.starts_with("--")) {
            words.error = "unknown option \"" + word + "\"";
        } else if (list == List::Satellites) {
            const std::optional<int> position = ParseOrbitalPosition(word);
            if (!position)
                words.error = "POSITION is degrees east or west such as 13.0E or 7W, not \"" + word + "\"";
            else
                words.options.positions.push_back(*position);
        } else if (list == List::Bouquets) {
            words.options.bouquets.push_back(word);
        } else {
            words.positional.push_back(word);
        }
        if (!words.error.empty())
            break;
    }
    return words;
}

E2Settings ReadFolder(const std::string& folder)
{
    return ReadE2Folder(FileNamePath(folder), CliSatellitesXmlReader());
}

void PrintSummary(const Enigma2Import& import)
{
    for (const std::string& line : import.SummaryLines())
        std::fprintf(stderr, "%s\n", line.c_str());
    for (const std::string& line : import.Unresolved())
        std::fprintf(stderr, "%s\n", line.c_str());
}

} // namespace

std::string RunEnigma2ImportLine(EditSession& session, const std::vector<std::string>& args)
{
    const ImportWords words = ParseImportWords(args, false);
    if (!words.error.empty())
        return words.error;
    if (words.positional.size() != 1)
        return std::string(kImportUsage);
    const E2Settings settings = ReadFolder(words.positional[0]);
    if (!settings.Ok())
        return settings.error;
    const Enigma2Import import(session, settings, words.options);
    if (!import.Error().empty())
        return import.Error();
    if (import.Apply(session) == StepResult::Refused)
        return std::string(kTableStepRefusedMessage);
    PrintSummary(import);
    return {};
}

int RunE2DiffCommand(CliContext& context, CommandArgs args)
{
    const ImportWords words = ParseImportWords({args.begin(), args.end()}, true);
    if (!words.error.empty() || words.positional.size() != 2) {
        context.Fail("e2-diff: " + (words.error.empty() ? std::string("expected FILE FOLDER") : words.error));
        return kExitUsage;
    }
    CliArguments chunkArguments;
    std::vector<std::string> chunkWords;
    if (words.chunk)
        chunkWords = {std::string(kChunkOption), *words.chunk};
    chunkArguments.Parse(chunkWords, {std::string(kChunkOption)}, {});
    const std::optional<DatabaseChunk> chunk = ChunkOption(chunkArguments);
    if (!chunk) {
        context.Fail("e2-diff: " + std::string(kChunkOptionError));
        return kExitUsage;
    }
    const std::unique_ptr<Document> document = NewCliDocument(context);
    if (!document || !OpenCliFile(context, *document, words.positional[0], *chunk))
        return kExitFailure;
    const E2Settings settings = ReadFolder(words.positional[1]);
    if (!settings.Ok()) {
        context.Fail("e2-diff: " + settings.error);
        return kExitFailure;
    }
    EditSession session(*document);
    const Enigma2Import import(session, settings, words.options);
    if (!import.Error().empty()) {
        context.Fail("e2-diff: " + import.Error());
        return kExitFailure;
    }
    std::string text;
    for (const Enigma2ImportRow& row : import.Rows())
        text += import.RowText(row) + "\n";
    Print(context.Out(), text);
    PrintSummary(import);
    return kExitOk;
}

int RunExportE2Command(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {std::string(kChunkOption)}, {}) || arguments.Positional().size() != 2) {
        context.Fail("export-e2: "
                     + (arguments.Error().empty() ? std::string("expected FILE OUTDIR") : arguments.Error()));
        return kExitUsage;
    }
    const std::optional<DatabaseChunk> chunk = ChunkOption(arguments);
    if (!chunk) {
        context.Fail("export-e2: " + std::string(kChunkOptionError));
        return kExitUsage;
    }
    const std::unique_ptr<Document> document = NewCliDocument(context);
    if (!document || !OpenCliFile(context, *document, arguments.Positional()[0], *chunk))
        return kExitFailure;
    const Enigma2Export exported = BuildEnigma2Export(*document);
    const std::string error =
        WriteE2Folder(FileNamePath(arguments.Positional()[1]), WriteE2Files(exported.settings));
    if (!error.empty()) {
        context.Fail("export-e2: " + error);
        return kExitFailure;
    }
    std::fprintf(stderr, "%s\n", Enigma2ExportSummary(exported).c_str());
    return kExitOk;
}

} // namespace torvane
