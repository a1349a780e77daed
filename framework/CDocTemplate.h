#pragma once
// A multiple-document template: it ties a document class, a frame class and a view class
// together, makes the three of them for each file opened, and owns the documents it made
// until they close. The classes come as factory functions, so the program decides which
// document, frame and view it uses (and can swap the view) without the framework
// knowing them.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace vtx {

class CDocManager;
class CDocument;
class CMDIChildWnd;
class CView;

class CDocTemplate
{
public:
    // The fields of the template's string, in order, separated by newlines.
    enum DocStringIndex {
        windowTitle,      // the main window's title for a single-document program
        docName,          // base of default titles of new documents
        fileNewName,      // name in the list of new-document kinds
        filterName,       // the open and save dialogs' filter text ("Text Files (*.txt)")
        filterExt,        // the extension of that filter (".txt")
        regFileTypeId,    // file type id for the desktop's file associations
        regFileTypeName,  // readable file type name
    };

    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<CMDIChildWnd*()>;
    using ViewFactory = std::function<CView*(CDocument* document, QWidget* parent)>;

    CDocTemplate(int resourceId, const QString& docString, DocumentFactory makeDocument,
                 FrameFactory makeFrame, ViewFactory makeView);
    ~CDocTemplate();
    CDocTemplate(const CDocTemplate&) = delete;
    CDocTemplate& operator=(const CDocTemplate&) = delete;

    [[nodiscard]] int GetResourceId() const { return m_nResourceId; }
    [[nodiscard]] QString GetDocString(DocStringIndex index) const;
    // The filters the open and save dialogs offer: the template's own, if its string
    // names one, then "All Files".
    [[nodiscard]] QStringList GetFileFilters() const;

    void SetViewFactory(ViewFactory makeView) { m_makeView = std::move(makeView); }

    // Makes a document, its frame and its view. An empty path asks the document for a new
    // empty document (OnNewDocument), else it opens the path (OnOpenDocument) and, on
    // success, sets the document's path name. On failure the frame is discarded, the
    // document closed, and null returned; the document has said why, if anything.
    // `prepare`, when given, sees the new document before it opens the file.
    CDocument* OpenDocumentFile(const QString& path, bool makeVisible = true,
                                const std::function<void(CDocument*)>& prepare = {});
    // Another frame and view for an open document (not yet shown).
    CMDIChildWnd* CreateNewFrame(CDocument* document);
    // Lets the frame's view initialise itself and, if asked, shows and activates the frame.
    void InitialUpdateFrame(CMDIChildWnd* frame, CDocument* document, bool makeVisible = true);

    [[nodiscard]] std::vector<CDocument*> GetDocuments() const;
    [[nodiscard]] bool HasDocument(const CDocument* document) const;
    // The open document whose path name is exactly path, or null.
    [[nodiscard]] CDocument* FindOpenDocument(const QString& path) const;

    // Set by the document manager when the template is added.
    void SetDocManager(CDocManager* manager) { m_pDocManager = manager; }

private:
    // The close handler of every document: closes its windows and deletes it.
    void DestroyDocument(CDocument* document);
    // A document whose opening failed: closed through its own OnCloseDocument (which
    // finds nothing to ask about), and removed for good even if it declined.
    void DiscardDocument(CDocument* document);
    static void UpdateFrameTitles(const CDocument* document);

    int m_nResourceId;
    QStringList m_docStrings;
    DocumentFactory m_makeDocument;
    FrameFactory m_makeFrame;
    ViewFactory m_makeView;
    CDocManager* m_pDocManager = nullptr;
    std::vector<std::unique_ptr<CDocument>> m_documents;
    int m_nUntitledCount = 0;
};

} // namespace vtx
