// The frame's menus while they are open: the toolbar image of each command that has a
// button, and every shortcut of the command ("Ctrl+C, Ctrl+Insert"); and the same frame
// with no menu manager at all. Also closing the program with two changed documents.
#include "FrameFixture.h"

#include "res/CommandIds.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>

namespace vtx::test {
namespace {

// Opens a popup of the menu bar with a click, as the user would.
QMenu* OpenFromMenuBar(CMainFrame* frame, const QString& title)
{
    QMenu* popup = frame->GetMenuPopup(frame->GetMenuBarId(), title);
    if (!popup)
        return nullptr;
    QMenuBar* bar = frame->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(popup->menuAction()).center());
    return QApplication::activePopupWidget() == popup ? popup : nullptr;
}

QString ItemText(CMainFrame* frame, int id)
{
    return frame->Commands().Action(id)->text();
}

TEST_F(FrameTest, OpenMenusShowToolbarImagesAndEveryShortcut)
{
    StartWith(QByteArray(64, 'a'));
    for (int round = 0; round < 2; ++round) {
        QMenu* edit = OpenFromMenuBar(Frame(), QStringLiteral("&Edit"));
        ASSERT_NE(edit, nullptr);
        // Opening twice adds nothing twice.
        EXPECT_EQ(ItemText(Frame(), ID_EDIT_COPY), QStringLiteral("&Copy\tCtrl+C, Ctrl+Insert"));
        EXPECT_EQ(ItemText(Frame(), ID_EDIT_CUT), QStringLiteral("Cu&t\tCtrl+X, Shift+Delete"));
        EXPECT_EQ(ItemText(Frame(), ID_EDIT_PASTE), QStringLiteral("&Paste\tCtrl+V, Shift+Insert"));
        EXPECT_EQ(ItemText(Frame(), ID_EDIT_UNDO), QStringLiteral("&Undo\tCtrl+Z, Alt+Backspace"));
        EXPECT_EQ(ItemText(Frame(), ID_FIND), QStringLiteral("&Find\tF3"));
        EXPECT_EQ(ItemText(Frame(), ID_GOTO_ADDRESS), QStringLiteral("&Goto Address\tCtrl+J, Ctrl+G"));
        EXPECT_EQ(ItemText(Frame(), ID_SEARCH_TEXT), QStringLiteral("Search &Text\tCtrl+F"));
        EXPECT_EQ(ItemText(Frame(), ID_EDIT_COLOR_CODES), QStringLiteral("Edit Color Codes\tAlt+C"));
        // Images from the main toolbar, the search bar and the goto bar; Undo has no button.
        for (const int id : {ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_PASTE, ID_FIND, ID_GOTO_ADDRESS, ID_EDIT_COLOR_CODES})
            EXPECT_FALSE(Frame()->Commands().Action(id)->icon().isNull()) << id;
        EXPECT_TRUE(Frame()->Commands().Action(ID_EDIT_UNDO)->icon().isNull());
        edit->close();
        // Closed, the items are plain again.
        EXPECT_EQ(ItemText(Frame(), ID_EDIT_COPY), QStringLiteral("&Copy\tCtrl+C"));
        EXPECT_TRUE(Frame()->Commands().Action(ID_EDIT_COPY)->icon().isNull());
    }

    // The File menu names the keys of the framework's commands the same way.
    QMenu* file = OpenFromMenuBar(Frame(), QStringLiteral("&File"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ItemText(Frame(), ID_FILE_OPEN), QStringLiteral("&Open...\tCtrl+O"));
    EXPECT_FALSE(Frame()->Commands().Action(ID_FILE_OPEN)->icon().isNull());
    // The desktop's keys are named beside the items as well.
    EXPECT_EQ(ItemText(Frame(), ID_FILE_CLOSE), QStringLiteral("&Close\tCtrl+W"));
    EXPECT_EQ(ItemText(Frame(), ID_FILE_SAVE_AS), QStringLiteral("Save &As...\tCtrl+Shift+S"));
    EXPECT_EQ(ItemText(Frame(), ID_APP_EXIT), QStringLiteral("E&xit\tCtrl+Q"));
    file->close();
    ReactivateAfterPopup(Frame());
    QMenu* help = OpenFromMenuBar(Frame(), QStringLiteral("&Help"));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(ItemText(Frame(), ID_HELP_KEYBOARD), QStringLiteral("&Keyboard Shortcuts\tF1"));
    EXPECT_EQ(ItemText(Frame(), ID_APP_ABOUT), QStringLiteral("&About Vantorix..."));
    help->close();
}

TEST_F(FrameTest, TheFrameWorksTheSameWithoutItsMenuManager)
{
    StartWith(QByteArray("ABCDEFGH") + QByteArray(56, '.'));
    Frame()->MenuManager().HookTo(nullptr);

    QMenu* edit = OpenFromMenuBar(Frame(), QStringLiteral("&Edit"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(ItemText(Frame(), ID_EDIT_COPY), QStringLiteral("&Copy\tCtrl+C"));
    EXPECT_TRUE(Frame()->Commands().Action(ID_EDIT_COPY)->icon().isNull());
    EXPECT_TRUE(Frame()->Commands().Action(ID_EDIT_COPY)->isEnabled());
    // The item still runs its command.
    DragBytes(0, 3);
    QTest::mouseClick(edit, Qt::LeftButton, {}, edit->actionGeometry(Frame()->Commands().Action(ID_EDIT_COPY)).center());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("ABCD"));

    // And so do the keys.
    ReactivateAfterPopup(Frame());
    View()->setFocus();
    DragBytes(1, 2);
    Key(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("BC"));
    TypeInto(Frame()->HexAddressBox(), QStringLiteral("5"));
    Key(Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(View()->LastHit().filePos, 5u);
}

TEST_F(FrameTest, ExitAsksAboutEachChangedDocumentActiveFirst)
{
    const QByteArray bytes(64, '.');
    StartWith(bytes, QStringLiteral("first.bin"));
    const QString first = FilePath();
    ClickByte(0, false);
    QTest::keyClicks(View(), QStringLiteral("1"));
    const QString second = m_dir.Write(QStringLiteral("second.bin"), bytes);
    App().OpenDocumentFile(second);
    Activate();
    View()->setFocus();
    ClickByte(1, false);
    QTest::keyClicks(View(), QStringLiteral("2"));

    m_boxes.Answer(MsgResult::Yes);
    m_boxes.Answer(MsgResult::Yes);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_APP_EXIT));
    EXPECT_EQ(m_boxes.Texts(),
              (std::vector<QString>{QStringLiteral("Would you like to save changes to %1?").arg(second),
                                    QStringLiteral("Would you like to save changes to %1?").arg(first)}));
    EXPECT_FALSE(Frame()->isVisible());
    EXPECT_EQ(ReadAll(first).left(2), QByteArray("1."));
    EXPECT_EQ(ReadAll(second).left(2), QByteArray(".2"));
}

} // namespace
} // namespace vtx::test
