#pragma once
// The editor's main window: the MDI frame that holds the document windows, the menus
// built from the command table, the status bar and the colour table. It answers the
// views' questions (IMainFrameServices), accepts files dropped on it, and closes the
// documents one by one, active first, when it is closed.

#include "app/SearchPattern.h"
#include "colors/ColorTable.h"
#include "frame/CommandTable.h"
#include "framework/CMDIFrameWnd.h"
#include "view/IMainFrameServices.h"

#include <QString>

#include <map>
#include <vector>

class QMenu;
class QTimer;

namespace vtx {

class CDocManager;

class CMainFrame : public CMDIFrameWnd, public IMainFrameServices
{
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Creates the window from its resources (menus, title) and runs OnCreate. False when
    // creation failed; the program then ends.
    bool LoadFrame(int resourceId);

    // Files dropped on the window are opened.
    void DragAcceptFiles(bool accept);

    // IMainFrameServices.
    [[nodiscard]] const ColorTable& GetColorTable() const override { return m_colorTable; }
    [[nodiscard]] QString GetSearchText() const override;
    [[nodiscard]] SearchType GetSearchType() const override { return m_nSearchType; }
    [[nodiscard]] bool IsSigned() const override { return m_bSigned; }
    void ShowCaretInfo(std::uint32_t offset, std::uint8_t value) override;
    void SetStatusText(const QString& text) override;
    void SetOverwriteIndicator(bool on) override;

    [[nodiscard]] CommandTable& Commands() { return m_commands; }
    // The update pass: command rules, the menu bar (128 or 129) and the title.
    void UpdateCommands();
    // Which menu the menu bar shows: IDR_MAINFRAME (128) or IDR_VANTORTYPE (129).
    [[nodiscard]] int GetMenuBarId() const { return m_nMenuBarId; }
    [[nodiscard]] QMenu* GetMenuPopup(int menuBarId, const QString& title) const;
    // Rebuilds the popups from the menu layouts and the command table.
    void RebuildMenus();

    // The status bar's text while nothing else is shown.
    static const QString& IdleMessage();
    // How often the update pass runs while the program is idle.
    static constexpr int kIdleUpdateMs = 100;

protected:
    // The creation steps, in order; -1 when one fails.
    virtual int OnCreate();
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildCommandTable();
    bool CreateStatusBar();
    void LoadColorTable();
    void UpdateMenuBar();
    // True while a document window is active: the rule of most document commands.
    [[nodiscard]] bool HasActiveDocument() const { return MDIGetActive() != nullptr; }
    void EnableWithDocument(CCmdUI& ui) const { ui.Enable(HasActiveDocument()); }
    [[nodiscard]] CDocManager* DocManager() const;

    ColorTable m_colorTable;
    CommandTable m_commands;
    SearchType m_nSearchType = SearchType::Ascii;
    bool m_bSigned = false;
    bool m_bOverwrite = false;
    // Popups of menus 128 and 129, in menu bar order.
    std::map<int, std::vector<QMenu*>> m_menus;
    int m_nMenuBarId = 0;
    QTimer* m_pIdleTimer = nullptr;
};

} // namespace vtx
