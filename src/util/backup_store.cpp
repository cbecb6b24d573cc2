#include "util/backup_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <span>
#include <utility>

#include "util/atomic_file.h"
#include "util/crc32_mpeg2.h"
#include "util/file_name.h"
#include "util/file_reader.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMiB = 1024 * 1024;
// "2026-12-08T10-15-30Z"
constexpr std::size_t kStampLength = 20;

// Where a copy's name puts it in time: its stamp, then its number within that second (1 for the
// first, which has none in its name).
struct CopyOrder {
    std::string stamp;
    unsigned sequence = 1;

    auto operator<=>(const CopyOrder&) const = default;
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::optional<CopyOrder> OrderOf(std::string_view name)
{
    constexpr std::string_view kPattern = "dddd-dd-ddTdd-dd-ddZ";
    if (name.size() < kStampLength)
        return std::nullopt;
    for (std::size_t i = 0; i < kStampLength; ++i) {
        if (kPattern[i] == 'd' ? !IsDigit(name[i]) : name[i] != kPattern[i])
            return std::nullopt;
    }
    CopyOrder order{std::string(name.substr(0, kStampLength))};
    std::string_view rest = name.substr(kStampLength);
    if (rest.starts_with('-')) {
        rest.remove_prefix(1);
        const std::size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size());
        if (digits == 0 || digits > 6)
            return std::nullopt;
        order.sequence = static_cast<unsigned>(std::stoul(std::string(rest.substr(0, digits))));
        rest.remove_prefix(digits);
    }
    if (!rest.empty() && !rest.starts_with('.'))
        return std::nullopt;
    return order;
}

std::string StampOf(std::time_t now)
{
    using namespace std::chrono;
    const sys_seconds seconds{std::chrono::seconds{now}};
    const sys_days day = floor<days>(seconds);
    const year_month_day date{day};
    const hh_mm_ss time{seconds - day};
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02u-%02uT%02d-%02d-%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return stamp;
}

// "2026-12-08 10:15:30 UTC" from "2026-12-08T10-15-30Z".
std::string DateOf(const std::string& stamp)
{
    return stamp.substr(0, 10) + " " + stamp.substr(11, 2) + ":" + stamp.substr(14, 2) + ":" + stamp.substr(17, 2)
        + " UTC";
}

struct OrderedCopy {
    CopyOrder order;
    BackupCopy copy;
};

std::vector<OrderedCopy> OrderedCopies(const fs::path& folder)
{
    std::vector<OrderedCopy> copies;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::error_code ignored;
        const std::optional<CopyOrder> order = OrderOf(FileNameText(entry->path().filename()));
        if (!order || !entry->is_regular_file(ignored))
            continue;
        // Named as NewCopyPath names them, with "/" after the folder on every system.
        copies.push_back({*order, {FileNameText(folder) + "/" + FileNameText(entry->path().filename()), DateOf(order->stamp),
                                   entry->file_size(ignored)}});
    }
    std::sort(copies.begin(), copies.end(),
              [](const OrderedCopy& a, const OrderedCopy& b) { return a.order > b.order; });
    return copies;
}

fs::path FullPath(const std::string& path)
{
    std::error_code error;
    const fs::path full = fs::weakly_canonical(fs::absolute(FileNamePath(path), error), error);
    return error ? fs::absolute(FileNamePath(path), error) : full;
}

} // namespace

std::string ReceiverBackupFailedMessage(std::string_view folder)
{
    return "Can't write the backup folder " + std::string(folder) + ": nothing was sent.";
}

BackupStore::BackupStore(std::string folder, BackupSettings settings)
    : m_folder(std::move(folder))
    , m_settings(settings)
{
    while (m_folder.size() > 1 && (m_folder.back() == '/' || m_folder.back() == fs::path::preferred_separator))
        m_folder.pop_back();
}

std::string BackupStore::FolderOf(const std::string& path) const
{
    const std::string full = FileNameText(FullPath(path));
    const std::uint32_t crc =
        Crc32Mpeg2(std::span(reinterpret_cast<const std::uint8_t*>(full.data()), full.size()));
    char hash[16];
    std::snprintf(hash, sizeof hash, "-%08x", static_cast<unsigned>(crc));
    return m_folder + "/" + FileNameText(FullPath(path).filename()) + hash;
}

std::string BackupStore::ReceiverFolder(std::string_view port) const
{
    const std::size_t separator = port.find_last_of("/\\");
    std::string name(separator == std::string_view::npos ? port : port.substr(separator + 1));
    for (char& c : name) {
        const bool plain = IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' || c == '-';
        if (!plain)
            c = '_';
    }
    return m_folder + "/receiver-" + name;
}

std::optional<std::string> BackupStore::NewReceiverCopy(std::string_view port) const
{
    const std::string folder = ReceiverFolder(port);
    std::error_code error;
    fs::create_directories(FileNamePath(folder), error);
    if (error)
        return std::nullopt;
    return NewCopyPath(folder, ".bin", std::time(nullptr));
}

bool BackupStore::Holds(const std::string& path) const
{
    const fs::path relative = FullPath(path).lexically_relative(FullPath(m_folder));
    return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

std::string BackupStore::NewCopyPath(const std::string& folder, std::string_view extension, std::time_t now)
{
    // After the last copy of the same second, even when retention has removed earlier ones, so
    // that the order of the names stays the order of the copies.
    const std::string stamp = StampOf(now);
    unsigned sequence = 0;
    for (const OrderedCopy& copy : OrderedCopies(FileNamePath(folder))) {
        if (copy.order.stamp == stamp)
            sequence = std::max(sequence, copy.order.sequence);
    }
    ++sequence;
    return folder + "/" + stamp + (sequence == 1 ? "" : "-" + std::to_string(sequence)) + std::string(extension);
}

KeepResult BackupStore::Keep(const std::string& path) const
{
    std::error_code error;
    // A symbolic link is kept as the file it points to, which is what the save replaces.
    const fs::path file = fs::canonical(FileNamePath(path), error);
    if (error || !fs::is_regular_file(file, error))
        return {KeepOutcome::NothingToKeep, {}};
    const std::uint64_t size = fs::file_size(file, error);
    if (error)
        return {KeepOutcome::Failed, {}};
    const std::string folder = FolderOf(path);
    fs::create_directories(FileNamePath(folder), error);
    if (error)
        return {KeepOutcome::Failed, {}};
    const std::vector<BackupCopy> copies = List(folder);
    if (!copies.empty()) {
        const fs::path newest = FileNamePath(copies.front().path);
        if (fs::equivalent(file, newest, error)
            || (copies.front().size == size && ReadFileBytes(FileNameText(file)) == ReadFileBytes(copies.front().path)))
            return {KeepOutcome::Unchanged, {}};
    }
    const std::string copy = NewCopyPath(folder, FileNameText(FileNamePath(path).extension()), std::time(nullptr));
    // Saves put a new file in place of the old one and never write into it, so a hard link keeps
    // the old bytes for the copy alone, at no cost, whole or not at all. Where there can be none
    // (another volume, a file system without links) the bytes are written like a save.
    fs::create_hard_link(file, FileNamePath(copy), error);
    if (error) {
        const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(FileNameText(file));
        if (!bytes || !WriteFileAtomically(copy, *bytes))
            return {KeepOutcome::Failed, {}};
    }
    return {KeepOutcome::Kept, copy};
}

void BackupStore::Drop(const std::string& copy) const
{
    std::error_code ignored;
    const fs::path path = FileNamePath(copy);
    fs::remove(path, ignored);
    // A folder is removed only when empty.
    fs::remove(path.parent_path(), ignored);
    fs::remove(FileNamePath(m_folder), ignored);
}

std::vector<BackupCopy> BackupStore::List(const std::string& folder)
{
    std::vector<BackupCopy> copies;
    for (OrderedCopy& ordered : OrderedCopies(FileNamePath(folder)))
        copies.push_back(std::move(ordered.copy));
    return copies;
}

void BackupStore::ApplyRetention() const
{
    std::uint64_t total = 0;
    std::vector<OrderedCopy> removable; // every copy but the newest of its file
    std::error_code error;
    for (fs::directory_iterator entry(FileNamePath(m_folder), error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code ignored;
        if (!entry->is_directory(ignored))
            continue;
        std::vector<OrderedCopy> copies = OrderedCopies(entry->path());
        for (std::size_t i = 0; i < copies.size(); ++i) {
            if (i >= static_cast<std::size_t>(m_settings.perFile)) {
                fs::remove(FileNamePath(copies[i].copy.path), ignored);
                continue;
            }
            total += copies[i].copy.size;
            if (i > 0)
                removable.push_back(std::move(copies[i]));
        }
    }
    std::sort(removable.begin(), removable.end(),
              [](const OrderedCopy& a, const OrderedCopy& b) { return a.order < b.order; });
    const std::uint64_t limit = static_cast<std::uint64_t>(m_settings.totalMiB) * kMiB;
    for (const OrderedCopy& oldest : removable) {
        if (total <= limit)
            break;
        std::error_code ignored;
        if (fs::remove(FileNamePath(oldest.copy.path), ignored))
            total -= oldest.copy.size;
    }
}

} // namespace torvane
