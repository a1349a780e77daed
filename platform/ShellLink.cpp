#include "ShellLink.h"

// this program
#include "platform/DesktopEntry.h"
#include "platform/Directories.h"

// Qt
#include <QDir>

namespace vtx {

bool ShellLink::SetPath(const QString& target)
{
    if (!QDir::isAbsolutePath(target))
        return false;
    m_target = target;
    return true;
}

bool ShellLink::SetDescription(const QString& description)
{
    if (description.size() > 1024)
        return false;
    m_description = description;
    return true;
}

void ShellLink::SetIconLocation(const QString& path, int index)
{
    m_icon = index == 0 ? path : QString();
}

bool ShellLink::Save(const QString& linkPath) const
{
    if (m_target.isEmpty())
        return false;
    DesktopKeys keys{{QStringLiteral("Type"), QStringLiteral("Application")},
                     {QStringLiteral("Version"), QStringLiteral("1.5")},
                     {QStringLiteral("Name"), m_description},
                     {QStringLiteral("Exec"), DesktopExecValue({m_target})}};
    if (!m_icon.isEmpty())
        keys.emplace_back(QStringLiteral("Icon"), m_icon);
    keys.emplace_back(QStringLiteral("Terminal"), QStringLiteral("false"));
    return WriteFileAtomically(linkPath, DesktopEntryText(keys));
}

} // namespace vtx
