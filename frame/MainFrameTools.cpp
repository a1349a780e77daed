// The main frame's part in the tools: their commands, keys and menu places. The tools do
// the work; the frame only finds the active window and document for them.

#include "CMainFrame.h"

// this program
#include "document/CVantorixDoc.h"
#include "res/CommandIds.h"
#include "tools/checksum/CChecksumDlg.h"
#include "view/CVantorixView.h"

// Qt
#include <QAction>
#include <QMenu>

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
}

void CMainFrame::AddCopyAsMenu(QMenu* edit)
{
    Q_UNUSED(edit);
}

} // namespace vtx
