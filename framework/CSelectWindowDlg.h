#pragma once
// The Window menu's "&Windows..." box: every document window by its title, for when
// there are more than the menu lists. OK (or a double click) activates the chosen one.

#include <QDialog>

#include <functional>
#include <vector>

class QListWidget;

namespace vtx {

class CMDIChildWnd;

class CSelectWindowDlg : public QDialog
{
    Q_OBJECT
public:
    // frames in the order the list shows them; current is selected to begin with.
    CSelectWindowDlg(const std::vector<CMDIChildWnd*>& frames, const CMDIChildWnd* current, QWidget* parent);

    // Runs the dialog; the chosen window, or null after Cancel (or when it went away
    // meanwhile).
    CMDIChildWnd* DoModal();

    [[nodiscard]] QListWidget* List() const { return m_pList; }

    // Instead of running the dialog modally, DoModal hands it to this runner (tests drive
    // the dialog through it and return its result). Empty: run modally.
    using ModalRunner = std::function<int(CSelectWindowDlg&)>;
    static void SetModalRunner(ModalRunner runner);

private:
    QListWidget* m_pList;
    std::vector<CMDIChildWnd*> m_frames;
};

} // namespace vtx
