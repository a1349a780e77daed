// What a user of other desktop programs expects of the frame: the standard shortcuts, the
// Window menu's list of windows, the unsaved mark in a window's title, display settings
// that outlive the program, and the Data Inspector.
#include "FrameFixture.h"

#include "frame/CKeyboardShortcutsDlg.h"

#include "app/CAboutDlg.h"
#include "frame/CCaretNumbersDock.h"
#include "framework/CSelectWindowDlg.h"
#include "view/CDisplaySettingsDlg.h"
#include "res/CommandIds.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QMenuBar>
#include <QMenu>
#include <QTimer>

#include <functional>

namespace vtx::test {
namespace {

// Runs action while closing whatever modal dialog it opens; returns the dialogs seen, by
// their titles.
QStringList ClosingDialogs(const std::function<void()>& action)
{
    QStringList seen;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            seen << dialog->windowTitle();
            dialog->reject();
        }
    });
    closer.start(10);
    action();
    closer.stop();
    return seen;
}

// The Window menu opened from the menu bar as the user would, its window list part.
QMenu* OpenWindowMenu(CMainFrame* frame)
{
    QMenu* popup = frame->GetMenuPopup(frame->GetMenuBarId(), QStringLiteral("&Window"));
    if (!popup)
        return nullptr;
    QMenuBar* bar = frame->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(popup->menuAction()).center());
    return QApplication::activePopupWidget() == popup ? popup : nullptr;
}

// The items after the menu's own commands: "&1 name" ..., checked ones marked with "+".
QStringList WindowListOf(const QMenu* menu)
{
    QStringList items;
    const QList<QAction*> actions = menu->actions();
    for (qsizetype i = 7; i < actions.size(); ++i)
        items << (actions[i]->isChecked() ? QStringLiteral("+") : QString()) + actions[i]->text();
    return items;
}

TEST_F(FrameTest, TheDesktopsShortcutsReachTheirCommandsAndTypeNothing)
{
    const QByteArray bytes = QByteArray("0123456789ABCDEF").repeated(4);
    enum What { SearchBox, GotoBox, SaveAs, KeysPage, Close, Exit };
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        What what;
    } rows[] = {
        {Qt::Key_F, Qt::ControlModifier, SearchBox},
        {Qt::Key_G, Qt::ControlModifier, GotoBox},
        {Qt::Key_J, Qt::ControlModifier, GotoBox},
        {Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, SaveAs},
        {Qt::Key_F1, Qt::NoModifier, KeysPage},
        {Qt::Key_W, Qt::ControlModifier, Close},
        {Qt::Key_Q, Qt::ControlModifier, Exit},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QKeySequence(row.key | row.modifiers).toString().toStdString());
        StartWith(bytes);
        Frame()->SearchBox()->setEditText(QStringLiteral("needle"));
        ClickByte(3);
        ASSERT_TRUE(View()->hasFocus());
        int prompts = 0;
        App().GetDocManager().SetFilePrompt([&](bool forOpen, const QString&, const QStringList&) {
            EXPECT_FALSE(forOpen);
            ++prompts;
            return QString();
        });
        CVantorixDoc* const doc = Doc();
        const QStringList dialogs = ClosingDialogs([&] { Key(row.key, row.modifiers); });

        switch (row.what) {
        case SearchBox:
            EXPECT_TRUE(Frame()->SearchBox()->lineEdit()->hasFocus());
            EXPECT_EQ(Frame()->SearchBox()->lineEdit()->selectedText(), QStringLiteral("needle"));
            break;
        case GotoBox:
            EXPECT_TRUE(Frame()->HexAddressBox()->lineEdit()->hasFocus());
            EXPECT_EQ(Frame()->HexAddressBox()->lineEdit()->selectedText(), QStringLiteral("00000003"));
            break;
        case SaveAs:
            EXPECT_EQ(prompts, 1);
            break;
        case KeysPage:
            EXPECT_TRUE(dialogs.isEmpty());
            ASSERT_NE(Frame()->KeyboardShortcutsPage(), nullptr);
            EXPECT_TRUE(Frame()->KeyboardShortcutsPage()->isVisible());
            Frame()->KeyboardShortcutsPage()->close();
            break;
        case Close:
            FlushDeletes();
            EXPECT_TRUE(Documents().empty());
            EXPECT_TRUE(Frame()->isVisible());
            break;
        case Exit:
            FlushDeletes();
            EXPECT_TRUE(Documents().empty());
            EXPECT_FALSE(Frame()->isVisible());
            break;
        }
        if (row.what != Close && row.what != Exit) {
            EXPECT_EQ(doc->GetByte(3), '3');
            EXPECT_TRUE(doc->PendingChanges().empty());
        }
        EXPECT_EQ(ReadAll(FilePath()), bytes);
        EXPECT_TRUE(m_boxes.Texts().empty());
    }
}

TEST_F(FrameTest, TheWindowTitleMarksUnsavedChangesUntilTheyAreUndone)
{
    const QByteArray bytes = QByteArray("0123456789ABCDEF").repeated(4);
    StartWith(bytes, QStringLiteral("marked.bin"));
    CMDIChildWnd* child = Frames().at(0);
    EXPECT_EQ(child->windowTitle(), QStringLiteral("marked.bin"));

    ClickByte(2, false);
    Key(Qt::Key_Q);
    Key(Qt::Key_R);
    EXPECT_EQ(child->windowTitle(), QStringLiteral("marked.bin *"));
    Frame()->UpdateCommands();
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Vantorix - marked.bin"));
    // A second window of the document carries the mark too.
    EXPECT_TRUE(Frame()->Commands().Execute(ID_WINDOW_NEW));
    ASSERT_EQ(Frames().size(), 2u);
    EXPECT_EQ(Frames()[1]->windowTitle(), QStringLiteral("marked.bin:2 *"));

    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Frames()[1]->windowTitle(), QStringLiteral("marked.bin:2 *"));
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Frames()[0]->windowTitle(), QStringLiteral("marked.bin:1"));
    EXPECT_EQ(Frames()[1]->windowTitle(), QStringLiteral("marked.bin:2"));

    // Nothing would be lost: closing asks nothing.
    EXPECT_TRUE(Frame()->close());
    EXPECT_TRUE(m_boxes.Texts().empty());
    EXPECT_EQ(ReadAll(FilePath()), bytes);
}

TEST_F(FrameTest, DisplaySettingsFromTheViewMenuOutliveTheProgram)
{
    StartWith(QByteArray(100, 'x'));
    QStringList items;
    for (const QAction* action : Frame()->GetMenuPopup(IDR_VANTORTYPE, QStringLiteral("&View"))->actions())
        items << action->text();
    EXPECT_TRUE(items.contains(QStringLiteral("&Display Settings...")));

    QString title;
    CDisplaySettingsDlg::SetModalRunner([&](CDisplaySettingsDlg& dialog) {
        title = dialog.windowTitle();
        dialog.Edit(CDisplaySettingsDlg::IDC_BYTES_PER_LINE)->setText(QStringLiteral("8"));
        dialog.Edit(CDisplaySettingsDlg::IDC_GROUP_SIZE)->setText(QStringLiteral("2"));
        dialog.OnOK();
        return dialog.result();
    });
    EXPECT_TRUE(Frame()->Commands().Execute(CVantorixView::ID_DISPLAY_SETTINGS));
    CDisplaySettingsDlg::SetModalRunner({});
    EXPECT_EQ(title, QStringLiteral("Display Settings"));
    EXPECT_EQ(View()->BytesPerLine(), 8);
    EXPECT_EQ(View()->GroupSize(), 2);

    // A new window of this run, and the first window after a restart, start with them.
    EXPECT_TRUE(Frame()->Commands().Execute(ID_WINDOW_NEW));
    EXPECT_EQ(View()->BytesPerLine(), 8);
    Finish();
    Start({FilePath()});
    ASSERT_NE(View(), nullptr);
    EXPECT_EQ(View()->BytesPerLine(), 8);
    EXPECT_EQ(View()->GroupSize(), 2);
    EXPECT_TRUE(m_boxes.Texts().empty());
}

TEST_F(FrameTest, TheWindowMenuListsTheWindowsAndActivatesTheOneChosen)
{
    StartWith(QByteArray(32, 'a'), QStringLiteral("a.bin"));
    App().OpenDocumentFile(MakeFile(QStringLiteral("b&c.bin")));
    App().OpenDocumentFile(MakeFile(QStringLiteral("d.bin")));
    Activate();
    QMenu* menu = OpenWindowMenu(Frame());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().at(6)->isSeparator(), true);
    EXPECT_EQ(WindowListOf(menu), (QStringList{"&1 a.bin", "&2 b&&c.bin", "+&3 d.bin"}));
    menu->actions().at(7)->trigger();
    menu->close();
    EXPECT_EQ(ActiveTitle(), QStringLiteral("a.bin"));
    ReactivateAfterPopup(Frame());

    // Past nine windows the list ends in a box that shows them all.
    for (int i = 4; i <= 10; ++i)
        App().OpenDocumentFile(MakeFile(QStringLiteral("f%1.bin").arg(i)));
    menu = OpenWindowMenu(Frame());
    ASSERT_NE(menu, nullptr);
    const QStringList items = WindowListOf(menu);
    ASSERT_EQ(items.size(), 10);
    EXPECT_EQ(items.at(8), QStringLiteral("&9 f9.bin"));
    EXPECT_EQ(items.at(9), QStringLiteral("&Windows..."));
    int listed = 0;
    CSelectWindowDlg::SetModalRunner([&](CSelectWindowDlg& dialog) {
        listed = dialog.List()->count();
        EXPECT_EQ(dialog.List()->currentItem()->text(), QStringLiteral("f10.bin"));
        dialog.List()->setCurrentRow(1);
        dialog.accept();
        return dialog.result();
    });
    menu->actions().last()->trigger();
    CSelectWindowDlg::SetModalRunner({});
    menu->close();
    EXPECT_EQ(listed, 10);
    EXPECT_EQ(ActiveTitle(), QStringLiteral("b&c.bin"));
}

TEST_F(FrameTest, TheDataInspectorFollowsTheCaretToTheLastBytesOfTheFile)
{
    // 16 bytes of filler, then 00 00 80 3F: 1.0 as a little-endian float.
    StartWith(QByteArray(16, '\x11') + Bytes({0x00, 0x00, 0x80, 0x3F}));
    CCaretNumbersDock* inspector = Frame()->DataInspector();
    ASSERT_NE(inspector, nullptr);
    EXPECT_TRUE(inspector->isHidden());
    EXPECT_TRUE(Frame()->Commands().Execute(ID_VIEW_DATA_INSPECTOR));
    EXPECT_TRUE(inspector->isVisible());
    const auto shown = [inspector](const char* name) {
        QCoreApplication::processEvents();
        return inspector->ValueText(QString::fromLatin1(name)).toStdString();
    };
    View()->setFocus();
    ClickByte(16);
    EXPECT_EQ(shown("Float 32-bit"), "1");
    EXPECT_EQ(shown("Signed 32-bit"), "1065353216");
    EXPECT_EQ(shown("Unsigned 16-bit"), "0");
    EXPECT_EQ(shown("Signed 64-bit"), "-");
    EXPECT_EQ(shown("Float 64-bit"), "-");
    inspector->BigEndianBox()->setChecked(true);
    EXPECT_EQ(shown("Unsigned 32-bit"), "32831");
    inspector->BigEndianBox()->setChecked(false);

    // Every kind of caret move refreshes it: a key, End, a typed byte, an undo.
    Key(Qt::Key_Right);
    EXPECT_EQ(shown("Unsigned 16-bit"), "32768");
    Key(Qt::Key_End);
    EXPECT_EQ(shown("Signed 8-bit"), "63");
    EXPECT_EQ(shown("Unsigned 16-bit"), "-");
    EXPECT_EQ(shown("Binary"), "00111111");
    Key(Qt::Key_F);
    EXPECT_EQ(shown("Unsigned 8-bit"), "15");
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(shown("Unsigned 8-bit"), "63");

    // Without a document window it shows nothing.
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_CLOSE));
    FlushDeletes();
    EXPECT_EQ(shown("Unsigned 8-bit"), "-");
    EXPECT_TRUE(m_boxes.Texts().empty());
}

} // namespace
} // namespace vtx::test
