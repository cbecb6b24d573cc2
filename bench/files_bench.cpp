// Opening a full demo image (ZUV_DVBS_V4) up to the all-services list, building that list, and
// saving both database chunks back (the default one zlib-compressed at level 9).

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "schema/node_schema.h"
#include "demo/demo_image.h"
#include "document/document.h"
#include "store/tree_item.h"
#include "util/user_prompts.h"

namespace {

using namespace torvane;

// Answers the chunk question with both chunks and reports any message, which would spoil a run.
class BenchPrompts final : public UserPrompts {
public:
    void Message(std::string_view text) override { std::fprintf(stderr, "message: %.*s\n", int(text.size()), text.data()); }
    bool AskYesNo(std::string_view) override { return false; }
    std::optional<int> ChooseOne(std::string_view, const std::vector<std::string>&, std::optional<int>) override
    {
        return std::nullopt;
    }
    std::optional<ChunkChoice> ChooseChunks(std::string_view, ChunkChoice, bool) override { return ChunkChoice{true, true}; }
    std::optional<std::string> ChooseOpenFile(std::string_view) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view) override { return std::nullopt; }
};

// A 2 MiB image whose 0xA0000-byte user region is nearly full: 3500 programs.
struct FullImage {
    FullImage()
    {
        path = (std::filesystem::temp_directory_path() / "torvane_files_bench.bin").string();
        if (!schema.ParseTemplate(std::string(TORVANE_SAMPLE_TEMPLATE), prompts)
            || !WriteDemoImage(path, schema, ProjectType::ZUV_DVBS_V4, DemoImageOptions{8, 16, 3500, 1}, prompts))
            std::fprintf(stderr, "the demo image could not be made\n");
    }
    ~FullImage() { std::filesystem::remove(path); }

    std::unique_ptr<Document> NewDocument()
    {
        auto document = std::make_unique<Document>(prompts, ProjectType::ZUV_DVBS_V4);
        document->Schema() = schema;
        document->List().SetupColumns(NodeKind::Program);
        return document;
    }

    BenchPrompts prompts;
    NodeSchema schema;
    std::string path;
};

FullImage& Image()
{
    static FullImage image;
    return image;
}

void BM_OpenToAllServicesList(benchmark::State& state)
{
    for (auto _ : state) {
        auto document = Image().NewDocument();
        if (!document->OpenUserDatabase(Image().path))
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(document->List().RowCount());
    }
}
BENCHMARK(BM_OpenToAllServicesList)->Unit(benchmark::kMillisecond);

void BM_ShowAllServicesList(benchmark::State& state)
{
    auto document = Image().NewDocument();
    if (!document->OpenUserDatabase(Image().path))
        state.SkipWithError("open failed");
    TreeItem* all = document->Store().Tree().FindRoot(TreeKind::AllServices);
    for (auto _ : state) {
        document->SelectItem(all);
        benchmark::DoNotOptimize(document->List().RowCount());
    }
    state.counters["rows"] = document->List().RowCount();
}
BENCHMARK(BM_ShowAllServicesList)->Unit(benchmark::kMillisecond);

void BM_SaveBothChunks(benchmark::State& state)
{
    auto document = Image().NewDocument();
    if (!document->OpenUserDatabase(Image().path))
        state.SkipWithError("open failed");
    for (auto _ : state) {
        if (document->SaveWithChunkChoice() != SaveResult::Saved)
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveBothChunks)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
