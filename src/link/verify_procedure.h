#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/download_procedure.h"
#include "link/transfer_report.h"

namespace torvane {

class TransferSession;

// After a download: reads the receiver's flash back and compares each chunk that was sent with
// the chunk of the same kind in the flash.
class VerifyProcedure final {
public:
    static constexpr std::string_view kCaption = "Verify (STB --> PC)";
    static constexpr std::string_view kReadBackStep = "Reading back the flash";

    VerifyProcedure(TransferSession& session, std::vector<SentChunk> expected);

    // Succeeded only when every chunk matched; each chunk's result is reported as a message.
    TransferOutcome Run();

    struct ChunkResult {
        bool matches = false;
        std::string text; // what matched, or where the flash first differs
    };
    // Finds the first chunk with the sent chunk's identifier in the flash's chain and compares.
    static ChunkResult CompareChunk(std::span<const std::uint8_t> flash, const SentChunk& expected);

private:
    TransferOutcome Fail();

    TransferSession& m_session;
    std::vector<SentChunk> m_expected;
};

// A download and, when verify answers true once it has succeeded, the check of what it sent. With
// a backup path the receiver's flash is first dumped into that file, and the download starts only
// once it is kept there.
TransferOutcome DownloadAndVerify(TransferSession& session, const DownloadRequest& request,
                                  const std::function<bool()>& verify, const std::string& backupPath = {});

} // namespace torvane
