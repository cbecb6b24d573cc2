#include "editing/tables/tp_import_preview.h"

#include <algorithm>
#include <cstdlib>

#include "editing/forms/tp_form.h"
#include "store/node_store.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"

namespace torvane {

namespace {

bool InDialogRange(int frequency, int symbolRate)
{
    return frequency >= TpForm::kLowestFrequency && frequency <= TpForm::kHighestFrequency
        && symbolRate >= TpForm::kLowestSymbolRate && symbolRate <= TpForm::kHighestSymbolRate;
}

char PolarizationLetter(int polarization)
{
    return polarization == 0 ? 'H' : 'V';
}

// A row of a table entry with the table's values.
TpImportRow TableRow(const TableTp& entry, TpImportAction action)
{
    TpImportRow row;
    row.action = action;
    row.table = entry;
    row.frequency = entry.FrequencyMhz();
    row.polarization = MappingOf(entry.polarization).pol;
    row.symbolRate = entry.SymbolRateKsps();
    return row;
}

// The circular mapping a row notes: none for an entry that is not taken at all.
std::string_view CircularNote(const TpImportRow& row)
{
    if (!row.table || row.action == TpImportAction::SkippedDvbS2 || row.action == TpImportAction::Repeated)
        return {};
    return MappingOf(row.table->polarization).note;
}

} // namespace

std::string_view ActionName(TpImportAction action)
{
    switch (action) {
    case TpImportAction::New:
        return "new";
    case TpImportAction::Changed:
        return "changed";
    case TpImportAction::Same:
        return "same";
    case TpImportAction::OnlyHere:
        return "only here";
    case TpImportAction::SkippedDvbS2:
        return "skipped (DVB-S2)";
    case TpImportAction::SkippedOutOfRange:
        return "skipped (out of range)";
    case TpImportAction::Repeated:
        return "repeated";
    }
    return "";
}

std::vector<ExistingTp> ExistingTps(const NodeStore& store, const TreeItem& satellite)
{
    std::vector<ExistingTp> tps;
    for (int i = 0; i < satellite.ChildCount(); ++i) {
        TreeItem* item = satellite.Child(i);
        const TreeNodeInfo* info = item->Info();
        if (!info || info->treeKind != TreeKind::Tp)
            continue;
        const auto value = [&](std::string_view field) {
            return store.ReadNamedNumber(NodeKind::Tp, info->slot, field).value_or(0);
        };
        tps.push_back({item, value("frq"), value("pol") != 0 ? 1 : 0, value("sym"), info->programs.Size()});
    }
    return tps;
}

std::string CountsLine(const TpImportCounts& counts)
{
    return "added " + std::to_string(counts.added) + ", updated " + std::to_string(counts.updated) + ", same "
        + std::to_string(counts.same) + ", kept " + std::to_string(counts.kept) + ", deleted "
        + std::to_string(counts.deleted) + ", skipped " + std::to_string(counts.skippedDvbS2) + " (DVB-S2), skipped "
        + std::to_string(counts.skippedOutOfRange) + " (out of range)"
        + (counts.repeated > 0 ? ", repeated " + std::to_string(counts.repeated) : std::string());
}

TpImportPreview::TpImportPreview(std::vector<ExistingTp> existing, std::vector<TableTp> table, int room,
                                 int toleranceMhz)
    : m_existing(std::move(existing)),
      m_table(std::move(table)),
      m_room(std::max(room, 0)),
      m_tolerance(0),
      m_ticked(m_existing.size(), false)
{
    SetTolerance(toleranceMhz);
}

void TpImportPreview::SetTolerance(int mhz)
{
    m_tolerance = std::clamp(mhz, 0, kLargestTpToleranceMhz);
    Build();
}

std::vector<TableTp> TpImportPreview::FoldRepeats(std::vector<TpImportRow>& repeats) const
{
    // Only entries that could be applied repeat one another: a skipped one takes no place.
    const auto usable = [](const TableTp& entry) {
        return entry.system == TableSystem::DvbS && InDialogRange(entry.FrequencyMhz(), entry.SymbolRateKsps());
    };
    std::vector<TableTp> taken;
    for (const TableTp& entry : m_table) {
        const int polarization = MappingOf(entry.polarization).pol;
        const auto repeated = [&](const TableTp& first) {
            return usable(first) && MappingOf(first.polarization).pol == polarization
                && (first.FrequencyMhz() == entry.FrequencyMhz()
                    || std::llabs(first.frequencyKhz - entry.frequencyKhz) <= std::int64_t{m_tolerance} * 1000);
        };
        if (usable(entry) && std::any_of(taken.begin(), taken.end(), repeated))
            repeats.push_back(TableRow(entry, TpImportAction::Repeated));
        else
            taken.push_back(entry);
    }
    std::stable_sort(taken.begin(), taken.end(), [](const TableTp& a, const TableTp& b) {
        return a.frequencyKhz < b.frequencyKhz;
    });
    return taken;
}

void TpImportPreview::Build()
{
    m_rows.clear();
    std::vector<TpImportRow> repeats;
    const std::vector<TableTp> entries = FoldRepeats(repeats);
    std::vector<bool> claimed(m_existing.size(), false);
    const auto hasLabel = [&](int frequency, int polarization, int symbolRate, std::size_t except) {
        for (std::size_t i = 0; i < m_existing.size(); ++i) {
            const ExistingTp& tp = m_existing[i];
            if (i != except && tp.frequency == frequency && tp.polarization == polarization
                && tp.symbolRate == symbolRate)
                return true;
        }
        return false;
    };

    for (const TableTp& entry : entries) {
        TpImportRow row = TableRow(entry, TpImportAction::New);
        if (entry.system == TableSystem::DvbS2) {
            row.action = TpImportAction::SkippedDvbS2;
            m_rows.push_back(row);
            continue;
        }
        // The closest unclaimed TP of the polarisation within the tolerance, one with the same
        // symbol rate before any other.
        std::optional<std::size_t> match;
        const auto distance = [&](std::size_t i) {
            return std::llabs(std::int64_t{m_existing[i].frequency} * 1000 - entry.frequencyKhz);
        };
        const auto rank = [&](std::size_t i) {
            return std::pair(m_existing[i].symbolRate != row.symbolRate, distance(i));
        };
        for (std::size_t i = 0; i < m_existing.size(); ++i) {
            if (claimed[i] || m_existing[i].polarization != row.polarization
                || distance(i) > std::int64_t{m_tolerance} * 1000)
                continue;
            if (!match || rank(i) < rank(*match))
                match = i;
        }
        if (match) {
            claimed[*match] = true;
            const ExistingTp& tp = m_existing[*match];
            row.existing = tp;
            row.existingIndex = static_cast<int>(*match);
            row.frequency = tp.frequency;
            if (tp.symbolRate == row.symbolRate || hasLabel(tp.frequency, tp.polarization, row.symbolRate, *match))
                row.action = TpImportAction::Same;
            else if (!InDialogRange(row.frequency, row.symbolRate))
                row.action = TpImportAction::SkippedOutOfRange;
            else
                row.action = TpImportAction::Changed;
        } else if (!InDialogRange(row.frequency, row.symbolRate)) {
            row.action = TpImportAction::SkippedOutOfRange;
        } else if (hasLabel(row.frequency, row.polarization, row.symbolRate, m_existing.size())) {
            // The label of a TP the satellite has, which an earlier entry matched.
            row.action = TpImportAction::Same;
        }
        m_rows.push_back(row);
    }
    for (std::size_t i = 0; i < m_existing.size(); ++i) {
        if (claimed[i]) {
            m_ticked[i] = false;
            continue;
        }
        const ExistingTp& tp = m_existing[i];
        TpImportRow row;
        row.action = TpImportAction::OnlyHere;
        row.frequency = tp.frequency;
        row.polarization = tp.polarization;
        row.symbolRate = tp.symbolRate;
        row.existing = tp;
        row.existingIndex = static_cast<int>(i);
        row.deleteTicked = m_ticked[i];
        m_rows.push_back(row);
    }
    // A repeat stands after the entry it repeats.
    m_rows.insert(m_rows.end(), repeats.begin(), repeats.end());
    std::stable_sort(m_rows.begin(), m_rows.end(), [](const TpImportRow& a, const TpImportRow& b) {
        return std::pair(a.frequency, a.polarization) < std::pair(b.frequency, b.polarization);
    });
    Fit();
}

void TpImportPreview::Fit()
{
    // A deleted TP leaves at least the room of its own record.
    const long long room = m_room + static_cast<long long>(std::count(m_ticked.begin(), m_ticked.end(), true));
    long long newRows = 0;
    for (TpImportRow& row : m_rows) {
        if (row.action == TpImportAction::New)
            row.fits = newRows++ < room;
    }
}

bool TpImportPreview::SetTicked(std::size_t row, bool ticked)
{
    if (row >= m_rows.size() || m_rows[row].action != TpImportAction::OnlyHere)
        return false;
    m_rows[row].deleteTicked = ticked;
    m_ticked[static_cast<std::size_t>(m_rows[row].existingIndex)] = ticked;
    Fit();
    return true;
}

void TpImportPreview::TickAllOnlyHere()
{
    for (std::size_t row = 0; row < m_rows.size(); ++row)
        SetTicked(row, true);
}

TpImportCounts TpImportPreview::Counts() const
{
    TpImportCounts counts;
    for (const TpImportRow& row : m_rows) {
        switch (row.action) {
        case TpImportAction::New:
            ++(row.fits ? counts.added : counts.withoutRoom);
            break;
        case TpImportAction::Changed:
            ++counts.updated;
            break;
        case TpImportAction::Same:
            ++counts.same;
            break;
        case TpImportAction::OnlyHere:
            ++(row.deleteTicked ? counts.deleted : counts.kept);
            break;
        case TpImportAction::SkippedDvbS2:
            ++counts.skippedDvbS2;
            break;
        case TpImportAction::SkippedOutOfRange:
            ++counts.skippedOutOfRange;
            break;
        case TpImportAction::Repeated:
            ++counts.repeated;
            break;
        }
    }
    return counts;
}

bool TpImportPreview::MapsCircular() const
{
    return std::any_of(m_rows.begin(), m_rows.end(),
                       [](const TpImportRow& row) { return !CircularNote(row).empty(); });
}

std::vector<std::string> TpImportPreview::RowNotes(const TpImportRow& row)
{
    std::vector<std::string> notes;
    if (row.action == TpImportAction::Changed)
        notes.push_back("was " + std::to_string(row.existing->symbolRate));
    if (row.existing)
        notes.push_back(row.existing->item->Label());
    if (row.action == TpImportAction::OnlyHere && row.existing->programs > 0)
        notes.push_back(std::to_string(row.existing->programs) + " services");
    if (const std::string_view circular = CircularNote(row); !circular.empty())
        notes.push_back(std::string(circular));
    if (row.action == TpImportAction::New && !row.fits)
        notes.push_back("no room");
    if (row.table && row.table->line > 0
        && (row.action == TpImportAction::SkippedOutOfRange || row.action == TpImportAction::Repeated))
        notes.push_back("line " + std::to_string(row.table->line));
    return notes;
}

std::string TpImportPreview::RowText(const TpImportRow& row)
{
    std::string text = std::string(ActionName(row.action)) + ": " + std::to_string(row.frequency) + " "
        + PolarizationLetter(row.polarization) + " " + std::to_string(row.symbolRate);
    const std::vector<std::string> notes = RowNotes(row);
    for (std::size_t i = 0; i < notes.size(); ++i)
        text += (i == 0 ? " (" : ", ") + notes[i] + (i + 1 == notes.size() ? ")" : "");
    return text;
}

std::string TpImportPreview::Summary() const
{
    const TpImportCounts counts = Counts();
    std::string text = CountsLine(counts);
    if (counts.withoutRoom > 0)
        text += "\nroom for " + std::to_string(counts.added) + " of "
            + std::to_string(counts.added + counts.withoutRoom) + " new TPs";
    return text;
}

} // namespace torvane
