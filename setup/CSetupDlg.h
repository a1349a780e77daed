#pragma once
// The setup dialog: a welcome text, the directory to install into, Install and Cancel.
// Install runs the install sequence and closes the dialog.
//
// Linux window managers keep the window menu to themselves, so the dialog offers its own
// system menu ("Close", then "&About MarrowinSetup...") on a right click on the dialog
// and on Alt+Space, the key that opens the system menu on Windows.

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace vtx {

class CSetupDlg : public QDialog
{
    Q_OBJECT

public:
    enum { IDD = 102 };
    // System command values: the About item, and the standard close command.
    static constexpr unsigned IDM_ABOUTBOX = 0x0010;
    static constexpr unsigned SC_CLOSE = 0xF060;

    // distribution: the folder that holds the files to install (by default the running
    // program's own folder).
    explicit CSetupDlg(QString distribution = QString(), QWidget* parent = nullptr);

    // The fields exchanged with the controls: the welcome text (its lines end with CR LF)
    // and the install directory.
    QString m_strWelcome;
    QString m_strInstallDir;

    // Copies the controls' texts into the fields (true) or the fields into the controls.
    void UpdateData(bool saveAndValidate);

    // Runs a command of the system menu.
    void OnSysCommand(unsigned nID);
    // Builds the system menu and pops it up at a global position; returns it.
    QMenu* ShowSystemMenu(const QPoint& globalPos);

public slots:
    // Install: runs the install sequence into the directory shown, then closes with OK.
    // A directory that is refused, or an install that fails, leaves the dialog open.
    void accept() override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void LayOut();

    QString m_distribution;

    QLabel* m_welcome;
    QLabel* m_installDirLabel;
    QLineEdit* m_installDir;
    QPushButton* m_install;
    QPushButton* m_cancel;
};

} // namespace vtx
