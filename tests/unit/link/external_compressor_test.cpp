#include "link/external_compressor.h"

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include <signal.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "util/byte_order.h"

namespace torvane {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> Repetitive(std::size_t n)
{
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>((i % 64) < 48 ? 0xFF : i / 64);
    return bytes;
}

// A stand-in encoder: a shell script that does what the test needs with the output path it is
// given (the third argument).
std::string Script(QTemporaryDir& folder, const std::string& body)
{
    static int count = 0;
    const QString path = folder.filePath(QString("encoder%1.sh").arg(++count));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("#!/bin/sh\n" + body + "\n").c_str());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path.toStdString();
}

TEST(ExternalCompressor, RealEncoderWritesLzmaAloneWithTheReceiversSettings)
{
    const std::string tool = ExternalCompressor::FindTool();
    if (!QFile::exists(QString::fromStdString(tool)))
        GTEST_SKIP() << "no lzma_alone on this machine";
    const auto data = Repetitive(64 * 1024);
    std::vector<std::uint8_t> packed;
    ASSERT_EQ(ExternalCompressor(tool).CompressForTransfer(data, packed, {}), link_status::kSuccess);
    ASSERT_GE(packed.size(), 13u);
    EXPECT_LT(packed.size(), data.size() / 4);
    // Properties byte (pb * 5 + lp) * 9 + lc with lc 0, lp 2, pb 2; then the uncompressed size.
    EXPECT_EQ(packed[0], (2 * 5 + 2) * 9 + 0);
    EXPECT_EQ(ReadLe32(&packed[5]), data.size());
    EXPECT_EQ(ReadLe32(&packed[9]), 0u);
}

TEST(ExternalCompressor, Failures)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    struct Case {
        const char* name;
        std::string tool;
        LinkStatus status;
    };
    const Case cases[] = {
        {"ToolMissing", folder.filePath("no-such-encoder").toStdString(), link_status::kToolNotStarted},
        {"NoOutput", Script(folder, "exit 0"), link_status::kFileNotOpen},
        {"OutputIsAFolder", Script(folder, "mkdir \"$3\""), link_status::kFileNotOpen},
        // Opens, but reading offset 0 of a process's memory fails.
        {"OutputUnreadable", Script(folder, "ln -s /proc/self/mem \"$3\""), link_status::kReadFileData},
        {"EmptyOutput", Script(folder, ": > \"$3\""), link_status::kReadFileData},
        // A half-written archive must not go out as compressed data.
        {"ToolFails", Script(folder, "printf half > \"$3\"; exit 1"), link_status::kGenericError},
        {"ToolCrashes", Script(folder, "printf half > \"$3\"; kill -9 $$"), link_status::kGenericError},
        {"ToolRunsPastItsTime", Script(folder, "printf half > \"$3\"; exec sleep 30"), link_status::kGenericError},
    };
    const std::vector<std::uint8_t> data{1, 2, 3};
    for (const Case& c : cases) {
        std::vector<std::uint8_t> packed{9};
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ExternalCompressor(c.tool, 2s).CompressForTransfer(data, packed, {}), c.status) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << c.name;
        EXPECT_EQ(packed, std::vector<std::uint8_t>{9}) << c.name;
    }
}

TEST(ExternalCompressor, CancelKillsTheRunningEncoder)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString pidFile = folder.filePath("pid");
    const std::string tool = Script(folder, "echo $$ > '" + pidFile.toStdString() + "'; exec sleep 30");
    const std::vector<std::uint8_t> data(100, 7);
    std::vector<std::uint8_t> packed;
    // The user presses Cancel once the encoder runs.
    std::chrono::steady_clock::time_point cancelledAt{};
    const CancelPredicate cancel = [&] {
        if (cancelledAt == std::chrono::steady_clock::time_point{} && QFile(pidFile).size() > 0)
            cancelledAt = std::chrono::steady_clock::now();
        return cancelledAt != std::chrono::steady_clock::time_point{};
    };
    EXPECT_EQ(ExternalCompressor(tool).CompressForTransfer(data, packed, cancel), link_status::kCancelled);
    ASSERT_NE(cancelledAt, std::chrono::steady_clock::time_point{});
    EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, 1s);
    EXPECT_TRUE(packed.empty());

    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const pid_t pid = static_cast<pid_t>(file.readAll().trimmed().toLongLong());
    ASSERT_GT(pid, 0);
    errno = 0;
    EXPECT_EQ(::kill(pid, 0), -1) << "the encoder still runs";
    EXPECT_EQ(errno, ESRCH);
}

TEST(ExternalCompressor, CommandLineAndFiles)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString log = folder.filePath("args.txt");
    // Logs its arguments and the input's size, then writes "out" as the result.
    const std::string tool = Script(folder, "printf '%s|' \"$@\" > '" + log.toStdString()
                                                + "'; wc -c < \"$2\" >> '" + log.toStdString()
                                                + "'; printf out > \"$3\"");
    const std::vector<std::uint8_t> data(1000, 0x41);
    std::vector<std::uint8_t> packed;
    ASSERT_EQ(ExternalCompressor(tool).CompressForTransfer(data, packed, {}), link_status::kSuccess);
    EXPECT_EQ(packed, (std::vector<std::uint8_t>{'o', 'u', 't'}));

    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList parts = QString::fromUtf8(file.readAll()).trimmed().split('|');
    ASSERT_EQ(parts.size(), 6);
    EXPECT_EQ(parts[0], "e");
    EXPECT_TRUE(parts[1].endsWith("/temp.in"));
    EXPECT_TRUE(parts[2].endsWith("/temp.7z"));
    EXPECT_EQ(QFileInfo(parts[1]).path(), QFileInfo(parts[2]).path());
    EXPECT_EQ(parts[3], "-lc0");
    EXPECT_EQ(parts[4], "-lp2");
    EXPECT_EQ(parts[5].trimmed(), "1000");
    // The working folder is gone afterwards.
    EXPECT_FALSE(QFileInfo::exists(parts[1]));
}

} // namespace
} // namespace torvane
