#pragma once
// The flat chrome's 3-D look, one pixel thick: the three colours it is drawn in, as a
// palette gives them, and the frame that raises or sinks a rectangle with two of them.

// Qt
#include <QColor>
#include <QPalette>

class QPainter;
class QRect;

namespace vtx {

struct BevelColors {
    QColor face;         // the surface of bars and boxes (QPalette::Window)
    QColor highlight;    // the lit edge (QPalette::Light)
    QColor shadow;       // the edge in shade (QPalette::Dark)
};

// The colours of the palette's current group: a widget's palette follows the widget's
// state, so a disabled box is drawn in the disabled colours.
[[nodiscard]] BevelColors BevelColorsOf(const QPalette& palette);
// The colours of one group, for what is made once and shown in every state.
[[nodiscard]] BevelColors BevelColorsOf(const QPalette& palette, QPalette::ColorGroup group);

// Who owns the two corners where the frame's colours meet.
enum class BevelCorners {
    // Both the top-right and the bottom-left corner are drawn in the bottom-right colour.
    BottomRight,
    // The top-right corner in the bottom-right colour, the bottom-left one in the top-left
    // colour: each edge is one pixel shorter than its side, so both colours cover the same
    // length, which keeps a narrow ridge from looking lopsided.
    OneEach,
};

// A one-pixel frame along the inside of r: the top and left edges in topLeft, the bottom
// and right edges in bottomRight. An empty r draws nothing.
void PaintBevel(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight,
                BevelCorners corners = BevelCorners::BottomRight);

} // namespace vtx
