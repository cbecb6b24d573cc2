#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace torvane {

// What an Enigma2 settings folder holds for this receiver: the satellite TPs and their services of
// "lamedb" (or "lamedb5"), the bouquets of "bouquets.tv" / "bouquets.radio" resolved to those
// services, and the satellite names of "satellites.xml".

// A TP as lamedb keys it: namespace, transport stream id, original network id.
struct E2TpKey {
    std::uint32_t ns = 0;
    std::uint32_t tsid = 0;
    std::uint32_t onid = 0;

    bool operator==(const E2TpKey&) const = default;
    auto operator<=>(const E2TpKey&) const = default;
};

// A service as lamedb and the bouquets key it: the TP's key, the service id and the DVB service type.
struct E2ServiceKey {
    E2TpKey tp;
    std::uint32_t sid = 0;
    int type = 0;

    bool operator==(const E2ServiceKey&) const = default;
    auto operator<=>(const E2ServiceKey&) const = default;
};

// A satellite TP record ("s" line) with the codes lamedb stores.
struct E2Transponder {
    E2TpKey key;
    std::int64_t frequencyKhz = 0;
    std::int64_t symbolRate = 0;  // symbols per second
    int polarization = 0;         // 0 H, 1 V, 2 circular left, 3 circular right
    int fec = 0;
    int position = 0;             // tenths of a degree, negative for west
    int inversion = 2;
    int flags = 0;
    int system = 0;               // 0 DVB-S, 1 DVB-S2
    int modulation = 1;
    int rolloff = 0;
    int pilot = 2;
    int line = 0;                 // where the record starts, from 1
};

// The "c:" cache of a service: index 00 … 18, each a value when present.
inline constexpr std::size_t kE2CacheSize = 19;
enum class E2Cache : std::size_t {
    VideoPid = 0,
    MpegAudioPid = 1,
    TeletextPid = 2,
    PcrPid = 3,
    Ac3AudioPid = 4,
    VideoCodec = 5,
    HeAacAudioPid = 12,
    Eac3AudioPid = 13,
    AacAudioPid = 14,
    DraAudioPid = 17,
    Ac4AudioPid = 18,
};
// The audio PIDs in the order a service takes them: MPEG first, then AC-3, E-AC-3, AAC, HE-AAC,
// DRA, AC-4.
inline constexpr std::array kE2AudioOrder = {E2Cache::MpegAudioPid, E2Cache::Ac3AudioPid, E2Cache::Eac3AudioPid,
                                             E2Cache::AacAudioPid,  E2Cache::HeAacAudioPid, E2Cache::DraAudioPid,
                                             E2Cache::Ac4AudioPid};

inline constexpr std::uint32_t kE2HiddenFlag = 0x2;

struct E2Service {
    E2ServiceKey key;
    std::string rawName;  // the bytes of the name line, emphasis pairs included
    std::string name;     // without the emphasis pairs C2 86 / C2 87
    std::string provider;
    std::array<std::optional<std::uint32_t>, kE2CacheSize> cache{};
    std::vector<std::uint32_t> caIds;
    std::uint32_t flags = 0;
    int line = 0;  // the key line, from 1

    std::optional<std::uint32_t> Cache(E2Cache index) const { return cache[static_cast<std::size_t>(index)]; }
    bool Scrambled() const { return !caIds.empty(); }
};

// The lists a service type shows in: TV (1, 17, 22, 25, 31, 32, 134, 195), radio (2, 10) or
// neither.
enum class E2ServiceKind { Tv, Radio, Other };
E2ServiceKind ServiceKindOf(int type);

// What a lamedb holds: the satellite TPs and the services on them, in file order (a later TP
// record of the same key replaced the earlier, the first service record of a key was kept).
struct E2Lamedb {
    int version = 4;
    std::vector<E2Transponder> tps;
    std::vector<E2Service> services;
    int otherTps = 0;              // terrestrial, cable and ATSC records
    int servicesOffSatellite = 0;  // on such a TP, or on none the file has
    int duplicateServices = 0;
    int longLines = 0;             // lines longer than Enigma2 reads (254 bytes, v5 1022), read whole
    std::string error;             // "line N: …" when the file cannot be used (nothing is kept then)

    bool Ok() const { return error.empty(); }
};

// A bouquet with the lamedb services it lists (indices into E2Lamedb::services, each once, in
// entry order; alternatives give their first entry that resolves, sub-bouquets their entries).
struct E2Bouquet {
    std::string name;
    std::string file;
    bool radio = false;
    std::vector<std::size_t> services;
};

// What a settings folder holds, or why it cannot be used.
struct E2Settings {
    E2Lamedb lamedb;
    std::string lamedbFile;  // "lamedb" or "lamedb5"
    std::vector<E2Bouquet> bouquets;  // bouquets.tv's then bouquets.radio's, in their order
    std::vector<std::pair<int, std::string>> satelliteNames;  // from satellites.xml: position, name
    int markers = 0;
    int streams = 0;      // entries of other reference types (streams, files), not services
    // Entries not found in lamedb and bouquet files that are missing: "userbouquet.a.tv line 4:
    // no service 1:0:19:11:3:B0:DCA0000:0:0:0:".
    std::vector<std::string> unresolved;
    std::string error;    // "lamedb line 3: …", "no lamedb in …"

    bool Ok() const { return error.empty(); }
    // The name satellites.xml gives the position, or nothing.
    std::optional<std::string> SatelliteName(int position) const;
};

} // namespace torvane
