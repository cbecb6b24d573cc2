#include "document/backup_listing.h"

#include <limits>

#include "database/database_image.h"
#include "database/flash_image.h"
#include "document/document.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"
#include "util/silent_prompts.h"

namespace torvane {
namespace {

// A flash image's user database counted from its table headers alone, without building the
// tree: what the window's status bar shows for it.
std::optional<DatabaseCounts> CountUserDatabase(const std::string& path, UserPrompts& prompts)
{
    FlashImage flash;
    const std::optional<UserRegion> region = flash.OpenUserDatabase(path, prompts);
    if (!region || region->length > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    DatabaseImage image;
    image.SetReservedSize(static_cast<std::uint32_t>(region->reservedSize));
    if (image.parserdb(path, region->offset, static_cast<std::uint32_t>(region->length), prompts) != 0)
        return std::nullopt;
    return DatabaseCounts{image.Table(NodeKind::Satellite)->liveCount, image.Table(NodeKind::Tp)->liveCount,
                          image.Table(NodeKind::Program)->liveCount};
}

std::optional<DatabaseCounts> CountFile(const std::string& path, const NodeSchema& schema, ProjectType type)
{
    SilentPrompts prompts;
    const SaveAsKind kind = SaveAsKindOf(path);
    if (kind == SaveAsKind::Bin) {
        if (std::optional<DatabaseCounts> counts = CountUserDatabase(path, prompts))
            return counts;
    }
    if (kind != SaveAsKind::Bin && kind != SaveAsKind::Ddf && kind != SaveAsKind::Df2)
        return std::nullopt;
    Document document(prompts, type);
    document.Schema() = schema;
    document.List().SetupColumns(NodeKind::Program);
    const bool opened =
        kind == SaveAsKind::Bin ? document.OpenDefaultDatabase(path) : document.LoadDefaultDatabase(path);
    if (!opened)
        return std::nullopt;
    return CountDatabase(document);
}

} // namespace

DatabaseCounts CountDatabase(const Document& document)
{
    DatabaseCounts counts;
    const ChannelTree& tree = document.Store().Tree();
    if (const TreeItem* root = tree.FindRoot(TreeKind::SatelliteRoot)) {
        counts.satellites = root->ChildCount();
        for (int s = 0; s < root->ChildCount(); ++s)
            counts.tps += root->Child(s)->ChildCount();
    }
    if (const TreeItem* all = tree.FindRoot(TreeKind::AllServices))
        counts.services = all->Info()->programs.Size();
    return counts;
}

std::vector<BackupEntry> ListBackups(const BackupStore& store, const std::string& path, const NodeSchema& schema,
                                     ProjectType type)
{
    std::vector<BackupEntry> entries;
    for (BackupCopy& copy : BackupStore::List(store.FolderOf(path))) {
        std::optional<DatabaseCounts> counts = CountFile(copy.path, schema, type);
        entries.push_back({std::move(copy), counts});
    }
    return entries;
}

std::string NoBackupsMessage(std::string_view path, std::string_view folder)
{
    return "There are no backups of " + std::string(path) + " in " + std::string(folder) + ".";
}

std::string CountsText(const std::optional<DatabaseCounts>& counts)
{
    if (!counts)
        return "-";
    return std::to_string(counts->satellites) + " satellites, " + std::to_string(counts->tps) + " TPs, "
        + std::to_string(counts->services) + " services";
}

} // namespace torvane
