#pragma once
// The application icon, compiled into the setup program: its windows show it, and the
// install puts it beside the editor as the icon of the desktop's menu entries.

#include <QByteArray>
#include <QIcon>

namespace vtx {

// The file name the icon is installed under.
inline constexpr char kIconFileName[] = "vantorix.svg";

[[nodiscard]] QIcon SetupProgramIcon();
// The icon file itself (scalable vector graphics).
[[nodiscard]] QByteArray SetupIconFile();

} // namespace vtx
