#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "schema/node_schema.h"
#include "store/channel_tree_observer.h"
#include "store/node_store.h"
#include "store/service_list_observer.h"
#include "util/observer_list.h"

namespace torvane {

class TreeItem;
struct TreeNodeInfo;

// Which services the service list shows, compared with each program's "Service Type".
enum class ServiceFilter : int { Radio = 0, Tv = 1, TvAndRadio = 2 };

inline constexpr std::string_view kIndexCaption = "Index";
inline constexpr std::string_view kPosZeroMessage = "pos 0 error!";
inline constexpr std::string_view kNoCurrentItemMessage = "error!";

// One column of the service list. Column 0 is always "Index"; the others are the program fields
// the template shows, and a field's list position is its column index.
struct ServiceColumn {
    std::string caption;
    int width = 0;        // pixels
    int pos = 0;          // the field's list position; 0 for "Index"
    int fieldIndex = -1;  // index in the program layout's position table; -1 for "Index"

    bool operator==(const ServiceColumn&) const = default;
};

// A value text and what the list shows for it.
struct CellTranslation {
    std::string_view value;
    std::string_view display;
};

// What a service-list row stands for: a position in the owner's program list.
struct ListRowInfo {
    std::int32_t position = 0;
    const TreeNodeInfo* owner = nullptr;

    bool operator==(const ListRowInfo&) const = default;
};

struct ServiceRow {
    std::string number;  // the 1-based row number, "%3d"
    ListRowInfo info;
    std::int32_t slot = -1;  // the program's record
};

// The column width for a caption (44 for "Index", 114 for "Service Name", … 70 for any other).
int ServiceColumnWidth(std::string_view caption);
// "Index", then every field of the position table whose mask is 0 and whose pos is not -1.
std::vector<ServiceColumn> BuildServiceColumns(std::span<const TemplateField> positionTable);
// The fixed value/display pairs of a column (2 service type, 9 favourite group, 10 and 11 yes/no);
// empty for a column shown as read.
std::span<const CellTranslation> CellTranslations(int columnIndex);
// The text a cell of the column shows for a field's raw text: the table's display text, empty when
// the column's table lacks the value, the raw text for a column without a table.
std::string ServiceCellText(int columnIndex, std::string_view raw);

// The contents of the service list: the programs of the current tree item in channel order, one
// row per program that passes the TV / Radio filter, with the cells the window shows. Observers
// are told of every change of the rows and of the selection. The list follows the store's tree:
// when the current item goes (deleted, or the tree cleared), the list is left empty without a
// current item, so that no row stands for a released record.
class ServiceList final : private ChannelTreeObserver {
public:
    explicit ServiceList(NodeStore& store);
    ServiceList(const ServiceList&) = delete;
    ServiceList& operator=(const ServiceList&) = delete;
    ~ServiceList() override;

    const NodeStore& Store() const { return m_store; }

    // Observers are not owned; one must be removed before it is destroyed.
    void AddObserver(ServiceListObserver* observer);
    void RemoveObserver(ServiceListObserver* observer);

    // Clears the list and takes the columns from the position table of kind's layout (the
    // program layout); the second form takes them from a given position table of that layout.
    void SetupColumns(NodeKind kind);
    void SetupColumns(std::span<const TemplateField> positionTable);
    const std::vector<ServiceColumn>& Columns() const { return m_columns; }

    // Rebuilds the item's program list and fills a row for each program that passes the filter
    // and whose first listed field can be read. For a TP the satellite's list is taken from
    // satellite, else from the TP's parent item, and rebuilt first when it is empty.
    void ShowList(TreeItem* item, TreeItem* satellite = nullptr);
    // Shows the item's program list as it stands, without building it again (after undo and redo,
    // which restore the lists as they were).
    void ShowRows(const TreeItem* item);
    // Rewrites the rows for the owner's list positions first … last from row on, reusing rows
    // that exist (they keep their number text) and appending the others.
    void RefreshRows(int first, int last, int row, const TreeNodeInfo* owner);
    void RefreshRow(int position, int row, const TreeNodeInfo* owner);
    // No rows and no selection.
    void ClearList();

    // The item whose program list the list shows, or nullptr.
    TreeItem* CurrentItem() const { return m_currentItem; }
    void SetCurrentItem(TreeItem* item) { m_currentItem = item; }

    ServiceFilter Filter() const { return m_filter; }
    // Sets the filter without showing anything again.
    void SetFilter(ServiceFilter filter) { m_filter = filter; }
    // Changes the filter and shows the current item again; "error!" when there is none.
    void SetServiceFilter(ServiceFilter filter);

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    const std::vector<ServiceRow>& Rows() const { return m_rows; }
    // Sub-items 1, 2, …: the texts of the row's fields that could be read, read when first asked
    // for (a view asks only for the rows it shows); empty for a row that does not exist.
    const std::vector<std::string>& Cells(int row) const;
    // The row's record, or nullptr for a row that does not exist.
    const ListRowInfo* RowInfo(int row) const;

    // The selected row, -1 when none.
    int SelectedRow() const { return m_selectedRow; }
    // Selects row alone; a row that does not exist clears the selection.
    void SelectRow(int row);

    // The list as tab-separated lines: the captions, then per row its number and its cells.
    std::string Text() const;

    // Whether a program passes the filter: always with TV/Radio, else when its "Service Type" can
    // be read and equals the filter.
    bool PassesFilter(int slot) const;

private:
    // The tree's changes that take the current item away.
    void ItemsAboutToBeInserted(const TreeItem*, int, int) override {}
    void ItemsInserted(const TreeItem*, int, int) override {}
    void ItemsAboutToBeRemoved(const TreeItem* parent, int first, int last) override;
    void ItemsRemoved(const TreeItem*, int, int) override {}
    void ItemsAboutToBeMoved(const TreeItem*, int, int, int) override {}
    void ItemsMoved(const TreeItem*, int, int, int) override {}
    void ItemChanged(const TreeItem*) override {}
    void AboutToBeReset() override;
    void WasReset() override {}
    void DropCurrentItem();

    // Empties the rows inside a reset the caller brackets.
    void DropRows();
    // Builds the item's program list again (ShowList's work inside its reset); false for a TP
    // without a satellite.
    bool BuildPrograms(TreeItem& item, TreeItem* satellite);
    // A row for each program of the record's list that passes the filter and can be read.
    void FillRows(const TreeNodeInfo& info);
    // Sets a row's number, position and record; its cells are read again when next asked for.
    void PutRow(std::size_t row, ServiceRow fresh);

    // The cells of a program, up to a column at position 0 if there is one.
    std::vector<std::string> ReadCells(int slot) const;
    bool FirstFieldReadable(int slot) const;
    // Whether a field column sits at position 0, which belongs to "Index": a list shows one row
    // and "pos 0 error!" then.
    bool HasPosZeroColumn() const;

    NodeStore& m_store;
    std::vector<ServiceColumn> m_columns;
    std::vector<ServiceRow> m_rows;
    // Per row, its cells once read; cleared with the row's contents.
    mutable std::vector<std::optional<std::vector<std::string>>> m_cells;
    int m_selectedRow = -1;
    TreeItem* m_currentItem = nullptr;
    ServiceFilter m_filter = ServiceFilter::TvAndRadio;
    ObserverList<ServiceListObserver> m_observers;
};

} // namespace torvane
