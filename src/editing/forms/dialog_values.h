#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torvane {

// How an edit dialog ended: OK after its checks passed, Cancel, or the window's close box (which
// cancels as well).
enum class DialogOutcome : int { Cancelled = 0, Accepted = 1, Closed = 2 };

// Whether a dialog works on a new record or on an existing one.
enum class FormMode : int { New = 0, Edit = 1 };

// What the dialogs say when an edit does not hold a value of its type.
inline constexpr std::string_view kEnterIntegerMessage = "Please enter an integer.";
inline constexpr std::string_view kEnterPositiveIntegerMessage = "Please enter a positive integer.";
inline constexpr std::string_view kEnterNumberMessage = "Please enter a number.";

// The value of a signed 32-bit number edit: optional blanks, an optional sign, decimal digits,
// optional blanks. Nothing for anything else, also for a value outside the 32-bit range.
std::optional<std::int32_t> ParseDialogInteger(std::string_view text);
// The same for an unsigned 32-bit edit; a minus sign is refused.
std::optional<std::uint32_t> ParseDialogUnsigned(std::string_view text);
// The value of a number edit (a decimal number with an optional fraction and exponent, blanks
// around it); nothing for anything else, also for infinities and NaN.
std::optional<double> ParseDialogDouble(std::string_view text);

// How a number edit shows a value.
std::string DialogText(std::int32_t value);
std::string DialogText(std::uint32_t value);
// A double as an edit shows it: the shortest of "%.15g".
std::string DialogText(double value);

// text cut to its longest prefix of whole characters that takes at most units UTF-16 units: what
// a name edit limited to that many characters keeps of what is typed.
std::string LimitTextUnits(std::string_view text, int units);

} // namespace torvane
