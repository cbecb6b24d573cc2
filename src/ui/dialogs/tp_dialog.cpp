#include "ui/dialogs/tp_dialog.h"

namespace torvane {

TpDialog::TpDialog(TpForm& form, QWidget* parent)
    : FormDialog(form, TpForm::kCaption,
                 {{FormButton::Reset, "Reset"}, {FormButton::Cancel, "Cancel"}, {FormButton::Ok, "OK"}}, parent)
{
}

} // namespace torvane
