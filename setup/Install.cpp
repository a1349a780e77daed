#include "Install.h"

// this program
#include "framework/MessageBox.h"
#include "platform/Directories.h"
#include "platform/Locations.h"
#include "setup/CRegistryKey.h"
#include "setup/SetupRoutines.h"

// Qt
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vtx {

QString ResolveInstallDirectory(const QString& typed)
{
    if (typed.isEmpty())
        return {};
    QString path = typed;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = HomeDirectory() + path.mid(1);
    if (QDir::isRelativePath(path))
        path = CurrentDirectory() + QLatin1Char('/') + path;
    return path;
}

QString InstallDirectoryProblem(const QString& directory)
{
    if (directory.isEmpty())
        return QStringLiteral("Please type the directory to install Vantorix into.");
    const auto canonical = [](const QString& path) {
        const QString resolved = QFileInfo(path).canonicalFilePath();
        return resolved.isEmpty() ? QDir::cleanPath(path) : resolved;
    };
    const QString place = canonical(directory);
    if (place == QLatin1String("/") || place == canonical(HomeDirectory()))
        return QStringLiteral("Vantorix cannot be installed into %1: uninstalling it deletes "
                              "every file in its directory. Please choose a directory of its own.")
            .arg(directory);
    return {};
}

void RunInstall(const QString& D)
{
    CreateInstallDirectory(D);

    const QString C = CurrentDirectory();
    const QString S = SystemDirectory();

    // A copy that fails (a file missing from the distribution) is not reported; the
    // results are not looked at.
    (void)CopyFileReplacing(C + QStringLiteral("/PL4827_.VTX"), D + QStringLiteral("/Vantorix.exe"));
    const QString setup = QLatin1Char('/') + QLatin1String(kSetupFileName);
    const QString library = QLatin1Char('/') + QLatin1String(kLibraryFileName);
    (void)CopyFileReplacing(C + setup, S + setup);
    (void)CopyFileReplacing(C + library, D + library);
    (void)CopyFileReplacing(C + QStringLiteral("/colors.dat"), D + QStringLiteral("/colors.dat"));

    const QString M = FindStartMenuFolder();

    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\")))
        key.WriteString(QStringLiteral("Dunmerrow\\Vantorix\\"), QLatin1String(kInstallPathValue), D);
    key.Close();

    const QString programs = M + QStringLiteral("/Programs/Dunmerrow");
    const QString menu = M + QLatin1String(kMenuFolder);
    (void)CreateDirectoryLevel(programs);
    (void)CreateDirectoryLevel(menu);

    CreateShortcut(D + QStringLiteral("/Vantorix.exe"), QStringLiteral("Vantorix"),
                   menu + QStringLiteral("/Vantorix.lnk"));
    CreateShortcut(S + setup, QStringLiteral("Uninstall Vantorix"),
                   menu + QStringLiteral("/Uninstall Vantorix.lnk"));
    (void)CopyFileReplacing(C + QStringLiteral("/Vantorix Homepage.url"),
                            menu + QStringLiteral("/Vantorix Homepage.url"));

    ShowMessageBox(QStringLiteral(
        "Installation Complete! Link added to Start->Programs->Dunmerrow->Vantorix"));

    StartProgram(QStringLiteral("regsvr32"),
                 {QStringLiteral("/s"), D + library});
    StartProgram(D + QStringLiteral("/Vantorix.exe"), {});

    // The marker file holds D and nothing else: no line end. When it cannot be written,
    // the uninstaller will not find the install, so the user hears of it now.
    const QString marker = S + QLatin1Char('/') + QLatin1String(kMarkerFileName);
    QString error;
    if (!WriteFileAtomically(marker, QFile::encodeName(D), &error))
        ShowMessageBox(QStringLiteral("Could not write %1 (%2). Uninstall Vantorix will not find "
                                      "the install directory; remove %3 by hand.")
                           .arg(marker, error, D));
}

} // namespace vtx
