#pragma once

#include <string_view>

#include "exchange/tp_table.h"

namespace torvane {

// Reads a dvbv5 initial-scan file (the format of the dtv-scan-tables collection): "[CHANNEL]"
// blocks of "KEY = VALUE" lines, '#' comments. A block needs DELIVERY_SYSTEM (DVBS or DVBS2),
// FREQUENCY (kHz), POLARIZATION (HORIZONTAL, VERTICAL, LEFT or RIGHT) and SYMBOL_RATE (symbols per
// second); other keys are ignored, but no key may stand twice in a block. A frequency or rate that
// is a whole number above 0 is taken however implausible (the import skips that TP). The file
// names its one satellite: "Hotbird-13.0E" is "Hotbird" at 13.0° east (without a position suffix
// the name is the whole file name and the position unknown). The first malformed line fails the
// whole file.
TableReadResult ReadDvbv5Table(std::string_view text, std::string_view fileName);

} // namespace torvane
