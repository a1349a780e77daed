#include "CChildFrame.h"

namespace vtx {

bool CChildFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    cs.cx = kWidth;
    return CMDIChildWnd::PreCreateWindow(cs);
}

} // namespace vtx
