// The table import on a demo of 3,000 services (8 satellites, 25 TPs each): reading the largest
// table of Debian's dtv-scan-tables and building the preview of a satellite's update from it
// (goal: 20 ms), and applying 100 new TPs as one step and undoing it (goal: 16 ms).

#include <string>

#include <benchmark/benchmark.h>

#include "editing/session/edit_session.h"
#include "editing/tables/tp_import.h"
#include "exchange/tp_table_file.h"
#include "store/tree_item.h"
#include "support/demo_database.h"

namespace torvane {
namespace {

constexpr test::DemoOptions kFullRegion{8, 25, 15, 0xA0000};
// The largest file of the dvb-s folder.
constexpr const char* kLargestTable = "/usr/share/dvb/dvb-s/Eutelsat-10A-10.0E";

TreeItem* FirstSatellite(test::DemoDatabase& demo)
{
    return demo.Store().Tree().FindRoot(TreeKind::SatelliteRoot)->Child(0);
}

void BM_ReadLargestTableAndPreview(benchmark::State& state)
{
    test::DemoDatabase demo(kFullRegion);
    EditSession session(demo.GetDocument());
    TreeItem* satellite = FirstSatellite(demo);
    for (auto _ : state) {
        const TableReadResult read = ReadTpTableFile(kLargestTable, nullptr);
        if (!read.Ok()) {
            state.SkipWithError(read.error.c_str());
            return;
        }
        const TpImportPreview preview = PreviewTpUpdate(session, *satellite, read.satellites.front());
        benchmark::DoNotOptimize(preview.Rows().data());
    }
}
BENCHMARK(BM_ReadLargestTableAndPreview)->Unit(benchmark::kMillisecond);

void BM_Apply100NewTpsAndUndo(benchmark::State& state)
{
    test::DemoDatabase demo(kFullRegion);
    EditSession session(demo.GetDocument());
    TreeItem* satellite = FirstSatellite(demo);
    TableSatellite table;
    // Beyond the demo's frequencies, so that all hundred are new.
    for (int i = 0; i < 100; ++i)
        table.tps.push_back({12800000 + 5000LL * i, 27500000, TablePolarization::Vertical, TableSystem::DvbS, i + 1});
    const TpImportPreview preview = PreviewTpUpdate(session, *satellite, table);
    if (preview.Counts().added != 100) {
        state.SkipWithError("the table is not 100 new TPs");
        return;
    }
    const int before = satellite->ChildCount();
    if (ApplyTpUpdate(session, *satellite, preview) != StepResult::Made
        || FirstSatellite(demo)->ChildCount() != before + 100) {
        state.SkipWithError("the step did not add the hundred TPs");
        return;
    }
    session.Undo();
    for (auto _ : state) {
        // Undo may bring the tree back with items of its own.
        ApplyTpUpdate(session, *FirstSatellite(demo), preview);
        session.Undo();
    }
    if (FirstSatellite(demo)->ChildCount() != before)
        state.SkipWithError("the undo left TPs behind");
}
BENCHMARK(BM_Apply100NewTpsAndUndo)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace torvane

BENCHMARK_MAIN();
