#pragma once
// Where the main window first appears: within the screen's available area whatever the
// scale factor, at the size the user left it (or a comfortable default), never larger
// than the area, centred in it.

// Qt
#include <QMargins>
#include <QRect>
#include <QSize>

namespace vtx {

// The size asked for when nothing is remembered; it shrinks to the screen.
inline constexpr QSize kDefaultMainWindowSize{1280, 800};

// The window's client rectangle for a remembered size (invalid: the default) on a screen
// whose available area is available; frame is the window frame's width on each side,
// which must fit too. An invalid available area gives the size alone, at no position
// (x, y 0). The result is never smaller than 1 by 1.
[[nodiscard]] QRect FirstWindowRect(QSize remembered, const QRect& available, const QMargins& frame);

} // namespace vtx
