#include "ui/dialogs/apply_order_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

#include "editing/forms/list_exchange_forms.h"
#include "ui/dialogs/dialog_support.h"

namespace torvane {

ApplyOrderDialog::ApplyOrderDialog(ApplyOrderForm& form, QWidget* parent)
    : QDialog(parent), m_summary(new QListWidget(this)),
      m_favorites(new QCheckBox(ToQString(ApplyOrderForm::kFavoritesLabel), this)),
      m_names(new QCheckBox(ToQString(ApplyOrderForm::kNamesLabel), this))
{
    setWindowTitle(ToQString(ApplyOrderForm::kCaption));
    for (const std::string& line : form.SummaryLines())
        m_summary->addItem(ToQString(line));
    m_summary->setMinimumSize(460, 220);
    m_favorites->setChecked(form.Options().copyFavorites);
    m_names->setChecked(form.Options().copyNames);
    connect(m_favorites, &QCheckBox::toggled, this, [&form](bool on) { form.Options().copyFavorites = on; });
    connect(m_names, &QCheckBox::toggled, this, [&form](bool on) { form.Options().copyNames = on; });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_favorites);
    layout->addWidget(m_names);
    layout->addWidget(buttons);
}

} // namespace torvane
