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

// A refused table gives no satellite; a read one only TPs with values in their ranges.
inline void CheckTable(const TableReadResult& result)
{
    if (!result.Ok()) {
        Check(result.satellites.empty(), "a refused table gave satellites");
        return;
    }
    for (const TableSatellite& satellite : result.satellites) {
        for (const TableTp& tp : satellite.tps)
            Check(tp.frequencyKhz > 0 && tp.frequencyKhz <= 100'000'000 && tp.symbolRate > 0
                      && tp.symbolRate <= 100'000'000,
                  "a value outside its range was taken");
    }
}

} // namespace torvane::fuzz
