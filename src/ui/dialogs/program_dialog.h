#pragma once

#include "editing/forms/program_form.h"
#include "ui/dialogs/form_dialog.h"

namespace torvane {

// "Program Information": the program dialog over its form (edit, insert or append).
class ProgramDialog final : public FormDialog<ProgramForm> {
public:
    ProgramDialog(ProgramForm& form, QWidget* parent);
};

} // namespace torvane
