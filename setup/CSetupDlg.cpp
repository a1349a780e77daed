#include "CSetupDlg.h"

// this program
#include "framework/MessageBox.h"
#include "platform/Locations.h"
#include "setup/CRegistryKey.h"
#include "setup/CSetupAboutBox.h"
#include "setup/Install.h"
#include "setup/ModalDialog.h"
#include "setup/SetupIcon.h"
#include "setup/SetupRoutines.h"

// Qt
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

// std
#include <algorithm>

namespace vtx {

namespace {

// Dialog units: the form is laid out in quarters of the dialog font's average character
// width and eighths of its height, so it keeps its proportions with any font.
class DialogUnits
{
public:
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const int letters = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        m_x = std::max(1, (letters / 26 + 1) / 2);
        m_y = std::max(1, metrics.height());
    }
    [[nodiscard]] int X(int units) const { return (units * m_x + 2) / 4; }
    [[nodiscard]] int Y(int units) const { return (units * m_y + 4) / 8; }
    [[nodiscard]] QRect Rect(int x, int y, int width, int height) const
    {
        return {X(x), Y(y), X(width), Y(height)};
    }

private:
    int m_x;
    int m_y;
};

// A control may be wider than the form says when the font here is wider than the one the
// form was drawn for: its text is never cut off.
void PlaceFitting(QWidget* widget, QRect rect, const QString& text)
{
    const int needed = widget->fontMetrics().horizontalAdvance(text) +
                       (qobject_cast<QPushButton*>(widget) ? widget->fontMetrics().height() : 2);
    rect.setWidth(std::max(rect.width(), needed));
    widget->setGeometry(rect);
}

QString ForDisplay(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

CSetupDlg::CSetupDlg(QString distribution, QWidget* parent)
    : QDialog(parent),
      m_distribution(distribution.isEmpty() ? DistributionFolder(RunningProgramPath())
                                            : std::move(distribution))
{
    m_strWelcome = QStringLiteral("Welcome To Dunmerrow Vantorix Setup!\r\n"
                                  "\r\n"
                                  "\tVantorix is a powerful color coded hex editor for Windows.\r\n");
    m_strInstallDir = DefaultInstallDirectory();

    // A reinstall proposes the directory of the last install.
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, QLatin1String(kProductKey))) {
        const QString stored = key.ReadString({}, QLatin1String(kInstallPathValue), {});
        if (!stored.isEmpty())
            m_strInstallDir = stored;
    }
    key.Close();

    setWindowTitle(QStringLiteral("Vantorix Setup"));
    setWindowIcon(SetupProgramIcon());
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);

    m_welcome = new QLabel(this);
    m_welcome->setObjectName(QStringLiteral("IDC_WELCOME"));
    m_welcome->setTextFormat(Qt::PlainText);
    m_welcome->setWordWrap(true);
    m_welcome->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_installDirLabel = new QLabel(QStringLiteral("Set The Install Directory:"), this);
    m_installDir = new QLineEdit(this);
    m_installDir->setObjectName(QStringLiteral("IDC_INSTALLDIR"));
    m_install = new QPushButton(QStringLiteral("Install"), this);
    m_install->setObjectName(QStringLiteral("IDOK"));
    m_install->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("IDCANCEL"));
    m_cancel->setAutoDefault(false);
    connect(m_install, &QPushButton::clicked, this, &CSetupDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CSetupDlg::reject);

    // Tab order as the form lists its controls that take focus.
    setTabOrder(m_install, m_cancel);
    setTabOrder(m_cancel, m_installDir);

    // A shortcut rather than a key handler: it works whichever control has the focus.
    auto* systemMenuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(systemMenuKey, &QShortcut::activated, this,
            [this] { ShowSystemMenu(mapToGlobal(QPoint(0, 0))); });

    LayOut();
    UpdateData(false);
    m_installDir->setFocus();
}

void CSetupDlg::LayOut()
{
    const DialogUnits du(font());
    setFixedSize(du.X(320), du.Y(200));
    PlaceFitting(m_install, du.Rect(263, 179, 50, 14), m_install->text());
    m_install->move(width() - du.X(7) - m_install->width(), m_install->y());
    PlaceFitting(m_cancel, du.Rect(7, 179, 50, 14), m_cancel->text());
    m_welcome->setGeometry(du.Rect(7, 7, 306, 123));
    PlaceFitting(m_installDirLabel, du.Rect(7, 136, 83, 8), m_installDirLabel->text());
    m_installDir->setGeometry(du.Rect(7, 146, 306, 14));
}

void CSetupDlg::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_strInstallDir = m_installDir->text();
        return;
    }
    m_welcome->setText(ForDisplay(m_strWelcome));
    m_installDir->setText(m_strInstallDir);
}

void CSetupDlg::accept()
{
    UpdateData(true);
    const QString directory = ResolveInstallDirectory(m_strInstallDir);
    if (const QString problem = InstallDirectoryProblem(directory); !problem.isEmpty()) {
        ShowMessageBox(problem, MsgButtons::Ok, MsgIcon::Exclamation);
        m_installDir->setFocus();
        return;
    }
    if (!RunInstall(directory, m_distribution)) {
        m_installDir->setFocus();
        return;
    }
    QDialog::accept();
}

void CSetupDlg::OnSysCommand(unsigned nID)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CSetupAboutBox about(this);
        ExecModal(about);
    } else if ((nID & 0xFFF0) == SC_CLOSE) {
        reject();
    }
}

QMenu* CSetupDlg::ShowSystemMenu(const QPoint& globalPos)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("&Close\tAlt+F4"), this, [this] { OnSysCommand(SC_CLOSE); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("&About MarrowinSetup..."), this,
                    [this] { OnSysCommand(IDM_ABOUTBOX); });
    menu->popup(globalPos);
    return menu;
}

void CSetupDlg::contextMenuEvent(QContextMenuEvent* event)
{
    ShowSystemMenu(event->globalPos());
}


} // namespace vtx
