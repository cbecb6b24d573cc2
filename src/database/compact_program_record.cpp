#include "database/compact_program_record.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "schema/field_codec.h"

namespace torvane {

CompactProgramRecord::CompactProgramRecord(const NodeSchema& schema)
{
    const auto declared = [&schema](std::string_view name) {
        return schema.Field(NodeKind::Program, FieldView::Declaration,
                            schema.FindField(NodeKind::Program, FieldView::Declaration, name));
    };
    m_recordSize = schema.NodeSize(NodeKind::Program);
    const TemplateField* audio = declared("Audio Pid1");
    const TemplateField* count = declared("audio_count");
    if (!audio || !count || count->kind != FieldKind::Number)
        return;
    m_countField = *count;
    m_audioOffset = audio->bitOffset / 8 + audio->wordIndex * 4;
    const std::int64_t countEndBit = std::int64_t{32} * count->wordIndex + count->bitOffset + std::min(count->width, 32);
    m_valid = m_recordSize > 0 && m_audioOffset >= 0 && m_recordSize == m_audioOffset + 2 * kArrayBytes + kTailBytes
        && count->wordIndex >= 0 && countEndBit <= std::int64_t{8} * m_audioOffset;
}

int CompactProgramRecord::CompactSize(int audioCount) const
{
    return m_recordSize - 2 * kArrayBytes + 4 * audioCount;
}

int CompactProgramRecord::StoredAudioCount(std::span<const std::uint8_t> bytes, UserPrompts& prompts) const
{
    if (!m_valid || bytes.size() < static_cast<std::size_t>(m_audioOffset))
        return -1;
    std::string text;
    if (!ReadRecordField(bytes.first(static_cast<std::size_t>(m_audioOffset)), 0, m_countField, FieldView::Declaration,
                         0, text, prompts))
        return -1;
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0)
        return -1;
    return value;
}

int CompactProgramRecord::AudioCount(std::span<const std::uint8_t> bytes, UserPrompts& prompts) const
{
    const int value = StoredAudioCount(bytes, prompts);
    return value > kAudioEntries ? -1 : value;
}

int CompactProgramRecord::Expand(std::span<const std::uint8_t> compact, std::span<std::uint8_t> record,
                                 UserPrompts& prompts) const
{
    if (!m_valid || record.size() != static_cast<std::size_t>(m_recordSize))
        return -1;
    const int count = AudioCount(compact, prompts);
    if (count < 0 || compact.size() < static_cast<std::size_t>(CompactSize(count)))
        return -1;
    const auto a = static_cast<std::size_t>(m_audioOffset);
    const auto entries = static_cast<std::size_t>(2 * count);
    std::fill(record.begin(), record.end(), std::uint8_t{0});
    std::copy_n(compact.begin(), a, record.begin());
    std::copy_n(compact.begin() + static_cast<std::ptrdiff_t>(a), entries, record.begin() + static_cast<std::ptrdiff_t>(a));
    std::copy_n(compact.begin() + static_cast<std::ptrdiff_t>(a + entries), entries,
                record.begin() + static_cast<std::ptrdiff_t>(a + kArrayBytes));
    std::copy_n(compact.begin() + static_cast<std::ptrdiff_t>(a + 2 * entries), kTailBytes,
                record.begin() + static_cast<std::ptrdiff_t>(a + 2 * kArrayBytes));
    return CompactSize(count);
}

std::vector<std::uint8_t> CompactProgramRecord::Compact(std::span<const std::uint8_t> record,
                                                        UserPrompts& prompts) const
{
    if (!m_valid || record.size() != static_cast<std::size_t>(m_recordSize))
        return {};
    const int stored = StoredAudioCount(record, prompts);
    if (stored < 0)
        return {};
    // The arrays hold 20 entries: a program that claims more keeps those and says 20.
    const int count = std::min(stored, static_cast<int>(kAudioEntries));
    const auto a = static_cast<std::ptrdiff_t>(m_audioOffset);
    const auto entries = static_cast<std::ptrdiff_t>(2 * count);
    std::vector<std::uint8_t> compact;
    compact.reserve(static_cast<std::size_t>(CompactSize(count)));
    compact.insert(compact.end(), record.begin(), record.begin() + a + entries);
    compact.insert(compact.end(), record.begin() + a + kArrayBytes, record.begin() + a + kArrayBytes + entries);
    compact.insert(compact.end(), record.begin() + a + 2 * kArrayBytes, record.end());
    if (count < stored
        && !WriteRecordField(std::span(compact).first(static_cast<std::size_t>(a)), 0, m_countField,
                             0, std::to_string(count), prompts))
        return {};
    return compact;
}

} // namespace torvane
