#include "CDocManager.h"

#include "CDocTemplate.h"
#include "CDocument.h"
#include "CMDIChildWnd.h"
#include "CMDIFrameWnd.h"
#include "CRecentFileList.h"
#include "CView.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "platform/PathBytes.h"

namespace vtx {

CDocManager::CDocManager() = default;

CDocManager::~CDocManager() = default;

void CDocManager::AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate)
{
    if (!docTemplate)
        return;
    docTemplate->SetDocManager(this);
    m_templates.push_back(std::move(docTemplate));
}

CDocTemplate* CDocManager::GetFirstDocTemplate() const
{
    return m_templates.empty() ? nullptr : m_templates.front().get();
}

QString CDocManager::NormalizePath(const QString& path)
{
    QString name = path;
    if (name.startsWith(QLatin1Char('"')))
        name.remove(0, 1);
    if (name.endsWith(QLatin1Char('"')))
        name.chop(1);
    if (name.isEmpty())
        return {};
    const QFileInfo info(QDir::current().absoluteFilePath(name));
    // Resolved on the name's own bytes, which need not be UTF-8.
    const QString canonical = CanonicalPathBytes(info.absoluteFilePath());
    if (!canonical.isEmpty())
        return canonical;
    // Missing file or dangling link: the open will fail and say so, under a name the
    // user recognises.
    const QString dir = CanonicalPathBytes(info.absolutePath());
    if (!dir.isEmpty() && !info.fileName().isEmpty())
        return QDir(dir).filePath(info.fileName());
    return QDir::cleanPath(info.absoluteFilePath());
}

CDocument* CDocManager::OpenDocumentFile(const QString& path)
{
    const QString fullPath = NormalizePath(path);
    if (fullPath.isEmpty())
        return nullptr;
    for (const auto& docTemplate : m_templates) {
        if (CDocument* open = docTemplate->FindOpenDocument(fullPath)) {
            if (CMDIChildWnd* frame = CMDIChildWnd::FromWidget(open->GetFirstView()))
                frame->ActivateFrame();
            return open;
        }
    }
    CDocTemplate* docTemplate = GetFirstDocTemplate();
    return docTemplate ? docTemplate->OpenDocumentFile(fullPath) : nullptr;
}

CDocument* CDocManager::FindOpenDocument(const QString& path) const
{
    const QString fullPath = NormalizePath(path);
    if (fullPath.isEmpty())
        return nullptr;
    for (const auto& docTemplate : m_templates)
        if (CDocument* open = docTemplate->FindOpenDocument(fullPath))
            return open;
    return nullptr;
}

CDocument* CDocManager::OpenHiddenDocument(const QString& path, const std::function<void(CDocument*)>& prepare)
{
    const QString fullPath = NormalizePath(path);
    CDocTemplate* docTemplate = GetFirstDocTemplate();
    if (fullPath.isEmpty() || !docTemplate)
        return nullptr;
    return docTemplate->OpenDocumentFile(fullPath, false, prepare);
}

void CDocManager::OnFileNew()
{
    // One template: no list of document kinds to choose from.
    if (CDocTemplate* docTemplate = GetFirstDocTemplate())
        docTemplate->OpenDocumentFile(QString());
}

void CDocManager::OnFileOpen()
{
    const QString path = PromptFileName(true, QString());
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

bool CDocManager::DoFileSave(CDocument* document)
{
    if (!document)
        return false;
    return DoSave(document, document->GetPathName());
}

bool CDocManager::DoSave(CDocument* document, const QString& path)
{
    if (!document)
        return false;
    const QString pathBefore = document->GetPathName();
    QString target = path;
    QString proposed = pathBefore.isEmpty() ? document->GetTitle() : pathBefore;
    for (;;) {
        if (path.isEmpty()) {
            target = PromptFileName(false, proposed);
            if (target.isEmpty())
                return false;
            target = NormalizePath(target);
        }
        // A failed save cleans up after itself: only the document can tell the file it
        // created from one that another program put under the same name meanwhile.
        if (document->OnSaveDocument(target))
            break;
        // A new name the user picked that turned out to be taken (the document has said
        // so): the dialog opens again for another one.
        const QFileInfo taken(target);
        if (!path.isEmpty() || target == pathBefore || !(taken.exists() || taken.isSymLink()))
            return false;
        proposed = target;
    }
    // A save in place that the user turned into Save As has named the document already.
    if (document->GetPathName() == pathBefore)
        document->SetPathName(NormalizePath(target));
    return true;
}

void CDocManager::OnFileClose(CDocument* document)
{
    // The program never sets the framework's modified flag, so there is nothing to ask
    // here: the document's own OnCloseDocument asks about its changes.
    if (document)
        document->OnCloseDocument();
}

std::vector<CDocument*> CDocManager::GetDocuments() const
{
    std::vector<CDocument*> documents;
    for (const auto& docTemplate : m_templates)
        for (CDocument* d : docTemplate->GetDocuments())
            documents.push_back(d);
    return documents;
}

int CDocManager::GetOpenDocumentCount() const
{
    return static_cast<int>(GetDocuments().size());
}

bool CDocManager::HasDocument(const CDocument* document) const
{
    for (const auto& docTemplate : m_templates)
        if (docTemplate->HasDocument(document))
            return true;
    return false;
}

void CDocManager::OnDocumentPathChanged(CDocument* document, bool addToRecentFiles)
{
    if (addToRecentFiles && m_pRecentFileList && !document->GetPathName().isEmpty()) {
        m_pRecentFileList->Add(document->GetPathName());
        emit recentFilesChanged();
    }
    emit documentTitleChanged(document);
}

void CDocManager::OnDocumentsChanged()
{
    emit documentsChanged();
}

void CDocManager::OnRecentFilesChanged()
{
    emit recentFilesChanged();
}

QString CDocManager::PromptFileName(bool forOpen, const QString& proposed) const
{
    const CDocTemplate* docTemplate = GetFirstDocTemplate();
    const QStringList filters =
        docTemplate ? docTemplate->GetFileFilters() : QStringList{QStringLiteral("All Files (*)")};
    if (m_filePrompt)
        return m_filePrompt(forOpen, proposed, filters);
    const QString filter = filters.join(QStringLiteral(";;"));
    return forOpen ? QFileDialog::getOpenFileName(m_pMainFrame, QStringLiteral("Open"), proposed, filter)
                   : QFileDialog::getSaveFileName(m_pMainFrame, QStringLiteral("Save As"), proposed, filter,
                                                  nullptr, QFileDialog::DontConfirmOverwrite);
}

} // namespace vtx
