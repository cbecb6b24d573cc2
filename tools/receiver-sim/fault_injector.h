#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace torvane::sim {

// Faults the receiver adds to what it sends. Rates are chances per reply (a packet, a reply letter,
// an echoed byte, a block), from 0 to 1.
struct FaultSettings {
    std::uint64_t seed = 1;
    double flipRate = 0;     // one bit of the reply flipped
    double dropRate = 0;     // the reply not sent at all
    double garbageRate = 0;  // a few stray bytes sent before the reply
    double stallRate = 0;    // the reply held back for stallMs
    int stallMs = 0;
    bool noAnswer = false;   // the receiver hears everything and answers nothing
};

// What to do to one reply.
struct ReplyFault {
    bool drop = false;
    int stallMs = 0;
    std::vector<std::uint8_t> garbage;
    bool flip = false;
    std::size_t flipBit = 0;  // bit number within the reply, counted from its first byte's bit 0
};

// Draws the faults of each reply from one seeded generator, so that a run can be repeated.
class FaultInjector final {
public:
    explicit FaultInjector(const FaultSettings& settings);

    bool Silent() const { return m_settings.noAnswer; }
    bool Active() const;

    ReplyFault ForReply(std::size_t length);

private:
    bool Chance(double rate);

    FaultSettings m_settings;
    std::mt19937_64 m_random;
};

} // namespace torvane::sim
