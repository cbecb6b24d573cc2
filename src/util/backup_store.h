#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// Whether saves keep copies of the files they replace, and how many are kept (config.ini and
// Setting → "Backups…").
struct BackupSettings {
    static constexpr int kMinPerFile = 1;
    static constexpr int kMaxPerFile = 1000;
    static constexpr int kMinTotalMiB = 1;
    static constexpr int kMaxTotalMiB = 100000;

    bool enabled = true;
    int perFile = 20;      // the newest copies kept of each file
    int totalMiB = 500;    // all copies together, in MiB of 1048576 bytes
    // The editor's Download first dumps the receiver's flash into the backup folder (minutes at
    // 115200 bit/s, so off until chosen).
    bool receiverFlash = false;

    bool operator==(const BackupSettings&) const = default;
};

// One kept copy.
struct BackupCopy {
    std::string path;      // UTF-8
    std::string date;      // "2026-12-08 10:15:30 UTC"
    std::uint64_t size = 0;

    bool operator==(const BackupCopy&) const = default;
};

// "Can't write the backup folder FOLDER: nothing was sent.": a download that was to back up the
// receiver's flash first.
std::string ReceiverBackupFailedMessage(std::string_view folder);

enum class KeepOutcome {
    Kept,          // a new copy was written
    Unchanged,     // the newest copy already holds these bytes
    NothingToKeep, // no file there yet
    Failed,        // the copy could not be written: the caller must not replace the file
};

struct KeepResult {
    KeepOutcome outcome = KeepOutcome::NothingToKeep;
    std::string copy;  // Kept: the new copy's path
};

// The backup folder ("backups/" in the configuration folder). Each file has a subfolder of its
// own, named after the file and eight hex digits of the CRC of its full path (so that two
// "demo.bin" of different folders stay apart), which holds the copies named by the UTC time they
// were made: "2026-12-08T10-15-30Z.bin" with the file's extension, "…Z-2.bin", "…Z-3.bin" for
// more copies within the same second. A receiver's flash goes into "receiver-PORT".
//
// A copy is a hard link to the replaced file where the volume allows (saves put a new file in its
// place, so the old bytes then belong to the copy alone), else written like a save (a temporary
// file, then a rename): either way a copy is whole or absent.
// Retention: the newest perFile copies of each file, and at most totalMiB in all, the oldest copy
// removed first but never the newest of a file.
class BackupStore final {
public:
    BackupStore(std::string folder, BackupSettings settings);

    // UTF-8, without a trailing separator.
    const std::string& Folder() const { return m_folder; }
    const BackupSettings& Settings() const { return m_settings; }

    // The subfolder of the file's copies; path is made absolute first.
    std::string FolderOf(const std::string& path) const;
    // The subfolder of the flash copies of the receiver on port ("/dev/ttyUSB0" gives
    // "receiver-ttyUSB0").
    std::string ReceiverFolder(std::string_view port) const;
    // Makes the receiver's subfolder and names a new ".bin" copy in it, made now; nothing when the
    // folder cannot be made.
    std::optional<std::string> NewReceiverCopy(std::string_view port) const;
    // Whether path lies inside the backup folder.
    bool Holds(const std::string& path) const;

    // A name for a new copy made at time now in folder, after every copy there.
    static std::string NewCopyPath(const std::string& folder, std::string_view extension, std::time_t now);

    // Before a save replaces path: copies its current bytes unless they equal the newest copy.
    // Once the save is written the caller applies the retention; when it fails it drops the copy.
    KeepResult Keep(const std::string& path) const;
    // Removes a copy Keep made for a save that then failed, with its folders when they are left empty.
    void Drop(const std::string& copy) const;

    // The copies in a subfolder, the newest first; other files there are left out.
    static std::vector<BackupCopy> List(const std::string& folder);

    // Removes what the limits do not keep, in every subfolder.
    void ApplyRetention() const;

private:
    std::string m_folder;
    BackupSettings m_settings;
};

} // namespace torvane
