#pragma once
// A shell link (a shortcut to a program) realised as a freedesktop desktop entry: the
// link file is written at exactly the path its owner names, whatever its extension, with
// Type=Application, Exec the target, Name the description and Icon the target's icon.

#include <QString>

namespace vtx {

class ShellLink
{
public:
    // The program the link starts. Refused when it is not an absolute path: a desktop
    // entry would look a bare name up in PATH and start some other program.
    bool SetPath(const QString& target);
    // The link's name as menus show it. Refused when longer than 1024 characters, the
    // limit Windows puts on a link's description.
    bool SetDescription(const QString& description);
    // Desktop entries take one icon file, so only index 0 names the file itself.
    void SetIconLocation(const QString& path, int index);

    // Writes the link (replacing one that is there); false when it cannot be written or
    // when no target was set.
    [[nodiscard]] bool Save(const QString& linkPath) const;

private:
    QString m_target;
    QString m_description;
    QString m_icon;
};

} // namespace vtx
