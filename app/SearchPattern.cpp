#include "SearchPattern.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace vtx {

namespace {

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// "45 4C 46" as "454C46": blanks may follow any whole byte pair. Anything else (a blank
// before the first pair or inside one, or a character that is neither digit nor blank)
// leaves the text as it is, and the encoding then names it as not hex.
std::string WithoutPairBlanks(const std::string& text)
{
    std::string digits;
    digits.reserve(text.size());
    for (const char c : text) {
        if (IsHexDigit(c))
            digits.push_back(c);
        else if (!IsBlank(c) || digits.empty() || digits.size() % 2 != 0)
            return text;
    }
    return digits;
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

SearchPattern EncodeSearchPattern(const std::string& typed, SearchType type, bool matchCase)
{
    const std::string text = type == SearchType::Hex ? WithoutPairBlanks(typed) : typed;
    SearchPattern pattern = EncodeBytes(text, type);
    pattern.matchCase = matchCase || type == SearchType::Hex;
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
        return "A hex search text may contain only the hexadecimal digits 0-9 and A-F, with "
               "spaces between byte pairs.";
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

namespace {

// A-Z as a-z, every other byte as itself.
constexpr std::array<std::uint8_t, 256> kFoldCase = [] {
    std::array<std::uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    return table;
}();

template <bool kFold>
inline std::uint8_t Folded(std::uint8_t c)
{
    if constexpr (kFold)
        return kFoldCase[c];
    else
        return c;
}

// The shift table is keyed by a hash of two neighbouring bytes, which lets a window move
// by nearly the pattern's length even in text made of few distinct letters.
inline std::size_t PairHash(std::uint8_t previous, std::uint8_t current)
{
    return (static_cast<std::size_t>(current) - (static_cast<std::size_t>(previous) << 3)) & 0xFF;
}

template <bool kFold>
bool SameBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t length)
{
    if constexpr (!kFold) {
        return std::memcmp(a, b, length) == 0;
    } else {
        for (std::size_t i = 0; i < length; ++i)
            if (kFoldCase[a[i]] != kFoldCase[b[i]])
                return false;
        return true;
    }
}

// Horspool's scan on byte pairs, forward: the first match. length >= 2.
template <bool kFold>
std::ptrdiff_t ScanForward(const std::uint8_t* data, std::size_t size, const std::uint8_t* pattern,
                           std::size_t length)
{
    std::array<std::size_t, 256> shift;
    shift.fill(length - 1);
    // A pair of the pattern that ends at i lets the window move so that it lines up there;
    // the pair at the pattern's very end is the one the window is tested on.
    for (std::size_t i = 1; i + 1 < length; ++i)
        shift[PairHash(Folded<kFold>(pattern[i - 1]), Folded<kFold>(pattern[i]))] = length - 1 - i;
    const std::size_t last = PairHash(Folded<kFold>(pattern[length - 2]), Folded<kFold>(pattern[length - 1]));
    for (std::size_t end = length - 1; end < size;) {
        const std::size_t hash = PairHash(Folded<kFold>(data[end - 1]), Folded<kFold>(data[end]));
        if (hash == last && SameBytes<kFold>(data + end + 1 - length, pattern, length))
            return static_cast<std::ptrdiff_t>(end + 1 - length);
        end += shift[hash];
    }
    return -1;
}

// The mirror image: windows move from the block's end towards its start; the last match.
template <bool kFold>
std::ptrdiff_t ScanBackward(const std::uint8_t* data, std::size_t size, const std::uint8_t* pattern,
                            std::size_t length)
{
    std::array<std::size_t, 256> shift;
    shift.fill(length - 1);
    for (std::size_t i = length - 2; i >= 1; --i)
        shift[PairHash(Folded<kFold>(pattern[i + 1]), Folded<kFold>(pattern[i]))] = i;
    const std::size_t first = PairHash(Folded<kFold>(pattern[1]), Folded<kFold>(pattern[0]));
    for (std::ptrdiff_t start = static_cast<std::ptrdiff_t>(size - length); start >= 0;) {
        const auto at = static_cast<std::size_t>(start);
        const std::size_t hash = PairHash(Folded<kFold>(data[at + 1]), Folded<kFold>(data[at]));
        if (hash == first && SameBytes<kFold>(data + at, pattern, length))
            return start;
        start -= static_cast<std::ptrdiff_t>(shift[hash]);
    }
    return -1;
}

// A one-byte pattern: the byte itself, or either case of a letter.
std::ptrdiff_t FindOneByte(const std::uint8_t* data, std::size_t size, std::uint8_t value, bool matchCase,
                           SearchDirection direction)
{
    const std::uint8_t lower = kFoldCase[value];
    const std::uint8_t upper = lower >= 'a' && lower <= 'z' ? static_cast<std::uint8_t>(lower - ('a' - 'A')) : lower;
    const std::uint8_t other = matchCase ? value : (value == lower ? upper : lower);
    const int kinds = other == value ? 1 : 2;
    std::ptrdiff_t best = -1;
    for (int k = 0; k < kinds; ++k) {
        const std::uint8_t wanted = k == 0 ? value : other;
        const void* hit = direction == SearchDirection::Forward ? std::memchr(data, wanted, size)
                                                                : ::memrchr(data, wanted, size);
        if (!hit)
            continue;
        const std::ptrdiff_t at = static_cast<const std::uint8_t*>(hit) - data;
        if (best < 0 || (direction == SearchDirection::Forward ? at < best : at > best))
            best = at;
    }
    return best;
}

} // namespace

std::ptrdiff_t FindPatternInBlock(const std::uint8_t* data, std::size_t size, const SearchPattern& pattern,
                                  SearchDirection direction)
{
    const std::size_t length = pattern.compareLength;
    if (length == 0 || length > size || pattern.bytes.size() < length)
        return -1;
    const std::uint8_t* bytes = pattern.bytes.data();
    if (length == 1)
        return FindOneByte(data, size, bytes[0], pattern.matchCase, direction);
    if (direction == SearchDirection::Forward)
        return pattern.matchCase ? FindInBlock(data, size, bytes, length) : ScanForward<true>(data, size, bytes, length);
    return pattern.matchCase ? ScanBackward<false>(data, size, bytes, length)
                             : ScanBackward<true>(data, size, bytes, length);
}

} // namespace vtx
