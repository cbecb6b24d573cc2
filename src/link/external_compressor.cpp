#include "link/external_compressor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace torvane {

namespace {

constexpr int kCancelPollMs = 50;

} // namespace

std::string ExternalCompressor::FindTool()
{
    if (QCoreApplication::instance()) {
#ifdef _WIN32
        const QString beside = QCoreApplication::applicationDirPath() + "/lzma.exe";
#else
        const QString beside = QCoreApplication::applicationDirPath() + "/lzma";
#endif
        if (QFileInfo(beside).isExecutable())
            return QDir::toNativeSeparators(beside).toStdString();
    }
    const QString found = QStandardPaths::findExecutable("lzma_alone");
    return found.isEmpty() ? std::string("lzma_alone") : found.toStdString();
}

ExternalCompressor::ExternalCompressor(std::string toolPath, std::chrono::milliseconds timeLimit)
    : m_toolPath(std::move(toolPath))
    , m_timeLimit(timeLimit)
{
}

LinkStatus ExternalCompressor::CompressForTransfer(std::span<const std::uint8_t> data,
                                                   std::vector<std::uint8_t>& compressed,
                                                   const CancelPredicate& cancel) const
{
    QTemporaryDir folder(QDir::tempPath() + "/torvane-lzma-XXXXXX");
    if (!folder.isValid())
        return link_status::kFileNotOpen;
    const QString inPath = folder.filePath("temp.in");
    const QString outPath = folder.filePath("temp.7z");

    QFile input(inPath);
    if (!input.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return link_status::kFileNotOpen;
    const auto size = static_cast<qint64>(data.size());
    const bool written = input.write(reinterpret_cast<const char*>(data.data()), size) == size;
    input.close();
    if (!written)
        return link_status::kFileNotOpen;

    QProcess tool;
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(QString::fromStdString(m_toolPath),
               {"e", QDir::toNativeSeparators(inPath), QDir::toNativeSeparators(outPath), "-lc0", "-lp2"});
    if (!tool.waitForStarted(-1))
        return link_status::kToolNotStarted;
    const QDeadlineTimer deadline(m_timeLimit);
    while (!tool.waitForFinished(kCancelPollMs) && tool.state() != QProcess::NotRunning) {
        const bool cancelled = IsCancelled(cancel);
        if (cancelled || deadline.hasExpired()) {
            tool.kill();
            tool.waitForFinished(-1);
            return cancelled ? link_status::kCancelled : link_status::kGenericError;
        }
    }
    // A failed encoder may have left half an archive, which the receiver would refuse.
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return link_status::kGenericError;

    QFile output(outPath);
    if (!output.open(QIODevice::ReadOnly))
        return link_status::kFileNotOpen;
    const QByteArray bytes = output.readAll();
    if (output.error() != QFileDevice::NoError || bytes.isEmpty())
        return link_status::kReadFileData;
    compressed.assign(bytes.begin(), bytes.end());
    return link_status::kSuccess;
}

} // namespace torvane
