#include "CDocument.h"

#include "CView.h"

#include <QFileInfo>

#include <algorithm>

namespace vtx {

CDocument::~CDocument()
{
    // Views outlive nothing: they only hold a pointer back, which must not dangle.
    for (CView* view : m_views)
        view->DetachDocument();
}

void CDocument::OnCloseDocument()
{
    if (m_closeHandler) {
        // The handler destroys the windows and deletes this document; nothing of it may
        // be touched afterwards.
        CloseHandler handler = m_closeHandler;
        handler(this);
        return;
    }
    const std::vector<CView*> views = m_views;
    for (CView* view : views)
        view->DetachDocument();
    m_views.clear();
}

void CDocument::SetPathName(const QString& path, bool addToRecentFiles)
{
    m_strPathName = path;
    SetTitle(QFileInfo(path).fileName());
    if (m_pathHandler)
        m_pathHandler(this, addToRecentFiles);
}

void CDocument::SetTitle(const QString& title)
{
    m_strTitle = title;
    UpdateFrameTitles();
}

void CDocument::UpdateFrameTitles()
{
    for (CView* view : m_views)
        view->OnDocumentTitleChanged();
}

void CDocument::AddView(CView* view)
{
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CDocument::RemoveView(CView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CDocument::UpdateAllViews(CView* sender)
{
    for (CView* view : m_views)
        if (view != sender)
            view->update();
}

} // namespace vtx
