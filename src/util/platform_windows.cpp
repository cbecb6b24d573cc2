#ifdef _WIN32

#include "util/platform.h"

#include <algorithm>
#include <vector>

#include <windows.h>

#include "util/file_name.h"

namespace torvane::platform {

namespace fs = std::filesystem;

ProcessId CurrentProcessId()
{
    return static_cast<ProcessId>(::GetCurrentProcessId());
}

bool ProcessRuns(ProcessId id)
{
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    if (process == nullptr)
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
}

NewFileResult WriteNewFile(const fs::path& path, std::span<const std::uint8_t> bytes, std::optional<fs::perms>)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_EXISTS ? NewFileResult::NameTaken : NewFileResult::Failed;
    bool ok = true;
    while (ok && !bytes.empty()) {
        // WriteFile takes a 32-bit count.
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        ok = ::WriteFile(file, bytes.data(), chunk, &written, nullptr) && written > 0;
        bytes = bytes.subspan(ok ? written : bytes.size());
    }
    ok = ok && ::FlushFileBuffers(file);
    ok = ::CloseHandle(file) && ok;
    return ok ? NewFileResult::Written : NewFileResult::Failed;
}

bool PutInPlace(const fs::path& from, const fs::path& to)
{
    // A read-only or open (locked) target makes this fail, and the target stays as it was.
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool FolderIsWritable(const fs::path& folder)
{
    // Access rights on Windows are lists, not bits: the one sure answer is to try. The probe file
    // goes away when its handle is closed.
    const fs::path probe = folder / (L".torvane-probe-" + std::to_wstring(::GetCurrentProcessId()));
    HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(file);
    return true;
}

fs::path ExecutablePath()
{
    // The path may be longer than MAX_PATH; the buffer grows until it holds it.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size())
            return fs::path(std::wstring(buffer.data(), n));
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string EnvironmentText(const char* name)
{
    const std::wstring wideName(name, name + std::char_traits<char>::length(name));
    const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD n = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    if (n == 0 || n >= size)
        return {};
    value.resize(n);
    return FileNameText(fs::path(value));
}

} // namespace torvane::platform

#endif
