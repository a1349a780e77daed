// The frame's commands as the user meets them: which ones work with and without a
// document, the texts of the menus they sit in, the View menu's bar toggles, and the two
// Help commands that hand a web page and a mail link to the desktop.
#include "FrameFixture.h"

#include "chrome/CCJToolBar.h"
#include "frame/LockKeyWatcher.h"
#include "tools/compare/CCompareWindow.h"
#include "res/CommandIds.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QUrl>

namespace vtx::test {
namespace {

QStringList ItemTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

QStringList CheckedItems(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (action->isChecked())
            texts << action->text();
    return texts;
}

// Receives the links the desktop would open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    UrlCatcher()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "Open");
    }
    ~UrlCatcher() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    }
    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls << url; }
};

TEST_F(FrameTest, DocumentCommandsAndBoxesWorkOnlyWithADocument)
{
    StartEmpty();
    const std::vector<int> documentCommands = {ID_FIND,      ID_GOTO_ADDRESS, ID_EDIT_COPY,   ID_EDIT_CUT,
                                               ID_EDIT_PASTE, ID_EDIT_UNDO,   ID_SIGNED_VALUE, ID_SEARCH_TEXT,
                                               ID_VALUE};
    const std::vector<int> freeCommands = {ID_EDIT_COLOR_CODES, ID_MORE_INFO,      ID_COMMENTS,      ID_VIEW_TOOLBAR,
                                           ID_VIEW_SEARCH_BAR,  ID_VIEW_GOTO_BAR,  ID_VIEW_VALUE_BAR, ID_GOTO_HEX,
                                           ID_GOTO_DEC,         ID_SEARCH_ASCII,   ID_SIGN_SIGNED};
    const auto expectEnabled = [&](bool withDocument) {
        Frame()->UpdateCommands();
        for (const int id : documentCommands)
            EXPECT_EQ(Frame()->Commands().Action(id)->isEnabled(), withDocument) << id;
        for (const int id : freeCommands)
            EXPECT_TRUE(Frame()->Commands().Action(id)->isEnabled()) << id;
        EXPECT_EQ(Frame()->SearchBox()->isEnabled(), withDocument);
        EXPECT_EQ(Frame()->ValueBox()->isEnabled(), withDocument);
        EXPECT_EQ(Frame()->SearchBar()->Button(ID_FIND)->isEnabled(), withDocument);
        EXPECT_EQ(Frame()->ValueBar()->Button(ID_SIGNED_VALUE)->isEnabled(), withDocument);
        EXPECT_EQ(Frame()->MainToolBar()->Button(ID_EDIT_COPY)->isEnabled(), withDocument);
        EXPECT_TRUE(Frame()->MainToolBar()->Button(ID_EDIT_COLOR_CODES)->isEnabled());
        EXPECT_TRUE(Frame()->HexAddressBox()->isEnabled());
        EXPECT_TRUE(Frame()->DecAddressBox()->isEnabled());
    };
    expectEnabled(false);
    // A disabled command does nothing, even when run by its id.
    EXPECT_FALSE(Frame()->Commands().Execute(ID_FIND));

    App().OpenDocumentFile(MakeFile(QStringLiteral("one.bin")));
    expectEnabled(true);

    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_CLOSE));
    FlushDeletes();
    expectEnabled(false);
}

// A command's row as the user meets it: its keys, whether it carries a check mark, its
// status text, and when it is enabled.
struct CommandExpectation {
    const char* name;
    int id;
    const char* keys;
    const char* statusText;
    bool checkable;
    bool enabledWithoutDocument;
    bool enabledWithDocument;
};

class FrameCommandRows : public FrameTest, public ::testing::WithParamInterface<CommandExpectation>
{
};

TEST_P(FrameCommandRows, KeysCheckMarkPromptAndRuleOfTheCommand)
{
    const CommandExpectation& row = GetParam();
    StartEmpty();
    Frame()->UpdateCommands();
    const CommandRow* command = Frame()->Commands().Row(row.id);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(QKeySequence::listToString(command->keys), QString::fromLatin1(row.keys));
    EXPECT_EQ(CommandTable::StatusText(command->prompt), QString::fromLatin1(row.statusText));
    QAction* action = Frame()->Commands().Action(row.id);
    EXPECT_EQ(action->isCheckable(), row.checkable);
    EXPECT_EQ(action->isEnabled(), row.enabledWithoutDocument);
    App().OpenDocumentFile(MakeFile(QStringLiteral("one.bin")));
    Frame()->UpdateCommands();
    EXPECT_EQ(action->isEnabled(), row.enabledWithDocument);
}

INSTANTIATE_TEST_SUITE_P(
    Frame, FrameCommandRows,
    ::testing::Values(
        CommandExpectation{"New", ID_FILE_NEW, "Ctrl+N", "Create a new document", false, true, true},
        CommandExpectation{"Save", ID_FILE_SAVE, "Ctrl+S", "Save the active document", false, false, true},
        CommandExpectation{"PrintSetup", ID_FILE_PRINT_SETUP, "", "Change the printer and printing options", false,
                           true, true},
        CommandExpectation{"Exit", ID_APP_EXIT, "Ctrl+Q", "Quit the application; prompts to save documents", false,
                           true, true},
        CommandExpectation{"Redo", ID_EDIT_REDO, "Ctrl+Y; Ctrl+Shift+Z", "Redo the previously undone action", false,
                           false, true},
        CommandExpectation{"FindAll", ID_EDIT_FIND_ALL, "", "List every match of the search text", false, false, true},
        CommandExpectation{"NextDifferenceOnlyWhileComparing", CCompareWindow::ID_NEXT_DIFFERENCE, "F6",
                           "Select the next run of differing bytes in both files", false, false, false},
        CommandExpectation{"GotoHexBox", ID_GOTO_HEX, "", "Go To Hex Address", false, true, true},
        CommandExpectation{"Signed", ID_SIGN_SIGNED, "", "Show Signed Value", true, true, true},
        CommandExpectation{"MatchCase", ID_SEARCH_MATCH_CASE, "",
                           "Match upper and lower case in Ascii, Unicode and regular-expression searches", true, true, true},
        CommandExpectation{"Cascade", ID_WINDOW_CASCADE, "", "Arrange windows so they overlap", false, false, true},
        CommandExpectation{"Tabbed", ID_WINDOW_TABBED, "", "Show the document windows as tabs", true, true, true},
        CommandExpectation{"KeyboardShortcuts", ID_HELP_KEYBOARD, "F1", "List every command with its keys", false,
                           true, true},
        CommandExpectation{"Checksum", ID_TOOLS_CHECKSUM, "Ctrl+Shift+K",
                           "Compute checksums of the selection, or of the whole document", false, false, true},
        CommandExpectation{"PreviousBookmark", ID_BOOKMARK_PREVIOUS, "Shift+F2", "Go to the previous bookmark", false,
                           false, true},
        CommandExpectation{"SaveSelectionNeedsASelection", ID_FILE_SAVE_SELECTION_AS, "",
                           "Save the selected bytes, with the pending changes, in a new file", false, false, false}),
    [](const ::testing::TestParamInfo<CommandExpectation>& info) { return std::string(info.param.name); });

TEST_F(FrameTest, MenusShowTheCommandsOfTheTable)
{
    StartWith(QByteArray(64, 'a'));
    Frame()->UpdateCommands();
    EXPECT_EQ(ItemTexts(Frame()->GetMenuPopup(IDR_VANTORTYPE, QStringLiteral("&Edit"))),
              (QStringList{"&Undo\tCtrl+Z", "&Redo\tCtrl+Y", "-", "Cu&t\tCtrl+X", "&Copy\tCtrl+C", "Copy as &Hex",
                           "Copy &As", "&Paste\tCtrl+V", "F&ill Selection...\tCtrl+Shift+F", "Select &All\tCtrl+A", "-", "Search &Text", "&Find",
                           "Find Pre&vious", "&Replace...\tCtrl+H", "Find &All",
                           "Next &Difference\tF6", "Previous Di&fference\tShift+F6", "&Goto Address", "Edit Color Codes", "-",
                           "&Search Type"}));
    EXPECT_EQ(ItemTexts(Frame()->GetMenuPopup(IDR_MAINFRAME, QStringLiteral("&Help"))),
              (QStringList{"&Keyboard Shortcuts", "-", "&About Vantorix...", "-", "More Info...", "Comments?"}));

    // The bar menu: its check marks are the search type and the sign, Ascii and Unsigned
    // to begin with.
    EXPECT_EQ(Frame()->SearchMenu()->title(), QStringLiteral("Search Menu"));
    EXPECT_EQ(ItemTexts(Frame()->SearchMenu()),
              (QStringList{"Search &Ascii", "Search &Hex", "Search &Unicode", "Search &Regular Expression", "-", "Match &case"}));
    EXPECT_EQ(CheckedItems(Frame()->SearchMenu()), (QStringList{"Search &Ascii", "Match &case"}));
    EXPECT_EQ(Frame()->SignMenu()->title(), QStringLiteral("SIGN"));
    EXPECT_EQ(ItemTexts(Frame()->SignMenu()), (QStringList{"Signed", "Unsigned"}));
    EXPECT_EQ(CheckedItems(Frame()->SignMenu()), QStringList{"Unsigned"});
    EXPECT_EQ(Frame()->GetSearchType(), SearchType::Ascii);
    EXPECT_FALSE(Frame()->IsSigned());

    // Each choice marks its item and clears the others; the views' searches are given the
    // same marks.
    EXPECT_TRUE(Frame()->Commands().Execute(ID_SEARCH_UNICODE));
    EXPECT_EQ(CheckedItems(Frame()->SearchMenu()), (QStringList{"Search &Unicode", "Match &case"}));
    EXPECT_EQ(Frame()->GetSearchSettings().type, SearchType::Unicode);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_SEARCH_HEX));
    EXPECT_EQ(CheckedItems(Frame()->SearchMenu()), (QStringList{"Search &Hex", "Match &case"}));
    EXPECT_EQ(Frame()->GetSearchSettings().type, SearchType::Hex);
    // Match case is a switch of its own, beside whichever type is marked.
    Frame()->Commands().Action(ID_SEARCH_MATCH_CASE)->trigger();
    EXPECT_EQ(CheckedItems(Frame()->SearchMenu()), QStringList{"Search &Hex"});
    EXPECT_FALSE(Frame()->GetSearchSettings().matchCase);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_SEARCH_MATCH_CASE));
    EXPECT_TRUE(Frame()->GetSearchSettings().matchCase);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_SIGN_SIGNED));
    EXPECT_EQ(CheckedItems(Frame()->SignMenu()), QStringList{"Signed"});
    EXPECT_TRUE(Frame()->IsSigned());

}

TEST_F(FrameTest, ViewMenuTogglesTheBarsAndTheirBoxesKeepTheirText)
{
    StartWith(QByteArray(64, 'a'));
    TypeInto(Frame()->SearchBox(), QStringLiteral("needle"));
    TypeInto(Frame()->DecAddressBox(), QStringLiteral("42"));

    const std::pair<int, QToolBar*> toggles[] = {{ID_VIEW_TOOLBAR, Frame()->MainToolBar()},
                                                 {ID_VIEW_SEARCH_BAR, Frame()->SearchBar()},
                                                 {ID_VIEW_GOTO_BAR, Frame()->GotoBar()},
                                                 {ID_VIEW_VALUE_BAR, Frame()->ValueBar()}};
    for (const auto& [id, bar] : toggles) {
        QAction* item = Frame()->Commands().Action(id);
        Frame()->UpdateCommands();
        EXPECT_TRUE(item->isChecked()) << id;
        EXPECT_TRUE(Frame()->Commands().Execute(id));
        Frame()->UpdateCommands();
        EXPECT_FALSE(bar->isVisible()) << id;
        EXPECT_FALSE(item->isChecked()) << id;
        EXPECT_TRUE(Frame()->Commands().Execute(id));
        Frame()->UpdateCommands();
        EXPECT_TRUE(bar->isVisible()) << id;
        EXPECT_TRUE(item->isChecked()) << id;
    }
    EXPECT_EQ(TextOf(Frame()->SearchBox()), QStringLiteral("needle"));
    EXPECT_EQ(TextOf(Frame()->DecAddressBox()), QStringLiteral("42"));
    EXPECT_EQ(TextOf(Frame()->HexAddressBox()), QStringLiteral("0000002A"));
    // The search still reads the box that came back.
    EXPECT_EQ(Frame()->GetSearchText(), QStringLiteral("needle"));
}

TEST_F(FrameTest, MoreInfoAndCommentsHandTheirLinksToTheDesktop)
{
    StartEmpty();
    UrlCatcher catcher;
    EXPECT_TRUE(Frame()->Commands().Execute(ID_MORE_INFO));
    EXPECT_TRUE(Frame()->Commands().Execute(ID_COMMENTS));
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0], QUrl(CMainFrame::HomePageUrl()));
    EXPECT_EQ(catcher.urls[1].scheme(), QStringLiteral("mailto"));
    EXPECT_FALSE(catcher.urls[1].path().isEmpty());
    EXPECT_EQ(m_boxes.Count(), 0);

    // The setup program links the same page from the start menu.
    QFile link(QStringLiteral(VANTORIX_SOURCE_DIR "/setup/Vantorix Homepage.url"));
    ASSERT_TRUE(link.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(link.readAll()).contains(QStringLiteral("URL=") + CMainFrame::HomePageUrl()));
}

TEST_F(FrameTest, StatusBarHasTheIndicatorPanesAfterTheMessage)
{
    StartWith(QByteArray(64, 'a'));
    const std::pair<int, QString> panes[] = {
        {ID_INDICATOR_CAPS, "CAP"}, {ID_INDICATOR_NUM, "NUM"}, {ID_INDICATOR_SCRL, "SCRL"}, {ID_INDICATOR_OVR, "OVR"}};
    int previousRight = 0;
    for (const auto& [id, text] : panes) {
        const QLabel* pane = Frame()->IndicatorPane(id);
        ASSERT_NE(pane, nullptr) << id;
        EXPECT_EQ(pane->text(), text);
        EXPECT_GT(pane->x(), previousRight);
        previousRight = pane->geometry().right();
    }
    // The offscreen platform cannot tell the lock keys: they show as off.
    EXPECT_FALSE(Frame()->IndicatorPane(ID_INDICATOR_CAPS)->isEnabled());
    // Overwrite follows the view: on in the focused view, off again with Insert.
    EXPECT_TRUE(Frame()->IndicatorPane(ID_INDICATOR_OVR)->isEnabled());
    Key(Qt::Key_Insert);
    EXPECT_FALSE(Frame()->IndicatorPane(ID_INDICATOR_OVR)->isEnabled());
    Key(Qt::Key_Insert);
    EXPECT_TRUE(Frame()->IndicatorPane(ID_INDICATOR_OVR)->isEnabled());
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_CLOSE));
    FlushDeletes();
    Frame()->UpdateCommands();
    EXPECT_FALSE(Frame()->IndicatorPane(ID_INDICATOR_OVR)->isEnabled());
}

TEST_F(FrameTest, LockPanesAreReadOnKeysAndActivationNeverOnATimer)
{
    int reads = 0;
    LockKeyStates lights;
    StartWith(QByteArray(64, 'a'));
    LockKeyWatcher& watcher = Frame()->LockKeys();
    watcher.SetReader([&] {
        ++reads;
        return std::optional<LockKeyStates>(lights);
    });
    const QLabel* caps = Frame()->IndicatorPane(ID_INDICATOR_CAPS);
    const QLabel* num = Frame()->IndicatorPane(ID_INDICATOR_NUM);

    // Several idle update passes go by without a reading.
    const int before = reads;
    QTest::qWait(4 * CMainFrame::kIdleUpdateMs);
    EXPECT_EQ(reads, before);

    // A key in the view (press and release) reads the lights once each.
    lights.bCaps = true;
    Key(Qt::Key_CapsLock);
    EXPECT_EQ(reads, before + 2);
    EXPECT_TRUE(caps->isEnabled());
    EXPECT_FALSE(num->isEnabled());

    // Changed elsewhere: seen when the program becomes active again.
    lights = {false, true, false};
    QEvent activate(QEvent::ApplicationActivate);
    QCoreApplication::sendEvent(qApp, &activate);
    EXPECT_FALSE(caps->isEnabled());
    EXPECT_TRUE(num->isEnabled());
    watcher.SetReader({});
}

} // namespace
} // namespace vtx::test

#include "FrameCommandsTest.moc"
