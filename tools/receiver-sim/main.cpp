// torvane-receiver-sim: a Zuv receiver on a pseudo-terminal, for trying the transfers without one.

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "pty_line.h"
#include "receiver_sim.h"
#include "sim_options.h"

namespace {

torvane::sim::ReceiverSim* g_running = nullptr;

void OnSignal(int)
{
    if (g_running != nullptr)
        g_running->RequestStop();
}

} // namespace

int main(int argc, char** argv)
{
    using namespace torvane::sim;
    const SimOptionsResult parsed = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fprintf(stderr, "torvane-receiver-sim: %s\n%s", parsed.error.c_str(), kSimUsage);
        return 2;
    }
    const SimOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(kSimUsage, stdout);
        return 0;
    }
    std::string error;
    std::optional<ReceiverFlash> flash = ReceiverFlash::Load(options.imagePath, error);
    if (!flash) {
        std::fprintf(stderr, "torvane-receiver-sim: %s\n", error.c_str());
        return 1;
    }
    TraceLog trace;
    if (!options.tracePath.empty() && !trace.Open(options.tracePath)) {
        std::fprintf(stderr, "torvane-receiver-sim: cannot write the trace %s\n", options.tracePath.c_str());
        return 1;
    }
    std::unique_ptr<PtyLine> line = PtyLine::Create(error);
    if (!line) {
        std::fprintf(stderr, "torvane-receiver-sim: %s\n", error.c_str());
        return 1;
    }
    SimSetup setup;
    setup.generation = options.generation;
    setup.faults = options.faults;
    setup.paceBitsPerSecond = options.throttle ? options.baud : 0;
    setup.burnMs = options.burnMs;
    setup.secondByte = options.secondByte;
    ReceiverSim sim(std::move(*flash), *line, setup, &trace);

    g_running = &sim;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::printf("%s\n", line->SlavePath().c_str());
    std::fflush(stdout);
    sim.Serve();
    g_running = nullptr;
    return 0;
}
