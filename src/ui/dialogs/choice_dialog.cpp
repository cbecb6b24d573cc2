#include "ui/dialogs/choice_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_support.h"

namespace torvane {

ChoiceDialog::ChoiceDialog(std::string_view caption, const std::vector<std::string>& options,
                           std::optional<int> preset, QWidget* parent)
    : QDialog(parent), m_group(new QButtonGroup(this))
{
    setWindowTitle(ToQString(caption));
    auto* layout = new QVBoxLayout(this);
    for (std::size_t i = 0; i < options.size(); ++i) {
        auto* button = new QRadioButton(QString::fromStdString(options[i]), this);
        m_group->addButton(button, static_cast<int>(i));
        button->setChecked(preset == static_cast<int>(i));
        layout->addWidget(button);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    FixDialogSize(*this);
}

std::optional<int> ChoiceDialog::Chosen() const
{
    const int id = m_group->checkedId();
    return id < 0 ? std::nullopt : std::optional<int>(id);
}

QRadioButton* ChoiceDialog::Option(int index) const
{
    return qobject_cast<QRadioButton*>(m_group->button(index));
}

} // namespace torvane
