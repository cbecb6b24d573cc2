#pragma once

#include <QSettings>
#include <QString>

#include "support/scratch_folder.h"

namespace torvane::test {

// Both stores of the serial settings (system and user scope) in a scratch folder, never the
// machine's own, for the rest of the test program.
inline void KeepSerialSettingsIn(const ScratchFolder& folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, QString::fromStdString(folder.Path("system")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(folder.Path("user")));
}

} // namespace torvane::test
