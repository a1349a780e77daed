#include "colors/ColorTable.h"

#include "colors/ColorCodeList.h"
#include "colors/ParseCodeRange.h"

#include <algorithm>

namespace vtx {

void ColorTable::Apply(const ColorCodeList& list)
{
    m_entries.fill(ColorPair{});
    m_coded.reset();
    for (const auto& [code, colors] : list) {
        const CodeRange range = ParseCodeRange(code);
        if (!range.IsValid())
            continue;
        // Values past FF wrap to 00 (F0-10F colours F0..FF and 00..0F). A range of 256
        // values or more colours every entry, so 256 steps are enough and keep a range
        // such as 0-FFFFFFFF from looping billions of times.
        const std::int64_t count = std::min<std::int64_t>(
            static_cast<std::int64_t>(range.high) - range.low + 1, static_cast<std::int64_t>(m_entries.size()));
        for (std::int64_t step = 0; step < count; ++step) {
            const auto value = static_cast<std::size_t>((range.low + step) % 256);
            m_entries[value] = colors;
            m_coded[value] = true;
        }
    }
}

} // namespace vtx
