// Vantorix.dll: the library that ships with the editor. Registering it makes the editor
// that sits beside it a citizen of the user's desktop: a desktop entry in the user's
// applications folder offers Vantorix in "Open With" for any file, with an icon of its
// own. The entry stays out of the menus, where the setup program's own entries already
// show Vantorix. Unregistering removes both again, but only when the entry is still the
// one this library wrote: an entry for another install stays.
//
// Entry points: DllRegisterServer and DllUnregisterServer, 0 on success (the registration
// tool "regsvr32" calls them).

#include "platform/DesktopEntry.h"
#include "platform/Directories.h"
#include "platform/Locations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>

#include <dlfcn.h>

#define VTX_EXPORT extern "C" __attribute__((visibility("default")))

VTX_EXPORT std::int32_t DllRegisterServer();
VTX_EXPORT std::int32_t DllUnregisterServer();

namespace {

constexpr std::int32_t S_OK = 0;
constexpr std::int32_t E_FAIL = static_cast<std::int32_t>(0x80004005u);

constexpr char kEntryName[] = "dunmerrow-vantorix";
constexpr char kOwnerKey[] = "X-Vantorix-Library";

// The library's own file, wherever it was installed. Asked with the address of a function
// that no other copy of the library can stand in for.
QString LibraryPath()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&LibraryPath), &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absoluteFilePath();
}

QString EntryPath()
{
    return vtx::UserApplicationsDirectory() + QLatin1Char('/') + QLatin1String(kEntryName) +
           QStringLiteral(".desktop");
}

QString IconPath()
{
    return vtx::UserDataDirectory() + QStringLiteral("/icons/hicolor/scalable/apps/") +
           QLatin1String(kEntryName) + QStringLiteral(".svg");
}

// A stand-in for the editor's icon when the library sits where no icon was installed:
// a dark tile with three rows of colour-coded byte cells.
QByteArray IconSvg()
{
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 16 16\">\n"
                     "  <rect x=\"0.5\" y=\"0.5\" width=\"15\" height=\"15\" rx=\"2.5\" "
                     "fill=\"#1f3a5f\"/>\n";
    static const char* const colours[3][3] = {{"#e04f4f", "#f0c040", "#e8e8e8"},
                                              {"#e8e8e8", "#4fa8e0", "#e04f4f"},
                                              {"#f0c040", "#e8e8e8", "#4fa8e0"}};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"3.2\" height=\"3.2\" "
                                  "fill=\"%3\"/>\n")
                       .arg(2.2 + 4 * column)
                       .arg(2.2 + 4 * row)
                       .arg(QLatin1String(colours[row][column]))
                       .toUtf8();
    return svg + "</svg>\n";
}

// True when the entry in the applications folder was written for this library.
bool EntryIsOurs(const QString& library)
{
    QFile entry(EntryPath());
    if (!entry.open(QIODevice::ReadOnly))
        return false;
    const QByteArray owner =
        (QLatin1String(kOwnerKey) + QLatin1Char('=') + vtx::DesktopEscapeString(library)).toUtf8();
    while (!entry.atEnd())
        if (entry.readLine().trimmed() == owner)
            return true;
    return false;
}

} // namespace

std::int32_t DllRegisterServer()
{
    const QString library = LibraryPath();
    if (library.isEmpty())
        return E_FAIL;
    const QString editor = QFileInfo(library).absolutePath() + QStringLiteral("/Vantorix.exe");
    const vtx::DesktopKeys keys{
        {QStringLiteral("Type"), QStringLiteral("Application")},
        {QStringLiteral("Version"), QStringLiteral("1.5")},
        {QStringLiteral("Name"), QStringLiteral("Vantorix")},
        {QStringLiteral("GenericName"), QStringLiteral("Hex Editor")},
        {QStringLiteral("Comment"), QStringLiteral("View and edit the bytes of any file")},
        {QStringLiteral("Exec"), vtx::DesktopExecValue(vtx::DesktopLaunchCommand(editor), QStringLiteral("%f"))},
        {QStringLiteral("TryExec"), editor},
        {QStringLiteral("Icon"), QLatin1String(kEntryName)},
        {QStringLiteral("Terminal"), QStringLiteral("false")},
        {QStringLiteral("Categories"), QStringLiteral("Development;Utility;")},
        {QStringLiteral("Keywords"), QStringLiteral("hex;binary;bytes;")},
        {QStringLiteral("MimeType"), QStringLiteral("application/octet-stream;")},
        // The setup program puts Vantorix into the menu; this entry is for "Open With".
        {QStringLiteral("NoDisplay"), QStringLiteral("true")},
        {QLatin1String(kOwnerKey), library},
    };
    const bool folders = QDir().mkpath(vtx::UserApplicationsDirectory()) &&
                         QDir().mkpath(QFileInfo(IconPath()).absolutePath());
    // The icon first: a menu that notices the entry finds its icon already there.
    // The application icon that the install put beside the library, else a drawn one.
    QFile installedIcon(QFileInfo(library).absolutePath() + QStringLiteral("/vantorix.svg"));
    const QByteArray icon = installedIcon.open(QIODevice::ReadOnly) ? installedIcon.readAll() : IconSvg();
    if (!folders || !vtx::WriteFileAtomically(IconPath(), icon) ||
        !vtx::WriteFileAtomically(EntryPath(), vtx::DesktopEntryText(keys)))
        return E_FAIL;
    return S_OK;
}

std::int32_t DllUnregisterServer()
{
    const QString library = LibraryPath();
    if (library.isEmpty())
        return E_FAIL;
    if (!EntryIsOurs(library))
        return S_OK;
    if (vtx::DeleteFile(EntryPath()) != 0)
        return E_FAIL;
    (void)vtx::DeleteFile(IconPath());
    // The icon folders go too when the icon was all they held.
    QDir folder = QFileInfo(IconPath()).absoluteDir();
    const QString top = vtx::UserDataDirectory() + QStringLiteral("/icons");
    while (folder.absolutePath().startsWith(top) && vtx::RemoveDirectory(folder.absolutePath()) == 0)
        folder.cdUp();
    return S_OK;
}
