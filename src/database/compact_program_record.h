#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "schema/node_schema.h"

namespace torvane {

class UserPrompts;

// The compact form of a program record in a default database. From the field "Audio Pid1" (at
// byte A) to its end a program record holds twenty 16-bit audio PIDs, twenty 16-bit entries of a
// second per-audio array and nine 32-bit words; "audio_count" (c, 0 … 20) stands before A. The
// compact record keeps bytes 0 … A-1, the first c entries of each array and the nine words:
// NodeSize - 80 + 4c bytes. Expanded, the array entries beyond c are 0.
class CompactProgramRecord final {
public:
    static constexpr int kAudioEntries = 20;
    static constexpr int kArrayBytes = 2 * kAudioEntries;
    static constexpr int kTailBytes = 36;

    explicit CompactProgramRecord(const NodeSchema& schema);

    // Whether the program layout has the shape above.
    bool IsValid() const { return m_valid; }
    int AudioOffset() const { return m_audioOffset; }
    int RecordSize() const { return m_recordSize; }
    // Bytes of a compact record with audioCount entries.
    int CompactSize(int audioCount) const;

    // The audio count of the compact (or full) record whose first bytes are given, or -1 when it
    // cannot be read or lies outside 0 … 20.
    int AudioCount(std::span<const std::uint8_t> bytes, UserPrompts& prompts) const;

    // Expands the compact record at the start of compact into record (RecordSize bytes). Answers
    // the bytes taken from compact, or -1 (record left as it was) when the layout is not valid,
    // record has another size or compact is shorter than its record.
    int Expand(std::span<const std::uint8_t> compact, std::span<std::uint8_t> record, UserPrompts& prompts) const;

    // The compact form of a full record; empty when the layout is not valid, record has another
    // size or its audio count cannot be read. A count above 20 keeps the 20 entries the arrays
    // hold and is stored as 20.
    std::vector<std::uint8_t> Compact(std::span<const std::uint8_t> record, UserPrompts& prompts) const;

private:
    // The audio count as stored, whatever its size; -1 when it cannot be read.
    int StoredAudioCount(std::span<const std::uint8_t> bytes, UserPrompts& prompts) const;

    TemplateField m_countField;  // "audio_count"
    int m_audioOffset = 0;
    int m_recordSize = 0;
    bool m_valid = false;
};

} // namespace torvane
