#include "Uninstall.h"

// this program
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "platform/Directories.h"
#include "platform/Locations.h"
#include "setup/CRegistryKey.h"
#include "setup/SetupRoutines.h"

// Qt
#include <QDir>

// std
#include <exception>

namespace vtx {

namespace {

// Why the directory recorded in where must not be uninstalled from, or an empty text.
// The record is only text in a file anyone may edit: it has to name an absolute place of
// Vantorix's own that still holds the editor, so that no other folder loses a file.
QString RecordedDirectoryProblem(const QString& D, const QString& where)
{
    if (!QDir::isAbsolutePath(D))
        return QStringLiteral("the install directory \"%1\" in %2 is not an absolute path")
            .arg(D, where);
    if (const QString reason = ProtectedFolderReason(D); !reason.isEmpty())
        return QStringLiteral("the install directory %1 in %2 cannot be Vantorix's: %3")
            .arg(D, where, reason);
    if (!IsRegularFile(D + QStringLiteral("/Vantorix.exe")))
        return QStringLiteral("the install directory %1 in %2 holds no Vantorix.exe").arg(D, where);
    return {};
}

QString InstallDirectoryProblem(const QString& D, const QString& marker)
{
    if (const QString problem = RecordedDirectoryProblem(D, marker); !problem.isEmpty())
        return problem;
    CRegistryKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, QLatin1String(kProductKey)))
        return {};
    const QString stored = key.ReadString({}, QLatin1String(kInstallPathValue), {});
    if (stored.isEmpty())
        return {};
    if (const QString problem = RecordedDirectoryProblem(stored, QStringLiteral("the registry"));
        !problem.isEmpty())
        return problem;
    if (QDir::cleanPath(stored) != QDir::cleanPath(D))
        return QStringLiteral("the install directory in %1 (%2) is not the one in the registry (%3)")
            .arg(marker, D, stored);
    return {};
}

// The library goes only after it has undone its registration.
void UnregisterLibrary(const QString& D)
{
    const QString unregistered =
        RunProgram(QStringLiteral("regsvr32"),
                   {QStringLiteral("/s"), QStringLiteral("/u"),
                    D + QLatin1Char('/') + QLatin1String(kLibraryFileName)},
                   kUnregisterTimeoutMs);
    if (!unregistered.isEmpty())
        ShowMessageBox(QStringLiteral("Vantorix.dll could not be unregistered: %1. The "
                                      "uninstall goes on.")
                           .arg(unregistered),
                       MsgButtons::Ok, MsgIcon::Exclamation);
}

void RemoveRegistryKeys()
{
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\")))
        key.DeleteValue(QStringLiteral("Microsoft\\Windows\\CurrentVersion\\Run\\"),
                        QStringLiteral("Vantorix"));
    // A key that other products of the maker still use stays; that is no error here.
    key.DeleteKey(HKEY_LOCAL_MACHINE, QLatin1String(kProductKey));
    key.DeleteKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Dunmerrow"));
    key.Close();
}

// Removes the menus' entries and the installed files; a folder that holds files Vantorix
// did not install is kept, and said.
void RemoveInstalledFiles(const QString& D, const QString& M)
{
    QStringList kept;
    const QString menu = M + QLatin1String(kMenuFolder) + QLatin1Char('/');
    if (!EmptyAndRemoveFolder(menu, MenuFileNames()))
        kept.append(QDir::cleanPath(menu));
    (void)RemoveDirectory(M + QStringLiteral("/Programs/Dunmerrow"));
    const QString entries = MenuEntryFolder() + QLatin1Char('/');
    (void)DeleteFile(entries + QLatin1String(kEditorEntryName));
    (void)DeleteFile(entries + QLatin1String(kUninstallEntryName));
    (void)RemoveDirectory(entries);
    if (!EmptyAndRemoveFolder(D + QLatin1Char('/'), InstalledFileNames()))
        kept.append(QDir::cleanPath(D));
    if (!kept.isEmpty())
        ShowMessageBox((kept.size() == 1
                            ? QStringLiteral("This folder was kept, because it holds files "
                                             "that Vantorix did not install: %1")
                            : QStringLiteral("These folders were kept, because they hold "
                                             "files that Vantorix did not install: %1"))
                           .arg(kept.join(QStringLiteral(", "))),
                       MsgButtons::Ok, MsgIcon::Information);
}

} // namespace

UninstallResult RunUninstall()
{
    if (ShowMessageBox(QStringLiteral("Are you sure you wish to uninstall Vantorix?"),
                       MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return UninstallResult::Declined;

    try {
        const QString marker =
            SystemDirectory() + QLatin1Char('/') + QLatin1String(kMarkerFileName);
        const QString D = ReadMarkerFile(marker);
        if (D.isEmpty()) {
            ShowMessageBox(QStringLiteral("Failed to get install directory!"), MsgButtons::Ok,
                           MsgIcon::Exclamation);
            return UninstallResult::NoDirectory;
        }
        if (const QString problem = InstallDirectoryProblem(D, marker); !problem.isEmpty()) {
            ShowMessageBox(QStringLiteral("Vantorix was not uninstalled: %1. Nothing was removed.")
                               .arg(problem),
                           MsgButtons::Ok, MsgIcon::Exclamation);
            return UninstallResult::Refused;
        }
        const QString M = FindStartMenuFolder();
        UnregisterLibrary(D);
        RemoveRegistryKeys();
        RemoveInstalledFiles(D, M);
    } catch (const std::exception& error) {
        Trace(QStringLiteral("uninstall stopped: %1").arg(QString::fromLocal8Bit(error.what())));
        ShowMessageBox(QStringLiteral("Uninstall Finished"), MsgButtons::Ok, MsgIcon::Exclamation);
        return UninstallResult::Failed;
    }
    ShowMessageBox(QStringLiteral("Uninstall Complete"), MsgButtons::Ok, MsgIcon::Information);
    return UninstallResult::Completed;
}

} // namespace vtx
