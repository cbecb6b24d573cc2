#pragma once

#include <algorithm>
#include <string_view>

#include <QDialog>
#include <QFontMetrics>
#include <QString>

namespace torvane {

// The system's texts (UTF-8) as Qt shows them.
inline QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Fixes a small dialog's size at what its layout wants, but wide enough that a title bar shows
// the whole caption beside its buttons.
inline void FixDialogSize(QDialog& dialog)
{
    constexpr int kTitleBarButtons = 120;
    const int captionWidth = dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + kTitleBarButtons;
    const QSize hint = dialog.sizeHint();
    dialog.setFixedSize(std::max(hint.width(), captionWidth), hint.height());
}

} // namespace torvane
