#include "support/scratch_folder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "util/file_name.h"

namespace torvane::test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder()
{
    // A name nobody else has: create_directory fails on one that exists.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
        const fs::path folder = fs::temp_directory_path() / ("torvane-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(folder, error))
            m_path = FileNameText(folder);
    }
    if (m_path.empty())
        throw std::runtime_error("cannot create a scratch folder");
    fs::permissions(FileNamePath(m_path), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                                              | fs::perms::others_read | fs::perms::others_exec);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code error;
    // Tests may leave read-only folders (and, on Windows, where those cannot be deleted, read-only
    // files) behind; open them up so that they can be removed.
    const fs::path folder = FileNamePath(m_path);
    for (const auto& entry : fs::recursive_directory_iterator(folder, error))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(folder, error);
}

void ScratchFolder::Write(const std::string& name, std::span<const std::uint8_t> bytes) const
{
    std::ofstream out(FileNamePath(Path(name)), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + Path(name));
}

std::vector<std::uint8_t> ScratchFolder::Read(const std::string& name) const
{
    std::ifstream in(FileNamePath(Path(name)), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + Path(name));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> ScratchFolder::Names() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(FileNamePath(m_path)))
        names.push_back(FileNameText(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace torvane::test
