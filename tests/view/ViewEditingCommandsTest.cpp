// Selecting with the keyboard, Redo, and pasting over bytes, through the keys of the view,
// with the bytes on disk checked after a save; and the clipboard texts they rest on.
#include "ViewHarness.h"

#include "view/ClipboardText.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

namespace vtx::test {
namespace {

void SetClipboard(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

TEST(ViewKeySelection, ShiftWithTheNavigationKeysExtendsFromTheCaret)
{
    ViewHarness harness(Counting(16 * 40), 10);
    CVantorixView& view = harness.View();
    harness.Click(harness.CellPoint(5, 1, true));
    harness.Press(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectionAnchor(), 21u);
    EXPECT_EQ(view.SelectionEnd(), 22u);
    harness.Press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectionAnchor(), 21u);
    EXPECT_EQ(view.SelectionEnd(), 38u);
    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("Start 21, End 38"));
    harness.Press(Qt::Key_Up, Qt::ShiftModifier);
    harness.Press(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectionEnd(), 6u) << "back over the anchor";
    EXPECT_EQ(view.SelectionAnchor(), 21u);
    harness.Press(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectionEnd(), 16u * 40 - 1);
    harness.Press(Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectionAnchor(), 21u);
    EXPECT_EQ(view.SelectionEnd(), view.LastHit().filePos);

    // A plain arrow leaves the selection; Shift then starts a new one at the caret.
    harness.Press(Qt::Key_Left);
    const std::uint32_t caret = view.LastHit().filePos;
    harness.Press(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectionAnchor(), caret);
    EXPECT_EQ(view.SelectionEnd(), caret - 1);
    harness.Press(Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectionEnd(), 0u);

    // The keys draw the selection as a drag does.
    harness.Click(harness.CellPoint(0, 0, true));
    const QRect cell = harness.CellRect(2, 0, true);
    const QImage plain = harness.Grab().copy(cell);
    for (int i = 0; i < 5; ++i)
        harness.Press(Qt::Key_Right, Qt::ShiftModifier);
    const QImage keyed = harness.Grab().copy(cell);
    harness.Drag(harness.CellPoint(0, 0, true), harness.CellPoint(5, 0, true));
    EXPECT_EQ(view.SelectionEnd(), 5u);
    EXPECT_EQ(keyed, harness.Grab().copy(cell));
    EXPECT_NE(keyed, plain);
    harness.Click(harness.CellPoint(7, 2, true));
    EXPECT_EQ(view.SelectionEnd(), kNoSelection) << "a click still ends every selection";
}

TEST(ViewKeySelection, CtrlASelectsTheWholeFileForTwoNumbers)
{
    // 1.5 GiB, sparse: selecting it all must not read or hold it.
    ViewHarness harness(SparseFile{3ull << 29, {{0, QByteArray("AB")}}}, 5);
    CVantorixView& view = harness.View();
    harness.Press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.SelectionAnchor(), 0u);
    EXPECT_EQ(view.SelectionEnd(), (3u << 29) - 1);
    EXPECT_EQ(view.LastHit().filePos, 0u) << "the caret stays";
    harness.Settle();
    harness.View().repaint();
    EXPECT_LE(harness.View().reads.size(), 8u) << "only the visible rows are read";
    // Copy puts every selected byte on the clipboard, so 1.5 GiB is refused with the limit;
    // the clipboard keeps what it held.
    SetClipboard(QStringLiteral("kept"));
    MessageBoxRecorder boxes;
    harness.Press(Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Last().contains(QStringLiteral("256 MiB"))) << boxes.Last().toStdString();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    harness.View().CopyAsHex();
    ASSERT_EQ(boxes.Count(), 2);
    EXPECT_TRUE(boxes.Last().startsWith(QStringLiteral("The selection is too large to copy as hex")));
}

TEST(ViewRedo, EachUndoneStepComesBackUntilANewChange)
{
    ViewHarness harness(QByteArray("........"), 3);
    CVantorixView& view = harness.View();
    harness.Click(harness.CellPoint(1, 0, false));
    harness.Type(QStringLiteral("abc"));
    for (int i = 0; i < 3; ++i)
        harness.Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(harness.ByteAt(1), '.');
    harness.Press(Qt::Key_Y, Qt::ControlModifier);
    harness.Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(harness.ByteAt(1), 'a');
    EXPECT_EQ(harness.ByteAt(2), 'b');
    EXPECT_EQ(harness.ByteAt(3), '.');
    EXPECT_EQ(view.LastHit().filePos, 2u) << "redo goes to the byte it changed";
    EXPECT_TRUE(harness.Doc().IsDirty());

    // Typing is a new change: what was undone cannot come back any more.
    harness.Click(harness.CellPoint(6, 0, false));
    harness.Type(QStringLiteral("Z"));
    harness.Press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(harness.ByteAt(3), '.');
    ASSERT_TRUE(harness.Doc().OnSaveDocument(harness.Path()));
    EXPECT_EQ(ReadAll(harness.Path()), QByteArray(".ab...Z."));
}

TEST(ViewPaste, OverwritesFromTheCaretAsOneUndoStep)
{
    ViewHarness harness(QByteArray(12, '.'), 3);
    MessageBoxRecorder boxes;
    // The hex column reads hex digit pairs, whatever spaces and line breaks lie between.
    harness.Click(harness.CellPoint(2, 0, true));
    SetClipboard(QStringLiteral("41 42\r\n43"));
    harness.Press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(boxes.Count(), 0);
    // The ASCII column takes the characters as Latin-1 bytes.
    harness.Click(harness.CellPoint(6, 0, false));
    SetClipboard(QStringLiteral("x\u00E9y"));
    harness.Press(Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(harness.Doc().OnSaveDocument(harness.Path()));
    EXPECT_EQ(ReadAll(harness.Path()), QByteArray("..ABC.x\xE9y..."));

    harness.Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(harness.ByteAt(6), '.');
    EXPECT_EQ(harness.ByteAt(8), '.');
    EXPECT_EQ(harness.ByteAt(2), 'A');
    harness.Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(harness.ByteAt(2), '.');
    EXPECT_EQ(harness.ByteAt(4), '.');
    harness.Press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(harness.ByteAt(4), 'C');
}

TEST(ViewPaste, RefusesWhatIsNotBytesAndSaysWhatDidNotFit)
{
    ViewHarness harness(QByteArray(8, '.'), 3);
    MessageBoxRecorder boxes;
    harness.Click(harness.CellPoint(1, 0, true));
    for (const char* text : {"41 4G", "414", "0x41"}) {
        SetClipboard(QString::fromLatin1(text));
        harness.Press(Qt::Key_V, Qt::ControlModifier);
    }
    harness.Click(harness.CellPoint(1, 0, false));
    SetClipboard(QStringLiteral("\u20AC"));
    harness.Press(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(boxes.Count(), 4);
    EXPECT_EQ(boxes.Texts()[0], QString::fromLatin1(PasteProblemText(PasteProblem::NotHex)));
    EXPECT_EQ(boxes.Texts()[1], QString::fromLatin1(PasteProblemText(PasteProblem::OddDigits)));
    EXPECT_EQ(boxes.Texts()[3], QString::fromLatin1(PasteProblemText(PasteProblem::NotLatin1)));
    EXPECT_TRUE(harness.Doc().PendingChanges().empty());
    EXPECT_FALSE(harness.Doc().IsDirty());

    // Never past the end: what fits is written, and the user learns how much did not.
    boxes.Clear();
    harness.Click(harness.CellPoint(5, 0, false));
    SetClipboard(QStringLiteral("ABCDEF"));
    harness.Press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{QStringLiteral(
                                 "3 of the 6 bytes on the clipboard did not fit before the end of the file and were "
                                 "not pasted.")});
    ASSERT_TRUE(harness.Doc().OnSaveDocument(harness.Path()));
    EXPECT_EQ(ReadAll(harness.Path()), QByteArray(".....ABC"));
    EXPECT_EQ(QFileInfo(harness.Path()).size(), 8);

    // A paste bigger than one change step may hold is refused whole.
    boxes.Clear();
    ViewHarness big(SparseFile{CVantorixDoc::kMaxStepBytes + 10, {}}, 3);
    big.Click(big.CellPoint(0, 0, false));
    SetClipboard(QString(static_cast<qsizetype>(CVantorixDoc::kMaxStepBytes) + 1, QLatin1Char('a')));
    big.Press(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Last().startsWith(QStringLiteral("The clipboard holds too much to paste")));
    EXPECT_TRUE(big.Doc().PendingChanges().empty());
}

TEST(ClipboardText, HexAndLatin1TextsAsBytes)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ParseHexBytes(u"ff 0A\n1b\t2C", bytes), PasteProblem::None);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xFF, 0x0A, 0x1B, 0x2C}));
    EXPECT_EQ(ParseHexBytes(u" \r\n", bytes), PasteProblem::Empty);
    EXPECT_EQ(ParseHexBytes(u"41,42", bytes), PasteProblem::NotHex);
    // Blanks go between pairs, as in every other hex box; one inside a pair is refused.
    EXPECT_EQ(ParseHexBytes(u"4 1", bytes), PasteProblem::SplitPair);
    EXPECT_EQ(ParseLatin1Bytes(u"A\u00FF", bytes), PasteProblem::None);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x41, 0xFF}));
    EXPECT_EQ(ParseLatin1Bytes(u"\u0100", bytes), PasteProblem::NotLatin1);

    // Pieces of one selection make one text.
    std::string text;
    std::uint64_t written = 0;
    const std::vector<std::uint8_t> first(15, 0xAB);
    const std::uint8_t second[] = {0x01, 0x02};
    AppendHexLines(text, first.data(), first.size(), written);
    AppendHexLines(text, second, 2, written);
    EXPECT_EQ(text.substr(42), "AB 01\n02");
}

} // namespace
} // namespace vtx::test
