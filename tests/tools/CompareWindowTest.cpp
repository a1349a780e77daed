// The compare window in the real editor: File > Compare With opens it beside the active
// document, the two views scroll together, F6 and Shift+F6 select each run in both views and
// say so in the status bar, the differing cells are drawn on their own background and
// follow an edit at once, and closing the window leaves the documents as they were.

// this program
#include "frame/FrameFixture.h"
#include "platform/FileFaults.h"
#include "tools/compare/CCompareWindow.h"
#include "view/ViewColors.h"

// Qt
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QTest>

// GoogleTest
#include <gtest/gtest.h>

// std
#include <cerrno>

namespace vtx {
namespace {

class CompareWindowTest : public test::FrameTest
{
protected:
    // Starts the editor on `first` and compares it with a file holding `second`.
    void StartComparing(const QByteArray& first, const QByteArray& second)
    {
        StartWith(first, QStringLiteral("a.bin"));
        m_secondPath = m_dir.Write(QStringLiteral("b.bin"), second);
        CompareWith(m_secondPath);
        ASSERT_NE(Window(), nullptr);
    }

    void CompareWith(const QString& path)
    {
        App().GetDocManager().SetFilePrompt([path](bool, const QString&, const QStringList&) { return path; });
        Frame()->UpdateCommands();
        ASSERT_TRUE(Frame()->Commands().Execute(CCompareWindow::ID_FILE_COMPARE));
        Frame()->UpdateCommands();
    }

    [[nodiscard]] CCompareWindow* Window() const
    {
        return qobject_cast<CCompareWindow*>(Frame()->MDIClient()->currentSubWindow());
    }

    [[nodiscard]] QString Status() const { return Frame()->statusBar()->currentMessage(); }

    // A pixel of the cell's background: its top left corner, clear of the glyph.
    static QColor CellBackground(CVantorixView* view, FilePos position, bool hex = true)
    {
        const int perLine = view->BytesPerLine();
        const int column = static_cast<int>(position % static_cast<FilePos>(perLine));
        const auto row = static_cast<int>(position / static_cast<FilePos>(perLine) - view->TopRow());
        const int left = view->ColumnX()[static_cast<std::size_t>(hex ? column : perLine + column)];
        return view->grab().toImage().pixelColor(left + 1, row * view->RowPitch() + 1);
    }

    static bool Near(const QColor& a, const QColor& b)
    {
        return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
               std::abs(a.blue() - b.blue()) < 24;
    }

    QString m_secondPath;
};

QByteArray Pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('A' + i % 26);
    return bytes;
}

TEST_F(CompareWindowTest, OpensBesideTheDocumentAndScrollsTogether)
{
    const QByteArray a = Pattern(64 * 1024);
    StartComparing(a, a);
    CCompareWindow* window = Window();
    CVantorixView* left = window->FirstView();
    CVantorixView* right = window->SecondView();
    EXPECT_TRUE(left->hasFocus());
    EXPECT_EQ(window->TitleLabel(0)->text(), QStringLiteral("a.bin"));
    // Opened for the comparison only: view-only, and without a window of its own.
    EXPECT_EQ(window->TitleLabel(1)->text(), QStringLiteral("b.bin [read-only]"));
    ASSERT_TRUE(right->GetDocument()->IsReadOnly());
    EXPECT_EQ(Frames().size(), 2u);
    EXPECT_TRUE(FrameOf(right->GetDocument())->isHidden());

    QTest::keyClick(left, Qt::Key_PageDown);
    EXPECT_GT(left->TopRow(), 0u);
    EXPECT_EQ(right->TopRow(), left->TopRow());
    QTest::keyClick(left, Qt::Key_Down);
    QTest::keyClick(left, Qt::Key_Up);
    EXPECT_EQ(right->TopRow(), left->TopRow());

    right->setFocus();
    right->GotoPosition(40000);
    EXPECT_EQ(right->TopRow(), 40000u / 16);
    EXPECT_EQ(left->TopRow(), right->TopRow());

    QWheelEvent wheel(QPointF(20, 20), right->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(right, &wheel);
    EXPECT_EQ(left->TopRow(), right->TopRow());
    EXPECT_EQ(Frame()->Commands().Query(CCompareWindow::ID_NEXT_DIFFERENCE).IsEnabled(), true);
}

TEST_F(CompareWindowTest, F6AndShiftF6SelectEachRunInBothViews)
{
    QByteArray a = Pattern(200 * 1024);
    QByteArray b = a;
    b[0] = '!';
    b[70000] = '!';
    b[70001] = '!';
    b.chop(5);
    StartComparing(a, b);
    CVantorixView* left = Window()->FirstView();
    CVantorixView* right = Window()->SecondView();

    const auto expectRun = [&](FilePos first, FilePos length, const QString& status) {
        ASSERT_TRUE(left->SelectedRange().has_value());
        EXPECT_EQ(*left->SelectedRange(), (ByteRange{first, length}));
        EXPECT_EQ(left->CaretPosition(), first);
        if (first < static_cast<FilePos>(b.size())) {
            ASSERT_TRUE(right->SelectedRange().has_value());
            EXPECT_EQ(right->SelectedRange()->first, first);
        }
        EXPECT_EQ(Status(), status);
        EXPECT_TRUE(left->hasFocus());
    };
    Key(Qt::Key_F6);
    expectRun(0, 1, QStringLiteral("Difference at 00000000, 1 byte."));
    Key(Qt::Key_F6);
    expectRun(70000, 2, QStringLiteral("Difference at 00011170, 2 bytes."));
    Key(Qt::Key_F6);
    expectRun(200 * 1024 - 5, 5, QStringLiteral("Difference at 00031FFB, 5 bytes."));
    Key(Qt::Key_F6);
    EXPECT_EQ(Status(), QStringLiteral("No more differences."));
    Key(Qt::Key_F6, Qt::ShiftModifier);
    expectRun(70000, 2, QStringLiteral("Difference at 00011170, 2 bytes."));
    Key(Qt::Key_F6, Qt::ShiftModifier);
    expectRun(0, 1, QStringLiteral("Difference at 00000000, 1 byte."));
    Key(Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(Status(), QStringLiteral("No more differences."));

    // A read error stops the scan with the file's name, the offset and the reason.
    ScopedFileFaults faults;
    FileFaults::FailReads(m_secondPath.toStdString(), 4096, 4097, EIO);
    m_boxes.Clear();
    Key(Qt::Key_F6);
    EXPECT_EQ(m_boxes.Last(), right->GetDocument()->ReadFailureText(4096, EIO));
}

// A differing cell is drawn on the difference background in both columns of both views,
// an equal one on the view's own; typing a byte that makes the two equal takes the mark
// away in the other view at once.
TEST_F(CompareWindowTest, DifferingCellsAreMarkedAndFollowEdits)
{
    QByteArray a = Pattern(4096);
    QByteArray b = a;
    b[1] = 'z';
    StartComparing(a, b);
    CVantorixView* left = Window()->FirstView();
    CVantorixView* right = Window()->SecondView();
    const QColor mark = DifferenceBackground(left->palette());
    const QColor base = ViewColorsFor(left->palette()).background;
    EXPECT_TRUE(Near(CellBackground(left, 1), mark));
    EXPECT_TRUE(Near(CellBackground(left, 1, false), mark));
    EXPECT_TRUE(Near(CellBackground(right, 1), mark));
    EXPECT_TRUE(Near(CellBackground(right, 2), base));
    EXPECT_TRUE(Near(CellBackground(left, 0), base) || left->SelectedRange());

    // Over the first file's byte 1 in its hex column: 7A is 'z'.
    const int column = left->ColumnX()[1];
    QTest::mouseClick(left, Qt::LeftButton, Qt::NoModifier, QPoint(column + 2, left->RowPitch() / 2));
    ASSERT_EQ(left->CaretPosition(), 1u);
    QTest::keyClicks(left, QStringLiteral("7A"));
    ASSERT_EQ(left->GetDocument()->GetByte(1), 'z');
    EXPECT_TRUE(Near(CellBackground(right, 1), base));
    EXPECT_TRUE(Near(CellBackground(left, 1, false), base));
    EXPECT_EQ(Window()->TitleLabel(0)->text(), QStringLiteral("a.bin *"));
}

TEST_F(CompareWindowTest, ClosingLeavesTheDocumentsAsTheyWere)
{
    const QByteArray a = Pattern(1000);
    StartComparing(a, Pattern(900));
    CDocument* first = Window()->FirstView()->GetDocument();
    Window()->close();
    test::FlushDeletes();
    // The file opened only to be compared is closed again; the first stays in its window.
    ASSERT_EQ(Documents().size(), 1u);
    EXPECT_EQ(Documents()[0], first);
    EXPECT_EQ(first->GetViews().size(), 1u);

    // A file open for editing before keeps its window, its edits and its write access.
    App().OpenDocumentFile(m_secondPath);
    auto* second = dynamic_cast<CVantorixDoc*>(Documents().back());
    ASSERT_NE(second, first);
    ASSERT_TRUE(second->SetByte('#', 3));
    Frame()->MDIActivate(FrameOf(first));
    CompareWith(m_secondPath);
    ASSERT_NE(Window(), nullptr);
    EXPECT_FALSE(Window()->SecondView()->GetDocument()->IsReadOnly());
    Window()->close();
    test::FlushDeletes();
    ASSERT_EQ(Documents().size(), 2u);
    EXPECT_TRUE(second->IsDirty());
    EXPECT_FALSE(FrameOf(second)->isHidden());
    EXPECT_TRUE(m_boxes.Texts().empty());
}

TEST_F(CompareWindowTest, RefusesItselfAndFilesThatCannotBeOpened)
{
    StartWith(Pattern(100), QStringLiteral("a.bin"));
    CompareWith(FilePath());
    EXPECT_EQ(m_boxes.Last(), QString::fromLatin1(CCompareWindow::kSameFileText));
    EXPECT_EQ(Window(), nullptr);

    CompareWith(m_dir.Path(QStringLiteral("missing.bin")));
    EXPECT_TRUE(m_boxes.Last().startsWith(QStringLiteral("Error Opening File"))) << m_boxes.Last().toStdString();
    EXPECT_EQ(Window(), nullptr);
    EXPECT_EQ(Documents().size(), 1u);
}

} // namespace
} // namespace vtx
