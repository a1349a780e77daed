// The main frame's part in the tools: their commands, keys and menu places. The tools do
// the work; the frame only finds the active window and document for them.

#include "CMainFrame.h"

// this program
#include "document/CVantorixDoc.h"
#include "res/CommandIds.h"
#include "framework/CDocManager.h"
#include "tools/bookmarks/CBookmarksDock.h"
#include "tools/checksum/CChecksumDlg.h"
#include "tools/copyas/CopyAsCommand.h"
#include "tools/saveselection/SaveSelectionCommand.h"
#include "view/CVantorixView.h"

// Qt
#include <QAction>
#include <QMenu>

// std
#include <algorithm>
#include <iterator>

namespace vtx {

void CMainFrame::AddToolCommands()
{
    const auto withDocument = EnabledWithDocument();

    m_commands.Add({ID_TOOLS_CHECKSUM,
                    QStringLiteral("Compute checksums of the selection, or of the whole document\nChecksum"),
                    QStringLiteral("&Checksum...\tCtrl+Shift+K"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K)},
                    [this] {
                        CVantorixView* view = ActiveHexView();
                        CVantorixDoc* doc = view ? view->GetDocument() : nullptr;
                        if (doc && doc->IsFileOpen())
                            RunChecksumCommand(this, *doc, view->SelectedRange());
                    },
                    withDocument});

    // Bookmarks at the caret of the active window.
    const auto bookmarks = [frame = this](void (CBookmarksDock::*step)()) -> std::function<void()> {
        return [frame, step] {
            if (CBookmarksDock* dock = frame->m_pBookmarks) {
                dock->Follow(frame->ActiveHexView());
                (dock->*step)();
            }
        };
    };
    m_commands.Add({ID_BOOKMARK_TOGGLE, QStringLiteral("Set or clear a bookmark at the caret\nToggle Bookmark"),
                    QStringLiteral("&Toggle Bookmark\tCtrl+F2"), {QKeySequence(Qt::CTRL | Qt::Key_F2)},
                    bookmarks(&CBookmarksDock::ToggleAtCaret), withDocument});
    m_commands.Add({ID_BOOKMARK_NEXT, QStringLiteral("Go to the next bookmark\nNext Bookmark"),
                    QStringLiteral("&Next Bookmark\tF2"), {QKeySequence(Qt::Key_F2)},
                    bookmarks(&CBookmarksDock::GotoNext), withDocument});
    m_commands.Add({ID_BOOKMARK_PREVIOUS, QStringLiteral("Go to the previous bookmark\nPrevious Bookmark"),
                    QStringLiteral("&Previous Bookmark\tShift+F2"), {QKeySequence(Qt::SHIFT | Qt::Key_F2)},
                    bookmarks(&CBookmarksDock::GotoPrevious), withDocument});
    m_commands.Add({ID_VIEW_BOOKMARKS, QStringLiteral("Show or hide the list of bookmarks\nBookmarks"),
                    QStringLiteral("&Bookmarks"), {},
                    [this] {
                        if (m_pBookmarks)
                            m_pBookmarks->setVisible(m_pBookmarks->isHidden());
                    },
                    [this](CCmdUI& ui) { ui.SetCheck(m_pBookmarks && !m_pBookmarks->isHidden()); }});

    // Copy As: the active window's selection in other formats, under Copy's rules.
    const auto copyAs = [frame = this](CopyAsFormat format) -> std::function<void()> {
        return [frame, format] {
            CVantorixView* view = frame->ActiveHexView();
            CVantorixDoc* doc = view ? view->GetDocument() : nullptr;
            const std::optional<ByteRange> range = view ? view->SelectedRange() : std::nullopt;
            if (doc && doc->IsFileOpen() && range)
                RunCopyAsCommand(frame, *doc, *range, format);
        };
    };
    m_commands.Add({ID_EDIT_COPY_AS_C_ARRAY, QStringLiteral("Copy the selection as a C array of bytes\nCopy as C Array"),
                    QStringLiteral("&C Array"), {}, copyAs(CopyAsFormat::CArray), withDocument});
    m_commands.Add({ID_EDIT_COPY_AS_BASE64, QStringLiteral("Copy the selection as Base64 text\nCopy as Base64"),
                    QStringLiteral("&Base64"), {}, copyAs(CopyAsFormat::Base64), withDocument});
    m_commands.Add({ID_EDIT_COPY_AS_HEX_DUMP,
                    QStringLiteral("Copy the selection as a hex dump with offsets and text\nCopy as Hex Dump"),
                    QStringLiteral("&Hex Dump"), {}, copyAs(CopyAsFormat::HexDump), withDocument});

    // The selected bytes into a new file; the document stays as it is.
    m_commands.Add({ID_FILE_SAVE_SELECTION_AS,
                    QStringLiteral("Save the selected bytes, with the pending changes, in a new file\nSave Selection As"),
                    QStringLiteral("Save Se&lection As..."), {},
                    [this] {
                        CVantorixView* view = ActiveHexView();
                        CVantorixDoc* doc = view ? view->GetDocument() : nullptr;
                        const std::optional<ByteRange> range = view ? view->SelectedRange() : std::nullopt;
                        CDocManager* manager = DocManager();
                        if (!doc || !doc->IsFileOpen() || !range || !manager)
                            return;
                        const QString path = manager->PromptFileName(false, ProposedSelectionName(doc->GetPath()));
                        if (!path.isEmpty())
                            RunSaveSelectionCommand(this, *doc, *range, path);
                    },
                    [this](CCmdUI& ui) {
                        const CVantorixView* view = ActiveHexView();
                        ui.Enable(view && view->SelectedRange().has_value());
                    }});
}

void CMainFrame::CreateBookmarksDock()
{
    m_pBookmarks = new CBookmarksDock(this);
    addDockWidget(Qt::RightDockWidgetArea, m_pBookmarks);
    m_pBookmarks->hide();
    // The dock shows the active window's file; a file's bookmarks come back when it opens.
    const auto follow = [this] {
        if (m_pBookmarks && ActiveHexView() != m_pBookmarks->FollowedView())
            m_pBookmarks->Follow(ActiveHexView());
    };
    connect(this, &CMDIFrameWnd::activeFrameChanged, m_pBookmarks, follow);
    if (CDocManager* manager = DocManager())
        connect(manager, &CDocManager::documentsChanged, m_pBookmarks, follow);
}

void CMainFrame::AddCopyAsMenu(QMenu* edit)
{
    auto* copyAs = new QMenu(QStringLiteral("Copy &As"), edit);
    copyAs->setObjectName(QStringLiteral("CopyAsMenu"));
    for (const int id : {ID_EDIT_COPY_AS_C_ARRAY, ID_EDIT_COPY_AS_BASE64, ID_EDIT_COPY_AS_HEX_DUMP})
        copyAs->addAction(m_commands.Action(id));
    // Right after "Copy as Hex", beside the other ways of copying.
    const QList<QAction*> actions = edit->actions();
    const auto hex = std::find(actions.begin(), actions.end(), m_commands.Action(ID_EDIT_COPY_HEX));
    QAction* before = hex != actions.end() && std::next(hex) != actions.end() ? *std::next(hex) : nullptr;
    edit->insertMenu(before, copyAs);
}

} // namespace vtx
