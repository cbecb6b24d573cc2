#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The two check boxes of the chunk dialog: "Default Chunk" and "User  Chunk".
struct ChunkChoice {
    bool defaultChunk = false;
    bool userChunk = false;

    bool operator==(const ChunkChoice&) const = default;
};

// The answer to a question with Yes and No that may also be dismissed (Escape, the box's close
// box): Cancel then stops the command that asked.
enum class YesNoAnswer { Yes, No, Cancel };

// The seam between the core and the user. The core never shows a message or asks a question
// itself: it calls this interface, which the editor window, torvane-cli and the tests implement.
// Every text passed in is the system's own, unchanged, so that callers can show it as it stands.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // A modal message with an OK button.
    virtual void Message(std::string_view text) = 0;

    // A modal message with a caption of its own and the exclamation icon, such as "Can not open
    // file!" with "Warning". Where there are no captions it is a plain message.
    virtual void Warning(std::string_view text, [[maybe_unused]] std::string_view caption) { Message(text); }

    // A question with Yes and No; Yes answers true.
    virtual bool AskYesNo(std::string_view text) = 0;
    // A question with Yes and No only, which Escape or the close box dismiss as Cancel, such as
    // "Do you save file?". Where nothing can dismiss a question it is AskYesNo.
    virtual YesNoAnswer AskYesNoOrCancel(std::string_view text)
    {
        return AskYesNo(text) ? YesNoAnswer::Yes : YesNoAnswer::No;
    }

    // One choice among options (radio buttons) with OK and Cancel, the option preset checked (none
    // checked when nothing); the index of the chosen option, or nothing for Cancel or no choice.
    // Used for the "Project Select" and "Please select operation" dialogs.
    virtual std::optional<int> ChooseOne(std::string_view caption, const std::vector<std::string>& options,
                                         std::optional<int> preset) = 0;

    // The chunk dialog: a caption such as "Save database config", the two check boxes preset from
    // initial, OK and Cancel. While exclusive, checking one box unchecks the other; both may still
    // end unchecked. The boxes as they stand at OK, or nothing for Cancel.
    virtual std::optional<ChunkChoice> ChooseChunks(std::string_view caption, ChunkChoice initial,
                                                    bool exclusive) = 0;

    // An open-file dialog offering one filter such as "Template File(*.h)"; nothing on Cancel.
    virtual std::optional<std::string> ChooseOpenFile(std::string_view filterText) = 0;

    // A save-file dialog offering filterText (an existing file is overwritten only after asking),
    // its name box preset with defaultName (see FileFilter); nothing on Cancel.
    virtual std::optional<std::string> ChooseSaveFile(std::string_view filterText, std::string_view defaultName) = 0;
};

} // namespace torvane
