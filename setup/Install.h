#pragma once
// The install sequence that the setup dialog runs when Install is pressed.

#include <QString>

namespace vtx {

// The directory to install into, from what the user typed: a leading "~" means the home
// folder, and a relative path is taken relative to the current directory (where the
// install would create it anyway), so that the registry, the marker file and the
// shortcuts all record the place that was really used. Nothing else is changed: a
// trailing separator stays. Empty when the text is empty.
[[nodiscard]] QString ResolveInstallDirectory(const QString& typed);

// Why the resolved directory cannot be installed into, or an empty text when it can: no
// directory at all (the files would land at the top of the file system), a folder that
// is no place of its own (see ProtectedFolderReason), or a folder that already holds
// files the install did not put there, unless it holds a previous install of the editor.
[[nodiscard]] QString InstallDirectoryProblem(const QString& directory);

// The distribution folder: the folder of the running setup program, wherever it was
// started from.
[[nodiscard]] QString DistributionFolder(const QString& runningProgram);

// Runs the install from the distribution folder into directory D. Copies the
// distribution's files (each lands under a temporary name and is renamed), records D in
// the registry, makes the start-menu folder and its shortcuts and the desktop's menu
// entries, reports completion, then registers the library, starts the editor and writes
// the marker file. A file that cannot be copied stops the install with a message before
// anything is recorded; false then. A failure to make a directory or a shortcut is
// reported and the install goes on.
bool RunInstall(const QString& directory, const QString& distribution);

} // namespace vtx
