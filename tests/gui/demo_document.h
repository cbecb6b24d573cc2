#pragma once

#include <memory>
#include <string>

#include <QColor>
#include <QDir>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include "demo/demo_image.h"
#include "document/document.h"
#include "support/recording_prompts.h"
#include "support/test_paths.h"

namespace torvane::test {

// The demo image the build makes (default size, ZUV_DVBS_V4), written into a temporary folder
// and opened as the editor opens it: its user database on the sample template. Every message and
// question of the document and its forms goes to Prompts().
class DemoDocument final {
public:
    DemoDocument() : m_document(std::make_unique<Document>(m_prompts, ProjectType::ZUV_DVBS_V4))
    {
        const std::string path = m_folder.filePath(QStringLiteral("demo.bin")).toStdString();
        m_open = m_document->Schema().ParseTemplate(sourcePath("samples/template.h"), m_prompts)
            && WriteDemoImage(path, m_document->Schema(), ProjectType::ZUV_DVBS_V4, DemoImageOptions{}, m_prompts);
        m_document->List().SetupColumns(NodeKind::Program);
        m_open = m_open && m_document->OpenUserDatabase(path);
    }

    bool IsOpen() const { return m_open && m_prompts.messages.empty(); }
    Document& Doc() { return *m_document; }
    RecordingPrompts& Prompts() { return m_prompts; }

private:
    QTemporaryDir m_folder;
    RecordingPrompts m_prompts;
    std::unique_ptr<Document> m_document;
    bool m_open = false;
};

// With TORVANE_SCREENSHOT_DIR set, writes what widget shows to NAME.png in that folder, under a
// plain title bar with its caption (the offscreen platform draws no window frame). The docs'
// screenshots are made this way, by scripts/dialog_screenshots.sh.
inline void SaveScreenshot(QWidget& widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("TORVANE_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    constexpr int kTitleBar = 26;
    const QPixmap body = widget.grab();
    QPixmap shot(body.width() + 2, body.height() + kTitleBar + 1);
    shot.fill(QColor(0x44, 0x4a, 0x52));
    QPainter painter(&shot);
    painter.drawPixmap(1, kTitleBar, body);
    QFont font = widget.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(10, 0, shot.width() - 20, kTitleBar), Qt::AlignVCenter | Qt::AlignLeft,
                     widget.windowTitle());
    painter.end();
    QDir().mkpath(folder);
    shot.save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace torvane::test
