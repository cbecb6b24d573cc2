#include "exchange/enigma2_writer.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <system_error>

#include "exchange/enigma2_bouquets.h"
#include "text/quoted_text.h"
#include "util/atomic_file.h"
#include "util/file_name.h"

namespace torvane {

namespace {

namespace fs = std::filesystem;

std::string Hex(std::uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

std::string TpKeyText(const E2TpKey& key)
{
    return Hex(key.ns, 8) + ":" + Hex(key.tsid, 4) + ":" + Hex(key.onid, 4);
}

std::string SatelliteLine(const E2Transponder& tp)
{
    std::string line = "\ts " + std::to_string(tp.frequencyKhz) + ":" + std::to_string(tp.symbolRate) + ":"
        + std::to_string(tp.polarization) + ":" + std::to_string(tp.fec) + ":" + std::to_string(tp.position) + ":"
        + std::to_string(tp.inversion) + ":" + std::to_string(tp.flags);
    if (tp.system != 0)
        line += ":" + std::to_string(tp.system) + ":" + std::to_string(tp.modulation) + ":"
            + std::to_string(tp.rolloff) + ":" + std::to_string(tp.pilot);
    return line;
}

std::string DataLine(const E2Service& service)
{
    std::string line = "p:" + service.provider.substr(0, service.provider.find(','));
    for (std::size_t index = 0; index < kE2CacheSize; ++index) {
        if (service.cache[index])
            line += ",c:" + std::string(index < 10 ? "0" : "") + std::to_string(index) + Hex(*service.cache[index], 4);
    }
    for (std::uint32_t ca : service.caIds)
        line += ",C:" + Hex(ca, 4);
    if (service.flags != 0)
        line += ",f:" + Hex(service.flags, 1);
    return line;
}

std::string XmlEscaped(std::string_view text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string SatellitesXml(const E2Settings& settings)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<satellites>\n";
    for (const auto& [position, name] : settings.satelliteNames) {
        text += "\t<sat name=\"" + XmlEscaped(name) + "\" flags=\"0\" position=\"" + std::to_string(position) + "\">\n";
        for (const E2Transponder& tp : settings.lamedb.tps) {
            if (tp.position == position)
                text += "\t\t<transponder frequency=\"" + std::to_string(tp.frequencyKhz * 1000) + "\" symbol_rate=\""
                    + std::to_string(tp.symbolRate) + "\" polarization=\"" + std::to_string(tp.polarization)
                    + "\" fec_inner=\"" + std::to_string(tp.fec) + "\" system=\"" + std::to_string(tp.system)
                    + "\" modulation=\"" + std::to_string(tp.modulation) + "\"/>\n";
        }
        text += "\t</sat>\n";
    }
    return text + "</satellites>\n";
}

std::string RootText(const std::vector<E2Bouquet>& bouquets, bool radio)
{
    std::string text = radio ? "#NAME Bouquets (Radio)\n" : "#NAME Bouquets (TV)\n";
    for (const E2Bouquet& bouquet : bouquets) {
        if (bouquet.radio == radio)
            text += "#SERVICE 1:7:" + std::string(radio ? "2" : "1") + ":0:0:0:0:0:0:0:FROM BOUQUET \"" + bouquet.file
                + "\" ORDER BY bouquet\n";
    }
    return text;
}

// The names a settings folder holds that an export may replace or remove.
bool IsSettingsFile(const std::string& name)
{
    static const std::set<std::string> kNames = {"lamedb", "lamedb5", "bouquets.tv", "bouquets.radio", "satellites.xml"};
    return kNames.contains(name)
        || (name.starts_with("userbouquet.") && (name.ends_with(".tv") || name.ends_with(".radio")));
}

} // namespace

std::string LamedbText(const E2Lamedb& lamedb)
{
    std::string text = "eDVB services /4/\ntransponders\n";
    for (const E2Transponder& tp : lamedb.tps)
        text += TpKeyText(tp.key) + "\n" + SatelliteLine(tp) + "\n/\n";
    text += "end\nservices\n";
    for (const E2Service& service : lamedb.services) {
        text += Hex(service.key.sid, 4) + ":" + TpKeyText(service.key.tp) + ":" + std::to_string(service.key.type)
            + ":0:0\n" + service.rawName + "\n" + DataLine(service) + "\n";
    }
    return text + "end\nwritten by Torvane\n";
}

std::vector<E2File> WriteE2Files(const E2Settings& settings)
{
    std::vector<E2File> files = {{"lamedb", LamedbText(settings.lamedb)},
                                 {"bouquets.tv", RootText(settings.bouquets, false)},
                                 {"bouquets.radio", RootText(settings.bouquets, true)}};
    for (const E2Bouquet& bouquet : settings.bouquets) {
        std::string text = "#NAME " + bouquet.name + "\n";
        for (std::size_t service : bouquet.services)
            text += "#SERVICE " + E2ReferenceText(settings.lamedb.services[service].key) + "\n";
        files.push_back({bouquet.file, std::move(text)});
    }
    files.push_back({"satellites.xml", SatellitesXml(settings)});
    return files;
}

std::string WriteE2Folder(const fs::path& folder, const std::vector<E2File>& files)
{
    const std::string folderText = FileNameText(folder);
    std::error_code error;
    std::vector<fs::path> stale;
    if (fs::exists(folder, error)) {
        if (!fs::is_directory(folder, error))
            return QuotedText(folderText) + " is no folder";
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
            const std::string name = FileNameText(entry.path().filename());
            if (!entry.is_regular_file(error) || !IsSettingsFile(name))
                return QuotedText(folderText) + " holds \"" + name
                    + "\": settings are written only into a new folder or one holding nothing but settings files";
            if (std::none_of(files.begin(), files.end(), [&](const E2File& file) { return file.name == name; }))
                stale.push_back(entry.path());
        }
        if (error)
            return QuotedText(folderText) + " cannot be read";
    } else if (!fs::create_directory(folder, error)) {
        return "cannot make the folder \"" + folderText + "\"";
    }
    for (const E2File& file : files) {
        const std::span bytes(reinterpret_cast<const std::uint8_t*>(file.text.data()), file.text.size());
        if (!WriteFileAtomically(FileNameText(folder / FileNamePath(file.name)), bytes))
            return "cannot write \"" + file.name + "\" in \"" + folderText + "\"";
    }
    // Files of an earlier export would come back on the receiver: Enigma2 links every userbouquet.
    for (const fs::path& path : stale) {
        if (!fs::remove(path, error))
            return "cannot remove \"" + FileNameText(path.filename()) + "\" from \"" + folderText + "\"";
    }
    return {};
}

} // namespace torvane
