// The main frame's bars and status bar: the toolbars with their boxes, docked in rows, the
// goto bar's paired edit fields, the indicator panes and the message pane.
#include "CMainFrame.h"

// this program
#include "chrome/CCJComboBox.h"
#include "chrome/CCJDockBar.h"
#include "chrome/CCJToolBar.h"
#include "frame/CPairedEdit.h"
#include "frame/KeyboardIndicators.h"
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "res/CommandIds.h"

// Qt
#include <QAction>
#include <QLabel>
#include <QStatusBar>

namespace vtx {

int CMainFrame::OnCreate()
{
    // Toolbars dock on every side, in rows that wrap when they no longer fit.
    ReplaceDockBars();

    // First row: main toolbar, search bar, value bar, each right after the one before.
    m_pMainBar = CreateBar(QStringLiteral("Toolbar"), QStringLiteral("MainToolBar"), IDR_MAINFRAME);
    if (!m_pMainBar)
        return -1;
    addToolBar(Qt::TopToolBarArea, m_pMainBar);

    m_pSearchBar = CreateBar(QStringLiteral("Search Bar"), QStringLiteral("SearchBar"), IDR_SEARCHBAR);
    if (!m_pSearchBar)
        return -1;
    // The drop-down arrows open the bar menu's popups, so the menu is there first.
    LoadBarMenu();
    m_pSearchBar->AddDropDownArrow(ID_FIND, m_pSearchMenu);
    addToolBar(Qt::TopToolBarArea, m_pSearchBar);
    m_pSearchBox = EmbedBox(m_pSearchBar, ID_SEARCH_TEXT, 165, 200, QStringLiteral("SearchBox"));
    if (!m_pSearchBox)
        return -1;
    SetSearchType(SearchType::Ascii);

    m_pValueBar = CreateBar(QStringLiteral("Value Bar"), QStringLiteral("ValueBar"), IDR_VALUEBAR);
    if (!m_pValueBar)
        return -1;
    m_pValueBar->AddDropDownArrow(ID_SIGNED_VALUE, m_pSignMenu);
    addToolBar(Qt::TopToolBarArea, m_pValueBar);
    m_pValueBox = EmbedBox(m_pValueBar, ID_VALUE, 100, 100, QStringLiteral("ValueBox"));
    if (!m_pValueBox)
        return -1;
    m_commands.Execute(ID_SIGN_UNSIGNED);

    // Second row: the goto bar.
    m_pGotoBar = CreateBar(QStringLiteral("Goto Bar"), QStringLiteral("GotoBar"), IDR_GOTOBAR);
    if (!m_pGotoBar)
        return -1;
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_pGotoBar);
    m_pHexBox = EmbedBox(m_pGotoBar, ID_GOTO_HEX, 100, 100, QStringLiteral("HexAddressBox"));
    m_pDecBox = EmbedBox(m_pGotoBar, ID_GOTO_DEC, 100, 100, QStringLiteral("DecAddressBox"));
    if (!m_pHexBox || !m_pDecBox)
        return -1;

    if (!CreateStatusBar())
        return -1;
    // Menu images and shortcut texts: the frame works the same whether this works or not.
    AttachMenuManager();
    SubclassGotoEdits();
    ConnectEnterKeys();
    LoadColorTable();
    return 0;
}

void CMainFrame::ReplaceDockBars()
{
    const std::array<Qt::ToolBarArea, 4> areas = {Qt::TopToolBarArea, Qt::BottomToolBarArea, Qt::LeftToolBarArea,
                                                  Qt::RightToolBarArea};
    for (size_t i = 0; i < areas.size(); ++i) {
        m_dockBars[i] = std::make_unique<CCJDockBar>(areas[i]);
        m_dockBars[i]->Attach(this);
    }
}

CCJToolBar* CMainFrame::CreateBar(const QString& title, const QString& objectName, int resourceId)
{
    auto* bar = new CCJToolBar(title, this);
    bar->setObjectName(objectName);
    QString why;
    const auto actionOf = [this, resourceId](int id) {
        return resourceId == IDR_GOTOBAR && id == ID_GOTO_ADDRESS ? GoButtonAction() : m_commands.Action(id);
    };
    if (!bar->LoadToolBar(resourceId, actionOf, DefaultToolbarDirectory(),
                          &why)) {
        Trace(QStringLiteral("Failed to create toolbar %1: %2").arg(resourceId).arg(why));
        delete bar;
        return nullptr;
    }
    return bar;
}

CCJComboBox* CMainFrame::EmbedBox(CCJToolBar* bar, int id, int width, int listHeight, const QString& objectName)
{
    auto* box = qobject_cast<CCJComboBox*>(
        bar->EmbedControl(CCJComboBox::staticMetaObject, QString(), QRect(0, 0, width, listHeight), id));
    if (!box) {
        Trace(QStringLiteral("Failed to put box %1 into its toolbar").arg(id));
        return nullptr;
    }
    box->setObjectName(objectName);
    // An address in full, whatever the font: eight hex digits, or the decimal partner's ten.
    box->SetMinimumText(id == ID_GOTO_DEC ? QStringLiteral("4294967295") : QStringLiteral("FFFFFFFF"));
    // The boxes keep no history: Enter adds nothing to the list.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setEditText(QString());
    if (const CommandRow* row = m_commands.Row(id)) {
        box->setToolTip(CommandTable::ToolTip(row->prompt));
        box->setStatusTip(CommandTable::StatusText(row->prompt));
    }
    // A box is enabled exactly when its command is.
    if (QAction* action = m_commands.Action(id)) {
        box->setEnabled(action->isEnabled());
        connect(action, &QAction::enabledChanged, box, &QWidget::setEnabled);
    }
    return box;
}

bool CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    if (!bar)
        return false;
    bar->setObjectName(QStringLiteral("StatusBar"));
    // Status tips clear the message when the pointer leaves a menu item: the idle text
    // comes back then.
    connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& text) {
        if (text.isEmpty())
            bar->showMessage(IdleMessage());
    });
    bar->showMessage(IdleMessage());

    // The caret's offset and the selection's length, left of the indicators; wide enough
    // for any offset, so that it does not jump while the caret moves.
    m_pCaretPane = new QLabel(bar);
    m_pCaretPane->setObjectName(QStringLiteral("CaretPosition"));
    m_pCaretPane->setMinimumWidth(
        m_pCaretPane->fontMetrics().horizontalAdvance(QStringLiteral("Offset: FFFFFFFF (4294967295)")));
    bar->addPermanentWidget(m_pCaretPane);

    // The indicator panes, drawn disabled while their state is off.
    const std::pair<int, const char*> panes[] = {{ID_INDICATOR_CAPS, "CAP"},
                                                 {ID_INDICATOR_NUM, "NUM"},
                                                 {ID_INDICATOR_SCRL, "SCRL"},
                                                 {ID_INDICATOR_OVR, "OVR"}};
    for (const auto& [id, text] : panes) {
        auto* pane = new QLabel(QString::fromLatin1(text), bar);
        pane->setObjectName(QString::fromLatin1(text));
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(pane->text()) + 2 * pane->fontMetrics().averageCharWidth());
        pane->setEnabled(false);
        bar->addPermanentWidget(pane);
        m_indicators[id] = pane;
    }
    return true;
}

QLabel* CMainFrame::IndicatorPane(int id) const
{
    const auto it = m_indicators.find(id);
    return it == m_indicators.end() ? nullptr : it->second;
}

void CMainFrame::AttachMenuManager()
{
    m_menuManager.AttachToFrame(this);
    m_menuManager.AddToolbars({IDR_MAINFRAME, IDR_SEARCHBAR, IDR_GOTOBAR});
}

bool CMainFrame::SubclassEdit(QComboBox* box, CPairedEdit* edit)
{
    if (!box || !edit || !box->isEditable() || !box->lineEdit())
        return false;
    // The box deletes its own edit field and takes this one in its place.
    box->setLineEdit(edit);
    edit->show();
    return true;
}

void CMainFrame::SubclassGotoEdits()
{
    if (!SubclassEdit(m_pDecBox, m_pDecAddress))
        ShowMessageBox(QStringLiteral("DEC SUBCLASS FAILED"));
    if (!SubclassEdit(m_pHexBox, m_pHexAddress))
        ShowMessageBox(QStringLiteral("HEX SUBCLASS FAILED"));
    m_pDecAddress->Link(CPairedEdit::kModeDecimal, m_pHexAddress);
    m_pHexAddress->Link(CPairedEdit::kModeHex, m_pDecAddress);
}

void CMainFrame::UpdateLockPanes(const std::optional<LockKeyStates>& states)
{
    const std::pair<int, bool> panes[] = {{ID_INDICATOR_CAPS, states && states->bCaps},
                                          {ID_INDICATOR_NUM, states && states->bNum},
                                          {ID_INDICATOR_SCRL, states && states->bScroll}};
    for (const auto& [id, on] : panes)
        if (QLabel* pane = IndicatorPane(id); pane && pane->isEnabled() != on)
            pane->setEnabled(on);
}

void CMainFrame::SetStatusText(const QString& text)
{
    statusBar()->showMessage(text);
}

void CMainFrame::ShowCaretPosition(const QString& text)
{
    if (m_pCaretPane)
        m_pCaretPane->setText(text);
}

void CMainFrame::SetOverwriteIndicator(bool on)
{
    m_bOverwrite = on;
    if (QLabel* pane = IndicatorPane(ID_INDICATOR_OVR))
        pane->setEnabled(on);
}

} // namespace vtx
