#pragma once

#include <string>
#include <utility>
#include <vector>

namespace torvane::test {

// A settings folder generated from regular rules, with what an import of all of it must give
// counted while it is written (never by the reader). Three satellites (19.2E, 0.8W, 33.0E) share
// the satellite TPs, every fifth of them DVB-S2; one terrestrial TP carries services too. Service
// i (SID i + 1, named "Svc i", every 50th with a name longer than the program dialog takes) is
// on satellite TP i mod tps, of an unknown type when i mod 11 = 10, else radio when i mod 3 = 2,
// else TV; every fourth is scrambled. Bouquet b (the last one in bouquets.radio, the others in
// bouquets.tv) starts with a marker and lists the services with i mod bouquets = b from the
// highest i down, then an entry lamedb lacks and an alternatives group whose first entry is also
// missing and whose second is service b. Every hundredth service record appears twice.
struct GeneratedE2Folder {
    std::vector<std::pair<std::string, std::string>> files;  // name, bytes
    std::vector<int> positions;
    int tvRadioOnDvbS = 0;     // imported
    int tvRadioOnDvbS2 = 0;    // skipped for their TP
    int otherType = 0;         // skipped for their type (on any satellite TP)
    int longNames = 0;         // among the imported
    int terrestrialServices = 0;
    int terrestrialTps = 0;
    int duplicates = 0;
    int markers = 0;
    int unresolved = 0;
    int dvbSTps = 0;
    int dvbS2Tps = 0;
    // The imported services' names in the order an import gives them, with their favourite group
    // number (1 … 8, 0 for none).
    std::vector<std::pair<std::string, int>> order;
};

// v5 writes lamedb5 only; crlf ends every line of every file with CR LF.
GeneratedE2Folder GenerateE2Folder(int services, int tps, int bouquets, bool v5, bool crlf);

} // namespace torvane::test
