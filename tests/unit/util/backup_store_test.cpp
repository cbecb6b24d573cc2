#include "util/backup_store.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/recording_prompts.h"
#include "support/scratch_folder.h"
#include "util/file_reader.h"
#include "util/saved_file.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Filled(std::size_t size, std::uint8_t value)
{
    return Bytes(size, value);
}

// The saves of a test keep their copies in store.
class SaveBackupsFixture : public ::testing::Test {
protected:
    void TearDown() override { SetSaveBackups(nullptr); }

    BackupStore& Use(BackupSettings settings)
    {
        m_store.emplace(m_scratch.Path("backups"), settings);
        SetSaveBackups(&*m_store);
        return *m_store;
    }
    std::vector<Bytes> CopiesOf(const std::string& path) const
    {
        std::vector<Bytes> contents;
        for (const BackupCopy& copy : BackupStore::List(m_store->FolderOf(path)))
            contents.push_back(ReadFileBytes(copy.path).value_or(Bytes{}));
        return contents;
    }

    test::ScratchFolder m_scratch;
    test::RecordingPrompts m_prompts;
    std::optional<BackupStore> m_store;
};

// Six saves of distinct bytes (several within one second) and two of unchanged bytes: every save
// but the first keeps what it replaced, the newest first, unchanged bytes add nothing, and only
// the newest three stay.
TEST_F(SaveBackupsFixture, SaveSequenceKeepsTheReplacedBytesWithinTheLimit)
{
    Use({true, 3, 500, false});
    const std::string file = m_scratch.Path("demo.bin");
    for (std::uint8_t round = 1; round <= 6; ++round)
        ASSERT_TRUE(WriteSavedFile(file, Filled(100 + round, round), m_prompts));
    ASSERT_TRUE(WriteSavedFile(file, Filled(106, 6), m_prompts));
    ASSERT_TRUE(WriteSavedFile(file, Filled(106, 6), m_prompts));

    EXPECT_EQ(CopiesOf(file), (std::vector<Bytes>{Filled(106, 6), Filled(105, 5), Filled(104, 4)}));
    EXPECT_EQ(ReadFileBytes(file), Filled(106, 6));
    EXPECT_TRUE(m_prompts.messages.empty());
    for (const BackupCopy& copy : BackupStore::List(m_store->FolderOf(file)))
        EXPECT_TRUE(copy.path.ends_with(".bin")) << copy.path;
}

// The total limit removes the oldest copies of any file first, never the newest of a file, even
// when that alone is over the limit.
TEST_F(SaveBackupsFixture, TotalLimitRemovesTheOldestButNeverTheNewestOfAFile)
{
    Use({true, 20, 1, false});
    const std::string a = m_scratch.Path("a.ddf");
    const std::string b = m_scratch.Path("b.ddf");
    constexpr std::size_t kK = 1024;
    for (std::uint8_t round = 1; round <= 4; ++round)
        ASSERT_TRUE(WriteSavedFile(a, Filled(400 * kK, round), m_prompts));
    // Three copies of 400 KiB do not fit into 1 MiB: the oldest went.
    EXPECT_EQ(CopiesOf(a), (std::vector<Bytes>{Filled(400 * kK, 3), Filled(400 * kK, 2)}));

    ASSERT_TRUE(WriteSavedFile(b, Filled(600 * kK, 1), m_prompts));
    ASSERT_TRUE(WriteSavedFile(b, Filled(600 * kK, 2), m_prompts));
    EXPECT_EQ(CopiesOf(a), (std::vector<Bytes>{Filled(400 * kK, 3)}));
    EXPECT_EQ(CopiesOf(b), (std::vector<Bytes>{Filled(600 * kK, 1)}));

    const std::string big = m_scratch.Path("big.bin");
    ASSERT_TRUE(WriteSavedFile(big, Filled(2048 * kK, 1), m_prompts));
    ASSERT_TRUE(WriteSavedFile(big, Filled(2048 * kK, 2), m_prompts));
    EXPECT_EQ(CopiesOf(big), (std::vector<Bytes>{Filled(2048 * kK, 1)}));
    EXPECT_EQ(CopiesOf(a).size() + CopiesOf(b).size(), 2u);
}

// A backup folder that cannot be written stops the save with a message naming it; the file keeps
// its bytes. Backups turned off save as before.
TEST_F(SaveBackupsFixture, UnwritableBackupFolderStopsTheSave)
{
    const BackupStore& store = Use({});
    const std::string file = m_scratch.Path("demo.bin");
    m_scratch.Write("demo.bin", Filled(10, 1));
    m_scratch.Write("backups", Filled(1, 0)); // a file where the folder should be

    EXPECT_FALSE(WriteSavedFile(file, Filled(10, 2), m_prompts));
    EXPECT_EQ(m_prompts.messages, std::vector<std::string>{BackupFailedMessage(file, store.FolderOf(file))});
    EXPECT_EQ(m_prompts.messages[0],
              "Can't keep a backup of " + file + " in " + store.FolderOf(file) + ": nothing was saved.");
    EXPECT_EQ(ReadFileBytes(file), Filled(10, 1));

    SetSaveBackups(nullptr);
    EXPECT_TRUE(WriteSavedFile(file, Filled(10, 2), m_prompts));
    EXPECT_EQ(ReadFileBytes(file), Filled(10, 2));
}

TEST_F(SaveBackupsFixture, KeptCopyIsNeverWritten)
{
    Use({});
    const std::string file = m_scratch.Path("demo.bin");
    m_scratch.Write("demo.bin", Filled(10, 1));
    ASSERT_TRUE(WriteSavedFile(file, Filled(10, 2), m_prompts));
    const std::string copy = BackupStore::List(m_store->FolderOf(file)).at(0).path;

    EXPECT_FALSE(WriteSavedFile(copy, Filled(10, 3), m_prompts));
    EXPECT_EQ(m_prompts.messages, std::vector<std::string>{std::string(kBackupIsReadOnlyMessage)});
    EXPECT_EQ(ReadFileBytes(copy), Filled(10, 1));
}

// A copy on the file's volume is a hard link; on another (the memory file system, where there is
// one) the bytes are written. Either way the save leaves the copy with the old bytes.
TEST(BackupStore, CopyOnEitherVolumeKeepsTheOldBytes)
{
    test::ScratchFolder scratch;
    const fs::path other = fs::path("/dev/shm") / ("torvane-" + fs::path(scratch.Path()).filename().string());
    std::vector<std::string> folders{scratch.Path("backups")};
    if (fs::is_directory("/dev/shm"))
        folders.push_back(other.string());
    test::RecordingPrompts prompts;
    for (const std::string& folder : folders) {
        const BackupStore store(folder, {});
        SetSaveBackups(&store);
        const std::string file = scratch.Path("list.ddf");
        scratch.Write("list.ddf", Filled(300, 1));
        EXPECT_TRUE(WriteSavedFile(file, Filled(300, 2), prompts));
        SetSaveBackups(nullptr);
        const std::vector<BackupCopy> copies = BackupStore::List(store.FolderOf(file));
        ASSERT_EQ(copies.size(), 1u) << folder;
        EXPECT_EQ(ReadFileBytes(copies[0].path), Filled(300, 1)) << folder;
        EXPECT_EQ(ReadFileBytes(file), Filled(300, 2));
    }
    std::error_code ignored;
    fs::remove_all(other, ignored);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(BackupStore, NamesFoldersAndCopies)
{
    test::ScratchFolder scratch;
    const BackupStore store(scratch.Path("backups/"), {});
    fs::create_directories(scratch.Path("one"));
    fs::create_directories(scratch.Path("two"));
    const std::string one = store.FolderOf(scratch.Path("one/demo.bin"));
    EXPECT_EQ(one.substr(0, one.size() - 8), scratch.Path("backups/demo.bin-"));
    EXPECT_NE(one, store.FolderOf(scratch.Path("two/demo.bin")));
    EXPECT_EQ(one, store.FolderOf(scratch.Path("two/../one/./demo.bin")));
    EXPECT_EQ(store.ReceiverFolder("/dev/ttyUSB0"), scratch.Path("backups/receiver-ttyUSB0"));
    EXPECT_EQ(store.ReceiverFolder("COM3"), scratch.Path("backups/receiver-COM3"));
    EXPECT_EQ(store.ReceiverFolder("\\\\.\\COM 12"), scratch.Path("backups/receiver-COM_12"));
    EXPECT_TRUE(store.Holds(one + "/x.bin"));
    EXPECT_FALSE(store.Holds(scratch.Path("one/demo.bin")));
    EXPECT_FALSE(store.Holds(scratch.Path("backups2/x.bin")));

    // 2026-12-08 10:15:30 UTC, three copies in one second, and a file that is no copy.
    constexpr std::time_t kNow = 1796724930;
    fs::create_directories(one);
    const std::vector<std::string> expected = {one + "/2026-12-08T10-15-30Z.bin", one + "/2026-12-08T10-15-30Z-2.bin",
                                               one + "/2026-12-08T10-15-30Z-3.bin"};
    for (const std::string& path : expected) {
        ASSERT_EQ(BackupStore::NewCopyPath(one, ".bin", kNow), path);
        scratch.Write(path.substr(scratch.Path().size() + 1), Filled(path.size(), 0));
    }
    scratch.Write(one.substr(scratch.Path().size() + 1) + "/notes.txt", Filled(1, 0));
    const std::vector<BackupCopy> copies = BackupStore::List(one);
    ASSERT_EQ(copies.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(copies[i].path, expected[2 - i]);
        EXPECT_EQ(copies[i].date, "2026-12-08 10:15:30 UTC");
        EXPECT_EQ(copies[i].size, expected[2 - i].size());
    }
    // A copy made after the first of the second was removed still comes last.
    fs::remove(expected[0]);
    EXPECT_EQ(BackupStore::NewCopyPath(one, ".ddf", kNow), one + "/2026-12-08T10-15-30Z-4.ddf");
    EXPECT_EQ(BackupStore::NewCopyPath(one, "", kNow + 86400 * 366), one + "/2027-12-09T10-15-30Z");
}

} // namespace
} // namespace torvane
