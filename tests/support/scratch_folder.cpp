#include "support/scratch_folder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <sys/stat.h>

namespace torvane::test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder()
{
    std::string pattern = (fs::temp_directory_path() / "torvane-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a scratch folder");
    m_path = pattern;
    ::chmod(m_path.c_str(), 0755);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code error;
    // Tests may leave read-only folders behind; open them up so that they can be removed.
    for (const auto& entry : fs::recursive_directory_iterator(m_path, error))
        if (entry.is_directory(error))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(m_path, error);
}

void ScratchFolder::Write(const std::string& name, std::span<const std::uint8_t> bytes) const
{
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + Path(name));
}

std::vector<std::uint8_t> ScratchFolder::Read(const std::string& name) const
{
    std::ifstream in(Path(name), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + Path(name));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> ScratchFolder::Names() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace torvane::test
