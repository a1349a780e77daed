#include "CChildFrame.h"

// this program
#include "document/CVantorixDoc.h"
#include "framework/CMDIFrameWnd.h"
#include "framework/CWinApp.h"
#include "framework/MessageBox.h"
#include "view/CVantorixView.h"

// Qt
#include <QAction>
#include <QEvent>
#include <QMdiArea>
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
    // Activated inside the main window (another document window was active before).
    connect(this, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates before, Qt::WindowStates now) {
                if (!(before & Qt::WindowActive) && (now & Qt::WindowActive))
                    CheckFileOnDisk();
            });
}

bool CChildFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    // A whole row of the hex view, unless the MDI area is narrower (a small screen, a
    // large scale factor): a window wider than its area hides its own edge and scroll bar.
    cs.cx = kWidth;
    if (cs.parentClient.isValid() && cs.parentClient.width() > 0)
        cs.cx = std::min(kWidth, cs.parentClient.width());
    // The first document has the area to itself: a small window in its corner would only
    // waste the room. Later ones take the usual size, so they can be told apart.
    const CWinApp* app = AfxGetApp();
    const CMDIFrameWnd* host = app ? app->GetMainWnd() : nullptr;
    if (host && host->ChildFrames().empty() && cs.parentClient.isValid() && !cs.parentClient.isEmpty()) {
        cs.x = 0;
        cs.y = 0;
        cs.cx = cs.parentClient.width();
        cs.cy = cs.parentClient.height();
    }
    return CMDIChildWnd::PreCreateWindow(cs);
}

bool CChildFrame::event(QEvent* event)
{
    // The main window came back to the front: every visible frame hears of it, the
    // current one looks.
    if (event->type() == QEvent::WindowActivate && mdiArea() && mdiArea()->currentSubWindow() == this)
        CheckFileOnDisk();
    return CMDIChildWnd::event(event);
}

void CChildFrame::CheckFileOnDisk()
{
    auto* document = dynamic_cast<CVantorixDoc*>(GetActiveDocument());
    if (!document || IsClosing())
        return;
    const QString notice = document->FileChangeNotice();
    if (notice.isEmpty())
        return;
    for (CView* view : document->GetViews())
        if (auto* hexView = qobject_cast<CVantorixView*>(view))
            hexView->OnFileChangedOnDisk();
        else
            view->update();
    ShowNotice(notice, this);
}

} // namespace vtx
