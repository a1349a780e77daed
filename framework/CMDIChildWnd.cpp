#include "CMDIChildWnd.h"

#include "CDocument.h"
#include "CView.h"

#include <QCloseEvent>
#include <QMdiArea>

#include <algorithm>

namespace vtx {

CMDIChildWnd::CMDIChildWnd()
{
    // The MDI area deletes the subwindows it creates itself on close; ours must ask.
    setAttribute(Qt::WA_DeleteOnClose);
}

CMDIChildWnd::~CMDIChildWnd() = default;

bool CMDIChildWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    const QSize client = cs.parentClient.isValid() ? cs.parentClient : QSize(1024, 700);
    if (cs.cx == CREATESTRUCT::kUseDefault)
        cs.cx = std::max(client.width() * 3 / 4, 320);
    if (cs.cy == CREATESTRUCT::kUseDefault)
        cs.cy = std::max(client.height() * 3 / 4, 200);
    return true;
}

void CMDIChildWnd::SetView(CView* view)
{
    m_pView = view;
    setWidget(view);
    if (view) {
        setFocusProxy(view);
        connect(view, &CView::documentTitleChanged, this, &CMDIChildWnd::OnUpdateFrameTitle);
    }
}

CDocument* CMDIChildWnd::GetActiveDocument() const
{
    return m_pView ? m_pView->GetDocument() : nullptr;
}

void CMDIChildWnd::ActivateFrame()
{
    if (isMinimized())
        showNormal();
    else if (isHidden())
        show();
    if (QMdiArea* area = mdiArea())
        area->setActiveSubWindow(this);
    if (m_pView)
        m_pView->setFocus(Qt::OtherFocusReason);
}

void CMDIChildWnd::OnUpdateFrameTitle()
{
    const CDocument* document = GetActiveDocument();
    if (!document)
        return;
    QString title = document->GetTitle();
    const auto& views = document->GetViews();
    if (views.size() > 1) {
        const auto it = std::find(views.begin(), views.end(), m_pView);
        if (it != views.end())
            title += QStringLiteral(":%1").arg(it - views.begin() + 1);
    }
    if (document->HasUnsavedChanges())
        title += QStringLiteral(" *");
    if (windowTitle() != title)
        setWindowTitle(title);
}

void CMDIChildWnd::CloseForClosedDocument()
{
    if (m_pView)
        m_pView->DetachDocument();
    m_bClosing = true;
    // Inside our own closeEvent the close is already under way.
    if (!m_bInCloseEvent)
        close();
}

CMDIChildWnd* CMDIChildWnd::FromWidget(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (auto* frame = qobject_cast<CMDIChildWnd*>(const_cast<QWidget*>(w)))
            return frame;
    return nullptr;
}

bool CMDIChildWnd::IsLastFrameOfDocument(const CDocument* document) const
{
    for (const CView* view : document->GetViews()) {
        const CMDIChildWnd* frame = FromWidget(view);
        if (frame && frame != this && !frame->IsClosing())
            return false;
    }
    return true;
}

void CMDIChildWnd::closeEvent(QCloseEvent* event)
{
    CDocument* document = GetActiveDocument();
    if (m_bClosing || !document) {
        m_bClosing = true;
        event->accept();
        return;
    }
    if (!IsLastFrameOfDocument(document)) {
        // Another window still shows the document: only this one goes.
        document->RemoveView(m_pView);
        m_pView->DetachDocument();
        m_bClosing = true;
        event->accept();
        for (CView* view : document->GetViews())
            if (CMDIChildWnd* frame = FromWidget(view))
                frame->OnUpdateFrameTitle();
        return;
    }
    // The last window: the document decides. Its OnCloseDocument either closes the
    // document, which closes this frame as well, or keeps everything (Cancel).
    m_bInCloseEvent = true;
    document->OnCloseDocument();
    m_bInCloseEvent = false;
    if (m_bClosing)
        event->accept();
    else
        event->ignore();
}

} // namespace vtx
