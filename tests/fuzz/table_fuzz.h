#pragma once

#include <string>
#include <vector>

#include "exchange/tp_table.h"
#include "fuzz/fuzz_target.h"

// What the two table readers' fuzz targets share: seeds written as text, and the checks every
// reading must pass whatever the format.

namespace torvane::fuzz {

inline std::vector<Input> SeedsOf(const std::vector<std::string>& texts)
{
    std::vector<Input> seeds;
    for (const std::string& text : texts)
        seeds.emplace_back(text.begin(), text.end());
    return seeds;
}

// A refused table gives no satellite; a read one only TPs with values above 0 (implausible ones
// are the import's to skip), which the TP dialog's units hold without overflow.
inline void CheckTable(const TableReadResult& result)
{
    if (!result.Ok()) {
        Check(result.satellites.empty(), "a refused table gave satellites");
        return;
    }
    for (const TableSatellite& satellite : result.satellites) {
        for (const TableTp& tp : satellite.tps)
            Check(tp.frequencyKhz > 0 && tp.symbolRate > 0 && tp.FrequencyMhz() >= 0 && tp.SymbolRateKsps() >= 0,
                  "a value of 0 or below was taken");
    }
}

} // namespace torvane::fuzz
