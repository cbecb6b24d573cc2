#include "util/saved_file.h"

#include "util/atomic_file.h"
#include "util/backup_store.h"
#include "util/user_prompts.h"

namespace torvane {
namespace {

const BackupStore* g_saveBackups = nullptr;

} // namespace

std::string BackupFailedMessage(std::string_view path, std::string_view folder)
{
    return "Can't keep a backup of " + std::string(path) + " in " + std::string(folder) + ": nothing was saved.";
}

void SetSaveBackups(const BackupStore* store)
{
    g_saveBackups = store;
}

const BackupStore* SaveBackups()
{
    return g_saveBackups;
}

bool WriteSavedFile(const std::string& path, std::span<const std::uint8_t> bytes, UserPrompts& prompts)
{
    const auto cantWrite = [&] {
        prompts.Message(std::string(kCantWriteMessage) + path);
        return false;
    };
    // Refused before a copy is kept: on Windows a read-only copy could not be dropped again.
    if (IsReadOnlyFile(path))
        return cantWrite();
    KeepResult kept;
    if (g_saveBackups != nullptr) {
        if (g_saveBackups->Holds(path)) {
            prompts.Message(kBackupIsReadOnlyMessage);
            return false;
        }
        kept = g_saveBackups->Keep(path);
        if (kept.outcome == KeepOutcome::Failed) {
            prompts.Message(BackupFailedMessage(path, g_saveBackups->FolderOf(path)));
            return false;
        }
    }
    if (!WriteFileAtomically(path, bytes)) {
        // A save that did not happen leaves no copy behind.
        if (kept.outcome == KeepOutcome::Kept)
            g_saveBackups->Drop(kept.copy);
        return cantWrite();
    }
    if (kept.outcome == KeepOutcome::Kept)
        g_saveBackups->ApplyRetention();
    return true;
}

} // namespace torvane
