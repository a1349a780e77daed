#pragma once
// The uninstall sequence that the installed copy of the setup program runs.

namespace vtx {

enum class UninstallResult {
    Declined,    // the user answered No: nothing changed
    NoDirectory, // the marker file named no directory: nothing changed
    Completed,   // everything that could go went, "Uninstall Complete" was shown
    Failed,      // stopped by an error, "Uninstall Finished" was shown
};

// Asks, then unregisters the library, deletes the registry entries, the start-menu
// folder and the files at the top level of the install directory named by the marker
// file. The setup program itself and the marker file stay.
UninstallResult RunUninstall();

} // namespace vtx
