// Copy, Cut, Paste and Undo go where the keyboard focus is: to the hex view (which copies
// and undoes, and neither cuts nor pastes) or to the edit field of a bar box. F3 and Enter
// search from the search box.
#include "FrameFixture.h"

#include "chrome/CCJToolBar.h"
#include "res/CommandIds.h"

#include <QApplication>
#include <QClipboard>
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

TEST_F(FrameTest, CutAndPasteInTheViewChangeNothing)
{
    StartWith(Letters());
    SetClipboard(QStringLiteral("XYZ"));
    DragBytes(0, 2);
    ClickByte(1, false);
    for (const auto& [key, modifiers] : std::initializer_list<std::pair<int, Qt::KeyboardModifiers>>{
             {Qt::Key_X, Qt::ControlModifier},
             {Qt::Key_V, Qt::ControlModifier},
             {Qt::Key_Delete, Qt::ShiftModifier},
             {Qt::Key_Insert, Qt::ShiftModifier}})
        Key(key, modifiers);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_EDIT_CUT));
    EXPECT_TRUE(Frame()->Commands().Execute(ID_EDIT_PASTE));
    EXPECT_FALSE(Doc()->IsDirty());
    EXPECT_EQ(ReadAll(FilePath()), Letters());
    EXPECT_EQ(Doc()->GetByte(1), 'B');
    EXPECT_EQ(Clipboard(), QStringLiteral("XYZ"));
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
    // No wrapping round to the start.
    Key(Qt::Key_F3);
    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{QStringLiteral("Reached End of File")});
    EXPECT_EQ(View()->LastHit().filePos, 0x50u);

    // An empty box asks for text.
    m_boxes.Clear();
    TypeInto(Frame()->SearchBox(), QString());
    Key(Qt::Key_F3);
    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{QStringLiteral("You need to enter text to search for")});
}

} // namespace
} // namespace vtx::test
