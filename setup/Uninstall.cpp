#include "Uninstall.h"

// this program
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "platform/Directories.h"
#include "platform/Locations.h"
#include "setup/CRegistryKey.h"
#include "setup/SetupRoutines.h"

// std
#include <exception>

namespace vtx {

UninstallResult RunUninstall()
{
    if (ShowMessageBox(QStringLiteral("Are you sure you wish to uninstall Vantorix?"),
                       MsgButtons::YesNo) != MsgResult::Yes)
        return UninstallResult::Declined;

    try {
        const QString D =
            ReadMarkerFile(SystemDirectory() + QLatin1Char('/') + QLatin1String(kMarkerFileName));
        if (D.isEmpty()) {
            ShowMessageBox(QStringLiteral("Failed to get install directory!"));
            return UninstallResult::NoDirectory;
        }
        const QString M = FindStartMenuFolder();

        StartProgram(QStringLiteral("regsvr32"),
                     {QStringLiteral("/s"), QStringLiteral("/u"),
                      D + QLatin1Char('/') + QLatin1String(kLibraryFileName)});

        CRegistryKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\")))
            key.DeleteValue(QStringLiteral("Microsoft\\Windows\\CurrentVersion\\Run\\"),
                            QStringLiteral("Vantorix"));
        // A key that other products of the maker still use stays; that is no error here.
        key.DeleteKey(HKEY_LOCAL_MACHINE, QLatin1String(kProductKey));
        key.DeleteKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Dunmerrow"));
        key.Close();

        EmptyAndRemoveFolder(M + QLatin1String(kMenuFolder) + QLatin1Char('/'));
        (void)RemoveDirectory(M + QStringLiteral("/Programs/Dunmerrow"));
        EmptyAndRemoveFolder(D + QLatin1Char('/'));
    } catch (const std::exception& error) {
        Trace(QStringLiteral("uninstall stopped: %1").arg(QString::fromLocal8Bit(error.what())));
        ShowMessageBox(QStringLiteral("Uninstall Finished"));
        return UninstallResult::Failed;
    }
    ShowMessageBox(QStringLiteral("Uninstall Complete"));
    return UninstallResult::Completed;
}

} // namespace vtx
