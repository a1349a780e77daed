#include "Install.h"

// this program
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "platform/Directories.h"
#include "platform/Locations.h"
#include "setup/CRegistryKey.h"
#include "setup/SetupIcon.h"
#include "setup/SetupRoutines.h"

// Qt
#include <QDir>
#include <QFile>
#include <QFileInfo>

// std
#include <cstring>

namespace vtx {

namespace {

constexpr char kEditorSource[] = "PL4827_.VTX";
constexpr char kColorsFile[] = "colors.dat";
constexpr char kHomepageFile[] = "Vantorix Homepage.url";
constexpr char kEditorFile[] = "Vantorix.exe";

bool CopyFailed(const QString& file, const QString& folder)
{
    ShowMessageBox(QStringLiteral("Failed to copy %1 to %2.").arg(file, folder), MsgButtons::Ok,
                   MsgIcon::Exclamation);
    return false;
}

// Copies from into folder under name; a failure is reported and ends the install.
bool Copy(const QString& from, const QString& folder, const QString& name)
{
    const int error = CopyFileReplacing(from, folder + QLatin1Char('/') + name);
    if (error == 0)
        return true;
    Trace(QStringLiteral("cannot copy %1 to %2: %3")
              .arg(from, folder, QString::fromLocal8Bit(std::strerror(error))));
    return CopyFailed(from, folder);
}

} // namespace

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
    const auto refuse = [&directory](const QString& reason) {
        return QStringLiteral("Vantorix cannot be installed into %1: %2. Please choose a "
                              "directory of its own.")
            .arg(directory, reason);
    };
    if (const QString reason = ProtectedFolderReason(directory); !reason.isEmpty())
        return refuse(reason);

    // A previous install may be replaced, whatever the user keeps beside it.
    const QString folder = directory + QLatin1Char('/');
    if (IsRegularFile(folder + QLatin1String(kEditorFile)))
        return {};
    int error = 0;
    QStringList foreign;
    for (const DirectoryEntry& entry : ListDirectory(directory, &error))
        if (entry.name != QLatin1String(".") && entry.name != QLatin1String("..") &&
            !InstalledFileNames().contains(entry.name))
            foreign.append(entry.name);
    if (foreign.isEmpty())
        return {};
    foreign.sort();
    QString named = foreign.mid(0, 3).join(QStringLiteral(", "));
    if (foreign.size() > 3)
        named += QStringLiteral(" and %1 more").arg(foreign.size() - 3);
    return refuse(QStringLiteral("it already holds files that Vantorix did not install (%1)")
                      .arg(named));
}

QString DistributionFolder(const QString& runningProgram)
{
    return QFileInfo(runningProgram).absolutePath();
}

namespace {

// Every file of the distribution is looked for before anything is made or copied, so that
// an incomplete distribution changes nothing; then the program's files go into D, the
// setup program into S, and the icon is written beside the program.
bool CopyProgramFiles(const QString& D, const QString& C, const QString& S, const QString& menu)
{
    const QString setup = QLatin1String(kSetupFileName);
    const QString library = QLatin1String(kLibraryFileName);
    const struct {
        const char* source;
        QString folder;
    } distribution[] = {{kEditorSource, D}, {kSetupFileName, S}, {kLibraryFileName, D},
                        {kColorsFile, D}, {kHomepageFile, menu}};
    for (const auto& file : distribution) {
        const QFileInfo source(C + QLatin1Char('/') + QLatin1String(file.source));
        if (!source.isFile() || !source.isReadable())
            return CopyFailed(source.filePath(), file.folder);
    }

    CreateInstallDirectory(D);

    if (!Copy(C + QStringLiteral("/PL4827_.VTX"), D, QLatin1String(kEditorFile)))
        return false;
    (void)QDir().mkpath(S); // a failure shows as the failed copy
    if (!Copy(C + QLatin1Char('/') + setup, S, setup) ||
        !Copy(C + QLatin1Char('/') + library, D, library) ||
        !Copy(C + QLatin1Char('/') + QLatin1String(kColorsFile), D, QLatin1String(kColorsFile)))
        return false;
    if (!WriteFileAtomically(D + QLatin1Char('/') + QLatin1String(kIconFileName), SetupIconFile()))
        return CopyFailed(QLatin1String(kIconFileName), D);
    return true;
}

// The maker's start menu folder with the two shortcuts and the home page link.
bool AddStartMenuFolder(const QString& D, const QString& C, const QString& S, const QString& M)
{
    const QString menu = M + QLatin1String(kMenuFolder);
    // The folders above the maker's own may be missing too on a fresh desktop.
    (void)QDir().mkpath(M + QStringLiteral("/Programs"));
    (void)CreateDirectoryLevel(M + QStringLiteral("/Programs/Dunmerrow"));
    (void)CreateDirectoryLevel(menu);

    CreateShortcut(D + QLatin1Char('/') + QLatin1String(kEditorFile), QStringLiteral("Vantorix"),
                   menu + QStringLiteral("/Vantorix.lnk"));
    CreateShortcut(S + QLatin1Char('/') + QLatin1String(kSetupFileName), QStringLiteral("Uninstall Vantorix"),
                   menu + QStringLiteral("/Uninstall Vantorix.lnk"));
    return Copy(C + QLatin1Char('/') + QLatin1String(kHomepageFile), menu, QLatin1String(kHomepageFile));
}

// The start menu above is not what a Linux desktop shows: the same two shortcuts go into
// its application menu as well.
void AddApplicationMenuEntries(const QString& D, const QString& S)
{
    const QString icon = D + QLatin1Char('/') + QLatin1String(kIconFileName);
    const QString entries = MenuEntryFolder();
    const bool entered =
        QDir().mkpath(entries) &&
        CreateMenuEntry(D + QLatin1Char('/') + QLatin1String(kEditorFile), QStringLiteral("Vantorix"), icon,
                        QStringLiteral("Development;Utility;X-Dunmerrow;"),
                        entries + QLatin1Char('/') + QLatin1String(kEditorEntryName)) &&
        CreateMenuEntry(S + QLatin1Char('/') + QLatin1String(kSetupFileName), QStringLiteral("Uninstall Vantorix"),
                        icon, QStringLiteral("Utility;X-Dunmerrow;"),
                        entries + QLatin1Char('/') + QLatin1String(kUninstallEntryName));
    if (!entered)
        ShowMessageBox(QStringLiteral("Failed to add Vantorix to the application menu in %1.")
                           .arg(entries),
                       MsgButtons::Ok, MsgIcon::Exclamation);
}

// The marker file holds D and nothing else: no line end. When it cannot be written, the
// uninstaller will not find the install, so the user hears of it now.
void WriteInstallMarker(const QString& D, const QString& S)
{
    const QString marker = S + QLatin1Char('/') + QLatin1String(kMarkerFileName);
    QString error;
    if (!WriteFileAtomically(marker, QFile::encodeName(D), &error))
        ShowMessageBox(QStringLiteral("Could not write %1 (%2). Uninstall Vantorix will not find "
                                      "the install directory; remove %3 by hand.")
                           .arg(marker, error, D),
                       MsgButtons::Ok, MsgIcon::Exclamation);
}

} // namespace

bool RunInstall(const QString& D, const QString& C)
{
    const QString S = SystemDirectory();
    const QString M = FindStartMenuFolder();
    if (!CopyProgramFiles(D, C, S, M + QLatin1String(kMenuFolder)))
        return false;

    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\")))
        key.WriteString(QStringLiteral("Dunmerrow\\Vantorix\\"), QLatin1String(kInstallPathValue), D);
    key.Close();

    if (!AddStartMenuFolder(D, C, S, M))
        return false;
    AddApplicationMenuEntries(D, S);

    ShowMessageBox(
        QStringLiteral("Installation Complete! Link added to Start->Programs->Dunmerrow->Vantorix"),
        MsgButtons::Ok, MsgIcon::Information);

    StartProgram(QStringLiteral("regsvr32"),
                 {QStringLiteral("/s"), D + QLatin1Char('/') + QLatin1String(kLibraryFileName)});
    StartProgram(D + QLatin1Char('/') + QLatin1String(kEditorFile), {});
    WriteInstallMarker(D, S);
    return true;
}

} // namespace vtx
