#pragma once
// The document base class of the editor's small document/view framework. A document is
// plain C++: it knows its views, its path name and title, and the framework's modified
// flag. The document manager and template (app start-up) create and destroy documents;
// the overridables below are their hooks.

#include <QString>

#include <functional>
#include <vector>

namespace vtx {

class CDocTemplate;
class CView;

class CDocument
{
public:
    CDocument() = default;
    virtual ~CDocument();
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    // Overridables, in the order the framework uses them.
    virtual bool OnNewDocument() { return true; }
    virtual bool OnOpenDocument(const QString& path) { return true; }
    virtual bool OnSaveDocument(const QString& path) { return true; }
    // The base version closes every window of the document and has the document deleted
    // by whoever owns it (see SetCloseHandler). Overrides that keep the document open
    // simply return without calling it.
    virtual void OnCloseDocument();

    // The framework's modified flag. This program never sets it; the document keeps its
    // own dirty state and asks its own question at close.
    [[nodiscard]] virtual bool IsModified() const { return m_bModified; }
    virtual void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    // Whether closing now would lose something: the document's windows show " *" after
    // its title while it is true. The base answers with the modified flag; a document with
    // its own dirty rule answers with that, and calls UpdateFrameTitles when it changes.
    [[nodiscard]] virtual bool HasUnsavedChanges() const { return IsModified(); }

    // Path name: the full path of the document's file; setting it also sets the title to
    // the file's name without its directory, and tells the owner (recent-file list).
    [[nodiscard]] const QString& GetPathName() const { return m_strPathName; }
    virtual void SetPathName(const QString& path, bool addToRecentFiles = true);
    [[nodiscard]] const QString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const QString& title);
    // Asks the frame of every view to title itself again (title or unsaved state changed).
    void UpdateFrameTitles();

    // Views, in the order they were added; the first view is the one the document talks
    // to when it has something to show.
    [[nodiscard]] const std::vector<CView*>& GetViews() const { return m_views; }
    [[nodiscard]] CView* GetFirstView() const { return m_views.empty() ? nullptr : m_views.front(); }
    void AddView(CView* view);
    void RemoveView(CView* view);
    // Repaints every view except the one given (may be null).
    void UpdateAllViews(CView* sender);

    // The template that made this document (null for documents made by hand, as in
    // tests); Window > New Window asks it for another frame.
    [[nodiscard]] CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    void SetDocTemplate(CDocTemplate* docTemplate) { m_pDocTemplate = docTemplate; }

    // Who deletes this document when OnCloseDocument completes: the document manager
    // installs a handler that closes the windows and deletes the document. Without one
    // (tests), the base OnCloseDocument only detaches the views.
    using CloseHandler = std::function<void(CDocument*)>;
    void SetCloseHandler(CloseHandler handler) { m_closeHandler = std::move(handler); }
    // Called after SetPathName: lets the document manager update the recent-file list and
    // the window titles.
    using PathHandler = std::function<void(CDocument*, bool addToRecentFiles)>;
    void SetPathHandler(PathHandler handler) { m_pathHandler = std::move(handler); }

private:
    std::vector<CView*> m_views;
    QString m_strPathName;
    QString m_strTitle;
    bool m_bModified = false;
    CDocTemplate* m_pDocTemplate = nullptr;
    CloseHandler m_closeHandler;
    PathHandler m_pathHandler;
};

} // namespace vtx
