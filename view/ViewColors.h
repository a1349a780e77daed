#pragma once
// The colours of the hex view that do not come from the colour codes: the background and
// the text of bytes that no code names. One place decides them, from whether the palette
// is dark, so that the view, and the colour dialog's preview of a code's colours, look
// the same and stay readable on any theme.

// this program
#include "colors/ColorTable.h"

// Qt
#include <QColor>
#include <QPalette>

// std
#include <array>
#include <cstdint>

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

// Whether coded colours are moved to the readable contrast against the view's background
// (on unless the user asked for the colours exactly). Program-wide; the display settings
// set it and remember it.
[[nodiscard]] bool MinimumContrastEnabled();
void SetMinimumContrastEnabled(bool on);

// The text colour of every byte value in each column, as the view draws it: the code's
// colour (lightened or darkened to the readable contrast while that is on) or, for a
// value no code names, the view's default text colour. Made once per change of the
// table, the background or the switch, so drawing a cell costs one index.
class CellPens
{
public:
    [[nodiscard]] const QColor& Hex(std::uint8_t value) const { return m_hex[value]; }
    [[nodiscard]] const QColor& Ascii(std::uint8_t value) const { return m_ascii[value]; }

    void Build(const ColorTable& table, const ViewColors& theme, bool minimumContrast);

private:
    std::array<QColor, 256> m_hex;
    std::array<QColor, 256> m_ascii;
};

// The pens for this table and theme; rebuilt only when one of them or the switch changed
// since the last call.
[[nodiscard]] const CellPens& CellPensFor(const ColorTable& table, const ViewColors& theme);

} // namespace vtx
