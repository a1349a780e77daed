#include "BookmarkStore.h"

// Qt
#include <QDateTime>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

// std
#include <algorithm>
#include <iterator>

namespace vtx {

BookmarkList::Toggled BookmarkList::Toggle(FilePos offset)
{
    if (Remove(offset))
        return Toggled::Removed;
    return Add(offset) ? Toggled::Added : Toggled::Full;
}

bool BookmarkList::Add(FilePos offset, const QString& name)
{
    if (m_marks.size() >= kMaxBookmarks && !Contains(offset))
        return false;
    m_marks[offset] = name;
    return true;
}

bool BookmarkList::Remove(FilePos offset)
{
    return m_marks.erase(offset) != 0;
}

bool BookmarkList::SetName(FilePos offset, const QString& name)
{
    const auto it = m_marks.find(offset);
    if (it == m_marks.end())
        return false;
    it->second = name;
    return true;
}

bool BookmarkList::AnyIn(FilePos first, FilePos end) const
{
    const auto it = m_marks.lower_bound(first);
    return it != m_marks.end() && it->first < end;
}

std::optional<FilePos> BookmarkList::Next(FilePos from) const
{
    if (m_marks.empty())
        return std::nullopt;
    const auto it = m_marks.upper_bound(from);
    return it != m_marks.end() ? it->first : m_marks.begin()->first;
}

std::optional<FilePos> BookmarkList::Previous(FilePos from) const
{
    if (m_marks.empty())
        return std::nullopt;
    const auto it = m_marks.lower_bound(from);
    return it != m_marks.begin() ? std::prev(it)->first : m_marks.rbegin()->first;
}

void BookmarkList::CutTo(FilePos length)
{
    m_marks.erase(m_marks.lower_bound(length), m_marks.end());
}

QString BookmarkStore::FileKey(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

namespace {

constexpr const char* kGroup = "Bookmarks";

// One bookmark as "offset<TAB>name", the offset in hex.
QString MarkText(FilePos offset, const QString& name)
{
    return QString::number(offset, 16).toUpper() + QLatin1Char('\t') + name;
}

} // namespace

std::vector<BookmarkStore::Entry> BookmarkStore::ReadAll() const
{
    std::vector<Entry> entries;
    const int count = m_settings.beginReadArray(QString::fromLatin1(kGroup));
    for (int i = 0; i < count; ++i) {
        m_settings.setArrayIndex(i);
        Entry entry;
        entry.path = m_settings.value(QStringLiteral("path")).toString();
        entry.used = m_settings.value(QStringLiteral("used")).toLongLong();
        for (const QString& text : m_settings.value(QStringLiteral("marks")).toStringList()) {
            const qsizetype tab = text.indexOf(QLatin1Char('\t'));
            bool ok = false;
            const FilePos offset = text.left(tab < 0 ? text.size() : tab).toULongLong(&ok, 16);
            // A damaged entry is skipped, not guessed at.
            if (ok)
                entry.list.Add(offset, tab < 0 ? QString() : text.mid(tab + 1));
        }
        if (!entry.path.isEmpty())
            entries.push_back(std::move(entry));
    }
    m_settings.endArray();
    return entries;
}

void BookmarkStore::WriteAll(const std::vector<Entry>& entries)
{
    m_settings.remove(QString::fromLatin1(kGroup));
    m_settings.beginWriteArray(QString::fromLatin1(kGroup), static_cast<int>(entries.size()));
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        m_settings.setArrayIndex(i);
        const Entry& entry = entries[static_cast<std::size_t>(i)];
        m_settings.setValue(QStringLiteral("path"), entry.path);
        m_settings.setValue(QStringLiteral("used"), entry.used);
        QStringList marks;
        for (const auto& [offset, name] : entry.list.Marks())
            marks << MarkText(offset, name);
        m_settings.setValue(QStringLiteral("marks"), marks);
    }
    m_settings.endArray();
    m_settings.sync();
}

BookmarkList BookmarkStore::Load(const QString& path, FilePos length) const
{
    const QString key = FileKey(path);
    for (Entry& entry : ReadAll())
        if (entry.path == key) {
            entry.list.CutTo(length);
            return entry.list;
        }
    return {};
}

void BookmarkStore::Save(const QString& path, const BookmarkList& list)
{
    const QString key = FileKey(path);
    std::vector<Entry> entries = ReadAll();
    // Files that are gone take their bookmarks with them.
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const Entry& entry) { return entry.path == key || !QFileInfo::exists(entry.path); }),
                  entries.end());
    if (!list.Empty()) {
        // Strictly increasing, so that two saves in the same millisecond keep their order.
        qint64 used = QDateTime::currentMSecsSinceEpoch();
        for (const Entry& entry : entries)
            used = std::max(used, entry.used + 1);
        entries.push_back({key, used, list});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.used < b.used; });
    if (entries.size() > kMaxFiles)
        entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(kMaxFiles));
    WriteAll(entries);
}

} // namespace vtx
