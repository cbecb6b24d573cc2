#pragma once

#include <QStyledItemDelegate>

namespace torvane {

// Draws each cell in its text's reading direction: a text whose first strong letter is Arabic is
// laid out right to left and aligned right (its words and digits in reading order), any other text
// as the view lays it out.
class ReadingDirectionDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReadingDirectionDelegate)

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace torvane
