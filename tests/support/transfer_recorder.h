#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "link/transfer_report.h"
#include "support/flash_image_builder.h"

namespace torvane::test {

inline std::string StepName(TransferStep step)
{
    switch (step) {
    case TransferStep::TestPort:
        return "TestPort";
    case TransferStep::CollectInfo:
        return "CollectInfo";
    case TransferStep::DownloadToSdram:
        return "DownloadToSdram";
    case TransferStep::BurnFlash:
        return "BurnFlash";
    case TransferStep::Upload:
        return "Upload";
    case TransferStep::ParseUserDatabase:
        return "ParseUserDatabase";
    case TransferStep::ReadBack:
        return "ReadBack";
    }
    return "?";
}

// Records what a transfer reports, as lines such as "show TestPort Test serial port status",
// "finish TestPort Finished", "message Read Database Fail", "message Warning: Can not open file!",
// "title ..." and "cancel off". Progress and speeds are kept apart. Safe to fill from another thread.
class TransferRecorder final {
public:
    TransferCallbacks Callbacks()
    {
        TransferCallbacks callbacks;
        callbacks.stepShown = [this](TransferStep step, std::string_view text) {
            Add("show " + StepName(step) + " " + std::string(text));
        };
        callbacks.stepFinished = [this](TransferStep step, std::string_view text) {
            Add("finish " + StepName(step) + " " + std::string(text));
        };
        callbacks.message = [this](std::string_view text, std::string_view caption) {
            Add("message " + (caption.empty() ? std::string() : std::string(caption) + ": ") + std::string(text));
        };
        callbacks.titleChanged = [this](std::string_view title) { Add("title " + std::string(title)); };
        callbacks.cancelDisabled = [this] { Add("cancel off"); };
        callbacks.progress = [this](int bar, int percent, std::uint64_t total) {
            const std::lock_guard lock(m_mutex);
            progress.push_back({bar, percent, total});
        };
        callbacks.speedMeasured = [this](const TransferSpeed& speed) {
            const std::lock_guard lock(m_mutex);
            speeds.push_back(speed);
        };
        return callbacks;
    }

    std::vector<std::string> Messages() const
    {
        const std::lock_guard lock(m_mutex);
        std::vector<std::string> messages;
        for (const std::string& event : events) {
            if (event.starts_with("message "))
                messages.push_back(event.substr(8));
        }
        return messages;
    }

    struct ProgressEvent {
        int bar = 0;
        int percent = 0;
        std::uint64_t total = 0;
    };

    std::vector<std::string> events;
    std::vector<ProgressEvent> progress;
    std::vector<TransferSpeed> speeds;

private:
    void Add(std::string event)
    {
        const std::lock_guard lock(m_mutex);
        events.push_back(std::move(event));
    }

    mutable std::mutex m_mutex;
};

// A receiver's flash as the transfer tests use it: boot, code, default-database and user-database
// chunks. Images with the same sizes have the same layout; the seed changes only the contents.
// Chunk extents are header + data rounded up to 4 KiB.
struct TestImage {
    TestImage(std::uint32_t seed_ = 0, std::size_t defaultData_ = 0x3000, std::size_t userData_ = 0x6000)
        : seed(seed_), defaultData(defaultData_), userData(userData_)
    {
    }

    std::uint32_t seed;
    std::size_t defaultData;
    std::size_t userData;
};

inline FlashImageBuilder MakeTestImage(const TestImage& shape)
{
    FlashImageBuilder builder;
    builder.AddChunk({kBootChunkId, PatternBytes(0x700, shape.seed + 1, false), 0, false, {"boot", "1.0", ""}});
    builder.AddChunk({kCodeChunkId, PatternBytes(0x2400, shape.seed + 2, false), 0, true, {"code", "4.7", ""}});
    builder.AddChunk({kDefaultChunkId, PatternBytes(shape.defaultData, shape.seed + 3, false), 0, true,
                      {"default db", "1", ""}});
    std::vector<std::uint8_t> user(0x10000, 0xFF);
    const std::vector<std::uint8_t> records = PatternBytes(shape.userData, shape.seed + 4, true);
    user.insert(user.end(), records.begin(), records.end());
    builder.AddChunk({kUserChunkId, std::move(user), 0, true, {"user db", "2", ""}, 0x01});
    return builder;
}

// The built chunk with this identifier.
inline BuiltChunk ChunkOf(const FlashImageBuilder& builder, std::uint32_t id)
{
    for (const BuiltChunk& chunk : builder.Layout()) {
        if (chunk.id == id)
            return chunk;
    }
    return {};
}

// receiver with the stretch a chunk occupies in it replaced by the same stretch of image: what a
// download of that chunk leaves when both have the same layout.
inline std::vector<std::uint8_t> WithChunkFrom(std::vector<std::uint8_t> receiver, const std::vector<std::uint8_t>& image,
                                               const BuiltChunk& chunk)
{
    std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(chunk.offset), chunk.extent,
                receiver.begin() + static_cast<std::ptrdiff_t>(chunk.offset));
    return receiver;
}

// What a download of the chosen chunks of image leaves in a receiver made from receiverShape, when
// the image has the receiver's layout.
inline std::vector<std::uint8_t> AfterDownload(const TestImage& receiverShape, std::vector<std::uint8_t> receiver,
                                               const std::vector<std::uint8_t>& image, bool defaultChunk, bool userChunk)
{
    const FlashImageBuilder layout = MakeTestImage(receiverShape);
    if (defaultChunk)
        receiver = WithChunkFrom(std::move(receiver), image, ChunkOf(layout, kDefaultChunkId));
    if (userChunk)
        receiver = WithChunkFrom(std::move(receiver), image, ChunkOf(layout, kUserChunkId));
    return receiver;
}

} // namespace torvane::test
