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

ServiceList::ServiceList(NodeStore& store) : m_store(store)
{
    m_store.Tree().AddObserver(this);
}

ServiceList::~ServiceList()
{
    m_store.Tree().RemoveObserver(this);
}

void ServiceList::ItemsAboutToBeRemoved(const TreeItem* parent, int first, int last)
{
    for (const TreeItem* at = m_currentItem; at; at = at->Parent()) {
        if (at->Parent() == parent && at->Row() >= first && at->Row() <= last) {
            DropCurrentItem();
            return;
        }
    }
}

void ServiceList::AboutToBeReset()
{
    DropCurrentItem();
}

void ServiceList::DropCurrentItem()
{
    m_currentItem = nullptr;
    ClearList();
}

void ServiceList::AddObserver(ServiceListObserver* observer)
{
    m_observers.Add(observer);
}

void ServiceList::RemoveObserver(ServiceListObserver* observer)
{
    m_observers.Remove(observer);
}

void ServiceList::SetupColumns(NodeKind kind)
{
    SetupColumns(m_store.Schema().Fields(kind, FieldView::Position));
}

void ServiceList::SetupColumns(std::span<const TemplateField> positionTable)
{
    m_observers.Notify([](ServiceListObserver& o) { o.AboutToBeReset(); });
    DropRows();
    m_columns = BuildServiceColumns(positionTable);
    m_observers.Notify([](ServiceListObserver& o) { o.WasReset(); });
}

bool ServiceList::PassesFilter(int slot) const
{
    if (m_filter == ServiceFilter::TvAndRadio)
        return true;
    const std::optional<int> serviceType = m_store.ReadNamedNumber(NodeKind::Program, slot, "Service Type");
    return serviceType == static_cast<int>(m_filter);
}

bool ServiceList::FirstFieldReadable(int slot) const
{
    return m_store.Fields().CanReadField(NodeKind::Program, slot, 0, FieldView::Position);
}

bool ServiceList::HasPosZeroColumn() const
{
    return std::any_of(m_columns.begin(), m_columns.end(),
                       [](const ServiceColumn& column) { return column.fieldIndex >= 0 && column.pos == 0; });
}

std::vector<std::string> ServiceList::ReadCells(int slot) const
{
    std::vector<std::string> cells;
    for (const ServiceColumn& column : m_columns) {
        if (column.fieldIndex < 0)
            continue;
        // Position 0 belongs to "Index"; a field there would shift every cell after it.
        if (column.pos == 0)
            break;
        std::string raw;
        // A field that cannot be read leaves no cell: the cells after it move one column left.
        if (m_store.Fields().ReadField(NodeKind::Program, slot, column.fieldIndex, raw, 0))
            cells.push_back(ServiceCellText(column.pos, raw));
    }
    return cells;
}

const std::vector<std::string>& ServiceList::Cells(int row) const
{
    static const std::vector<std::string> kNoCells;
    if (row < 0 || row >= RowCount())
        return kNoCells;
    std::optional<std::vector<std::string>>& cells = m_cells[static_cast<std::size_t>(row)];
    if (!cells)
        cells = ReadCells(m_rows[static_cast<std::size_t>(row)].slot);
    return *cells;
}

void ServiceList::ShowList(TreeItem* item, TreeItem* satellite)
{
    m_observers.Notify([](ServiceListObserver& o) { o.AboutToBeReset(); });
    DropRows();
    if (item && item->Info() && BuildPrograms(*item, satellite))
        FillRows(*item->Info());
    m_observers.Notify([](ServiceListObserver& o) { o.WasReset(); });
}

void ServiceList::ShowRows(const TreeItem* item)
{
    m_observers.Notify([](ServiceListObserver& o) { o.AboutToBeReset(); });
    DropRows();
    if (item && item->Info())
        FillRows(*item->Info());
    m_observers.Notify([](ServiceListObserver& o) { o.WasReset(); });
}

bool ServiceList::BuildPrograms(TreeItem& item, TreeItem* satellite)
{
    ChannelTree& tree = m_store.Tree();
    const TreeNodeInfo& info = *item.Info();
    switch (info.treeKind) {
    case TreeKind::AllServices:
        tree.SetPrograms(&item, m_store.BuildAllServicesList());
        break;
    case TreeKind::Satellite:
        tree.SetPrograms(&item, m_store.BuildSatelliteList(info.satId));
        break;
    case TreeKind::Tp: {
        TreeItem* owner = satellite ? satellite : item.Parent();
        if (!owner || !owner->Info())
            return false;
        if (owner->Info()->programs.Count() == 0)
            tree.SetPrograms(owner, m_store.BuildSatelliteList(owner->Info()->satId));
        tree.SetPrograms(&item, m_store.BuildTpList(info.tpId, owner->Info()->programs));
        break;
    }
    default:
        break;
    }
    return true;
}

void ServiceList::FillRows(const TreeNodeInfo& info)
{
    const ProgramList& programs = info.programs;
    for (int p = 0; p < programs.Count() && programs.At(p) != -1; ++p) {
        const std::int32_t slot = programs.At(p);
        if (!PassesFilter(slot) || !FirstFieldReadable(slot))
            continue;
        m_rows.push_back({RowNumber(RowCount()), ListRowInfo{p, &info}, slot});
        m_cells.emplace_back();
        if (HasPosZeroColumn()) {
            m_store.Prompts().Message(kPosZeroMessage);
            return;
        }
    }
}

void ServiceList::PutRow(std::size_t row, ServiceRow fresh)
{
    m_rows[row] = std::move(fresh);
    m_cells[row].reset();
}

void ServiceList::RefreshRows(int first, int last, int row, const TreeNodeInfo* owner)
{
    if (!owner || first < 0 || last >= owner->programs.Count() || last < first || m_rows.empty() || row < 0)
        return;
    // Rows that exist are rewritten and told as one changed range at the end; a row past the end
    // is told as inserted once it is in.
    int firstChanged = -1;
    int lastChanged = -1;
    for (int p = first; p <= last; ++p) {
        const std::int32_t slot = owner->programs.At(p);
        if (slot == -1)
            break;
        if (!PassesFilter(slot))
            continue;
        ServiceRow fresh{RowNumber(row), ListRowInfo{p, owner}, slot};
        if (row >= RowCount()) {
            const int at = RowCount();
            m_observers.Notify([at](ServiceListObserver& o) { o.RowsAboutToBeInserted(at, at); });
            m_rows.push_back(std::move(fresh));
            m_cells.emplace_back();
            m_observers.Notify([at](ServiceListObserver& o) { o.RowsInserted(at, at); });
        } else {
            // A row that exists keeps its number text.
            fresh.number = std::move(m_rows[static_cast<std::size_t>(row)].number);
            PutRow(static_cast<std::size_t>(row), std::move(fresh));
            firstChanged = firstChanged < 0 ? row : firstChanged;
            lastChanged = row;
        }
        if (HasPosZeroColumn()) {
            m_store.Prompts().Message(kPosZeroMessage);
            break;
        }
        ++row;
    }
    if (firstChanged >= 0)
        m_observers.Notify([&](ServiceListObserver& o) { o.RowsChanged(firstChanged, lastChanged); });
}

void ServiceList::RefreshRow(int position, int row, const TreeNodeInfo* owner)
{
    RefreshRows(position, position, row, owner);
}

void ServiceList::DropRows()
{
    m_rows.clear();
    m_cells.clear();
    m_selectedRow = -1;
}

void ServiceList::ClearList()
{
    m_observers.Notify([](ServiceListObserver& o) { o.AboutToBeReset(); });
    DropRows();
    m_observers.Notify([](ServiceListObserver& o) { o.WasReset(); });
}

void ServiceList::SetServiceFilter(ServiceFilter filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    if (!m_currentItem)
        m_store.Prompts().Message(kNoCurrentItemMessage);
    ShowList(m_currentItem);
}

std::string ServiceList::Text() const
{
    std::string text;
    for (const ServiceColumn& column : m_columns)
        text += (text.empty() ? "" : "\t") + column.caption;
    text += "\n";
    for (int row = 0; row < RowCount(); ++row) {
        text += m_rows[static_cast<std::size_t>(row)].number;
        for (const std::string& cell : Cells(row))
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
    const int selected = row >= 0 && row < RowCount() ? row : -1;
    if (selected == m_selectedRow)
        return;
    m_selectedRow = selected;
    m_observers.Notify([](ServiceListObserver& o) { o.SelectionChanged(); });
}

} // namespace torvane
