// The main frame's command table: every command with its prompt, menu text, keys, handler
// and update rule, and the menus built from it.
#include "CMainFrame.h"


// this program
#include "document/CVantorixDoc.h"
#include "chrome/CCJComboBox.h"
#include "chrome/CCJDockBar.h"
#include "chrome/CCJToolBar.h"
#include "chrome/MenuEvents.h"
#include "colors/ColorCodesFile.h"
#include "colors/NumberText.h"
#include "colors/ShippedColorCodes.h"
#include "frame/ApplicationIcon.h"
#include "tools/compare/CCompareWindow.h"
#include "frame/CColorCodesDlg.h"
#include "frame/CCaretNumbersDock.h"
#include "frame/CKeyboardShortcutsDlg.h"
#include "frame/WindowPlacement.h"
#include "frame/CPairedEdit.h"
#include "frame/LockKeyWatcher.h"
#include "frame/SearchTypeItems.h"
#include "frame/SearchModeKeys.h"
#include "framework/CDocManager.h"
#include "framework/CDocument.h"
#include "framework/CMDIChildWnd.h"
#include "framework/CRecentFileList.h"
#include "framework/CView.h"
#include "framework/CWinApp.h"
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "res/CommandIds.h"
#include "tools/bookmarks/CBookmarksDock.h"
#include "tools/findall/CSearchResultsDock.h"
#include "tools/replace/CReplaceDlg.h"
#include "view/CVantorixView.h"
#include "view/DisplayPreferences.h"
#include "view/ViewColors.h"

// Qt
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

// std
#include <optional>

namespace vtx {

namespace {

// The recent-file entries the File menu shows.
constexpr int kRecentFileItems = 4;

struct PopupLayout {
    QString title;
    std::vector<int> ids;
};

constexpr int SEP = CommandTable::kSeparator;

// The menus as the user sees them. Items whose command has no row in the command table
// are left out, and a popup left without items is not shown.
const std::vector<PopupLayout>& MenuLayout(int menuId)
{
    static const std::vector<int> recent = {ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + 1, ID_FILE_MRU_FILE1 + 2,
                                            ID_FILE_MRU_FILE1 + 3};
    static const auto withRecent = [](std::vector<int> head, std::vector<int> tail) {
        head.insert(head.end(), recent.begin(), recent.end());
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    static const PopupLayout view{QStringLiteral("&View"),
                                  {ID_VIEW_TOOLBAR, ID_VIEW_SEARCH_BAR, ID_VIEW_GOTO_BAR, ID_VIEW_VALUE_BAR,
                                   ID_VIEW_STATUS_BAR, ID_VIEW_DATA_INSPECTOR, ID_VIEW_BOOKMARKS, SEP,
                                   ID_VIEW_EDIT_JOURNAL}};
    // With a document the View menu also reaches the active window's display settings.
    static const PopupLayout viewWithDocument{
        view.title, [] {
            std::vector<int> ids = view.ids;
            ids.insert(ids.end(), {SEP, CVantorixView::ID_DISPLAY_SETTINGS});
            return ids;
        }()};
    static const PopupLayout help{QStringLiteral("&Help"), {ID_HELP_KEYBOARD, SEP, ID_APP_ABOUT, SEP, ID_MORE_INFO, ID_COMMENTS}};
    static const std::vector<PopupLayout> noDocument = {
        {QStringLiteral("&File"), withRecent({ID_FILE_OPEN, SEP, ID_FILE_PRINT_SETUP, SEP}, {SEP, ID_APP_EXIT})},
        view,
        help,
    };
    static const std::vector<PopupLayout> withDocument = {
        {QStringLiteral("&File"),
         withRecent({ID_FILE_OPEN, ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_SAVE_SELECTION_AS,
                     CCompareWindow::ID_FILE_COMPARE, SEP,
                     ID_FILE_PRINT,
                     ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP, SEP},
                    {SEP, ID_APP_EXIT})},
        {QStringLiteral("&Edit"),
         {ID_EDIT_UNDO, ID_EDIT_REDO, SEP, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_COPY_HEX, ID_EDIT_PASTE, ID_EDIT_FILL,
          ID_EDIT_SELECT_ALL, SEP, ID_SEARCH_TEXT, ID_FIND, ID_FIND_PREVIOUS, ID_EDIT_REPLACE, ID_EDIT_FIND_ALL,
          CCompareWindow::ID_NEXT_DIFFERENCE, CCompareWindow::ID_PREVIOUS_DIFFERENCE,
          ID_GOTO_ADDRESS, ID_EDIT_COLOR_CODES}},
        viewWithDocument,
        {QStringLiteral("&Tools"), {ID_TOOLS_CHECKSUM, SEP, ID_BOOKMARK_TOGGLE, ID_BOOKMARK_NEXT, ID_BOOKMARK_PREVIOUS}},
        {QStringLiteral("&Window"), {ID_WINDOW_NEW, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE, SEP, ID_WINDOW_TABBED}},
        help,
    };
    return menuId == IDR_VANTORTYPE ? withDocument : noDocument;
}

bool HasCommandItems(const QMenu* menu)
{
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            return true;
    return false;
}

} // namespace

void CMainFrame::BuildCommandTable()
{
    const auto app = [] { return AfxGetApp(); };
    const auto withDocument = EnabledWithDocument();

    // File.
    m_commands.Add({ID_FILE_NEW, QStringLiteral("Create a new document\nNew"), {}, {QKeySequence(QStringLiteral("Ctrl+N"))},
                    [app] { if (app()) app()->OnFileNew(); }, {}});
    m_commands.Add({ID_FILE_OPEN, QStringLiteral("Open an existing document\nOpen"), QStringLiteral("&Open...\tCtrl+O"),
                    {QKeySequence(QStringLiteral("Ctrl+O"))}, [app] { if (app()) app()->OnFileOpen(); }, {}});
    // Ctrl+W, Ctrl+Shift+S, Ctrl+Q and F1 are the desktop's own keys for Close, Save As,
    // Exit and help; as keys of the frame they never reach the view as typed characters.
    m_commands.Add({ID_FILE_CLOSE, QStringLiteral("Close the active document\nClose"), QStringLiteral("&Close"),
                    {QKeySequence(Qt::CTRL | Qt::Key_W)},
                    [this] {
                        if (CDocManager* manager = DocManager())
                            manager->OnFileClose(GetActiveDocument());
                    },
                    withDocument});
    m_commands.Add({ID_FILE_SAVE, QStringLiteral("Save the active document\nSave"), QStringLiteral("&Save\tCtrl+S"),
                    {QKeySequence(QStringLiteral("Ctrl+S"))},
                    [this] {
                        CDocManager* manager = DocManager();
                        auto* doc = dynamic_cast<CVantorixDoc*>(GetActiveDocument());
                        if (!manager)
                            return;
                        // Save writes only the changed bytes: that is the count it reports.
                        const std::size_t changed = doc ? doc->PendingChanges().size() : 0;
                        if (manager->DoFileSave(GetActiveDocument()) && doc)
                            ReportSaved(changed, doc->GetPath());
                    },
                    [this](CCmdUI& ui) {
                        // A view-only document has nothing to write; Save As still copies it.
                        const auto* doc = dynamic_cast<const CVantorixDoc*>(GetActiveDocument());
                        ui.Enable(HasActiveDocument() && !(doc && doc->IsReadOnly()));
                    }});
    m_commands.Add({ID_FILE_SAVE_AS, QStringLiteral("Save the active document with a new name\nSave As"),
                    QStringLiteral("Save &As..."), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
                    [this] {
                        CDocManager* manager = DocManager();
                        auto* doc = dynamic_cast<CVantorixDoc*>(GetActiveDocument());
                        if (!manager)
                            return;
                        const QString before = doc ? doc->GetPath() : QString();
                        // A new file gets every byte; a cancelled dialog leaves the path.
                        if (manager->DoSave(GetActiveDocument(), QString()) && doc && doc->GetPath() != before)
                            ReportSaved(doc->GetFileLength(), doc->GetPath());
                    },
                    withDocument});
    m_commands.Add({ID_FILE_PRINT, QStringLiteral("Print the active document\nPrint"), QStringLiteral("&Print...\tCtrl+P"),
                    {QKeySequence(QStringLiteral("Ctrl+P"))},
                    [this] {
                        if (CView* view = GetActiveView())
                            view->OnFilePrint();
                    },
                    withDocument});
    m_commands.Add({ID_FILE_PRINT_PREVIEW, QStringLiteral("Display full pages\nPrint Preview"),
                    QStringLiteral("Print Pre&view"), {},
                    [this, app] {
                        if (CView* view = GetActiveView())
                            view->OnFilePrintPreview(app() ? app()->GetPreviewPages() : 0);
                    },
                    withDocument});
    m_commands.Add({ID_FILE_PRINT_SETUP, QStringLiteral("Change the printer and printing options\nPrint Setup"),
                    QStringLiteral("P&rint Setup..."), {}, [app] { if (app()) app()->OnFilePrintSetup(); }, {}});
    for (int i = 0; i < kRecentFileItems; ++i) {
        m_commands.Add({ID_FILE_MRU_FILE1 + i, QStringLiteral("Open this document"),
                        i == 0 ? QStringLiteral("Recent File") : QStringLiteral("Recent File %1").arg(i + 1), {},
                        [app, i] { if (app()) app()->OnOpenRecentFile(i); },
                        [app, i](CCmdUI& ui) {
                            const CRecentFileList* list = app() ? app()->GetRecentFileList() : nullptr;
                            const int count = list ? list->Count() : 0;
                            if (i < count) {
                                ui.SetText(list->MenuText(i));
                                ui.SetVisible(true);
                                ui.Enable(true);
                            } else {
                                // An empty list shows its place, greyed.
                                ui.SetText(QStringLiteral("Recent File"));
                                ui.SetVisible(i == 0);
                                ui.Enable(false);
                            }
                        }});
    }
    m_commands.Add({ID_APP_EXIT, QStringLiteral("Quit the application; prompts to save documents\nExit"),
                    QStringLiteral("E&xit"), {QKeySequence(Qt::CTRL | Qt::Key_Q)},
                    [this, app] {
                        if (app())
                            app()->OnAppExit();
                        else
                            close();
                    },
                    {}});

    // Edit and the bars.
    AddEditCommands();
    AddBarCommands();
    AddToolCommands();

    AddViewCommands();

    // Window. Arranging windows means nothing while they are tabs.
    const auto withWindows = [this](CCmdUI& ui) { ui.Enable(HasActiveDocument() && !IsTabbedDocuments()); };
    m_commands.Add({ID_WINDOW_NEW, QStringLiteral("Open another window for the active document\nNew Window"),
                    QStringLiteral("&New Window"), {}, [this] { OnWindowNew(); }, withDocument});
    m_commands.Add({ID_WINDOW_CASCADE, QStringLiteral("Arrange windows so they overlap\nCascade Windows"),
                    QStringLiteral("&Cascade"), {}, [this] { MDICascade(); }, withWindows});
    m_commands.Add({ID_WINDOW_TILE_HORZ, QStringLiteral("Arrange windows as non-overlapping tiles\nTile Windows"),
                    QStringLiteral("&Tile"), {}, [this] { MDITile(); }, withWindows});
    m_commands.Add({ID_WINDOW_ARRANGE, QStringLiteral("Arrange icons at the bottom of the window\nArrange Icons"),
                    QStringLiteral("&Arrange Icons"), {}, [this] { MDIIconArrange(); }, withWindows});
    m_commands.Add({ID_WINDOW_TABBED, QStringLiteral("Show the document windows as tabs\nTabbed Documents"),
                    QStringLiteral("&Tabbed Documents"), {},
                    [this] {
                        SetTabbedDocuments(!IsTabbedDocuments());
                        SaveWindowSettings();
                    },
                    [this](CCmdUI& ui) { ui.SetCheck(IsTabbedDocuments()); }})
        ->setCheckable(true);

    // Help.
    // F1 is the desktop's help key: it lists the keys; About stays in the menu.
    m_commands.Add({ID_HELP_KEYBOARD, QStringLiteral("List every command with its keys\nKeyboard Shortcuts"),
                    QStringLiteral("&Keyboard Shortcuts"), {QKeySequence(Qt::Key_F1)}, [this] { OnKeyboardShortcuts(); },
                    {}});
    m_commands.Add({ID_APP_ABOUT, QStringLiteral("Display program information, version number and copyright\nAbout"),
                    QStringLiteral("&About Vantorix..."), {}, [app] { if (app()) app()->OnAppAbout(); }, {}});
    m_commands.Add({ID_MORE_INFO, QStringLiteral("Dunmerrow Web Site"), QStringLiteral("More Info..."), {},
                    [this] { OpenShellTarget(HomePageUrl()); }, {}});
    m_commands.Add({ID_COMMENTS, QStringLiteral("Mail Dunmerrow with Comments"), QStringLiteral("Comments?"), {},
                    [this] { OpenShellTarget(CommentsMailUrl()); }, {}});
}

void CMainFrame::AddEditCommands()
{
    const auto withDocument = EnabledWithDocument();
    const auto routed = [this](int id) { return [this, id] { RouteEditCommand(id); }; };
    const auto keys = [](QKeyCombination principal, QKeyCombination second) {
        return QList<QKeySequence>{QKeySequence(principal), QKeySequence(second)};
    };

    m_commands.Add({ID_EDIT_UNDO, QStringLiteral("Undo the last action\nUndo"), QStringLiteral("&Undo\tCtrl+Z"),
                    keys(Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace), routed(ID_EDIT_UNDO), withDocument});
    m_commands.Add({ID_EDIT_REDO, QStringLiteral("Redo the previously undone action\nRedo"),
                    QStringLiteral("&Redo\tCtrl+Y"), keys(Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                    routed(ID_EDIT_REDO), withDocument});
    // The hex view only overwrites bytes: Cut serves the bar boxes.
    m_commands.Add({ID_EDIT_CUT,
                    QStringLiteral("Cut the selection of a bar box and put it on the Clipboard; bytes of the "
                                   "file cannot be removed\nCut"),
                    QStringLiteral("Cu&t\tCtrl+X"), keys(Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete),
                    routed(ID_EDIT_CUT), withDocument});
    m_commands.Add({ID_EDIT_COPY, QStringLiteral("Copy the selection and put it on the Clipboard\nCopy"),
                    QStringLiteral("&Copy\tCtrl+C"), keys(Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert),
                    routed(ID_EDIT_COPY), withDocument});
    m_commands.Add({ID_EDIT_PASTE, QStringLiteral("Insert Clipboard contents\nPaste"), QStringLiteral("&Paste\tCtrl+V"),
                    keys(Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert), routed(ID_EDIT_PASTE), withDocument});
    m_commands.Add({ID_EDIT_FILL, QStringLiteral("Fill the selection with a repeated pattern\nFill Selection"),
                    QStringLiteral("F&ill Selection...\tCtrl+Shift+F"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
                    routed(ID_EDIT_FILL), withDocument});
    m_commands.Add({ID_EDIT_COPY_HEX, QStringLiteral("Copy the selection as hexadecimal values\nCopy as Hex"),
                    QStringLiteral("Copy as &Hex"), {}, routed(ID_EDIT_COPY_HEX), withDocument});
    m_commands.Add({ID_EDIT_SELECT_ALL, QStringLiteral("Select the entire document\nSelect All"),
                    QStringLiteral("Select &All\tCtrl+A"), {QKeySequence(Qt::CTRL | Qt::Key_A)},
                    routed(ID_EDIT_SELECT_ALL), withDocument});
    m_commands.Add({ID_FIND, QStringLiteral("Search The Document\nFind"), QStringLiteral("&Find"),
                    {QKeySequence(Qt::Key_F3)}, [this] { OnFind(); }, withDocument});
    m_commands.Add({ID_FIND_PREVIOUS, QStringLiteral("Search The Document backwards\nFind Previous"),
                    QStringLiteral("Find Pre&vious"), {QKeySequence(Qt::SHIFT | Qt::Key_F3)},
                    [this] { OnFindPrevious(); }, withDocument});
    // Replace and Find All.
    m_commands.Add({ID_EDIT_REPLACE, QStringLiteral("Replace matches of a text with another of the same length\nReplace"),
                    QStringLiteral("&Replace...\tCtrl+H"), {QKeySequence(Qt::CTRL | Qt::Key_H)}, [this] { OnReplace(); },
                    withDocument});
    m_commands.Add({ID_EDIT_FIND_ALL, QStringLiteral("List every match of the search text\nFind All"),
                    QStringLiteral("Find &All"), {},
                    [this] { FindAll(GetSearchText(), GetSearchSettings()); }, withDocument});
    // Ctrl+J goes only from an address box; from anywhere else it leads into the hex box,
    // so that the digits typed next land there and never in the file. Ctrl+G, the
    // desktop's key for going to a place, does the same.
    m_commands.Add({ID_GOTO_ADDRESS, QStringLiteral("Go To Address\nGo To Address"), QStringLiteral("&Goto Address"),
                    {QKeySequence(Qt::CTRL | Qt::Key_J), QKeySequence(Qt::CTRL | Qt::Key_G)},
                    [this] { OnGotoCommand(); }, withDocument});
    // Comparing two files: File > Compare With, and F6 and Shift+F6 while a compare window
    // is active (the Edit menu shows them only then).
    const auto activeCompare = [this] { return qobject_cast<CCompareWindow*>(MDIClient()->currentSubWindow()); };
    const auto whileComparing = [activeCompare](CCmdUI& ui) {
        const bool comparing = activeCompare() != nullptr;
        ui.Enable(comparing);
        ui.SetVisible(comparing);
    };
    m_commands.Add({CCompareWindow::ID_FILE_COMPARE,
                    QStringLiteral("Compare the active document with another file, side by side\nCompare With"),
                    QStringLiteral("Co&mpare With..."), {},
                    [this] {
                        CVantorixView* view = ActiveHexView();
                        CDocManager* manager = DocManager();
                        if (!view || !view->GetDocument() || !manager)
                            return;
                        const QString path = manager->AskFileToOpen();
                        if (!path.isEmpty())
                            CCompareWindow::Open(*view->GetDocument(), path, *manager, *MDIClient());
                        UpdateCommands();
                    },
                    withDocument});
    m_commands.Add({CCompareWindow::ID_NEXT_DIFFERENCE,
                    QStringLiteral("Select the next run of differing bytes in both files\nNext Difference"),
                    QStringLiteral("Next &Difference\tF6"), {QKeySequence(Qt::Key_F6)},
                    [activeCompare] {
                        if (CCompareWindow* compare = activeCompare())
                            compare->NextDifference();
                    },
                    whileComparing});
    m_commands.Add({CCompareWindow::ID_PREVIOUS_DIFFERENCE,
                    QStringLiteral("Select the previous run of differing bytes in both files\nPrevious Difference"),
                    QStringLiteral("Previous Di&fference\tShift+F6"), {QKeySequence(Qt::SHIFT | Qt::Key_F6)},
                    [activeCompare] {
                        if (CCompareWindow* compare = activeCompare())
                            compare->PreviousDifference();
                    },
                    whileComparing});
    m_commands.Add({ID_EDIT_COLOR_CODES, QStringLiteral("Edit Color Codes\nEdit Color Codes"),
                    QStringLiteral("Edit Color Codes"), {QKeySequence(Qt::ALT | Qt::Key_C)},
                    [this] { OnEditColorCodes(); }, {}});
}

void CMainFrame::AddBarCommands()
{
    const auto withDocument = EnabledWithDocument();
    // The boxes' own commands put the focus into the box; their rules enable the box.
    const auto focusBox = [this](CCJComboBox* CMainFrame::*box) {
        return [this, box] {
            if (CCJComboBox* target = this->*box) {
                target->setFocus(Qt::ShortcutFocusReason);
                if (QLineEdit* edit = target->lineEdit())
                    edit->selectAll();
            }
        };
    };

    // Ctrl+F, the desktop's key for find, leads into the search box; the Edit menu names it.
    m_commands.Add({ID_SEARCH_TEXT, QStringLiteral("Search The Document for the specified text\nSearch Text"),
                    QStringLiteral("Search &Text"), {QKeySequence(Qt::CTRL | Qt::Key_F)},
                    focusBox(&CMainFrame::m_pSearchBox), withDocument});
    m_commands.Add({ID_GOTO_HEX, QStringLiteral("Go To Hex Address\nGo To Hex Address"), {}, {},
                    focusBox(&CMainFrame::m_pHexBox), {}});
    m_commands.Add({ID_GOTO_DEC, QStringLiteral("Go To Decimal Address\nGo To Decimal Address"), {}, {},
                    focusBox(&CMainFrame::m_pDecBox), {}});
    m_commands.Add({ID_VALUE, QStringLiteral("The Value of Selected Bytes (Up to 4 Bytes)\nSelected Byte Value"), {},
                    {}, focusBox(&CMainFrame::m_pValueBox), withDocument});
    m_commands.Add({ID_SIGNED_VALUE, QStringLiteral("Displays Signed Value if Checked\nSigned Value"), {}, {},
                    [this] { OnSignedValue(); }, withDocument});

    // The search type and the sign are the check marks of these items; each choice marks
    // its own item and clears the others.
    for (const SearchTypeItem& item : kSearchTypeItems) {
        const SearchType type = item.type;
        m_commands.Add({item.id, QString::fromLatin1(item.prompt), QString::fromLatin1(item.menuText), {},
                        [this, type] { SetSearchType(type); }, {}})
            ->setCheckable(true);
    }
    // A switch rather than a choice among items: the frame keeps it, the check mark shows
    // it. On from the start, so that a search matches bytes exactly unless the user asks.
    m_commands.Add({ID_SEARCH_MATCH_CASE, QStringLiteral("Match upper and lower case in Ascii and Unicode searches"),
                    QStringLiteral("Match &case"), {},
                    [this] {
                        m_bMatchCase = !m_bMatchCase;
                        m_commands.Update(ID_SEARCH_MATCH_CASE);
                        SearchSettingsChanged();
                    },
                    [this](CCmdUI& ui) { ui.SetCheck(m_bMatchCase); }});
    m_commands.Add({ID_SIGN_SIGNED, QStringLiteral("Show Signed Value"), QStringLiteral("Signed"), {},
                    [this] {
                        SetSigned(true);
                        OnSignedValue();
                    },
                    {}})
        ->setCheckable(true);
    m_commands.Add({ID_SIGN_UNSIGNED, QStringLiteral("Show Unsigned Value"), QStringLiteral("Unsigned"), {},
                    [this] {
                        SetSigned(false);
                        OnSignedValue();
                    },
                    {}})
        ->setCheckable(true);
}

void CMainFrame::AddBarToggle(int id, const QString& prompt, const QString& menuText, CCJToolBar* CMainFrame::*bar)
{
    // Shown or hidden as the user asked, whether or not the window itself shows yet; a
    // hidden bar keeps its boxes and their texts.
    m_commands.Add({id, prompt, menuText, {},
                    [this, bar] {
                        if (CCJToolBar* target = this->*bar)
                            target->setVisible(target->isHidden());
                    },
                    [this, bar](CCmdUI& ui) {
                        const CCJToolBar* target = this->*bar;
                        ui.SetCheck(target && !target->isHidden());
                    }});
}

void CMainFrame::AddViewCommands()
{
    const auto withDocument = EnabledWithDocument();
    AddBarToggle(ID_VIEW_TOOLBAR, QStringLiteral("Show or hide the toolbar\nToggle ToolBar"), QStringLiteral("&Toolbar"),
                 &CMainFrame::m_pMainBar);
    AddBarToggle(ID_VIEW_SEARCH_BAR, QString(), QStringLiteral("Search Bar"), &CMainFrame::m_pSearchBar);
    AddBarToggle(ID_VIEW_GOTO_BAR, QString(), QStringLiteral("Goto Bar"), &CMainFrame::m_pGotoBar);
    AddBarToggle(ID_VIEW_VALUE_BAR, QString(), QStringLiteral("Value Bar"), &CMainFrame::m_pValueBar);
    m_commands.Add({ID_VIEW_DATA_INSPECTOR, QStringLiteral("Show or hide the Data Inspector\nData Inspector"),
                    QStringLiteral("Data &Inspector"), {},
                    [this] {
                        if (m_pInspector)
                            m_pInspector->setVisible(m_pInspector->isHidden());
                    },
                    [this](CCmdUI& ui) { ui.SetCheck(m_pInspector && !m_pInspector->isHidden()); }});
    m_commands.Add({CVantorixView::ID_DISPLAY_SETTINGS,
                    QStringLiteral("Change the bytes per line and the group size of the active window\nDisplay Settings"),
                    QStringLiteral("&Display Settings..."), {},
                    [this] {
                        if (CVantorixView* view = ActiveHexView())
                            view->OnDisplaySettings();
                    },
                    withDocument});
    m_commands.Add({ID_VIEW_EDIT_JOURNAL,
                    QStringLiteral("Keep every unsaved change on disk until it is saved, so that a crash loses "
                                   "none\nJournal of Unsaved Changes"),
                    QStringLiteral("Keep &Journal of Unsaved Changes"), {},
                    [this] { SetEditJournal(!CVantorixDoc::JournalEnabled()); },
                    [](CCmdUI& ui) { ui.SetCheck(CVantorixDoc::JournalEnabled()); }})
        ->setCheckable(true);
    m_commands.Add({ID_VIEW_STATUS_BAR, QStringLiteral("Show or hide the status bar\nToggle StatusBar"),
                    QStringLiteral("&Status Bar"), {},
                    [this] { statusBar()->setVisible(statusBar()->isHidden()); },
                    [this](CCmdUI& ui) { ui.SetCheck(!statusBar()->isHidden()); }});
}

void CMainFrame::SetEditJournal(bool on)
{
    // Kept for the next start (the application reads it before any document opens), and
    // followed at once by every open document.
    if (const CWinApp* app = AfxGetApp()) {
        const std::unique_ptr<QSettings> settings = app->GetProfile();
        settings->setValue(QStringLiteral("Settings/EditJournal"), on);
        settings->sync();
        if (settings->status() != QSettings::NoError)
            Trace(QStringLiteral("settings %1 could not be written").arg(settings->fileName()));
    }
    CVantorixDoc::SetJournalEnabled(on);
    if (CDocManager* manager = DocManager())
        for (CDocument* document : manager->GetDocuments())
            if (auto* doc = dynamic_cast<CVantorixDoc*>(document))
                doc->FollowJournalSetting();
    m_commands.Update(ID_VIEW_EDIT_JOURNAL);
}

void CMainFrame::RebuildMenus()
{
    menuBar()->clear();
    for (auto& [id, popups] : m_menus)
        qDeleteAll(popups);
    m_menus.clear();
    for (const int menuId : {IDR_MAINFRAME, IDR_VANTORTYPE}) {
        const std::vector<PopupLayout>& layout = MenuLayout(menuId);
        for (size_t i = 0; i < layout.size(); ++i) {
            QMenu* popup = m_commands.BuildMenu(layout[i].title, layout[i].ids, this);
            // The menu manager hooked on the frame sees the popups open and close.
            ForwardMenuEvents(popup, this, static_cast<int>(i));
            if (layout[i].title == QStringLiteral("&Window"))
                connect(popup, &QMenu::aboutToShow, this, [this, popup] { UpdateWindowList(popup); });
            if (menuId == IDR_VANTORTYPE && layout[i].title == QStringLiteral("&Edit"))
                AddCopyAsMenu(popup);
            // The search type and Match case, reachable from the keyboard: the same items
            // as the drop-down beside the magnifier.
            if (layout[i].title == QStringLiteral("&Edit")) {
                QMenu* modes = m_commands.BuildMenu(QStringLiteral("&Search Type"),
                                                    {ID_SEARCH_ASCII, ID_SEARCH_HEX, ID_SEARCH_UNICODE,
                                                     CommandTable::kSeparator, ID_SEARCH_MATCH_CASE},
                                                    popup);
                popup->addSeparator();
                popup->addMenu(modes);
            }
            m_menus[menuId].push_back(popup);
        }
    }
    m_nMenuBarId = 0;
    UpdateMenuBar();
}

QMenu* CMainFrame::GetMenuPopup(int menuBarId, const QString& title) const
{
    const auto it = m_menus.find(menuBarId);
    if (it == m_menus.end())
        return nullptr;
    for (QMenu* popup : it->second)
        if (popup->title() == title)
            return popup;
    return nullptr;
}

void CMainFrame::UpdateMenuBar()
{
    const int wanted = HasActiveDocument() ? IDR_VANTORTYPE : IDR_MAINFRAME;
    if (wanted == m_nMenuBarId)
        return;
    m_nMenuBarId = wanted;
    QMenuBar* bar = menuBar();
    bar->clear();
    for (QMenu* popup : m_menus[wanted])
        if (HasCommandItems(popup))
            bar->addMenu(popup);
}

void CMainFrame::UpdateCommands()
{
    m_commands.UpdateAll();
    UpdateMenuBar();
    OnUpdateFrameTitle();
    // Overwrite is a state of a document window; without one the pane is off.
    if (QLabel* pane = IndicatorPane(ID_INDICATOR_OVR))
        pane->setEnabled(m_bOverwrite && HasActiveDocument());
}

} // namespace vtx
