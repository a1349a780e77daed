#include "Locations.h"

// Qt
#include <QDir>
#include <QFileInfo>

// std
#include <cstdlib>

namespace vtx {

namespace {

// An XDG base directory: the variable when it holds an absolute path (the XDG rules say
// a relative one is to be ignored), else the fallback below the home folder.
QString XdgDirectory(const char* variable, const char* fallbackBelowHome)
{
    const QString value = QString::fromLocal8Bit(std::getenv(variable));
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return HomeDirectory() + QLatin1Char('/') + QLatin1String(fallbackBelowHome);
}

} // namespace

QString PathFromEnvironment(const char* variable)
{
    const QString value = QString::fromLocal8Bit(std::getenv(variable));
    if (value.isEmpty())
        return {};
    return QDir::cleanPath(QDir::current().absoluteFilePath(value));
}

QString HomeDirectory()
{
    return QDir::cleanPath(QDir::homePath());
}

QString UserDataDirectory()
{
    return XdgDirectory("XDG_DATA_HOME", ".local/share");
}

QString UserApplicationsDirectory()
{
    return UserDataDirectory() + QStringLiteral("/applications");
}

QString WindowsDirectory()
{
    QString path = PathFromEnvironment(kWindowsDirVariable);
    if (path.isEmpty())
        path = UserDataDirectory() + QStringLiteral("/vtxsetup/Windows");
    return path;
}

QString SystemDirectory()
{
    const QString path = PathFromEnvironment(kSystemDirVariable);
    return path.isEmpty() ? WindowsDirectory() + QStringLiteral("/System") : path;
}

QString RegistryDirectory()
{
    const QString path = PathFromEnvironment(kRegistryDirVariable);
    if (!path.isEmpty())
        return path;
    return XdgDirectory("XDG_CONFIG_HOME", ".config") + QStringLiteral("/vtxsetup/registry");
}

QString CurrentDirectory()
{
    return QDir::cleanPath(QDir::currentPath());
}

QString RunningProgramPath()
{
    // /proc/self/exe names the program file itself, whatever argv[0] says and whether or
    // not an application object exists yet.
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

} // namespace vtx
