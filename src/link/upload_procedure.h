#pragma once

#include <cstdint>
#include <string>

#include "database/chunk_chain.h"
#include "link/transfer_report.h"

namespace torvane {

class TransferSession;

// Dumps the receiver's whole flash into a file on the PC, reboots the receiver and finds the
// chunks in the saved file. The file is replaced only once the dump is complete, so a failed or
// cancelled upload leaves whatever was under the name before.
class UploadProcedure final {
public:
    UploadProcedure(TransferSession& session, std::string outputPath);

    TransferOutcome Run();
    // The dump alone, as the first step of a download that keeps what the receiver held: the file
    // written and the receiver rebooted, without the chunk walk, and the transfer goes on (it can
    // still be cancelled).
    TransferOutcome RunBeforeDownload();

    // Emptied when the file could not be written.
    const std::string& OutputPath() const { return m_outputPath; }
    std::uint32_t DumpedLength() const { return m_length; }
    // The saved file's chunk walk with the 0x200000 limit, for whoever opens it next.
    const ChunkWalk& Walk() const { return m_walk; }

private:
    bool DumpAndSave();
    TransferOutcome Fail();

    TransferSession& m_session;
    std::string m_outputPath;
    std::uint32_t m_length = 0;
    ChunkWalk m_walk;
};

} // namespace torvane
