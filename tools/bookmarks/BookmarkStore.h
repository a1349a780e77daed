#pragma once
// Bookmarks: offsets of a file, each with an optional name, and where they are kept: in the
// settings, per file by its canonical path, so that they come back when the file is opened
// again. No widgets.

// this program
#include "platform/FilePos.h"

// Qt
#include <QString>

// std
#include <cstddef>
#include <map>
#include <optional>
#include <vector>

class QSettings;

namespace vtx {

// The bookmarks of one file, ordered by offset.
class BookmarkList
{
public:
    static constexpr std::size_t kMaxBookmarks = 1000;

    enum class Toggled { Added, Removed, Full };
    // Sets a bookmark at offset, or clears the one there.
    Toggled Toggle(FilePos offset);
    bool Add(FilePos offset, const QString& name = {});
    bool Remove(FilePos offset);
    bool SetName(FilePos offset, const QString& name);
    [[nodiscard]] bool Contains(FilePos offset) const { return m_marks.count(offset) != 0; }
    // Whether any bookmark lies in [first, end).
    [[nodiscard]] bool AnyIn(FilePos first, FilePos end) const;
    // The first bookmark after `from`, else (wrapping) the first of all; nothing when empty.
    [[nodiscard]] std::optional<FilePos> Next(FilePos from) const;
    // The last bookmark before `from`, else (wrapping) the last of all.
    [[nodiscard]] std::optional<FilePos> Previous(FilePos from) const;
    // Drops the bookmarks at or past length (a file that became shorter).
    void CutTo(FilePos length);
    [[nodiscard]] const std::map<FilePos, QString>& Marks() const { return m_marks; }
    [[nodiscard]] bool Empty() const { return m_marks.empty(); }
    [[nodiscard]] std::size_t Size() const { return m_marks.size(); }

private:
    std::map<FilePos, QString> m_marks;
};

// The bookmarks of every file in the settings group "Bookmarks": one entry per file (its
// canonical path, when it was last used, its bookmarks). At most kMaxFiles files: past that
// the least recently used are dropped, and so are entries whose file no longer exists.
class BookmarkStore
{
public:
    static constexpr std::size_t kMaxFiles = 100;

    explicit BookmarkStore(QSettings& settings) : m_settings(settings) {}

    // The bookmarks kept for the file at path (any path naming it), without those at or
    // past length; an empty list for a file without any.
    [[nodiscard]] BookmarkList Load(const QString& path, FilePos length) const;
    // Keeps list for the file at path as its most recently used entry (an empty list
    // removes the entry).
    void Save(const QString& path, const BookmarkList& list);

    // The key a file is kept under: its canonical path, or the absolute path for a file
    // that does not exist.
    [[nodiscard]] static QString FileKey(const QString& path);

private:
    struct Entry {
        QString path;
        qint64 used = 0;
        BookmarkList list;
    };
    [[nodiscard]] std::vector<Entry> ReadAll() const;
    void WriteAll(const std::vector<Entry>& entries);

    QSettings& m_settings;
};

} // namespace vtx
