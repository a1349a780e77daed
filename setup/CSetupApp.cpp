#include "CSetupApp.h"

// this program
#include "platform/Locations.h"
#include "setup/CRegistryKey.h"
#include "setup/CSetupDlg.h"
#include "setup/Install.h"
#include "setup/ModalDialog.h"
#include "setup/SetupRoutines.h"
#include "setup/Uninstall.h"

// Qt
#include <QFileInfo>

namespace vtx {

namespace {

// The path with its folder's symbolic links resolved, so that a system directory reached
// through a link still matches the program path the system reports.
QString ResolvedFolder(const QString& path)
{
    const QFileInfo file(path);
    const QString folder = QFileInfo(file.path()).canonicalFilePath();
    return folder.isEmpty() ? path : folder + QLatin1Char('/') + file.fileName();
}

} // namespace

CSetupApp::Mode CSetupApp::DecideMode() const
{
    const QString S = SystemDirectory();
    CRegistryKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, QLatin1String(kProductKey)))
        return Mode::Install;
    const QString uninstaller = ResolvedFolder(S + QStringLiteral("/vtxsetup.exe"));
    return ResolvedFolder(m_runningProgram).compare(uninstaller, Qt::CaseInsensitive) == 0
               ? Mode::Uninstall
               : Mode::Install;
}

bool CSetupApp::InitInstance()
{
    // A failed uninstall says "Uninstall Finished" and goes on to the setup dialog.
    if (DecideMode() == Mode::Uninstall && RunUninstall() != UninstallResult::Failed)
        return false;
    CSetupDlg dialog(DistributionFolder(m_runningProgram));
    ExecModal(dialog);
    return false;
}

} // namespace vtx
