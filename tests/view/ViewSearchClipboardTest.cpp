// FindNext through the frame's search text and type, the long search's progress and Esc,
// and CopyToClipboard.
#include "ViewHarness.h"

#include "platform/FileFaults.h"
#include "view/CDisplaySettingsDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <cerrno>

namespace vtx::test {
namespace {

class ViewSearch : public ::testing::Test
{
protected:
    void Find(ViewHarness& harness, const QString& text)
    {
        harness.Frame().searchText = text;
        harness.View().FindNext();
    }
    MessageBoxRecorder boxes;
};

TEST_F(ViewSearch, EmptyTextAsksForTextAndMovesNothing)
{
    ViewHarness harness(QByteArray("xxABC"), 3);
    harness.Click(harness.CellPoint(1, 0, true));
    Find(harness, QString());
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{QStringLiteral("You need to enter text to search for")});
    EXPECT_EQ(harness.View().LastHit().filePos, 1u);
}

TEST_F(ViewSearch, FindsForwardFromAfterTheCaretAndWrapsOnce)
{
    ViewHarness harness(QByteArray("ABCxxABCxx"), 3);
    CVantorixView& view = harness.View();
    // The caret starts on position 0: the match there is skipped...
    Find(harness, QStringLiteral("ABC"));
    EXPECT_EQ(view.LastHit().filePos, 5u);
    EXPECT_NE(harness.Frame().LastStatus(), QStringLiteral("Search wrapped to the start of the file."));
    // ...until the search passes the end and starts again at the top.
    Find(harness, QStringLiteral("ABC"));
    EXPECT_EQ(view.LastHit().filePos, 0u);
    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("Search wrapped to the start of the file."));
    EXPECT_TRUE(boxes.Texts().empty());

    // No match anywhere: the message, and nothing moves.
    Find(harness, QStringLiteral("ABD"));
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{QStringLiteral("Reached End of File")});
    EXPECT_EQ(view.LastHit().filePos, 0u);
    EXPECT_EQ(view.ScrollPos(), 0u);
}

TEST_F(ViewSearch, OverlappingMatchesComeInTurnAndCaseMatters)
{
    ViewHarness harness(QByteArray("AAAAxabc"), 3);
    CVantorixView& view = harness.View();
    std::vector<FilePos> found;
    for (int i = 0; i < 4; ++i) {
        Find(harness, QStringLiteral("AA"));
        found.push_back(view.LastHit().filePos);
    }
    EXPECT_EQ(found, (std::vector<FilePos>{1, 2, 0, 1}));
    EXPECT_TRUE(boxes.Texts().empty());

    Find(harness, QStringLiteral("AAX"));
    EXPECT_EQ(boxes.Last(), QStringLiteral("Reached End of File"));
    Find(harness, QStringLiteral("abc"));
    EXPECT_EQ(view.LastHit().filePos, 5u);
    Find(harness, QStringLiteral("ABC"));
    EXPECT_EQ(view.LastHit().filePos, 5u);
    // Match case off: either case of the letters, in Unicode too.
    harness.Frame().matchCase = false;
    Find(harness, QStringLiteral("ABC"));
    EXPECT_EQ(view.SelectionAnchor(), 5u);
    harness.Frame().searchType = SearchType::Unicode;
    boxes.Clear();
    Find(harness, QStringLiteral("ABC"));
    EXPECT_EQ(boxes.Last(), QStringLiteral("Reached End of File"));
}

TEST_F(ViewSearch, ShiftF3FindsTheMatchEndingBeforeTheCaretAndWrapsToTheEnd)
{
    ViewHarness harness(QByteArray("xABxxABxABx"), 3);
    CVantorixView& view = harness.View();
    harness.Frame().searchText = QStringLiteral("AB");
    harness.Click(harness.CellPoint(9, 0, true));
    harness.Press(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(view.LastHit().filePos, 5u) << "the match under the caret does not end before it";
    harness.Press(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(view.LastHit().filePos, 1u);
    harness.Press(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(view.LastHit().filePos, 8u);
    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("Search wrapped to the end of the file."));
    harness.Press(Qt::Key_F3);
    EXPECT_EQ(view.LastHit().filePos, 1u);
    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("Search wrapped to the start of the file."));
    harness.Frame().searchText = QStringLiteral("AC");
    harness.Press(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{QStringLiteral("Reached Start of File")});
}

TEST_F(ViewSearch, HexTextsMaySpaceTheirBytePairs)
{
    ViewHarness harness(QByteArray("\x7F" "ELF.ELF", 8), 3);
    harness.Frame().searchType = SearchType::Hex;
    Find(harness, QStringLiteral("45 4C 46"));
    EXPECT_EQ(harness.View().LastHit().filePos, 1u);
    Find(harness, QStringLiteral("454C 46"));
    EXPECT_EQ(harness.View().LastHit().filePos, 5u);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(ViewSearch, SearchTypeDecidesHowTheTextIsSearched)
{
    ViewHarness harness(QByteArray("xAB" "A\0B\0", 7), 3);
    CVantorixView& view = harness.View();
    harness.Frame().searchType = SearchType::Unicode;
    Find(harness, QStringLiteral("AB"));
    EXPECT_EQ(view.LastHit().filePos, 3u);

    harness.Press(Qt::Key_Home);
    harness.Frame().searchType = SearchType::Hex;
    Find(harness, QStringLiteral("4142"));
    EXPECT_EQ(view.LastHit().filePos, 1u);

    // A text the document refuses is refused with the document's message.
    boxes.Clear();
    Find(harness, QStringLiteral("4"));
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{DocumentSearch::TextProblem(QStringLiteral("4"), {SearchType::Hex})});
    EXPECT_EQ(view.LastHit().filePos, 1u);
}

TEST_F(ViewSearch, SelectsTheMatchInViewAndTellsTheValueBarItsByte)
{
    QByteArray bytes(16 * 200, '.');
    bytes.replace(16 * 150 + 3, 3, "ABC");
    ViewHarness harness(bytes, 10);
    CVantorixView& view = harness.View();
    harness.Drag(harness.CellPoint(1, 0, true), harness.CellPoint(3, 0, true));
    const std::size_t told = harness.Frame().caretInfo.size();
    Find(harness, QStringLiteral("ABC"));
    EXPECT_EQ(view.LastHit().filePos, 16u * 150 + 3);
    EXPECT_EQ(view.SelectionAnchor(), 16u * 150 + 3);
    EXPECT_EQ(view.SelectionEnd(), 16u * 150 + 5);
    EXPECT_EQ(view.TopRow(), 150u) << "scrolled to the match";
    ASSERT_EQ(harness.Frame().caretInfo.size(), told + 1);
    EXPECT_EQ(harness.Frame().caretInfo.back(), std::make_pair(FilePos{16 * 150 + 3}, std::uint8_t{'A'}));
    EXPECT_EQ(harness.Frame().caretPosition, QStringLiteral("Offset: 00000963 (2403)   Selected: 3 bytes"));
}

// The status bar invites Esc while a search runs; an Esc during a search too short to look
// at input cancels it, and one that comes just after a search ends types nothing.
TEST_F(ViewSearch, EscDuringOrJustAfterASearchTypesNothing)
{
    // The match lies below the window, so the caret lands in the ASCII column, where an
    // Esc is a byte.
    QByteArray bytes(16 * 20, 'x');
    bytes.replace(160, 2, "AB");
    ViewHarness harness(bytes, 3);
    CVantorixView& view = harness.View();
    view.GotoPosition(0);
    ASSERT_FALSE(view.LastHit().onHex);

    QCoreApplication::postEvent(&view, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b")));
    Find(harness, QStringLiteral("AB"));
    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("Search cancelled."));
    EXPECT_EQ(view.LastHit().filePos, 0u);

    Find(harness, QStringLiteral("AB"));
    ASSERT_EQ(view.LastHit().filePos, 160u);
    ASSERT_FALSE(view.LastHit().onHex);
    harness.Type(QStringLiteral("\x1b"));
    EXPECT_TRUE(harness.Doc().PendingChanges().empty()) << "a late Esc was typed over the match";
    EXPECT_EQ(view.LastHit().filePos, 160u);
    // Later an Esc is a character again.
    QTest::qWait(CVantorixView::kEscapeAfterSearchMs + 50);
    harness.Type(QStringLiteral("\x1b"));
    EXPECT_EQ(harness.ByteAt(160), 0x1B);
}

class ViewLongSearch : public ViewSearch
{
protected:
    ViewLongSearch() { CVantorixView::SetSearchProgressDelayMs(0); }
    ~ViewLongSearch() override { CVantorixView::SetSearchProgressDelayMs(500); }

    static constexpr std::uint64_t kSize = 8u << 20;
    static constexpr std::uint64_t kMatch = kSize - 7;
    ViewHarness harness{SparseFile{kSize, {{kMatch, QByteArray("ZQZ")}}}, 5};
};

TEST_F(ViewLongSearch, ShowsProgressAndFindsTheMatch)
{
    Find(harness, QStringLiteral("ZQZ"));
    EXPECT_EQ(harness.View().LastHit().filePos, kMatch);
    EXPECT_TRUE(boxes.Texts().empty());
    const QStringList& status = harness.Frame().statusTexts;
    ASSERT_FALSE(status.isEmpty());
    EXPECT_TRUE(status.front().startsWith(QStringLiteral("Searching: "))) << status.front().toStdString();
    EXPECT_TRUE(harness.Frame().LastStatus().isEmpty()) << "the progress text is taken down";
}

TEST_F(ViewLongSearch, EscCancelsAndOtherInputWaits)
{
    CVantorixView& view = harness.View();
    view.GotoPosition(0);
    ASSERT_FALSE(view.LastHit().onHex) << "typing goes to the ASCII column";

    // Typed while the search runs: an A that must not reach the file, then Esc.
    QCoreApplication::postEvent(&view, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("A")));
    QCoreApplication::postEvent(&view, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b")));
    Find(harness, QStringLiteral("ZQZ"));

    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("Search cancelled."));
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(view.LastHit().filePos, 0u);
    EXPECT_TRUE(harness.Doc().PendingChanges().empty()) << "input during the search reached the file";
    QCoreApplication::processEvents();
    EXPECT_TRUE(harness.Doc().PendingChanges().empty());
}

class ViewClipboard : public ::testing::Test
{
protected:
    ViewClipboard() { Clipboard()->setText(QStringLiteral("before")); }
    static QClipboard* Clipboard() { return QGuiApplication::clipboard(); }
    static void Select(ViewHarness& harness, int from, int to)
    {
        harness.Drag(harness.CellPoint(from, 0, true), harness.CellPoint(to, 0, true));
    }
};

TEST_F(ViewClipboard, CopiesTheSelectedBytesAsTextUpToAZero)
{
    ViewHarness harness(Bytes({'x', 0x41, 0x42, 0x43, 'x', 0x41, 0x00, 0x42}), 3);
    Select(harness, 1, 3);
    harness.View().CopyToClipboard();
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("ABC"));

    // Right to left: the same bytes.
    Clipboard()->setText(QStringLiteral("before"));
    Select(harness, 3, 1);
    harness.View().CopyToClipboard();
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("ABC"));

    Select(harness, 5, 7);
    harness.Press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("A"));
}

TEST_F(ViewClipboard, NoSelectionKeepsTheClipboardAndOneByteIsCopied)
{
    ViewHarness harness(QByteArray("ABCDEF"), 3);
    harness.Click(harness.CellPoint(2, 0, true));
    harness.View().CopyToClipboard();
    harness.View().CopyAsHex();
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("before"));

    Select(harness, 2, 2);
    harness.View().CopyToClipboard();
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("C"));
}

TEST_F(ViewClipboard, CopyAsHexWritesSixteenValuesToALine)
{
    ViewHarness harness(Counting(40), 3);
    harness.Drag(harness.CellPoint(14, 0, true), harness.CellPoint(0, 2, true));
    harness.View().CopyAsHex();
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D\n1E 1F 20"));
    // All of a file that is longer than one read, through the real keys.
    QByteArray bytes = Counting(70000);
    ViewHarness big(bytes, 3);
    big.Press(Qt::Key_A, Qt::ControlModifier);
    big.View().CopyAsHex();
    const QString text = Clipboard()->text();
    EXPECT_EQ(text.size(), 70000 * 3 - 1);
    EXPECT_EQ(text.count(QLatin1Char('\n')), 70000 / 16 - (70000 % 16 == 0 ? 1 : 0));
    EXPECT_EQ(text.right(5), QStringLiteral("6E 6F"));
}

TEST_F(ViewClipboard, HighBytesStayEightBitAndPendingChangesAreCopied)
{
    ViewHarness harness(Bytes({0xE9, 0xFF, 0x80, 0x7F, 0x20}), 3);
    ASSERT_TRUE(harness.Doc().SetByte(0xC4, 4));
    Select(harness, 0, 4);
    harness.View().CopyToClipboard();
    EXPECT_EQ(Clipboard()->text().toLatin1(), Bytes({0xE9, 0xFF, 0x80, 0x7F, 0xC4}));
    EXPECT_EQ(Clipboard()->text().at(0), QChar(0x00E9));
}

TEST_F(ViewClipboard, SelectionLongerThanOneReadIsCopiedWhole)
{
    QByteArray bytes(70000, 'a');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    ViewHarness harness(bytes, 3);
    CDisplaySettingsDlg::SetModalRunner([](CDisplaySettingsDlg& dialog) {
        dialog.Edit(CDisplaySettingsDlg::IDC_BYTES_PER_LINE)->setText(QStringLiteral("65535"));
        dialog.OnOK();
        return dialog.result();
    });
    harness.View().OnDisplaySettings();
    CDisplaySettingsDlg::SetModalRunner({});
    ASSERT_EQ(harness.View().BytesPerLine(), 65535);

    harness.Drag(harness.CellPoint(0, 0, true), harness.CellPoint(10, 1, true));
    harness.View().CopyToClipboard();
    EXPECT_EQ(Clipboard()->text().toLatin1(), bytes.left(65535 + 11));
}

} // namespace
} // namespace vtx::test

namespace vtx::test {
namespace {

TEST_F(ViewSearch, AnUnreadableRangeIsToldNeverReachedEndOrStart)
{
    QByteArray bytes(200000, '.');
    bytes.replace(150000, 6, "TARGET");
    ViewHarness harness(bytes, 3);
    const ScopedFileFaults faults;
    FileFaults::FailReads(QFile::encodeName(harness.Path()).toStdString(), 100000, 100100, EIO);
    const QString told =
        QStringLiteral("Could not read %1 at 000186A0: Input/output error.").arg(QFileInfo(harness.Path()).fileName());
    // Forward from the start the match lies behind the bad bytes.
    Find(harness, QStringLiteral("TARGET"));
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{told});
    EXPECT_EQ(harness.View().LastHit().filePos, 0u);
    // Backward from between them the bad bytes come first, before the wrap to the match.
    harness.View().GotoPosition(120000);
    harness.View().FindPrevious();
    EXPECT_EQ(boxes.Texts(), (std::vector<QString>{told, told}));
    EXPECT_EQ(harness.View().LastHit().filePos, 120000u);
}

} // namespace
} // namespace vtx::test
