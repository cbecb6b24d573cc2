#pragma once

#include "editing/forms/satellite_form.h"
#include "ui/dialogs/form_dialog.h"

namespace torvane {

// "Satellite Information": the satellite dialog over its form (new or edit).
class SatelliteDialog final : public FormDialog<SatelliteForm> {
public:
    SatelliteDialog(SatelliteForm& form, QWidget* parent);
};

} // namespace torvane
