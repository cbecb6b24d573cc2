#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "receiver_flash.h"

namespace torvane::sim {

// The receiver's own error codes, sent as the value of a failure reply.
enum ReceiverError : std::uint32_t {
    kReceiverOk = 0,
    kParameterError = 0x10000,      // "STB check command line parameter error!"
    kAddressOverflow = 0x10001,     // "STB set address  overflow!"
    kAddressNotInit = 0x10002,      // "STB address not init!"
    kChunkNotFound = 0x10003,       // "STB chunk not found!"
    kNothingToBurn = 0x10004,       // "STB nothing can burn!"
    kNotEnoughBuffer = 0x10005,     // "STB not enough buffer!"
    kNotAllDumped = 0x10006,        // "STB not dump all data!"
};

// The four decimal digits of a burn progress report: KiB burnt so far, at most 9999.
std::string BurnProgressDigits(std::size_t kib);

// A stretch of flash asked for by a dump.
struct DumpRange {
    std::size_t start = 0;
    std::size_t length = 0;
};

// What the receiver does with the commands, whatever protocol brought them: the new flash is put
// together in SDRAM from transferred and moved chunks and burnt on "burn".
//
// SDRAM is filled at a write pointer that "address" sets. Each transfer or move places a whole chunk
// there and moves the pointer to where the next chunk of the new chain begins (the placed chunk's
// next-chunk offset, or its size when that is smaller), so the chunks sent in the receiver's order
// land where the new chain expects them.
class ReceiverCore final {
public:
    explicit ReceiverCore(ReceiverFlash flash);

    const ReceiverFlash& Flash() const { return m_flash; }

    std::vector<std::uint8_t> InfoBlock() const { return m_flash.InfoBlock(m_secondByte); }
    void SetSecondByte(std::uint8_t value) { m_secondByte = value; }

    ReceiverError SetAddress(std::uint64_t address);
    // Keeps the receiver's own chunk: size 0 means its whole extent.
    ReceiverError Move(std::uint32_t id, std::uint64_t size);
    // Checks that a transfer of this many bytes fits before any data comes.
    ReceiverError CheckTransfer(std::uint64_t length) const;
    ReceiverError PlaceTransfer(std::span<const std::uint8_t> data);

    // Writes SDRAM's filled stretch into flash and the flash back to its file; false (and a
    // reason) when the file could not be written. Callers check HasSomethingToBurn first.
    bool Burn(std::string& error);
    bool HasSomethingToBurn() const { return m_high > m_low; }

    // The stretch a dump sends: length 0 means up to the end of the flash.
    std::optional<DumpRange> Dump(std::uint64_t start, std::uint64_t length) const;

    // After a reboot SDRAM holds nothing and the address is unset.
    void Reboot();

private:
    ReceiverFlash m_flash;
    std::uint8_t m_secondByte = 0;
    std::vector<std::uint8_t> m_sdram;
    std::optional<std::size_t> m_pointer;
    std::size_t m_low = 0;  // filled stretch of SDRAM: [m_low, m_high)
    std::size_t m_high = 0;
};

} // namespace torvane::sim
