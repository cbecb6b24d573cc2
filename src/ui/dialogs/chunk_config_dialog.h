#pragma once

#include <string_view>

#include <QDialog>

#include "util/user_prompts.h"

class QCheckBox;

namespace torvane {

// The chunk dialog ("Chunk Config"): the caller's caption ("Load database config", "Save
// database config", "Download config"), the boxes "Default Chunk" and "User  Chunk" preset from
// initial, OK and Cancel. While exclusive, checking a box unchecks the other one; a checked box
// can still be unchecked, so both may end unchecked. Choice() is the boxes as they stand.
class ChunkConfigDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChunkConfigDialog)

public:
    static constexpr std::string_view kDefaultChunkLabel = "Default Chunk";
    static constexpr std::string_view kUserChunkLabel = "User  Chunk";

    ChunkConfigDialog(std::string_view caption, ChunkChoice initial, bool exclusive, QWidget* parent);

    ChunkChoice Choice() const;
    QCheckBox* DefaultBox() const { return m_default; }
    QCheckBox* UserBox() const { return m_user; }

private:
    QCheckBox* m_default;
    QCheckBox* m_user;
};

} // namespace torvane
