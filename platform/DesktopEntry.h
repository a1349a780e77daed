#pragma once
// Writing freedesktop desktop entries (the launchers that desktop menus, file managers and
// "Open With" read). Values are escaped and Exec arguments quoted as freedesktop launchers
// expect, so that any path, with blanks, quotes, "%" or "$" in it,
// reaches the program as exactly one unchanged argument and never passes through a shell.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace vtx {

// The value of an Exec key that starts arguments[0] with the other arguments; a field
// code such as "%f" (passed through as it is) may follow them.
[[nodiscard]] QString DesktopExecValue(const QStringList& arguments,
                                       const QString& fieldCode = QString());

// The command line that starts program from a desktop entry: the program itself, or
// /usr/bin/env and the program when its path holds a "%". GLib looks for the program of
// an Exec line before it turns "%%" back into "%", so GNOME would drop such an entry.
[[nodiscard]] QStringList DesktopLaunchCommand(const QString& program);

// A value as a desktop entry writes a string: backslash, line breaks, tabs and a leading
// blank escaped. DesktopEntryText applies it to every value, the Exec value included, so
// that a backslash of a quoted Exec argument ends up written as four.
[[nodiscard]] QString DesktopEscapeString(const QString& value);

// "[Desktop Entry]" followed by one line per key, the values escaped as strings.
using DesktopKeys = std::vector<std::pair<QString, QString>>;
[[nodiscard]] QByteArray DesktopEntryText(const DesktopKeys& keys);

} // namespace vtx
