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
#include "document/backup_listing.h"
#include "document/document.h"
#include "store/tree_item.h"
#include "util/atomic_file.h"
#include "util/backup_store.h"
#include "util/file_reader.h"
#include "util/saved_file.h"
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

// A backup folder beside the image, emptied before each save so that every save copies the
// whole image (an unchanged image would add no copy).
struct BenchBackups {
    BenchBackups() : folder((std::filesystem::temp_directory_path() / "torvane_files_bench_backups").string())
    {
        std::filesystem::remove_all(folder);
    }
    ~BenchBackups() { std::filesystem::remove_all(folder); }

    std::string folder;
};

// Arg 0: backups off; 1: every save first copies the image into the backup folder.
void SaveBothChunks(benchmark::State& state, ProjectType type)
{
    auto document = Image(type).NewDocument();
    if (!document->OpenUserDatabase(Image(type).path))
        state.SkipWithError("open failed");
    const BenchBackups backups;
    const BackupStore store(backups.folder, BackupSettings{});
    SetSaveBackups(state.range(0) != 0 ? &store : nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(backups.folder);
        state.ResumeTiming();
        if (document->SaveWithChunkChoice() != SaveResult::Saved)
            state.SkipWithError("save failed");
    }
    SetSaveBackups(nullptr);
}

void BM_SaveBothChunks(benchmark::State& state)
{
    SaveBothChunks(state, ProjectType::ZUV_DVBS_V4);
}
BENCHMARK(BM_SaveBothChunks)->ArgName("backup")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// "backups FILE" and "Restore from Backup…": 20 backups of the image listed with their counts.
void BM_ListTwentyBackups(benchmark::State& state)
{
    const BenchBackups backups;
    const BackupStore store(backups.folder, BackupSettings{});
    const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(Image().path);
    const std::string folder = store.FolderOf(Image().path);
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 20; ++i) {
        if (!bytes || !WriteFileAtomically(BackupStore::NewCopyPath(folder, ".bin", 1796724930 + i), *bytes))
            state.SkipWithError("the backups could not be made");
    }
    for (auto _ : state) {
        const std::vector<BackupEntry> entries =
            ListBackups(store, Image().path, Image().schema, ProjectType::ZUV_DVBS_V4);
        if (entries.size() != 20 || !entries.back().counts)
            state.SkipWithError("the backups were not listed");
        benchmark::DoNotOptimize(entries.data());
    }
}
BENCHMARK(BM_ListTwentyBackups)->Unit(benchmark::kMillisecond);

void BM_SaveBothChunksUncompressed(benchmark::State& state)
{
    SaveBothChunks(state, ProjectType::ZUV_DVBS_V1);
}
BENCHMARK(BM_SaveBothChunksUncompressed)->ArgName("backup")->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
