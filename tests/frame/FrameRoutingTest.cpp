// Copy, Cut, Paste and Undo go where the keyboard focus is: to the hex view (which copies
// and undoes, and neither cuts nor pastes) or to the edit field of a bar box. F3 and Enter
// search from the search box.
#include "FrameFixture.h"

#include "chrome/CCJToolBar.h"
#include "res/CommandIds.h"

#include <QApplication>
#include <QClipboard>
#include <QStatusBar>
#include <QToolButton>

namespace vtx::test {
namespace {

QString Clipboard()
{
    return QGuiApplication::clipboard()->text();
}

void SetClipboard(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

QByteArray Letters()
{
    QByteArray bytes(64, '.');
    bytes.replace(0, 3, "ABC");
    bytes.replace(16, 3, QByteArray("A\0B", 3));
    return bytes;
}

TEST_F(FrameTest, CutInTheViewChangesNothingAndSaysWhy)
{
    StartWith(Letters());
    SetClipboard(QStringLiteral("XYZ"));
    DragBytes(0, 2);
    ClickByte(1, false);
    Key(Qt::Key_X, Qt::ControlModifier);
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_EDIT_CUT));
    EXPECT_FALSE(Doc()->IsDirty());
    EXPECT_EQ(ReadAll(FilePath()), Letters());
    EXPECT_EQ(Clipboard(), QStringLiteral("XYZ"));
    EXPECT_TRUE(Frame()->Commands().Action(ID_EDIT_CUT)->statusTip().contains(QStringLiteral("cannot be removed")));
}

TEST_F(FrameTest, PasteRedoAndSelectAllReachTheFocusedView)
{
    StartWith(Letters());
    // Ctrl+V, Shift+Insert and the menu all paste over the bytes from the caret.
    ClickByte(4, false);
    SetClipboard(QStringLiteral("xy"));
    Key(Qt::Key_V, Qt::ControlModifier);
    ClickByte(8, true);
    SetClipboard(QStringLiteral("7A 7B"));
    Key(Qt::Key_Insert, Qt::ShiftModifier);
    ClickByte(12, true);
    SetClipboard(QStringLiteral("21"));
    EXPECT_TRUE(Frame()->Commands().Execute(ID_EDIT_PASTE));
    // Each paste is one step; the last is undone and redone with both redo keys.
    Key(Qt::Key_Z, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Doc()->GetByte(8), '.');
    Key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Doc()->GetByte(9), '{');
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_SAVE));
    QByteArray expected = Letters();
    expected.replace(4, 2, "xy");
    expected.replace(8, 2, "z{");
    expected[12] = '!';
    EXPECT_EQ(ReadAll(FilePath()), expected);
    EXPECT_EQ(m_boxes.Count(), 0);

    // Select All from the keys, then Copy as Hex from the menu.
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(View()->SelectionAnchor(), 0u);
    EXPECT_EQ(View()->SelectionEnd(), 63u);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_EDIT_COPY_HEX));
    EXPECT_TRUE(Clipboard().startsWith(QStringLiteral("41 42 43 2E 78 79 2E 2E 7A 7B 2E 2E 21 2E 2E 2E\n41 00 42")));
}

TEST_F(FrameTest, CopyPutsTheSelectedBytesOnTheClipboard)
{
    StartWith(Letters());
    DragBytes(0, 2);
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), QStringLiteral("ABC"));

    // Dragged the other way, with the second key, and from the toolbar: the same bytes.
    SetClipboard(QString());
    DragBytes(2, 0);
    Key(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), QStringLiteral("ABC"));

    // The text ends at the first zero byte.
    DragBytes(16, 18);
    QTest::mouseClick(Frame()->MainToolBar()->Button(ID_EDIT_COPY), Qt::LeftButton);
    EXPECT_TRUE(View()->hasFocus());
    EXPECT_EQ(Clipboard(), QStringLiteral("A"));
}

TEST_F(FrameTest, UndoInTheViewTakesBackOneChangePerKey)
{
    StartWith(Letters());
    ClickByte(3, false);
    QTest::keyClicks(View(), QStringLiteral("Z"));
    ClickByte(5, false);
    QTest::keyClicks(View(), QStringLiteral("Y"));
    ASSERT_EQ(Doc()->GetByte(3), 'Z');
    ASSERT_EQ(Doc()->GetByte(5), 'Y');

    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Doc()->GetByte(5), '.');
    EXPECT_EQ(Doc()->GetByte(3), 'Z');
    Key(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(Doc()->GetByte(3), '.');
}

TEST_F(FrameTest, EditCommandsGoToTheFocusedBoxEdit)
{
    StartWith(Letters());
    CCJComboBox* hex = Frame()->HexAddressBox();
    CCJComboBox* dec = Frame()->DecAddressBox();

    // Pasting into an address box brings the other one along, by key and from the menu.
    TypeInto(hex, QString());
    SetClipboard(QStringLiteral("1F"));
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(TextOf(hex), QStringLiteral("1F"));
    EXPECT_EQ(TextOf(dec), QStringLiteral("31"));
    TypeInto(dec, QString());
    SetClipboard(QStringLiteral("256"));
    EXPECT_TRUE(Frame()->Commands().Execute(ID_EDIT_PASTE));
    EXPECT_EQ(TextOf(dec), QStringLiteral("256"));
    EXPECT_EQ(TextOf(hex), QStringLiteral("00000100"));

    // Cutting does not: the partner keeps its text.
    FocusBox(dec);
    dec->lineEdit()->selectAll();
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(TextOf(dec), QString());
    EXPECT_EQ(TextOf(hex), QStringLiteral("00000100"));
    EXPECT_EQ(Clipboard(), QStringLiteral("256"));

    // Copy, Cut and Undo from the menu reach the search box's edit field.
    TypeInto(Frame()->SearchBox(), QStringLiteral("needle"));
    Frame()->SearchBox()->lineEdit()->setSelection(0, 4);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_EDIT_COPY));
    EXPECT_EQ(Clipboard(), QStringLiteral("need"));
    EXPECT_TRUE(Frame()->Commands().Execute(ID_EDIT_CUT));
    EXPECT_EQ(TextOf(Frame()->SearchBox()), QStringLiteral("le"));
    EXPECT_TRUE(Frame()->Commands().Execute(ID_EDIT_UNDO));
    EXPECT_EQ(TextOf(Frame()->SearchBox()), QStringLiteral("needle"));
    // None of it touched the document.
    EXPECT_FALSE(Doc()->IsDirty());
}

TEST_F(FrameTest, EnterAndF3SearchFromTheSearchBox)
{
    QByteArray bytes(256, '.');
    bytes.replace(0x20, 6, "needle");
    bytes.replace(0x30, 6, "NEEDLE");
    bytes.replace(0x50, 6, "needle");
    StartWith(bytes);
    TypeInto(Frame()->SearchBox(), QStringLiteral("needle"));

    Key(Qt::Key_Return);
    EXPECT_EQ(View()->LastHit().filePos, 0x20u);
    // Find moved the focus to the view; back in the box, F3 still finds the next one.
    FocusBox(Frame()->SearchBox());
    Key(Qt::Key_F3);
    EXPECT_EQ(View()->LastHit().filePos, 0x50u);
    EXPECT_EQ(m_boxes.Count(), 0);
    // Shift+F3 goes back, and past the start it wraps round to the end.
    Key(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(View()->LastHit().filePos, 0x20u);
    Key(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(View()->LastHit().filePos, 0x50u);
    EXPECT_EQ(Frame()->statusBar()->currentMessage(), QStringLiteral("Search wrapped to the end of the file."));
    // With Match case off, F3 finds the upper-case one too.
    Frame()->Commands().Action(ID_SEARCH_MATCH_CASE)->trigger();
    Key(Qt::Key_F3);
    EXPECT_EQ(View()->LastHit().filePos, 0x20u);
    Key(Qt::Key_F3);
    EXPECT_EQ(View()->LastHit().filePos, 0x30u);
    EXPECT_EQ(View()->SelectionEnd(), 0x35u);
    EXPECT_EQ(m_boxes.Count(), 0);

    // An empty box asks for text.
    m_boxes.Clear();
    TypeInto(Frame()->SearchBox(), QString());
    Key(Qt::Key_F3);
    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{QStringLiteral("You need to enter text to search for")});
}

} // namespace
} // namespace vtx::test
