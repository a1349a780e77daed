#pragma once
// The machine's well-known folders as the setup program sees them. Linux has no system or
// Windows directory, so each gets a per-user place under the XDG base directories, and
// each can be moved with an environment variable: a user can install without root, and
// tests run entirely inside a temporary directory.
//
//   system directory      $VTX_SYSTEM_DIR    else <windows directory>/System
//   Windows directory     $VTX_WINDOWS_DIR   else $XDG_DATA_HOME/vtxsetup/Windows
//   registry files        $VTX_REGISTRY_DIR  else $XDG_CONFIG_HOME/vtxsetup/registry
//   applications folder   $XDG_DATA_HOME/applications (the desktop's own menu folder)
//
// Every path returned is absolute, without a trailing separator, joined with "/".

#include <QString>

namespace vtx {

inline constexpr char kSystemDirVariable[] = "VTX_SYSTEM_DIR";
inline constexpr char kWindowsDirVariable[] = "VTX_WINDOWS_DIR";
inline constexpr char kRegistryDirVariable[] = "VTX_REGISTRY_DIR";

// None of these queries creates anything: a setup program that is opened and cancelled
// leaves no trace. The install creates the folders it writes into.
//
// The system directory (S).
[[nodiscard]] QString SystemDirectory();
// The Windows directory (W).
[[nodiscard]] QString WindowsDirectory();
// The folder that holds one registry file per root. Not created here: reading a registry
// that was never written needs no files.
[[nodiscard]] QString RegistryDirectory();
// The process's current working directory (C).
[[nodiscard]] QString CurrentDirectory();
// The full path of the running program, symbolic links resolved.
[[nodiscard]] QString RunningProgramPath();
// The user's folder of desktop entries, where the desktop's menus and "Open With" look.
[[nodiscard]] QString UserApplicationsDirectory();
// The user's data folder ($XDG_DATA_HOME, else ~/.local/share).
[[nodiscard]] QString UserDataDirectory();
// The user's home folder.
[[nodiscard]] QString HomeDirectory();

// The value of an environment variable as a path: empty when unset or empty, else made
// absolute against the current directory and cleaned of "." and "//" parts.
[[nodiscard]] QString PathFromEnvironment(const char* variable);

} // namespace vtx
