#pragma once
// The byte pattern that a search text stands for, in each of the three search types, and
// the scan that looks for it in one block of bytes. No Qt here: the document and the tests
// use it alike. The fourth type, a regular expression, has no fixed bytes: it is compiled
// by document/RegexSearch.h instead, and encodes here to nothing to compare.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vtx {

enum class SearchType : int { Ascii = 0, Unicode = 1, Hex = 2, Regex = 3 };

// Which way a search runs from the caret.
enum class SearchDirection { Forward, Backward };

// Why a search text cannot be searched for. The encoding is still made (tests look at it);
// Find refuses to scan with it.
enum class PatternProblem {
    None,
    Empty,            // nothing to search for
    NotHex,           // a Hex text with a character that is neither a hex digit nor a blank
    HexSplitPair,     // a Hex text with a blank between the two digits of a byte
    HexOddDigits,     // a Hex text whose last digit has no partner
    TooLong,          // the encoded pattern does not fit kSearchPatternCapacity bytes
};

struct SearchPattern {
    // The encoded bytes; `compareLength` of them are compared (all of them, for every
    // pattern this file makes).
    std::vector<std::uint8_t> bytes;
    std::size_t compareLength = 0;
    PatternProblem problem = PatternProblem::None;
    // False: the letters A-Z and a-z match either case. Only the ASCII letters fold: bytes
    // above 0x7F in a binary file are rarely Latin-1 text. Hex patterns always match exactly.
    bool matchCase = true;
};

// The pattern buffer holds 256 bytes, an Ascii pattern's terminating zero included: at most
// 255 Ascii characters, 128 Unicode characters or 512 hex digits. A longer one is refused.
inline constexpr std::size_t kSearchPatternCapacity = 256;

// Encodes text (8-bit characters) as the search type says:
// Ascii   - the bytes of the text;
// Unicode - each character widened to a little-endian 16-bit unit (c, 0);
// Hex     - the bytes the text stands for as every hex box reads it (HexText.h): two
//           digits a byte, blanks only between pairs ("45 4C 46").
// `problem` says whether the result may be searched for. `matchCase` false makes an Ascii
// or Unicode pattern match letters of either case.
SearchPattern EncodeSearchPattern(const std::string& text, SearchType type, bool matchCase = true);

// The message a user sees when a search is refused for this problem; null for None.
[[nodiscard]] const char* PatternProblemText(PatternProblem problem);

// Offset of the first place in [data, data + size) where the first `length` bytes of
// `pattern` appear completely, or -1. Never looks outside the block. length must be > 0.
[[nodiscard]] std::ptrdiff_t FindInBlock(const std::uint8_t* data, std::size_t size,
                                         const std::uint8_t* pattern, std::size_t length);

// The first (Forward) or last (Backward) complete match of the pattern's compared bytes in
// [data, data + size), honouring its matchCase; -1 when there is none. Never looks outside
// the block. Linear in the block's size whatever its content, in both directions and both
// case rules: a backward or case-free scan compares in place only where the first and last
// bytes fit, and hands a block of too many such places to a scan over a reversed or folded
// copy.
[[nodiscard]] std::ptrdiff_t FindPatternInBlock(const std::uint8_t* data, std::size_t size,
                                                const SearchPattern& pattern, SearchDirection direction);

// dst[i] = src[i] with A-Z as a-z; dst and src may be the same.
void FoldCase(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
// The pattern with its bytes folded as FoldCase folds them, matching case: searching the
// folded pattern in a folded block finds what the pattern finds ignoring case. A pattern
// that matches case comes back as it is.
[[nodiscard]] SearchPattern FoldedPattern(const SearchPattern& pattern);

} // namespace vtx
