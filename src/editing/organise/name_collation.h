#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// A service name (UTF-8) folded for comparing as a user reads it: Latin letters in lower case,
// Arabic presentation forms as their base letters (a lam-alef ligature as lam and alef), the
// hamza carriers, alef maksura and teh marbuta as the letter they are filed under, harakat and
// tatweel dropped. Malformed UTF-8 folds to nothing.
std::u16string FoldName(std::string_view name);

// The natural sort key of a name: compared element by element (a shorter key that is the start
// of a longer one first), names sort without regard to case, a run of digits (Western or
// Arabic-Indic) by its value ("Radio 2" before "Radio 10"), Arabic letters in their alphabetical
// order, and spaces and punctuation before digits, digits before Latin letters, Latin letters
// before Arabic ones. Names with equal keys are equal; a stable sort keeps their order.
std::vector<std::uint32_t> NaturalSortKey(std::string_view name);

} // namespace torvane
