#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/receiver_info.h"

namespace torvane {

// The steps a transfer shows, each with its own label and "Finished" mark.
enum class TransferStep {
    TestPort,
    CollectInfo,
    DownloadToSdram,
    BurnFlash,
    Upload,
    ParseUserDatabase,
    ReadBack, // the check after a download
};

enum class TransferOutcome {
    Succeeded,
    Failed,
    Cancelled, // failed after the user asked to stop; no message was shown for it
};

// The texts the transfer dialogs show, exactly.
namespace transfer_text {
inline constexpr std::string_view kDownloadCaption = "Download (PC --> STB)";
inline constexpr std::string_view kUploadCaption = "Upload (STB --> PC)";

inline constexpr std::string_view kTestPortStep = "Test serial port status";
inline constexpr std::string_view kCollectInfoStep = "Collect STB information";
inline constexpr std::string_view kDownloadStep = "Downloading to sdram";
inline constexpr std::string_view kDownloadUserStep = "Download to sdram(User Database)";
inline constexpr std::string_view kDownloadDefaultStep = "Download to sdram(Default Database)";
inline constexpr std::string_view kBurnStep = "Burning to flash";
inline constexpr std::string_view kUploadStep = "Start uploading";
inline constexpr std::string_view kParseStep = "Parsing user database ...";
inline constexpr std::string_view kFinished = "Finished";

inline constexpr std::string_view kCannotOpenPort = "can not open port";
inline constexpr std::string_view kTestPortFail = "Fail to test port.";
inline constexpr std::string_view kGetVersionFail = "Fail to get version.";
inline constexpr std::string_view kReadDatabaseFail = "Read Database Fail";
inline constexpr std::string_view kSetAddressFail = "Set address fail";
inline constexpr std::string_view kDownloadFail = "Download sdram fail.";
inline constexpr std::string_view kBurnFail = "Burn flash fail";
inline constexpr std::string_view kUploadFail = "Upload fail";
inline constexpr std::string_view kCannotOpenFile = "Can not open file!";
inline constexpr std::string_view kWarningCaption = "Warning";
} // namespace transfer_text

// The two progress bars of a transfer dialog.
inline constexpr int kTransferBar = 0; // SDRAM download or flash dump
inline constexpr int kBurnBar = 1;

// Payload moved by one transfer and the time it took; wireBytes counts what crossed the line in
// the payload's direction, framing, echoes and resends included.
struct TransferSpeed {
    std::string verb; // "Dumped", "Sent"
    std::uint64_t bytes = 0;
    double seconds = 0;
    std::uint64_t wireBytes = 0;
};

// "Dumped 2097152 bytes in 212.3 s (9.88 kB/s), 2236417 bytes on the wire (10.53 kB/s)"; a kB is
// 1000 bytes.
std::string FormatTransferSpeed(const TransferSpeed& speed);

// "<caption> (Transfer protocol version: <version / 16>.<version mod 16>)".
std::string FormatTransferTitle(std::string_view caption, std::uint32_t version);

// A bar's label: the percentage followed by "%".
std::string ProgressLabel(int percent);

// How a transfer reports to whoever shows it. Every callback runs on the transfer's thread and may
// be empty.
struct TransferCallbacks {
    // A step's label becomes visible with this text, or changes to it.
    std::function<void(TransferStep step, std::string_view text)> stepShown;
    // A step's "Finished" mark becomes visible.
    std::function<void(TransferStep step, std::string_view text)> stepFinished;
    // A bar moves; totalBytes is the size of what the bar measures now (0 when unknown).
    std::function<void(int bar, int percent, std::uint64_t totalBytes)> progress;
    // A message box with an OK button; the caption is empty for the plain ones.
    std::function<void(std::string_view text, std::string_view caption)> message;
    std::function<void(std::string_view title)> titleChanged;
    // The receiver's information has been read; version is the protocol version it is driven with.
    std::function<void(std::uint32_t version, const ReceiverInfo& info)> receiverRead;
    std::function<void(const TransferSpeed& speed)> speedMeasured;
    // The transfer can no longer be cancelled (it is finishing after success).
    std::function<void()> cancelDisabled;
};

} // namespace torvane
