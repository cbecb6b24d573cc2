#include "ui/dialogs/compare_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "editing/forms/list_exchange_forms.h"
#include "ui/dialogs/dialog_support.h"

namespace torvane {

CompareDialog::CompareDialog(const CompareForm& form, QWidget* parent)
    : QDialog(parent), m_groups(new QTreeWidget(this))
{
    setWindowTitle(ToQString(CompareForm::kCaption));
    auto* layout = new QVBoxLayout(this);
    for (const std::string& line : form.HeaderLines())
        layout->addWidget(new QLabel(ToQString(line), this));

    m_groups->setHeaderHidden(true);
    m_groups->setMinimumSize(620, 320);
    for (const CompareForm::Group& group : form.Groups()) {
        auto* item = new QTreeWidgetItem(m_groups, {ToQString(group.caption)});
        for (const std::string& line : group.lines)
            new QTreeWidgetItem(item, {ToQString(line)});
        item->setExpanded(true);
    }
    layout->addWidget(m_groups);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace torvane
