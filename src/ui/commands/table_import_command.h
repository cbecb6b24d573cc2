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
// The edit answers false when the import could not be carried out whole (it said so); the window
// then leaves the document as it was.
struct TableImportStep {
    std::string text;
    std::function<bool()> edit;
};

// The edit of a step: false, after saying so, when it could not be carried out whole.
std::function<bool()> WholeOrSaid(UserPrompts& prompts, std::function<bool()> edit);

// "Update TPs from Table…" on a satellite: the table file from the file dialog, its satellite (the
// only one, else the user's choice with the one at the satellite's orbital position preselected),
// then the preview.
// Nothing when the user cancelled or the table could not be read (the reason was said).
std::optional<TableImportStep> PrepareTpUpdate(EditSession& session, UserPrompts& prompts, WindowDialogs& dialogs,
                                               TreeItem& satellite);

// "Add Satellite from Table…" on "Satellite Information": the table file, its satellite (the only
// one, else the user's choice), the satellite dialog prefilled from it, then the preview of its TPs.
std::optional<TableImportStep> PrepareSatelliteImport(EditSession& session, UserPrompts& prompts,
                                                      WindowDialogs& dialogs, TreeItem& root);

} // namespace torvane
