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

// Deletes every entry at the top level of folder (whose path ends with "/") that is not
// a directory, pausing 10 ms after each entry and 1000 ms after the last, then removes
// the folder. Subfolders are never entered, so they and the folder above them stay.
// True when the folder is gone afterwards.
bool EmptyAndRemoveFolder(const QString& folder);

// Starts a program that is not waited for, with parameters as separate arguments.
// "regsvr32" is the registration tool (see kRegSvr32Variable). False when it could not be
// started. The start is written to the trace with the process id.
bool StartProgram(const QString& program, const QStringList& parameters);

// The install directory from the marker file: its first line without the line end.
// Throws std::runtime_error when the file cannot be opened or read.
[[nodiscard]] QString ReadMarkerFile(const QString& path);

} // namespace vtx
