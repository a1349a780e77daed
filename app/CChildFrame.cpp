#include "CChildFrame.h"

// std
#include <algorithm>

namespace vtx {

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
