#include "sim_options.h"

#include <charconv>
#include <functional>
#include <string_view>

namespace torvane::sim {

const char* const kSimUsage =
    "usage: torvane-receiver-sim --image FLASH.bin [options]\n"
    "Opens a pseudo-terminal, prints its device path and answers there as a Zuv receiver.\n"
    "  --image PATH          the receiver's flash (512 KiB, 1 MiB or 2 MiB); burning writes it back\n"
    "  --generation N        protocol generation: 48 (packets), 33..47, 32, or below 32 (default 48)\n"
    "  --trace PATH          readable log of the conversation (- for standard error)\n"
    "  --throttle            send at the line rate (11 bits a byte at --baud)\n"
    "  --baud N              line rate for --throttle (default 115200)\n"
    "  --burn-ms N           time burning takes (default 0)\n"
    "  --second-byte N       second byte of the receiver information (default 0)\n"
    "  --seed N              seed of the fault generator (default 1)\n"
    "  --flip-rate P         chance that a reply has one bit flipped\n"
    "  --drop-rate P         chance that a reply is not sent\n"
    "  --garbage-rate P      chance of stray bytes before a reply\n"
    "  --stall-rate P        chance that a reply is held back for --stall-ms\n"
    "  --stall-ms N          length of a stall (default 2000)\n"
    "  --no-answer           hear everything, answer nothing\n";

namespace {

template <typename T>
bool ParseNumber(std::string_view text, T& out)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool ParseRate(std::string_view text, double& out)
{
    return ParseNumber(text, out) && out >= 0 && out <= 1;
}

} // namespace

SimOptionsResult ParseSimOptions(const std::vector<std::string>& arguments)
{
    SimOptions options;
    options.faults.stallMs = 2000;
    using Setter = std::function<bool(std::string_view)>;
    const std::pair<std::string_view, Setter> valued[] = {
        {"--image", [&](std::string_view v) { options.imagePath = v; return !v.empty(); }},
        {"--generation",
         [&](std::string_view v) { return ParseNumber(v, options.generation) && options.generation >= 1
                                       && options.generation <= 48; }},
        {"--trace", [&](std::string_view v) { options.tracePath = v; return !v.empty(); }},
        {"--baud", [&](std::string_view v) { return ParseNumber(v, options.baud) && options.baud > 0; }},
        {"--burn-ms", [&](std::string_view v) { return ParseNumber(v, options.burnMs) && options.burnMs >= 0; }},
        {"--second-byte", [&](std::string_view v) { return ParseNumber(v, options.secondByte); }},
        {"--seed", [&](std::string_view v) { return ParseNumber(v, options.faults.seed); }},
        {"--flip-rate", [&](std::string_view v) { return ParseRate(v, options.faults.flipRate); }},
        {"--drop-rate", [&](std::string_view v) { return ParseRate(v, options.faults.dropRate); }},
        {"--garbage-rate", [&](std::string_view v) { return ParseRate(v, options.faults.garbageRate); }},
        {"--stall-rate", [&](std::string_view v) { return ParseRate(v, options.faults.stallRate); }},
        {"--stall-ms",
         [&](std::string_view v) { return ParseNumber(v, options.faults.stallMs) && options.faults.stallMs >= 0; }},
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--help" || word == "-h") {
            options.help = true;
            continue;
        }
        if (word == "--throttle") {
            options.throttle = true;
            continue;
        }
        if (word == "--no-answer") {
            options.faults.noAnswer = true;
            continue;
        }
        bool known = false;
        for (const auto& [name, setter] : valued) {
            if (word != name)
                continue;
            known = true;
            if (i + 1 >= arguments.size())
                return {std::nullopt, "missing value after " + word};
            if (!setter(arguments[++i]))
                return {std::nullopt, "bad value for " + word + ": " + arguments[i]};
        }
        if (!known)
            return {std::nullopt, "unknown option " + word};
    }
    if (!options.help && options.imagePath.empty())
        return {std::nullopt, "no flash image given (--image)"};
    return {options, {}};
}

} // namespace torvane::sim
