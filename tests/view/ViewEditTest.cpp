// The caret, the keys, typing in both columns, undo, and what the view tells the frame.
#include "ViewHarness.h"

#include "res/CommandIds.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

namespace vtx::test {
namespace {

TEST(ViewCaret, ClicksLandOnTheCellTheHitTestNames)
{
    ViewHarness harness(Counting(64), 5);
    CVantorixView& view = harness.View();
    const int pitch = view.RowPitch();
    const int cw = view.CharWidth();
    struct Case {
        const char* what;
        QPoint point;
        int column;
        bool hex;
    };
    const Case cases[] = {
        {"address column", QPoint(view.LeftMargin() + 3 * cw, pitch + 2), 0, true},
        {"group gap", QPoint(harness.CellLeft(4, true) - cw, pitch + 2), 3, true},
        {"blank after a cell", QPoint(harness.CellLeft(1, true) - 1, pitch + 2), 0, true},
        {"gap before the ASCII column", QPoint(harness.CellLeft(0, false) - 1, pitch + 2), 15, true},
        {"right of the ASCII column", QPoint(view.ColumnX().back() + 40, pitch + 2), 15, false},
        {"exactly on a left edge", QPoint(harness.CellLeft(5, true), pitch + 2), 5, true},
        {"ASCII character", QPoint(harness.CellLeft(6, false) + 1, pitch + 2), 6, false},
    };
    for (const Case& c : cases) {
        harness.Click(c.point);
        EXPECT_EQ(view.LastHit().column, c.column) << c.what;
        EXPECT_EQ(view.LastHit().onHex, c.hex) << c.what;
        EXPECT_EQ(view.LastHit().filePos, static_cast<std::uint32_t>(16 + c.column)) << c.what;
        EXPECT_EQ(view.CaretPos(), QPoint(harness.CellLeft(c.column, c.hex), pitch + 1)) << c.what;
        ASSERT_FALSE(harness.Frame().caretInfo.empty());
        EXPECT_EQ(harness.Frame().caretInfo.back(),
                  std::make_pair(static_cast<FilePos>(16 + c.column), static_cast<std::uint8_t>(16 + c.column)))
            << c.what;
    }
}

TEST(ViewKeys, RightWrapsAndScrollsBelowTheLastWholeRow)
{
    ViewHarness harness(Counting(16 * 100), 10);
    CVantorixView& view = harness.View();
    const int pitch = view.RowPitch();

    harness.Click(harness.CellPoint(14, 0, true));
    harness.Press(Qt::Key_Right);
    EXPECT_EQ(view.LastHit().filePos, 15u);
    harness.Press(Qt::Key_Right);
    EXPECT_EQ(view.LastHit().filePos, 16u);
    EXPECT_EQ(view.CaretPos(), QPoint(harness.CellLeft(0, true), pitch + 1));

    // From the last whole row the caret steps into the partly shown row below it...
    harness.Click(harness.CellPoint(15, 9, true));
    harness.Press(Qt::Key_Right);
    EXPECT_EQ(view.ScrollPos(), 0u);
    EXPECT_EQ(view.LastHit().filePos, 160u);
    // ...and at the end of that row the view scrolls one line and the caret stays there.
    for (int i = 0; i < 15; ++i)
        harness.Press(Qt::Key_Right);
    EXPECT_EQ(view.LastHit().filePos, 175u);
    harness.Press(Qt::Key_Right);
    EXPECT_EQ(view.ScrollPos(), static_cast<std::uint64_t>(view.LineHeight()));
    EXPECT_EQ(view.LastHit().filePos, 176u);
    EXPECT_EQ(view.CaretPos().x(), harness.CellLeft(0, true));
    EXPECT_EQ(view.LastHit().row, 10);
}

TEST(ViewKeys, LeftUpAndDownAtTheEdges)
{
    ViewHarness harness(Counting(16 * 100), 10);
    CVantorixView& view = harness.View();

    // Column 0 of the top row, not the file's first row: scroll up, last column.
    view.OnVScroll(ScrollCode::LineDown);
    harness.Click(harness.CellPoint(0, 0, false));
    ASSERT_EQ(view.LastHit().filePos, 16u);
    harness.Press(Qt::Key_Left);
    EXPECT_EQ(view.ScrollPos(), 0u);
    EXPECT_EQ(view.LastHit().filePos, 15u);
    EXPECT_FALSE(view.LastHit().onHex);
    EXPECT_EQ(view.CaretPos().x(), harness.CellLeft(15, false));

    // The file's first row: Left at column 0 and Up do nothing.
    harness.Click(harness.CellPoint(0, 0, true));
    harness.Press(Qt::Key_Left);
    EXPECT_EQ(view.LastHit().filePos, 0u);
    harness.Click(harness.CellPoint(3, 0, true));
    harness.Press(Qt::Key_Up);
    EXPECT_EQ(view.LastHit().filePos, 3u);
    EXPECT_EQ(view.ScrollPos(), 0u);
    harness.Press(Qt::Key_Down);
    harness.Press(Qt::Key_Down);
    EXPECT_EQ(view.LastHit().filePos, 35u);
    harness.Press(Qt::Key_Up);
    EXPECT_EQ(view.LastHit().filePos, 19u);
    harness.Press(Qt::Key_Left);
    EXPECT_EQ(view.LastHit().filePos, 18u);
}

TEST(ViewKeys, DownMayEnterTheRowsPastTheData)
{
    ViewHarness harness(Counting(20), 10);
    harness.Click(harness.CellPoint(2, 1, true));
    harness.Press(Qt::Key_Down);
    EXPECT_EQ(harness.View().LastHit().filePos, 34u);
    // Past the end the bars get the offset and no byte.
    EXPECT_EQ(harness.Frame().caretInfo.back(), std::make_pair(FilePos{34}, std::uint8_t{0}));
}

TEST(ViewKeys, AModifierPressedAloneLeavesCaretAndBarsAlone)
{
    // Ctrl pressed on its way to Ctrl+J must not rewrite the goto boxes with the caret's
    // address before the jump reads them.
    ViewHarness harness(Counting(64), 5);
    harness.Click(harness.CellPoint(3, 1, true));
    const std::size_t reports = harness.Frame().caretInfo.size();
    for (const Qt::Key key : {Qt::Key_Control, Qt::Key_Shift, Qt::Key_Alt, Qt::Key_CapsLock})
        harness.Press(key);
    EXPECT_EQ(harness.Frame().caretInfo.size(), reports);
    EXPECT_EQ(harness.View().LastHit().filePos, 19u);
    harness.Press(Qt::Key_Right);
    EXPECT_EQ(harness.Frame().caretInfo.size(), reports + 1);
}

TEST(ViewKeys, InsertSwitchesTheOvrPaneAndArrowsDropAPendingDigit)
{
    ViewHarness harness(QByteArray(32, '\0'), 5);
    CVantorixView& view = harness.View();
    harness.Press(Qt::Key_Insert);
    EXPECT_TRUE(view.InsertState());
    ASSERT_FALSE(harness.Frame().overwrite.empty());
    EXPECT_FALSE(harness.Frame().overwrite.back());
    CCmdUI pane(ID_INDICATOR_OVR);
    view.OnUpdateIndicatorOvr(pane);
    EXPECT_FALSE(pane.IsEnabled());
    harness.Press(Qt::Key_Insert, Qt::ShiftModifier);
    harness.Press(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_TRUE(view.InsertState());
    harness.Press(Qt::Key_Insert);
    EXPECT_FALSE(view.InsertState());
    EXPECT_TRUE(harness.Frame().overwrite.back());

    // Typing overwrites in both states.
    harness.Click(harness.CellPoint(0, 0, true));
    harness.Press(Qt::Key_Insert);
    harness.Type(QStringLiteral("7"));
    EXPECT_EQ(harness.ByteAt(0), 0x07);
    EXPECT_TRUE(view.NibblePending());
    harness.Press(Qt::Key_Right);
    EXPECT_FALSE(view.NibblePending());
    harness.Type(QStringLiteral("8"));
    EXPECT_EQ(harness.ByteAt(0), 0x07);
    EXPECT_EQ(harness.ByteAt(1), 0x08);
}

TEST(ViewTyping, HexDigitsMakeOneByteInTwoUndoSteps)
{
    ViewHarness harness(QByteArray(32, '\0'), 5);
    CVantorixView& view = harness.View();
    harness.Click(harness.CellPoint(0, 0, true));
    const QPoint caret = view.CaretPos();

    harness.Type(QStringLiteral("4"));
    EXPECT_EQ(harness.ByteAt(0), 0x04);
    EXPECT_EQ(view.CaretPos(), caret) << "the caret stays after the first digit";
    harness.Type(QStringLiteral("1"));
    EXPECT_EQ(harness.ByteAt(0), 0x41);
    EXPECT_EQ(view.LastHit().filePos, 1u);
    ASSERT_EQ(harness.Doc().UndoHistory().size(), 2u);

    harness.Type(QStringLiteral("Gx "));
    EXPECT_EQ(harness.ByteAt(1), 0x00) << "not hexadecimal digits";
    EXPECT_EQ(harness.Doc().UndoHistory().size(), 2u);
    harness.Type(QStringLiteral("fA"));
    EXPECT_EQ(harness.ByteAt(1), 0xFA);

    harness.Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(harness.ByteAt(1), 0x0F);
    harness.Press(Qt::Key_Z, Qt::ControlModifier);
    harness.Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(harness.ByteAt(0), 0x04);
    EXPECT_EQ(harness.ByteAt(1), 0x00);
    harness.Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(harness.ByteAt(0), 0x00);
    EXPECT_EQ(view.LastHit().filePos, 0u) << "undo goes to the byte it restored";
}

TEST(ViewTyping, OneDigitThenAClickOrHome)
{
    ViewHarness harness(QByteArray(32, '\0'), 5);
    harness.Click(harness.CellPoint(2, 0, true));
    harness.Type(QStringLiteral("D"));
    harness.Click(harness.CellPoint(5, 0, true));
    EXPECT_EQ(harness.ByteAt(2), 0x0D) << "a click leaves the single digit's value";
    harness.Type(QStringLiteral("E"));
    EXPECT_EQ(harness.ByteAt(5), 0x0E) << "and the next digit starts a new byte";

    // The pending digit survives Home: the second digit completes the byte at 0. With the
    // search type Hex, Home puts the caret in the hex column.
    harness.Frame().searchType = SearchType::Hex;
    harness.Press(Qt::Key_Home);
    harness.Type(QStringLiteral("3"));
    EXPECT_EQ(harness.ByteAt(0), 0xE3);
    EXPECT_EQ(harness.ByteAt(5), 0x0E);
}

TEST(ViewTyping, AsciiColumnWritesEveryCharacterIncludingControls)
{
    ViewHarness harness(QByteArray(32, '\0'), 5);
    CVantorixView& view = harness.View();
    harness.Click(harness.CellPoint(0, 0, false));
    harness.Type(QStringLiteral("\r"));
    EXPECT_EQ(harness.ByteAt(0), 0x0D);
    EXPECT_EQ(view.LastHit().filePos, 1u);
    EXPECT_FALSE(view.LastHit().onHex);
    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("Edit Byte At: 0, aka 00000000"));

    harness.Type(QStringLiteral("\t\b\x1b" "Az"));
    EXPECT_EQ(harness.ByteAt(1), 0x09);
    EXPECT_EQ(harness.ByteAt(2), 0x08);
    EXPECT_EQ(harness.ByteAt(3), 0x1B);
    EXPECT_EQ(harness.ByteAt(4), 'A');
    EXPECT_EQ(harness.ByteAt(5), 'z');

    // Accelerators of the main frame are not typed into the file (Ctrl+V pastes, and the
    // clipboard is empty).
    QGuiApplication::clipboard()->clear();
    harness.Press(Qt::Key_S, Qt::ControlModifier);
    harness.Press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(harness.ByteAt(6), 0x00);
    EXPECT_EQ(harness.Doc().UndoHistory().size(), 6u);
}

TEST(ViewTyping, NothingIsTypedAtOrPastTheEnd)
{
    ViewHarness harness(Counting(20), 5);
    for (const bool hex : {true, false}) {
        harness.Click(harness.CellPoint(8, 1, hex));
        harness.Type(QStringLiteral("41"));
    }
    EXPECT_TRUE(harness.Doc().UndoHistory().empty());
    EXPECT_TRUE(harness.Doc().PendingChanges().empty());
}

TEST(ViewTyping, AViewOnlyFileRefusesTypingAndUndoInTheStatusBar)
{
    ViewHarness harness(ViewOnlyFile{Counting(20)}, 5);
    ASSERT_TRUE(harness.Doc().IsReadOnly());
    for (const bool hex : {true, false}) {
        harness.Frame().statusTexts.clear();
        harness.Click(harness.CellPoint(3, 0, hex));
        harness.Type(QStringLiteral("4"));
        EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("The file is open read-only."));
    }
    harness.Frame().statusTexts.clear();
    harness.View().UndoLast();
    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("The file is open read-only."));
    EXPECT_TRUE(harness.Doc().PendingChanges().empty());
    EXPECT_EQ(ReadAll(harness.Path()), Counting(20));
}

TEST(ViewTyping, ACaretScrolledOffTheTopKeepsItsByte)
{
    ViewHarness harness(Counting(16 * 100), 10);
    CVantorixView& view = harness.View();
    harness.Click(harness.CellPoint(3, 0, false));
    harness.Wheel(-120);
    ASSERT_LT(view.CaretPos().y(), 0);
    harness.Type(QStringLiteral("ZY"));
    EXPECT_EQ(harness.ByteAt(3), 'Z');
    EXPECT_EQ(harness.ByteAt(4), 'Y');
    EXPECT_EQ(harness.ByteAt(0x13), 0x13);
    EXPECT_EQ(view.LastHit().filePos, 5u);
}

TEST(ViewCaretPane, FollowsEveryCaretMoveAndTheSelection)
{
    ViewHarness harness(Counting(16 * 100), 10);
    CVantorixView& view = harness.View();
    const QString& pane = harness.Frame().caretPosition;
    harness.Click(harness.CellPoint(3, 1, true));
    EXPECT_EQ(pane, QStringLiteral("Offset: 00000013 (19)"));
    harness.Press(Qt::Key_Right);
    EXPECT_EQ(pane, QStringLiteral("Offset: 00000014 (20)"));

    // Home, End and a go-to move the pane and the goto and value boxes alike, once each.
    const std::size_t boxes = harness.Frame().caretInfo.size();
    harness.Press(Qt::Key_End);
    EXPECT_EQ(pane, QStringLiteral("Offset: 0000063F (1599)"));
    harness.Press(Qt::Key_Home);
    EXPECT_EQ(pane, QStringLiteral("Offset: 00000000 (0)"));
    view.GotoPosition(0x200);
    EXPECT_EQ(pane, QStringLiteral("Offset: 00000200 (512)"));
    EXPECT_EQ(harness.Frame().caretInfo.size(), boxes + 3);
    EXPECT_EQ(harness.Frame().caretInfo.back(), std::make_pair(FilePos{0x200}, std::uint8_t{0x00}));

    // Typing moves on; an undo goes back to the byte it restored.
    harness.Type(QStringLiteral("A"));
    EXPECT_EQ(pane, QStringLiteral("Offset: 00000201 (513)"));
    view.UndoLast();
    EXPECT_EQ(pane, QStringLiteral("Offset: 00000200 (512)"));

    // A drag shows its length, both ends included; the next click takes it down.
    harness.Drag(harness.CellPoint(2, 0, true), harness.CellPoint(5, 1, true));
    EXPECT_EQ(pane, QStringLiteral("Offset: %1 (%2)   Selected: 20 bytes")
                        .arg(QString::fromLatin1(OffsetText(view.LastHit().filePos)))
                        .arg(view.LastHit().filePos));
    harness.Click(harness.CellPoint(7, 0, true));
    EXPECT_FALSE(pane.contains(QStringLiteral("Selected")));
}

// Each digit and each character shows at once: what the window shows after every key is
// what a full repaint shows.
TEST(ViewTyping, TypedBytesShowAtOnce)
{
    ViewHarness harness(QByteArray(32, '\0'), 5);
    CVantorixView& view = harness.View();
    const auto expectShown = [&](const char* what) {
        const QImage shown = harness.ScreenImage();
        view.repaint();
        EXPECT_EQ(shown, harness.ScreenImage()) << what;
    };
    harness.Click(harness.CellPoint(3, 1, true));
    const QImage before = harness.ScreenImage();
    harness.Type(QStringLiteral("A"));
    EXPECT_NE(before.copy(harness.CellRect(3, 1, true)), harness.ScreenImage().copy(harness.CellRect(3, 1, true)));
    expectShown("first digit");
    harness.Type(QStringLiteral("B"));
    expectShown("second digit");
    harness.Click(harness.CellPoint(6, 0, false));
    harness.Type(QStringLiteral("x"));
    expectShown("character");
    harness.Press(Qt::Key_Z, Qt::ControlModifier);
    expectShown("undo");
}

} // namespace
} // namespace vtx::test
