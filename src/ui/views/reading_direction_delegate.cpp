#include "ui/views/reading_direction_delegate.h"

namespace torvane {

namespace {

constexpr char16_t kRightToLeftEmbedding = 0x202B;
constexpr char16_t kPopDirectionalFormatting = 0x202C;

} // namespace

void ReadingDirectionDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (!option->text.isRightToLeft())
        return;
    if (m_cells == Cells::RightAligned) {
        option->direction = Qt::RightToLeft;
        option->displayAlignment = (option->displayAlignment & ~Qt::AlignHorizontal_Mask) | Qt::AlignRight;
    } else {
        option->text = QChar(kRightToLeftEmbedding) + option->text + QChar(kPopDirectionalFormatting);
    }
}

} // namespace torvane
