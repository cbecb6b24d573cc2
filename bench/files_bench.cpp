// Opening a full demo image (ZUV_DVBS_V4) up to the all-services list, building that list, and
// saving both database chunks back (the default one zlib-compressed at level 9, which takes most
// of that save); the same save of a ZUV_DVBS_V1 image with 2,400 services (as many as its plain
// default area holds) shows what the save costs besides compression.

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

// A 2 MiB image; with 3500 programs its 0xA0000-byte user region is nearly full.
struct FullImage {
    FullImage(ProjectType projectType, int programs) : type(projectType)
    {
        const std::string name = "torvane_files_bench_" + std::to_string(static_cast<int>(type)) + ".bin";
        path = (std::filesystem::temp_directory_path() / name).string();
        if (!schema.ParseTemplate(std::string(TORVANE_SAMPLE_TEMPLATE), prompts)
            || !WriteDemoImage(path, schema, type, DemoImageOptions{8, 16, programs, 1}, prompts))
            std::fprintf(stderr, "the demo image could not be made\n");
    }
    ~FullImage() { std::filesystem::remove(path); }

    std::unique_ptr<Document> NewDocument()
    {
        auto document = std::make_unique<Document>(prompts, type);
        document->Schema() = schema;
        document->List().SetupColumns(NodeKind::Program);
        return document;
    }

    ProjectType type;
    BenchPrompts prompts;
    NodeSchema schema;
    std::string path;
};

FullImage& Image(ProjectType type = ProjectType::ZUV_DVBS_V4)
{
    static FullImage compressed(ProjectType::ZUV_DVBS_V4, 3500);
    static FullImage plain(ProjectType::ZUV_DVBS_V1, 2400);
    return type == ProjectType::ZUV_DVBS_V4 ? compressed : plain;
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

void SaveBothChunks(benchmark::State& state, ProjectType type)
{
    auto document = Image(type).NewDocument();
    if (!document->OpenUserDatabase(Image(type).path))
        state.SkipWithError("open failed");
    for (auto _ : state) {
        if (document->SaveWithChunkChoice() != SaveResult::Saved)
            state.SkipWithError("save failed");
    }
}

void BM_SaveBothChunks(benchmark::State& state)
{
    SaveBothChunks(state, ProjectType::ZUV_DVBS_V4);
}
BENCHMARK(BM_SaveBothChunks)->Unit(benchmark::kMillisecond);

void BM_SaveBothChunksUncompressed(benchmark::State& state)
{
    SaveBothChunks(state, ProjectType::ZUV_DVBS_V1);
}
BENCHMARK(BM_SaveBothChunksUncompressed)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
