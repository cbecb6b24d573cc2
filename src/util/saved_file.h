#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace torvane {

class BackupStore;
class UserPrompts;

inline constexpr std::string_view kCantWriteMessage = "Can't write ";  // followed by the path
// "Can't keep a backup of PATH in FOLDER: nothing was saved."
std::string BackupFailedMessage(std::string_view path, std::string_view folder);
// A save aimed at a kept copy.
inline constexpr std::string_view kBackupIsReadOnlyMessage =
    "A backup is kept as it is: save it elsewhere with Save As.";

// The backup store the saves of this process keep their copies in; nullptr (the default) keeps
// none. The program sets it once at start from the configuration (backups on or off).
void SetSaveBackups(const BackupStore* store);
const BackupStore* SaveBackups();

// How every save writes a user's file (an image, a default-database file, an export): an existing
// file is first copied into the backup store (BackupStore::Keep), then replaced whole
// (WriteFileAtomically, which puts a new file in its place and never writes into the old one: the
// copy may share the old one's bytes), and the retention applied. A copy that fails says so,
// naming the backup folder, and nothing is replaced; a failed write says "Can't write PATH" and
// leaves no copy. A file inside the backup folder is not written. path is UTF-8.
bool WriteSavedFile(const std::string& path, std::span<const std::uint8_t> bytes, UserPrompts& prompts);

} // namespace torvane
