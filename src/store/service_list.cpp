#include "store/service_list.h"

#include <array>
#include <cstdio>

#include "store/tree_item.h"
#include "store/tree_node_info.h"
#include "util/user_prompts.h"

namespace torvane {
namespace {

struct ColumnWidth {
    std::string_view caption;
    int width;
};

constexpr std::array<ColumnWidth, 11> kColumnWidths{{
    {"Index", 44},
    {"Service Name", 114},
    {"Service Type", 85},
    {"Audio Pid1", 73},
    {"Audio Pid2", 73},
    {"Audio Pid3", 73},
    {"PCR Pid", 58},
    {"Favorite Group", 110},
    {"Scramble", 60},
    {"Factory", 60},
    {"Service ID", 76},
}};
constexpr int kOtherColumnWidth = 70;

constexpr std::array<CellTranslation, 2> kServiceTypes{{{"1", "TV"}, {"0", "Radio"}}};
constexpr std::array<CellTranslation, 9> kFavoriteGroups{{
    {"0", "None"},
    {"1", "Favorite Group 1"},
    {"2", "Favorite Group 2"},
    {"4", "Favorite Group 3"},
    {"8", "Favorite Group 4"},
    {"16", "Favorite Group 5"},
    {"32", "Favorite Group 6"},
    {"64", "Favorite Group 7"},
    {"128", "Favorite Group 8"},
}};
constexpr std::array<CellTranslation, 2> kYesNo{{{"0", "No"}, {"1", "Yes"}}};

// The columns the template places at these positions.
constexpr int kServiceTypeColumn = 2;
constexpr int kFavoriteGroupColumn = 9;
constexpr int kScrambleColumn = 10;
constexpr int kFactoryColumn = 11;

std::string RowNumber(int row)
{
    char text[16];
    std::snprintf(text, sizeof text, "%3d", row + 1);
    return text;
}

} // namespace

int ServiceColumnWidth(std::string_view caption)
{
    for (const ColumnWidth& entry : kColumnWidths) {
        if (entry.caption == caption)
            return entry.width;
    }
    return kOtherColumnWidth;
}

std::vector<ServiceColumn> BuildServiceColumns(std::span<const TemplateField> positionTable)
{
    std::vector<ServiceColumn> columns{{std::string(kIndexCaption), ServiceColumnWidth(kIndexCaption), 0, -1}};
    for (std::size_t i = 0; i < positionTable.size(); ++i) {
        const TemplateField& field = positionTable[i];
        if (field.mask != 0 || field.pos == -1)
            continue;
        columns.push_back({field.name, ServiceColumnWidth(field.name), field.pos, static_cast<int>(i)});
    }
    return columns;
}

std::span<const CellTranslation> CellTranslations(int columnIndex)
{
    switch (columnIndex) {
    case kServiceTypeColumn:
        return kServiceTypes;
    case kFavoriteGroupColumn:
        return kFavoriteGroups;
    case kScrambleColumn:
    case kFactoryColumn:
        return kYesNo;
    default:
        return {};
    }
}

std::string ServiceCellText(int columnIndex, std::string_view raw)
{
    const std::span<const CellTranslation> table = CellTranslations(columnIndex);
    if (table.empty())
        return std::string(raw);
    for (const CellTranslation& entry : table) {
        if (entry.value == raw)
            return std::string(entry.display);
    }
    return {};
}

void ServiceList::SetupColumns(NodeKind kind)
{
    SetupColumns(m_store.Schema().Fields(kind, FieldView::Position));
}

void ServiceList::SetupColumns(std::span<const TemplateField> positionTable)
{
    ClearList();
    m_columns = BuildServiceColumns(positionTable);
}

bool ServiceList::PassesFilter(int slot) const
{
    const ServiceFilter filter = m_store.Filter();
    if (filter == ServiceFilter::TvAndRadio)
        return true;
    const std::optional<int> serviceType = m_store.ReadNamedNumber(NodeKind::Program, slot, "Service Type");
    return serviceType == static_cast<int>(filter);
}

bool ServiceList::FirstFieldReadable(int slot) const
{
    std::string text;
    return m_store.Fields().ReadField(NodeKind::Program, slot, 0, text, 0);
}

bool ServiceList::FillCells(int slot, std::vector<std::string>& cells) const
{
    cells.clear();
    for (const ServiceColumn& column : m_columns) {
        if (column.fieldIndex < 0)
            continue;
        // Position 0 belongs to "Index"; a field there would shift every cell after it.
        if (column.pos == 0) {
            m_store.Prompts().Message(kPosZeroMessage);
            return false;
        }
        std::string raw;
        // A field that cannot be read leaves no cell: the cells after it move one column left.
        if (m_store.Fields().ReadField(NodeKind::Program, slot, column.fieldIndex, raw, 0))
            cells.push_back(ServiceCellText(column.pos, raw));
    }
    return true;
}

void ServiceList::ShowList(TreeItem* item, TreeItem* satellite)
{
    ClearList();
    if (!item || !item->Info())
        return;
    TreeNodeInfo& info = *item->Info();
    switch (info.treeKind) {
    case TreeKind::AllServices:
        info.programs = m_store.BuildAllServicesList();
        break;
    case TreeKind::Satellite:
        info.programs = m_store.BuildSatelliteList(info.satId);
        break;
    case TreeKind::Tp: {
        TreeItem* owner = satellite ? satellite : item->Parent();
        if (!owner || !owner->Info())
            return;
        ProgramList& satelliteList = owner->Info()->programs;
        if (satelliteList.Count() == 0)
            satelliteList = m_store.BuildSatelliteList(owner->Info()->satId);
        info.programs = m_store.BuildTpList(info.tpId, satelliteList);
        break;
    }
    default:
        break;
    }

    const ProgramList& programs = info.programs;
    for (int p = 0; p < programs.Count() && programs.At(p) != -1; ++p) {
        const std::int32_t slot = programs.At(p);
        if (!PassesFilter(slot) || !FirstFieldReadable(slot))
            continue;
        ServiceRow row{RowNumber(RowCount()), {}, ListRowInfo{p, &info}};
        const bool filled = FillCells(slot, row.cells);
        m_rows.push_back(std::move(row));
        if (!filled)
            return;
    }
}

void ServiceList::RefreshRows(int first, int last, int row, TreeNodeInfo* owner)
{
    if (!owner || first < 0 || last >= owner->programs.Count() || last < first || m_rows.empty() || row < 0)
        return;
    for (int p = first; p <= last; ++p) {
        const std::int32_t slot = owner->programs.At(p);
        if (slot == -1)
            break;
        if (!PassesFilter(slot))
            continue;
        if (row >= RowCount())
            m_rows.push_back(ServiceRow{RowNumber(row), {}, {}});
        ServiceRow& target = row < RowCount() ? m_rows[static_cast<std::size_t>(row)] : m_rows.back();
        target.info = ListRowInfo{p, owner};
        if (!FillCells(slot, target.cells))
            return;
        ++row;
    }
}

void ServiceList::RefreshRow(int position, int row, TreeNodeInfo* owner)
{
    RefreshRows(position, position, row, owner);
}

void ServiceList::ClearList()
{
    m_rows.clear();
    m_selectedRow = -1;
}

void ServiceList::SetServiceFilter(ServiceFilter filter)
{
    if (filter == m_store.Filter())
        return;
    m_store.SetFilter(filter);
    TreeItem* current = m_store.CurrentItem();
    if (!current)
        m_store.Prompts().Message(kNoCurrentItemMessage);
    ShowList(current);
}

std::string ServiceList::Text() const
{
    std::string text;
    for (const ServiceColumn& column : m_columns)
        text += (text.empty() ? "" : "\t") + column.caption;
    text += "\n";
    for (const ServiceRow& row : m_rows) {
        text += row.number;
        for (const std::string& cell : row.cells)
            text += "\t" + cell;
        text += "\n";
    }
    return text;
}

const ListRowInfo* ServiceList::RowInfo(int row) const
{
    if (row < 0 || row >= RowCount())
        return nullptr;
    return &m_rows[static_cast<std::size_t>(row)].info;
}

void ServiceList::SelectRow(int row)
{
    m_selectedRow = row >= 0 && row < RowCount() ? row : -1;
}

} // namespace torvane
