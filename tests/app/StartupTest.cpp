// Start-up: the command line, what the user sees afterwards, and the ways start-up ends
// the program before any window shows.
#include "AppFixture.h"

#include "framework/CCommandLineInfo.h"
#include "framework/CDocument.h"
#include "framework/CRecentFileList.h"
#include "framework/CView.h"
#include "res/CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QStatusBar>

namespace vtx::test {
namespace {

// Counts Show events of main frames, to prove that a window was never shown.
class MainFrameShowWatcher : public QObject
{
public:
    MainFrameShowWatcher() { qApp->installEventFilter(this); }
    ~MainFrameShowWatcher() override { qApp->removeEventFilter(this); }
    int shows = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<CMainFrame*>(watched))
            ++shows;
        return false;
    }
};

QStringList MenuBarTitles(const CMainFrame* frame)
{
    QStringList titles;
    for (const QAction* action : frame->menuBar()->actions())
        titles << action->text();
    return titles;
}

CCommandLineInfo Parse(const QStringList& arguments)
{
    CCommandLineInfo info;
    info.ParseAll(arguments);
    return info;
}

TEST(CommandLine, SwitchesFileAndPrinterArguments)
{
    EXPECT_EQ(Parse({}).m_nShellCommand, CCommandLineInfo::FileNew);

    const CCommandLineInfo open = Parse({QStringLiteral("/tmp/some file.bin")});
    EXPECT_EQ(open.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(open.m_strFileName, QStringLiteral("/tmp/some file.bin"));

    const CCommandLineInfo print = Parse({QStringLiteral("-p"), QStringLiteral("f.bin")});
    EXPECT_EQ(print.m_nShellCommand, CCommandLineInfo::FilePrint);
    EXPECT_EQ(print.m_strFileName, QStringLiteral("f.bin"));

    const CCommandLineInfo printTo = Parse({QStringLiteral("-pt"), QStringLiteral("f.bin"), QStringLiteral("Office"),
                                            QStringLiteral("drv"), QStringLiteral("port")});
    EXPECT_EQ(printTo.m_nShellCommand, CCommandLineInfo::FilePrintTo);
    EXPECT_EQ(printTo.m_strFileName, QStringLiteral("f.bin"));
    EXPECT_EQ(printTo.m_strPrinterName, QStringLiteral("Office"));
    EXPECT_EQ(printTo.m_strDriverName, QStringLiteral("drv"));
    EXPECT_EQ(printTo.m_strPortName, QStringLiteral("port"));
}

TEST(CommandLine, PrintSwitchesAreCaseSensitiveUnregisterIsNot)
{
    // An unknown switch is ignored: the file opens as usual.
    EXPECT_EQ(Parse({QStringLiteral("-P"), QStringLiteral("f")}).m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(Parse({QStringLiteral("-PT"), QStringLiteral("f")}).m_nShellCommand, CCommandLineInfo::FileOpen);
    for (const char* name : {"-Unregister", "-unregister", "-UNREGSERVER", "-Unregserver"})
        EXPECT_EQ(Parse({QString::fromLatin1(name)}).m_nShellCommand, CCommandLineInfo::AppUnregister) << name;
}

TEST(CommandLine, DesktopIntegrationSwitchesStartNormally)
{
    for (const char* name : {"-dde", "-Embedding", "-automation"}) {
        const CCommandLineInfo alone = Parse({QString::fromLatin1(name)});
        EXPECT_EQ(alone.m_nShellCommand, CCommandLineInfo::FileNew) << name;
        EXPECT_TRUE(alone.m_bIgnoredShellSwitch) << name;
        const CCommandLineInfo withFile = Parse({QString::fromLatin1(name), QStringLiteral("f")});
        EXPECT_EQ(withFile.m_nShellCommand, CCommandLineInfo::FileOpen) << name;
    }
}

TEST_F(AppTest, NoArgumentsShowsAnEmptyMainFrame)
{
    Start();
    ASSERT_TRUE(m_bStarted);
    ASSERT_NE(Frame(), nullptr);
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_TRUE(Frames().empty());
    EXPECT_TRUE(Documents().empty());
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Vantorix"));
    EXPECT_EQ(Frame()->statusBar()->currentMessage(), QStringLiteral("Ready"));
    EXPECT_EQ(Frame()->GetMenuBarId(), IDR_MAINFRAME);
    EXPECT_EQ(MenuBarTitles(Frame()).first(), QStringLiteral("&File"));
    EXPECT_FALSE(MenuBarTitles(Frame()).contains(QStringLiteral("&Window")));
    // No active document: the document commands are off, Open is on.
    EXPECT_FALSE(Frame()->Commands().Action(ID_FILE_SAVE)->isEnabled());
    EXPECT_TRUE(Frame()->Commands().Action(ID_FILE_OPEN)->isEnabled());
}

TEST_F(AppTest, PathOnCommandLineOpensInTheShownFrame)
{
    const QString path = MakeFile(QStringLiteral("sample.bin"));
    Start({path});
    ASSERT_TRUE(m_bStarted);
    EXPECT_TRUE(Frame()->isVisible());
    ASSERT_EQ(Frames().size(), 1u);
    ASSERT_EQ(Documents().size(), 1u);
    EXPECT_EQ(Documents()[0]->GetPathName(), QFileInfo(path).canonicalFilePath());
    EXPECT_EQ(Documents()[0]->GetTitle(), QStringLiteral("sample.bin"));
    EXPECT_EQ(Frames()[0]->windowTitle(), QStringLiteral("sample.bin"));
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Vantorix - sample.bin"));
    EXPECT_EQ(Frame()->GetMenuBarId(), IDR_VANTORTYPE);
    EXPECT_TRUE(MenuBarTitles(Frame()).contains(QStringLiteral("&Window")));
    EXPECT_EQ(App().GetRecentFileList()->At(0), QFileInfo(path).canonicalFilePath());
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(AppTest, QuotedPathWithSpacesOpens)
{
    const QString path = MakeFile(QStringLiteral("with some spaces.bin"));
    Start({QLatin1Char('"') + path + QLatin1Char('"')});
    ASSERT_TRUE(m_bStarted);
    ASSERT_EQ(Documents().size(), 1u);
    EXPECT_EQ(Documents()[0]->GetTitle(), QStringLiteral("with some spaces.bin"));
}

TEST_F(AppTest, UnopenablePathEndsStartUpBeforeTheFrameShows)
{
    const QString readOnly = MakeFile(QStringLiteral("readonly.bin"));
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QString dangling = m_dir.Path(QStringLiteral("dangling"));
    ASSERT_TRUE(QFile::link(m_dir.Path(QStringLiteral("gone.bin")), dangling));
    const std::pair<QString, QString> cases[] = {
        {m_dir.Path(QStringLiteral("missing.bin")), QStringLiteral("The file does not exist.")},
        {m_dir.Path(), QStringLiteral("It is a folder, not a file.")},
        {dangling, QStringLiteral("The file does not exist.")},
        {readOnly, QString()}, // the user declines to view it
    };

    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path.toStdString());
        MainFrameShowWatcher watcher;
        m_boxes.Clear();
        bool frameVisibleAtMessage = true;
        m_boxes.OnShow([&](const MessageBoxRecorder::Shown&) {
            frameVisibleAtMessage = Frame() && Frame()->isVisible();
        });
        if (reason.isEmpty())
            m_boxes.Answer(MsgResult::No);
        Start({path});
        EXPECT_FALSE(m_bStarted);
        EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{reason.isEmpty() ? QStringLiteral("Open readonly.bin read-only?\nYou have no permission to write to the file.")
                                                                        : "Error Opening File\n" + reason});
        EXPECT_FALSE(frameVisibleAtMessage);
        EXPECT_TRUE(Documents().empty());
        EXPECT_TRUE(Frames().empty());
        EXPECT_EQ(Finish(), 1);
        EXPECT_EQ(watcher.shows, 0);
        m_boxes.OnShow({});
    }
}

TEST_F(AppTest, ReadOnlyPathOnTheCommandLineAsksAndOpensViewOnly)
{
    const QString readOnly = MakeFile(QStringLiteral("readonly.bin"));
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    Start({readOnly});
    ASSERT_TRUE(m_bStarted);
    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{QStringLiteral("Open readonly.bin read-only?\nYou have no permission to write to the file.")});
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_EQ(Frames()[0]->windowTitle(), QStringLiteral("readonly.bin [read-only]"));
    Frame()->Commands().UpdateAll();
    EXPECT_FALSE(Frame()->Commands().Action(ID_FILE_SAVE)->isEnabled());
    EXPECT_TRUE(Frame()->Commands().Action(ID_FILE_SAVE_AS)->isEnabled());
}

TEST_F(AppTest, DesktopIntegrationSwitchStartsNormally)
{
    const QString path = MakeFile(QStringLiteral("embedded.bin"));
    Start({QStringLiteral("-Embedding"), path});
    ASSERT_TRUE(m_bStarted);
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(Documents().size(), 1u);
}

TEST_F(AppTest, UnregisterRemovesTheSettingsAndEnds)
{
    Start({MakeFile(QStringLiteral("remembered.bin"))});
    ASSERT_TRUE(m_bStarted);
    Finish();
    ASSERT_TRUE(QFileInfo::exists(SettingsFileName()));

    MainFrameShowWatcher watcher;
    Start({QStringLiteral("-unREGister")});
    EXPECT_FALSE(m_bStarted);
    EXPECT_EQ(m_boxes.Last(),
              QStringLiteral("System registry entries have been removed and the INI file (if any) was deleted."));
    EXPECT_FALSE(QFileInfo::exists(SettingsFileName()));
    // The end of the program must not write the settings back.
    EXPECT_EQ(Finish(), 0);
    EXPECT_FALSE(QFileInfo::exists(SettingsFileName()));
    EXPECT_EQ(watcher.shows, 0);
}

TEST_F(AppTest, UnregisterThatCannotRemoveTheSettingsSaysSo)
{
    // A directory where the settings file belongs cannot be removed as a file.
    ASSERT_TRUE(QDir().mkpath(SettingsFileName()));
    QFile blocker(QDir(SettingsFileName()).filePath(QStringLiteral("keep")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    Start({QStringLiteral("-Unregserver")});
    EXPECT_FALSE(m_bStarted);
    EXPECT_EQ(m_boxes.Last(), QStringLiteral("Not all of the system registry entries (or INI file) were removed."));
    EXPECT_EQ(Finish(), 1);
}

// A view that prints a mark and counts how often it was asked to.
int g_printCount = 0;
class MarkingView : public CView
{
public:
    using CView::CView;
    void OnPrint(QPainter& painter, QPrinter&) override
    {
        ++g_printCount;
        painter.drawText(QPointF(20, 20), QStringLiteral("printed"));
    }
};

TEST_F(AppTest, PrintSwitchPrintsThroughTheViewWithoutShowingTheFrame)
{
    g_printCount = 0;
    const QString pdf = m_dir.Path(QStringLiteral("out.pdf"));
    const QString path = MakeFile(QStringLiteral("print me.bin"));
    MainFrameShowWatcher watcher;
    Start({QStringLiteral("-p"), path}, [&](CVantorixApp& app) {
        app.SetViewFactory([](CDocument* d, QWidget* parent) { return new MarkingView(d, parent); });
        app.GetPrinter().setOutputFormat(QPrinter::PdfFormat);
        app.GetPrinter().setOutputFileName(pdf);
    });
    EXPECT_FALSE(m_bStarted);
    EXPECT_EQ(g_printCount, 1);
    EXPECT_GT(QFileInfo(pdf).size(), 0);
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_TRUE(Documents().empty());
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(watcher.shows, 0);
}

TEST_F(AppTest, PrintToAnUnknownPrinterSaysSoAndEnds)
{
    g_printCount = 0;
    const QString path = MakeFile(QStringLiteral("print.bin"));
    Start({QStringLiteral("-pt"), path, QStringLiteral("No Such Printer"), QStringLiteral("drv"), QStringLiteral("port")},
          [](CVantorixApp& app) {
              app.SetViewFactory([](CDocument* d, QWidget* parent) { return new MarkingView(d, parent); });
          });
    EXPECT_FALSE(m_bStarted);
    EXPECT_EQ(g_printCount, 0);
    EXPECT_EQ(m_boxes.Last(), QStringLiteral("The printer \"No Such Printer\" was not found."));
    EXPECT_TRUE(Documents().empty());
    EXPECT_EQ(Finish(), 1);
}

TEST_F(AppTest, FileNewIsRefusedSilently)
{
    Start();
    ASSERT_TRUE(m_bStarted);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_NEW));
    EXPECT_TRUE(Frames().empty());
    EXPECT_TRUE(Documents().empty());
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Vantorix"));
}

} // namespace
} // namespace vtx::test
