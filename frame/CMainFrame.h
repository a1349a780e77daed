#pragma once
// The editor's main window: the MDI frame that holds the document windows, the menus and
// toolbars built from the command table, the search, goto and value bars with their boxes,
// the status bar and the colour table. It answers the views' questions
// (IMainFrameServices), routes the editing commands to the view or bar box that has the
// focus, accepts files dropped on it, and closes the documents one by one, active first,
// when it is closed.
//
// The search type and the sign live only as the check marks of the bar menu's two popups,
// "Search Menu" and "SIGN"; the goto address only as the text of the hex address box.

#include "document/SearchPattern.h"
#include "chrome/CCoolMenuManager.h"
#include "colors/ColorTable.h"
#include "frame/CommandTable.h"
#include "framework/CMDIFrameWnd.h"
#include "view/IMainFrameServices.h"

#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;

namespace vtx {

class CReplaceDlg;
class CSearchResultsDock;

class CCJComboBox;
class CCaretNumbersDock;
class CKeyboardShortcutsDlg;
class CBookmarksDock;
class CCJDockBar;
class CCJToolBar;
class CDocManager;
class CPairedEdit;
class CVantorixView;
class LockKeyWatcher;
struct LockKeyStates;

class CMainFrame : public CMDIFrameWnd, public IMainFrameServices
{
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Creates the window from its resources (menus, toolbars, title) and runs OnCreate.
    // False when creation failed; the program then ends.
    bool LoadFrame(int resourceId);

    // Files dropped on the window are opened.
    void DragAcceptFiles(bool accept);

    // IMainFrameServices.
    [[nodiscard]] const ColorTable& GetColorTable() const override { return m_colorTable; }
    [[nodiscard]] QString GetSearchText() const override;
    [[nodiscard]] SearchType GetSearchType() const override;
    [[nodiscard]] bool GetMatchCase() const override;
    [[nodiscard]] bool IsSigned() const override;
    void ShowCaretInfo(FilePos offset, std::uint8_t value, int addressDigits) override;
    void ShowCaretUnreadable(FilePos offset, int addressDigits) override;
    void SetStatusText(const QString& text) override;
    void SetOverwriteIndicator(bool on) override;
    void ShowCaretPosition(const QString& text) override;

    [[nodiscard]] CommandTable& Commands() { return m_commands; }
    // The update pass: command rules, the menu bar (128 or 129) and the title. The lock
    // panes are not part of it: they follow key events and activation.
    void UpdateCommands();
    // Which menu the menu bar shows: IDR_MAINFRAME (128) or IDR_VANTORTYPE (129).
    [[nodiscard]] int GetMenuBarId() const { return m_nMenuBarId; }
    [[nodiscard]] QMenu* GetMenuPopup(int menuBarId, const QString& title) const;
    // Rebuilds the popups from the menu layouts and the command table.
    void RebuildMenus();

    // The bars and their boxes (null until created).
    [[nodiscard]] CCJToolBar* MainToolBar() const { return m_pMainBar; }
    [[nodiscard]] CCJToolBar* SearchBar() const { return m_pSearchBar; }
    [[nodiscard]] CCJToolBar* GotoBar() const { return m_pGotoBar; }
    [[nodiscard]] CCJToolBar* ValueBar() const { return m_pValueBar; }
    [[nodiscard]] CCJComboBox* SearchBox() const { return m_pSearchBox; }
    [[nodiscard]] CCJComboBox* HexAddressBox() const { return m_pHexBox; }
    [[nodiscard]] CCJComboBox* DecAddressBox() const { return m_pDecBox; }
    [[nodiscard]] CCJComboBox* ValueBox() const { return m_pValueBox; }
    // The popups of the bar menu: "Search Menu" and "SIGN".
    [[nodiscard]] QMenu* SearchMenu() const { return m_pSearchMenu; }
    [[nodiscard]] QMenu* SignMenu() const { return m_pSignMenu; }
    // A status bar indicator pane by its id (ID_INDICATOR_CAPS ... ID_INDICATOR_OVR).
    [[nodiscard]] QLabel* IndicatorPane(int id) const;
    // What reads the lock lights for those panes; exists once the frame is created.
    [[nodiscard]] LockKeyWatcher& LockKeys() const { return *m_pLockKeys; }
    // The pane with the caret's offset and the selection's length.
    [[nodiscard]] QLabel* CaretPane() const { return m_pCaretPane; }
    [[nodiscard]] CCoolMenuManager& MenuManager() { return m_menuManager; }
    // The Data Inspector dock (hidden until the View menu shows it).
    [[nodiscard]] CCaretNumbersDock* DataInspector() const { return m_pInspector; }
    [[nodiscard]] CBookmarksDock* Bookmarks() const { return m_pBookmarks; }

    // The colour codes files: the user's own (where Edit Color Codes saves) and the one
    // beside the program, read until the user has one. The table is read at once when
    // they are set here. SetColorCodesPath makes one file both.
    void SetColorCodesPath(std::string path);
    void SetColorCodesPaths(std::string userPath, std::string installedPath);
    // The file the colours come from now.
    [[nodiscard]] std::string ColorCodesFilePath() const;
    [[nodiscard]] const std::string& UserColorCodesFilePath() const { return m_strUserColorCodesPath; }

    // Commands of the bars (also reachable through the command table).
    void OnFind();
    void OnFindPrevious();
    // Edit "Replace...": the Replace dialog, opened or brought forward.
    void OnReplace();
    // Edit "Find All": every match of the search bar's text in the "Search Results" dock.
    void FindAll(const QString& text, SearchSettings settings);
    [[nodiscard]] CReplaceDlg* ReplaceDialog() const { return m_pReplaceDlg; }
    [[nodiscard]] CSearchResultsDock* SearchResults() const { return m_pSearchResults; }
    void OnGotoAddress();
    // Ctrl+J, Ctrl+G and Edit > Goto Address: go from an address box, else into the hex box.
    void OnGotoCommand();
    void SetGotoDigits(int addressDigits);
    void OnSignedValue();
    void OnEditColorCodes();
    // Help > Keyboard Shortcuts: the page of every command and its keys (null until opened).
    void OnKeyboardShortcuts();
    [[nodiscard]] CKeyboardShortcutsDlg* KeyboardShortcutsPage() const { return m_pShortcuts; }
    // Documents as tabs instead of windows; remembered for the next start.
    [[nodiscard]] bool IsTabbedDocuments() const;
    void SetTabbedDocuments(bool tabbed);
    // The status bar's word after a save: "Saved <N> bytes to <name>."
    void ReportSaved(std::uint64_t bytes, const QString& path);

    // The status bar's text while nothing else is shown.
    static const QString& IdleMessage();
    // How often the update pass runs while the program is idle.
    static constexpr int kIdleUpdateMs = 100;
    // Where More Info and Comments lead.
    static const QString& HomePageUrl();
    static const QString& CommentsMailUrl();

protected:
    // The creation steps, in order; -1 when one fails.
    virtual int OnCreate();
    // Puts a paired edit in place of a goto box's edit field. False when the box has no
    // edit field to replace; the box then keeps its plain one.
    virtual bool SubclassEdit(QComboBox* box, CPairedEdit* edit);

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The frame's own commands as rows of data: an id, the prompt, the menu text, up to two
    // keys (Qt::Key_unknown for none), the handler and the update rule (null: always
    // enabled), and whether the item carries a check mark. The handlers and rules are the
    // static members of CommandRows (MainFrameCommands.cpp) and ToolRows (MainFrameTools.cpp).
    struct OwnCommand {
        int id;
        const char* prompt;
        const char* menuText;
        QKeyCombination keys[2];
        void (*handler)(CMainFrame& frame, int id);
        void (*update)(CMainFrame& frame, CCmdUI& ui);
        bool checkable = false;
    };
    struct CommandRows;
    struct ToolRows;
    void BuildCommandTable();
    void AddOwnCommands(std::span<const OwnCommand> rows);
    void AddRecentFileCommands();
    void AddBarCommands();
    // The focus into a bar box, its text selected.
    void FocusBox(CCJComboBox* box);
    void AddBarToggle(int id, const QString& prompt, const QString& menuText, CCJToolBar* CMainFrame::*bar);
    // View > Keep Journal of Unsaved Changes: the setting, and every open document follows it.
    void SetEditJournal(bool on);
    void ReplaceDockBars();
    CCJToolBar* CreateBar(const QString& title, const QString& objectName, int resourceId);
    CCJComboBox* EmbedBox(CCJToolBar* bar, int id, int width, int listHeight, const QString& objectName);
    void LoadBarMenu();
    bool CreateStatusBar();
    void AttachMenuManager();
    void SubclassGotoEdits();
    void ConnectEnterKeys();
    void LoadColorTable();
    void RestoreWindowSettings();
    void SaveWindowSettings() const;
    // A table of the shipped colour codes changes to their variant for the new palette.
    void FollowPalette();
    void UpdateMenuBar();
    void UpdateLockPanes(const std::optional<LockKeyStates>& states);
    void CreateDataInspector();
    // Follows the caret of the active view: its moves refresh the inspector, once per
    // turn of the event loop however many steps a key took.
    void WatchActiveView();
    void RefreshDataInspector();

    // The tools beside the editing commands (MainFrameTools.cpp): checksums, bookmarks,
    // Copy As and Save Selection As.
    void AddToolCommands();
    // The Edit menu's "Copy As" submenu, put in after "Copy as Hex".
    void AddCopyAsMenu(QMenu* edit);
    // The Bookmarks dock, following the active document window.
    void CreateBookmarksDock();

    void SetSearchType(SearchType type);
    void SetSigned(bool on);
    // Copy, Cut, Paste and Undo go to the view or the bar box that has the focus.
    void RouteEditCommand(int id);
    // The edit field of the bar box that w is, or lies in; null for anything else.
    [[nodiscard]] QLineEdit* BoxEditOf(QWidget* w) const;
    // The search, hex address, decimal address and value boxes; null until created.
    [[nodiscard]] std::array<QComboBox*, 4> Boxes() const;
    void OpenShellTarget(const QString& url) const;

    // True while a document window is active: the rule of most document commands.
    [[nodiscard]] bool HasActiveDocument() const { return MDIGetActive() != nullptr; }
    // The update rule of those commands: enabled exactly while a document window is active.
    static void UpdateWithDocument(CMainFrame& frame, CCmdUI& ui);
    [[nodiscard]] CVantorixView* ActiveHexView() const;
    [[nodiscard]] bool AddressBoxHasFocus() const;
    QAction* GoButtonAction();
    [[nodiscard]] CDocManager* DocManager() const;

    ColorTable m_colorTable;
    std::string m_strColorCodesPath;     // beside the program
    std::string m_strUserColorCodesPath; // the user's own
    // The goto bar's edit fields, in goto mode; they take the place of the address boxes'
    // own edit fields during creation.
    QPointer<CPairedEdit> m_pDecAddress;
    QPointer<CPairedEdit> m_pHexAddress;
    // The boxes; the toolbars own them.
    CCJComboBox* m_pSearchBox = nullptr;
    CCJComboBox* m_pHexBox = nullptr;
    CCJComboBox* m_pDecBox = nullptr;
    CCJComboBox* m_pValueBox = nullptr;
    CCJToolBar* m_pMainBar = nullptr;
    CCJToolBar* m_pSearchBar = nullptr;
    CCJToolBar* m_pGotoBar = nullptr;
    CCJToolBar* m_pValueBar = nullptr;
    std::array<std::unique_ptr<CCJDockBar>, 4> m_dockBars;
    CCoolMenuManager m_menuManager;
    // The bar menu's popups, whose check marks are the search type and the sign.
    QMenu* m_pSearchMenu = nullptr;
    QMenu* m_pSignMenu = nullptr;
    std::map<int, QLabel*> m_indicators;
    QLabel* m_pCaretPane = nullptr;

    CommandTable m_commands;
    bool m_bOverwrite = false;
    bool m_bMatchCase = true;
    // Popups of menus 128 and 129, in menu bar order.
    std::map<int, std::vector<QMenu*>> m_menus;
    int m_nMenuBarId = 0;
    QTimer* m_pIdleTimer = nullptr;
    QAction* m_pGoButton = nullptr;
    CKeyboardShortcutsDlg* m_pShortcuts = nullptr;
    LockKeyWatcher* m_pLockKeys = nullptr;
    CCaretNumbersDock* m_pInspector = nullptr;
    QTimer* m_pInspectorTimer = nullptr;
    QPointer<CVantorixView> m_pInspectedView;
    QMetaObject::Connection m_inspectedViewConnection;
    // Replace and Find All; made when first asked for.
    CReplaceDlg* m_pReplaceDlg = nullptr;
    CSearchResultsDock* m_pSearchResults = nullptr;
    void SearchSettingsChanged();
    CBookmarksDock* m_pBookmarks = nullptr;
};

} // namespace vtx
