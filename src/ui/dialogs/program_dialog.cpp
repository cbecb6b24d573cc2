#include "ui/dialogs/program_dialog.h"

namespace torvane {

ProgramDialog::ProgramDialog(ProgramForm& form, QWidget* parent)
    : FormDialog(form, ProgramForm::kCaption,
                 {{FormButton::Reset, "Reset"}, {FormButton::Cancel, "Cancel"}, {FormButton::Ok, "OK"}}, parent)
{
}

} // namespace torvane
