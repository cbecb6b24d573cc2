#include "exchange/enigma2_folder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

#include "exchange/enigma2_bouquets.h"
#include "exchange/enigma2_lamedb.h"
#include "text/quoted_text.h"
#include "util/file_name.h"

namespace torvane {

namespace {

namespace fs = std::filesystem;

// How deep sub-bouquets nest before the rest is left out.
constexpr int kDeepestNesting = 8;

// The whole file, or the reason it cannot be read.
struct FileText {
    std::string text;
    std::string error;
};

FileText ReadWhole(const fs::path& path)
{
    const std::string name = FileNameText(path.filename());
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error)
        return {{}, name + ": cannot be read"};
    if (size > kMaxE2FileBytes)
        return {{}, name + ": larger than " + std::to_string(kMaxE2FileBytes >> 20) + " MiB, not read"};
    std::ifstream stream(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (!stream.good() && !stream.eof())
        return {{}, name + ": cannot be read"};
    return {std::move(text), {}};
}

bool IsFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

class BouquetResolver final {
public:
    BouquetResolver(const fs::path& folder, E2Settings& settings) : m_folder(folder), m_settings(settings)
    {
        for (std::size_t i = 0; i < settings.lamedb.services.size(); ++i)
            m_services.emplace(settings.lamedb.services[i].key, i);
    }

    // The bouquets of a root list; false with the settings' error when a file cannot be read.
    bool ReadRoot(std::string_view rootName, bool radio)
    {
        const fs::path path = m_folder / FileNamePath(rootName);
        if (!IsFile(path))
            return true;
        const std::optional<E2BouquetFile> root = Read(path);
        if (!root)
            return false;
        for (const E2BouquetEntry& entry : root->entries) {
            const std::string where = std::string(rootName) + " line " + std::to_string(entry.line);
            if (entry.reference && (entry.reference->flags & E2Reference::kMarker) != 0) {
                ++m_settings.markers;
                continue;
            }
            const std::optional<std::string> file = entry.reference ? entry.reference->BouquetFile() : std::nullopt;
            if (!file) {
                m_settings.unresolved.push_back(where + ": no bouquet " + entry.text);
                continue;
            }
            if (!Find(*file)) {
                m_settings.unresolved.push_back(where + ": no file \"" + *file + "\"");
                continue;
            }
            E2Bouquet bouquet;
            bouquet.file = *file;
            bouquet.radio = radio;
            if (!Collect(where, *file, 0, bouquet, &bouquet.name))
                return false;
            if (bouquet.name.empty())
                bouquet.name = *file;
            m_settings.bouquets.push_back(std::move(bouquet));
        }
        return true;
    }

private:
    std::optional<E2BouquetFile> Read(const fs::path& path)
    {
        FileText file = ReadWhole(path);
        if (!file.error.empty()) {
            m_settings.error = file.error;
            return std::nullopt;
        }
        return ReadE2BouquetFile(file.text);
    }

    std::optional<fs::path> Find(const std::string& file) const
    {
        for (const fs::path& place : {m_folder / "alternatives", m_folder / "bouquets", m_folder}) {
            const fs::path path = place / FileNamePath(file);
            if (IsFile(path))
                return path;
        }
        return std::nullopt;
    }

    // The services of a bouquet file added to bouquet (its title into name when asked); false
    // when it cannot be read.
    bool Collect(const std::string& where, const std::string& fileName, int depth, E2Bouquet& bouquet,
                 std::string* name)
    {
        const std::optional<fs::path> path = Find(fileName);
        if (!path) {
            m_settings.unresolved.push_back(where + ": no file \"" + fileName + "\"");
            return true;
        }
        const std::optional<E2BouquetFile> file = Read(*path);
        if (!file)
            return false;
        if (name)
            *name = file->name;
        for (const E2BouquetEntry& entry : file->entries) {
            const std::string at = fileName + " line " + std::to_string(entry.line);
            if (!AddEntry(at, entry, depth, bouquet))
                return false;
        }
        return true;
    }

    bool AddEntry(const std::string& at, const E2BouquetEntry& entry, int depth, E2Bouquet& bouquet)
    {
        if (!entry.reference) {
            m_settings.unresolved.push_back(at + ": unreadable reference " + entry.text);
            return true;
        }
        const E2Reference& reference = *entry.reference;
        if ((reference.flags & E2Reference::kMarker) != 0) {
            ++m_settings.markers;
            return true;
        }
        if (reference.type != 1) {
            ++m_settings.streams;
            return true;
        }
        if ((reference.flags & (E2Reference::kDirectory | E2Reference::kGroup)) != 0) {
            const std::optional<std::string> file = reference.BouquetFile();
            if (!file || depth >= kDeepestNesting) {
                m_settings.unresolved.push_back(at + ": " + (file ? "nested too deep " : "no bouquet ") + entry.text);
                return true;
            }
            if ((reference.flags & E2Reference::kGroup) == 0)
                return Collect(at, *file, depth + 1, bouquet, nullptr);
            // Alternatives: the first entry found stands for the group.
            E2Bouquet group;
            if (!Collect(at, *file, depth + 1, group, nullptr))
                return false;
            if (!group.services.empty())
                Add(bouquet, group.services.front());
            return true;
        }
        const std::optional<E2ServiceKey> key = reference.Service();
        const auto found = key ? m_services.find(*key) : m_services.end();
        if (found == m_services.end()) {
            m_settings.unresolved.push_back(at + ": no service " + entry.text);
            return true;
        }
        Add(bouquet, found->second);
        return true;
    }

    static void Add(E2Bouquet& bouquet, std::size_t service)
    {
        if (std::find(bouquet.services.begin(), bouquet.services.end(), service) == bouquet.services.end())
            bouquet.services.push_back(service);
    }

    fs::path m_folder;
    E2Settings& m_settings;
    std::map<E2ServiceKey, std::size_t> m_services;
};

} // namespace

E2Settings ReadE2Folder(const fs::path& folder, SatellitesXmlReader xmlReader)
{
    E2Settings settings;
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        settings.error = QuotedText(FileNameText(folder)) + " is no folder";
        return settings;
    }
    settings.lamedbFile = IsFile(folder / "lamedb") ? "lamedb" : "lamedb5";
    if (!IsFile(folder / settings.lamedbFile)) {
        settings.error = "no lamedb or lamedb5 in \"" + FileNameText(folder) + "\"";
        return settings;
    }
    const FileText lamedb = ReadWhole(folder / settings.lamedbFile);
    if (!lamedb.error.empty()) {
        settings.error = lamedb.error;
        return settings;
    }
    settings.lamedb = ReadLamedb(lamedb.text);
    if (!settings.lamedb.Ok()) {
        settings.error = settings.lamedbFile + " " + settings.lamedb.error;
        return settings;
    }
    if (xmlReader && IsFile(folder / "satellites.xml")) {
        const FileText xml = ReadWhole(folder / "satellites.xml");
        const TableReadResult table = xml.error.empty() ? xmlReader(xml.text) : TableReadResult::Failure(xml.error);
        if (!table.Ok()) {
            settings.error = xml.error.empty() ? "satellites.xml: " + table.error : table.error;
            return settings;
        }
        for (const TableSatellite& satellite : table.satellites) {
            if (satellite.position)
                settings.satelliteNames.emplace_back(*satellite.position, satellite.name);
        }
    }
    BouquetResolver resolver(folder, settings);
    if (!resolver.ReadRoot("bouquets.tv", false) || !resolver.ReadRoot("bouquets.radio", true)) {
        E2Settings failed;
        failed.error = settings.error;
        return failed;
    }
    return settings;
}

} // namespace torvane
