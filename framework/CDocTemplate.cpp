#include "CDocTemplate.h"

#include "CDocManager.h"
#include "CDocument.h"
#include "CMDIChildWnd.h"
#include "CMDIFrameWnd.h"
#include "CView.h"
#include "MessageBox.h"

#include <algorithm>

namespace vtx {

CDocTemplate::CDocTemplate(int resourceId, const QString& docString, DocumentFactory makeDocument,
                           FrameFactory makeFrame, ViewFactory makeView)
    : m_nResourceId(resourceId),
      m_docStrings(docString.split(QLatin1Char('\n'))),
      m_makeDocument(std::move(makeDocument)),
      m_makeFrame(std::move(makeFrame)),
      m_makeView(std::move(makeView))
{
}

CDocTemplate::~CDocTemplate() = default;

QString CDocTemplate::GetDocString(DocStringIndex index) const
{
    return index < m_docStrings.size() ? m_docStrings[index] : QString();
}

QStringList CDocTemplate::GetFileFilters() const
{
    QStringList filters;
    const QString name = GetDocString(filterName);
    const QString ext = GetDocString(filterExt);
    if (!name.isEmpty() && !ext.isEmpty())
        filters << QStringLiteral("%1 (*%2)").arg(name, ext);
    // "*" rather than "*.*": on Linux many files have no extension at all.
    filters << QStringLiteral("All Files (*)");
    return filters;
}

CDocument* CDocTemplate::OpenDocumentFile(const QString& path, bool makeVisible,
                                          const std::function<void(CDocument*)>& prepare)
{
    if (!m_makeDocument)
        return nullptr;
    std::unique_ptr<CDocument> owned = m_makeDocument();
    if (!owned)
        return nullptr;
    CDocument* document = owned.get();
    document->SetDocTemplate(this);
    document->SetCloseHandler([this](CDocument* d) { DestroyDocument(d); });
    document->SetPathHandler([this](CDocument* d, bool addToRecentFiles) {
        UpdateFrameTitles(d);
        if (m_pDocManager)
            m_pDocManager->OnDocumentPathChanged(d, addToRecentFiles);
    });
    document->SetSaveAsHandler([this](CDocument* d) { return m_pDocManager && m_pDocManager->DoSave(d, QString()); });
    m_documents.push_back(std::move(owned));

    CMDIChildWnd* frame = CreateNewFrame(document);
    if (!frame) {
        ShowMessageBox(QStringLiteral("Failed to create empty document."));
        DiscardDocument(document);
        return nullptr;
    }

    if (path.isEmpty()) {
        document->SetTitle(GetDocString(docName) + QString::number(++m_nUntitledCount));
        if (!document->OnNewDocument()) {
            DiscardDocument(document);
            return nullptr;
        }
    } else {
        if (prepare)
            prepare(document);
        if (!document->OnOpenDocument(path)) {
            DiscardDocument(document);
            return nullptr;
        }
        document->SetPathName(path);
    }

    InitialUpdateFrame(frame, document, makeVisible);
    if (m_pDocManager)
        m_pDocManager->OnDocumentsChanged();
    return document;
}

CMDIChildWnd* CDocTemplate::CreateNewFrame(CDocument* document)
{
    CMDIFrameWnd* host = m_pDocManager ? m_pDocManager->GetMainFrame() : nullptr;
    if (!host || !m_makeFrame || !m_makeView || !document)
        return nullptr;
    std::unique_ptr<CMDIChildWnd> frame(m_makeFrame());
    if (!frame)
        return nullptr;
    CREATESTRUCT cs;
    cs.parentClient = host->MDIClientSize();
    if (!frame->PreCreateWindow(cs))
        return nullptr;
    CView* view = m_makeView(document, frame.get());
    if (!view)
        return nullptr;
    frame->SetView(view);
    frame->resize(cs.cx, cs.cy);
    if (cs.x != CREATESTRUCT::kUseDefault && cs.y != CREATESTRUCT::kUseDefault)
        frame->move(cs.x, cs.y);
    CMDIChildWnd* raw = frame.release();
    host->AddChildFrame(raw);
    UpdateFrameTitles(document);
    return raw;
}

void CDocTemplate::InitialUpdateFrame(CMDIChildWnd* frame, CDocument* document, bool makeVisible)
{
    if (CView* view = frame->GetActiveView())
        view->OnInitialUpdate();
    UpdateFrameTitles(document);
    if (makeVisible)
        frame->ActivateFrame();
}

std::vector<CDocument*> CDocTemplate::GetDocuments() const
{
    std::vector<CDocument*> documents;
    documents.reserve(m_documents.size());
    for (const auto& d : m_documents)
        documents.push_back(d.get());
    return documents;
}

bool CDocTemplate::HasDocument(const CDocument* document) const
{
    return std::any_of(m_documents.begin(), m_documents.end(),
                       [document](const auto& d) { return d.get() == document; });
}

CDocument* CDocTemplate::FindOpenDocument(const QString& path) const
{
    if (path.isEmpty())
        return nullptr;
    for (const auto& d : m_documents)
        if (d->GetPathName() == path)
            return d.get();
    return nullptr;
}

void CDocTemplate::DestroyDocument(CDocument* document)
{
    const auto it = std::find_if(m_documents.begin(), m_documents.end(),
                                 [document](const auto& d) { return d.get() == document; });
    if (it == m_documents.end())
        return;
    const std::vector<CView*> views = document->GetViews();
    for (CView* view : views) {
        if (CMDIChildWnd* frame = CMDIChildWnd::FromWidget(view))
            frame->CloseForClosedDocument();
        else
            view->DetachDocument();
    }
    // Take it out of the list before deleting it, so that nothing reached from its
    // destructor finds it still open.
    std::unique_ptr<CDocument> doomed = std::move(*it);
    m_documents.erase(std::find(m_documents.begin(), m_documents.end(), nullptr));
    doomed.reset();
    if (m_pDocManager)
        m_pDocManager->OnDocumentsChanged();
}

void CDocTemplate::DiscardDocument(CDocument* document)
{
    document->OnCloseDocument();
    if (HasDocument(document))
        DestroyDocument(document);
}

void CDocTemplate::UpdateFrameTitles(const CDocument* document)
{
    for (CView* view : document->GetViews())
        if (CMDIChildWnd* frame = CMDIChildWnd::FromWidget(view))
            frame->OnUpdateFrameTitle();
}

} // namespace vtx
