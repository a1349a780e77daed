#include "frame/WindowPlacement.h"

// std
#include <algorithm>

namespace vtx {

QRect FirstWindowRect(QSize remembered, const QRect& available, const QMargins& frame)
{
    QSize size = remembered.isValid() && !remembered.isEmpty() ? remembered : kDefaultMainWindowSize;
    if (!available.isValid() || available.isEmpty())
        return QRect(QPoint(0, 0), size.expandedTo(QSize(1, 1)));
    const QSize room(std::max(1, available.width() - frame.left() - frame.right()),
                     std::max(1, available.height() - frame.top() - frame.bottom()));
    size = size.boundedTo(room).expandedTo(QSize(1, 1));
    // Centred in the room, the frame's top and left edges inside the area.
    const int x = available.left() + frame.left() + (room.width() - size.width()) / 2;
    const int y = available.top() + frame.top() + (room.height() - size.height()) / 2;
    return QRect(QPoint(x, y), size);
}

} // namespace vtx
