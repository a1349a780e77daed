#include "SearchPattern.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vtx {

namespace {

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::uint8_t HexGroupValue(const std::string& text, std::size_t first, std::size_t count)
{
    // A group holds one or two characters: strtol sees them alone, as it would if the
    // text were cut at commas placed after every second character.
    char group[3] = {};
    std::memcpy(group, text.data() + first, count);
    return static_cast<std::uint8_t>(std::strtol(group, nullptr, 16) & 0xFF);
}

SearchPattern EncodeBytes(const std::string& text, SearchType type)
{
    SearchPattern pattern;
    switch (type) {
    case SearchType::Ascii:
        pattern.bytes.assign(text.begin(), text.end());
        pattern.compareLength = text.size();
        break;
    case SearchType::Unicode:
        pattern.bytes.reserve(text.size() * 2);
        for (const char c : text) {
            pattern.bytes.push_back(static_cast<std::uint8_t>(c));
            pattern.bytes.push_back(0);
        }
        pattern.compareLength = text.size() * 2;
        break;
    case SearchType::Hex:
        if (text.size() >= 2) {
            pattern.bytes.reserve((text.size() + 1) / 2);
            for (std::size_t i = 0; i < text.size(); i += 2)
                pattern.bytes.push_back(HexGroupValue(text, i, std::min<std::size_t>(2, text.size() - i)));
        }
        pattern.compareLength = text.size() / 2;
        break;
    }
    return pattern;
}

// Bytes the encoding takes in the fixed pattern buffer: an Ascii text keeps its
// terminating zero there.
std::size_t BufferBytes(const SearchPattern& pattern, SearchType type)
{
    return pattern.bytes.size() + (type == SearchType::Ascii ? 1 : 0);
}

} // namespace

SearchPattern EncodeSearchPattern(const std::string& text, SearchType type)
{
    SearchPattern pattern = EncodeBytes(text, type);
    if (text.empty())
        pattern.problem = PatternProblem::Empty;
    else if (type == SearchType::Hex && !std::all_of(text.begin(), text.end(), IsHexDigit))
        pattern.problem = PatternProblem::NotHex;
    else if (pattern.compareLength == 0)
        pattern.problem = PatternProblem::NothingToCompare;
    else if (BufferBytes(pattern, type) > kSearchPatternCapacity)
        pattern.problem = PatternProblem::TooLong;
    return pattern;
}

const char* PatternProblemText(PatternProblem problem)
{
    switch (problem) {
    case PatternProblem::None: return nullptr;
    case PatternProblem::Empty: return "You need to enter text to search for";
    case PatternProblem::NotHex:
        return "A hex search text may contain only the hexadecimal digits 0-9 and A-F.";
    case PatternProblem::NothingToCompare:
        return "A hex search needs at least two hexadecimal digits.";
    case PatternProblem::TooLong:
        return "The search text is too long: at most 255 ASCII characters, 128 Unicode "
               "characters or 512 hex digits can be searched for.";
    }
    return nullptr;
}

std::ptrdiff_t FindInBlock(const std::uint8_t* data, std::size_t size, const std::uint8_t* pattern,
                           std::size_t length)
{
    if (length == 0 || length > size)
        return -1;
    const void* hit = length == 1 ? std::memchr(data, pattern[0], size)
                                  : ::memmem(data, size, pattern, length);
    return hit ? static_cast<const std::uint8_t*>(hit) - data : -1;
}

} // namespace vtx
