#include "SetupRoutines.h"

// this program
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "platform/Directories.h"
#include "platform/Locations.h"
#include "platform/Process.h"
#include "platform/ShellLink.h"
#include "setup/CRegistryKey.h"

// Qt
#include <QFile>

// std
#include <cerrno>
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

} // namespace

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

bool EmptyAndRemoveFolder(const QString& folder)
{
    int error = 0;
    for (const DirectoryEntry& entry : ListDirectory(folder, &error)) {
        if (!entry.isDirectory)
            (void)DeleteFile(folder + entry.name);
        SleepMilliseconds(10);
    }
    SleepMilliseconds(1000);
    error = RemoveDirectory(folder);
    if (error == 0 || error == ENOENT || error == ENOTDIR)
        return true;
    Trace(QStringLiteral("folder %1 stays: error %2").arg(folder).arg(error));
    return false;
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
