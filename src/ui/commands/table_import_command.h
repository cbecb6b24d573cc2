#pragma once

#include <functional>
#include <optional>
#include <string>

namespace torvane {

class EditSession;
class TreeItem;
class UserPrompts;
class WindowDialogs;

// A table import the user confirmed: the step's text and its edit, for the window's undo stack.
struct TableImportStep {
    std::string text;
    std::function<void()> edit;
};

// "Update TPs from Table…" on a satellite: the table file from the file dialog, its satellite (by
// the satellite's orbital position, else the only one, else the user's choice), then the preview.
// Nothing when the user cancelled or the table could not be read (the reason was said).
std::optional<TableImportStep> PrepareTpUpdate(EditSession& session, UserPrompts& prompts, WindowDialogs& dialogs,
                                               TreeItem& satellite);

// "Add Satellite from Table…" on "Satellite Information": the table file, its satellite (the only
// one, else the user's choice), the satellite dialog prefilled from it, then the preview of its TPs.
std::optional<TableImportStep> PrepareSatelliteImport(EditSession& session, UserPrompts& prompts,
                                                      WindowDialogs& dialogs, TreeItem& root);

} // namespace torvane
