#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fault_injector.h"

namespace torvane::sim {

// How the simulator is run, from its command line.
struct SimOptions {
    std::string imagePath;
    // 48: framed packets; 33 to 47: byte protocol with a version word and checked dump headers;
    // 32: byte protocol with dump blocks; below 32: byte protocol with the one-stream dump.
    int generation = 48;
    FaultSettings faults;
    std::string tracePath;       // empty: no trace; "-": standard error
    bool throttle = false;       // pace what is sent at the line rate
    std::uint32_t baud = 115200; // with 8 data bits, parity and a stop bit: 11 bits a byte
    int burnMs = 0;              // how long burning the flash takes
    std::uint8_t secondByte = 0; // the information block's second byte
    bool help = false;
};

struct SimOptionsResult {
    std::optional<SimOptions> options;
    std::string error; // set when options is empty
};

SimOptionsResult ParseSimOptions(const std::vector<std::string>& arguments);

// The usage text printed for --help and after an error.
extern const char* const kSimUsage;

} // namespace torvane::sim
