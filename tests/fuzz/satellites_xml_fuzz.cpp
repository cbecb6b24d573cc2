// satellites.xml tables: any input is read whole or refused whole (an error naming a line of the
// input, no satellite); what is read keeps its values in their ranges and reads back the same when
// written out again.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/xml/satellites_xml_reader.h"
#include "fuzz/fuzz_target.h"
#include "fuzz/table_fuzz.h"

namespace torvane::fuzz {

namespace {

// Written in Hz and kHz by turns, so that both units are read back (in Hz only from 1 GHz, where a
// value reads as Hz).
std::string Written(const std::vector<TableSatellite>& satellites)
{
    std::string text = "<?xml version=\"1.0\"?>\n<satellites>\n";
    int count = 0;
    for (const TableSatellite& satellite : satellites) {
        text += "<sat name=\"s\" position=\"" + std::to_string(satellite.position.value_or(0)) + "\">\n";
        for (const TableTp& tp : satellite.tps) {
            const bool hertz = ++count % 2 == 0 && tp.frequencyKhz >= 1'000'000;
            text += "<transponder frequency=\"" + std::to_string(tp.frequencyKhz) + (hertz ? "000" : "")
                + "\" symbol_rate=\"" + std::to_string(tp.symbolRate) + "\" polarization=\""
                + std::to_string(static_cast<int>(tp.polarization)) + "\" system=\""
                + (tp.system == TableSystem::DvbS ? "0" : "1") + "\"/>\n";
        }
        text += "</sat>\n";
    }
    return text + "</satellites>\n";
}

bool SameValues(const TableSatellite& a, const TableSatellite& b)
{
    return a.position == b.position
        && std::equal(a.tps.begin(), a.tps.end(), b.tps.begin(), b.tps.end(), [](const TableTp& x, const TableTp& y) {
               return x.frequencyKhz == y.frequencyKhz && x.symbolRate == y.symbolRate
                   && x.polarization == y.polarization && x.system == y.system;
           });
}

} // namespace

std::vector<Input> Seeds()
{
    return SeedsOf({
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<satellites>\n<sat name=\"19.2E Astra\" flags=\"1\" position=\"192\">\n"
        "<transponder frequency=\"10714250\" symbol_rate=\"22000000\" polarization=\"0\" fec_inner=\"4\" system=\"0\"/>\n"
        "<transponder frequency=\"11229000000\" symbol_rate=\"22000000\" polarization=\"1\" system=\"1\"/>\n</sat>\n"
        "<sat name=\"30.0W\" position=\"-300\"><transponder frequency=\"11731000\" symbol_rate=\"27500000\" "
        "polarization=\"2\"/></sat>\n</satellites>\n",
        "<satellites><!-- c --><sat name=\"&amp;\" position=\"0\"/><other><x/></other></satellites>",
        "<satellites>\n<sat name=\"A\" position=\"10\">\n<transponder frequency=\"1\"\n</sat>",
    });
}

} // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TableReadResult result = ReadSatellitesXml(text);
    fuzz::CheckTable(result);
    if (!result.Ok()) {
        fuzz::Check(result.error.starts_with("line ") || result.error == "the table holds no satellite",
                    "an error names no line");
        return 0;
    }
    fuzz::Check(!result.satellites.empty(), "a table without satellites was taken");
    for (const TableSatellite& satellite : result.satellites) {
        fuzz::Check(satellite.position && *satellite.position >= -1800 && *satellite.position <= 1800,
                    "a position outside its range was taken");
        for (const TableTp& tp : satellite.tps)
            fuzz::Check(tp.frequencyKhz < 1'000'000'000, "a frequency of 1000 GHz or more was taken");
    }
    const TableReadResult again = ReadSatellitesXml(fuzz::Written(result.satellites));
    fuzz::Check(again.Ok() && std::equal(result.satellites.begin(), result.satellites.end(), again.satellites.begin(),
                                         again.satellites.end(), fuzz::SameValues),
                "a table written out reads back otherwise");
    return 0;
}
