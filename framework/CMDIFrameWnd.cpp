#include "CMDIFrameWnd.h"

#include "CDocTemplate.h"
#include "CDocument.h"
#include "CMDIChildWnd.h"
#include "CSelectWindowDlg.h"
#include "CView.h"

#include <QAction>
#include <QLayout>
#include <QMdiArea>
#include <QMenu>
#include <QPointer>

#include <algorithm>

namespace vtx {

CMDIFrameWnd::CMDIFrameWnd(QWidget* parent) : QMainWindow(parent), m_pMdiArea(new QMdiArea(this))
{
    m_pMdiArea->setViewMode(QMdiArea::SubWindowView);
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, [this] {
        OnUpdateFrameTitle();
        emit activeFrameChanged();
    });
}

CMDIFrameWnd::~CMDIFrameWnd()
{
    // The base destructors still close and hide the frames, which reports activations;
    // nothing of this object may answer them any more.
    disconnect(m_pMdiArea, nullptr, this, nullptr);
    for (QMdiSubWindow* w : m_pMdiArea->subWindowList())
        disconnect(w, nullptr, this, nullptr);
}

QSize CMDIFrameWnd::MDIClientSize() const
{
    if (isVisible())
        return m_pMdiArea->viewport()->size();
    // Before the window is first shown its layout has not run and the area has not placed
    // its viewport yet: run the layout and measure the area inside its frame, so that
    // frames opened from the command line are measured against the real area.
    if (layout())
        layout()->activate();
    return m_pMdiArea->contentsRect().size();
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive() const
{
    const auto usable = [](QMdiSubWindow* w) {
        auto* frame = qobject_cast<CMDIChildWnd*>(w);
        // A frame not shown yet belongs to a document still being opened.
        return frame && !frame->IsClosing() && !frame->isHidden() && frame->GetActiveDocument()
                   ? frame
                   : nullptr;
    };
    if (CMDIChildWnd* frame = usable(m_pMdiArea->currentSubWindow()))
        return frame;
    const QList<QMdiSubWindow*> history = m_pMdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = history.rbegin(); it != history.rend(); ++it)
        if (CMDIChildWnd* frame = usable(*it))
            return frame;
    return nullptr;
}

CView* CMDIFrameWnd::GetActiveView() const
{
    const CMDIChildWnd* frame = MDIGetActive();
    return frame ? frame->GetActiveView() : nullptr;
}

CDocument* CMDIFrameWnd::GetActiveDocument() const
{
    const CMDIChildWnd* frame = MDIGetActive();
    return frame ? frame->GetActiveDocument() : nullptr;
}

std::vector<CMDIChildWnd*> CMDIFrameWnd::ChildFrames() const
{
    std::vector<CMDIChildWnd*> frames;
    for (QMdiSubWindow* w : m_pMdiArea->subWindowList(QMdiArea::CreationOrder))
        if (auto* frame = qobject_cast<CMDIChildWnd*>(w); frame && !frame->IsClosing())
            frames.push_back(frame);
    return frames;
}

void CMDIFrameWnd::AddChildFrame(CMDIChildWnd* frame)
{
    m_pMdiArea->addSubWindow(frame);
    // A frame that closes changes what is active even when Qt activates nothing else
    // (the last one, or one closed while the program is in the background).
    connect(frame, &QObject::destroyed, this, [this] {
        OnUpdateFrameTitle();
        emit activeFrameChanged();
    });
}

void CMDIFrameWnd::MDIActivate(CMDIChildWnd* frame)
{
    if (frame)
        frame->ActivateFrame();
}

void CMDIFrameWnd::OnWindowNew()
{
    CDocument* document = GetActiveDocument();
    CDocTemplate* docTemplate = document ? document->GetDocTemplate() : nullptr;
    if (!docTemplate)
        return;
    if (CMDIChildWnd* frame = docTemplate->CreateNewFrame(document))
        docTemplate->InitialUpdateFrame(frame, document, true);
}

void CMDIFrameWnd::MDICascade()
{
    m_pMdiArea->cascadeSubWindows();
}

void CMDIFrameWnd::MDITile()
{
    m_pMdiArea->tileSubWindows();
}

void CMDIFrameWnd::MDIIconArrange()
{
    const QSize area = m_pMdiArea->viewport()->size();
    int x = 0;
    int rowBottom = area.height();
    int rowHeight = 0;
    for (CMDIChildWnd* frame : ChildFrames()) {
        if (!frame->isMinimized())
            continue;
        const QSize size = frame->size();
        if (x > 0 && x + size.width() > area.width()) {
            // The row is full: the next one goes above it.
            rowBottom -= rowHeight;
            x = 0;
            rowHeight = 0;
        }
        frame->move(x, rowBottom - size.height());
        x += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
}

namespace {

// Marks the items the window list added, so that the next update finds them again.
constexpr const char* kWindowListItem = "vtxWindowListItem";

} // namespace

void CMDIFrameWnd::UpdateWindowList(QMenu* menu)
{
    if (!menu)
        return;
    for (QAction* action : menu->actions()) {
        if (action->property(kWindowListItem).toBool()) {
            menu->removeAction(action);
            action->deleteLater();
        }
    }
    const std::vector<CMDIChildWnd*> frames = ChildFrames();
    if (frames.empty())
        return;
    const auto add = [menu](QAction* action) {
        action->setProperty(kWindowListItem, true);
        menu->addAction(action);
        return action;
    };
    add(new QAction(menu))->setSeparator(true);
    const CMDIChildWnd* active = MDIGetActive();
    const size_t listed = std::min<size_t>(frames.size(), kMaxWindowListItems);
    for (size_t i = 0; i < listed; ++i) {
        QPointer<CMDIChildWnd> frame(frames[i]);
        // A "&" in a file name is a character, not a mnemonic.
        QString title = frame->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = add(new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(title), menu));
        item->setCheckable(true);
        item->setChecked(frame == active);
        connect(item, &QAction::triggered, this, [this, frame] {
            if (frame && !frame->IsClosing())
                MDIActivate(frame);
        });
    }
    if (frames.size() > listed) {
        QAction* more = add(new QAction(QStringLiteral("&Windows..."), menu));
        connect(more, &QAction::triggered, this, &CMDIFrameWnd::OnWindowList);
    }
}

bool CMDIFrameWnd::OnWindowList()
{
    CSelectWindowDlg dialog(ChildFrames(), MDIGetActive(), this);
    CMDIChildWnd* chosen = dialog.DoModal();
    if (!chosen)
        return false;
    MDIActivate(chosen);
    return true;
}

void CMDIFrameWnd::SetTitle(const QString& title)
{
    m_strTitle = title;
    OnUpdateFrameTitle();
}

void CMDIFrameWnd::OnUpdateFrameTitle()
{
    QString title = m_strTitle;
    if (const CMDIChildWnd* frame = MDIGetActive()) {
        // A maximised frame has its title shown in brackets, as the MDI area does itself.
        if (frame->isMaximized())
            title += QStringLiteral(" - [%1]").arg(frame->windowTitle());
        else if (const CDocument* document = frame->GetActiveDocument())
            title += QStringLiteral(" - ") + document->GetTitle();
    }
    if (windowTitle() != title)
        setWindowTitle(title);
}

} // namespace vtx
