// parserdb over a full 0xA0000-byte user-database region: 3500 programs, 400 TPs and 40
// satellites of the sample layout's sizes (160, 12 and 48 bytes), then the three table headers
// and erased flash.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "database/database_image.h"
#include "util/silent_prompts.h"

namespace {

using namespace torvane;


std::vector<std::uint8_t> FullRegion()
{
    constexpr std::size_t kLength = 0xA0000;
    struct Kind {
        std::string_view tag;
        int count;
        int size;
    };
    const Kind kinds[] = {{kSatelliteTableTag, 40, 48}, {kTpTableTag, 400, 12}, {kProgramTableTag, 3500, 160}};
    std::vector<std::uint8_t> region(kLength, 0xFF);
    std::size_t at = 0;
    std::vector<TableHeader> tables;
    for (const Kind& kind : kinds) {
        TableHeader table;
        table.magic = kTableMagic;
        table.tag = kind.tag;
        table.endMarker = kTableEndMarker;
        if (at + static_cast<std::size_t>(kind.count * kind.size) > kLength)
            return {};
        for (int i = 0; i < kind.count; ++i) {
            table.offsets.push_back(static_cast<std::int32_t>(at));
            std::fill_n(region.begin() + static_cast<std::ptrdiff_t>(at), kind.size, static_cast<std::uint8_t>(i));
            at += static_cast<std::size_t>(kind.size);
        }
        table.slotCount = static_cast<std::int16_t>(kind.count);
        table.liveCount = table.slotCount;
        tables.push_back(std::move(table));
    }
    for (const TableHeader& table : tables) {
        const std::vector<std::uint8_t> stored = SerializeTableHeader(table);
        if (at + stored.size() > kLength)
            return {};
        std::copy(stored.begin(), stored.end(), region.begin() + static_cast<std::ptrdiff_t>(at));
        at += stored.size();
    }
    return region;
}

void BM_Parserdb(benchmark::State& state)
{
    const std::vector<std::uint8_t> region = FullRegion();
    SilentPrompts prompts;
    DatabaseImage image;
    if (region.empty())
        state.SkipWithError("the sample does not fit the region");
    for (auto _ : state) {
        const int result = image.parserdb(region, prompts);
        if (result != 0)
            state.SkipWithError("parserdb failed");
        benchmark::DoNotOptimize(image.Table(NodeKind::Program)->offsets.data());
    }
}
BENCHMARK(BM_Parserdb)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
