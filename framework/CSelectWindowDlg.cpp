#include "CSelectWindowDlg.h"

#include "CMDIChildWnd.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>

namespace vtx {

CSelectWindowDlg::CSelectWindowDlg(const std::vector<CMDIChildWnd*>& frames, const CMDIChildWnd* current,
                                   QWidget* parent)
    : QDialog(parent), m_pList(new QListWidget(this)), m_frames(frames)
{
    setWindowTitle(QStringLiteral("Windows"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pList);
    for (const CMDIChildWnd* frame : m_frames)
        m_pList->addItem(frame->windowTitle());
    const auto it = std::find(m_frames.begin(), m_frames.end(), current);
    m_pList->setCurrentRow(it == m_frames.end() ? 0 : static_cast<int>(it - m_frames.begin()));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QListWidget::itemActivated, this, &QDialog::accept);
}

CMDIChildWnd* CSelectWindowDlg::DoModal()
{
    // A window may close while the box is open (its document closed elsewhere).
    std::vector<QPointer<CMDIChildWnd>> guarded(m_frames.begin(), m_frames.end());
    const int result = RunModal();
    const int row = m_pList->currentRow();
    if (result != QDialog::Accepted || row < 0 || row >= static_cast<int>(guarded.size()))
        return nullptr;
    CMDIChildWnd* chosen = guarded[static_cast<size_t>(row)];
    return chosen && !chosen->IsClosing() ? chosen : nullptr;
}

} // namespace vtx
