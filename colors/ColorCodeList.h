#pragma once
// The user's colour codes: code text -> colours, one entry per distinct code text.

#include "colors/ColorTable.h"

#include <cstddef>
#include <map>
#include <string>

namespace vtx {

// Code texts in byte-wise order, as strcmp orders them: 0D < 0D-2D < 20 < 41 < 61-7A.
// This is the order of the lines in colors.dat and the order in which the table applies
// the entries, so that a later (larger) code text wins where codes overlap. std::string's
// comparison already is byte-wise on unsigned bytes; the comparator only says so.
struct CodeTextLess {
    bool operator()(const std::string& a, const std::string& b) const { return a.compare(b) < 0; }
};

class ColorCodeList
{
public:
    using Map = std::map<std::string, ColorPair, CodeTextLess>;
    using const_iterator = Map::const_iterator;

    // Inserts the entry, or replaces the colours of an entry with the same code text.
    void Set(const std::string& code, ColorPair colors) { m_entries[code] = colors; }
    [[nodiscard]] bool Contains(const std::string& code) const { return m_entries.count(code) != 0; }
    [[nodiscard]] const ColorPair* Find(const std::string& code) const;
    [[nodiscard]] ColorPair* Find(const std::string& code);
    // True when an entry was removed.
    bool Remove(const std::string& code) { return m_entries.erase(code) != 0; }
    void Clear() { m_entries.clear(); }

    [[nodiscard]] std::size_t Size() const { return m_entries.size(); }
    [[nodiscard]] bool Empty() const { return m_entries.empty(); }
    [[nodiscard]] const_iterator begin() const { return m_entries.begin(); }
    [[nodiscard]] const_iterator end() const { return m_entries.end(); }

    friend bool operator==(const ColorCodeList&, const ColorCodeList&) = default;

private:
    Map m_entries;
};

} // namespace vtx
