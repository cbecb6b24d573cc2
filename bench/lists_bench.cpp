// The commands between lists on a demo of 4,000 services (8 satellites, 25 TPs each, 20 programs
// per TP): CSV out (the table read and the file written), CSV in (read, checked, matched and
// applied as one undo step), apply-order (paired and applied as one step) and compare (both lists
// read and compared). The reference of import and apply-order is the list backwards, so that
// every service moves.

#include <algorithm>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "editing/lists/apply_order.h"
#include "editing/lists/csv_import.h"
#include "editing/lists/list_compare.h"
#include "editing/lists/list_file.h"
#include "editing/session/edit_session.h"
#include "exchange/csv_table.h"
#include "exchange/service_csv.h"
#include "support/demo_database.h"

namespace torvane {
namespace {

constexpr test::DemoOptions kDemo{8, 25, 20, 0x100000};

struct Bench {
    Bench() { demo.GetDocument().List().SetupColumns(NodeKind::Program); }

    ServiceTable Table() { return ReadDocumentTable(demo.GetDocument()); }

    // The list's CSV file with its services backwards.
    std::string ReversedCsv()
    {
        std::vector<CsvRecord> records = ReadCsv(BuildServiceCsv(Table())).records;
        std::reverse(records.begin() + 1, records.end());
        std::string text;
        for (const CsvRecord& record : records)
            text += CsvLine(record.fields);
        return text;
    }

    test::DemoDatabase demo{kDemo};
    EditSession session{demo.GetDocument()};
};

bool Ready(benchmark::State& state, Bench& bench)
{
    if (bench.demo.IsReady() && bench.Table().services.size() == 4000u)
        return true;
    state.SkipWithError("the demo could not be made");
    return false;
}

void BM_CsvExport(benchmark::State& state)
{
    Bench bench;
    if (!Ready(state, bench))
        return;
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "torvane_lists_bench.csv";
    for (auto _ : state)
        benchmark::DoNotOptimize(ExportServiceCsv(bench.demo.GetDocument().List(), path));
    std::filesystem::remove(path);
}

void BM_CsvImport(benchmark::State& state)
{
    Bench bench;
    if (!Ready(state, bench))
        return;
    const std::string text = bench.ReversedCsv();
    for (auto _ : state) {
        const CsvImport import(bench.demo.GetDocument(), text);
        const auto apply = [&] { import.Apply(bench.demo.Store()); };
        if (!import.Errors().empty() || !bench.session.Execute("Import CSV", apply)) {
            state.SkipWithError("the import changed nothing");
            return;
        }
        state.PauseTiming();
        bench.session.Undo();
        state.ResumeTiming();
    }
}

void BM_ApplyOrder(benchmark::State& state)
{
    Bench bench;
    if (!Ready(state, bench))
        return;
    ServiceTable reference = bench.Table();
    std::reverse(reference.services.begin(), reference.services.end());
    for (auto _ : state) {
        const ApplyOrderPlan plan(bench.Table(), reference);
        if (!bench.session.Execute("Apply Order", [&] { plan.Apply(bench.demo.Store(), {true, true}); })) {
            state.SkipWithError("apply-order changed nothing");
            return;
        }
        state.PauseTiming();
        bench.session.Undo();
        state.ResumeTiming();
    }
}

void BM_Compare(benchmark::State& state)
{
    Bench first;
    Bench second;
    if (!Ready(state, first) || !Ready(state, second))
        return;
    const CsvImport reversed(second.demo.GetDocument(), second.ReversedCsv());
    reversed.Apply(second.demo.Store());
    for (auto _ : state) {
        const std::vector<ListDifference> differences = CompareLists(first.Table(), second.Table());
        benchmark::DoNotOptimize(differences.data());
    }
}

BENCHMARK(BM_CsvExport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvImport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compare)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace torvane

BENCHMARK_MAIN();
