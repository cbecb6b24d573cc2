#include "ui/dialogs/satellite_dialog.h"

namespace torvane {

SatelliteDialog::SatelliteDialog(SatelliteForm& form, QWidget* parent)
    : FormDialog(form, SatelliteForm::kCaption,
                 {{FormButton::Ok, "Ok"}, {FormButton::Cancel, "Cancel"}, {FormButton::Reset, "Reset"}}, parent)
{
    AddHint(SatelliteControl::Longitude, SatelliteForm::kLongitudeHint);
}

} // namespace torvane
