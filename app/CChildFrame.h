#pragma once
// The frame of each document window. Its particulars are its width, 815 pixels, wide
// enough for a full row of the hex view, or the MDI area's width where that is less, and a
// look at the file on disk whenever the window becomes active again. Closing and
// activating are the framework's; Ctrl+W is the main frame's File Close.

#include "framework/CMDIChildWnd.h"

namespace vtx {

class CChildFrame : public CMDIChildWnd
{
    Q_OBJECT
public:
    static constexpr int kWidth = 815;

    CChildFrame();

    bool PreCreateWindow(CREATESTRUCT& cs) override;

    // When another program changed, replaced or deleted the document's file since it was
    // opened or saved: repaints the views (their rows come from disk) and tells the user,
    // without waiting, once for each new state of the file.
    void CheckFileOnDisk();

protected:
    bool event(QEvent* event) override;
};

} // namespace vtx
