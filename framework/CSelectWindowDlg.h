#pragma once
// The Window menu's "&Windows..." box: every document window by its title, for when
// there are more than the menu lists. OK (or a double click) activates the chosen one.

#include "framework/ModalRunner.h"

#include <QDialog>

#include <vector>

class QListWidget;

namespace vtx {

class CMDIChildWnd;

class CSelectWindowDlg : public QDialog, public ModalRunnable<CSelectWindowDlg>
{
    Q_OBJECT
public:
    // frames in the order the list shows them; current is selected to begin with.
    CSelectWindowDlg(const std::vector<CMDIChildWnd*>& frames, const CMDIChildWnd* current, QWidget* parent);

    // Runs the dialog; the chosen window, or null after Cancel (or when it went away
    // meanwhile).
    CMDIChildWnd* DoModal();

    [[nodiscard]] QListWidget* List() const { return m_pList; }

private:
    QListWidget* m_pList;
    std::vector<CMDIChildWnd*> m_frames;
};

} // namespace vtx
