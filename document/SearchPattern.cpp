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

// The shift table is keyed by two neighbouring bytes with the letter-case bit set, which
// lets a window move by nearly the pattern's length even in text made of few letters. The
// key is coarser than the case folding (it also joins a few non-letters), which only costs
// a shorter shift now and then.
inline std::size_t PairKey(std::uint8_t previous, std::uint8_t current)
{
    return (static_cast<std::size_t>(current | 0x20) - (static_cast<std::size_t>(previous | 0x20) << 3)) & 0xFF;
}

bool SameIgnoringCase(const std::uint8_t* a, const std::uint8_t* b, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        if (kFoldCase[a[i]] != kFoldCase[b[i]])
            return false;
    return true;
}

// Horspool's scan on byte pairs, ignoring case: the first match. length >= 2. The block is
// cut into four lanes of window positions that are scanned side by side: each lane's steps
// depend on its own previous step only, so the processor overlaps the four.
std::ptrdiff_t FindIgnoringCase(const std::uint8_t* data, std::size_t size, const std::uint8_t* pattern,
                                std::size_t length)
{
    if (length > size)
        return -1;
    std::array<std::size_t, 256> shift;
    shift.fill(length - 1);
    // A pair of the pattern that ends at i lets the window move so that it lines up there;
    // the pair at the pattern's very end is the one each window is tested on.
    for (std::size_t i = 1; i + 1 < length; ++i)
        shift[PairKey(pattern[i - 1], pattern[i])] = length - 1 - i;
    const std::size_t last = PairKey(pattern[length - 2], pattern[length - 1]);

    constexpr std::size_t kLanes = 4;
    const std::size_t windows = size - length + 1;
    const std::size_t perLane = (windows + kLanes - 1) / kLanes;
    std::array<std::size_t, kLanes> end{};
    std::array<std::size_t, kLanes> stop{};
    std::array<std::ptrdiff_t, kLanes> found{};
    for (std::size_t k = 0; k < kLanes; ++k) {
        end[k] = length - 1 + std::min(windows, k * perLane);
        stop[k] = length - 1 + std::min(windows, (k + 1) * perLane);
        found[k] = -1;
    }
    for (bool busy = true; busy;) {
        busy = false;
        for (std::size_t k = 0; k < kLanes; ++k) {
            if (end[k] >= stop[k])
                continue;
            busy = true;
            const std::size_t key = PairKey(data[end[k] - 1], data[end[k]]);
            if (key == last && SameIgnoringCase(data + end[k] + 1 - length, pattern, length)) {
                found[k] = static_cast<std::ptrdiff_t>(end[k] + 1 - length);
                stop[k] = 0;
                continue;
            }
            end[k] += shift[key];
        }
    }
    for (const std::ptrdiff_t at : found)
        if (at >= 0)
            return at;
    return -1;
}

std::ptrdiff_t FindForward(const std::uint8_t* data, std::size_t size, const std::uint8_t* pattern,
                           std::size_t length, bool matchCase)
{
    return matchCase ? FindInBlock(data, size, pattern, length) : FindIgnoringCase(data, size, pattern, length);
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
        return FindForward(data, size, bytes, length, pattern.matchCase);
    // The last match, by the forward scan again after each match: a block without a match,
    // the common case, is scanned once and as fast as forward.
    std::ptrdiff_t lastFound = -1;
    for (std::size_t from = 0; from + length <= size;) {
        const std::ptrdiff_t hit = FindForward(data + from, size - from, bytes, length, pattern.matchCase);
        if (hit < 0)
            break;
        lastFound = static_cast<std::ptrdiff_t>(from) + hit;
        from = static_cast<std::size_t>(lastFound) + 1;
    }
    return lastFound;
}

} // namespace vtx

