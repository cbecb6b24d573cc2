#include "ui/dialogs/set_for_selected_dialog.h"

namespace torvane {

SetForSelectedDialog::SetForSelectedDialog(SetForSelectedForm& form, QWidget* parent)
    : FormDialog(form, SetForSelectedForm::kCaption,
                 {{FormButton::Reset, "Reset"}, {FormButton::Cancel, "Cancel"}, {FormButton::Ok, "OK"}}, parent)
{
}

} // namespace torvane
