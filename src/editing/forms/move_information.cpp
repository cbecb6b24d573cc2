#include "editing/forms/move_information.h"

#include "editing/forms/dialog_values.h"
#include "util/user_prompts.h"

namespace torvane {

std::string MoveInformation::InitialText() const
{
    return DialogText(initial);
}

std::optional<std::uint32_t> MoveInformation::Accept(std::string_view text, UserPrompts& prompts) const
{
    const std::optional<std::uint32_t> value = ParseDialogUnsigned(text);
    if (!value)
        prompts.Message(kEnterPositiveIntegerMessage);
    return value;
}

} // namespace torvane
