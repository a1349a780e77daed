#include "CChildFrame.h"

// Qt
#include <QAction>
#include <QMenu>

// std
#include <algorithm>

namespace vtx {

CChildFrame::CChildFrame()
{
    // The window menu's Close answers Ctrl+F4 and, on Linux desktops, Ctrl+W as well. The
    // main frame has Ctrl+W for File Close; two owners of one key would leave it to
    // neither.
    if (QMenu* menu = systemMenu()) {
        const QKeySequence ctrlW(Qt::CTRL | Qt::Key_W);
        for (QAction* action : menu->actions()) {
            QList<QKeySequence> keys = action->shortcuts();
            if (keys.removeAll(ctrlW) > 0)
                action->setShortcuts(keys);
        }
    }
}

bool CChildFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    // A whole row of the hex view, unless the MDI area is narrower (a small screen, a
    // large scale factor): a window wider than its area hides its own edge and scroll bar.
    cs.cx = kWidth;
    if (cs.parentClient.isValid() && cs.parentClient.width() > 0)
        cs.cx = std::min(kWidth, cs.parentClient.width());
    return CMDIChildWnd::PreCreateWindow(cs);
}

} // namespace vtx
