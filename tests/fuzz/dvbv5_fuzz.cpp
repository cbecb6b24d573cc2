// dvbv5 initial-scan tables: any input is read whole or refused whole (an error naming a line of
// the input, no satellite); what is read keeps its values in their ranges and reads back the same
// when written out again.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/dvbv5_reader.h"
#include "fuzz/fuzz_target.h"
#include "fuzz/table_fuzz.h"

namespace torvane::fuzz {

namespace {

constexpr std::string_view kFileName = "Sat-13.0E";

std::string Written(const TableSatellite& satellite)
{
    static constexpr const char* kPolarizations[] = {"HORIZONTAL", "VERTICAL", "LEFT", "RIGHT"};
    std::string text = "# written again\n";
    for (const TableTp& tp : satellite.tps) {
        text += "[CHANNEL]\n\tDELIVERY_SYSTEM = " + std::string(tp.system == TableSystem::DvbS ? "DVBS" : "DVBS2")
            + "\n\tFREQUENCY = " + std::to_string(tp.frequencyKhz) + "\n\tPOLARIZATION = "
            + kPolarizations[static_cast<int>(tp.polarization)] + "\n\tSYMBOL_RATE = " + std::to_string(tp.symbolRate)
            + "\n\n";
    }
    return text;
}

bool SameValues(const TableTp& a, const TableTp& b)
{
    return a.frequencyKhz == b.frequencyKhz && a.symbolRate == b.symbolRate && a.polarization == b.polarization
        && a.system == b.system;
}

} // namespace

std::vector<Input> Seeds()
{
    return SeedsOf({
        "# Sat 13.0E\n\n[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 10719000\n\tPOLARIZATION = VERTICAL\n"
        "\tSYMBOL_RATE = 27500000\n\tINNER_FEC = 3/4\n\tINVERSION = AUTO\n\n[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n"
        "\tFREQUENCY = 11034000\n\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 29900000\n\tMODULATION = PSK/8\n",
        "[MUX 1]\r\nDELIVERY_SYSTEM=DVBS\r\nFREQUENCY=12092000\r\nPOLARIZATION=LEFT\r\nSYMBOL_RATE=27500000\r\n"
        "[MUX 2]\r\nDELIVERY_SYSTEM=DVBS\r\nFREQUENCY=3880000\r\nPOLARIZATION=RIGHT\r\nSYMBOL_RATE=1000000\r\n",
        "[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nSYMBOL_RATE = 1\nPOLARIZATION = H\n",
    });
}

} // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TableReadResult result = ReadDvbv5Table(text, fuzz::kFileName);
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    fuzz::CheckTable(result);
    if (!result.Ok()) {
        if (result.error.starts_with("line ")) {
            const int line = std::stoi(result.error.substr(5));
            fuzz::Check(line >= 1 && line <= lines, "an error names a line the input lacks");
        } else {
            fuzz::Check(result.error == "the table holds no transponder", "an error names no line");
        }
        return 0;
    }
    fuzz::Check(result.satellites.size() == 1 && !result.satellites[0].tps.empty(), "a table is one satellite with TPs");
    const TableSatellite& satellite = result.satellites[0];
    fuzz::Check(satellite.name == "Sat" && satellite.position == 130, "the file name's satellite changed");
    for (const TableTp& tp : satellite.tps)
        fuzz::Check(tp.line >= 1 && tp.line <= lines, "a TP's line lies outside the input");
    const TableReadResult again = ReadDvbv5Table(fuzz::Written(satellite), fuzz::kFileName);
    fuzz::Check(again.Ok() && again.satellites[0].tps.size() == satellite.tps.size()
                    && std::equal(satellite.tps.begin(), satellite.tps.end(), again.satellites[0].tps.begin(),
                                  fuzz::SameValues),
                "a table written out reads back otherwise");
    return 0;
}
