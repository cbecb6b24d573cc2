#include <string>

#include "cli/cli_document.h"
#include "document/backup_listing.h"
#include "util/file_reader.h"
#include "util/saved_file.h"

// torvane-cli backups FILE
// torvane-cli restore FILE N [--out OUT]

namespace torvane {
namespace {

constexpr std::string_view kOutOption = "--out";

// FILE's copies, the newest first; with the reason said when there are none.
std::vector<BackupCopy> CopiesOrFail(CliContext& context, const std::string& file)
{
    const BackupStore store = context.Backups();
    std::vector<BackupCopy> copies = BackupStore::List(store.FolderOf(file));
    if (copies.empty())
        context.Fail(NoBackupsMessage(file, store.FolderOf(file)));
    return copies;
}

} // namespace

int RunBackupsCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {}, {}) || arguments.Positional().size() != 1) {
        context.Fail(arguments.Error().empty() ? "backups: expected FILE" : "backups: " + arguments.Error());
        return kExitUsage;
    }
    const std::string& file = arguments.Positional()[0];
    if (CopiesOrFail(context, file).empty())
        return kExitFailure;
    const std::unique_ptr<Document> document = NewCliDocument(context);
    if (!document)
        return kExitFailure;
    int index = 0;
    std::string lines;
    for (const BackupEntry& entry : ListBackups(context.Backups(), file, document->Schema(), document->Type()))
        lines += std::to_string(++index) + "\t" + entry.copy.date + "\t" + std::to_string(entry.copy.size) + "\t"
            + CountsText(entry.counts) + "\n";
    Print(context.Out(), lines);
    return kExitOk;
}

int RunRestoreCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {std::string(kOutOption)}, {}) || arguments.Positional().size() != 2) {
        context.Fail(arguments.Error().empty() ? "restore: expected FILE N" : "restore: " + arguments.Error());
        return kExitUsage;
    }
    const std::string& file = arguments.Positional()[0];
    const std::string& number = arguments.Positional()[1];
    const std::vector<BackupCopy> copies = CopiesOrFail(context, file);
    if (copies.empty())
        return kExitFailure;
    const bool valid = !number.empty() && number.size() <= 6 && number.find_first_not_of("0123456789") == std::string::npos
        && std::stoul(number) >= 1 && std::stoul(number) <= copies.size();
    if (!valid) {
        context.Fail("restore: N must be a backup's number from 1 (the newest) to " + std::to_string(copies.size()));
        return kExitUsage;
    }
    const BackupCopy& copy = copies[std::stoul(number) - 1];
    const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(copy.path);
    if (!bytes) {
        context.Fail("cannot read \"" + copy.path + "\"");
        return kExitFailure;
    }
    // Restoring over FILE keeps FILE's current bytes as a backup first, as every save does.
    const std::string out = arguments.Value(kOutOption).value_or(file);
    if (!WriteSavedFile(out, *bytes, context.Prompts()))
        return kExitFailure;
    Print(context.Out(), "restored " + copy.date + " to " + out + "\n");
    return kExitOk;
}

} // namespace torvane
