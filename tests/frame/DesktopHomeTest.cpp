// What a new user on a Linux desktop meets first: the goto keys lead into the goto box
// instead of into the file, every key shows in the menus and on the Keyboard Shortcuts
// page, the user's colours are the user's own, the window fits the screen and documents
// may be tabs, and a save says what it did.
#include "FrameFixture.h"

#include "chrome/CCJToolBar.h"
#include "colors/ColorCodesFile.h"
#include "frame/CColorCodesDlg.h"
#include "frame/CKeyboardShortcutsDlg.h"
#include "frame/CPairedEdit.h"
#include "res/CommandIds.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace vtx::test {
namespace {

// An ELF header's first bytes, then enough to go to 0x1000.
QByteArray ElfLike()
{
    QByteArray bytes("\x7F" "ELF\x02\x01\x01", 7);
    bytes += QByteArray(0x2000 - bytes.size(), '\0');
    return bytes;
}

TEST_F(FrameTest, CtrlJFromTheViewLeadsIntoTheGotoBoxSoTheDigitsNeverReachTheFile)
{
    for (const bool fromMenu : {false, true}) {
        SCOPED_TRACE(fromMenu ? "Edit > Goto Address" : "Ctrl+J");
        StartWith(ElfLike(), QStringLiteral("ls.elf"));
        ClickByte(0);
        ASSERT_TRUE(View()->hasFocus());
        if (fromMenu)
            ASSERT_TRUE(Frame()->Commands().Execute(ID_GOTO_ADDRESS));
        else
            Key(Qt::Key_J, Qt::ControlModifier);
        QLineEdit* hex = Frame()->HexAddressBox()->lineEdit();
        ASSERT_TRUE(hex->hasFocus());
        EXPECT_EQ(hex->selectedText(), QStringLiteral("00000000"));
        // Nothing moved yet: the first press only leads into the box.
        EXPECT_EQ(View()->LastHit().filePos, 0u);

        // The user types the address and Enter, as they would after any editor's goto key.
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1000"));
        Key(Qt::Key_Return);
        EXPECT_EQ(View()->LastHit().filePos, 0x1000u);
        EXPECT_TRUE(Doc()->PendingChanges().empty());
        EXPECT_EQ(ReadAll(FilePath()), ElfLike());

        // With the focus still in an address box, the key goes to the address there.
        TypeInto(Frame()->DecAddressBox(), QStringLiteral("16"));
        Key(Qt::Key_J, Qt::ControlModifier);
        EXPECT_EQ(View()->LastHit().filePos, 16u);
    }
}

TEST_F(FrameTest, TheGotoBarButtonGoesWhereverTheFocusIs)
{
    StartWith(ElfLike());
    ClickByte(3);
    Frame()->HexAddressBox()->setEditText(QStringLiteral("40"));
    ASSERT_TRUE(View()->hasFocus());
    QTest::mouseClick(Frame()->GotoBar()->Button(ID_GOTO_ADDRESS), Qt::LeftButton);
    EXPECT_EQ(View()->LastHit().filePos, 0x40u);
    // The button keeps the command's state: no document, no going.
    Frame()->Commands().SetUpdate(ID_GOTO_ADDRESS, [](CCmdUI& ui) { ui.Enable(false); });
    EXPECT_FALSE(Frame()->GotoBar()->Button(ID_GOTO_ADDRESS)->isEnabled());
}

TEST_F(FrameTest, TheKeyboardShortcutsPageListsTheCommandTableAsItIsNow)
{
    StartWith(QByteArray(64, 'a'));
    const auto rowOf = [this](const QString& name) -> QTreeWidgetItem* {
        QTreeWidget* list = Frame()->KeyboardShortcutsPage()->List();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == name)
                return list->topLevelItem(i);
        return nullptr;
    };
    Key(Qt::Key_F1);
    ASSERT_NE(Frame()->KeyboardShortcutsPage(), nullptr);
    ASSERT_TRUE(Frame()->KeyboardShortcutsPage()->isVisible());
    const struct {
        const char* name;
        QString keys;
    } rows[] = {
        {"Goto Address", QStringLiteral("Ctrl+J, Ctrl+G")},
        {"Search Text", QStringLiteral("Ctrl+F")},
        {"Copy", QKeySequence(Qt::CTRL | Qt::Key_C).toString(QKeySequence::NativeText) + QStringLiteral(", ")
                     + QKeySequence(Qt::CTRL | Qt::Key_Insert).toString(QKeySequence::NativeText)},
        {"Keyboard Shortcuts", QStringLiteral("F1")},
        {"About Vantorix...", QString()},
        {"Save As...", QStringLiteral("Ctrl+Shift+S")},
        // The search modes switch with Alt while the search box has the focus.
        {"Search Regular Expression", QStringLiteral("Alt+4 in the search box")},
        {"Match case", QStringLiteral("Alt+C in the search box")},
    };
    for (const auto& row : rows) {
        QTreeWidgetItem* item = rowOf(QString::fromLatin1(row.name));
        ASSERT_NE(item, nullptr) << row.name;
        EXPECT_EQ(item->text(1), row.keys) << row.name;
    }
    // The recent-file places are not commands a user looks for.
    EXPECT_EQ(rowOf(QStringLiteral("Recent File")), nullptr);

    // A command added to the table later shows the next time the page opens.
    Frame()->Commands().Add({40001, QStringLiteral("A test command\nTest Command"), QStringLiteral("&Test Command"),
                             {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K)}, [] {}, {}});
    EXPECT_EQ(rowOf(QStringLiteral("Test Command")), nullptr);
    Key(Qt::Key_F1);
    ASSERT_NE(rowOf(QStringLiteral("Test Command")), nullptr);
    EXPECT_EQ(rowOf(QStringLiteral("Test Command"))->text(1), QStringLiteral("Ctrl+Shift+K"));

    // The filter keeps the rows whose name or keys hold its text.
    Frame()->KeyboardShortcutsPage()->FilterBox()->setText(QStringLiteral("ctrl+j"));
    EXPECT_FALSE(rowOf(QStringLiteral("Goto Address"))->isHidden());
    EXPECT_TRUE(rowOf(QStringLiteral("Copy"))->isHidden());
    Frame()->KeyboardShortcutsPage()->close();
}

// The program's folder and the user's configuration, as an installed copy has them.
class UserColorsTest : public FrameTest
{
protected:
    UserColorsTest()
    {
        m_program = m_dir.Path(QStringLiteral("usr-lib-vantorix"));
        QDir().mkpath(m_program);
        m_installed = m_program + QStringLiteral("/colors.dat");
        QFile file(m_installed);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kInstalled);
        file.close();
        // Root's files: nobody else may write them (the test may run as root, who still
        // could; the program must simply never try).
        QFile::setPermissions(m_installed, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QFile::setPermissions(m_program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                             | QFile::ReadOther | QFile::ExeOther);
        m_user = QString::fromStdString(UserColorCodesPath());
        QFile::remove(m_user);
    }
    ~UserColorsTest() override
    {
        QFile::remove(m_user);
        QFile::setPermissions(m_program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        CColorCodesDlg::SetColorPicker({});
    }

    static constexpr const char* kInstalled = "41,255,255\r\n";
    QString m_program;
    QString m_installed;
    QString m_user;
};

TEST_F(UserColorsTest, ColoursSavedByAUserComeBackNextTimeAndTheInstalledFileStays)
{
    ASSERT_TRUE(m_user.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Dunmerrow/")));
    StartWith(QByteArray("AB") + QByteArray(62, '.'));
    Frame()->SetColorCodesPaths(m_user.toStdString(), m_installed.toStdString());
    EXPECT_EQ(Frame()->GetColorTable().Entry(0x41), (ColorPair{255, 255}));

    CColorCodesDlg::SetColorPicker([](const QColor&, QWidget*) { return QColor(Qt::blue); });
    bool shown = false;
    QTimer::singleShot(0, Frame(), [&shown] {
        auto* dialog = qobject_cast<CColorCodesDlg*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        shown = true;
        const auto button = [dialog](int id) { return dialog->findChild<QPushButton*>(QString::number(id)); };
        auto* list = dialog->findChild<QTreeWidget*>(QString::number(CColorCodesDlg::IdList));
        // The program's codes are where the user starts, with their colours beside them.
        EXPECT_EQ(list->topLevelItemCount(), 1);
        EXPECT_FALSE(list->topLevelItem(0)->icon(0).isNull());
        QTest::keyClicks(dialog->findChild<CPairedEdit*>(QString::number(CColorCodesDlg::IdHexEdit)),
                         QStringLiteral("42"));
        QTest::mouseClick(button(CColorCodesDlg::IdAdd), Qt::LeftButton);
        ASSERT_EQ(list->topLevelItemCount(), 2);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
        QTest::mouseClick(button(CColorCodesDlg::IdHexColor), Qt::LeftButton);
        // The swatch follows the colour just picked.
        EXPECT_EQ(list->topLevelItem(1)->data(0, Qt::UserRole).toUInt(), 0xFF0000u);
        QTest::mouseClick(button(CColorCodesDlg::IdSave), Qt::LeftButton);
    });
    Key(Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(shown);

    const QByteArray saved("41,255,255\r\n42,16711680,0\r\n");
    EXPECT_EQ(ReadAll(m_user), saved);
    EXPECT_EQ(ReadAll(m_installed), QByteArray(kInstalled));
    EXPECT_EQ(QDir(m_program).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("colors.dat")});
    EXPECT_EQ(Frame()->statusBar()->currentMessage(), QStringLiteral("Saved %1 bytes to colors.dat.").arg(saved.size()));

    // The next start reads the user's file, found by the program's own rule.
    Finish();
    Start();
    ASSERT_TRUE(m_bStarted);
    EXPECT_EQ(Frame()->UserColorCodesFilePath(), m_user.toStdString());
    EXPECT_EQ(Frame()->ColorCodesFilePath(), m_user.toStdString());
    EXPECT_EQ(Frame()->GetColorTable().Entry(0x42), (ColorPair{0xFF0000, 0}));
}

TEST_F(FrameTest, SaveSaysHowManyBytesItWrote)
{
    StartWith(QByteArray(64, 'a'), QStringLiteral("notes.bin"));
    ClickByte(2);
    QTest::keyClicks(View(), QStringLiteral("4142"));
    ASSERT_EQ(Doc()->PendingChanges().size(), 2u);
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Frame()->statusBar()->currentMessage(), QStringLiteral("Saved 2 bytes to notes.bin."));
    EXPECT_EQ(ReadAll(FilePath()).mid(2, 2), QByteArray("AB"));

    // Save As writes the whole file under its new name.
    const QString copy = m_dir.Path(QStringLiteral("copy.bin"));
    App().GetDocManager().SetFilePrompt([&](bool, const QString&, const QStringList&) { return copy; });
    ASSERT_TRUE(Frame()->Commands().Execute(ID_FILE_SAVE_AS));
    EXPECT_EQ(Frame()->statusBar()->currentMessage(), QStringLiteral("Saved 64 bytes to copy.bin."));
    // Cancelling the dialog says nothing.
    Frame()->SetStatusText(QStringLiteral("Ready"));
    App().GetDocManager().SetFilePrompt([](bool, const QString&, const QStringList&) { return QString(); });
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_SAVE_AS));
    EXPECT_EQ(Frame()->statusBar()->currentMessage(), QStringLiteral("Ready"));
}

TEST_F(FrameTest, TheWindowFitsTheScreenAndTabbedDocumentsAreRemembered)
{
    StartEmpty();
    const QRect available = Frame()->screen()->availableGeometry();
    EXPECT_TRUE(available.contains(Frame()->geometry())) << available.width() << "x" << available.height();
    EXPECT_FALSE(Frame()->IsTabbedDocuments());

    Frame()->resize(700, 500);
    ASSERT_TRUE(Frame()->Commands().Execute(ID_WINDOW_TABBED));
    EXPECT_EQ(Frame()->MDIClient()->viewMode(), QMdiArea::TabbedView);
    EXPECT_TRUE(Frame()->Commands().Action(ID_WINDOW_TABBED)->isChecked());
    Finish();

    Start({MakeFile(QStringLiteral("one.bin")), });
    ASSERT_TRUE(m_bStarted);
    EXPECT_TRUE(Frame()->IsTabbedDocuments());
    EXPECT_EQ(Frame()->size(), QSize(700, 500));
    App().OpenDocumentFile(MakeFile(QStringLiteral("two.bin")));
    Activate();
    // Arranging windows means nothing while they are tabs.
    Frame()->UpdateCommands();
    EXPECT_FALSE(Frame()->Commands().Action(ID_WINDOW_CASCADE)->isEnabled());
    EXPECT_FALSE(Frame()->Commands().Action(ID_WINDOW_TILE_HORZ)->isEnabled());
    ASSERT_TRUE(Frame()->Commands().Execute(ID_WINDOW_TABBED));
    EXPECT_EQ(Frame()->MDIClient()->viewMode(), QMdiArea::SubWindowView);
    Frame()->UpdateCommands();
    EXPECT_TRUE(Frame()->Commands().Action(ID_WINDOW_CASCADE)->isEnabled());
}

} // namespace
} // namespace vtx::test
