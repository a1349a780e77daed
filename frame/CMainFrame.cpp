#include "CMainFrame.h"

// this program
#include "app/CVantorixDoc.h"
#include "colors/ColorCodesFile.h"
#include "framework/CDocManager.h"
#include "framework/CDocument.h"
#include "framework/CMDIChildWnd.h"
#include "framework/CRecentFileList.h"
#include "framework/CView.h"
#include "framework/CWinApp.h"
#include "res/CommandIds.h"

// Qt
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

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
                                   ID_VIEW_STATUS_BAR}};
    static const PopupLayout help{QStringLiteral("&Help"), {ID_APP_ABOUT, SEP, ID_MORE_INFO, ID_COMMENTS}};
    static const std::vector<PopupLayout> noDocument = {
        {QStringLiteral("&File"), withRecent({ID_FILE_OPEN, SEP, ID_FILE_PRINT_SETUP, SEP}, {SEP, ID_APP_EXIT})},
        view,
        help,
    };
    static const std::vector<PopupLayout> withDocument = {
        {QStringLiteral("&File"),
         withRecent({ID_FILE_OPEN, ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS, SEP, ID_FILE_PRINT,
                     ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP, SEP},
                    {SEP, ID_APP_EXIT})},
        {QStringLiteral("&Edit"),
         {ID_EDIT_UNDO, SEP, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, SEP, ID_FIND, ID_GOTO_ADDRESS,
          ID_EDIT_COLOR_CODES}},
        view,
        {QStringLiteral("&Window"), {ID_WINDOW_NEW, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE}},
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

CMainFrame::CMainFrame() : m_commands(this)
{
    SetMainFrameServices(this);
    CVantorixDoc::SetSearchTypeSource([this] { return GetSearchType(); });
}

CMainFrame::~CMainFrame()
{
    // Focus and document signals may still arrive while the base classes tear down the
    // windows; this part of the object is gone by then.
    disconnect(qApp, nullptr, this, nullptr);
    if (CDocManager* manager = DocManager())
        disconnect(manager, nullptr, this, nullptr);
    disconnect(this, &CMDIFrameWnd::activeFrameChanged, this, nullptr);
    CVantorixDoc::SetSearchTypeSource(nullptr);
    SetMainFrameServices(nullptr);
}

const QString& CMainFrame::IdleMessage()
{
    static const QString ready = QStringLiteral("Ready");
    return ready;
}

bool CMainFrame::LoadFrame(int resourceId)
{
    if (resourceId != IDR_MAINFRAME)
        return false;
    SetTitle(QStringLiteral("Vantorix"));
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(std::min(available.width(), std::max(1024, available.width() * 4 / 5)),
               std::min(available.height(), std::max(720, available.height() * 4 / 5)));
    }
    BuildCommandTable();
    if (OnCreate() == -1)
        return false;
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
    UpdateCommands();
    return true;
}

int CMainFrame::OnCreate()
{
    if (!CreateStatusBar())
        return -1;
    LoadColorTable();
    return 0;
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
    return true;
}

void CMainFrame::LoadColorTable()
{
    // A missing or unreadable colors.dat leaves every byte black, without a message.
    m_colorTable.Apply(LoadColorCodes(ColorCodesPath()));
}

CDocManager* CMainFrame::DocManager() const
{
    CWinApp* app = AfxGetApp();
    return app ? &app->GetDocManager() : nullptr;
}

void CMainFrame::BuildCommandTable()
{
    const auto app = [] { return AfxGetApp(); };
    const auto withDocument = [this](CCmdUI& ui) { EnableWithDocument(ui); };

    // File.
    m_commands.Add({ID_FILE_NEW, QStringLiteral("Create a new document\nNew"), {}, {QKeySequence(QStringLiteral("Ctrl+N"))},
                    [app] { if (app()) app()->OnFileNew(); }, {}});
    m_commands.Add({ID_FILE_OPEN, QStringLiteral("Open an existing document\nOpen"), QStringLiteral("&Open...\tCtrl+O"),
                    {QKeySequence(QStringLiteral("Ctrl+O"))}, [app] { if (app()) app()->OnFileOpen(); }, {}});
    m_commands.Add({ID_FILE_CLOSE, QStringLiteral("Close the active document\nClose"), QStringLiteral("&Close"), {},
                    [this] {
                        if (CDocManager* manager = DocManager())
                            manager->OnFileClose(GetActiveDocument());
                    },
                    withDocument});
    m_commands.Add({ID_FILE_SAVE, QStringLiteral("Save the active document\nSave"), QStringLiteral("&Save\tCtrl+S"),
                    {QKeySequence(QStringLiteral("Ctrl+S"))},
                    [this] {
                        if (CDocManager* manager = DocManager())
                            manager->DoFileSave(GetActiveDocument());
                    },
                    withDocument});
    m_commands.Add({ID_FILE_SAVE_AS, QStringLiteral("Save the active document with a new name\nSave As"),
                    QStringLiteral("Save &As..."), {},
                    [this] {
                        if (CDocManager* manager = DocManager())
                            manager->DoSave(GetActiveDocument(), QString());
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
                    QStringLiteral("E&xit"), {},
                    [this, app] {
                        if (app())
                            app()->OnAppExit();
                        else
                            close();
                    },
                    {}});

    // View.
    m_commands.Add({ID_VIEW_STATUS_BAR, QStringLiteral("Show or hide the status bar\nToggle StatusBar"),
                    QStringLiteral("&Status Bar"), {},
                    [this] { statusBar()->setVisible(statusBar()->isHidden()); },
                    [this](CCmdUI& ui) { ui.SetCheck(!statusBar()->isHidden()); }});

    // Window.
    m_commands.Add({ID_WINDOW_NEW, QStringLiteral("Open another window for the active document\nNew Window"),
                    QStringLiteral("&New Window"), {}, [this] { OnWindowNew(); }, withDocument});
    m_commands.Add({ID_WINDOW_CASCADE, QStringLiteral("Arrange windows so they overlap\nCascade Windows"),
                    QStringLiteral("&Cascade"), {}, [this] { MDICascade(); }, withDocument});
    m_commands.Add({ID_WINDOW_TILE_HORZ, QStringLiteral("Arrange windows as non-overlapping tiles\nTile Windows"),
                    QStringLiteral("&Tile"), {}, [this] { MDITile(); }, withDocument});
    m_commands.Add({ID_WINDOW_ARRANGE, QStringLiteral("Arrange icons at the bottom of the window\nArrange Icons"),
                    QStringLiteral("&Arrange Icons"), {}, [this] { MDIIconArrange(); }, withDocument});

    // Help.
    m_commands.Add({ID_APP_ABOUT, QStringLiteral("Display program information, version number and copyright\nAbout"),
                    QStringLiteral("&About Vantorix..."), {}, [app] { if (app()) app()->OnAppAbout(); }, {}});
}

void CMainFrame::RebuildMenus()
{
    menuBar()->clear();
    for (auto& [id, popups] : m_menus)
        qDeleteAll(popups);
    m_menus.clear();
    for (const int menuId : {IDR_MAINFRAME, IDR_VANTORTYPE})
        for (const PopupLayout& popup : MenuLayout(menuId))
            m_menus[menuId].push_back(m_commands.BuildMenu(popup.title, popup.ids, this));
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
}

void CMainFrame::DragAcceptFiles(bool accept)
{
    setAcceptDrops(accept);
}

QString CMainFrame::GetSearchText() const
{
    return {};
}

void CMainFrame::ShowCaretInfo(std::uint32_t offset, std::uint8_t value)
{
    // The goto and value bars show the caret's offset and byte; a frame without them has
    // nowhere to show it.
}

void CMainFrame::SetStatusText(const QString& text)
{
    statusBar()->showMessage(text);
}

void CMainFrame::SetOverwriteIndicator(bool on)
{
    m_bOverwrite = on;
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
