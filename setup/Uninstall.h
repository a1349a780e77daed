#pragma once
// The uninstall sequence that the installed copy of the setup program runs.

namespace vtx {

enum class UninstallResult {
    Declined,    // the user answered No: nothing changed
    NoDirectory, // the marker file named no directory: nothing changed
    Refused,     // the recorded directory is no install of Vantorix: nothing changed
    Completed,   // everything that could go went, "Uninstall Complete" was shown
    Failed,      // stopped by an error, "Uninstall Finished" was shown
};

// Asks, checks that the directory named by the marker file (and by the registry) is an
// install of Vantorix, then unregisters the library and waits for that, deletes the
// registry entries, the start-menu folder, the desktop's menu entries and the files the
// install put into the install directory, and that directory when nothing else is left
// in it. The setup program itself and the marker file stay.
UninstallResult RunUninstall();

} // namespace vtx
