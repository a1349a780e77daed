#pragma once
// How well one colour reads on another, as the accessibility guidelines for the web
// measure it: the ratio of the two colours' relative luminances (each plus 0.05), from 1
// (the same) to 21 (black on white). Text wants at least 4.5.

#include "colors/ColorTable.h"

namespace vtx {

inline constexpr double kReadableContrast = 4.5;

// 0 for black to 1 for white, from the sRGB channels of a 0x00BBGGRR value.
[[nodiscard]] double RelativeLuminance(ColorRef color);
[[nodiscard]] double ContrastRatio(ColorRef a, ColorRef b);
// True when white text reads better on the background than black text does.
[[nodiscard]] bool IsDarkBackground(ColorRef background);

} // namespace vtx
