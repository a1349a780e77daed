// FindNext through the frame's search text and type, the long search's progress and Esc,
// and CopyToClipboard.
#include "ViewHarness.h"

#include "view/CDisplaySettingsDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

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

TEST_F(ViewSearch, FindsForwardFromAfterTheCaretAndNeverWraps)
{
    ViewHarness harness(QByteArray("ABCxxABCxx"), 3);
    CVantorixView& view = harness.View();
    // The caret starts on position 0: the match there is skipped.
    Find(harness, QStringLiteral("ABC"));
    EXPECT_EQ(view.LastHit().filePos, 5u);
    Find(harness, QStringLiteral("ABC"));
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{QStringLiteral("Reached End of File")});
    EXPECT_EQ(view.LastHit().filePos, 5u);
    EXPECT_EQ(view.ScrollPos(), 0u);

    harness.Press(Qt::Key_Home);
    Find(harness, QStringLiteral("ABC"));
    EXPECT_EQ(view.LastHit().filePos, 5u) << "from the top again only after Home";
}

TEST_F(ViewSearch, OverlappingMatchesComeInTurnAndCaseMatters)
{
    ViewHarness harness(QByteArray("AAAAxabc"), 3);
    CVantorixView& view = harness.View();
    std::vector<std::uint32_t> found;
    for (int i = 0; i < 4 && boxes.Count() == 0; ++i) {
        Find(harness, QStringLiteral("AA"));
        if (boxes.Count() == 0)
            found.push_back(view.LastHit().filePos);
    }
    EXPECT_EQ(found, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(boxes.Last(), QStringLiteral("Reached End of File"));

    harness.Press(Qt::Key_Home);
    boxes.Clear();
    Find(harness, QStringLiteral("AAX"));
    EXPECT_EQ(boxes.Last(), QStringLiteral("Reached End of File"));
    Find(harness, QStringLiteral("abc"));
    EXPECT_EQ(view.LastHit().filePos, 5u);
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
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{CVantorixDoc::SearchTextProblem(QStringLiteral("4"), SearchType::Hex)});
    EXPECT_EQ(view.LastHit().filePos, 1u);
}

TEST_F(ViewSearch, KeepsTheSelectionAndTellsTheValueBarNothing)
{
    ViewHarness harness(QByteArray("0123456789ABC"), 3);
    CVantorixView& view = harness.View();
    harness.Drag(harness.CellPoint(1, 0, true), harness.CellPoint(3, 0, true));
    const std::size_t told = harness.Frame().caretInfo.size();
    Find(harness, QStringLiteral("AB"));
    EXPECT_EQ(view.LastHit().filePos, 10u);
    EXPECT_EQ(view.SelectionAnchor(), 1u);
    EXPECT_EQ(view.SelectionEnd(), 3u);
    EXPECT_EQ(harness.Frame().caretInfo.size(), told);
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

TEST_F(ViewClipboard, NoSelectionKeepsTheClipboardAndOneByteEmptiesIt)
{
    ViewHarness harness(QByteArray("ABCDEF"), 3);
    harness.Click(harness.CellPoint(2, 0, true));
    harness.View().CopyToClipboard();
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("before"));

    Select(harness, 2, 2);
    harness.View().CopyToClipboard();
    EXPECT_TRUE(Clipboard()->text().isEmpty());
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
