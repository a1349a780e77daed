#include "CRecentFileList.h"

#include <QDir>
#include <QSettings>

#include <algorithm>

namespace vtx {

CRecentFileList::CRecentFileList(QString section, QString entryPrefix, int size)
    : m_section(std::move(section)), m_entryPrefix(std::move(entryPrefix)), m_nSize(std::max(size, 0))
{
}

QString CRecentFileList::At(int index) const
{
    return index >= 0 && index < Count() ? m_entries[static_cast<std::size_t>(index)] : QString();
}

void CRecentFileList::Add(const QString& path)
{
    if (path.isEmpty() || m_nSize == 0)
        return;
    // Linux paths are case-sensitive: only an identical path is the same entry.
    m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), path), m_entries.end());
    m_entries.insert(m_entries.begin(), path);
    if (Count() > m_nSize)
        m_entries.resize(static_cast<std::size_t>(m_nSize));
}

void CRecentFileList::Remove(int index)
{
    if (index >= 0 && index < Count())
        m_entries.erase(m_entries.begin() + index);
}

void CRecentFileList::ReadList(QSettings& settings)
{
    m_entries.clear();
    settings.beginGroup(m_section);
    for (int i = 1; i <= m_nSize; ++i) {
        const QString path = settings.value(m_entryPrefix + QString::number(i)).toString();
        if (!path.isEmpty() && std::find(m_entries.begin(), m_entries.end(), path) == m_entries.end())
            m_entries.push_back(path);
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const
{
    settings.remove(m_section);
    settings.beginGroup(m_section);
    for (int i = 0; i < Count(); ++i)
        settings.setValue(m_entryPrefix + QString::number(i + 1), m_entries[static_cast<std::size_t>(i)]);
    settings.endGroup();
}

QString CRecentFileList::MenuText(int index) const
{
    QString name = AbbreviatePath(QDir::toNativeSeparators(At(index)), kMaxDisplayLength);
    name.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

QString AbbreviatePath(const QString& path, int maxLength)
{
    if (path.size() <= maxLength)
        return path;
    const QChar sep = QDir::separator();
    const QString ellipsis = QStringLiteral("...");
    const qsizetype nameStart = path.lastIndexOf(sep) + 1;
    const QString name = path.mid(nameStart);
    // The root (or drive) stays in front so that the reader still sees where it starts.
    const qsizetype rootEnd = path.indexOf(sep, path.startsWith(sep) ? 1 : 0);
    const QString root = rootEnd > 0 && rootEnd < nameStart ? path.left(rootEnd + 1) : QString();
    if (root.size() + ellipsis.size() + 1 + name.size() > maxLength)
        return name;
    // Keep as many trailing directories as fit after "root...".
    QString tail = name;
    qsizetype cut = nameStart - 1; // the separator before the name
    while (cut > root.size()) {
        const qsizetype prev = path.lastIndexOf(sep, cut - 1);
        if (prev < root.size() - 1)
            break;
        const QString candidate = path.mid(prev + 1, cut - prev) + tail;
        if (root.size() + ellipsis.size() + 1 + candidate.size() > maxLength)
            break;
        tail = candidate;
        cut = prev;
    }
    return root + ellipsis + sep + tail;
}

} // namespace vtx
