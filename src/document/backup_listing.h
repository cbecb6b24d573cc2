#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schema/project_type.h"
#include "util/backup_store.h"

namespace torvane {

class Document;
class NodeSchema;

// How much an open database holds: satellites, their TPs, and services ("All Services").
struct DatabaseCounts {
    int satellites = 0;
    int tps = 0;
    int services = 0;

    bool operator==(const DatabaseCounts&) const = default;
};

DatabaseCounts CountDatabase(const Document& document);

// A kept copy with the counts of the database it holds: a flash image's user database (else its
// default database), a .ddf / .df2 file's database; nothing for a copy that holds none (a listing,
// a CSV file, a file that no longer reads).
struct BackupEntry {
    BackupCopy copy;
    std::optional<DatabaseCounts> counts;
};

// The backups of the file at path, the newest first, each read with schema and type.
std::vector<BackupEntry> ListBackups(const BackupStore& store, const std::string& path, const NodeSchema& schema,
                                     ProjectType type);

// "There are no backups of PATH in FOLDER."
std::string NoBackupsMessage(std::string_view path, std::string_view folder);

// "3 satellites, 41 TPs, 1200 services", or "-" for nothing.
std::string CountsText(const std::optional<DatabaseCounts>& counts);

} // namespace torvane
