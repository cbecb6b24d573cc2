#ifndef _WIN32

#include "util/platform.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane::platform {

namespace fs = std::filesystem;

ProcessId CurrentProcessId()
{
    return static_cast<ProcessId>(::getpid());
}

bool ProcessRuns(ProcessId id)
{
    const auto pid = static_cast<pid_t>(id);
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

namespace {

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

} // namespace

NewFileResult WriteNewFile(const fs::path& path, std::span<const std::uint8_t> bytes, std::optional<fs::perms> permissions)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EEXIST ? NewFileResult::NameTaken : NewFileResult::Failed;
    bool ok = !permissions || ::fchmod(fd, static_cast<mode_t>(*permissions) & 07777) == 0;
    ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    return ok ? NewFileResult::Written : NewFileResult::Failed;
}

bool PutInPlace(const fs::path& from, const fs::path& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return false;
    // Syncing the folder makes the rename itself durable.
    const fs::path folder = to.has_parent_path() ? to.parent_path() : fs::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

bool FolderIsWritable(const fs::path& folder)
{
    return ::access(folder.c_str(), W_OK) == 0;
}

fs::path ExecutablePath()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer)
        return {};
    return fs::path(std::string(buffer, static_cast<std::size_t>(n)));
}

std::string EnvironmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string{};
}

} // namespace torvane::platform

#endif
