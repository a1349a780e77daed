#include "CVantorixApp.h"

// this program
#include "app/CAboutDlg.h"
#include "app/CChildFrame.h"
#include "document/CVantorixDoc.h"
#include "frame/ApplicationIcon.h"
#include "frame/CMainFrame.h"
#include "framework/MessageBox.h"
#include "res/CommandIds.h"
#include "view/CVantorixView.h"

// Qt
#include <QApplication>
#include <QSettings>

namespace vtx {

namespace {

CView* MakeHexView(CDocument* document, QWidget* parent)
{
    return new CVantorixView(static_cast<CVantorixDoc*>(document), parent);
}

} // namespace

CVantorixApp::CVantorixApp(int& argc, char** argv) : CWinApp(argc, argv), m_makeView(MakeHexView) {}

CVantorixApp::CVantorixApp(QStringList arguments)
    : CWinApp(std::move(arguments)), m_makeView(MakeHexView)
{
}

CVantorixApp::~CVantorixApp() = default;

const QString& CVantorixApp::DocString()
{
    static const QString text = QStringLiteral("\nVantor\nVantor\n\n\nVantorix.Document\nVantor Document");
    return text;
}

CMainFrame* CVantorixApp::GetMainFrame() const
{
    return static_cast<CMainFrame*>(GetMainWnd());
}

bool CVantorixApp::InitInstance()
{
    SetMessageBoxCaption(GetAppName());
    // Every window of the program, dialogs and message boxes included, shows it.
    QApplication::setWindowIcon(ApplicationIcon());
    // The desktop matches the windows with the installed desktop entry (icon, name, "Open With").
    QGuiApplication::setDesktopFileName(QStringLiteral("example.dunmerrow.Vantorix"));
    SetRegistryKey(QStringLiteral("Dunmerrow"));
    LoadStdProfileSettings(4);
    // Users who do not want typed bytes kept on disk set Settings/EditJournal to false.
    if (const auto settings = GetProfile())
        CVantorixDoc::SetJournalEnabled(
            settings->value(QStringLiteral("Settings/EditJournal"), true).toBool());

    AddDocTemplate(std::make_unique<CDocTemplate>(
        IDR_VANTORTYPE, DocString(), [] { return std::make_unique<CVantorixDoc>(); },
        [] { return new CChildFrame; }, m_makeView));

    auto frame = std::make_unique<CMainFrame>();
    if (!frame->LoadFrame(IDR_MAINFRAME)) {
        SetExitCode(1);
        return false;
    }
    CMainFrame* mainFrame = frame.get();
    SetMainWnd(std::move(frame));

    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    mainFrame->DragAcceptFiles(true);
    // A file named on the command line opens while the main frame is still hidden, so
    // that a file that cannot be opened ends the program before any window shows.
    if (!ProcessShellCommand(commandLine))
        return false;

    mainFrame->show();
    // Files whose save a crash cut short are put back, and unsaved changes that a crash or
    // a kill left behind are offered, each file that the user wants opened with them.
    CVantorixDoc::RecoverAtStartup([this](const QString& path) { OpenDocumentFile(path); });
    return true;
}

void CVantorixApp::OnAppAbout()
{
    CAboutDlg dialog(GetMainWnd());
    dialog.exec();
}

} // namespace vtx
