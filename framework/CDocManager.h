#pragma once
// The document manager: the one way files get opened. It normalises the path (double
// quotes stripped, made absolute, symbolic links resolved), activates the window of a
// document that is already open instead of opening the file twice, and otherwise hands
// the path to the document template. It also runs File New, File Open, Save, Save As and
// Close, and tells the main window when documents come and go.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace vtx {

class CDocTemplate;
class CDocument;
class CMDIFrameWnd;
class CRecentFileList;

class CDocManager : public QObject
{
    Q_OBJECT
public:
    CDocManager();
    ~CDocManager() override;

    void AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);
    [[nodiscard]] CDocTemplate* GetFirstDocTemplate() const;

    // The main window that document frames go into, and the recent-file list that
    // opened paths are added to (either may be null).
    void SetMainFrame(CMDIFrameWnd* frame) { m_pMainFrame = frame; }
    [[nodiscard]] CMDIFrameWnd* GetMainFrame() const { return m_pMainFrame; }
    void SetRecentFileList(CRecentFileList* list) { m_pRecentFileList = list; }

    // Strips one pair of surrounding double quotes, makes the path absolute and resolves
    // symbolic links. A path that does not exist keeps its name, with its directory
    // resolved where that exists. Paths compare case-sensitively on Linux.
    [[nodiscard]] static QString NormalizePath(const QString& path);

    // Opens path (after NormalizePath) or activates the document that has it open.
    CDocument* OpenDocumentFile(const QString& path);

    // The open document of path (after NormalizePath), or null; nothing is activated.
    [[nodiscard]] CDocument* FindOpenDocument(const QString& path) const;
    // Opens path (after NormalizePath) as a new document whose window stays hidden (a
    // file opened for another window that shows it, as a comparison does); `prepare`
    // sees the document before it opens the file. Null when the file cannot be opened
    // (the document has said why).
    CDocument* OpenHiddenDocument(const QString& path, const std::function<void(CDocument*)>& prepare = {});
    // The open dialog (or the tests' prompt): the chosen path, or empty for Cancel.
    [[nodiscard]] QString AskFileToOpen() const { return PromptFileName(true, QString()); }
    void OnFileNew();
    void OnFileOpen();
    // Save: in place, or as Save As when the document has no path yet.
    bool DoFileSave(CDocument* document);
    // Saves to path; an empty path asks for one. The dialog does not offer to replace a
    // file (a save never overwrites one): when the document refuses a name that is
    // taken, the dialog opens again. The document removes what a failed save created.
    bool DoSave(CDocument* document, const QString& path);
    void OnFileClose(CDocument* document);

    [[nodiscard]] std::vector<CDocument*> GetDocuments() const;
    [[nodiscard]] int GetOpenDocumentCount() const;
    [[nodiscard]] bool HasDocument(const CDocument* document) const;

    // Asks the user for a file name: for opening (an existing file) or saving. Returns the
    // chosen path or an empty string for Cancel. Tests replace it.
    using FilePrompt = std::function<QString(bool forOpen, const QString& proposed, const QStringList& filters)>;
    void SetFilePrompt(FilePrompt prompt) { m_filePrompt = std::move(prompt); }
    // The prompt itself (the replacement when a test set one); tools that write a new file
    // ask through it too.
    [[nodiscard]] QString PromptFileName(bool forOpen, const QString& proposed) const;

    // Called by the templates.
    void OnDocumentPathChanged(CDocument* document, bool addToRecentFiles);
    void OnDocumentsChanged();
    // Called when the recent-file list changed for another reason (entry removed).
    void OnRecentFilesChanged();

signals:
    // A document was opened or closed.
    void documentsChanged();
    // A document's path name and title changed (after opening or Save As).
    void documentTitleChanged(vtx::CDocument* document);
    void recentFilesChanged();

private:

    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    CMDIFrameWnd* m_pMainFrame = nullptr;
    CRecentFileList* m_pRecentFileList = nullptr;
    FilePrompt m_filePrompt;
};

} // namespace vtx
