#include "CChildFrame.h"

// this program
#include "app/CVantorixDoc.h"
#include "framework/MessageBox.h"
#include "view/CVantorixView.h"

// Qt
#include <QEvent>
#include <QMdiArea>

namespace vtx {

CChildFrame::CChildFrame()
{
    // Activated inside the main window (another document window was active before).
    connect(this, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates before, Qt::WindowStates now) {
                if (!(before & Qt::WindowActive) && (now & Qt::WindowActive))
                    CheckFileOnDisk();
            });
}

bool CChildFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    cs.cx = kWidth;
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
