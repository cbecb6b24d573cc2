#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace torvane::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes. Readable by every user, so that tests can also run steps under another user id.
class ScratchFolder final {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string Path(const std::string& name) const { return m_path + "/" + name; }

    void Write(const std::string& name, std::span<const std::uint8_t> bytes) const;
    std::vector<std::uint8_t> Read(const std::string& name) const;
    // The names in the folder, sorted; shows leftovers such as temporary files.
    std::vector<std::string> Names() const;

private:
    std::string m_path;
};

} // namespace torvane::test
