#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The polarisations a public table names; circular ones are mapped onto the receiver's two when
// imported.
enum class TablePolarization { Horizontal, Vertical, Left, Right };
enum class TableSystem { DvbS, DvbS2 };

// One transponder of a table, in the table's own units. A value may lie outside what any satellite
// uses (a table's typo): the import skips such a TP, naming its line.
struct TableTp {
    std::int64_t frequencyKhz = 0;
    std::int64_t symbolRate = 0;  // symbols per second
    TablePolarization polarization = TablePolarization::Horizontal;
    TableSystem system = TableSystem::DvbS;
    int line = 0;  // where the entry starts in its file, from 1

    // Rounded to the units of the TP dialog (an absurd value stops at the largest int).
    int FrequencyMhz() const { return Thousandths(frequencyKhz); }
    int SymbolRateKsps() const { return Thousandths(symbolRate); }

private:
    static int Thousandths(std::int64_t value)
    {
        constexpr std::int64_t kLargest = std::int64_t{std::numeric_limits<int>::max()} * 1000;
        return static_cast<int>((std::clamp<std::int64_t>(value, 0, kLargest) + 500) / 1000);
    }
};

// A satellite of a table with its transponders in file order.
struct TableSatellite {
    std::string name;
    // Orbital position in tenths of a degree, negative for west; nothing when the table gives none.
    std::optional<int> position;
    std::vector<TableTp> tps;
};

// What a table file holds, or why it could not be read: a table that fails anywhere gives no
// satellites at all, so that nothing is half imported.
struct TableReadResult {
    std::vector<TableSatellite> satellites;
    std::string error;  // "line N: …" for malformed input

    bool Ok() const { return error.empty(); }
    static TableReadResult Failure(std::string text) { return {{}, std::move(text)}; }
    static TableReadResult LineFailure(int line, std::string_view text)
    {
        return Failure("line " + std::to_string(line) + ": " + std::string(text));
    }
};

// The largest table read: the biggest public tables are a few hundred KiB.
inline constexpr std::size_t kMaxTableBytes = 4u * 1024u * 1024u;

// "19.2E", "7W", "30.0W": an orbital position in tenths of a degree (negative for west, at most
// 180.0 either way, one decimal at most); nothing for anything else.
std::optional<int> ParseOrbitalPosition(std::string_view text);
// The inverse: "19.2E", "7.0W", "0.0E".
std::string OrbitalPositionText(int tenths);

// The satellite of a table at position, else the only one of a one-satellite table; nullptr when
// neither.
const TableSatellite* FindTableSatellite(const std::vector<TableSatellite>& satellites, std::optional<int> position);

} // namespace torvane
