#pragma once

#include <QDir>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace torvane::test {

// Where the documentation's screenshots go: TORVANE_SCREENSHOT_DIR, or nothing when it is unset.
inline QString ScreenshotFolder()
{
    return qEnvironmentVariable("TORVANE_SCREENSHOT_DIR");
}

// Saves the widget as drawn, under a plain title bar with its window title (windows drawn
// offscreen have no frame), as name in the screenshot folder.
inline bool SaveScreenshot(QWidget& widget, const QString& name)
{
    const QDir folder(ScreenshotFolder());
    if (!folder.mkpath(QStringLiteral(".")))
        return false;
    const QPixmap body = widget.grab();
    const int titleHeight = 30;
    QImage image(body.width(), body.height() + titleHeight, QImage::Format_ARGB32);
    image.fill(QColor(0x3b, 0x40, 0x48));
    QPainter painter(&image);
    QFont font = widget.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(12, 0, body.width() - 24, titleHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     widget.windowTitle());
    painter.drawPixmap(0, titleHeight, body);
    painter.end();
    return image.save(folder.filePath(name));
}

} // namespace torvane::test
