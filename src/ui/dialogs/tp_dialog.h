#pragma once

#include "editing/forms/tp_form.h"
#include "ui/dialogs/form_dialog.h"

namespace torvane {

// "TP Information": the TP dialog over its form (new or edit).
class TpDialog final : public FormDialog<TpForm> {
public:
    TpDialog(TpForm& form, QWidget* parent);
};

} // namespace torvane
