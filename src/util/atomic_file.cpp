#include "util/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>

#include <fcntl.h>
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

// Creates a new, empty temporary file beside the target; its name is unique within this process
// and O_EXCL guards against anything else in the folder.
int CreateTemporary(const fs::path& target, std::string& temporaryPath)
{
    static std::atomic<unsigned> counter{0};
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = (folder / ("." + target.filename().string() + ".tmp"
                                   + std::to_string(::getpid()) + "_" + std::to_string(counter++)))
                            .string();
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void SyncFolderOf(const fs::path& target)
{
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
    return true;
}

} // namespace torvane
