#include "CWinApp.h"

#include "CDocTemplate.h"
#include "CDocument.h"
#include "CMDIFrameWnd.h"
#include "CView.h"
#include "MessageBox.h"
#include "Trace.h"
#include "platform/PathBytes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>

namespace vtx {

namespace {

CWinApp* g_app = nullptr;

const QString kRecentFileSection = QStringLiteral("Recent File List");
const QString kRecentFileEntry = QStringLiteral("File");
const QString kSettingsSection = QStringLiteral("Settings");
const QString kPreviewPagesEntry = QStringLiteral("PreviewPages");

} // namespace

CWinApp* AfxGetApp()
{
    return g_app;
}

CWinApp::CWinApp(int& argc, char** argv)
    : m_pOwnedApplication(std::make_unique<QApplication>(argc, argv)),
      m_arguments(ArgumentsFromArgv(argc, argv)),
      m_strAppName(QStringLiteral("Vantorix"))
{
    g_app = this;
}

CWinApp::CWinApp(QStringList arguments) : m_arguments(std::move(arguments)), m_strAppName(QStringLiteral("Vantorix"))
{
    g_app = this;
}

QStringList CWinApp::ArgumentsFromArgv(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        if (argv[i])
            arguments << DecodePathBytes(QByteArrayView(argv[i]));
    return arguments;
}

CWinApp::~CWinApp()
{
    // Windows first: their views still tell their documents that they go.
    m_pMainWnd.reset();
    if (g_app == this)
        g_app = nullptr;
}

int CWinApp::Run()
{
    return QApplication::exec();
}

int CWinApp::ExitInstance()
{
    if (!m_bUnregistered)
        SaveStdProfileSettings();
    return m_nExitCode;
}

void CWinApp::SetRegistryKey(const QString& company)
{
    m_strRegistryKey = company;
    QApplication::setOrganizationName(company);
    QApplication::setApplicationName(m_strAppName);
}

std::unique_ptr<QSettings> CWinApp::GetProfile() const
{
    const QString company = m_strRegistryKey.isEmpty() ? m_strAppName : m_strRegistryKey;
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, company, m_strAppName);
}

void CWinApp::LoadStdProfileSettings(int maxRecentFiles)
{
    m_pRecentFileList = std::make_unique<CRecentFileList>(kRecentFileSection, kRecentFileEntry, maxRecentFiles);
    m_docManager.SetRecentFileList(m_pRecentFileList.get());
    // A settings file that cannot be read leaves the defaults: an empty list, 0 pages.
    const std::unique_ptr<QSettings> settings = GetProfile();
    if (settings->status() != QSettings::NoError)
        Trace(QStringLiteral("settings %1 unreadable; using defaults").arg(settings->fileName()));
    m_pRecentFileList->ReadList(*settings);
    bool ok = false;
    const int pages = settings->value(kSettingsSection + QLatin1Char('/') + kPreviewPagesEntry, 0).toInt(&ok);
    m_nNumPreviewPages = ok && pages >= 0 ? pages : 0;
}

void CWinApp::SaveStdProfileSettings()
{
    if (!m_pRecentFileList)
        return;
    const std::unique_ptr<QSettings> settings = GetProfile();
    m_pRecentFileList->WriteList(*settings);
    settings->setValue(kSettingsSection + QLatin1Char('/') + kPreviewPagesEntry, m_nNumPreviewPages);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        Trace(QStringLiteral("settings %1 could not be written").arg(settings->fileName()));
}

bool CWinApp::Unregister()
{
    m_bUnregistered = true;
    bool removed = true;
    QString fileName;
    {
        const std::unique_ptr<QSettings> settings = GetProfile();
        fileName = settings->fileName();
        settings->clear();
        settings->sync();
    }
    // QSettings leaves an empty file behind; the settings are gone only with the file.
    const QFileInfo file(fileName);
    if (file.exists() || file.isSymLink())
        removed = QFile::remove(fileName);
    // The company directory goes too when nothing else of it is left.
    QDir().rmdir(file.absolutePath());
    ShowMessageBox(removed ? QStringLiteral("System registry entries have been removed and the INI file (if any) was deleted.")
                           : QStringLiteral("Not all of the system registry entries (or INI file) were removed."));
    return removed;
}

void CWinApp::AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate)
{
    m_docManager.AddDocTemplate(std::move(docTemplate));
}

CDocument* CWinApp::OpenDocumentFile(const QString& path)
{
    return m_docManager.OpenDocumentFile(path);
}

void CWinApp::AddToRecentFileList(const QString& path)
{
    if (!m_pRecentFileList)
        return;
    m_pRecentFileList->Add(path);
    m_docManager.OnRecentFilesChanged();
}

void CWinApp::SetMainWnd(std::unique_ptr<CMDIFrameWnd> frame)
{
    m_pMainWnd = std::move(frame);
    m_docManager.SetMainFrame(m_pMainWnd.get());
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const
{
    info.ParseAll(m_arguments);
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& info)
{
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
        if (OpenDocumentFile(info.m_strFileName))
            return true;
        m_nExitCode = 1;
        return false;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
        PrintFromCommandLine(info);
        return false;
    case CCommandLineInfo::AppUnregister:
        m_nExitCode = Unregister() ? 0 : 1;
        return false;
    }
    return false;
}

void CWinApp::PrintFromCommandLine(const CCommandLineInfo& info)
{
    m_nExitCode = 1;
    if (info.m_strFileName.isEmpty()) {
        ShowMessageBox(QStringLiteral("No file was named to print."));
        return;
    }
    QPrinter& printer = GetPrinter();
    if (info.m_nShellCommand == CCommandLineInfo::FilePrintTo) {
        // The printer is chosen by its name; driver and port mean nothing here.
        if (info.m_strPrinterName.isEmpty() || QPrinterInfo::printerInfo(info.m_strPrinterName).isNull()) {
            ShowMessageBox(QStringLiteral("The printer \"%1\" was not found.").arg(info.m_strPrinterName));
            return;
        }
        printer.setPrinterName(info.m_strPrinterName);
    }
    CDocument* document = OpenDocumentFile(info.m_strFileName);
    if (!document)
        return;
    if (CView* view = document->GetFirstView(); view && view->OnFilePrintDirect(printer))
        m_nExitCode = 0;
    // Close the documents the way the user would, through the main window.
    if (m_pMainWnd)
        m_pMainWnd->close();
}

QPrinter& CWinApp::GetPrinter()
{
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>();
    return *m_pPrinter;
}

void CWinApp::OnFileNew()
{
    m_docManager.OnFileNew();
}

void CWinApp::OnFileOpen()
{
    m_docManager.OnFileOpen();
}

void CWinApp::OnFilePrintSetup()
{
    QPageSetupDialog dialog(&GetPrinter(), m_pMainWnd.get());
    dialog.exec();
}

void CWinApp::OnOpenRecentFile(int index)
{
    if (!m_pRecentFileList)
        return;
    const QString path = m_pRecentFileList->At(index);
    if (path.isEmpty())
        return;
    if (OpenDocumentFile(path))
        return;
    // The entry may have moved while the open ran; remove it by its path.
    const auto& entries = m_pRecentFileList->Entries();
    const auto it = std::find(entries.begin(), entries.end(), path);
    if (it != entries.end()) {
        m_pRecentFileList->Remove(static_cast<int>(it - entries.begin()));
        m_docManager.OnRecentFilesChanged();
    }
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd)
        m_pMainWnd->close();
}

} // namespace vtx
