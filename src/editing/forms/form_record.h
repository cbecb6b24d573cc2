#pragma once

#include <string>

#include "editing/forms/dialog_values.h"
#include "store/tree_node_info.h"

namespace torvane {

class ChannelTree;
class TreeItem;

// The navigator record a satellite or TP form works on: a new record the dialog owns until its
// item is made (the form fills it in), or the record of an item of the tree, which only the tree
// changes.
class FormRecord final {
public:
    explicit FormRecord(TreeNodeInfo& newRecord) : m_record(newRecord), m_new(&newRecord) {}
    // item must have a record.
    FormRecord(ChannelTree& tree, TreeItem& item);

    FormMode Mode() const { return m_new ? FormMode::New : FormMode::Edit; }
    const TreeNodeInfo& Get() const { return m_record; }
    // The record to fill in new mode; nullptr in edit mode.
    TreeNodeInfo* New() const { return m_new; }
    // The new record's label, or the item's through the tree.
    void SetLabel(std::string label);

private:
    const TreeNodeInfo& m_record;
    TreeNodeInfo* m_new = nullptr;
    ChannelTree* m_tree = nullptr;
    TreeItem* m_item = nullptr;
};

} // namespace torvane
