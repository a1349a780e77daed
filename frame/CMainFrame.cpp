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
#include "tools/findall/FindAllTool.h"
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

// Where the main window's size and its documents' look are remembered.
const QString kWindowSizeKey = QStringLiteral("Settings/WindowSize");
const QString kWindowMaximizedKey = QStringLiteral("Settings/WindowMaximized");
const QString kTabbedDocumentsKey = QStringLiteral("Settings/TabbedDocuments");

QStringList DroppedFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    return paths;
}

} // namespace

CMainFrame::CMainFrame()
    : m_strColorCodesPath(ColorCodesPath()), m_strUserColorCodesPath(UserColorCodesPath()), m_commands(this)
{
    SetMainFrameServices(this);

    // Made now, put into the goto boxes while the frame is created; until then (and for
    // good, should that fail) they wait hidden.
    m_pDecAddress = new CPairedEdit(false, this);
    m_pDecAddress->setObjectName(QStringLiteral("DecAddressEdit"));
    m_pDecAddress->hide();
    m_pHexAddress = new CPairedEdit(false, this);
    m_pHexAddress->setObjectName(QStringLiteral("HexAddressEdit"));
    m_pHexAddress->hide();
}

CMainFrame::~CMainFrame()
{
    // Focus and document signals may still arrive while the base classes tear down the
    // windows; this part of the object is gone by then.
    disconnect(qApp, nullptr, this, nullptr);
    delete m_pLockKeys;
    m_pLockKeys = nullptr;
    if (CDocManager* manager = DocManager())
        disconnect(manager, nullptr, this, nullptr);
    disconnect(this, &CMDIFrameWnd::activeFrameChanged, this, nullptr);
    disconnect(m_inspectedViewConnection);
    // The docks' followers of the active window ask this frame for it.
    for (QObject* dock : std::initializer_list<QObject*>{m_pBookmarks, m_pSearchResults}) {
        if (!dock)
            continue;
        disconnect(this, nullptr, dock, nullptr);
        if (CDocManager* manager = DocManager())
            disconnect(manager, nullptr, dock, nullptr);
    }
    // The toolbars go with the base class, and their boxes with them.
    for (QComboBox* box : Boxes())
        if (box && box->lineEdit())
            disconnect(box->lineEdit(), nullptr, this, nullptr);
    m_pSearchBox = m_pHexBox = m_pDecBox = m_pValueBox = nullptr;
    m_menuManager.HookTo(nullptr);
    SetMainFrameServices(nullptr);
}

const QString& CMainFrame::IdleMessage()
{
    static const QString ready = QStringLiteral("Ready");
    return ready;
}

const QString& CMainFrame::HomePageUrl()
{
    // The same page the setup program puts in the start menu.
    static const QString url = QStringLiteral("https://www.dunmerrow.example/vantorix/");
    return url;
}

const QString& CMainFrame::CommentsMailUrl()
{
    static const QString url = QStringLiteral("mailto:vantorix@dunmerrow.example?subject=Vantorix%20Comments");
    return url;
}

bool CMainFrame::LoadFrame(int resourceId)
{
    if (resourceId != IDR_MAINFRAME)
        return false;
    SetTitle(QStringLiteral("Vantorix"));
    setWindowIcon(ApplicationIcon());
    // Before any view exists: the font and the contrast rule every view draws with.
    LoadDisplayPreferences();
    BuildCommandTable();
    RestoreWindowSettings();
    if (OnCreate() == -1)
        return false;
    CreateDataInspector();
    CreateBookmarksDock();
    RebuildMenus();

    // The update pass runs when a menu opens (see CommandTable::BuildMenu), when the focus
    // or the active document window changes, when documents come and go, and while idle.
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::UpdateCommands);
    connect(this, &CMDIFrameWnd::activeFrameChanged, this, &CMainFrame::UpdateCommands);
    if (CDocManager* manager = DocManager()) {
        connect(manager, &CDocManager::documentsChanged, this, &CMainFrame::UpdateCommands);
        connect(manager, &CDocManager::documentTitleChanged, this, &CMainFrame::UpdateCommands);
        connect(manager, &CDocManager::recentFilesChanged, this, &CMainFrame::UpdateCommands);
    }
    m_pIdleTimer = new QTimer(this);
    m_pIdleTimer->setInterval(kIdleUpdateMs);
    connect(m_pIdleTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommands);
    m_pIdleTimer->start();
    m_pLockKeys = new LockKeyWatcher(this, [this](const std::optional<LockKeyStates>& states) { UpdateLockPanes(states); });
    m_pLockKeys->Read();
    UpdateCommands();
    return true;
}

void CMainFrame::LoadBarMenu()
{
    if (m_pSearchMenu)
        return;
    m_pSearchMenu = m_commands.BuildMenu(QStringLiteral("Search Menu"),
                                         {ID_SEARCH_ASCII, ID_SEARCH_HEX, ID_SEARCH_UNICODE, ID_SEARCH_REGEX,
                                          CommandTable::kSeparator, ID_SEARCH_MATCH_CASE},
                                         this);
    m_pSignMenu = m_commands.BuildMenu(QStringLiteral("SIGN"), {ID_SIGN_SIGNED, ID_SIGN_UNSIGNED}, this);
    ForwardMenuEvents(m_pSearchMenu, this, 0);
    ForwardMenuEvents(m_pSignMenu, this, 1);
}

void CMainFrame::ConnectEnterKeys()
{
    // Enter in the search box searches; Enter in either address box goes to the address.
    connect(m_pSearchBox->lineEdit(), &QLineEdit::returnPressed, this, &CMainFrame::OnFind);
    // The search modes switch from the keyboard without leaving the box. Keys reach the
    // box or its edit field, whichever holds the focus: both listen.
    std::map<int, std::function<void()>> keys;
    for (const SearchBoxKey& boxKey : kSearchBoxKeys)
        keys[boxKey.key] = [this, id = boxKey.id] { m_commands.Execute(id); };
    auto* modeKeys = new SearchModeKeys(m_pSearchBox, std::move(keys));
    m_pSearchBox->installEventFilter(modeKeys);
    m_pSearchBox->lineEdit()->installEventFilter(modeKeys);
    for (QComboBox* box : {static_cast<QComboBox*>(m_pHexBox), static_cast<QComboBox*>(m_pDecBox)})
        connect(box->lineEdit(), &QLineEdit::returnPressed, this, &CMainFrame::OnGotoAddress);
}

void CMainFrame::LoadColorTable()
{
    // A missing or unreadable colors.dat leaves every byte in the view's default text
    // colour, without a message. The shipped colors.dat comes in the colours for the
    // palette; the user's own is used as written.
    m_colorTable.Apply(LoadColorCodesForBackground(ColorCodesFilePath(), IsDarkPalette(palette())));
}

void CMainFrame::SetColorCodesPath(std::string path)
{
    m_strUserColorCodesPath = path;
    m_strColorCodesPath = std::move(path);
    LoadColorTable();
}

void CMainFrame::SetColorCodesPaths(std::string userPath, std::string installedPath)
{
    m_strUserColorCodesPath = std::move(userPath);
    m_strColorCodesPath = std::move(installedPath);
    LoadColorTable();
}

std::string CMainFrame::ColorCodesFilePath() const
{
    return ColorCodesPathToRead(m_strUserColorCodesPath, m_strColorCodesPath);
}

void CMainFrame::FollowPalette()
{
    // Only a table that is the other variant of the shipped codes changes; the user's
    // colours, saved or not, stay.
    const bool dark = IsDarkPalette(palette());
    ColorTable other;
    other.Apply(ToColorCodeList(ShippedColorCodeLines(!dark)));
    if (m_colorTable != other)
        return;
    m_colorTable.Apply(ToColorCodeList(ShippedColorCodeLines(dark)));
    for (CVantorixView* view : findChildren<CVantorixView*>())
        view->update();
}

void CMainFrame::CreateDataInspector()
{
    m_pInspector = new CCaretNumbersDock(this);
    // A value typed into the inspector goes into the active window's document.
    m_pInspector->SetDocumentSource([this]() -> CVantorixDoc* {
        CVantorixView* view = ActiveHexView();
        return view ? view->GetDocument() : nullptr;
    });
    addDockWidget(Qt::RightDockWidgetArea, m_pInspector);
    m_pInspector->hide();
    m_pInspectorTimer = new QTimer(this);
    m_pInspectorTimer->setSingleShot(true);
    m_pInspectorTimer->setInterval(0);
    connect(m_pInspectorTimer, &QTimer::timeout, this, &CMainFrame::RefreshDataInspector);
    connect(m_pInspector, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            m_pInspectorTimer->start();
    });
    connect(this, &CMDIFrameWnd::activeFrameChanged, this, &CMainFrame::WatchActiveView);
}

void CMainFrame::WatchActiveView()
{
    CVantorixView* view = ActiveHexView();
    if (view != m_pInspectedView) {
        disconnect(m_inspectedViewConnection);
        m_pInspectedView = view;
        if (view)
            m_inspectedViewConnection = connect(view, &CVantorixView::caretMoved, m_pInspectorTimer,
                                                qOverload<>(&QTimer::start));
    }
    // Another window may have another address width; typing in the boxes follows it at once.
    SetGotoDigits(view ? view->AddressDigits() : kAddressDigits);
    m_pInspectorTimer->start();
}

void CMainFrame::RefreshDataInspector()
{
    // Hidden, it reads nothing; it catches up when it is shown.
    if (!m_pInspector || m_pInspector->isHidden())
        return;
    CVantorixView* view = ActiveHexView();
    m_pInspector->ShowAt(view ? view->GetDocument() : nullptr, view ? view->LastHit().filePos : 0);
}

CDocManager* CMainFrame::DocManager() const
{
    CWinApp* app = AfxGetApp();
    return app ? &app->GetDocManager() : nullptr;
}

CVantorixView* CMainFrame::ActiveHexView() const
{
    // In a compare window the commands go to the view the user works in.
    if (const auto* compare = qobject_cast<CCompareWindow*>(MDIClient()->currentSubWindow()))
        return compare->ActiveView();
    return qobject_cast<CVantorixView*>(GetActiveView());
}

void CMainFrame::DragAcceptFiles(bool accept)
{
    setAcceptDrops(accept);
}

QString CMainFrame::GetSearchText() const
{
    return m_pSearchBox ? m_pSearchBox->currentText() : QString();
}

SearchType CMainFrame::GetSearchType() const
{
    for (const SearchTypeItem& item : kSearchTypeItems)
        if (const QAction* action = m_commands.Action(item.id); action && action->isChecked())
            return item.type;
    return SearchType::Ascii;
}

void CMainFrame::SetSearchType(SearchType type)
{
    for (const SearchTypeItem& item : kSearchTypeItems)
        if (QAction* action = m_commands.Action(item.id))
            action->setChecked(item.type == type);
    SearchSettingsChanged();
}

void CMainFrame::SearchSettingsChanged()
{
    if (m_pReplaceDlg)
        m_pReplaceDlg->ShowSettings(GetSearchSettings());
}

void CMainFrame::OnReplace()
{
    if (!m_pReplaceDlg) {
        CReplaceDlg::Hooks hooks;
        hooks.activeView = [this] { return ActiveHexView(); };
        hooks.settings = [this] { return GetSearchSettings(); };
        hooks.setSettings = [this](SearchSettings settings) {
            SetSearchType(settings.type);
            if (settings.matchCase != m_bMatchCase) {
                m_bMatchCase = settings.matchCase;
                m_commands.Update(ID_SEARCH_MATCH_CASE);
            }
        };
        hooks.findAll = [this](const QString& text, SearchSettings settings) { FindAll(text, settings); };
        m_pReplaceDlg = new CReplaceDlg(std::move(hooks), this);
        // The search bar's text is the first thing to replace.
        m_pReplaceDlg->FindEdit()->setText(GetSearchText());
    }
    m_pReplaceDlg->Present();
}

void CMainFrame::FindAll(const QString& text, SearchSettings settings)
{
    CVantorixView* view = ActiveHexView();
    if (!view)
        return;
    QString problem;
    const std::unique_ptr<IMatchScanner> scanner = FindAllTool::Scanner(text, settings, problem);
    if (!scanner) {
        ShowMessageBox(problem);
        return;
    }
    if (!m_pSearchResults) {
        m_pSearchResults = new CSearchResultsDock(this);
        addDockWidget(Qt::BottomDockWidgetArea, m_pSearchResults);
    }
    m_pSearchResults->Run(view, *scanner);
}

bool CMainFrame::GetMatchCase() const
{
    return m_bMatchCase;
}

bool CMainFrame::IsSigned() const
{
    const QAction* action = m_commands.Action(ID_SIGN_SIGNED);
    return action && action->isChecked();
}

void CMainFrame::SetSigned(bool on)
{
    if (QAction* action = m_commands.Action(ID_SIGN_SIGNED))
        action->setChecked(on);
    if (QAction* action = m_commands.Action(ID_SIGN_UNSIGNED))
        action->setChecked(!on);
}

void CMainFrame::ShowCaretInfo(FilePos offset, std::uint8_t value, int addressDigits)
{
    // Texts set here are not typed: the address boxes do not mirror them.
    if (m_pValueBox) {
        const int shown = IsSigned() ? static_cast<int>(static_cast<std::int8_t>(value)) : static_cast<int>(value);
        m_pValueBox->setEditText(QString::number(shown));
    }
    SetGotoDigits(addressDigits);
    if (m_pDecBox)
        m_pDecBox->setEditText(QString::number(offset));
    if (m_pHexBox)
        m_pHexBox->setEditText(QString::fromLatin1(OffsetText(offset, addressDigits)));
}

void CMainFrame::ShowCaretUnreadable(FilePos offset, int addressDigits)
{
    ShowCaretInfo(offset, 0, addressDigits);
    if (m_pValueBox)
        m_pValueBox->setEditText(QString());
}

void CMainFrame::SetGotoDigits(int addressDigits)
{
    // The boxes take as many digits as the active document's addresses have.
    for (CPairedEdit* edit : {m_pDecAddress.data(), m_pHexAddress.data()}) {
        if (edit)
            edit->SetGotoDigits(addressDigits);
    }
}

void CMainFrame::OnFind()
{
    if (CVantorixView* view = ActiveHexView())
        view->FindNext();
}

void CMainFrame::OnFindPrevious()
{
    if (CVantorixView* view = ActiveHexView())
        view->FindPrevious();
}

void CMainFrame::OnGotoAddress()
{
    // The hex box holds the address; typing in the decimal box keeps it equal.
    const QString text = m_pHexBox ? m_pHexBox->currentText() : QString();
    CVantorixView* view = ActiveHexView();
    if (!view)
        return;
    // Read as the boxes hold it: up to the largest address of the active document's digits.
    view->GotoPosition(StrToULimited(text.toStdString(), 16, LargestAddress(view->AddressDigits())));
}

bool CMainFrame::AddressBoxHasFocus() const
{
    QLineEdit* edit = BoxEditOf(QApplication::focusWidget());
    return edit && ((m_pHexBox && edit == m_pHexBox->lineEdit()) || (m_pDecBox && edit == m_pDecBox->lineEdit()));
}

void CMainFrame::OnGotoCommand()
{
    if (AddressBoxHasFocus()) {
        OnGotoAddress();
        return;
    }
    if (!m_pHexBox)
        return;
    if (m_pGotoBar && m_pGotoBar->isHidden())
        m_pGotoBar->show();
    m_pHexBox->setFocus(Qt::ShortcutFocusReason);
    if (QLineEdit* edit = m_pHexBox->lineEdit())
        edit->selectAll();
}

QAction* CMainFrame::GoButtonAction()
{
    // The goto bar's button always goes to the address the boxes hold, wherever the focus
    // is: it is what the user presses after typing one. So it has an action of its own,
    // without keys, that follows the command's enabled state.
    if (m_pGoButton)
        return m_pGoButton;
    QAction* command = m_commands.Action(ID_GOTO_ADDRESS);
    m_pGoButton = new QAction(this);
    m_pGoButton->setData(ID_GOTO_ADDRESS);
    if (command) {
        m_pGoButton->setText(command->text());
        m_pGoButton->setToolTip(command->toolTip());
        m_pGoButton->setStatusTip(command->statusTip());
        m_pGoButton->setEnabled(command->isEnabled());
        connect(command, &QAction::enabledChanged, m_pGoButton, &QAction::setEnabled);
    }
    connect(m_pGoButton, &QAction::triggered, this, [this] {
        if (m_commands.Query(ID_GOTO_ADDRESS).IsEnabled())
            OnGotoAddress();
    });
    return m_pGoButton;
}

void CMainFrame::OnSignedValue()
{
    if (!m_pValueBox)
        return;
    const QString text = m_pValueBox->currentText();
    if (text.isEmpty()) {
        if (CVantorixView* view = ActiveHexView())
            view->UpdateValueBar();
        return;
    }
    // Whatever the box holds is read and rewritten at 32 bits: "-1" read unsigned is
    // 4294967295. The next caret move shows the byte at 8 bits again.
    const std::uint32_t value = StrToUL32(text.toStdString(), 10);
    m_pValueBox->setEditText(IsSigned() ? QString::number(static_cast<std::int32_t>(value)) : QString::number(value));
}

void CMainFrame::OnEditColorCodes()
{
    // Read from the user's file or, until there is one, the program's; saved to the user's.
    CColorCodesDlg dialog(m_colorTable, ColorCodesFilePath(), m_strUserColorCodesPath, [this] {
        // The active view shows the new colours at once; the others when they next paint.
        if (CVantorixView* view = ActiveHexView())
            view->RepaintNow();
    }, this);
    if (dialog.exec() == QDialog::Accepted && dialog.WasWritten())
        ReportSaved(FormatColorCodes(dialog.WorkingList()).size(), QString::fromStdString(dialog.SavePath()));
}

void CMainFrame::ReportSaved(std::uint64_t bytes, const QString& path)
{
    SetStatusText(QStringLiteral("Saved %1 bytes to %2.").arg(bytes).arg(QFileInfo(path).fileName()));
}

void CMainFrame::OnKeyboardShortcuts()
{
    if (!m_pShortcuts)
        m_pShortcuts = new CKeyboardShortcutsDlg(this);
    // Made from the table as it is now: commands come and keys change.
    m_pShortcuts->Fill(m_commands);
    m_pShortcuts->show();
    m_pShortcuts->raise();
    m_pShortcuts->activateWindow();
}

bool CMainFrame::IsTabbedDocuments() const
{
    return MDIClient() && MDIClient()->viewMode() == QMdiArea::TabbedView;
}

void CMainFrame::SetTabbedDocuments(bool tabbed)
{
    QMdiArea* area = MDIClient();
    if (!area)
        return;
    area->setViewMode(tabbed ? QMdiArea::TabbedView : QMdiArea::SubWindowView);
    if (tabbed) {
        area->setDocumentMode(true);
        area->setTabsClosable(true);
        area->setTabsMovable(true);
    }
    m_commands.Update(ID_WINDOW_TABBED);
}

void CMainFrame::RestoreWindowSettings()
{
    QSize remembered;
    bool maximized = false;
    bool tabbed = false;
    if (const CWinApp* app = AfxGetApp()) {
        const std::unique_ptr<QSettings> settings = app->GetProfile();
        remembered = settings->value(kWindowSizeKey).toSize();
        maximized = settings->value(kWindowMaximizedKey, false).toBool();
        tabbed = settings->value(kTabbedDocumentsKey, false).toBool();
    }
    const QScreen* screen = QApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    // The frame around the window takes its share of the screen too; before the window
    // exists its size is not known, so a usual one is assumed.
    const QRect placed = FirstWindowRect(remembered, available, QMargins(8, 32, 8, 8));
    if (placed.isValid())
        setGeometry(placed);
    if (maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    SetTabbedDocuments(tabbed);
}

void CMainFrame::SaveWindowSettings() const
{
    const CWinApp* app = AfxGetApp();
    if (!app)
        return;
    const std::unique_ptr<QSettings> settings = app->GetProfile();
    // A maximised or minimised window keeps the size it had before, to come back to.
    const bool maximized = isMaximized();
    if (!maximized && !isMinimized() && !isFullScreen())
        settings->setValue(kWindowSizeKey, size());
    settings->setValue(kWindowMaximizedKey, maximized);
    settings->setValue(kTabbedDocumentsKey, IsTabbedDocuments());
    settings->sync();
    if (settings->status() != QSettings::NoError)
        Trace(QStringLiteral("settings %1 could not be written").arg(settings->fileName()));
}

void CMainFrame::OpenShellTarget(const QString& url) const
{
    // Without a browser or mail program there is nothing more to do.
    (void)QDesktopServices::openUrl(QUrl(url));
}

std::array<QComboBox*, 4> CMainFrame::Boxes() const
{
    return {m_pSearchBox, m_pHexBox, m_pDecBox, m_pValueBox};
}

QLineEdit* CMainFrame::BoxEditOf(QWidget* w) const
{
    if (!w)
        return nullptr;
    for (QComboBox* box : Boxes())
        if (box && (w == box || w->parentWidget() == box))
            return box->lineEdit();
    return nullptr;
}

void CMainFrame::RouteEditCommand(int id)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return;
    // The view copies its selection, pastes over its bytes, selects, undoes and redoes;
    // it has no cut, since bytes are only ever overwritten.
    if (auto* view = qobject_cast<CVantorixView*>(focus)) {
        switch (id) {
        case ID_EDIT_COPY: view->CopyToClipboard(); break;
        case ID_EDIT_COPY_HEX: view->CopyAsHex(); break;
        case ID_EDIT_PASTE: view->PasteFromClipboard(); break;
        case ID_EDIT_FILL: view->FillSelection(); break;
        case ID_EDIT_SELECT_ALL: view->SelectAll(); break;
        case ID_EDIT_UNDO: view->UndoLast(); break;
        case ID_EDIT_REDO: view->RedoLast(); break;
        default: break;
        }
    }
    // A box's edit field does the edit operation itself. Pasting into an address box
    // brings its partner along.
    QLineEdit* edit = BoxEditOf(focus);
    if (!edit)
        return;
    switch (id) {
    case ID_EDIT_COPY:
        edit->copy();
        break;
    case ID_EDIT_CUT:
        edit->cut();
        break;
    case ID_EDIT_UNDO:
        edit->undo();
        break;
    case ID_EDIT_REDO:
        edit->redo();
        break;
    case ID_EDIT_SELECT_ALL:
        edit->selectAll();
        break;
    case ID_EDIT_PASTE:
        if (auto* paired = qobject_cast<CPairedEdit*>(edit); paired && (paired == m_pHexAddress || paired == m_pDecAddress))
            paired->PasteAndSync();
        else
            edit->paste();
        break;
    default:
        break;
    }
}

bool CMainFrame::event(QEvent* event)
{
    // The menu manager asks for the accelerator table to name the shortcuts in menus.
    if (event->type() == AcceleratorQueryEvent::EventType()) {
        static_cast<AcceleratorQueryEvent*>(event)->Answer(m_commands.AcceleratorTableId(),
                                                           m_commands.AcceleratorTable());
        return true;
    }
    if (event->type() == QEvent::PaletteChange)
        FollowPalette();
    return CMDIFrameWnd::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // Each document in turn, the active one first. Its OnCloseDocument asks about unsaved
    // changes; a document still open afterwards means Cancel, and the program goes on.
    while (CMDIChildWnd* frame = MDIGetActive()) {
        CDocument* document = frame->GetActiveDocument();
        document->OnCloseDocument();
        const CDocManager* manager = DocManager();
        const bool stillOpen = manager ? manager->HasDocument(document) : !frame->IsClosing();
        if (stillOpen) {
            event->ignore();
            UpdateCommands();
            return;
        }
    }
    if (m_pIdleTimer)
        m_pIdleTimer->stop();
    SaveWindowSettings();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QStringList paths = DroppedFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    activateWindow();
    raise();
    // Opened once the drop is over: a failed open shows a message box, and a modal box
    // inside the drop would keep the dragging program waiting.
    QTimer::singleShot(0, this, [paths] {
        if (CWinApp* app = AfxGetApp())
            for (const QString& path : paths)
                app->OpenDocumentFile(path);
    });
}

} // namespace vtx
