// The caret is a file position: scrolling never moves it, a key brings it back into view
// before it types, and the last byte of the largest file a file system holds is reachable.
// Also the clipboard's two forms of a copy and the status bar after searches.
#include "ViewHarness.h"

#include "framework/MessageBox.h"
#include "platform/FileFaults.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vtx::test {
namespace {

// How the user moves the view far away from the caret before typing.
enum class FarScroll { BarBottom, ThumbDragToTheEnd, ThumbDragToTheMiddle, PageDownKeysOfTheBar };

struct FarScrollRow {
    const char* name;
    FarScroll how;
};

class ViewTypingAfterAScroll : public ::testing::TestWithParam<FarScrollRow>
{
};

TEST_P(ViewTypingAfterAScroll, ChangesTheBytesAtTheCaretAndNoOther)
{
    // 3 GiB, sparse: taller than the scroll bar's int range in pixels.
    constexpr std::uint64_t kSize = 3ull << 30;
    ViewHarness harness(SparseFile{kSize, {}}, 10);
    CountingView& view = harness.View();
    QScrollBar* bar = view.ScrollBar();
    harness.Click(harness.CellPoint(2, 0, false));
    ASSERT_EQ(view.CaretPosition(), 2u);

    switch (GetParam().how) {
    case FarScroll::BarBottom:
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        break;
    case FarScroll::ThumbDragToTheEnd:
    case FarScroll::ThumbDragToTheMiddle:
        bar->setSliderDown(true);
        bar->setSliderPosition(GetParam().how == FarScroll::ThumbDragToTheEnd ? bar->maximum() : bar->maximum() / 2);
        bar->setSliderDown(false);
        break;
    case FarScroll::PageDownKeysOfTheBar:
        for (int i = 0; i < 50; ++i)
            bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    }
    harness.Settle();
    const std::uint64_t shownTop = view.TopRow();
    ASSERT_GT(shownTop, 40u) << "the view scrolled away";
    EXPECT_EQ(view.CaretPosition(), 2u) << "scrolling never moves the caret";
    EXPECT_LT(view.CaretPos().y(), 0) << "the caret's row lies above the window";

    harness.Type(QStringLiteral("XY"));
    EXPECT_EQ(harness.ByteAt(2), 'X');
    EXPECT_EQ(harness.ByteAt(3), 'Y');
    EXPECT_EQ(view.CaretPosition(), 4u);
    EXPECT_EQ(view.TopRow(), 0u) << "typing brought the caret into view";
    // Nothing was written where the window had been.
    for (std::uint64_t row = shownTop; row < shownTop + 11; ++row)
        for (int i = 0; i < 16; ++i)
            ASSERT_EQ(harness.ByteAt(row * 16 + static_cast<std::uint64_t>(i)), 0) << row * 16 + i;
    EXPECT_EQ(harness.ByteAt(0), 0);
    EXPECT_EQ(harness.ByteAt(4), 0);
    // What the window shows is what a full repaint shows.
    EXPECT_EQ(harness.ScreenImage(), harness.Grab());
}

INSTANTIATE_TEST_SUITE_P(Scrolls, ViewTypingAfterAScroll,
                         ::testing::Values(FarScrollRow{"BarBottom", FarScroll::BarBottom},
                                           FarScrollRow{"ThumbToTheEnd", FarScroll::ThumbDragToTheEnd},
                                           FarScrollRow{"ThumbToTheMiddle", FarScroll::ThumbDragToTheMiddle},
                                           FarScrollRow{"PagesOfTheBar", FarScroll::PageDownKeysOfTheBar}),
                         [](const ::testing::TestParamInfo<FarScrollRow>& row) { return std::string(row.param.name); });

TEST(ViewCaretAfterAScroll, ArrowKeysMoveFromTheCaretNotFromTheWindow)
{
    ViewHarness harness(Counting(16 * 1000), 10);
    CVantorixView& view = harness.View();
    harness.Click(harness.CellPoint(5, 3, true));
    ASSERT_EQ(view.CaretPosition(), 53u);
    harness.Wheel(-120 * 20);
    ASSERT_GT(view.TopRow(), 20u);
    harness.Press(Qt::Key_Right);
    EXPECT_EQ(view.CaretPosition(), 54u);
    EXPECT_TRUE(view.LastHit().onHex);
    EXPECT_GE(view.LastHit().row, 0);
    EXPECT_LE(view.LastHit().row, 10);
    // The boxes and the pane agree with the caret.
    EXPECT_EQ(harness.Frame().caretInfo.back(), std::make_pair(FilePos{54}, std::uint8_t{54}));
}

// A file of 2^63 - 1 bytes on a file system that holds one (tmpfs does; most disks refuse).
class ViewLargestFile : public ::testing::TestWithParam<int>
{
};

TEST_P(ViewLargestFile, EndReachesTheLastByteAndTypingChangesIt)
{
    QTemporaryDir dir(QStringLiteral("/dev/shm/vantorix-test-XXXXXX"));
    if (!dir.isValid())
        GTEST_SKIP() << "no tmpfs at /dev/shm";
    const QString path = dir.filePath(QStringLiteral("largest.bin"));
    constexpr std::uint64_t kSize = 0x7FFFFFFFFFFFFFFFull;
    const int fd = ::open(path.toLocal8Bit().constData(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    const bool sized = ::ftruncate(fd, static_cast<off_t>(kSize)) == 0;
    ::close(fd);
    if (!sized)
        GTEST_SKIP() << "the file system refuses a file of 2^63 - 1 bytes";

    ViewHarness harness(ExistingFile{path}, 10);
    CVantorixView& view = harness.View();
    const int perLine = GetParam();
    view.ApplyDisplaySettings(perLine, 4);
    harness.Frame().searchType = SearchType::Hex;
    harness.Press(Qt::Key_End);
    EXPECT_EQ(view.CaretPosition(), kSize - 1);
    EXPECT_TRUE(view.LastHit().onHex);
    const std::int64_t row = view.LastHit().row;
    EXPECT_GE(row, 0);
    EXPECT_LT(row, 10) << "the last byte is on the window";

    harness.Type(QStringLiteral("4"));
    harness.Type(QStringLiteral("1"));
    EXPECT_EQ(harness.ByteAt(kSize - 1), 0x41);
    EXPECT_EQ(harness.ByteAt(kSize - 2), 0x00);
    // The row is drawn: its address has sixteen digits, and the bar's thumb is at its end.
    EXPECT_EQ(view.AddressDigits(), 16);
    EXPECT_EQ(view.ScrollBar()->value(), view.ScrollBar()->maximum());
    // Home goes back all the way.
    harness.Press(Qt::Key_Home);
    EXPECT_EQ(view.TopRow(), 0u);
    EXPECT_EQ(view.CaretPosition(), 0u);
}

INSTANTIATE_TEST_SUITE_P(BytesPerLine, ViewLargestFile, ::testing::Values(1, 16),
                         [](const ::testing::TestParamInfo<int>& row) { return std::to_string(row.param) + "PerLine"; });

TEST(ViewTypingRefused, AHexDigitOnAViewOnlyFileKeepsTheDigitStateAndTheCaret)
{
    ViewHarness harness(ViewOnlyFile{Counting(64)}, 5);
    CVantorixView& view = harness.View();
    harness.Click(harness.CellPoint(3, 1, true));
    harness.Type(QStringLiteral("4"));
    EXPECT_FALSE(view.NibblePending());
    EXPECT_EQ(view.CaretPosition(), 19u);
    EXPECT_EQ(harness.ByteAt(19), 19);
    EXPECT_EQ(harness.Frame().LastStatus(), QString::fromLatin1(CVantorixDoc::kReadOnlyText));
}

TEST(ViewCopy, TheBytesGoBesideTheTextAndAPasteGetsThemAllBack)
{
    QByteArray bytes(64, '.');
    bytes.replace(16, 3, QByteArray("A\0B", 3));
    ViewHarness harness(bytes, 5);
    CVantorixView& view = harness.View();
    harness.Drag(harness.CellPoint(0, 1, true), harness.CellPoint(2, 1, true));
    view.CopyToClipboard();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("A"));
    EXPECT_EQ(data->data(QString::fromLatin1(CVantorixView::kBytesMimeType)), QByteArray("A\0B", 3));
    EXPECT_TRUE(harness.Frame().LastStatus().contains(QStringLiteral("1 of the 3 selected bytes")))
        << harness.Frame().LastStatus().toStdString();
    EXPECT_TRUE(harness.Frame().LastStatus().contains(QStringLiteral("Copy as Hex")));

    // Pasted in the ASCII column: all three bytes, the zero included, over the selection.
    harness.Drag(harness.CellPoint(4, 3, false), harness.CellPoint(6, 3, false));
    view.PasteFromClipboard();
    EXPECT_EQ(harness.ByteAt(52), 'A');
    EXPECT_EQ(harness.ByteAt(53), 0);
    EXPECT_EQ(harness.ByteAt(54), 'B');
    EXPECT_EQ(harness.ByteAt(55), '.');
}

TEST(ViewCopy, AReadErrorInsideTheSelectionPutsNothingOnTheClipboardAndSaysWhere)
{
    ViewHarness harness(SparseFile{1 << 20, {{0, QByteArray("start")}}}, 5);
    CVantorixView& view = harness.View();
    view.SelectRange({0, 300000});
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    ScopedFileFaults faults;
    FileFaults::FailReads(harness.Path().toStdString(), 200000, 200100, EIO);
    MessageBoxRecorder boxes;
    view.CopyToClipboard();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Last().startsWith(QStringLiteral("Could not read "))) << boxes.Last().toStdString();
    EXPECT_TRUE(boxes.Last().contains(QStringLiteral(" at "))) << boxes.Last().toStdString();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    EXPECT_TRUE(!data || !data->hasFormat(QString::fromLatin1(CVantorixView::kBytesMimeType)));

    // Copy as Hex says the same and leaves nothing either.
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    view.CopyAsHex();
    ASSERT_EQ(boxes.Count(), 2);
    EXPECT_TRUE(boxes.Last().startsWith(QStringLiteral("Could not read ")));
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
}

TEST(ViewCopy, ALongCopyShowsProgressAndStopsOnEsc)
{
    ViewHarness harness(SparseFile{64 << 20, {}}, 5);
    CVantorixView& view = harness.View();
    view.SelectRange({0, 64 << 20});
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    CVantorixView::SetCopyProgressDelayMs(0);
    QCoreApplication::postEvent(&view, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    view.CopyToClipboard();
    CVantorixView::SetCopyProgressDelayMs(1000);
    EXPECT_TRUE(harness.Frame().statusTexts.filter(QStringLiteral("Copying: ")).size() >= 1);
    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("Copying cancelled."));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    EXPECT_EQ(harness.ByteAt(0), 0) << "the Esc typed nothing";
}

TEST(ViewSearchStatus, TheSecondSearchShowsItsOwnLengthAndClearsTheWrapNote)
{
    QByteArray bytes(16 * 40, '.');
    bytes.replace(16 * 2, 2, "AB");
    bytes.replace(16 * 30, 4, "ABCD");
    ViewHarness harness(bytes, 5);
    CVantorixView& view = harness.View();
    view.GotoPosition(16 * 35);
    harness.Frame().searchText = QStringLiteral("AB");
    view.FindNext();
    EXPECT_EQ(view.CaretPosition(), 16u * 2);
    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("Search wrapped to the start of the file."));
    EXPECT_TRUE(harness.Frame().caretPosition.endsWith(QStringLiteral("Selected: 2 bytes")));

    harness.Frame().searchText = QStringLiteral("ABCD");
    view.FindNext();
    EXPECT_EQ(view.CaretPosition(), 16u * 30);
    EXPECT_TRUE(harness.Frame().LastStatus().isEmpty()) << harness.Frame().LastStatus().toStdString();
    EXPECT_TRUE(harness.Frame().caretPosition.endsWith(QStringLiteral("Selected: 4 bytes")))
        << harness.Frame().caretPosition.toStdString();
    EXPECT_EQ(harness.Frame().caretInfo.back(), std::make_pair(FilePos{16 * 30}, std::uint8_t{'A'}));
}

} // namespace
} // namespace vtx::test
