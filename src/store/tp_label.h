#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace torvane {

// The navigator's TP labels, "[ n ]  TP_f_H_s": a number in front, then the TP's frequency,
// polarisation (H for 0, V for any other) and symbol rate.

// "[ n ]  ", what stands in front of the values.
std::string TpLabelNumber(int number);
// "TP_f_H_s", or with V.
std::string TpLabelValues(int frequency, bool vertical, int symbolRate);
// "[ n ]  TP_f_H_s", or with V when the polarisation is non-zero.
std::string FormatTpLabel(int number, int frequency, int polarisation, int symbolRate);
// Where the values start: the first "TP" when it stands after the label's first character (a
// number is in front of it); npos otherwise.
std::size_t TpLabelValuesAt(std::string_view label);

} // namespace torvane
