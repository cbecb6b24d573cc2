#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "demo/demo_image.h"
#include "document/document.h"
#include "schema/node_schema.h"
#include "schema/project_config.h"
#include "support/recording_prompts.h"
#include "support/test_paths.h"
#include "ui/main_window.h"
#include "scripted_dialogs.h"

namespace torvane::test {

// A configuration folder with config.ini (ZUV_DVBS_V4 unless another type is given) and script.ini
// compiled from the sample template, a demo image beside them, and a main window on that folder
// with recording prompts and scripted dialogs, its configuration loaded as at start-up.
class WindowFixture final {
public:
    explicit WindowFixture(const DemoImageOptions& demo = {}, ProjectType type = ProjectType::ZUV_DVBS_V4)
    {
        QStandardPaths::setTestModeEnabled(true);
        QApplication::setOrganizationName(QStringLiteral("TorvaneTest"));
        QApplication::setApplicationName(QStringLiteral("TorvaneTest"));
        QSettings().clear();
        ProjectConfig config(Path(""));
        RecordingPrompts setup;
        NodeSchema schema;
        config.SetType(type);
        const std::string name(ProjectTypeName(type));
        std::vector<std::uint8_t> ini(name.begin(), name.end());
        ini.push_back(0);
        m_ready = WriteFile(config.ConfigIniPath(), ini) && schema.ParseTemplate(sourcePath("samples/template.h"), setup)
            && config.SaveCompiledTemplate(schema, setup) == SaveTemplateResult::Saved
            && WriteDemoImage(DemoPath(), schema, type, demo, setup);
        window = std::make_unique<MainWindow>(config, &prompts, &dialogs);
        window->LoadConfiguration();
    }

    bool IsReady() const { return m_ready && prompts.messages.empty(); }
    std::string Path(const std::string& name) const { return m_folder.filePath(QString::fromStdString(name)).toStdString(); }
    std::string DemoPath() const { return Path("demo.bin"); }
    Document& Doc() { return window->GetDocument(); }

    // Opens the demo image's user database through File → Open.
    bool OpenDemo()
    {
        prompts.fileAnswers.push_back(DemoPath());
        prompts.chunkAnswers.push_back(ChunkChoice{false, true});
        window->Open();
        return Doc().IsOpen();
    }

    // The window shown and active, so that its shortcuts work.
    bool ShowActive()
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    RecordingPrompts prompts;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;

private:
    static bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

    QTemporaryDir m_folder;
    bool m_ready = false;
};

inline bool WindowFixture::WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::WriteOnly)
        && file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()))
               == static_cast<qint64>(bytes.size());
}

} // namespace torvane::test
