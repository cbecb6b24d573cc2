#include "util/atomic_file.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "support/scratch_folder.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 31 + (i >> 8));
    return bytes;
}

struct ReplaceCase {
    const char* name;
    std::optional<std::size_t> oldSize;  // no old file when empty
    std::size_t newSize;
};

class AtomicFileReplace : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(AtomicFileReplace, TargetHoldsExactlyTheNewBytesAndNoTemporaryRemains)
{
    const ReplaceCase& c = GetParam();
    ScratchFolder folder;
    if (c.oldSize)
        folder.Write("image.bin", Pattern(*c.oldSize, 7));
    const std::vector<std::uint8_t> bytes = Pattern(c.newSize, 99);

    ASSERT_TRUE(WriteFileAtomically(folder.Path("image.bin"), bytes));
    EXPECT_EQ(folder.Read("image.bin"), bytes);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"image.bin"});
}

INSTANTIATE_TEST_SUITE_P(Sizes, AtomicFileReplace,
                         ::testing::Values(ReplaceCase{"NewFile", std::nullopt, 5000},
                                           ReplaceCase{"ShorterThanOld", 70000, 12},
                                           ReplaceCase{"LongerThanOld", 10, 0x200000},
                                           ReplaceCase{"EmptyOverOld", 300, 0},
                                           ReplaceCase{"EmptyNew", std::nullopt, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// A read-only target is refused on every system (on POSIX the rename alone would replace it).
TEST(AtomicFile, ReadOnlyTargetIsRefusedAndLeftAsItWas)
{
    ScratchFolder folder;
    const std::vector<std::uint8_t> old = Pattern(100, 3);
    folder.Write("image.bin", old);
    fs::permissions(folder.Path("image.bin"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);

    EXPECT_FALSE(WriteFileAtomically(folder.Path("image.bin"), Pattern(50, 4)));
    EXPECT_EQ(folder.Read("image.bin"), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"image.bin"});
}

#ifdef _WIN32
// A file another program holds open without sharing it cannot be replaced on Windows.
TEST(AtomicFile, LockedTargetIsRefusedAndLeftAsItWas)
{
    ScratchFolder folder;
    const std::vector<std::uint8_t> old = Pattern(100, 3);
    folder.Write("image.bin", old);
    HANDLE lock = ::CreateFileW(fs::path(folder.Path("image.bin")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    const bool written = WriteFileAtomically(folder.Path("image.bin"), Pattern(50, 4));
    ::CloseHandle(lock);

    EXPECT_FALSE(written);
    EXPECT_EQ(folder.Read("image.bin"), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"image.bin"});
}
#else
// POSIX permission bits, links, user ids, file-size limits and process ids.
TEST(AtomicFile, ExistingFileKeepsItsPermissionBits)
{
    ScratchFolder folder;
    folder.Write("image.bin", Pattern(10, 1));
    ASSERT_EQ(::chmod(folder.Path("image.bin").c_str(), 0640), 0);

    ASSERT_TRUE(WriteFileAtomically(folder.Path("image.bin"), Pattern(20, 2)));
    struct stat st {};
    ASSERT_EQ(::stat(folder.Path("image.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(AtomicFile, SymbolicLinkStaysAndItsTargetIsReplaced)
{
    ScratchFolder folder;
    folder.Write("real.bin", Pattern(10, 1));
    fs::create_symlink(folder.Path("real.bin"), folder.Path("link.bin"));

    const std::vector<std::uint8_t> bytes = Pattern(33, 5);
    ASSERT_TRUE(WriteFileAtomically(folder.Path("link.bin"), bytes));
    EXPECT_TRUE(fs::is_symlink(folder.Path("link.bin")));
    EXPECT_EQ(folder.Read("real.bin"), bytes);
}

#endif

// Every failure leaves the folder as it was: the old target byte for byte, no temporary file.
struct FailureCase {
    const char* name;
    std::string relativeTarget;
};

class AtomicFileFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(AtomicFileFailure, ReturnsFalseAndLeavesEverythingAsItWas)
{
    ScratchFolder folder;
    const std::vector<std::uint8_t> old = Pattern(100, 3);
    folder.Write("image.bin", old);
    fs::create_directory(folder.Path("folder.bin"));
    const std::vector<std::string> before = folder.Names();

    EXPECT_FALSE(WriteFileAtomically(folder.Path(GetParam().relativeTarget), Pattern(50, 4)));
    EXPECT_EQ(folder.Names(), before);
    EXPECT_EQ(folder.Read("image.bin"), old);
    EXPECT_TRUE(fs::is_directory(folder.Path("folder.bin")));
}

INSTANTIATE_TEST_SUITE_P(Targets, AtomicFileFailure,
                         ::testing::Values(FailureCase{"MissingFolder", "nowhere/out.bin"},
                                           FailureCase{"ParentIsAFile", "image.bin/out.bin"},
                                           FailureCase{"TargetIsAFolder", "folder.bin"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicFile, EmptyPathIsRefused)
{
    EXPECT_FALSE(WriteFileAtomically("", Pattern(4, 0)));
}

#ifndef _WIN32
// The super-user may write anywhere, so the attempt runs under the "nobody" id in a child process.
TEST(AtomicFile, UnwritableFolderLeavesTargetUntouched)
{
    ScratchFolder folder;
    ASSERT_EQ(::mkdir(folder.Path("locked").c_str(), 0755), 0);
    const std::string target = folder.Path("locked/image.bin");
    const std::vector<std::uint8_t> old = Pattern(64, 8);
    folder.Write("locked/image.bin", old);
    ASSERT_EQ(::chmod(folder.Path("locked").c_str(), 0555), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && ::seteuid(65534) != 0)
            ::_exit(3);
        // The folder must be reachable, so that the refusal comes from its missing write right.
        if (::access(target.c_str(), R_OK) != 0)
            ::_exit(4);
        ::_exit(WriteFileAtomically(target, Pattern(10, 9)) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(folder.Read("locked/image.bin"), old);
    EXPECT_EQ(fs::directory_iterator(folder.Path("locked"))->path().filename(), "image.bin");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path("locked")), fs::directory_iterator{}), 1);
}

// A write that fails half-way (here: the file-size limit is reached) must not reach the target.
TEST(AtomicFile, FailureInTheMiddleOfWritingLeavesTargetUntouched)
{
    ScratchFolder folder;
    const std::vector<std::uint8_t> old = Pattern(100, 3);
    folder.Write("image.bin", old);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteFileAtomically(folder.Path("image.bin"), Pattern(65536, 1));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(folder.Read("image.bin"), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"image.bin"});
}

// A save that was killed leaves its temporary file behind. The next save of the same file removes
// those whose writing process is gone, and nothing else.
TEST(AtomicFile, StaleTemporariesOfTheSameFileAreRemoved)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string gone = std::to_string(child);
    const std::string running = std::to_string(::getpid());

    ScratchFolder folder;
    const std::vector<std::string> kept = {
        ".image.bin.tmp" + running + "_7",   // a save of this process still writing it
        ".image.bin.tmp1_0",                 // process 1 is always there
        ".image.bin.tmp" + gone + "_x",      // not a name this code makes
        ".image.bin.tmp" + gone,
        ".image.bin.tmpkeep",
        ".other.bin.tmp" + gone + "_0",      // another file's
        "image.bin.tmp" + gone + "_0",
    };
    for (const std::string& name : kept)
        folder.Write(name, Pattern(3, 1));
    folder.Write(".image.bin.tmp" + gone + "_0", Pattern(3, 1));
    folder.Write(".image.bin.tmp" + gone + "_12", Pattern(3, 1));

    ASSERT_TRUE(WriteFileAtomically(folder.Path("image.bin"), Pattern(10, 2)));
    std::vector<std::string> expected = kept;
    expected.push_back("image.bin");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folder.Names(), expected);
}

#endif

} // namespace
} // namespace torvane
