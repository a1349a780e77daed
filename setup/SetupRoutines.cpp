#include "SetupRoutines.h"

// this program
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "platform/Directories.h"
#include "platform/Locations.h"
#include "platform/Process.h"
#include "platform/ShellLink.h"
#include "platform/DesktopEntry.h"
#include "setup/CRegistryKey.h"
#include "setup/SetupIcon.h"

// Qt
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

// std
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace vtx {

namespace {

constexpr char kMachineShellFolders[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\";
constexpr char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\";
constexpr char kUserExplorer[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
constexpr char kRegSvr32Name[] = "regsvr32";

QString RegSvr32Program()
{
    const QString configured = PathFromEnvironment(kRegSvr32Variable);
    return configured.isEmpty() ? RunningProgramPath() : configured;
}

// The path with its symbolic links resolved when it exists, else just cleaned.
QString Canonical(const QString& path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(path) : resolved;
}

// Folders of the operating system: installing into one would mix Vantorix with the
// system's own files.
constexpr const char* kSystemFolders[] = {
    "/bin", "/boot", "/dev", "/etc", "/home", "/lib", "/lib32", "/lib64", "/libx32",
    "/media", "/mnt", "/opt", "/proc", "/root", "/run", "/sbin", "/srv", "/sys", "/tmp",
    "/usr", "/usr/bin", "/usr/games", "/usr/include", "/usr/lib", "/usr/lib32",
    "/usr/lib64", "/usr/libexec", "/usr/local", "/usr/local/bin", "/usr/local/lib",
    "/usr/local/sbin", "/usr/local/share", "/usr/sbin", "/usr/share", "/usr/src", "/var",
    "/var/lib", "/var/tmp"};

} // namespace

const QStringList& InstalledFileNames()
{
    static const QStringList names{QStringLiteral("Vantorix.exe"), QLatin1String(kLibraryFileName),
                                   QStringLiteral("colors.dat"), QLatin1String(kIconFileName)};
    return names;
}

const QStringList& MenuFileNames()
{
    static const QStringList names{QStringLiteral("Vantorix.lnk"),
                                   QStringLiteral("Uninstall Vantorix.lnk"),
                                   QStringLiteral("Vantorix Homepage.url")};
    return names;
}

QString MenuEntryFolder()
{
    return UserApplicationsDirectory() + QStringLiteral("/Dunmerrow");
}

QString DefaultInstallDirectory()
{
    const QString configured = PathFromEnvironment(kInstallDirVariable);
    return configured.isEmpty() ? UserDataDirectory() + QStringLiteral("/Dunmerrow/Vantorix")
                                : configured;
}

QString FindStartMenuFolder()
{
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, QLatin1String(kMachineShellFolders))) {
        const QString common = key.ReadString({}, QStringLiteral("Common Start Menu"), {});
        if (!common.isEmpty())
            return common;
    }
    QString folder;
    if (key.Open(HKEY_CURRENT_USER, QLatin1String(kUserShellFolders)))
        folder = key.ReadString({}, QStringLiteral("Start Menu"), {});
    else if (key.Open(HKEY_CURRENT_USER, QLatin1String(kUserExplorer)))
        folder = key.ReadString(QStringLiteral("Shell Folders"), QStringLiteral("Start Menu"), {});
    key.Close();
    // An empty folder would put the shortcuts at the top of the file system.
    if (folder.isEmpty())
        folder = WindowsDirectory() + QStringLiteral("/Start Menu");
    return folder;
}

int CreateShortcut(const QString& target, const QString& description, const QString& linkPath)
{
    ShellLink link;
    if (!link.SetPath(target) || !link.SetDescription(description)) {
        ShowMessageBox(QStringLiteral(
            "Failed to create link, Make sure you unzip the whole file before running setup."));
        return EINVAL;
    }
    link.SetIconLocation(target, 0);
    if (!link.Save(linkPath)) {
        Trace(QStringLiteral("cannot save the link %1").arg(linkPath));
        return EIO;
    }
    return 0;
}

void CreateInstallDirectory(const QString& directory)
{
    if (CreateDirectoryLevel(directory) == 0)
        return;

    // Level by level: the prefix up to and including the first separator ("/" for an
    // absolute path), then each part after it.
    const qsizetype first = directory.indexOf(QLatin1Char('/'));
    QString prefix = first < 0 ? QString() : directory.left(first + 1);
    const QStringList levels =
        (first < 0 ? directory : directory.mid(first + 1)).split(QLatin1Char('/'));
    int error = 0;
    for (qsizetype i = 0; i < levels.size(); ++i) {
        if (levels[i].isEmpty() && i == levels.size() - 1)
            break; // a trailing separator makes no level of its own
        prefix += levels[i];
        error = CreateDirectoryLevel(prefix);
        prefix += QLatin1Char('/');
    }
    if (error != 0 && error != EEXIST)
        ShowMessageBox(
            QStringLiteral("Failed To Create Directory, Try Creating Manually. Code: %1").arg(error));
}

bool CreateMenuEntry(const QString& target, const QString& name, const QString& iconFile,
                     const QString& categories, const QString& entryPath)
{
    const DesktopKeys keys{
        {QStringLiteral("Type"), QStringLiteral("Application")},
        {QStringLiteral("Version"), QStringLiteral("1.5")},
        {QStringLiteral("Name"), name},
        {QStringLiteral("Exec"), DesktopExecValue(DesktopLaunchCommand(target))},
        {QStringLiteral("Icon"), iconFile},
        {QStringLiteral("Terminal"), QStringLiteral("false")},
        {QStringLiteral("Categories"), categories},
    };
    QString error;
    if (WriteFileAtomically(entryPath, DesktopEntryText(keys), &error))
        return true;
    Trace(QStringLiteral("cannot write the menu entry %1: %2").arg(entryPath, error));
    return false;
}

bool EmptyAndRemoveFolder(const QString& folder, const QStringList& names)
{
    for (const QString& name : names) {
        const QString file = folder + name;
        if (IsRegularFile(file))
            (void)DeleteFile(file);
        SleepMilliseconds(10);
    }
    SleepMilliseconds(1000);
    const int error = RemoveDirectory(folder);
    if (error == 0 || error == ENOENT)
        return true;
    Trace(QStringLiteral("folder %1 stays: error %2").arg(folder).arg(error));
    return false;
}

QString ProtectedFolderReason(const QString& folder)
{
    const QString place = Canonical(folder);
    const auto is = [&place](const QString& other) {
        return !other.isEmpty() && place == Canonical(other);
    };
    if (place == QLatin1String("/"))
        return QStringLiteral("it is the top of the file system");
    if (is(HomeDirectory()))
        return QStringLiteral("it is your home folder");
    if (is(SystemDirectory()))
        return QStringLiteral("it is the system directory, where the uninstaller lives");
    if (is(WindowsDirectory()))
        return QStringLiteral("it is the Windows directory");
    for (const char* system : kSystemFolders)
        if (is(QLatin1String(system)))
            return QStringLiteral("it is a folder of the operating system");
    QStringList personal{HomeDirectory() + QStringLiteral("/bin"),
                         HomeDirectory() + QStringLiteral("/.local"),
                         HomeDirectory() + QStringLiteral("/.local/bin"),
                         HomeDirectory() + QStringLiteral("/.config"),
                         UserDataDirectory(), UserApplicationsDirectory(), RegistryDirectory()};
    for (const auto location :
         {QStandardPaths::DesktopLocation, QStandardPaths::DocumentsLocation,
          QStandardPaths::DownloadLocation, QStandardPaths::MusicLocation,
          QStandardPaths::PicturesLocation, QStandardPaths::MoviesLocation,
          QStandardPaths::TempLocation})
        personal.append(QStandardPaths::writableLocation(location));
    for (const QString& own : personal)
        if (is(own))
            return QStringLiteral("it is one of your own folders");
    return {};
}

bool StartProgram(const QString& program, const QStringList& parameters)
{
    const bool tool = program == QLatin1String(kRegSvr32Name);
    const StartedProcess process =
        tool ? StartDetached(RegSvr32Program(), parameters, QLatin1String(kRegSvr32Name))
             : StartDetached(program, parameters);
    if (process.started)
        Trace(QStringLiteral("started %1 (pid %2)").arg(program).arg(process.pid));
    else
        Trace(QStringLiteral("cannot start %1: error %2").arg(program).arg(process.error));
    return process.started;
}

QString RunProgram(const QString& program, const QStringList& parameters, int timeoutMs)
{
    const bool tool = program == QLatin1String(kRegSvr32Name);
    const FinishedProcess process =
        tool ? RunAndWait(RegSvr32Program(), parameters, timeoutMs, QLatin1String(kRegSvr32Name))
             : RunAndWait(program, parameters, timeoutMs);
    if (!process.started) {
        Trace(QStringLiteral("cannot start %1: error %2").arg(program).arg(process.error));
        return QStringLiteral("%1 could not be started (%2)")
            .arg(program, QString::fromLocal8Bit(std::strerror(process.error)));
    }
    Trace(QStringLiteral("started %1 (pid %2)").arg(program).arg(process.pid));
    if (!process.finished) {
        Trace(QStringLiteral("%1 did not end in time and was stopped").arg(program));
        return QStringLiteral("%1 did not finish within %2 seconds").arg(program).arg(timeoutMs / 1000);
    }
    Trace(QStringLiteral("%1 ended with code %2").arg(program).arg(process.exitCode));
    if (process.exitCode != 0)
        return QStringLiteral("%1 ended with code %2").arg(program).arg(process.exitCode);
    return {};
}

QString ReadMarkerFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    QByteArray line = file.readLine();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(
            QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return QFile::decodeName(line);
}

} // namespace vtx
