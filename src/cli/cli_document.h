#pragma once

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_commands.h"
#include "database/flash_image.h"
#include "document/document.h"
#include "schema/node_schema.h"

namespace torvane {

class TreeItem;

// The words after a command word: positional arguments, "--name VALUE" / "--name=VALUE" options
// and "--name" flags, each name from the command's own lists.
class CliArguments final {
public:
    // False, with the reason in Error(), for an unknown option, a value option without a value or
    // a flag given a value.
    bool Parse(CommandArgs args, const std::set<std::string, std::less<>>& valueOptions,
               const std::set<std::string, std::less<>>& flags);

    const std::vector<std::string>& Positional() const { return m_positional; }
    std::optional<std::string> Value(std::string_view name) const;
    bool Flag(std::string_view name) const { return m_flags.contains(std::string(name)); }
    const std::string& Error() const { return m_error; }

private:
    std::vector<std::string> m_positional;
    std::map<std::string, std::string, std::less<>> m_values;
    std::set<std::string, std::less<>> m_flags;
    std::string m_error;
};

// The shared options of the file commands.
inline constexpr std::string_view kChunkOption = "--chunk";
// What a command says when ChunkOption finds no chunk.
inline constexpr std::string_view kChunkOptionError = "--chunk must be user or default";
inline constexpr std::string_view kItemOption = "--item";
inline constexpr std::string_view kFilterOption = "--filter";

// A document for a command: the project type and script.ini of the configuration, nothing open.
std::unique_ptr<Document> NewCliDocument(CliContext& context);

// Opens a flash image (the chunk given answers "Load database config") or a .ddf / .df2 file
// through the editor's open command, without writing anything back. False after the editor's
// messages.
bool OpenCliFile(CliContext& context, Document& document, const std::string& path, DatabaseChunk chunk);

// What a save of target ended in, as the command's exit status: 0 when saved whole, or saved cut
// with --allow-cut (a line on standard error says what was left out, another how many services a
// .ddf did not keep in place); 1 when nothing was written because the database does not fit or a
// .ddf cannot keep the channel order, and that was not allowed (a line for each says what it
// would lose), or when the save failed.
int SaveStatus(CliContext& context, const Document& document, SaveResult result, const std::string& target);

// "--allow-cut": a save that leaves out what does not fit, or a .ddf that cannot keep the place of
// services outside their TP, is written.
inline constexpr std::string_view kAllowCutFlag = "--allow-cut";
// The document's cut saves as the flag says: allowed, or refused.
void SetCutSaves(Document& document, const CliArguments& arguments);

// "<database> satellites=N tps=N services=N" and a line end: the open document's counts.
std::string DatabaseCountsLine(std::string_view database, const Document& document);

// "--chunk user|default" (user when absent); nothing for another value.
std::optional<DatabaseChunk> ChunkOption(const CliArguments& arguments);
// "--filter tv|radio|both" (both when absent); nothing for another value.
std::optional<ServiceFilter> FilterOption(const CliArguments& arguments);

// The tree item named by "all" (All Services), "SATNAME" or "SATNAME/N" (the satellite's N-th TP,
// from 1), or nullptr.
TreeItem* FindCliItem(Document& document, std::string_view name);

// Every item of the tree in navigator order, with its depth.
std::vector<std::pair<TreeItem*, int>> TreeItems(const Document& document);

void Print(std::FILE* out, std::string_view text);

// The four layouts in the order the commands show them, with their short names.
inline constexpr std::array<NodeKind, kNodeKindCount> kCliNodeKinds = {NodeKind::Tp, NodeKind::Satellite,
                                                                       NodeKind::Program, NodeKind::DefaultProgram};
// "tp", "sat", "prog" or "defprog".
std::string_view NodeKindLabel(NodeKind kind);
// One line per layout: "<label> fields=N positioned=N size=N".
std::string LayoutLines(const NodeSchema& schema);

} // namespace torvane
