#include "ui/views/reading_direction_delegate.h"

namespace torvane {

void ReadingDirectionDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->text.isRightToLeft()) {
        option->direction = Qt::RightToLeft;
        option->displayAlignment = (option->displayAlignment & ~Qt::AlignHorizontal_Mask) | Qt::AlignRight;
    }
}

} // namespace torvane
