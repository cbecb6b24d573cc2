#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

// The few services of the operating system the Qt-free layers need, one implementation per system
// (platform_posix.cpp, platform_windows.cpp), so that the code above them is the same everywhere.
namespace torvane::platform {

using ProcessId = std::uint32_t;

ProcessId CurrentProcessId();
// Whether a process of that id is running (one of another user included).
bool ProcessRuns(ProcessId id);

enum class NewFileResult { Written, NameTaken, Failed };

// Creates the file, which must not exist yet, writes bytes into it, flushes them to the disk and
// closes it. On Failed the file may be left behind: the caller removes it. permissions are applied
// where the system has them (POSIX mode bits).
NewFileResult WriteNewFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                           std::optional<std::filesystem::perms> permissions);

// Puts the file from in the place of to, replacing it in one step, and makes that durable.
bool PutInPlace(const std::filesystem::path& from, const std::filesystem::path& to);

// Whether a file can be created in the folder by this process.
bool FolderIsWritable(const std::filesystem::path& folder);

// The full path of the running executable; empty when it cannot be found out.
std::filesystem::path ExecutablePath();

// An environment variable as UTF-8; empty when unset.
std::string EnvironmentText(const char* name);

} // namespace torvane::platform
