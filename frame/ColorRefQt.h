#pragma once
// 0x00BBGGRR colour values (red in the lowest byte) to and from Qt colours.

#include "colors/ColorTable.h"

#include <QColor>

namespace vtx {

[[nodiscard]] inline QColor ToQColor(ColorRef color)
{
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
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
