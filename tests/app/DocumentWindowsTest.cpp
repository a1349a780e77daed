// Document windows: opening through the document manager, the child frames, New Window,
// dropped files, closing a window, and Save As through the framework.
#include "AppFixture.h"

#include "app/CChildFrame.h"
#include "document/CVantorixDoc.h"
#include "framework/CDocManager.h"
#include "framework/CRecentFileList.h"
#include "res/CommandIds.h"

#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMimeData>
#include <QUrl>

namespace vtx::test {
namespace {

CVantorixDoc* AsDoc(CDocument* document)
{
    return dynamic_cast<CVantorixDoc*>(document);
}

// What a new document window's width must be in the main frame as it is now: a whole row,
// or the MDI area's width where that is less (the test screen may be narrow).
int ChildWidth(const CMainFrame* frame)
{
    return std::min(CChildFrame::kWidth, frame->MDIClientSize().width());
}

// Restores the current directory when it goes.
class CurrentDirectory
{
public:
    explicit CurrentDirectory(const QString& path) : m_previous(QDir::currentPath()) { QDir::setCurrent(path); }
    ~CurrentDirectory() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
};

TEST(NormalizePath, QuotesRelativePathsAndLinks)
{
    TempDir dir;
    const QString file = dir.Write(QStringLiteral("a b.bin"), QByteArray("x"));
    const QString canonical = QFileInfo(file).canonicalFilePath();
    EXPECT_EQ(CDocManager::NormalizePath(QLatin1Char('"') + file + QLatin1Char('"')), canonical);
    {
        CurrentDirectory here(dir.Path());
        EXPECT_EQ(CDocManager::NormalizePath(QStringLiteral("a b.bin")), canonical);
        EXPECT_EQ(CDocManager::NormalizePath(QStringLiteral("./sub/../a b.bin")), canonical);
    }
    ASSERT_TRUE(QFile::link(file, dir.Path(QStringLiteral("link"))));
    EXPECT_EQ(CDocManager::NormalizePath(dir.Path(QStringLiteral("link"))), canonical);
    // A missing file keeps its own name inside the resolved directory.
    const QString canonicalDir = QFileInfo(dir.Path()).canonicalFilePath();
    EXPECT_EQ(CDocManager::NormalizePath(dir.Path(QStringLiteral("missing"))), canonicalDir + QStringLiteral("/missing"));
    EXPECT_TRUE(CDocManager::NormalizePath(QStringLiteral("\"\"")).isEmpty());
}

TEST_F(AppTest, OpeningAnOpenFileActivatesItsWindow)
{
    const QString a = MakeFile(QStringLiteral("a.bin"));
    const QString b = MakeFile(QStringLiteral("b.bin"));
    ASSERT_TRUE(QFile::link(a, m_dir.Path(QStringLiteral("link-to-a"))));
    Start({a});
    CDocument* docA = App().OpenDocumentFile(a);
    CDocument* docB = App().OpenDocumentFile(b);
    ASSERT_NE(docA, nullptr);
    ASSERT_NE(docB, nullptr);
    EXPECT_EQ(Frame()->GetActiveDocument(), docB);

    CurrentDirectory here(m_dir.Path());
    for (const QString& spelling : {QStringLiteral("a.bin"), QStringLiteral("\"./a.bin\""), QStringLiteral("link-to-a")}) {
        SCOPED_TRACE(spelling.toStdString());
        App().OpenDocumentFile(b); // make b active again
        EXPECT_EQ(App().OpenDocumentFile(spelling), docA);
        EXPECT_EQ(Frame()->GetActiveDocument(), docA);
        EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Vantorix - a.bin"));
    }
    EXPECT_EQ(Documents().size(), 2u);
    EXPECT_EQ(Frames().size(), 2u);
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(AppTest, SymbolicLinkOpensItsTarget)
{
    const QString target = MakeFile(QStringLiteral("target.bin"));
    const QString link = m_dir.Path(QStringLiteral("shortcut.bin"));
    ASSERT_TRUE(QFile::link(target, link));
    Start({link});
    ASSERT_EQ(Documents().size(), 1u);
    EXPECT_EQ(Documents()[0]->GetPathName(), QFileInfo(target).canonicalFilePath());
    EXPECT_EQ(Documents()[0]->GetTitle(), QStringLiteral("target.bin"));
    EXPECT_EQ(App().GetRecentFileList()->At(0), QFileInfo(target).canonicalFilePath());
}

TEST_F(AppTest, FileOpenOffersAllFilesAndAFailedOpenLeavesNoWindow)
{
    Start();
    QStringList offered;
    QString answer = m_dir.Path(QStringLiteral("missing.bin"));
    App().GetDocManager().SetFilePrompt([&](bool forOpen, const QString&, const QStringList& filters) {
        EXPECT_TRUE(forOpen);
        offered = filters;
        return answer;
    });
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_OPEN));
    EXPECT_EQ(offered, QStringList{QStringLiteral("All Files (*)")});
    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{QStringLiteral("Error Opening File\nThe file does not exist.")});
    FlushDeletes();
    EXPECT_TRUE(Frame()->MDIClient()->subWindowList().isEmpty());
    EXPECT_TRUE(Documents().empty());

    answer = MakeFile(QStringLiteral("present.bin"));
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_OPEN));
    ASSERT_EQ(Frames().size(), 1u);
    // Alone in the area, the window fills it.
    EXPECT_EQ(Frames()[0]->geometry(), QRect(QPoint(0, 0), Frame()->MDIClientSize()));
}

TEST_F(AppTest, NewWindowShowsTheSameDocumentAndClosingOneKeepsIt)
{
    Start({MakeFile(QStringLiteral("twice.bin"))});
    ASSERT_EQ(Frame()->GetMenuBarId(), IDR_VANTORTYPE);
    CDocument* document = Documents().at(0);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_WINDOW_NEW));
    ASSERT_EQ(Frames().size(), 2u);
    EXPECT_EQ(Documents().size(), 1u);
    EXPECT_EQ(document->GetViews().size(), 2u);
    EXPECT_EQ(Frames()[0]->windowTitle(), QStringLiteral("twice.bin:1"));
    EXPECT_EQ(Frames()[1]->windowTitle(), QStringLiteral("twice.bin:2"));
    EXPECT_EQ(Frames()[0]->width(), Frame()->MDIClientSize().width());
    EXPECT_EQ(Frames()[1]->width(), ChildWidth(Frame()));

    EXPECT_TRUE(Frames()[1]->close());
    FlushDeletes();
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_EQ(Documents().size(), 1u);
    EXPECT_EQ(document->GetViews().size(), 1u);
    EXPECT_EQ(Frames()[0]->windowTitle(), QStringLiteral("twice.bin"));

    EXPECT_TRUE(Frames()[0]->close());
    FlushDeletes();
    EXPECT_TRUE(Documents().empty());
    Frame()->UpdateCommands();
    EXPECT_EQ(Frame()->GetMenuBarId(), IDR_MAINFRAME);
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Vantorix"));
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(AppTest, ClosingTheLastWindowAsksAndCancelKeepsEverything)
{
    const QString path = MakeFile(QStringLiteral("changed.bin"));
    const QByteArray original = ReadAll(path);
    Start({path});
    CVantorixDoc* document = AsDoc(Documents().at(0));
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(document->SetByte(0xAB, 3));

    m_boxes.Answer(MsgResult::Cancel);
    EXPECT_FALSE(Frames().at(0)->close());
    FlushDeletes();
    ASSERT_EQ(Frames().size(), 1u);
    ASSERT_EQ(Documents().size(), 1u);
    EXPECT_TRUE(document->IsFileOpen());
    EXPECT_TRUE(document->IsDirty());
    EXPECT_EQ(document->GetByte(3), 0xAB);
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_EQ(m_boxes.Last(), QStringLiteral("Would you like to save changes to %1?").arg(document->GetPath()));

    // File Close ends in the same question; No discards the change.
    m_boxes.Answer(MsgResult::No);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_CLOSE));
    FlushDeletes();
    EXPECT_TRUE(Documents().empty());
    EXPECT_TRUE(Frames().empty());
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_EQ(m_boxes.Count(), 2);
}

QMimeData* FileUrls(const QStringList& paths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

void DropOn(QWidget* target, const QStringList& paths)
{
    const std::unique_ptr<QMimeData> data(FileUrls(paths));
    const QPoint centre = target->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(centre), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
    QCoreApplication::processEvents();
}

TEST_F(AppTest, DroppedFilesOpenEachInAWindow)
{
    Start();
    DropOn(Frame(), {MakeFile(QStringLiteral("one.bin")), MakeFile(QStringLiteral("two.bin")),
                     MakeFile(QStringLiteral("three.bin"))});
    ASSERT_EQ(Frames().size(), 3u);
    EXPECT_EQ(Documents().size(), 3u);
    // The first fills the empty area; the others are a row wide.
    EXPECT_EQ(Frames()[0]->width(), Frame()->MDIClientSize().width());
    EXPECT_EQ(Frames()[1]->width(), ChildWidth(Frame()));
    EXPECT_EQ(Frames()[2]->width(), ChildWidth(Frame()));
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(AppTest, FiveDroppedFilesWithBadOnesOpenTheGoodOnes)
{
    Start();
    DropOn(Frame(), {MakeFile(QStringLiteral("1.bin")), m_dir.Path(QStringLiteral("missing.bin")), m_dir.Path(),
                     MakeFile(QStringLiteral("4.bin")), MakeFile(QStringLiteral("5.bin"))});
    FlushDeletes();
    EXPECT_EQ(Frames().size(), 3u);
    EXPECT_EQ(Documents().size(), 3u);
    EXPECT_EQ(m_boxes.Texts(),
              (std::vector<QString>{QStringLiteral("Error Opening File\nThe file does not exist."),
                                    QStringLiteral("Error Opening File\nIt is a folder, not a file.")}));
}

TEST_F(AppTest, DragWithoutFilesIsRefused)
{
    Start();
    QMimeData text;
    text.setText(QStringLiteral("not a file"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(Frame(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(AppTest, FailedSaveAsNeverRemovesAFileThatWasThere)
{
    const QString path = MakeFile(QStringLiteral("source.bin"));
    const QString existing = MakeFile(QStringLiteral("existing.bin"), 8);
    const QByteArray existingBytes = ReadAll(existing);
    Start({path});
    CVantorixDoc* document = AsDoc(Documents().at(0));
    ASSERT_TRUE(document->SetByte(0x5A, 0));

    // A taken name is refused with the reason, and the dialog opens again, proposing it;
    // an empty answer is Cancel.
    QStringList answers = {existing, QString()};
    QStringList proposed;
    App().GetDocManager().SetFilePrompt([&](bool forOpen, const QString& name, const QStringList&) {
        EXPECT_FALSE(forOpen);
        proposed << name;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    });
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_SAVE_AS));
    EXPECT_EQ(m_boxes.Last(), QStringLiteral("Failed To Copy To New File.\n"
                                             "A file named existing.bin already exists. Choose another name."));
    EXPECT_EQ(proposed, (QStringList{QFileInfo(path).canonicalFilePath(), QFileInfo(existing).canonicalFilePath()}));
    EXPECT_TRUE(QFileInfo::exists(existing));
    EXPECT_EQ(ReadAll(existing), existingBytes);
    EXPECT_TRUE(document->IsDirty());

    answers = {m_dir.Path(QStringLiteral("copy.bin"))};
    const QString answer = answers.front();
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_SAVE_AS));
    EXPECT_EQ(static_cast<unsigned char>(ReadAll(answer).at(0)), 0x5A);
    EXPECT_EQ(static_cast<unsigned char>(ReadAll(path).at(0)), 0x00);
    EXPECT_EQ(document->GetTitle(), QStringLiteral("copy.bin"));
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Vantorix - copy.bin"));
    EXPECT_EQ(App().GetRecentFileList()->At(0), QFileInfo(answer).canonicalFilePath());
}

TEST_F(AppTest, ADocumentWindowIsNeverWiderThanTheAreaItOpensIn)
{
    Start();
    const struct {
        int frameWidth;
        bool narrow;
    } cases[] = {{1400, false}, {520, true}};
    // The first window fills the empty area; the rule is that of the windows after it.
    ASSERT_NE(App().OpenDocumentFile(MakeFile(QStringLiteral("first.bin"))), nullptr);
    for (const auto& c : cases) {
        Frame()->resize(c.frameWidth, 600);
        QCoreApplication::processEvents();
        const int area = Frame()->MDIClientSize().width();
        ASSERT_EQ(area < CChildFrame::kWidth, c.narrow) << area;
        CDocument* document = App().OpenDocumentFile(MakeFile(QStringLiteral("file%1.bin").arg(c.frameWidth)));
        ASSERT_NE(document, nullptr);
        ASSERT_NE(FrameOf(document), nullptr);
        EXPECT_EQ(FrameOf(document)->width(), c.narrow ? area : CChildFrame::kWidth);
    }
}

TEST_F(AppTest, ActivationTellsOnceThatAnotherProgramChangedTheFileAndSaveOffersSaveAs)
{
    const QString path = MakeFile(QStringLiteral("shared.bin"));
    Start({path});
    CVantorixDoc* document = AsDoc(Documents().at(0));
    CMDIChildWnd* frame = Frames().at(0);
    ASSERT_TRUE(document->SetByte(0x5A, 0));
    {
        QFile other(path);
        ASSERT_TRUE(other.open(QIODevice::Append));
        other.write("more");
    }
    m_boxes.Clear();
    for (int i = 0; i < 2; ++i) {
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(Frame(), &activate);
    }
    ASSERT_EQ(m_boxes.Count(), 1);
    EXPECT_FALSE(m_boxes.Records()[0].modal);
    EXPECT_TRUE(m_boxes.Last().startsWith(QStringLiteral("shared.bin was changed by another program since it was opened.")));

    // Save asks; Save As... runs the Save As dialog, and the document becomes the copy.
    const QString copy = m_dir.Path(QStringLiteral("copy.bin"));
    App().GetDocManager().SetFilePrompt([&](bool, const QString&, const QStringList&) { return copy; });
    m_boxes.Clear();
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_SAVE));
    ASSERT_EQ(m_boxes.Count(), 1);
    EXPECT_EQ(m_boxes.Records()[0].buttons, MsgButtons::OkCancel);
    QByteArray expected = ReadAll(path);
    expected[0] = 0x5A;
    EXPECT_EQ(ReadAll(copy), expected);
    EXPECT_EQ(static_cast<unsigned char>(ReadAll(path).at(0)), 0x00);
    EXPECT_EQ(document->GetTitle(), QStringLiteral("copy.bin"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("copy.bin"));
    EXPECT_FALSE(document->IsDirty());
}

} // namespace
} // namespace vtx::test
