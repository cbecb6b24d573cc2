#include "editing/forms/index_prompt.h"

#include "editing/forms/dialog_values.h"
#include "util/user_prompts.h"

namespace torvane {

std::string IndexPrompt::InitialText() const
{
    return DialogText(initial);
}

std::optional<std::int32_t> IndexPrompt::Accept(std::string_view text, UserPrompts& prompts) const
{
    const std::optional<std::int32_t> value = ParseDialogInteger(text);
    if (!value)
        prompts.Message(kEnterIntegerMessage);
    return value;
}

} // namespace torvane
