#include <string>

#include "cli/cli_document.h"
#include "store/tree_item.h"

// torvane-cli tree FILE [--chunk user|default]
// torvane-cli list FILE [--chunk user|default] [--item all|SATNAME|SATNAME/N] [--filter tv|radio|both]
// torvane-cli open FILE [--chunk user|default] [--filter tv|radio|both]

namespace torvane {
namespace {

struct OpenedFile {
    std::unique_ptr<Document> document;
    CliArguments arguments;
    int status = kExitOk;
};

// Parses the command's words, makes the document and opens FILE in it.
OpenedFile OpenFromArguments(CliContext& context, CommandArgs args, std::string_view command,
                             const std::set<std::string, std::less<>>& valueOptions)
{
    OpenedFile opened;
    const auto usage = [&](const std::string& text) {
        context.Fail(std::string(command) + ": " + text);
        opened.status = kExitUsage;
        return std::move(opened);
    };
    if (!opened.arguments.Parse(args, valueOptions, {}))
        return usage(opened.arguments.Error());
    if (opened.arguments.Positional().size() != 1)
        return usage("expected FILE");
    const std::optional<DatabaseChunk> chunk = ChunkOption(opened.arguments);
    if (!chunk)
        return usage(std::string(kChunkOptionError));
    const std::optional<ServiceFilter> filter = FilterOption(opened.arguments);
    if (!filter)
        return usage("--filter must be tv, radio or both");

    opened.document = NewCliDocument(context);
    if (!opened.document || !OpenCliFile(context, *opened.document, opened.arguments.Positional()[0], *chunk)) {
        opened.status = kExitFailure;
        return opened;
    }
    opened.document->List().SetFilter(*filter);
    return opened;
}

std::string Indent(int depth)
{
    return std::string(2 * static_cast<std::size_t>(depth), ' ');
}

} // namespace

int RunTreeCommand(CliContext& context, CommandArgs args)
{
    OpenedFile opened = OpenFromArguments(context, args, "tree", {std::string(kChunkOption)});
    if (opened.status != kExitOk)
        return opened.status;
    std::string text;
    for (const auto& [item, depth] : TreeItems(*opened.document))
        text += Indent(depth) + item->Label() + "\n";
    Print(context.Out(), text);
    return kExitOk;
}

int RunListCommand(CliContext& context, CommandArgs args)
{
    OpenedFile opened = OpenFromArguments(
        context, args, "list", {std::string(kChunkOption), std::string(kItemOption), std::string(kFilterOption)});
    if (opened.status != kExitOk)
        return opened.status;
    const std::string name = opened.arguments.Value(kItemOption).value_or("all");
    TreeItem* item = FindCliItem(*opened.document, name);
    if (!item) {
        context.Fail("list: no item \"" + name + "\"");
        return kExitFailure;
    }
    opened.document->SelectItem(item);
    Print(context.Out(), opened.document->List().Text());
    return kExitOk;
}

int RunOpenCommand(CliContext& context, CommandArgs args)
{
    OpenedFile opened =
        OpenFromArguments(context, args, "open", {std::string(kChunkOption), std::string(kFilterOption)});
    if (opened.status != kExitOk)
        return opened.status;
    for (const auto& [item, depth] : TreeItems(*opened.document)) {
        std::string text = "item: " + Indent(depth) + item->Label() + "\n";
        const TreeKind kind = item->Info()->treeKind;
        if (kind == TreeKind::AllServices || kind == TreeKind::Satellite || kind == TreeKind::Tp) {
            opened.document->SelectItem(item);
            text += opened.document->List().Text();
        }
        Print(context.Out(), text + "\n");
    }
    return kExitOk;
}

} // namespace torvane
