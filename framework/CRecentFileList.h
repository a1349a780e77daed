#pragma once
// The recent-file list: full paths, newest first, at most a fixed number of them. It is
// read from and written to one section of the program's settings ("File1" is the newest)
// and knows how each entry reads in the File menu.

#include <QString>

#include <vector>

class QSettings;

namespace vtx {

class CRecentFileList
{
public:
    // section: the settings group; entryPrefix: the key without its number ("File");
    // size: how many entries the list keeps.
    CRecentFileList(QString section, QString entryPrefix, int size);

    [[nodiscard]] int GetSize() const { return m_nSize; }
    [[nodiscard]] int Count() const { return static_cast<int>(m_entries.size()); }
    [[nodiscard]] const std::vector<QString>& Entries() const { return m_entries; }
    [[nodiscard]] QString At(int index) const;

    // Puts path at the front; an equal entry further down moves up instead of appearing
    // twice, and the oldest entry falls off the end when the list is full.
    void Add(const QString& path);
    void Remove(int index);

    // Reads "File1".."FileN" (empty or missing entries are skipped); writes the list back,
    // replacing the whole section so that removed entries do not linger.
    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

    // The text of entry index in the File menu: "&1 name", with the path shortened to fit
    // and ampersands doubled so that they show instead of marking a mnemonic.
    [[nodiscard]] QString MenuText(int index) const;

    // The longest path shown in the menu before it is shortened.
    static constexpr int kMaxDisplayLength = 48;

private:
    QString m_section;
    QString m_entryPrefix;
    int m_nSize;
    std::vector<QString> m_entries;
};

// Shortens a path to at most maxLength characters by replacing leading directories with
// "...", keeping the file name whole (a very long file name is shown alone).
[[nodiscard]] QString AbbreviatePath(const QString& path, int maxLength);

} // namespace vtx
