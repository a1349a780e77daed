#include "colors/ColorCodeList.h"

namespace vtx {

const ColorPair* ColorCodeList::Find(const std::string& code) const
{
    const auto it = m_entries.find(code);
    return it == m_entries.end() ? nullptr : &it->second;
}

ColorPair* ColorCodeList::Find(const std::string& code)
{
    const auto it = m_entries.find(code);
    return it == m_entries.end() ? nullptr : &it->second;
}

} // namespace vtx
