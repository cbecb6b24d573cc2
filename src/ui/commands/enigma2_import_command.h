#pragma once

#include <optional>

#include "ui/commands/table_import_command.h"

namespace torvane {

// "Import Enigma2 Settings…": the folder from the folder dialog, read whole (a folder that cannot
// be used is refused with its reason), then the preview with its merge tick. Nothing when the user
// cancelled or the folder was refused.
std::optional<TableImportStep> PrepareEnigma2Import(EditSession& session, UserPrompts& prompts,
                                                    WindowDialogs& dialogs);

} // namespace torvane
