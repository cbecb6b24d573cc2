#pragma once

#include "editing/forms/set_for_selected_form.h"
#include "ui/dialogs/form_dialog.h"

namespace torvane {

// "Set for Selected": the four lists of the program dialog a user sets on many services at once.
class SetForSelectedDialog final : public FormDialog<SetForSelectedForm> {
public:
    SetForSelectedDialog(SetForSelectedForm& form, QWidget* parent);
};

} // namespace torvane
