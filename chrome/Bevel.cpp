#include "chrome/Bevel.h"

// Qt
#include <QPainter>
#include <QRect>

namespace vtx {

BevelColors BevelColorsOf(const QPalette& palette)
{
    return BevelColorsOf(palette, palette.currentColorGroup());
}

BevelColors BevelColorsOf(const QPalette& palette, QPalette::ColorGroup group)
{
    return {palette.color(group, QPalette::Window), palette.color(group, QPalette::Light),
            palette.color(group, QPalette::Dark)};
}

void PaintBevel(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight,
                BevelCorners corners)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    // With one corner each, the left edge starts below the top edge and the bottom edge
    // right of the left one.
    const int shift = corners == BevelCorners::OneEach ? 1 : 0;
    painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
    painter.fillRect(QRect(r.left(), r.top() + shift, 1, r.height() - 1), topLeft);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height() - shift), bottomRight);
    painter.fillRect(QRect(r.left() + shift, r.bottom(), r.width() - shift, 1), bottomRight);
}

} // namespace vtx
