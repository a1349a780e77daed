#pragma once
// The frame of each document window. Its one particular is its width: 815 pixels, wide
// enough for a full row of the hex view, or the MDI area's width where that is less.
// Closing and activating are the framework's; Ctrl+W is the main frame's File Close.

#include "framework/CMDIChildWnd.h"

namespace vtx {

class CChildFrame : public CMDIChildWnd
{
    Q_OBJECT
public:
    static constexpr int kWidth = 815;

    CChildFrame();

    bool PreCreateWindow(CREATESTRUCT& cs) override;
};

} // namespace vtx
