#pragma once

#include <string>

#include "exchange/enigma2_settings.h"

namespace torvane {

class Document;

// The document's list as an Enigma2 settings folder holds it: a satellite TP record per TP of a
// satellite with an orbital position, a service record per program on them (type 1 TV, 2 radio;
// video, audio 1–3 and PCR PIDs as the cache entries 00, 01, 04, 13 and 03; "C:0000" when
// scrambled), a bouquet "All Services" with every service in channel order, one per favourite
// group in use named as the group, and the satellites' names. The list holds no TSID or ONID: a
// TP's namespace carries the position, frequency and polarisation, and its TSID counts TPs that
// share one.
struct Enigma2Export {
    E2Settings settings;
    int withoutPosition = 0;  // services of satellites without an orbital position, not written
    int sameKey = 0;          // services with the key of one written before them, not written
};
Enigma2Export BuildEnigma2Export(const Document& document);
// "written 2 satellites, 2 TPs, 4 services, 2 bouquets; not written 0 services (no position), 0
// (same key)".
std::string Enigma2ExportSummary(const Enigma2Export& exported);

// The namespace Enigma2's scanner gives a satellite TP without a valid TSID / ONID pair.
std::uint32_t E2Namespace(int position, int frequencyMhz, int polarization);

} // namespace torvane
