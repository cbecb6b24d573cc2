#pragma once

#include <cstddef>
#include <string>

namespace torvane {

// The receiver draws text without contextual shaping or bidirectional layout, so Arabic names are
// stored shaped (presentation forms) and in visual order. These two conversions go between that
// stored form and the editor's logical text of base letters. Both work on UTF-16 units in host
// order and rewrite the text in place; the result is never cut inside a run.
//
// The text is split into runs of one class (space, Arabic, other); spaces join the Arabic run next
// to them, other runs keep their order and only Arabic runs are reversed. A carriage return
// followed by a line feed ends the text.

// Limits of the working store: longer texts are refused and left as they were.
inline constexpr std::size_t kShapingMaxUnits = 1025;
inline constexpr std::size_t kShapingMaxRuns = 499;

// Logical base letters -> visual presentation forms. Harakat and the zero-width (non-)joiner are
// dropped, lam-alef pairs become one ligature. A tatweel between lam and alef keeps them apart,
// so the name reads back as it was written. Nothing is ever printed.
// Returns false, leaving the text unchanged, when it exceeds the working store.
bool ShapeForReceiver(std::u16string& text);

// Visual presentation forms -> logical base letters. Returns false, leaving the text unchanged,
// when it exceeds the working store. A lam-alef ligature decodes to its two letters, so the
// result may be longer than the input.
bool UnshapeFromReceiver(std::u16string& text);

} // namespace torvane
