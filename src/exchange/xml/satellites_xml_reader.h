#pragma once

#include <string_view>

#include "exchange/tp_table.h"

namespace torvane {

// Reads a satellites.xml: <satellites> holding <sat name="…" position="192"> elements (tenths of
// a degree, negative for west) with <transponder frequency="…" symbol_rate="…" polarization="…"
// system="…"/> children. Frequencies are in Hz or kHz as the tools that write them choose, told
// apart by magnitude (a satellite's lies between 1 and 100 GHz); symbol rates in symbols/s;
// polarisation 0 H, 1 V, 2 L, 3 R; system 0 DVB-S, 1 DVB-S2 (0 when absent). A frequency or rate
// above 0 is taken however implausible (the import skips that TP). Other attributes, and elements
// outside <sat>, are ignored; inside <sat> only <transponder> may stand. The text may be UTF-8 or
// UTF-16, with a byte-order mark. The first malformed line, XML error included, fails the whole
// file.
TableReadResult ReadSatellitesXml(std::string_view text);

} // namespace torvane
