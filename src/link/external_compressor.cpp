#include "link/external_compressor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace torvane {

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

ExternalCompressor::ExternalCompressor(std::string toolPath)
    : m_toolPath(std::move(toolPath))
{
}

LinkStatus ExternalCompressor::CompressForTransfer(std::span<const std::uint8_t> data,
                                                   std::vector<std::uint8_t>& compressed) const
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
    tool.waitForFinished(-1);

    QFile output(outPath);
    if (!output.open(QIODevice::ReadOnly))
        return link_status::kFileNotOpen;
    const QByteArray bytes = output.readAll();
    if (output.error() != QFileDevice::NoError)
        return link_status::kReadFileData;
    compressed.assign(bytes.begin(), bytes.end());
    return link_status::kSuccess;
}

} // namespace torvane
