#include "ui/dialogs/number_prompt_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_support.h"

namespace torvane {

NumberPromptDialog::NumberPromptDialog(std::string_view caption, std::string_view label, const std::string& text,
                                       QWidget* parent)
    : QDialog(parent), m_edit(new QLineEdit(QString::fromStdString(text), this))
{
    setWindowTitle(ToQString(caption));
    m_edit->setMinimumWidth(120);
    auto* form = new QFormLayout;
    form->addRow(ToQString(label), m_edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    FixDialogSize(*this);
}

void NumberPromptDialog::accept()
{
    if (Take(m_edit->text().toStdString())) {
        QDialog::accept();
        return;
    }
    m_edit->setFocus(Qt::OtherFocusReason);
    m_edit->selectAll();
}

} // namespace torvane
