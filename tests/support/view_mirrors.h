#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "store/channel_tree.h"
#include "store/service_list.h"

namespace torvane::test {

// The notifications an observer was given, as texts. Every "about to" call must be followed by
// its matching call before anything else happens.
class NotificationLog final {
public:
    std::vector<std::string> Take() { return std::exchange(m_lines, {}); }

    void Begin(const std::string& what)
    {
        EXPECT_TRUE(m_pending.empty()) << what << " inside " << m_pending;
        m_pending = what;
    }
    void End(const std::string& what)
    {
        EXPECT_EQ(m_pending, what);
        m_pending.clear();
        m_lines.push_back(what);
    }
    // A notification that comes alone.
    void Note(const std::string& what)
    {
        EXPECT_TRUE(m_pending.empty()) << what << " inside " << m_pending;
        m_lines.push_back(what);
    }

private:
    std::vector<std::string> m_lines;
    std::string m_pending;
};

// What a tree model would hold, built from the tree once and then kept only from the
// notifications, with a log of them ("+parent 1..1", "-parent 0..0", "move parent 2..2>0",
// "label TEXT", "reset"; parent by its label, "top" for the top level).
class TreeMirror final : public ChannelTreeObserver {
public:
    explicit TreeMirror(ChannelTree& tree) : m_tree(tree)
    {
        Rebuild();
        m_tree.AddObserver(this);
    }
    ~TreeMirror() override { m_tree.RemoveObserver(this); }

    std::vector<std::string> TakeLog() { return m_log.Take(); }

    // Whether the mirror shows the tree: the same items (by address) with the same labels.
    bool MatchesTree() const { return Same(m_top, nullptr); }

    void ItemsAboutToBeInserted(const TreeItem* parent, int first, int last) override
    {
        m_log.Begin("+" + Name(parent) + Range(first, last));
    }
    void ItemsInserted(const TreeItem* parent, int first, int last) override
    {
        m_log.End("+" + Name(parent) + Range(first, last));
        std::vector<Node>& children = ChildrenOf(parent);
        for (int row = first; row <= last; ++row)
            children.insert(children.begin() + row, Copy(Child(parent, row)));
    }
    void ItemsAboutToBeRemoved(const TreeItem* parent, int first, int last) override
    {
        m_log.Begin("-" + Name(parent) + Range(first, last));
    }
    void ItemsRemoved(const TreeItem* parent, int first, int last) override
    {
        m_log.End("-" + Name(parent) + Range(first, last));
        std::vector<Node>& children = ChildrenOf(parent);
        children.erase(children.begin() + first, children.begin() + last + 1);
    }
    void ItemsAboutToBeMoved(const TreeItem* parent, int first, int last, int destination) override
    {
        m_log.Begin("move " + Name(parent) + Range(first, last) + ">" + std::to_string(destination));
    }
    void ItemsMoved(const TreeItem* parent, int first, int last, int destination) override
    {
        m_log.End("move " + Name(parent) + Range(first, last) + ">" + std::to_string(destination));
        std::vector<Node>& children = ChildrenOf(parent);
        const auto at = children.begin();
        if (destination > last)
            std::rotate(at + first, at + last + 1, at + destination);
        else
            std::rotate(at + destination, at + first, at + last + 1);
    }
    void ItemChanged(const TreeItem* item) override
    {
        Find(m_top, item)->label = item->Label();
        m_log.Note("label " + item->Label());
    }
    void AboutToBeReset() override { m_log.Begin("reset"); }
    void WasReset() override
    {
        m_log.End("reset");
        Rebuild();
    }

private:
    struct Node {
        const TreeItem* item = nullptr;
        std::string label;
        std::vector<Node> children;
    };

    static std::string Range(int first, int last) { return " " + std::to_string(first) + ".." + std::to_string(last); }
    static std::string Name(const TreeItem* parent) { return parent ? parent->Label() : "top"; }

    TreeItem* Child(const TreeItem* parent, int row) const
    {
        return parent ? parent->Child(row) : m_tree.TopLevel(row);
    }
    static Node Copy(const TreeItem* item)
    {
        Node node{item, item->Label(), {}};
        for (int i = 0; i < item->ChildCount(); ++i)
            node.children.push_back(Copy(item->Child(i)));
        return node;
    }
    void Rebuild()
    {
        m_top.clear();
        for (int i = 0; i < m_tree.TopLevelCount(); ++i)
            m_top.push_back(Copy(m_tree.TopLevel(i)));
    }
    static Node* Find(std::vector<Node>& nodes, const TreeItem* item)
    {
        for (Node& node : nodes) {
            if (node.item == item)
                return &node;
            if (Node* found = Find(node.children, item))
                return found;
        }
        return nullptr;
    }
    std::vector<Node>& ChildrenOf(const TreeItem* parent)
    {
        if (!parent)
            return m_top;
        Node* node = Find(m_top, parent);
        EXPECT_NE(node, nullptr) << "unknown parent " << parent->Label();
        return node ? node->children : m_top;
    }
    bool Same(const std::vector<Node>& nodes, const TreeItem* parent) const
    {
        const int count = parent ? parent->ChildCount() : m_tree.TopLevelCount();
        if (static_cast<int>(nodes.size()) != count)
            return false;
        for (int i = 0; i < count; ++i) {
            const TreeItem* item = Child(parent, i);
            const Node& node = nodes[static_cast<std::size_t>(i)];
            if (node.item != item || node.label != item->Label() || !Same(node.children, item))
                return false;
        }
        return true;
    }

    ChannelTree& m_tree;
    std::vector<Node> m_top;
    NotificationLog m_log;
};

// What a list model would hold: the row texts and the selected row, kept from the notifications,
// with a log of them ("+1..1", "-0..2", "move 2..2>0", "changed 0..1", "reset", "selection").
class ListMirror final : public ServiceListObserver {
public:
    explicit ListMirror(ServiceList& list) : m_list(list)
    {
        Rebuild();
        m_list.AddObserver(this);
    }
    ~ListMirror() override { m_list.RemoveObserver(this); }

    std::vector<std::string> TakeLog() { return m_log.Take(); }

    bool MatchesList() const { return m_rows == Texts(0, m_list.RowCount() - 1) && m_selected == m_list.SelectedRow(); }

    void RowsAboutToBeInserted(int first, int last) override { m_log.Begin("+" + Range(first, last)); }
    void RowsInserted(int first, int last) override
    {
        m_log.End("+" + Range(first, last));
        const std::vector<std::string> fresh = Texts(first, last);
        m_rows.insert(m_rows.begin() + first, fresh.begin(), fresh.end());
    }
    void RowsAboutToBeRemoved(int first, int last) override { m_log.Begin("-" + Range(first, last)); }
    void RowsRemoved(int first, int last) override
    {
        m_log.End("-" + Range(first, last));
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
    }
    void RowsAboutToBeMoved(int first, int last, int destination) override
    {
        m_log.Begin("move " + Range(first, last) + ">" + std::to_string(destination));
    }
    void RowsMoved(int first, int last, int destination) override
    {
        m_log.End("move " + Range(first, last) + ">" + std::to_string(destination));
        const auto at = m_rows.begin();
        if (destination > last)
            std::rotate(at + first, at + last + 1, at + destination);
        else
            std::rotate(at + destination, at + first, at + last + 1);
    }
    void RowsChanged(int first, int last) override
    {
        const std::vector<std::string> fresh = Texts(first, last);
        std::copy(fresh.begin(), fresh.end(), m_rows.begin() + first);
        m_log.Note("changed " + Range(first, last));
    }
    void AboutToBeReset() override { m_log.Begin("reset"); }
    void WasReset() override
    {
        m_log.End("reset");
        Rebuild();
    }
    void SelectionChanged() override
    {
        m_selected = m_list.SelectedRow();
        m_log.Note("selection");
    }

private:
    static std::string Range(int first, int last) { return std::to_string(first) + ".." + std::to_string(last); }

    // The rows first … last as one text each: number and cells.
    std::vector<std::string> Texts(int first, int last) const
    {
        std::vector<std::string> texts;
        for (int row = first; row <= last; ++row) {
            std::string text = m_list.Rows()[static_cast<std::size_t>(row)].number;
            for (const std::string& cell : m_list.Cells(row))
                text += "|" + cell;
            texts.push_back(text);
        }
        return texts;
    }
    void Rebuild()
    {
        m_rows = Texts(0, m_list.RowCount() - 1);
        m_selected = m_list.SelectedRow();
    }

    ServiceList& m_list;
    std::vector<std::string> m_rows;
    int m_selected = -1;
    NotificationLog m_log;
};

} // namespace torvane::test
