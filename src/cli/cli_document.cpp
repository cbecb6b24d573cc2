#include "cli/cli_document.h"

#include <cstdio>

#include "document/backup_listing.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"

namespace torvane {

bool CliArguments::Parse(CommandArgs args, const std::set<std::string, std::less<>>& valueOptions,
                         const std::set<std::string, std::less<>>& flags)
{
    for (std::size_t at = 0; at < args.size(); ++at) {
        const std::string& word = args[at];
        if (!word.starts_with("--")) {
            m_positional.push_back(word);
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        if (flags.contains(name)) {
            if (equals != std::string::npos) {
                m_error = name + " takes no value";
                return false;
            }
            m_flags.insert(name);
        } else if (valueOptions.contains(name)) {
            if (equals != std::string::npos) {
                m_values[name] = word.substr(equals + 1);
            } else if (at + 1 < args.size()) {
                m_values[name] = args[++at];
            } else {
                m_error = name + " needs a value";
                return false;
            }
        } else {
            m_error = "unknown option \"" + word + "\"";
            return false;
        }
    }
    return true;
}

std::optional<std::string> CliArguments::Value(std::string_view name) const
{
    if (const auto it = m_values.find(name); it != m_values.end())
        return it->second;
    return std::nullopt;
}

std::unique_ptr<Document> NewCliDocument(CliContext& context)
{
    const std::optional<ProjectType> type = context.ResolveProjectType();
    if (!type)
        return nullptr;
    auto document = std::make_unique<Document>(context.Prompts(), *type);
    if (!context.LoadCompiledTemplate(document->Schema()))
        return nullptr;
    document->List().SetupColumns(NodeKind::Program);
    return document;
}

bool OpenCliFile(CliContext& context, Document& document, const std::string& path, DatabaseChunk chunk)
{
    const SaveAsKind kind = SaveAsKindOf(path);
    if (kind != SaveAsKind::Bin && kind != SaveAsKind::Ddf && kind != SaveAsKind::Df2) {
        context.Prompts().Message("torvane-cli: \"" + path + "\" is not a .bin, .ddf or .df2 file");
        return false;
    }
    context.Prompts().AnswerChunks(std::string(kLoadChunkCaption),
                                   ChunkChoice{chunk == DatabaseChunk::Default, chunk == DatabaseChunk::User});
    return document.Open(path, Document::LoadedFile::Keep);
}

int SaveStatus(CliContext& context, const Document& document, SaveResult result, const std::string& target)
{
    if (const std::optional<SaveLoss>& refused = document.RefusedCut(); refused && result != SaveResult::Saved) {
        const std::string flag(kAllowCutFlag);
        if (refused->cut)
            context.Fail(CutSaveText(target, *refused->cut) + " Nothing was written (" + flag + " saves without them).");
        if (refused->misplaced > 0)
            context.Fail(OrderSaveText(target, refused->misplaced) + " Nothing was written (" + flag
                         + " saves anyway).");
        return kExitFailure;
    }
    if (result != SaveResult::Saved)
        return result == SaveResult::NothingDone ? kExitOk : kExitFailure;
    if (const std::optional<CutCounts>& leftOut = document.LeftOut())
        context.Fail(CutSaveText(target, *leftOut) + " Saved without them.");
    if (document.Misplaced() > 0)
        context.Fail(OrderSaveText(target, document.Misplaced()) + " Saved anyway.");
    return kExitOk;
}

void SetCutSaves(Document& document, const CliArguments& arguments)
{
    document.SetCutSaves(arguments.Flag(kAllowCutFlag) ? CutSaves::Allow : CutSaves::Refuse);
}

std::string DatabaseCountsLine(std::string_view database, const Document& document)
{
    const DatabaseCounts counts = CountDatabase(document);
    return std::string(database) + " satellites=" + std::to_string(counts.satellites) + " tps="
        + std::to_string(counts.tps) + " services=" + std::to_string(counts.services) + "\n";
}

std::optional<DatabaseChunk> ChunkOption(const CliArguments& arguments)
{
    const std::string value = arguments.Value(kChunkOption).value_or("user");
    if (value == "user")
        return DatabaseChunk::User;
    if (value == "default")
        return DatabaseChunk::Default;
    return std::nullopt;
}

std::optional<ServiceFilter> FilterOption(const CliArguments& arguments)
{
    const std::string value = arguments.Value(kFilterOption).value_or("both");
    if (value == "both")
        return ServiceFilter::TvAndRadio;
    if (value == "tv")
        return ServiceFilter::Tv;
    if (value == "radio")
        return ServiceFilter::Radio;
    return std::nullopt;
}

TreeItem* FindCliItem(Document& document, std::string_view name)
{
    const ChannelTree& tree = document.Store().Tree();
    if (name == "all")
        return tree.FindRoot(TreeKind::AllServices);
    const TreeItem* root = tree.FindRoot(TreeKind::SatelliteRoot);
    if (!root)
        return nullptr;
    const auto satelliteNamed = [root](std::string_view label) -> TreeItem* {
        for (int s = 0; s < root->ChildCount(); ++s) {
            if (root->Child(s)->Label() == label)
                return root->Child(s);
        }
        return nullptr;
    };
    // A satellite's own name wins, so that a name holding '/' can still be given whole.
    if (TreeItem* satellite = satelliteNamed(name))
        return satellite;
    const std::size_t slash = name.rfind('/');
    if (slash == std::string_view::npos)
        return nullptr;
    TreeItem* satellite = satelliteNamed(name.substr(0, slash));
    const std::string_view number = name.substr(slash + 1);
    if (!satellite || number.empty() || number.size() > 5
        || number.find_first_not_of("0123456789") != std::string_view::npos)
        return nullptr;
    return satellite->Child(std::stoi(std::string(number)) - 1);
}

std::vector<std::pair<TreeItem*, int>> TreeItems(const Document& document)
{
    std::vector<std::pair<TreeItem*, int>> items;
    const ChannelTree& tree = document.Store().Tree();
    const auto visit = [&items](auto& self, TreeItem* item, int depth) -> void {
        items.emplace_back(item, depth);
        for (int i = 0; i < item->ChildCount(); ++i)
            self(self, item->Child(i), depth + 1);
    };
    for (int i = 0; i < tree.TopLevelCount(); ++i)
        visit(visit, tree.TopLevel(i), 0);
    return items;
}

void Print(std::FILE* out, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), out);
}

std::string_view NodeKindLabel(NodeKind kind)
{
    switch (kind) {
    case NodeKind::Tp:
        return "tp";
    case NodeKind::Satellite:
        return "sat";
    case NodeKind::Program:
        return "prog";
    case NodeKind::DefaultProgram:
        return "defprog";
    }
    return {};
}

std::string LayoutLines(const NodeSchema& schema)
{
    std::string lines;
    for (const NodeKind kind : kCliNodeKinds) {
        lines += std::string(NodeKindLabel(kind)) + " fields=" + std::to_string(schema.DeclarationCount(kind))
            + " positioned=" + std::to_string(schema.FieldCount(kind))
            + " size=" + std::to_string(schema.NodeSize(kind)) + "\n";
    }
    return lines;
}

} // namespace torvane
