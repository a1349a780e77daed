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

// The colour itself when it reaches the ratio against the background; otherwise the same
// hue and saturation with the lightness moved just far enough to reach it (lighter on a
// dark background, darker on a light one, or the other way where only that way reaches
// it), as terminal emulators' minimum contrast does. Black or white always reach 4.5 on
// any background, so for ratios up to 4.5 the result always reads.
[[nodiscard]] ColorRef WithMinimumContrast(ColorRef color, ColorRef background, double ratio = kReadableContrast);

} // namespace vtx
