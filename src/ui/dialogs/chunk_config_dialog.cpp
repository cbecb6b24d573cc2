#include "ui/dialogs/chunk_config_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_support.h"

namespace torvane {

ChunkConfigDialog::ChunkConfigDialog(std::string_view caption, ChunkChoice initial, bool exclusive, QWidget* parent)
    : QDialog(parent),
      m_default(new QCheckBox(ToQString(kDefaultChunkLabel), this)),
      m_user(new QCheckBox(ToQString(kUserChunkLabel), this))
{
    setWindowTitle(ToQString(caption));
    m_default->setChecked(initial.defaultChunk);
    m_user->setChecked(initial.userChunk);
    if (exclusive) {
        // Not a button group: that would refuse to leave both boxes unchecked.
        connect(m_default, &QCheckBox::toggled, m_user, [this](bool on) {
            if (on)
                m_user->setChecked(false);
        });
        connect(m_user, &QCheckBox::toggled, m_default, [this](bool on) {
            if (on)
                m_default->setChecked(false);
        });
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_default);
    layout->addWidget(m_user);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    FixDialogSize(*this);
}

ChunkChoice ChunkConfigDialog::Choice() const
{
    return ChunkChoice{m_default->isChecked(), m_user->isChecked()};
}

} // namespace torvane
