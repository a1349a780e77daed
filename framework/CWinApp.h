#pragma once
// The application object: owns the QApplication (or joins the one a test made), the
// settings location, the document manager with its template, the recent-file list, the
// printer, and the main window. The program derives from it and supplies InitInstance;
// main() runs InitInstance, the event loop and ExitInstance.

#include "CCommandLineInfo.h"
#include "CDocManager.h"
#include "CRecentFileList.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class QApplication;
class QPrinter;
class QSettings;

namespace vtx {

class CDocTemplate;
class CDocument;
class CMDIFrameWnd;

class CWinApp
{
public:
    // Makes the program's QApplication from main's arguments.
    CWinApp(int& argc, char** argv);
    // Uses the QApplication that already runs (tests); arguments exclude the program name.
    explicit CWinApp(QStringList arguments);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up; false ends the program (ExitInstance still runs).
    virtual bool InitInstance() { return true; }
    // Runs the event loop until the main window closes.
    int Run();
    // Writes the settings (not after the settings were removed with -Unregister) and
    // returns the program's exit code.
    virtual int ExitInstance();

    // The application title: message box caption, main window title, settings name.
    [[nodiscard]] const QString& GetAppName() const { return m_strAppName; }

    // Settings live in QSettings(company, application title).
    void SetRegistryKey(const QString& company);
    [[nodiscard]] std::unique_ptr<QSettings> GetProfile() const;
    // Reads the recent-file list (of the given size) and the print preview page count.
    void LoadStdProfileSettings(int maxRecentFiles = 4);
    void SaveStdProfileSettings();
    // Removes the settings and says whether that worked. True on success.
    bool Unregister();

    void AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);
    [[nodiscard]] CDocManager& GetDocManager() { return m_docManager; }
    CDocument* OpenDocumentFile(const QString& path);
    [[nodiscard]] CRecentFileList* GetRecentFileList() const { return m_pRecentFileList.get(); }
    void AddToRecentFileList(const QString& path);
    // Pages side by side in print preview; 0 leaves it to the preview.
    [[nodiscard]] int GetPreviewPages() const { return m_nNumPreviewPages; }

    // The main window; the application owns it.
    void SetMainWnd(std::unique_ptr<CMDIFrameWnd> frame);
    [[nodiscard]] CMDIFrameWnd* GetMainWnd() const { return m_pMainWnd.get(); }

    void ParseCommandLine(CCommandLineInfo& info) const;
    // Does what the command line asks. False means: end the program now (the file could
    // not be opened, or the command was one that ends the program, like printing).
    bool ProcessShellCommand(const CCommandLineInfo& info);

    // The printer every print, preview and print setup uses.
    [[nodiscard]] QPrinter& GetPrinter();

    // Commands the application handles.
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    // Opens recent-file entry index; an entry whose file fails to open leaves the list.
    void OnOpenRecentFile(int index);
    void OnAppExit();
    virtual void OnAppAbout() {}

    [[nodiscard]] int GetExitCode() const { return m_nExitCode; }
    [[nodiscard]] const QStringList& GetArguments() const { return m_arguments; }
    // argv[1..argc) as the bytes the system gave (read after QApplication took out its own
    // arguments): a file name that is not valid UTF-8 still names its file (PathBytes.h).
    [[nodiscard]] static QStringList ArgumentsFromArgv(int argc, char** argv);

protected:
    void SetExitCode(int code) { m_nExitCode = code; }

private:
    void PrintFromCommandLine(const CCommandLineInfo& info);

    std::unique_ptr<QApplication> m_pOwnedApplication;
    QStringList m_arguments;
    QString m_strAppName;
    QString m_strRegistryKey;
    CDocManager m_docManager;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    int m_nNumPreviewPages = 0;
    std::unique_ptr<QPrinter> m_pPrinter;
    std::unique_ptr<CMDIFrameWnd> m_pMainWnd;
    bool m_bUnregistered = false;
    int m_nExitCode = 0;
};

// The program's application object (null before it is made and after it is gone).
[[nodiscard]] CWinApp* AfxGetApp();

} // namespace vtx
