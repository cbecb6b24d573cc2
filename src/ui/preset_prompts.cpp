#include "ui/preset_prompts.h"

namespace torvane {

void PresetPrompts::PresetChoice(std::string caption, int index)
{
    m_choice = std::make_pair(std::move(caption), index);
}

std::optional<int> PresetPrompts::ChooseOne(std::string_view caption, const std::vector<std::string>& options,
                                            std::optional<int> preset)
{
    if (m_choice && m_choice->first == caption)
        return m_choice->second;
    return m_inner->ChooseOne(caption, options, preset);
}

std::optional<ChunkChoice> PresetPrompts::ChooseChunks(std::string_view caption, ChunkChoice initial, bool exclusive)
{
    const std::optional<std::string> ownCaption = std::exchange(m_chunkCaption, std::nullopt);
    if (const std::optional<ChunkChoice> preset = std::exchange(m_chunks, std::nullopt))
        return preset;
    return m_inner->ChooseChunks(ownCaption ? std::string_view(*ownCaption) : caption, initial, exclusive);
}

} // namespace torvane
