#include "ui/dialogs/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/dialogs/dialog_support.h"

namespace torvane {

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent), m_text(new QLineEdit(this)), m_partial(new QCheckBox(ToQString(FindRequest::kPartialLabel), this))
{
    setWindowTitle(ToQString(FindRequest::kCaption));
    auto* label = new QLabel(ToQString(FindRequest::kTextLabel), this);
    label->setBuddy(m_text);
    m_text->setMinimumWidth(220);
    auto* next = new QPushButton(ToQString(FindRequest::kNextButton), this);
    next->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    connect(next, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // The text and its check box on the left, the buttons stacked on the right.
    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(12);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_text, 1, 0);
    layout->addWidget(m_partial, 2, 0);
    layout->addWidget(next, 0, 1);
    layout->addWidget(cancel, 1, 1);
    layout->setRowStretch(3, 1);
    FixDialogSize(*this);
}

FindRequest FindDialog::Request() const
{
    return FindRequest{m_text->text().toStdString(), m_partial->isChecked()};
}

} // namespace torvane
