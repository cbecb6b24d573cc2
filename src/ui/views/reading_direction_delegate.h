#pragma once

#include <QStyledItemDelegate>

namespace torvane {

// Draws a text whose first strong letter is Arabic right to left, its words and digits in reading
// order; any other text as the view lays it out. In a list the cell is also laid out right to left
// (aligned right); in a tree only the text's direction changes, so that the item's icon stays
// where the tree puts it.
class ReadingDirectionDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReadingDirectionDelegate)

public:
    enum class Cells { RightAligned, KeepLayout };

    ReadingDirectionDelegate(Cells cells, QObject* parent) : QStyledItemDelegate(parent), m_cells(cells) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    Cells m_cells;
};

} // namespace torvane
