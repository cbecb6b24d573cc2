#include "util/atomic_file.h"

#include <atomic>
#include <charconv>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "util/file_name.h"
#include "util/platform.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;

// The file that will really be replaced: a symbolic link is resolved so that it survives the save.
fs::path ResolveTarget(const fs::path& target)
{
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        const fs::path resolved = fs::canonical(target, error);
        if (!error)
            return resolved;
    }
    return target;
}

fs::path FolderOf(const fs::path& target)
{
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// Temporary files are named ".NAME.tmpPID_N": the target's name, the writing process and a
// counter within that process.
std::string TemporaryPrefix(const fs::path& target)
{
    return "." + FileNameText(target.filename()) + ".tmp";
}

// The writing process of a temporary file of the target, when name is one.
std::optional<platform::ProcessId> TemporaryWriter(std::string_view name, std::string_view prefix)
{
    if (!name.starts_with(prefix))
        return std::nullopt;
    name.remove_prefix(prefix.size());
    const std::size_t underscore = name.find('_');
    if (underscore == std::string_view::npos)
        return std::nullopt;
    const std::string_view counter = name.substr(underscore + 1);
    if (counter.empty() || counter.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    platform::ProcessId pid = 0;
    const char* const end = name.data() + underscore;
    const auto [stop, error] = std::from_chars(name.data(), end, pid);
    if (error != std::errc{} || stop != end || pid == 0)
        return std::nullopt;
    return pid;
}

// A save that was killed leaves its temporary file behind. Those of this target whose process is
// gone are removed; a file another save is still writing (this process's included) is left alone.
void RemoveStaleTemporaries(const fs::path& target)
{
    const std::string prefix = TemporaryPrefix(target);
    std::error_code error;
    for (fs::directory_iterator entry(FolderOf(target), error), end; !error && entry != end; entry.increment(error)) {
        const std::optional<platform::ProcessId> writer = TemporaryWriter(FileNameText(entry->path().filename()), prefix);
        std::error_code ignored;
        if (writer && !platform::ProcessRuns(*writer))
            fs::remove(entry->path(), ignored);
    }
}

// Writes the bytes into a new temporary file beside the target; its name is unique within this
// process, and creating it exclusively guards against anything else in the folder.
std::optional<fs::path> WriteTemporary(const fs::path& target, std::span<const std::uint8_t> bytes,
                                       std::optional<fs::perms> permissions)
{
    static std::atomic<unsigned> counter{0};
    const fs::path folder = FolderOf(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path temporary = folder / FileNamePath(TemporaryPrefix(target) + std::to_string(platform::CurrentProcessId())
                                                         + "_" + std::to_string(counter++));
        switch (platform::WriteNewFile(temporary, bytes, permissions)) {
        case platform::NewFileResult::Written:
            return temporary;
        case platform::NewFileResult::NameTaken:
            continue;
        case platform::NewFileResult::Failed: {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return std::nullopt;
        }
        }
    }
    return std::nullopt;
}

constexpr fs::perms kWriteBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

} // namespace

bool IsReadOnlyFile(const std::string& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(ResolveTarget(FileNamePath(path)), error);
    return !error && fs::exists(status) && (status.permissions() & kWriteBits) == fs::perms::none;
}

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    if (path.empty())
        return false;
    const fs::path target = ResolveTarget(FileNamePath(path));

    // An existing target keeps its permissions; one marked read-only is refused (renaming over it
    // would succeed on POSIX, where only the folder's rights count, and fail on Windows).
    if (IsReadOnlyFile(path))
        return false;
    std::optional<fs::perms> permissions;
    std::error_code error;
    const fs::file_status existing = fs::status(target, error);
    if (!error && fs::exists(existing))
        permissions = existing.permissions();
    const std::optional<fs::path> temporary = WriteTemporary(target, bytes, permissions);
    if (!temporary)
        return false;
    if (!platform::PutInPlace(*temporary, target)) {
        std::error_code ignored;
        fs::remove(*temporary, ignored);
        return false;
    }
    RemoveStaleTemporaries(target);
    return true;
}

} // namespace torvane
