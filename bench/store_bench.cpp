// Opening and saving a full user-database region of the sample layout: 0xA0000 bytes holding
// 8 satellites, 200 TPs and 3000 programs.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "database/database_image.h"
#include "store/node_store.h"
#include "document/user_image_builder.h"
#include "support/demo_database.h"
#include "util/silent_prompts.h"

namespace {

using torvane::DatabaseImage;
using torvane::NodeStore;
using torvane::UserImageBuilder;
using torvane::test::DemoDatabase;
using torvane::test::DemoOptions;
using torvane::SilentPrompts;

constexpr DemoOptions kFullRegion{8, 25, 15, 0xA0000};

DemoDatabase& Demo()
{
    static DemoDatabase demo(kFullRegion);
    if (!demo.IsReady())
        std::abort();
    return demo;
}

const std::vector<std::uint8_t>& Region()
{
    static const std::vector<std::uint8_t> region = Demo().BuildRegion();
    if (region.empty())
        std::abort();
    return region;
}

// A store as after opening the region: parsed, compacted and renumbered, tree built.
struct Opened {
    Opened() : store(Demo().Schema(), image, prompts)
    {
        if (image.parserdb(Region(), prompts) != 0 || !store.Rearrage(true))
            std::abort();
        store.BuildTreeFromImage();
    }

    SilentPrompts prompts;
    DatabaseImage image;
    NodeStore store;
};

void BM_parserdb(benchmark::State& state)
{
    SilentPrompts prompts;
    DatabaseImage image;
    for (auto _ : state)
        benchmark::DoNotOptimize(image.parserdb(Region(), prompts));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Region().size()));
}
BENCHMARK(BM_parserdb)->Unit(benchmark::kMillisecond);

void BM_Rearrage(benchmark::State& state)
{
    SilentPrompts prompts;
    DatabaseImage image;
    NodeStore store(Demo().Schema(), image, prompts);
    for (auto _ : state) {
        state.PauseTiming();
        image.parserdb(Region(), prompts);
        state.ResumeTiming();
        benchmark::DoNotOptimize(store.Rearrage(true));
    }
}
BENCHMARK(BM_Rearrage)->Unit(benchmark::kMillisecond);

void BM_BuildTreeFromImage(benchmark::State& state)
{
    Opened opened;
    for (auto _ : state) {
        opened.store.BuildTreeFromImage();
        benchmark::DoNotOptimize(opened.store.Tree().TopLevelCount());
    }
}
BENCHMARK(BM_BuildTreeFromImage)->Unit(benchmark::kMillisecond);

void BM_CreateUserDataImage(benchmark::State& state)
{
    Opened opened;
    std::vector<std::uint8_t> out(Region().size(), 0xFF);
    for (auto _ : state) {
        UserImageBuilder builder(opened.store);
        benchmark::DoNotOptimize(builder.CreateUserDataImage(out));
    }
}
BENCHMARK(BM_CreateUserDataImage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
