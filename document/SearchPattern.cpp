#include "SearchPattern.h"

#include "text/HexText.h"

#include <algorithm>
#include <array>
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

// The block copied (folded or reversed) for the scans that the filtered scan hands over.
// One per thread: a scan never runs inside another on the same thread.
std::vector<std::uint8_t>& Scratch(std::size_t size)
{
    thread_local std::vector<std::uint8_t> scratch;
    if (scratch.size() < size)
        scratch.resize(size);
    return scratch;
}

template <bool Fold>
constexpr std::uint8_t Shown(std::uint8_t c)
{
    return Fold ? FoldByte(c) : c;
}

// The filtered scan: positions whose first and last bytes are the pattern's (16 positions
// at a time) are compared whole; everything else is passed over without a copy. Its
// result is a match's offset, -1, or kHandedOver when the candidates cost too much.
constexpr std::ptrdiff_t kHandedOver = -2;

template <bool Fold>
class FilteredScan
{
public:
    // `wanted`: the pattern, folded when Fold; length >= 2 and <= size.
    FilteredScan(const std::uint8_t* data, std::size_t size, const std::uint8_t* wanted, std::size_t length)
        : m_data(data), m_positions(size - length + 1), m_wanted(wanted), m_length(length),
          // A block of near-matches (one letter against a pattern of that letter with one
          // other in its middle) would make the comparisons quadratic: once they have cost
          // about as much as the block itself, the linear copying scan takes over.
          m_allowance(size + 256)
    {
    }

    std::ptrdiff_t Forward()
    {
        std::size_t p = 0;
#if defined(__SSE2__)
        for (; p + 16 <= m_positions; p += 16) {
            for (unsigned mask = Candidates(p); mask != 0; mask &= mask - 1) {
                if (const std::ptrdiff_t hit = Check(p + static_cast<std::size_t>(__builtin_ctz(mask))); hit != -1)
                    return hit;
            }
        }
#endif
        for (; p < m_positions; ++p) {
            if (const std::ptrdiff_t hit = CheckOne(p); hit != -1)
                return hit;
        }
        return -1;
    }

    std::ptrdiff_t Backward()
    {
        std::size_t top = m_positions;
#if defined(__SSE2__)
        for (; top >= 16; top -= 16) {
            for (unsigned mask = Candidates(top - 16); mask != 0;) {
                const int k = 31 - __builtin_clz(mask);
                if (const std::ptrdiff_t hit = Check(top - 16 + static_cast<std::size_t>(k)); hit != -1)
                    return hit;
                mask &= ~(1u << k);
            }
        }
#endif
        while (top > 0) {
            if (const std::ptrdiff_t hit = CheckOne(--top); hit != -1)
                return hit;
        }
        return -1;
    }

private:
#if defined(__SSE2__)
    // Bit k: position p + k starts with the pattern's first byte and ends with its last.
    [[nodiscard]] unsigned Candidates(std::size_t p) const
    {
        __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_data + p));
        __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_data + p + m_length - 1));
        if constexpr (Fold) {
            head = FoldVector(head);
            tail = FoldVector(tail);
        }
        const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(head, _mm_set1_epi8(static_cast<char>(m_wanted[0]))),
                                           _mm_cmpeq_epi8(tail, _mm_set1_epi8(static_cast<char>(m_wanted[m_length - 1]))));
        return static_cast<unsigned>(_mm_movemask_epi8(both));
    }
#endif

    std::ptrdiff_t CheckOne(std::size_t p)
    {
        if (Shown<Fold>(m_data[p]) != m_wanted[0] || Shown<Fold>(m_data[p + m_length - 1]) != m_wanted[m_length - 1])
            return -1;
        return Check(p);
    }

    // A candidate whose first and last bytes are known to match: p, -1, or kHandedOver.
    std::ptrdiff_t Check(std::size_t p)
    {
        if (m_allowance < m_length)
            return kHandedOver;
        const std::uint8_t* at = m_data + p;
        std::size_t i = 1;
        while (i + 1 < m_length && Shown<Fold>(at[i]) == m_wanted[i])
            ++i;
        m_allowance -= i;
        return i + 1 >= m_length ? static_cast<std::ptrdiff_t>(p) : -1;
    }

    const std::uint8_t* m_data;
    std::size_t m_positions;
    const std::uint8_t* m_wanted;
    std::size_t m_length;
    std::size_t m_allowance;
};

// The copying scan: the exact forward search over a copy, folded (case-free) and/or
// reversed (backward, where the first match of the reversed pattern in the reversed block
// is the last match). Linear whatever the bytes; it costs a pass over the block more than
// the filtered scan does where candidates are few.
std::ptrdiff_t CopyingScan(const std::uint8_t* data, std::size_t size, const std::uint8_t* wanted, std::size_t length,
                           bool fold, SearchDirection direction)
{
    std::vector<std::uint8_t>& scratch = Scratch(size + length);
    std::uint8_t* pattern = scratch.data() + size;
    if (direction == SearchDirection::Forward) {
        std::copy(wanted, wanted + length, pattern);
        if (fold)
            FoldCase(data, scratch.data(), size);
        return FindInBlock(fold ? scratch.data() : data, size, pattern, length);
    }
    // `wanted` is folded already: reversing it again folds nothing.
    ReverseCopy(wanted, pattern, length, false);
    ReverseCopy(data, scratch.data(), size, fold);
    const std::ptrdiff_t hit = FindInBlock(scratch.data(), size, pattern, length);
    return hit < 0 ? -1 : static_cast<std::ptrdiff_t>(size - length) - hit;
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

    // Every other scan filters candidates in place; a block of too many near-matches goes
    // to the copying scan, so that the cost stays linear whatever the bytes.
    const bool fold = !pattern.matchCase;
    std::array<std::uint8_t, kSearchPatternCapacity> small;
    std::vector<std::uint8_t> large;
    std::uint8_t* wanted = small.data();
    if (length > small.size()) {
        large.resize(length);
        wanted = large.data();
    }
    if (fold)
        FoldCase(bytes, wanted, length);
    else
        std::copy(bytes, bytes + length, wanted);
    std::ptrdiff_t hit = kHandedOver;
    if (fold) {
        FilteredScan<true> scan(data, size, wanted, length);
        hit = direction == SearchDirection::Forward ? scan.Forward() : scan.Backward();
    } else {
        FilteredScan<false> scan(data, size, wanted, length);
        hit = direction == SearchDirection::Forward ? scan.Forward() : scan.Backward();
    }
    return hit != kHandedOver ? hit : CopyingScan(data, size, wanted, length, fold, direction);
}

} // namespace vtx
