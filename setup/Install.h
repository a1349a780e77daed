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
// directory at all (the files would land at the top of the file system), or the file
// system's root or the home folder, whose every top-level file the uninstall would
// delete.
[[nodiscard]] QString InstallDirectoryProblem(const QString& directory);

// Runs the install into directory D, step after step; no failure stops it. Copies the
// distribution's files from the current directory, records D in the registry and in the
// marker file, makes the start-menu folder and its shortcuts, reports completion, then
// registers the library and starts the editor.
void RunInstall(const QString& directory);

} // namespace vtx
