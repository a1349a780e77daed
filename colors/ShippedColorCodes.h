#pragma once
// The colour codes the program ships: the colors.dat installed beside it, whose colours
// read well on a light background, and the same codes in colours for a dark one. A
// colors.dat that still holds either list is the program's own, not the user's, so it is
// shown in the list that suits the background. A file the user changed is used as written.

#include "colors/ColorCodeList.h"
#include "colors/ColorCodesFile.h"

#include <string>
#include <vector>

namespace vtx {

// The shipped lines in file order; dark: the variant for a dark background.
[[nodiscard]] const std::vector<ColorCodeLine>& ShippedColorCodeLines(bool dark);
// True when the list is one of the shipped ones (in either variant).
[[nodiscard]] bool IsShippedColorCodes(const ColorCodeList& list);
// The lines to use for what a colors.dat holds: a shipped list becomes the variant for the
// background; anything else stays exactly as read.
[[nodiscard]] std::vector<ColorCodeLine> ColorCodeLinesForBackground(std::vector<ColorCodeLine> fileLines, bool dark);
[[nodiscard]] ColorCodeList LoadColorCodesForBackground(const std::string& path, bool dark);

} // namespace vtx
