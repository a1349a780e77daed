#include "SearchPattern.h"

#include "HexText.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vtx {

namespace {

SearchPattern EncodeBytes(const std::string& text, SearchType type, PatternProblem& problem)
{
    SearchPattern pattern;
    switch (type) {
    case SearchType::Ascii:
        pattern.bytes.assign(text.begin(), text.end());
        break;
    case SearchType::Unicode:
        pattern.bytes.reserve(text.size() * 2);
        for (const char c : text) {
            pattern.bytes.push_back(static_cast<std::uint8_t>(c));
            pattern.bytes.push_back(0);
        }
        break;
    case SearchType::Hex:
        switch (ParseHexText(std::string_view(text), pattern.bytes)) {
        case HexTextProblem::None: break;
        case HexTextProblem::Empty: problem = PatternProblem::Empty; break;
        case HexTextProblem::NotHex: problem = PatternProblem::NotHex; break;
        case HexTextProblem::SplitPair: problem = PatternProblem::HexSplitPair; break;
        case HexTextProblem::OddDigits: problem = PatternProblem::HexOddDigits; break;
        }
        break;
    case SearchType::Regex:
        break;
    }
    pattern.compareLength = pattern.bytes.size();
    return pattern;
}

// Bytes the encoding takes in the fixed pattern buffer: an Ascii text keeps its
// terminating zero there.
std::size_t BufferBytes(const SearchPattern& pattern, SearchType type)
{
    return pattern.bytes.size() + (type == SearchType::Ascii ? 1 : 0);
}

} // namespace

SearchPattern EncodeSearchPattern(const std::string& text, SearchType type, bool matchCase)
{
    PatternProblem problem = PatternProblem::None;
    SearchPattern pattern = EncodeBytes(text, type, problem);
    pattern.matchCase = matchCase || type == SearchType::Hex;
    if (text.empty())
        problem = PatternProblem::Empty;
    else if (problem == PatternProblem::None && BufferBytes(pattern, type) > kSearchPatternCapacity)
        problem = PatternProblem::TooLong;
    pattern.problem = problem;
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
    case PatternProblem::HexSplitPair:
        return "In a hex search text a space may stand only between byte pairs, never between "
               "the two digits of one byte.";
    case PatternProblem::HexOddDigits:
        return "A hex search text needs two hexadecimal digits for every byte: the last digit "
               "has no partner.";
    case PatternProblem::TooLong:
        return "The search text is too long: at most 255 ASCII characters, 128 Unicode "
               "characters or 256 bytes in hex can be searched for.";
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

constexpr std::uint8_t FoldByte(std::uint8_t c)
{
    return static_cast<std::uint8_t>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
}

#if defined(__SSE2__)
// A-Z as a-z in 16 bytes at once: the letters are moved to the bottom of the signed range,
// where one comparison picks them out.
inline __m128i FoldVector(__m128i v)
{
    const __m128i shifted = _mm_add_epi8(v, _mm_set1_epi8(static_cast<char>(0x80 - 'A')));
    const __m128i upper = _mm_cmplt_epi8(shifted, _mm_set1_epi8(static_cast<char>(0x80 + 26)));
    return _mm_or_si128(v, _mm_and_si128(upper, _mm_set1_epi8(0x20)));
}

// The 16 bytes in reverse order, with SSE2 alone: swap the bytes of each 16-bit word, then
// the words.
inline __m128i ReverseVector(__m128i v)
{
    v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
    v = _mm_shufflelo_epi16(v, 0x1B);
    v = _mm_shufflehi_epi16(v, 0x1B);
    return _mm_shuffle_epi32(v, 0x4E);
}
#endif

// dst[i] = src[size - 1 - i], folded when asked. dst and src do not overlap.
void ReverseCopy(const std::uint8_t* src, std::uint8_t* dst, std::size_t size, bool fold)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= size; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + size - i - 16));
        if (fold)
            v = FoldVector(v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), ReverseVector(v));
    }
#endif
    for (; i < size; ++i)
        dst[i] = fold ? FoldByte(src[size - 1 - i]) : src[size - 1 - i];
}

// A one-byte pattern: the byte itself, or either case of a letter.
std::ptrdiff_t FindOneByte(const std::uint8_t* data, std::size_t size, std::uint8_t value, bool matchCase,
                           SearchDirection direction)
{
    const std::uint8_t lower = FoldByte(value);
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

// The block copied (folded or reversed) for the scans that the exact forward search cannot
// do in place. One per thread: a scan never runs inside another on the same thread.
std::vector<std::uint8_t>& Scratch(std::size_t size)
{
    thread_local std::vector<std::uint8_t> scratch;
    if (scratch.size() < size)
        scratch.resize(size);
    return scratch;
}

} // namespace

void FoldCase(const std::uint8_t* src, std::uint8_t* dst, std::size_t size)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= size; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), FoldVector(v));
    }
#endif
    for (; i < size; ++i)
        dst[i] = FoldByte(src[i]);
}

SearchPattern FoldedPattern(const SearchPattern& pattern)
{
    SearchPattern folded = pattern;
    if (!pattern.matchCase) {
        FoldCase(pattern.bytes.data(), folded.bytes.data(), pattern.bytes.size());
        folded.matchCase = true;
    }
    return folded;
}

std::ptrdiff_t FindPatternInBlock(const std::uint8_t* data, std::size_t size, const SearchPattern& pattern,
                                  SearchDirection direction)
{
    const std::size_t length = pattern.compareLength;
    if (length == 0 || length > size || pattern.bytes.size() < length)
        return -1;
    const std::uint8_t* bytes = pattern.bytes.data();
    if (length == 1)
        return FindOneByte(data, size, bytes[0], pattern.matchCase, direction);
    if (direction == SearchDirection::Forward && pattern.matchCase)
        return FindInBlock(data, size, bytes, length);

    // Every other scan is the exact forward one over a copy: folded (case-free) and/or
    // reversed (backward, where the first match of the reversed pattern in the reversed
    // block is the last match). Linear whatever the bytes, unlike re-scanning after each
    // match or a shift table on folded pairs.
    std::vector<std::uint8_t> wanted(length);
    const std::size_t kept = length;
    std::vector<std::uint8_t>& scratch = Scratch(size);
    const bool fold = !pattern.matchCase;
    if (direction == SearchDirection::Forward) {
        FoldCase(bytes, wanted.data(), kept);
        FoldCase(data, scratch.data(), size);
        return FindInBlock(scratch.data(), size, wanted.data(), kept);
    }
    ReverseCopy(bytes, wanted.data(), kept, fold);
    ReverseCopy(data, scratch.data(), size, fold);
    const std::ptrdiff_t hit = FindInBlock(scratch.data(), size, wanted.data(), kept);
    return hit < 0 ? -1 : static_cast<std::ptrdiff_t>(size - kept) - hit;
}

} // namespace vtx
