// Throughput of the receiver link over the in-memory line with the line-rate model of 115200 bit/s,
// 8 data bits, even parity and one stop bit (11 bits a byte): a 2 MiB dump and a 640 KiB transfer,
// against the simulated receiver.
//
// The stop-and-wait limit: a 1024-byte piece travels as a 1051-byte Data packet and is answered by a
// 28-byte Status packet, so at most 115200 / 11 * 1024 / 1079 = about 9,939 payload bytes a second.
// Counters: bytes_per_second (payload, before compression) and of_limit (that rate over 9,939).

#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "link/external_compressor.h"
#include "link/memory_line.h"
#include "link/upgrade_lib.h"
#include "receiver_sim.h"

namespace {

using namespace torvane;

constexpr std::int32_t kLineRate = 115200;
constexpr double kStopAndWaitLimit = 115200.0 / 11.0 * 1024.0 / 1079.0;
constexpr std::size_t kFlash = 0x200000;
constexpr std::size_t kTransfer = 640 * 1024;

enum class Content { Dense, Blank, Compressible };

// Flash or transfer bytes: dense are random and do not compress; blank has every other 4 KiB erased
// (as in a flash with chunks and free space); compressible repeats short records with small changes,
// as a channel list does.
std::vector<std::uint8_t> MakeBytes(std::size_t count, Content content)
{
    std::vector<std::uint8_t> bytes(count);
    std::mt19937 random(12345);
    for (std::size_t i = 0; i < count; ++i) {
        switch (content) {
        case Content::Dense:
            bytes[i] = static_cast<std::uint8_t>(random());
            break;
        case Content::Blank:
            bytes[i] = (i / 4096) % 2 == 1 ? 0xFF : static_cast<std::uint8_t>(random());
            break;
        case Content::Compressible:
            bytes[i] = i % 64 < 8 ? static_cast<std::uint8_t>(random() % 4) : static_cast<std::uint8_t>(i % 64);
            break;
        }
    }
    return bytes;
}

// A simulated receiver on one end of a rate-limited memory line, greeted and ready.
struct LinkRig {
    explicit LinkRig(std::vector<std::uint8_t> flash)
    {
        auto [pc, receiver] = MemoryLine::CreatePair(kLineRate);
        m_pc = std::move(pc);
        m_receiverEnd = std::move(receiver);
        m_sim = std::make_unique<sim::ReceiverSim>(sim::ReceiverFlash(std::move(flash), {}), *m_receiverEnd,
                                                   sim::SimSetup{});
        m_sim->Start();
        m_lib = std::make_unique<UpgradeLib>(*m_pc);
        std::uint32_t version = 0;
        ready = m_lib->TestPort(version, {}, {}) == link_status::kSuccess;
        m_lib->SetProtocolVersion(version);
    }

    bool ready = false;
    std::unique_ptr<MemoryLine> m_pc;
    std::unique_ptr<MemoryLine> m_receiverEnd;
    std::unique_ptr<sim::ReceiverSim> m_sim;
    std::unique_ptr<UpgradeLib> m_lib;
};

void Report(benchmark::State& state, std::size_t bytes, double seconds)
{
    const double rate = static_cast<double>(bytes) / seconds;
    state.counters["bytes_per_second"] = rate;
    state.counters["of_limit"] = rate / kStopAndWaitLimit;
}

void BM_Dump2MiB(benchmark::State& state)
{
    LinkRig rig(MakeBytes(kFlash, static_cast<Content>(state.range(0))));
    if (!rig.ready) {
        state.SkipWithError("greeting failed");
        return;
    }
    std::vector<std::uint8_t> buffer(kFlash);
    for (auto _ : state) {
        std::uint32_t length = 0;
        const auto start = std::chrono::steady_clock::now();
        const LinkStatus status = rig.m_lib->Dump(buffer, length, {}, {}, 0, 0);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        if (status != link_status::kSuccess || length != kFlash) {
            state.SkipWithError("dump failed");
            return;
        }
        Report(state, length, took.count());
    }
}

void BM_Transfer640KiB(benchmark::State& state)
{
    const auto content = static_cast<Content>(state.range(0));
    const bool compress = state.range(1) != 0;
    LinkRig rig(std::vector<std::uint8_t>(kFlash, 0xFF));
    if (!rig.ready || rig.m_lib->SetAddress(0) != link_status::kSuccess) {
        state.SkipWithError("receiver not ready");
        return;
    }
    if (compress) {
        rig.m_lib->SetCompression(ExternalCompressor());
    } else {
        rig.m_lib->SetCompression([](auto, auto&, auto&) { return link_status::kToolNotStarted; });
    }
    const std::vector<std::uint8_t> data = MakeBytes(kTransfer, content);
    for (auto _ : state) {
        if (rig.m_lib->SetAddress(0) != link_status::kSuccess) {
            state.SkipWithError("address refused");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        const LinkStatus status = rig.m_lib->Transfer(data, {}, {});
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        if (status != link_status::kSuccess) {
            state.SkipWithError("transfer failed");
            return;
        }
        Report(state, data.size(), took.count());
    }
}

// Arguments: content (0 dense, 1 with blank stretches, 2 compressible) and, for transfers, compression.
BENCHMARK(BM_Dump2MiB)->Arg(0)->Arg(1)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Transfer640KiB)
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({2, 0})
    ->Args({2, 1})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
