#pragma once

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "link/upgrade_lib.h"
#include "receiver_flash.h"
#include "support/flash_image_builder.h"

namespace torvane::test {

inline constexpr std::uint32_t kPcFlashBuffer = 0x200000;

// The PC's side of a session the way the transfer procedures run it: greet, read the receiver's
// information and settle its generation (0 reported means 16).
struct Connection {
    LinkStatus status = link_status::kSuccess;
    std::uint32_t greetingVersion = 0;
    std::uint32_t reportedVersion = 0;
    ReceiverInfo info;
};

inline Connection Connect(UpgradeLib& lib, const CancelPredicate& cancel = {})
{
    Connection c;
    c.status = lib.TestPort(c.greetingVersion, {}, cancel);
    if (c.status != link_status::kSuccess)
        return c;
    lib.SetProtocolVersion(c.greetingVersion);
    c.status = lib.GetReceiverInfo(c.reportedVersion, c.info);
    if (c.status == link_status::kSuccess)
        lib.SetProtocolVersion(c.reportedVersion == 0 ? 16 : c.reportedVersion);
    return c;
}

// The download: for every chunk of the receiver in its order, send the file's database chunk
// when asked to, otherwise keep the receiver's own; then burn. Returns the first failing status.
inline LinkStatus Download(UpgradeLib& lib, const ReceiverInfo& info, const std::vector<std::uint8_t>& fileImage,
                           const std::vector<BuiltChunk>& fileLayout, bool sendDefault, bool sendUser,
                           const CancelPredicate& cancel = {}, std::vector<int>* burnProgress = nullptr)
{
    const auto fileChunk = [&](std::uint32_t id) {
        return *std::find_if(fileLayout.begin(), fileLayout.end(), [&](const BuiltChunk& c) { return c.id == id; });
    };
    if (const LinkStatus s = lib.SetAddress(0); s != link_status::kSuccess)
        return s;
    for (const ChunkInfo& chunk : info.chunks) {
        const bool isUser = chunk.id == kUserChunkId;
        const bool isDefault = chunk.id == kDefaultChunkId;
        LinkStatus s = link_status::kSuccess;
        if ((isUser && sendUser) || (isDefault && sendDefault)) {
            const BuiltChunk& own = fileChunk(chunk.id);
            // The receiver's room for the chunk, erased, with the file's chunk at its start.
            const std::size_t room = isUser ? chunk.length + 16 : std::max(chunk.length, chunk.nextOffset);
            const std::size_t take = std::min<std::size_t>(isUser ? own.length + 16 : own.next, room);
            std::vector<std::uint8_t> buffer(room, 0xFF);
            std::copy_n(fileImage.begin() + static_cast<std::ptrdiff_t>(own.offset), take, buffer.begin());
            if (!isUser)
                buffer.resize(chunk.nextOffset);
            s = lib.Transfer(buffer, {}, cancel);
        } else {
            s = lib.MoveChunk(chunk.id, isUser ? 0 : chunk.nextOffset);
        }
        if (s != link_status::kSuccess)
            return s;
    }
    return lib.Burn(kPcFlashBuffer, [&](int percent) {
        if (burnProgress)
            burnProgress->push_back(percent);
    });
}

// What the receiver's flash holds after such a download when both images share one layout.
inline std::vector<std::uint8_t> ExpectedAfterDownload(const std::vector<std::uint8_t>& receiverImage,
                                                       const std::vector<std::uint8_t>& fileImage,
                                                       const std::vector<BuiltChunk>& layout, bool sendDefault,
                                                       bool sendUser)
{
    std::vector<std::uint8_t> expected = receiverImage;
    for (const BuiltChunk& chunk : layout) {
        if ((chunk.id == kDefaultChunkId && sendDefault) || (chunk.id == kUserChunkId && sendUser)) {
            const auto from = fileImage.begin() + static_cast<std::ptrdiff_t>(chunk.offset);
            std::copy(from, from + chunk.extent, expected.begin() + static_cast<std::ptrdiff_t>(chunk.offset));
        }
    }
    return expected;
}

// A flash image file in a folder of its own, removed with the fixture.
class FlashFile {
public:
    explicit FlashFile(const std::vector<std::uint8_t>& image)
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        std::replace(name.begin(), name.end(), '/', '_');
        // The process id keeps two runs of the suite on one machine apart.
        m_dir = std::filesystem::temp_directory_path() / ("torvane_sim_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::create_directories(m_dir);
        m_path = (m_dir / "flash.bin").string();
        std::ofstream(m_path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    ~FlashFile() { std::filesystem::remove_all(m_dir); }

    const std::string& Path() const { return m_path; }
    sim::ReceiverFlash Load() const
    {
        std::string error;
        std::optional<sim::ReceiverFlash> flash = sim::ReceiverFlash::Load(m_path, error);
        EXPECT_TRUE(flash) << error;
        return flash ? std::move(*flash) : sim::ReceiverFlash({}, {});
    }
    std::vector<std::uint8_t> Contents() const
    {
        std::ifstream in(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::filesystem::path Folder() const { return m_dir; }

private:
    std::filesystem::path m_dir;
    std::string m_path;
};

} // namespace torvane::test
