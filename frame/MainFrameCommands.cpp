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
#include "text/NumberText.h"
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

// The handlers and update rules of the frame's own commands, and the tables that name
// them. A handler gets the frame and the command's id.
struct CMainFrame::CommandRows {
    static CWinApp* App() { return AfxGetApp(); }

    static void FileNew(CMainFrame&, int)
    {
        if (App())
            App()->OnFileNew();
    }
    static void FileOpen(CMainFrame&, int)
    {
        if (App())
            App()->OnFileOpen();
    }
    static void FileClose(CMainFrame& frame, int)
    {
        if (CDocManager* manager = frame.DocManager())
            manager->OnFileClose(frame.GetActiveDocument());
    }
    static void FileSave(CMainFrame& frame, int)
    {
        CDocManager* manager = frame.DocManager();
        auto* doc = dynamic_cast<CVantorixDoc*>(frame.GetActiveDocument());
        if (!manager)
            return;
        // Save writes only the changed bytes: that is the count it reports.
        const std::size_t changed = doc ? doc->PendingChanges().size() : 0;
        if (manager->DoFileSave(frame.GetActiveDocument()) && doc)
            frame.ReportSaved(changed, doc->GetPath());
    }
    static void UpdateFileSave(CMainFrame& frame, CCmdUI& ui)
    {
        // A view-only document has nothing to write; Save As still copies it.
        const auto* doc = dynamic_cast<const CVantorixDoc*>(frame.GetActiveDocument());
        ui.Enable(frame.HasActiveDocument() && !(doc && doc->IsReadOnly()));
    }
    static void FileSaveAs(CMainFrame& frame, int)
    {
        CDocManager* manager = frame.DocManager();
        auto* doc = dynamic_cast<CVantorixDoc*>(frame.GetActiveDocument());
        if (!manager)
            return;
        const QString before = doc ? doc->GetPath() : QString();
        // A new file gets every byte; a cancelled dialog leaves the path.
        if (manager->DoSave(frame.GetActiveDocument(), QString()) && doc && doc->GetPath() != before)
            frame.ReportSaved(doc->GetFileLength(), doc->GetPath());
    }
    static void FilePrint(CMainFrame& frame, int)
    {
        if (CView* view = frame.GetActiveView())
            view->OnFilePrint();
    }
    static void FilePrintPreview(CMainFrame& frame, int)
    {
        if (CView* view = frame.GetActiveView())
            view->OnFilePrintPreview(App() ? App()->GetPreviewPages() : 0);
    }
    static void FilePrintSetup(CMainFrame&, int)
    {
        if (App())
            App()->OnFilePrintSetup();
    }
    static void AppExit(CMainFrame& frame, int)
    {
        if (App())
            App()->OnAppExit();
        else
            frame.close();
    }

    static void Routed(CMainFrame& frame, int id) { frame.RouteEditCommand(id); }
    static void Find(CMainFrame& frame, int) { frame.OnFind(); }
    static void FindPrevious(CMainFrame& frame, int) { frame.OnFindPrevious(); }
    static void Replace(CMainFrame& frame, int) { frame.OnReplace(); }
    static void FindAll(CMainFrame& frame, int) { frame.FindAll(frame.GetSearchText(), frame.GetSearchSettings()); }
    static void Goto(CMainFrame& frame, int) { frame.OnGotoCommand(); }
    static void EditColorCodes(CMainFrame& frame, int) { frame.OnEditColorCodes(); }

    static CCompareWindow* ActiveCompare(const CMainFrame& frame)
    {
        return qobject_cast<CCompareWindow*>(frame.MDIClient()->currentSubWindow());
    }
    static void FileCompare(CMainFrame& frame, int)
    {
        CVantorixView* view = frame.ActiveHexView();
        CDocManager* manager = frame.DocManager();
        if (!view || !view->GetDocument() || !manager)
            return;
        const QString path = manager->AskFileToOpen();
        if (!path.isEmpty())
            CCompareWindow::Open(*view->GetDocument(), path, *manager, *frame.MDIClient());
        frame.UpdateCommands();
    }
    static void NextDifference(CMainFrame& frame, int)
    {
        if (CCompareWindow* compare = ActiveCompare(frame))
            compare->NextDifference();
    }
    static void PreviousDifference(CMainFrame& frame, int)
    {
        if (CCompareWindow* compare = ActiveCompare(frame))
            compare->PreviousDifference();
    }
    static void WhileComparing(CMainFrame& frame, CCmdUI& ui)
    {
        const bool comparing = ActiveCompare(frame) != nullptr;
        ui.Enable(comparing);
        ui.SetVisible(comparing);
    }

    static void ViewDataInspector(CMainFrame& frame, int)
    {
        if (frame.m_pInspector)
            frame.m_pInspector->setVisible(frame.m_pInspector->isHidden());
    }
    static void UpdateDataInspector(CMainFrame& frame, CCmdUI& ui)
    {
        ui.SetCheck(frame.m_pInspector && !frame.m_pInspector->isHidden());
    }
    static void DisplaySettings(CMainFrame& frame, int)
    {
        if (CVantorixView* view = frame.ActiveHexView())
            view->OnDisplaySettings();
    }
    static void ViewStatusBar(CMainFrame& frame, int) { frame.statusBar()->setVisible(frame.statusBar()->isHidden()); }
    static void UpdateStatusBar(CMainFrame& frame, CCmdUI& ui) { ui.SetCheck(!frame.statusBar()->isHidden()); }
    static void EditJournal(CMainFrame& frame, int) { frame.SetEditJournal(!CVantorixDoc::JournalEnabled()); }
    static void UpdateEditJournal(CMainFrame&, CCmdUI& ui) { ui.SetCheck(CVantorixDoc::JournalEnabled()); }

    static void WindowNew(CMainFrame& frame, int) { frame.OnWindowNew(); }
    static void Cascade(CMainFrame& frame, int) { frame.MDICascade(); }
    static void Tile(CMainFrame& frame, int) { frame.MDITile(); }
    static void ArrangeIcons(CMainFrame& frame, int) { frame.MDIIconArrange(); }
    // Arranging windows means nothing while they are tabs.
    static void WithWindows(CMainFrame& frame, CCmdUI& ui)
    {
        ui.Enable(frame.HasActiveDocument() && !frame.IsTabbedDocuments());
    }
    static void Tabbed(CMainFrame& frame, int)
    {
        frame.SetTabbedDocuments(!frame.IsTabbedDocuments());
        frame.SaveWindowSettings();
    }
    static void UpdateTabbed(CMainFrame& frame, CCmdUI& ui) { ui.SetCheck(frame.IsTabbedDocuments()); }
    static void KeyboardShortcuts(CMainFrame& frame, int) { frame.OnKeyboardShortcuts(); }
    static void About(CMainFrame&, int)
    {
        if (App())
            App()->OnAppAbout();
    }
    static void MoreInfo(CMainFrame& frame, int) { frame.OpenShellTarget(HomePageUrl()); }
    static void Comments(CMainFrame& frame, int) { frame.OpenShellTarget(CommentsMailUrl()); }

    static void FocusSearchBox(CMainFrame& frame, int) { frame.FocusBox(frame.m_pSearchBox); }
    static void FocusHexBox(CMainFrame& frame, int) { frame.FocusBox(frame.m_pHexBox); }
    static void FocusDecBox(CMainFrame& frame, int) { frame.FocusBox(frame.m_pDecBox); }
    static void FocusValueBox(CMainFrame& frame, int) { frame.FocusBox(frame.m_pValueBox); }
    static void SignedValue(CMainFrame& frame, int) { frame.OnSignedValue(); }
    static void MatchCase(CMainFrame& frame, int)
    {
        frame.m_bMatchCase = !frame.m_bMatchCase;
        frame.m_commands.Update(ID_SEARCH_MATCH_CASE);
        frame.SearchSettingsChanged();
    }
    static void UpdateMatchCase(CMainFrame& frame, CCmdUI& ui) { ui.SetCheck(frame.m_bMatchCase); }
    static void Sign(CMainFrame& frame, int id)
    {
        frame.SetSigned(id == ID_SIGN_SIGNED);
        frame.OnSignedValue();
    }

    static const OwnCommand kFile[];
    static const OwnCommand kExit[];
    static const OwnCommand kEdit[];
    static const OwnCommand kBarBoxes[];
    static const OwnCommand kMatchCaseAndSign[];
    static const OwnCommand kView[];
    static const OwnCommand kWindowAndHelp[];
};

// Ctrl+W, Ctrl+Shift+S, Ctrl+Q and F1 are the desktop's own keys for Close, Save As, Exit
// and help; as keys of the frame they never reach the view as typed characters.
const CMainFrame::OwnCommand CMainFrame::CommandRows::kFile[] = {
    {ID_FILE_NEW, "Create a new document\nNew", nullptr, {Qt::CTRL | Qt::Key_N}, &FileNew, nullptr},
    {ID_FILE_OPEN, "Open an existing document\nOpen", "&Open...\tCtrl+O", {Qt::CTRL | Qt::Key_O}, &FileOpen,
     nullptr},
    {ID_FILE_CLOSE, "Close the active document\nClose", "&Close", {Qt::CTRL | Qt::Key_W}, &FileClose,
     &UpdateWithDocument},
    {ID_FILE_SAVE, "Save the active document\nSave", "&Save\tCtrl+S", {Qt::CTRL | Qt::Key_S}, &FileSave,
     &UpdateFileSave},
    {ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As", "Save &As...",
     {Qt::CTRL | Qt::SHIFT | Qt::Key_S}, &FileSaveAs, &UpdateWithDocument},
    {ID_FILE_PRINT, "Print the active document\nPrint", "&Print...\tCtrl+P", {Qt::CTRL | Qt::Key_P}, &FilePrint,
     &UpdateWithDocument},
    {ID_FILE_PRINT_PREVIEW, "Display full pages\nPrint Preview", "Print Pre&view", {}, &FilePrintPreview,
     &UpdateWithDocument},
    {ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPrint Setup", "P&rint Setup...", {},
     &FilePrintSetup, nullptr},
};

const CMainFrame::OwnCommand CMainFrame::CommandRows::kExit[] = {
    {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit", "E&xit", {Qt::CTRL | Qt::Key_Q},
     &AppExit, nullptr},
};

const CMainFrame::OwnCommand CMainFrame::CommandRows::kEdit[] = {
    {ID_EDIT_UNDO, "Undo the last action\nUndo", "&Undo\tCtrl+Z", {Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace},
     &Routed, &UpdateWithDocument},
    {ID_EDIT_REDO, "Redo the previously undone action\nRedo", "&Redo\tCtrl+Y",
     {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z}, &Routed, &UpdateWithDocument},
    // The hex view only overwrites bytes: Cut serves the bar boxes.
    {ID_EDIT_CUT,
     "Cut the selection of a bar box and put it on the Clipboard; bytes of the file cannot be removed\nCut",
     "Cu&t\tCtrl+X", {Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete}, &Routed, &UpdateWithDocument},
    {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy", "&Copy\tCtrl+C",
     {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert}, &Routed, &UpdateWithDocument},
    {ID_EDIT_PASTE, "Insert Clipboard contents\nPaste", "&Paste\tCtrl+V",
     {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert}, &Routed, &UpdateWithDocument},
    {ID_EDIT_FILL, "Fill the selection with a repeated pattern\nFill Selection", "F&ill Selection...\tCtrl+Shift+F",
     {Qt::CTRL | Qt::SHIFT | Qt::Key_F}, &Routed, &UpdateWithDocument},
    {ID_EDIT_COPY_HEX, "Copy the selection as hexadecimal values\nCopy as Hex", "Copy as &Hex", {}, &Routed,
     &UpdateWithDocument},
    {ID_EDIT_SELECT_ALL, "Select the entire document\nSelect All", "Select &All\tCtrl+A", {Qt::CTRL | Qt::Key_A},
     &Routed, &UpdateWithDocument},
    {ID_FIND, "Search The Document\nFind", "&Find", {Qt::Key_F3}, &Find, &UpdateWithDocument},
    {ID_FIND_PREVIOUS, "Search The Document backwards\nFind Previous", "Find Pre&vious", {Qt::SHIFT | Qt::Key_F3},
     &FindPrevious, &UpdateWithDocument},
    // Replace and Find All.
    {ID_EDIT_REPLACE, "Replace matches of a text with another of the same length\nReplace", "&Replace...\tCtrl+H",
     {Qt::CTRL | Qt::Key_H}, &Replace, &UpdateWithDocument},
    {ID_EDIT_FIND_ALL, "List every match of the search text\nFind All", "Find &All", {}, &FindAll,
     &UpdateWithDocument},
    // Ctrl+J goes only from an address box; from anywhere else it leads into the hex box, so
    // that the digits typed next land there and never in the file. Ctrl+G, the desktop's key
    // for going to a place, does the same.
    {ID_GOTO_ADDRESS, "Go To Address\nGo To Address", "&Goto Address", {Qt::CTRL | Qt::Key_J, Qt::CTRL | Qt::Key_G},
     &Goto, &UpdateWithDocument},
    // Comparing two files: File > Compare With, and F6 and Shift+F6 while a compare window is
    // active (the Edit menu shows them only then).
    {CCompareWindow::ID_FILE_COMPARE, "Compare the active document with another file, side by side\nCompare With",
     "Co&mpare With...", {}, &FileCompare, &UpdateWithDocument},
    {CCompareWindow::ID_NEXT_DIFFERENCE, "Select the next run of differing bytes in both files\nNext Difference",
     "Next &Difference\tF6", {Qt::Key_F6}, &NextDifference, &WhileComparing},
    {CCompareWindow::ID_PREVIOUS_DIFFERENCE,
     "Select the previous run of differing bytes in both files\nPrevious Difference", "Previous Di&fference\tShift+F6",
     {Qt::SHIFT | Qt::Key_F6}, &PreviousDifference, &WhileComparing},
    {ID_EDIT_COLOR_CODES, "Edit Color Codes\nEdit Color Codes", "Edit Color Codes", {Qt::ALT | Qt::Key_C},
     &EditColorCodes, nullptr},
};

// The boxes' own commands put the focus into the box; their rules enable the box. Ctrl+F,
// the desktop's key for find, leads into the search box; the Edit menu names it.
const CMainFrame::OwnCommand CMainFrame::CommandRows::kBarBoxes[] = {
    {ID_SEARCH_TEXT, "Search The Document for the specified text\nSearch Text", "Search &Text", {Qt::CTRL | Qt::Key_F},
     &FocusSearchBox, &UpdateWithDocument},
    {ID_GOTO_HEX, "Go To Hex Address\nGo To Hex Address", nullptr, {}, &FocusHexBox, nullptr},
    {ID_GOTO_DEC, "Go To Decimal Address\nGo To Decimal Address", nullptr, {}, &FocusDecBox, nullptr},
    {ID_VALUE, "The Value of Selected Bytes (Up to 4 Bytes)\nSelected Byte Value", nullptr, {}, &FocusValueBox,
     &UpdateWithDocument},
    {ID_SIGNED_VALUE, "Displays Signed Value if Checked\nSigned Value", nullptr, {}, &SignedValue,
     &UpdateWithDocument},
};

// Match case is a switch rather than a choice among items: the frame keeps it, the check
// mark shows it. On from the start, so that a search matches bytes exactly unless the user
// asks. The sign is the check mark of its two items.
const CMainFrame::OwnCommand CMainFrame::CommandRows::kMatchCaseAndSign[] = {
    {ID_SEARCH_MATCH_CASE, "Match upper and lower case in Ascii, Unicode and regular-expression searches", "Match &case", {},
     &MatchCase, &UpdateMatchCase},
    {ID_SIGN_SIGNED, "Show Signed Value", "Signed", {}, &Sign, nullptr, true},
    {ID_SIGN_UNSIGNED, "Show Unsigned Value", "Unsigned", {}, &Sign, nullptr, true},
};

const CMainFrame::OwnCommand CMainFrame::CommandRows::kView[] = {
    {ID_VIEW_DATA_INSPECTOR, "Show or hide the Data Inspector\nData Inspector", "Data &Inspector", {},
     &ViewDataInspector, &UpdateDataInspector},
    {CVantorixView::ID_DISPLAY_SETTINGS,
     "Change the bytes per line and the group size of the active window\nDisplay Settings", "&Display Settings...", {},
     &DisplaySettings, &UpdateWithDocument},
    {ID_VIEW_EDIT_JOURNAL,
     "Keep every unsaved change on disk until it is saved, so that a crash loses none\nJournal of Unsaved Changes",
     "Keep &Journal of Unsaved Changes", {}, &EditJournal, &UpdateEditJournal, true},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar", "&Status Bar", {}, &ViewStatusBar,
     &UpdateStatusBar},
};

// F1 is the desktop's help key: it lists the keys; About stays in the menu.
const CMainFrame::OwnCommand CMainFrame::CommandRows::kWindowAndHelp[] = {
    {ID_WINDOW_NEW, "Open another window for the active document\nNew Window", "&New Window", {}, &WindowNew,
     &UpdateWithDocument},
    {ID_WINDOW_CASCADE, "Arrange windows so they overlap\nCascade Windows", "&Cascade", {}, &Cascade,
     &WithWindows},
    {ID_WINDOW_TILE_HORZ, "Arrange windows as non-overlapping tiles\nTile Windows", "&Tile", {}, &Tile,
     &WithWindows},
    {ID_WINDOW_ARRANGE, "Arrange icons at the bottom of the window\nArrange Icons", "&Arrange Icons", {},
     &ArrangeIcons, &WithWindows},
    {ID_WINDOW_TABBED, "Show the document windows as tabs\nTabbed Documents", "&Tabbed Documents", {}, &Tabbed,
     &UpdateTabbed, true},
    {ID_HELP_KEYBOARD, "List every command with its keys\nKeyboard Shortcuts", "&Keyboard Shortcuts", {Qt::Key_F1},
     &KeyboardShortcuts, nullptr},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout", "&About Vantorix...", {},
     &About, nullptr},
    {ID_MORE_INFO, "Dunmerrow Web Site", "More Info...", {}, &MoreInfo, nullptr},
    {ID_COMMENTS, "Mail Dunmerrow with Comments", "Comments?", {}, &Comments, nullptr},
};

void CMainFrame::BuildCommandTable()
{
    AddOwnCommands(CommandRows::kFile);
    AddRecentFileCommands();
    AddOwnCommands(CommandRows::kExit);
    AddOwnCommands(CommandRows::kEdit);
    AddBarCommands();
    AddToolCommands();
    AddBarToggle(ID_VIEW_TOOLBAR, QStringLiteral("Show or hide the toolbar\nToggle ToolBar"), QStringLiteral("&Toolbar"),
                 &CMainFrame::m_pMainBar);
    AddBarToggle(ID_VIEW_SEARCH_BAR, QString(), QStringLiteral("Search Bar"), &CMainFrame::m_pSearchBar);
    AddBarToggle(ID_VIEW_GOTO_BAR, QString(), QStringLiteral("Goto Bar"), &CMainFrame::m_pGotoBar);
    AddBarToggle(ID_VIEW_VALUE_BAR, QString(), QStringLiteral("Value Bar"), &CMainFrame::m_pValueBar);
    AddOwnCommands(CommandRows::kView);
    AddOwnCommands(CommandRows::kWindowAndHelp);
}

void CMainFrame::UpdateWithDocument(CMainFrame& frame, CCmdUI& ui)
{
    ui.Enable(frame.HasActiveDocument());
}

void CMainFrame::AddOwnCommands(std::span<const OwnCommand> rows)
{
    for (const OwnCommand& row : rows) {
        QList<QKeySequence> keys;
        for (const QKeyCombination key : row.keys)
            if (key.key() != Qt::Key_unknown)
                keys << QKeySequence(key);
        CommandRow command{row.id, QString::fromUtf8(row.prompt), QString::fromUtf8(row.menuText), keys,
                           [this, handler = row.handler, id = row.id] { handler(*this, id); }, {}};
        if (const auto update = row.update)
            command.update = [this, update](CCmdUI& ui) { update(*this, ui); };
        QAction* action = m_commands.Add(std::move(command));
        if (row.checkable)
            action->setCheckable(true);
    }
}

void CMainFrame::AddRecentFileCommands()
{
    for (int i = 0; i < kRecentFileItems; ++i) {
        m_commands.Add({ID_FILE_MRU_FILE1 + i, QStringLiteral("Open this document"),
                        i == 0 ? QStringLiteral("Recent File") : QStringLiteral("Recent File %1").arg(i + 1), {},
                        [i] {
                            if (CWinApp* app = AfxGetApp())
                                app->OnOpenRecentFile(i);
                        },
                        [i](CCmdUI& ui) {
                            const CWinApp* app = AfxGetApp();
                            const CRecentFileList* list = app ? app->GetRecentFileList() : nullptr;
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
}

void CMainFrame::AddBarCommands()
{
    AddOwnCommands(CommandRows::kBarBoxes);
    // The search type and the sign are the check marks of these items; each choice marks
    // its own item and clears the others.
    for (const SearchTypeItem& item : kSearchTypeItems) {
        const SearchType type = item.type;
        m_commands.Add({item.id, QString::fromLatin1(item.prompt), QString::fromLatin1(item.menuText), {},
                        [this, type] { SetSearchType(type); }, {}})
            ->setCheckable(true);
    }
    AddOwnCommands(CommandRows::kMatchCaseAndSign);
}

void CMainFrame::FocusBox(CCJComboBox* box)
{
    if (box) {
        box->setFocus(Qt::ShortcutFocusReason);
        if (QLineEdit* edit = box->lineEdit())
            edit->selectAll();
    }
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
                                                    {ID_SEARCH_ASCII, ID_SEARCH_HEX, ID_SEARCH_UNICODE, ID_SEARCH_REGEX,
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
