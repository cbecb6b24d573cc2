#pragma once

#include <cstdint>

#include "receiver_sim.h"

// For tests that link the receiver simulator.
namespace torvane::test {

inline sim::FaultSettings Faults(std::uint64_t seed, double flipRate, double dropRate, double garbageRate,
                                 double stallRate = 0, int stallMs = 0)
{
    sim::FaultSettings faults;
    faults.seed = seed;
    faults.flipRate = flipRate;
    faults.dropRate = dropRate;
    faults.garbageRate = garbageRate;
    faults.stallRate = stallRate;
    faults.stallMs = stallMs;
    return faults;
}

inline sim::SimSetup Setup(int generation, const sim::FaultSettings& faults = {}, std::uint32_t paceBitsPerSecond = 0)
{
    sim::SimSetup setup;
    setup.generation = generation;
    setup.faults = faults;
    setup.paceBitsPerSecond = paceBitsPerSecond;
    return setup;
}

} // namespace torvane::test
