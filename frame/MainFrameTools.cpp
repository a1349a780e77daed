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

// The tools' handlers and rules, and their rows.
struct CMainFrame::ToolRows {
    static void Checksum(CMainFrame& frame, int)
    {
        CVantorixView* view = frame.ActiveHexView();
        CVantorixDoc* doc = view ? view->GetDocument() : nullptr;
        if (doc && doc->IsFileOpen())
            RunChecksumCommand(&frame, *doc, view->SelectedRange());
    }

    // Bookmarks at the caret of the active window.
    static void Bookmark(CMainFrame& frame, int id)
    {
        CBookmarksDock* dock = frame.m_pBookmarks;
        if (!dock)
            return;
        dock->Follow(frame.ActiveHexView());
        if (id == ID_BOOKMARK_TOGGLE)
            dock->ToggleAtCaret();
        else if (id == ID_BOOKMARK_NEXT)
            dock->GotoNext();
        else
            dock->GotoPrevious();
    }
    static void ViewBookmarks(CMainFrame& frame, int)
    {
        if (frame.m_pBookmarks)
            frame.m_pBookmarks->setVisible(frame.m_pBookmarks->isHidden());
    }
    static void UpdateViewBookmarks(CMainFrame& frame, CCmdUI& ui)
    {
        ui.SetCheck(frame.m_pBookmarks && !frame.m_pBookmarks->isHidden());
    }

    // Copy As: the active window's selection in other formats, under Copy's rules.
    static void CopyAs(CMainFrame& frame, int id)
    {
        const CopyAsFormat format = id == ID_EDIT_COPY_AS_C_ARRAY  ? CopyAsFormat::CArray
                                    : id == ID_EDIT_COPY_AS_BASE64 ? CopyAsFormat::Base64
                                                                   : CopyAsFormat::HexDump;
        CVantorixView* view = frame.ActiveHexView();
        CVantorixDoc* doc = view ? view->GetDocument() : nullptr;
        const std::optional<ByteRange> range = view ? view->SelectedRange() : std::nullopt;
        if (doc && doc->IsFileOpen() && range)
            RunCopyAsCommand(&frame, *doc, *range, format);
    }

    // The selected bytes into a new file; the document stays as it is.
    static void SaveSelectionAs(CMainFrame& frame, int)
    {
        CVantorixView* view = frame.ActiveHexView();
        CVantorixDoc* doc = view ? view->GetDocument() : nullptr;
        const std::optional<ByteRange> range = view ? view->SelectedRange() : std::nullopt;
        CDocManager* manager = frame.DocManager();
        if (!doc || !doc->IsFileOpen() || !range || !manager)
            return;
        const QString path = manager->PromptFileName(false, ProposedSelectionName(doc->GetPath()));
        if (!path.isEmpty())
            RunSaveSelectionCommand(&frame, *doc, *range, path);
    }
    static void UpdateSaveSelectionAs(CMainFrame& frame, CCmdUI& ui)
    {
        const CVantorixView* view = frame.ActiveHexView();
        ui.Enable(view && view->SelectedRange().has_value());
    }

    static const OwnCommand kRows[];
};

const CMainFrame::OwnCommand CMainFrame::ToolRows::kRows[] = {
    {ID_TOOLS_CHECKSUM, "Compute checksums of the selection, or of the whole document\nChecksum",
     "&Checksum...\tCtrl+Shift+K", {Qt::CTRL | Qt::SHIFT | Qt::Key_K}, &Checksum, &UpdateWithDocument},
    {ID_BOOKMARK_TOGGLE, "Set or clear a bookmark at the caret\nToggle Bookmark", "&Toggle Bookmark\tCtrl+F2",
     {Qt::CTRL | Qt::Key_F2}, &Bookmark, &UpdateWithDocument},
    {ID_BOOKMARK_NEXT, "Go to the next bookmark\nNext Bookmark", "&Next Bookmark\tF2", {Qt::Key_F2}, &Bookmark,
     &UpdateWithDocument},
    {ID_BOOKMARK_PREVIOUS, "Go to the previous bookmark\nPrevious Bookmark", "&Previous Bookmark\tShift+F2",
     {Qt::SHIFT | Qt::Key_F2}, &Bookmark, &UpdateWithDocument},
    {ID_VIEW_BOOKMARKS, "Show or hide the list of bookmarks\nBookmarks", "&Bookmarks", {}, &ViewBookmarks,
     &UpdateViewBookmarks},
    {ID_EDIT_COPY_AS_C_ARRAY, "Copy the selection as a C array of bytes\nCopy as C Array", "&C Array", {}, &CopyAs,
     &UpdateWithDocument},
    {ID_EDIT_COPY_AS_BASE64, "Copy the selection as Base64 text\nCopy as Base64", "&Base64", {}, &CopyAs,
     &UpdateWithDocument},
    {ID_EDIT_COPY_AS_HEX_DUMP, "Copy the selection as a hex dump with offsets and text\nCopy as Hex Dump",
     "&Hex Dump", {}, &CopyAs, &UpdateWithDocument},
    {ID_FILE_SAVE_SELECTION_AS, "Save the selected bytes, with the pending changes, in a new file\nSave Selection As",
     "Save Se&lection As...", {}, &SaveSelectionAs, &UpdateSaveSelectionAs},
};

void CMainFrame::AddToolCommands()
{
    AddOwnCommands(ToolRows::kRows);
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
