#include "support/enigma2_folder_builder.h"

#include <array>
#include <cstdio>

namespace torvane::test {

namespace {

constexpr std::array kPositions = {192, -8, 330};
constexpr std::array kTvTypes = {1, 25, 22, 31};
constexpr int kTerrestrialServices = 3;
constexpr int kGroups = 8;
constexpr std::size_t kNameUnits = 17;

std::string Hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

struct Tp {
    unsigned ns;
    unsigned tsid;
    int frequency;  // MHz
    int polarization;
    int position;
    bool dvbS2;

    std::string Key() const { return Hex(ns, 8) + ":" + Hex(tsid, 4) + ":0001"; }
    std::string Fields() const
    {
        std::string fields = std::to_string(frequency * 1000) + ":27500000:" + std::to_string(polarization) + ":3:"
            + std::to_string(position) + ":2:0";
        return dvbS2 ? fields + ":1:2:0:2" : fields;
    }
};

Tp TpOf(int t)
{
    const int position = kPositions[static_cast<std::size_t>(t) % kPositions.size()];
    const int frequency = 10700 + 40 * (t / 3);
    const int polarization = (t / 3) % 2;
    const unsigned high = static_cast<unsigned>(position < 0 ? 3600 + position : position) << 16;
    const unsigned low = static_cast<unsigned>(frequency) | (polarization ? 0x8000u : 0u);
    return {high | low, static_cast<unsigned>(t + 1), frequency, polarization, position, t % 5 == 4};
}

int TypeOf(int i)
{
    if (i % 11 == 10)
        return 12;
    if (i % 3 == 2)
        return i % 2 ? 10 : 2;
    return kTvTypes[static_cast<std::size_t>(i) % kTvTypes.size()];
}

std::string NameOf(int i)
{
    return "Svc " + std::to_string(i) + (i % 50 == 0 ? " with a long tail" : "");
}

std::string ItemsOf(int i, bool v5)
{
    const bool radio = TypeOf(i) == 2 || TypeOf(i) == 10;
    const unsigned video = 0x100 + static_cast<unsigned>(i) % 0x1000;
    const int digits = v5 ? 1 : 4;
    std::string items = "p:Provider " + std::to_string(i % 7);
    if (!radio)
        items += ",c:00" + Hex(video, digits);
    items += ",c:01" + Hex(video + 1, digits) + ",c:03" + Hex(video, digits);
    if (i % 2)
        items += ",c:04" + Hex(video + 2, digits);
    if (i % 4 == 0)
        items += ",C:0500";
    return items;
}

std::string Reference(int type, unsigned sid, const Tp& tp)
{
    char text[64];
    std::snprintf(text, sizeof text, "1:0:%X:%X:%X:1:%X:0:0:0:", static_cast<unsigned>(type), sid, tp.tsid, tp.ns);
    return text;
}

} // namespace

GeneratedE2Folder GenerateE2Folder(int services, int tps, int bouquets, bool v5, bool crlf)
{
    GeneratedE2Folder folder;
    folder.positions.assign(kPositions.begin(), kPositions.end());
    std::string lamedb = v5 ? "eDVB services /5/\n# generated\n" : "eDVB services /4/\ntransponders\n";
    for (int t = 0; t < tps; ++t) {
        const Tp tp = TpOf(t);
        ++(tp.dvbS2 ? folder.dvbS2Tps : folder.dvbSTps);
        lamedb += v5 ? "t:" + tp.Key() + ",s:" + tp.Fields() + "\n" : tp.Key() + "\n\ts " + tp.Fields() + "\n/\n";
    }
    const std::string terrestrial = "eeee0000:0001:0001";
    const std::string terrestrialFields = "474000000:0:1:0:0:0:0:0:0:0:0:0";
    lamedb += v5 ? "t:" + terrestrial + ",t:" + terrestrialFields + "\n"
                 : terrestrial + "\n\tt " + terrestrialFields + "\n/\nend\nservices\n";
    ++folder.terrestrialTps;

    const auto service = [&](int i, const std::string& name) {
        const Tp tp = TpOf(i % tps);
        const std::string key = Hex(static_cast<unsigned>(i + 1), 4) + ":" + tp.Key() + ":" + std::to_string(TypeOf(i));
        lamedb += v5 ? "s:" + key + ":0:0,\"" + name + "\"," + ItemsOf(i, true) + "\n"
                     : key + ":0:0\n" + name + "\n" + ItemsOf(i, false) + "\n";
    };
    for (int i = 0; i < services; ++i) {
        service(i, NameOf(i));
        if (i % 100 == 99) {
            service(i, "Dup " + std::to_string(i));
            ++folder.duplicates;
        }
        const bool other = TypeOf(i) == 12;
        if (other)
            ++folder.otherType;
        else if (TpOf(i % tps).dvbS2)
            ++folder.tvRadioOnDvbS2;
        else {
            ++folder.tvRadioOnDvbS;
            folder.longNames += NameOf(i).size() > kNameUnits ? 1 : 0;
        }
    }
    for (int k = 0; k < kTerrestrialServices; ++k) {
        const std::string key = Hex(0x7001u + static_cast<unsigned>(k), 4) + ":" + terrestrial + ":1";
        lamedb += v5 ? "s:" + key + ":0:0,\"Terrestrial\",p:T\n" : key + ":0:0\nTerrestrial\np:T\n";
        ++folder.terrestrialServices;
    }
    if (!v5)
        lamedb += "end\n";

    std::string tvRoot = "#NAME Bouquets (TV)\n";
    std::string radioRoot = "#NAME Bouquets (Radio)\n";
    for (int b = 0; b < bouquets; ++b) {
        const bool radio = b == bouquets - 1;
        const std::string file = "userbouquet.b" + std::to_string(b) + (radio ? ".radio" : ".tv");
        (radio ? radioRoot : tvRoot) += "#SERVICE 1:7:" + std::string(radio ? "2" : "1")
            + ":0:0:0:0:0:0:0:FROM BOUQUET \"" + file + "\" ORDER BY bouquet\n";
        std::string text = "#NAME Bouquet " + std::to_string(b) + "\n#SERVICE 1:64:" + Hex(static_cast<unsigned>(b), 1)
            + ":0:0:0:0:0:0:0::Marker\n#DESCRIPTION Marker\n";
        ++folder.markers;
        const int group = b < kGroups ? b + 1 : 0;
        for (int i = services - 1; i >= 0; --i) {
            if (i % bouquets != b)
                continue;
            text += "#SERVICE " + Reference(TypeOf(i), static_cast<unsigned>(i + 1), TpOf(i % tps)) + "\n";
            if (TypeOf(i) != 12 && !TpOf(i % tps).dvbS2)
                folder.order.emplace_back(NameOf(i).substr(0, kNameUnits), group);
        }
        text += "#SERVICE " + Reference(1, 0xFFFF, TpOf(0)) + "\n";
        const std::string alternatives = "alternatives.b" + std::to_string(b) + ".tv";
        text += "#SERVICE 1:134:1:0:0:0:0:0:0:0:FROM BOUQUET \"" + alternatives + "\" ORDER BY bouquet\n";
        folder.files.emplace_back(alternatives, "#NAME Alternatives\n#SERVICE " + Reference(1, 0xFFFE, TpOf(0))
                                                    + "\n#SERVICE " + Reference(TypeOf(b), static_cast<unsigned>(b + 1), TpOf(b % tps)) + "\n");
        folder.unresolved += 2;
        folder.files.emplace_back(file, text);
    }
    folder.files.emplace_back(v5 ? "lamedb5" : "lamedb", lamedb);
    folder.files.emplace_back("bouquets.tv", tvRoot);
    folder.files.emplace_back("bouquets.radio", radioRoot);
    if (crlf) {
        for (auto& [name, text] : folder.files) {
            std::string converted;
            for (char c : text)
                converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
            text = converted;
        }
    }
    return folder;
}

} // namespace torvane::test
