// torvane [--config-dir DIR] [--project-type NAME] [--chunk user|default] [--screenshot PNG] [FILE]
//
// The editor. The configuration folder (config.ini, script.ini) is DIR, else the one torvane-cli
// uses (DefaultConfigFolder); --project-type answers "Project Select" and overrides config.ini; FILE is opened as File →
// Open opens a chosen file, --chunk answering its chunk question. With --screenshot the window is
// drawn into PNG once it shows the file, and the program ends.

#include <cstdio>
#include <optional>
#include <string>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

#include "schema/config_folder.h"
#include "schema/project_config.h"
#include "ui/main_window.h"

namespace {

struct Options {
    std::optional<std::string> configDir;
    std::optional<torvane::ProjectType> projectType;
    std::optional<torvane::ChunkChoice> chunk;
    QString screenshot;
    QString file;
};

// The options, or nothing after a line on standard error saying what is wrong.
std::optional<Options> ParseOptions(const QApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Channel database editor for DVB-S receivers"));
    parser.addHelpOption();
    const QCommandLineOption configDir(QStringLiteral("config-dir"),
                                       QStringLiteral("Folder of config.ini and script.ini."), QStringLiteral("DIR"));
    const QCommandLineOption projectType(QStringLiteral("project-type"),
                                         QStringLiteral("ZUV_DVBS_V1, ZUV_DVBS_V2 or ZUV_DVBS_V4."), QStringLiteral("NAME"));
    const QCommandLineOption chunk(QStringLiteral("chunk"),
                                   QStringLiteral("The database of a flash image FILE: user or default."),
                                   QStringLiteral("user|default"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Draw the window into PNG and quit."), QStringLiteral("PNG"));
    parser.addOptions({configDir, projectType, chunk, screenshot});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A flash image (.bin) or default database (.ddf, .df2)."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);

    Options options;
    if (parser.isSet(configDir))
        options.configDir = parser.value(configDir).toStdString();
    if (parser.isSet(projectType)) {
        options.projectType = torvane::ProjectTypeFromName(parser.value(projectType).toStdString());
        if (!options.projectType) {
            std::fprintf(stderr, "torvane: unknown project type \"%s\" (ZUV_DVBS_V1, ZUV_DVBS_V2 or ZUV_DVBS_V4)\n",
                         qPrintable(parser.value(projectType)));
            return std::nullopt;
        }
    }
    if (parser.isSet(chunk)) {
        const QString value = parser.value(chunk);
        if (value != QLatin1String("user") && value != QLatin1String("default")) {
            std::fprintf(stderr, "torvane: --chunk takes user or default\n");
            return std::nullopt;
        }
        options.chunk = torvane::ChunkChoice{value == QLatin1String("default"), value == QLatin1String("user")};
    }
    options.screenshot = parser.value(screenshot);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "torvane: one FILE at most\n");
        return std::nullopt;
    }
    if (!files.isEmpty())
        options.file = files.front();
    return options;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Torvane"));
    QApplication::setApplicationName(QStringLiteral("Torvane"));
    QApplication::setApplicationVersion(QStringLiteral(TORVANE_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/torvane.svg")));

    const std::optional<Options> options = ParseOptions(app);
    if (!options)
        return 2;

    // The folder torvane-cli uses: the program's own when it can be written, else the user's
    // configuration folder, made when missing so that config.ini and script.ini can be written.
    const torvane::ConfigFolder folder =
        options->configDir ? torvane::ConfigFolder{*options->configDir, false} : torvane::DefaultConfigFolder();
    if (folder.userFolder)
        std::fprintf(stderr, "torvane: the program's folder cannot be written; the configuration folder is \"%s\"\n",
                     folder.path.c_str());
    if (!folder.path.empty())
        QDir().mkpath(QString::fromStdString(folder.path));
    torvane::MainWindow window{torvane::ProjectConfig(folder.path)};
    window.show();
    // The configuration is read once the window is up, so that its questions have a parent.
    QTimer::singleShot(0, &window, [&window, &options] {
        // Cancelling "Project Select" has closed the window, which ends the program.
        if (!window.LoadConfiguration(options->projectType))
            return;
        if (!options->file.isEmpty())
            window.OpenPath(options->file.toStdString(), options->chunk);
        if (!options->screenshot.isEmpty()) {
            QApplication::processEvents();
            const bool saved = window.grab().save(options->screenshot);
            if (!saved)
                std::fprintf(stderr, "torvane: cannot write %s\n", qPrintable(options->screenshot));
            QApplication::exit(saved ? 0 : 1);
        }
    });
    return QApplication::exec();
}
