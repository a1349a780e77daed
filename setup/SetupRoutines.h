#pragma once
// The pieces that the install and the uninstall share: names and paths, the start-menu
// lookup, shortcuts, folder creation and removal, the marker file and starting programs.

#include <QString>
#include <QStringList>

namespace vtx {

// The key that records an install, below HKEY_LOCAL_MACHINE.
inline constexpr char kProductKey[] = "Software\\Dunmerrow\\Vantorix";
inline constexpr char kInstallPathValue[] = "InstallPath";
// The marker file in the system directory that holds the install directory.
inline constexpr char kMarkerFileName[] = "vtxpath.info";
inline constexpr char kSetupFileName[] = "VTXSetup.exe";
inline constexpr char kLibraryFileName[] = "Vantorix.dll";
// The start-menu folder below M.
inline constexpr char kMenuFolder[] = "/Programs/Dunmerrow/Vantorix";

// The files the install puts into the install directory, and into the start-menu folder.
// The uninstall deletes these and nothing else.
[[nodiscard]] const QStringList& InstalledFileNames();
[[nodiscard]] const QStringList& MenuFileNames();

// The desktop's application menu: a folder of the maker in the user's applications
// folder, with an entry for the editor and one for the uninstaller.
[[nodiscard]] QString MenuEntryFolder();
inline constexpr char kEditorEntryName[] = "vantorix.desktop";
inline constexpr char kUninstallEntryName[] = "vantorix-uninstall.desktop";

// How long the uninstall waits for the library's unregistration.
inline constexpr int kUnregisterTimeoutMs = 30000;

// Where the registration tool ("regsvr32") comes from: this variable, else the running
// program, which acts as the tool when it is started under that name.
inline constexpr char kRegSvr32Variable[] = "VTX_REGSVR32";
// The directory the setup dialog proposes when no install is recorded: this variable,
// else $XDG_DATA_HOME/Dunmerrow/Vantorix.
inline constexpr char kInstallDirVariable[] = "VTX_INSTALL_DIR";

[[nodiscard]] QString DefaultInstallDirectory();

// M: the start-menu folder. The registry's shell folders first ("Common Start Menu" of
// the machine, then the user's "Start Menu"), else the "Start Menu" folder of the Windows
// directory.
[[nodiscard]] QString FindStartMenuFolder();

// Writes a shortcut to target at linkPath. Shows the setup program's message when the
// link cannot be made; a link that cannot be saved is not reported. Returns 0 when the
// link was saved, else a non-zero code; callers need not look at it.
int CreateShortcut(const QString& target, const QString& description, const QString& linkPath);

// Creates the install directory with every missing level above it; reports a failure of
// the last level that is not "already exists".
void CreateInstallDirectory(const QString& directory);

// Writes a desktop entry at entryPath that puts target into the desktop's application
// menu under name, with the icon file and the menu categories given. False when it could
// not be written.
bool CreateMenuEntry(const QString& target, const QString& name, const QString& iconFile,
                     const QString& categories, const QString& entryPath);

// Deletes the files of folder (whose path ends with "/") that are named in names, each
// only when it is a regular file directly in the folder (never a link, never a folder),
// pausing 10 ms after each and 1000 ms after the last, then removes the folder when
// nothing else is left in it. Any other entry stays, and so does the folder. True when
// the folder is gone afterwards.
bool EmptyAndRemoveFolder(const QString& folder, const QStringList& names);

// Why Vantorix must never be installed into folder, or an empty text: the file system's
// root, the home folder and the user's well-known folders, the system and Windows
// directories, the desktop's own folders and the folders of the operating system. Folders
// are compared with their symbolic links resolved.
[[nodiscard]] QString ProtectedFolderReason(const QString& folder);

// Starts a program that is not waited for, with parameters as separate arguments.
// "regsvr32" is the registration tool (see kRegSvr32Variable). False when it could not be
// started. The start is written to the trace with the process id.
bool StartProgram(const QString& program, const QStringList& parameters);

// Runs a program as StartProgram does and waits for it, at most timeoutMs. An empty text
// when it ended with exit code 0, else what went wrong, in words for the user.
[[nodiscard]] QString RunProgram(const QString& program, const QStringList& parameters,
                                 int timeoutMs);

// The install directory from the marker file: its first line without the line end.
// Throws std::runtime_error when the file cannot be opened or read.
[[nodiscard]] QString ReadMarkerFile(const QString& path);

} // namespace vtx
