#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace torvane::fuzz {

// The file a target writes its bytes to for the file-based readers, removed at exit. It lies in
// memory where the system offers a folder for that: on a disk file system, cutting a file and
// writing it again starts a write-back on close, which made each run wait for the disk.
class ScratchFile final {
public:
    explicit ScratchFile(std::string_view name)
        : m_path((Folder() / (std::string(name) + "-" + std::to_string(::getpid()) + ".bin")).string())
    {
    }
    ~ScratchFile()
    {
        std::error_code error;
        std::filesystem::remove(m_path, error);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return m_path; }

    // A plain write: the atomic one syncs to disk, which would make each run take milliseconds.
    bool Write(std::span<const std::uint8_t> bytes) const
    {
        std::ofstream stream(m_path, std::ios::binary | std::ios::trunc);
        stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(stream);
    }

private:
    static std::filesystem::path Folder()
    {
        std::error_code error;
        const std::filesystem::path shared = "/dev/shm";
        return std::filesystem::is_directory(shared, error) ? shared : std::filesystem::temp_directory_path();
    }

    std::string m_path;
};

} // namespace torvane::fuzz
