#pragma once
// Colour values of the colour codes are 0x00BBGGRR (red in the lowest byte). These two
// helpers are the only place where such a value meets a QColor.

// this program
#include "colors/ColorTable.h"

// Qt
#include <QColor>

namespace vtx {

[[nodiscard]] inline QColor ToQColor(ColorRef value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

// An invalid colour (a cancelled colour picker) is black.
[[nodiscard]] inline ColorRef ToColorRef(const QColor& color)
{
    if (!color.isValid())
        return 0;
    const QColor rgb = color.toRgb();
    return static_cast<ColorRef>(rgb.red()) | (static_cast<ColorRef>(rgb.green()) << 8)
           | (static_cast<ColorRef>(rgb.blue()) << 16);
}

} // namespace vtx
