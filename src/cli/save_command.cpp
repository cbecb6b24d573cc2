#include <string>

#include "cli/cli_document.h"

// torvane-cli save IMAGE.bin [--chunk user|default] [--out OUT.bin] [--default] [--user] [--allow-cut]
// torvane-cli save-as FILE OUT [--chunk user|default] [--write default|user|default,user]
//                     [--item all|SATNAME|SATNAME/N] [--filter tv|radio|both] [--allow-cut]
// torvane-cli export FILE --out OUT [the options of save-as]

namespace torvane {
namespace {

constexpr std::string_view kOutOption = "--out";
constexpr std::string_view kWriteOption = "--write";

// "default", "user" or both joined by a comma.
std::optional<ChunkChoice> ChunksFromText(std::string_view text)
{
    ChunkChoice choice;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view word = text.substr(0, comma);
        if (word == "default")
            choice.defaultChunk = true;
        else if (word == "user")
            choice.userChunk = true;
        else
            return std::nullopt;
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    if (!choice.defaultChunk && !choice.userChunk)
        return std::nullopt;
    return choice;
}

int Finish(CliContext& context, const Document& document, SaveResult result, const std::string& target)
{
    if (result == SaveResult::NothingDone && !document.RefusedCut()) {
        context.Fail("nothing was written to \"" + target + "\"");
        return kExitFailure;
    }
    return SaveStatus(context, document, result, target);
}

// save-as and export: FILE and OUT given, the rest as options.
int SaveAs(CliContext& context, std::string_view command, const CliArguments& arguments, const std::string& file,
           const std::string& out)
{
    const auto usage = [&](const std::string& text) {
        context.Fail(std::string(command) + ": " + text);
        return kExitUsage;
    };
    const std::optional<DatabaseChunk> chunk = ChunkOption(arguments);
    if (!chunk)
        return usage(std::string(kChunkOptionError));
    const std::optional<ServiceFilter> filter = FilterOption(arguments);
    if (!filter)
        return usage("--filter must be tv, radio or both");
    // Without --write the chunk dialog is taken as it first appears: the chunk FILE was opened from.
    const std::optional<ChunkChoice> chunks = ChunksFromText(
        arguments.Value(kWriteOption).value_or(*chunk == DatabaseChunk::User ? "user" : "default"));
    if (!chunks)
        return usage("--write must be default, user or default,user");

    const std::unique_ptr<Document> document = NewCliDocument(context);
    if (!document || !OpenCliFile(context, *document, file, *chunk))
        return kExitFailure;
    SetCutSaves(*document, arguments);
    document->List().SetFilter(*filter);
    const std::string name = arguments.Value(kItemOption).value_or("all");
    TreeItem* item = FindCliItem(*document, name);
    if (!item) {
        context.Fail(std::string(command) + ": no item \"" + name + "\"");
        return kExitFailure;
    }
    document->SelectItem(item);
    // A default-database file is saved as one again: its Save As offers no other type.
    const SaveAsKind outKind = SaveAsKindOf(out);
    if (!document->DefaultDatabasePath().empty() && outKind != SaveAsKind::Ddf && outKind != SaveAsKind::Df2) {
        context.Fail(std::string(command) + ": a default-database file is saved as .ddf or .df2 only");
        return kExitFailure;
    }
    context.Prompts().AnswerChunks(std::string(kSaveChunkCaption), *chunks);
    return Finish(context, *document, document->SaveAs(out), out);
}

const std::set<std::string, std::less<>> kSaveAsOptions = {std::string(kChunkOption), std::string(kWriteOption),
                                                           std::string(kItemOption), std::string(kFilterOption)};
const std::set<std::string, std::less<>> kCutFlags = {std::string(kAllowCutFlag)};

} // namespace

int RunSaveCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    const auto usage = [&](const std::string& text) {
        context.Fail("save: " + text);
        return kExitUsage;
    };
    if (!arguments.Parse(args, {std::string(kChunkOption), std::string(kOutOption)},
                         {"--default", "--user", std::string(kAllowCutFlag)}))
        return usage(arguments.Error());
    if (arguments.Positional().size() != 1)
        return usage("expected IMAGE.bin");
    const std::string& image = arguments.Positional()[0];
    const std::optional<DatabaseChunk> chunk = ChunkOption(arguments);
    if (!chunk)
        return usage(std::string(kChunkOptionError));
    const std::optional<std::string> out = arguments.Value(kOutOption);
    if (SaveAsKindOf(image) != SaveAsKind::Bin || (out && SaveAsKindOf(*out) != SaveAsKind::Bin))
        return usage("IMAGE and OUT must be .bin files");
    ChunkChoice chunks{arguments.Flag("--default"), arguments.Flag("--user")};
    // Without either the chunk dialog is taken as it first appears: the chunk IMAGE was opened from.
    if (!chunks.defaultChunk && !chunks.userChunk)
        chunks = ChunkChoice{*chunk == DatabaseChunk::Default, *chunk == DatabaseChunk::User};

    const std::unique_ptr<Document> document = NewCliDocument(context);
    if (!document || !OpenCliFile(context, *document, image, *chunk))
        return kExitFailure;
    SetCutSaves(*document, arguments);
    context.Prompts().AnswerChunks(std::string(kSaveChunkCaption), chunks);
    if (out)
        return Finish(context, *document, document->SaveAs(*out), *out);
    return Finish(context, *document, document->SaveWithChunkChoice(), image);
}

int RunSaveAsCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, kSaveAsOptions, kCutFlags) || arguments.Positional().size() != 2) {
        context.Fail("save-as: " + (arguments.Error().empty() ? std::string("expected FILE OUT") : arguments.Error()));
        return kExitUsage;
    }
    return SaveAs(context, "save-as", arguments, arguments.Positional()[0], arguments.Positional()[1]);
}

int RunExportCommand(CliContext& context, CommandArgs args)
{
    std::set<std::string, std::less<>> options = kSaveAsOptions;
    options.insert(std::string(kOutOption));
    CliArguments arguments;
    if (!arguments.Parse(args, options, kCutFlags) || arguments.Positional().size() != 1
        || !arguments.Value(kOutOption)) {
        context.Fail("export: " + (arguments.Error().empty() ? std::string("expected FILE --out OUT") : arguments.Error()));
        return kExitUsage;
    }
    return SaveAs(context, "export", arguments, arguments.Positional()[0], *arguments.Value(kOutOption));
}

} // namespace torvane
