#include "exchange/dvbv5_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <vector>

#include "text/quoted_text.h"
#include "util/ascii_case.h"

namespace torvane {

namespace {

struct NamedPolarization {
    std::string_view name;
    TablePolarization polarization;
};
constexpr std::array<NamedPolarization, 4> kPolarizations = {{{"HORIZONTAL", TablePolarization::Horizontal},
                                                              {"VERTICAL", TablePolarization::Vertical},
                                                              {"LEFT", TablePolarization::Left},
                                                              {"RIGHT", TablePolarization::Right}}};

std::string_view Trim(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t\r\v\f";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A whole number above 0; whether a satellite uses it is for the import to judge.
std::optional<std::int64_t> PositiveNumber(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0)
        return std::nullopt;
    return value;
}

// The block being read, with what it has given so far.
struct Block {
    int line = 0;
    TableTp tp;
    bool hasSystem = false;
    bool hasFrequency = false;
    bool hasPolarization = false;
    bool hasSymbolRate = false;
    std::vector<std::string> keys;  // every key given so far, known or not

    // The key the block still lacks, or empty.
    std::string_view Missing() const
    {
        if (!hasFrequency)
            return "FREQUENCY";
        if (!hasSymbolRate)
            return "SYMBOL_RATE";
        if (!hasPolarization)
            return "POLARIZATION";
        return hasSystem ? std::string_view() : std::string_view("DELIVERY_SYSTEM");
    }
};

// "<what> "<value>"".
std::string Refusal(std::string_view what, std::string_view value)
{
    return std::string(what) + " " + QuotedText(value);
}

// An error text for the value of a key, or empty when it was taken.
std::string TakeValue(Block& block, std::string_view key, std::string_view value)
{
    if (key == "FREQUENCY") {
        const std::optional<std::int64_t> frequency = PositiveNumber(value);
        if (!frequency)
            return Refusal("FREQUENCY is no frequency in kHz:", value);
        block.tp.frequencyKhz = *frequency;
        block.hasFrequency = true;
    } else if (key == "SYMBOL_RATE") {
        const std::optional<std::int64_t> rate = PositiveNumber(value);
        if (!rate)
            return Refusal("SYMBOL_RATE is no rate in symbols/s:", value);
        block.tp.symbolRate = *rate;
        block.hasSymbolRate = true;
    } else if (key == "POLARIZATION") {
        for (const NamedPolarization& named : kPolarizations) {
            if (EqualsIgnoringCase(value, named.name)) {
                block.tp.polarization = named.polarization;
                block.hasPolarization = true;
            }
        }
        if (!block.hasPolarization)
            return Refusal("POLARIZATION must be HORIZONTAL, VERTICAL, LEFT or RIGHT, not", value);
    } else if (key == "DELIVERY_SYSTEM") {
        if (EqualsIgnoringCase(value, "DVBS"))
            block.tp.system = TableSystem::DvbS;
        else if (EqualsIgnoringCase(value, "DVBS2"))
            block.tp.system = TableSystem::DvbS2;
        else
            return Refusal("DELIVERY_SYSTEM must be DVBS or DVBS2, not", value);
        block.hasSystem = true;
    }
    return {};
}

// "Hotbird-13.0E" → "Hotbird" at 130; "Eutelsat5_5.0W" → "Eutelsat5" at -50.
TableSatellite SatelliteOfFileName(std::string_view fileName)
{
    TableSatellite satellite;
    satellite.name = std::string(fileName);
    const std::size_t separator = fileName.find_last_of("-_");
    if (separator == std::string_view::npos || separator == 0)
        return satellite;
    if (const std::optional<int> position = ParseOrbitalPosition(fileName.substr(separator + 1))) {
        satellite.name = std::string(fileName.substr(0, separator));
        satellite.position = position;
    }
    return satellite;
}

} // namespace

TableReadResult ReadDvbv5Table(std::string_view text, std::string_view fileName)
{
    TableSatellite satellite = SatelliteOfFileName(fileName);
    std::optional<Block> block;
    const auto close = [&]() -> std::string_view {
        if (!block)
            return {};
        if (const std::string_view missing = block->Missing(); !missing.empty())
            return missing;
        satellite.tps.push_back(block->tp);
        block.reset();
        return {};
    };

    int line = 0;
    while (!text.empty()) {
        ++line;
        const std::size_t end = text.find('\n');
        const std::string_view content = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (content.empty() || content.front() == '#')
            continue;
        if (content.front() == '[') {
            if (content.back() != ']')
                return TableReadResult::LineFailure(line, "a block header must end in \"]\"");
            const int blockLine = block ? block->line : 0;
            if (const std::string_view missing = close(); !missing.empty())
                return TableReadResult::LineFailure(blockLine, "the block has no " + std::string(missing));
            block.emplace();
            block->line = line;
            block->tp.line = line;
            continue;
        }
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos)
            return TableReadResult::LineFailure(line, "expected KEY = VALUE");
        if (!block)
            return TableReadResult::LineFailure(line, "KEY = VALUE before the first [CHANNEL]");
        const std::string_view key = Trim(content.substr(0, equals));
        if (std::find(block->keys.begin(), block->keys.end(), key) != block->keys.end())
            return TableReadResult::LineFailure(line, "the block gives " + std::string(key) + " twice");
        block->keys.emplace_back(key);
        const std::string error = TakeValue(*block, key, Trim(content.substr(equals + 1)));
        if (!error.empty())
            return TableReadResult::LineFailure(line, error);
    }
    const int blockLine = block ? block->line : 0;
    if (const std::string_view missing = close(); !missing.empty())
        return TableReadResult::LineFailure(blockLine, "the block has no " + std::string(missing));
    if (satellite.tps.empty())
        return TableReadResult::Failure("the table holds no transponder");
    return {{std::move(satellite)}, {}};
}

} // namespace torvane
