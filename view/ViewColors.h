#pragma once
// The colours of the hex view that do not come from the colour codes: the background and
// the text of bytes that no code names. One place decides them, from whether the palette
// is dark, so that the view, and the colour dialog's preview of a code's colours, look
// the same and stay readable on any theme.

// Qt
#include <QColor>
#include <QPalette>

namespace vtx {

struct ViewColors {
    QColor background; // the palette's Base
    QColor text;       // bytes without a colour code
    bool dark = false; // the background wants light text
};

// Whether the palette's Base (the view's background) is dark: then white text reads
// better on it than black.
[[nodiscard]] bool IsDarkPalette(const QPalette& palette);

// On a light background the uncoded bytes are black; on a dark one they take the
// palette's own text colour where that reads well enough, else white. Either way the two
// reach the readable contrast of 4.5 to 1.
[[nodiscard]] ViewColors ViewColorsFor(const QPalette& palette);

} // namespace vtx
