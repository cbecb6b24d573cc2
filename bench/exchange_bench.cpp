// Enigma2 settings folders against a demo of 3,000 services (8 satellites, 25 TPs each): reading a
// generated folder of 10,000 services in 20 bouquets and building its import preview (goal:
// 50 ms), importing about 4,000 services as one step and undoing it (goal: 100 ms), and exporting
// 4,000 services (goal: 30 ms; once as the folder's bytes, once written into the folder).

#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "editing/lists/enigma2_export.h"
#include "editing/lists/enigma2_import.h"
#include "editing/session/edit_session.h"
#include "exchange/enigma2_folder.h"
#include "exchange/enigma2_writer.h"
#include "store/node_store.h"
#include "support/demo_database.h"
#include "support/enigma2_folder_builder.h"
#include "support/scratch_folder.h"
#include "util/file_name.h"

namespace torvane {
namespace {

constexpr test::DemoOptions kFullRegion{8, 25, 15, 0xA0000};
// Room for the 4,000 imported services beside the 3,000 without compacting the region again.
constexpr test::DemoOptions kImportDemo{8, 25, 15, 0x200000};
constexpr test::DemoOptions kExportDemo{8, 25, 20, 0x100000};

// The generated folder written once into a scratch folder.
class BenchFolder final {
public:
    BenchFolder(int services, int bouquets)
    {
        for (const auto& [name, text] : test::GenerateE2Folder(services, 60, bouquets, false, false).files)
            std::ofstream(FileNamePath(m_folder.Path(name)), std::ios::binary) << text;
    }
    std::filesystem::path Path() const { return FileNamePath(m_folder.Path()); }

private:
    test::ScratchFolder m_folder;
};

void BM_Read10000ServicesAndPreview(benchmark::State& state)
{
    const BenchFolder folder(10000, 20);
    test::DemoDatabase demo(kFullRegion);
    EditSession session(demo.GetDocument());
    for (auto _ : state) {
        const E2Settings settings = ReadE2Folder(folder.Path(), nullptr);
        const Enigma2Import import(session, settings, {});
        if (!settings.Ok() || !import.Error().empty() || settings.lamedb.services.size() != 10000u
            || settings.bouquets.size() != 20u) {
            state.SkipWithError("the folder was not read whole");
            return;
        }
        benchmark::DoNotOptimize(import.Rows().data());
    }
}
BENCHMARK(BM_Read10000ServicesAndPreview)->Unit(benchmark::kMillisecond);

void BM_Import4000ServicesAndUndo(benchmark::State& state)
{
    // 5,500 services of which the rules import 4,000 (the others are DVB-S2 or of other types).
    const BenchFolder folder(5500, 20);
    test::DemoDatabase demo(kImportDemo);
    EditSession session(demo.GetDocument());
    const E2Settings settings = ReadE2Folder(folder.Path(), nullptr);
    const Enigma2Import import(session, settings, {});
    for (const Enigma2SatellitePlan& plan : import.Satellites()) {
        if (plan.item) {
            state.SkipWithError("a satellite of the folder is one of the demo's");
            return;
        }
    }
    const std::size_t before = demo.Store().BuildAllServicesList().Programs().size();
    const int added = import.Count(Enigma2ImportAction::Add);
    for (auto _ : state) {
        import.Apply(session);
        session.Undo();
    }
    state.counters["services"] = added;
    if (demo.Store().BuildAllServicesList().Programs().size() != before || added < 4000)
        state.SkipWithError("the import did not add 4,000 services, or undo left some behind");
}
BENCHMARK(BM_Import4000ServicesAndUndo)->Unit(benchmark::kMillisecond);

void BM_Export4000Services(benchmark::State& state)
{
    test::DemoDatabase demo(kExportDemo);
    for (auto _ : state) {
        const Enigma2Export exported = BuildEnigma2Export(demo.GetDocument());
        const std::vector<E2File> files = WriteE2Files(exported.settings);
        if (exported.settings.lamedb.services.size() + static_cast<std::size_t>(exported.sameKey) != 4000u) {
            state.SkipWithError("the export is not 4,000 services");
            return;
        }
        benchmark::DoNotOptimize(files.data());
    }
}
BENCHMARK(BM_Export4000Services)->Unit(benchmark::kMillisecond);

void BM_Export4000ServicesIntoAFolder(benchmark::State& state)
{
    test::DemoDatabase demo(kExportDemo);
    const test::ScratchFolder folder;
    const std::filesystem::path out = FileNamePath(folder.Path("settings"));
    for (auto _ : state) {
        const std::string error = WriteE2Folder(out, WriteE2Files(BuildEnigma2Export(demo.GetDocument()).settings));
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
}
BENCHMARK(BM_Export4000ServicesIntoAFolder)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace torvane

BENCHMARK_MAIN();
