// The search, goto and value bars in the running editor: their rows, the drop-down
// arrows, the goto pair mirroring while the user types, Go To Address, the value box with
// the sign, the three search types, and the prompts under the pointer.
#include "FrameFixture.h"

#include "chrome/CCJToolBar.h"
#include "frame/CPairedEdit.h"
#include "res/CommandIds.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

namespace vtx::test {
namespace {

// Clicks the drop-down arrow of a bar button and, in the popup it opens, the item of
// command. Returns the popup's place on the screen and the button's.
struct PopupPlace {
    QRect popup;
    QRect button;
};

PopupPlace ChooseFromArrow(CMainFrame* frame, CCJToolBar* bar, int buttonId, int command)
{
    QToolButton* button = bar->Button(buttonId);
    PopupPlace place;
    place.button = QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
    bool shown = false;
    QTimer::singleShot(0, frame, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup)
            return;
        shown = true;
        place.popup = popup->geometry();
        QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(frame->Commands().Action(command)).center());
    });
    // The arrow is the right-hand end of the button.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() - 3, button->height() / 2));
    EXPECT_TRUE(shown);
    ReactivateAfterPopup(frame);
    return place;
}

TEST_F(FrameTest, ToolbarsSitInTwoRowsInTheirOrder)
{
    StartWith(QByteArray(64, 'a'));
    const CCJToolBar* main = Frame()->MainToolBar();
    const CCJToolBar* search = Frame()->SearchBar();
    const CCJToolBar* value = Frame()->ValueBar();
    const CCJToolBar* gotoBar = Frame()->GotoBar();
    for (const CCJToolBar* bar : {main, search, value, gotoBar}) {
        EXPECT_TRUE(bar->isVisible());
        EXPECT_EQ(Frame()->toolBarArea(const_cast<CCJToolBar*>(bar)), Qt::TopToolBarArea);
    }
    // First row: main toolbar, search bar, value bar, side by side without overlapping.
    EXPECT_EQ(search->y(), main->y());
    EXPECT_EQ(value->y(), main->y());
    EXPECT_GT(search->x(), main->geometry().right());
    EXPECT_GT(value->x(), search->geometry().right());
    // Second row: the goto bar.
    EXPECT_GT(gotoBar->y(), main->geometry().bottom());

    // The boxes take the places of their buttons, at their sizes.
    EXPECT_EQ(search->Control(ID_SEARCH_TEXT), Frame()->SearchBox());
    EXPECT_EQ(Frame()->SearchBox()->width(), 165);
    EXPECT_EQ(gotoBar->Control(ID_GOTO_HEX), Frame()->HexAddressBox());
    EXPECT_EQ(gotoBar->Control(ID_GOTO_DEC), Frame()->DecAddressBox());
    EXPECT_LT(Frame()->HexAddressBox()->x(), Frame()->DecAddressBox()->x());
    EXPECT_EQ(value->Control(ID_VALUE), Frame()->ValueBox());
    // 100 pixels, or wider where the font needs it for a whole address.
    const auto fits = [](const QComboBox* box, const QString& text) {
        const QLineEdit* edit = box->lineEdit();
        return edit->width() - 2 * 2 >= QFontMetrics(edit->font()).horizontalAdvance(text);
    };
    const std::pair<QComboBox*, QString> boxes[] = {{Frame()->HexAddressBox(), QStringLiteral("FFFFFFFF")},
                                                    {Frame()->DecAddressBox(), QStringLiteral("4294967295")},
                                                    {Frame()->ValueBox(), QStringLiteral("FFFFFFFF")}};
    for (const auto& [box, text] : boxes) {
        EXPECT_GE(box->width(), 100) << text.toStdString();
        EXPECT_TRUE(fits(box, text)) << box->objectName().toStdString();
    }
    // A larger font later (the desktop's settings changed) widens them to fit again.
    for (const auto& [box, text] : boxes) {
        QFont larger = box->font();
        larger.setPixelSize(3 * QFontMetrics(larger).height());
        box->setFont(larger);
        QApplication::processEvents();
        EXPECT_TRUE(fits(box, text)) << box->objectName().toStdString() << " in a larger font";
    }
}

TEST_F(FrameTest, DropDownArrowsOpenTheirPopupsBelowTheButton)
{
    StartWith(QByteArray(64, 'a'));
    const PopupPlace search = ChooseFromArrow(Frame(), Frame()->SearchBar(), ID_FIND, ID_SEARCH_HEX);
    EXPECT_GE(search.popup.top(), search.button.bottom());
    EXPECT_EQ(search.popup.left(), search.button.left());
    EXPECT_EQ(Frame()->GetSearchType(), SearchType::Hex);
    EXPECT_FALSE(Frame()->Commands().Action(ID_SEARCH_ASCII)->isChecked());

    const PopupPlace sign = ChooseFromArrow(Frame(), Frame()->ValueBar(), ID_SIGNED_VALUE, ID_SIGN_SIGNED);
    EXPECT_GE(sign.popup.top(), sign.button.bottom());
    EXPECT_TRUE(Frame()->IsSigned());
    EXPECT_FALSE(Frame()->Commands().Action(ID_SIGN_UNSIGNED)->isChecked());
}

TEST_F(FrameTest, GotoBoxesMirrorEachOtherWhileTyping)
{
    StartWith(QByteArray(64, 'a'));
    CCJComboBox* hex = Frame()->HexAddressBox();
    CCJComboBox* dec = Frame()->DecAddressBox();
    ASSERT_NE(qobject_cast<CPairedEdit*>(hex->lineEdit()), nullptr);
    ASSERT_NE(qobject_cast<CPairedEdit*>(dec->lineEdit()), nullptr);

    TypeInto(dec, QStringLiteral("100"));
    EXPECT_EQ(TextOf(hex), QStringLiteral("00000064"));
    TypeInto(hex, QStringLiteral("FF"));
    EXPECT_EQ(TextOf(dec), QStringLiteral("255"));
    QTest::keyClick(QApplication::focusWidget(), 'G');
    EXPECT_EQ(TextOf(hex), QStringLiteral("FF"));
    EXPECT_EQ(TextOf(dec), QStringLiteral("255"));

    TypeInto(hex, QStringLiteral("5F5E100"));
    EXPECT_EQ(TextOf(dec), QStringLiteral("100000000"));
    EXPECT_EQ(TextOf(hex), QStringLiteral("5F5E100"));

    // Past 32 bits both boxes hold the largest value.
    TypeInto(dec, QStringLiteral("4294967296"));
    EXPECT_EQ(TextOf(dec), QStringLiteral("4294967295"));
    EXPECT_EQ(TextOf(hex), QStringLiteral("FFFFFFFF"));
    FocusBox(hex);
    hex->lineEdit()->end(false);
    QTest::keyClick(QApplication::focusWidget(), '1');
    EXPECT_EQ(TextOf(hex), QStringLiteral("FFFFFFFF"));

    // Emptied with Backspace: the other box shows zero.
    TypeInto(hex, QString());
    EXPECT_EQ(TextOf(dec), QStringLiteral("0"));
    TypeInto(dec, QString());
    EXPECT_EQ(TextOf(hex), QStringLiteral("00000000"));
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(FrameTest, GotoBoxesTakeTheTenDigitsOfAFilePastFourGibibytes)
{
    const QString path = m_dir.Write("disk.img", QByteArray("start"));
    if (::truncate(path.toLocal8Bit().constData(), off_t{64} << 30) != 0)
        GTEST_SKIP() << "this file system refuses a 64 GiB sparse file";
    Start({path});
    ASSERT_TRUE(m_bStarted);
    Activate();
    View()->setFocus();
    CCJComboBox* hex = Frame()->HexAddressBox();
    CCJComboBox* dec = Frame()->DecAddressBox();
    ClickByte(3);
    EXPECT_EQ(TextOf(hex), QStringLiteral("0000000003"));

    // The largest value is the largest ten-digit address, not FFFFFFFF.
    TypeInto(hex, QStringLiteral("FFFFFFFFFF1"));
    EXPECT_EQ(TextOf(hex), QStringLiteral("FFFFFFFFFF"));
    EXPECT_EQ(TextOf(dec), QStringLiteral("1099511627775"));

    TypeInto(hex, QStringLiteral("0100000005"));
    EXPECT_EQ(TextOf(dec), QStringLiteral("4294967301"));
    Key(Qt::Key_Return);
    EXPECT_EQ(View()->LastHit().filePos, 0x100000005u);
    EXPECT_EQ(Frame()->CaretPane()->text(), QStringLiteral("Offset: 0100000005 (4294967301)"));

    // Past the end goes to the last byte, as in any file.
    TypeInto(dec, QStringLiteral("99999999999"));
    EXPECT_EQ(TextOf(hex), QStringLiteral("174876E7FF"));
    Key(Qt::Key_Return);
    EXPECT_EQ(View()->LastHit().filePos, (std::uint64_t{64} << 30) - 1);
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(FrameTest, GoToAddressReadsTheHexBox)
{
    StartWith(QByteArray(4096, 'a'));
    ClickByte(20);
    EXPECT_EQ(TextOf(Frame()->HexAddressBox()), QStringLiteral("00000014"));
    EXPECT_EQ(TextOf(Frame()->DecAddressBox()), QStringLiteral("20"));

    // An empty box goes to the start.
    TypeInto(Frame()->HexAddressBox(), QString());
    Key(Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(View()->LastHit().filePos, 0u);

    // Enter in the decimal box goes where the hex box, kept equal, says.
    TypeInto(Frame()->DecAddressBox(), QStringLiteral("3000"));
    Key(Qt::Key_Return);
    EXPECT_EQ(View()->LastHit().filePos, 3000u);
    EXPECT_GT(View()->TopRow(), 0u);

    // Enter in the hex box, and the toolbar button.
    TypeInto(Frame()->HexAddressBox(), QStringLiteral("1f4"));
    Key(Qt::Key_Enter);
    EXPECT_EQ(View()->LastHit().filePos, 500u);
    Frame()->HexAddressBox()->setEditText(QStringLiteral("  40zz"));
    QTest::mouseClick(Frame()->GotoBar()->Button(ID_GOTO_ADDRESS), Qt::LeftButton);
    EXPECT_EQ(View()->LastHit().filePos, 0x40u);
}

TEST_F(FrameTest, ValueBoxShowsTheCaretByteInTheChosenSign)
{
    QByteArray bytes(64, '\0');
    bytes[5] = '\xFF';
    bytes[6] = '\xC8';
    StartWith(bytes);
    ClickByte(5);
    EXPECT_EQ(TextOf(Frame()->ValueBox()), QStringLiteral("255"));
    EXPECT_EQ(TextOf(Frame()->DecAddressBox()), QStringLiteral("5"));
    EXPECT_EQ(TextOf(Frame()->HexAddressBox()), QStringLiteral("00000005"));

    // Choosing the sign rewrites what the box holds at 32 bits; the next caret move shows
    // the byte at 8 bits.
    EXPECT_TRUE(Frame()->Commands().Execute(ID_SIGN_SIGNED));
    EXPECT_EQ(TextOf(Frame()->ValueBox()), QStringLiteral("255"));
    Key(Qt::Key_Right);
    EXPECT_EQ(TextOf(Frame()->ValueBox()), QStringLiteral("-56"));
    Key(Qt::Key_Left);
    EXPECT_EQ(TextOf(Frame()->ValueBox()), QStringLiteral("-1"));
    EXPECT_TRUE(Frame()->Commands().Execute(ID_SIGN_UNSIGNED));
    EXPECT_EQ(TextOf(Frame()->ValueBox()), QStringLiteral("4294967295"));

    // The Signed Value button refills an empty box from the caret.
    Frame()->ValueBox()->setEditText(QString());
    QTest::mouseClick(Frame()->ValueBar()->Button(ID_SIGNED_VALUE), Qt::LeftButton,
                      {}, QPoint(3, Frame()->ValueBar()->Button(ID_SIGNED_VALUE)->height() / 2));
    EXPECT_EQ(TextOf(Frame()->ValueBox()), QStringLiteral("255"));
}

TEST_F(FrameTest, SearchTypesChosenFromTheArrowDriveTheSearch)
{
    QByteArray bytes(256, '.');
    bytes.replace(0x08, 3, "XYZ");
    bytes.replace(0x10, 3, "xyz");
    bytes.replace(0x30, 2, "\xDE\xAD");
    bytes.replace(0x50, 4, QByteArray("h\0i\0", 4));
    bytes.replace(0x60, 4, "aaaa");
    StartWith(bytes);

    const auto find = [this](int type, const QString& text) {
        ChooseFromArrow(Frame(), Frame()->SearchBar(), ID_FIND, type);
        ClickByte(0);
        TypeInto(Frame()->SearchBox(), text);
        Key(Qt::Key_Return);
        return View()->LastHit().filePos;
    };
    // Ascii is case-sensitive.
    EXPECT_EQ(find(ID_SEARCH_ASCII, QStringLiteral("xyz")), 0x10u);
    EXPECT_EQ(find(ID_SEARCH_HEX, QStringLiteral("DEAD")), 0x30u);
    EXPECT_EQ(find(ID_SEARCH_UNICODE, QStringLiteral("hi")), 0x50u);
    EXPECT_EQ(find(ID_SEARCH_REGEX, QStringLiteral("\\xDE.")), 0x30u);

    // Overlapping matches are found one after the other.
    EXPECT_EQ(find(ID_SEARCH_ASCII, QStringLiteral("aa")), 0x60u);
    Key(Qt::Key_F3);
    EXPECT_EQ(View()->LastHit().filePos, 0x61u);
    Key(Qt::Key_F3);
    EXPECT_EQ(View()->LastHit().filePos, 0x62u);
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(FrameTest, PromptsShowInTheStatusBarWhileThePointerIsOverTheCommand)
{
    StartWith(QByteArray(64, 'a'));
    QStatusBar* status = Frame()->statusBar();
    QToolButton* copy = Frame()->MainToolBar()->Button(ID_EDIT_COPY);
    QTest::mouseMove(copy);
    EXPECT_EQ(status->currentMessage(), QStringLiteral("Copy the selection and put it on the Clipboard"));
    EXPECT_EQ(copy->toolTip(), QStringLiteral("Copy"));
    QTest::mouseMove(Frame()->SearchBox());
    EXPECT_EQ(status->currentMessage(), QStringLiteral("Search The Document for the specified text"));
    QTest::mouseMove(Frame()->MDIClient());
    EXPECT_EQ(status->currentMessage(), CMainFrame::IdleMessage());

    // A menu item under the pointer.
    QMenuBar* bar = Frame()->menuBar();
    QAction* edit = Frame()->GetMenuPopup(IDR_VANTORTYPE, QStringLiteral("&Edit"))->menuAction();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(edit).center());
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    QTest::mouseMove(popup, popup->actionGeometry(Frame()->Commands().Action(ID_GOTO_ADDRESS)).center());
    EXPECT_EQ(status->currentMessage(), QStringLiteral("Go To Address"));
    popup->close();
}

// Creation goes on when the address boxes' edit fields cannot be replaced; the boxes are
// then plain edit fields.
class EditsFailFrame : public CMainFrame
{
protected:
    bool SubclassEdit(QComboBox*, CPairedEdit*) override { return false; }
};

TEST(FrameCreation, GotoEditsThatCannotBeReplacedAreReportedAndStayPlain)
{
    MessageBoxRecorder boxes;
    EditsFailFrame frame;
    ASSERT_TRUE(frame.LoadFrame(IDR_MAINFRAME));
    EXPECT_EQ(boxes.Texts(), (std::vector<QString>{"DEC SUBCLASS FAILED", "HEX SUBCLASS FAILED"}));
    frame.show();
    EXPECT_EQ(qobject_cast<CPairedEdit*>(frame.DecAddressBox()->lineEdit()), nullptr);
    // Typing is neither filtered nor mirrored.
    QTest::keyClicks(frame.DecAddressBox(), QStringLiteral("x1"));
    QTest::keyClicks(frame.HexAddressBox(), QStringLiteral("zz"));
    EXPECT_EQ(frame.DecAddressBox()->currentText(), QStringLiteral("x1"));
    EXPECT_EQ(frame.HexAddressBox()->currentText(), QStringLiteral("zz"));
    EXPECT_EQ(boxes.Count(), 2);
}

// The status bar's caret pane in the running editor, and keys of the real keyboard that
// must not type: Alt and Ctrl with a digit go past the view's file untouched.
TEST_F(FrameTest, TheCaretPaneShowsTheOffsetAndTheSelection)
{
    StartWith(QByteArray(64, '.'));
    QLabel* pane = Frame()->CaretPane();
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(Frame()->statusBar()->isAncestorOf(pane));
    ClickByte(18, false);
    EXPECT_EQ(pane->text(), QStringLiteral("Offset: 00000012 (18)"));
    Key(Qt::Key_Q, Qt::AltModifier);
    Key(Qt::Key_1, Qt::ControlModifier);
    Key(Qt::Key_Delete);
    EXPECT_TRUE(Doc()->PendingChanges().empty());
    DragBytes(2, 5);
    EXPECT_EQ(pane->text(), QStringLiteral("Offset: 00000002 (2)   Selected: 4 bytes"));
}

} // namespace
} // namespace vtx::test
