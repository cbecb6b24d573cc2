// Enigma2 settings files: a lamedb is read whole or refused whole (an error naming a line of the
// input, nothing kept); what is read holds each TP and service key once, every service on a TP
// read, names without emphasis bytes, and written again as version 4 it reads back with the same
// records; the same bytes read as a bouquet file give entries whose
// service references read back the same when written again.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/enigma2_bouquets.h"
#include "exchange/enigma2_lamedb.h"
#include "exchange/enigma2_writer.h"
#include "fuzz/fuzz_target.h"
#include "fuzz/table_fuzz.h"
#include "support/enigma2_examples.h"

namespace torvane::fuzz {

std::vector<Input> Seeds()
{
    return SeedsOf({
        std::string(test::kExampleLamedb),
        std::string(test::kExampleLamedb5),
        std::string(test::kExampleDemoBouquet),
        "eDVB services /3/\r\ntransponders\r\n00820001:02bc:013e\r\n\ts 10714000:22000000:0:4:130:2\r\n/\r\n"
        "eeee0000:0001:0001\r\n\tt 474000000:0:1:0:0:0:0:0:0:0:0:0\r\n/\r\nend\r\nservices\r\n"
        "0001:00820001:02bc:013e:3:0\r\n\xC2\x86N\xC2\x87" "ame\r\nc:0012c,f:40,p:P,C:0\r\nend\r\n",
    });
}

} // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    const E2Lamedb lamedb = ReadLamedb(text);
    if (!lamedb.Ok()) {
        fuzz::Check(lamedb.error.starts_with("line "), "an error names no line");
        const int line = std::stoi(lamedb.error.substr(5));
        fuzz::Check(line >= 1 && line <= lines, "an error names a line the input lacks");
        fuzz::Check(lamedb.tps.empty() && lamedb.services.empty(), "a refused file kept records");
    } else {
        std::set<E2TpKey> tps;
        for (const E2Transponder& tp : lamedb.tps) {
            fuzz::Check(tps.insert(tp.key).second, "a TP key read twice");
            fuzz::Check(tp.position >= -1800 && tp.position <= 1800 && tp.polarization >= 0 && tp.polarization <= 3,
                        "a TP value out of range");
        }
        std::set<E2ServiceKey> services;
        for (const E2Service& service : lamedb.services) {
            fuzz::Check(services.insert(service.key).second, "a service key read twice");
            fuzz::Check(tps.contains(service.key.tp), "a service on no TP read");
            fuzz::Check(service.name == WithoutEmphasis(service.name), "emphasis bytes left in a name");
            fuzz::Check(service.line >= 1 && service.line <= lines, "a service's line lies outside the input");
        }
        const E2Lamedb again = ReadLamedb(LamedbText(lamedb));
        fuzz::Check(again.Ok() && again.tps.size() == lamedb.tps.size() && again.services.size() == lamedb.services.size(),
                    "a written lamedb reads back otherwise");
        for (std::size_t i = 0; i < again.tps.size(); ++i)
            fuzz::Check(again.tps[i].key == lamedb.tps[i].key && again.tps[i].frequencyKhz == lamedb.tps[i].frequencyKhz
                            && again.tps[i].position == lamedb.tps[i].position && again.tps[i].system == lamedb.tps[i].system,
                        "a written TP reads back otherwise");
        for (std::size_t i = 0; i < again.services.size(); ++i)
            fuzz::Check(again.services[i].key == lamedb.services[i].key && again.services[i].rawName == lamedb.services[i].rawName
                            && again.services[i].cache == lamedb.services[i].cache
                            && again.services[i].caIds == lamedb.services[i].caIds && again.services[i].flags == lamedb.services[i].flags,
                        "a written service reads back otherwise");
    }
    for (const E2BouquetEntry& entry : ReadE2BouquetFile(text).entries) {
        const std::optional<E2ServiceKey> key = entry.reference ? entry.reference->Service() : std::nullopt;
        if (!key)
            continue;
        const std::optional<E2Reference> again = ParseE2Reference(E2ReferenceText(*key));
        fuzz::Check(again && again->Service() == key, "a service reference reads back otherwise");
    }
    return 0;
}
