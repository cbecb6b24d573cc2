#include "util/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {
namespace {

namespace fs = std::filesystem;

// The file that will really be replaced: a symbolic link is resolved so that it survives the save.
fs::path ResolveTarget(const std::string& path)
{
    std::error_code error;
    const fs::path target(path);
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        const fs::path resolved = fs::canonical(target, error);
        if (!error)
            return resolved;
    }
    return target;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

fs::path FolderOf(const fs::path& target)
{
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// Temporary files are named ".NAME.tmpPID_N": the target's name, the writing process and a
// counter within that process.
std::string TemporaryPrefix(const fs::path& target)
{
    return "." + target.filename().string() + ".tmp";
}

// The writing process of a temporary file of the target, when name is one.
std::optional<pid_t> TemporaryWriter(std::string_view name, std::string_view prefix)
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
    pid_t pid = 0;
    const char* const end = name.data() + underscore;
    const auto [stop, error] = std::from_chars(name.data(), end, pid);
    if (error != std::errc{} || stop != end || pid <= 0)
        return std::nullopt;
    return pid;
}

bool ProcessExists(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// A save that was killed leaves its temporary file behind. Those of this target whose process is
// gone are removed; a file another save is still writing (this process's included) is left alone.
void RemoveStaleTemporaries(const fs::path& target)
{
    const std::string prefix = TemporaryPrefix(target);
    std::error_code error;
    for (fs::directory_iterator entry(FolderOf(target), error), end; !error && entry != end; entry.increment(error)) {
        const std::optional<pid_t> writer = TemporaryWriter(entry->path().filename().string(), prefix);
        if (writer && !ProcessExists(*writer))
            ::unlink(entry->path().c_str());
    }
}

// Creates a new, empty temporary file beside the target; its name is unique within this process
// and O_EXCL guards against anything else in the folder.
int CreateTemporary(const fs::path& target, std::string& temporaryPath)
{
    static std::atomic<unsigned> counter{0};
    const fs::path folder = FolderOf(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = (folder / (TemporaryPrefix(target) + std::to_string(::getpid()) + "_"
                                   + std::to_string(counter++)))
                            .string();
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void SyncFolderOf(const fs::path& target)
{
    const int fd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    if (path.empty())
        return false;
    const fs::path target = ResolveTarget(path);
    std::string temporaryPath;
    const int fd = CreateTemporary(target, temporaryPath);
    if (fd < 0)
        return false;

    struct stat existing {};
    bool ok = true;
    if (::stat(target.c_str(), &existing) == 0)
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporaryPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporaryPath.c_str());
        return false;
    }
    // The new content is in place; syncing the folder makes the rename itself durable.
    SyncFolderOf(target);
    RemoveStaleTemporaries(target);
    return true;
}

} // namespace torvane
