// The download and upload procedures at the line rate: 115200 baud, 11 bits a byte on the wire,
// against the receiver simulator on an in-memory line. The stop-and-wait limit of the packet
// protocol is about 9,939 payload bytes a second.

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "database/chunk_chain.h"
#include "link/counting_line.h"
#include "link/download_procedure.h"
#include "link/memory_line.h"
#include "link/transfer_session.h"
#include "link/upgrade_lib.h"
#include "link/upload_procedure.h"
#include "receiver_sim.h"
#include "util/atomic_file.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane {
namespace {

constexpr std::int32_t kLineRate = 115200;
constexpr std::size_t kFlashSize = 0x80000;

// Appends a chunk at offset with `data` after its 128-byte header and returns the next offset.
std::size_t PutChunk(std::vector<std::uint8_t>& flash, std::size_t offset, std::uint32_t id,
                     const std::vector<std::uint8_t>& data, std::uint32_t next)
{
    std::uint8_t* header = flash.data() + offset;
    std::fill(header, header + kChunkHeaderSize, 0xFF);
    WriteBe32(header, id);
    WriteBe32(header + 4, static_cast<std::uint32_t>(kChunkHeaderSize - kChunkStartSize + data.size()));
    WriteBe32(header + 8, next);
    std::copy(data.begin(), data.end(), header + kChunkHeaderSize);
    const auto covered = std::span<const std::uint8_t>(header + kChunkStartSize, kChunkHeaderSize - kChunkStartSize + data.size());
    WriteBe32(header + 12, Crc32Mpeg2(covered));
    return offset + next;
}

std::vector<std::uint8_t> Pattern(std::size_t count, std::uint32_t seed)
{
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
    }
    return bytes;
}

// Boot, default-database and user-database chunks with 96 KiB of data between them, the rest erased.
std::vector<std::uint8_t> Flash(std::uint32_t seed)
{
    std::vector<std::uint8_t> flash(kFlashSize, 0xFF);
    std::size_t at = PutChunk(flash, 0, 0xE3000010, Pattern(0x3F00, seed), 0x4000);
    at = PutChunk(flash, at, kDefaultChunkId, Pattern(0x7F00, seed + 1), 0x8000);
    PutChunk(flash, at, kUserChunkId, Pattern(0x10000, seed + 2), 0);
    return flash;
}

struct LineRun {
    explicit LineRun(std::vector<std::uint8_t> flash)
    {
        auto [pc, receiver] = MemoryLine::CreatePair(kLineRate);
        pcEnd = std::move(pc);
        receiverEnd = std::move(receiver);
        sim = std::make_unique<sim::ReceiverSim>(sim::ReceiverFlash(std::move(flash), {}), *receiverEnd, sim::SimSetup{});
        sim->Start();
        counting = std::make_unique<CountingLine>(*pcEnd);
        lib = std::make_unique<UpgradeLib>(*counting);
        lib->SetCompression([](std::span<const std::uint8_t>, std::vector<std::uint8_t>&, const CancelPredicate&) {
            return link_status::kToolNotStarted;
        });
        SerialSettings settings;
        settings.devicePath = "memory";
        TransferPauses pauses;
        pauses.beforeOpen = pauses.beforeReboot = pauses.afterWalk = std::chrono::milliseconds(0);
        TransferCallbacks callbacks;
        callbacks.speedMeasured = [this](const TransferSpeed& measured) { speed = measured; };
        session = std::make_unique<TransferSession>(*lib, counting.get(), settings, callbacks, CancelPredicate{}, pauses);
    }

    std::unique_ptr<MemoryLine> pcEnd;
    std::unique_ptr<MemoryLine> receiverEnd;
    std::unique_ptr<sim::ReceiverSim> sim;
    std::unique_ptr<CountingLine> counting;
    std::unique_ptr<UpgradeLib> lib;
    std::unique_ptr<TransferSession> session;
    TransferSpeed speed;
};

void Report(benchmark::State& state, const TransferSpeed& speed)
{
    state.counters["payload_Bps"] = static_cast<double>(speed.bytes) / speed.seconds;
    state.counters["wire_Bps"] = static_cast<double>(speed.wireBytes) / speed.seconds;
    state.counters["of_limit_pct"] = static_cast<double>(speed.bytes) / speed.seconds / 9939.0 * 100.0;
}

void BM_DownloadUserChunk(benchmark::State& state)
{
    const std::string image = (std::filesystem::temp_directory_path() / "torvane-bench-image.bin").string();
    WriteFileAtomically(image, Flash(7));
    for (auto _ : state) {
        LineRun run(Flash(1));
        if (DownloadProcedure(*run.session, {image, false, true}).Run() != TransferOutcome::Succeeded)
            state.SkipWithError("download failed");
        Report(state, run.speed);
    }
    std::filesystem::remove(image);
}

void BM_UploadFlash(benchmark::State& state)
{
    const std::string out = (std::filesystem::temp_directory_path() / "torvane-bench-upload.bin").string();
    for (auto _ : state) {
        LineRun run(Flash(1));
        if (UploadProcedure(*run.session, out).Run() != TransferOutcome::Succeeded)
            state.SkipWithError("upload failed");
        Report(state, run.speed);
    }
    std::filesystem::remove(out);
}

BENCHMARK(BM_DownloadUserChunk)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_UploadFlash)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
} // namespace torvane

BENCHMARK_MAIN();
