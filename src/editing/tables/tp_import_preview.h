#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editing/tables/tp_import_rules.h"
#include "exchange/tp_table.h"

namespace torvane {

class NodeStore;
class TreeItem;

// What an import does with one TP.
enum class TpImportAction {
    New,                // added
    Changed,            // the symbol rate differs: updated
    Same,               // nothing to do
    OnlyHere,           // the satellite's TP the table lacks: kept, or deleted when ticked
    SkippedDvbS2,       // the receiver tunes DVB-S only
    SkippedOutOfRange,  // outside what the TP dialog accepts
    Repeated,           // the table gave the TP before: the first entry is taken
};
// "new", "changed", "same", "only here", "skipped (DVB-S2)", "skipped (out of range)", "repeated".
std::string_view ActionName(TpImportAction action);

// A TP the satellite holds now, in the TP dialog's units.
struct ExistingTp {
    TreeItem* item = nullptr;
    int frequency = 0;
    int polarization = 0;
    int symbolRate = 0;
    int programs = 0;
};
// The TPs under a satellite item, in tree order.
std::vector<ExistingTp> ExistingTps(const NodeStore& store, const TreeItem& satellite);

struct TpImportRow {
    TpImportAction action = TpImportAction::New;
    // The values the TP gets (new, changed) or keeps (same, only here); the table's for skipped.
    int frequency = 0;
    int polarization = 0;
    int symbolRate = 0;
    std::optional<TableTp> table;
    std::optional<ExistingTp> existing;
    int existingIndex = -1;     // existing's place among the satellite's TPs
    bool fits = true;           // new: within the room the database has
    bool deleteTicked = false;  // only here
};

struct TpImportCounts {
    int added = 0;
    int updated = 0;
    int same = 0;
    int kept = 0;
    int deleted = 0;
    int skippedDvbS2 = 0;
    int skippedOutOfRange = 0;
    int withoutRoom = 0;  // new TPs beyond the room, not added
    int repeated = 0;

    bool operator==(const TpImportCounts&) const = default;
};
// "added N, updated N, same N, kept N, deleted N, skipped N (DVB-S2), skipped N (out of range)", then
// ", repeated N" when the table repeats TPs.
std::string CountsLine(const TpImportCounts& counts);

// The preview of updating a satellite's TPs from a table's: one row per table entry and per TP
// only the satellite has, by frequency then polarisation. An entry of the polarisation of an
// earlier one (in the table's order) and within the tolerance of it, or of the same MHz, repeats
// that TP and is listed only (neither can be a skipped DVB-S2 or out-of-range entry). A table entry matches the closest unclaimed TP of its polarisation
// within the tolerance (one with its symbol rate first). New TPs beyond the room, to which each
// ticked deletion adds one, are listed but not added.
class TpImportPreview final {
public:
    TpImportPreview(std::vector<ExistingTp> existing, std::vector<TableTp> table, int room,
                    int toleranceMhz = kDefaultTpToleranceMhz);

    int Tolerance() const { return m_tolerance; }
    // Builds the rows again, keeping the ticks of the TPs still only here; tolerances outside
    // 0 … kLargestTpToleranceMhz are brought to the nearest end.
    void SetTolerance(int mhz);
    int Room() const { return m_room; }

    const std::vector<TpImportRow>& Rows() const { return m_rows; }
    // Only rows of TPs only here take a tick; false for the others.
    bool SetTicked(std::size_t row, bool ticked);
    void TickAllOnlyHere();

    TpImportCounts Counts() const;
    // Whether a circular polarisation was mapped onto a linear one.
    bool MapsCircular() const;
    // What the preview says beside a row's values: "was 27500", the TP's label, "6 services",
    // the circular mapping, "no room", and "line N" of a table entry skipped or repeated.
    static std::vector<std::string> RowNotes(const TpImportRow& row);
    // "new: 10719 V 27500", "changed: 10723 H 29900 (was 27500, [ 2 ]  TP_10723_H_27500)", … one row.
    static std::string RowText(const TpImportRow& row);
    // The counts line, then "room for N of M new TPs" when they do not all fit.
    std::string Summary() const;

private:
    void Build();
    // The table's entries that are not repeats at the tolerance, by frequency; the repeats go to
    // repeats as rows.
    std::vector<TableTp> FoldRepeats(std::vector<TpImportRow>& repeats) const;
    // Which new rows fit the room with the ticked deletions.
    void Fit();

    std::vector<ExistingTp> m_existing;
    std::vector<TableTp> m_table;  // in the table's order
    int m_room;
    int m_tolerance;
    std::vector<bool> m_ticked;  // per existing TP
    std::vector<TpImportRow> m_rows;
};

} // namespace torvane
