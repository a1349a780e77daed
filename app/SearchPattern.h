#pragma once
// The byte pattern that a search text stands for, in each of the three search types, and
// the scan that looks for it in one block of bytes. No Qt here: the document and the tests
// use it alike.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vtx {

enum class SearchType : int { Ascii = 0, Unicode = 1, Hex = 2 };

// Why a search text cannot be searched for. The encoding is still made (tests look at it);
// Find refuses to scan with it.
enum class PatternProblem {
    None,
    Empty,            // nothing to search for
    NotHex,           // a Hex text with a character that is not a hexadecimal digit
    NothingToCompare, // encodes to no compared byte (a Hex text of one digit)
    TooLong,          // the encoded pattern does not fit kSearchPatternCapacity bytes
};

struct SearchPattern {
    // The encoded bytes; `compareLength` of them are compared (a Hex text with an odd
    // number of digits encodes its last digit but does not compare it).
    std::vector<std::uint8_t> bytes;
    std::size_t compareLength = 0;
    PatternProblem problem = PatternProblem::None;
};

// The pattern buffer holds 256 bytes, an Ascii pattern's terminating zero included: at most
// 255 Ascii characters, 128 Unicode characters or 512 hex digits. A longer one is refused.
inline constexpr std::size_t kSearchPatternCapacity = 256;

// Encodes text (8-bit characters) as the search type says:
// Ascii   - the bytes of the text;
// Unicode - each character widened to a little-endian 16-bit unit (c, 0);
// Hex     - consecutive two-character groups read with strtol base 16 (leading blanks and a
//           sign accepted, stops at the first non-digit, no digit gives 0), low 8 bits kept;
//           compareLength = length / 2, so a trailing single digit is not compared; a text
//           of fewer than two characters gives no byte at all.
// `problem` says whether the result may be searched for.
SearchPattern EncodeSearchPattern(const std::string& text, SearchType type);

// The message a user sees when a search is refused for this problem; null for None.
[[nodiscard]] const char* PatternProblemText(PatternProblem problem);

// Offset of the first place in [data, data + size) where the first `length` bytes of
// `pattern` appear completely, or -1. Never looks outside the block. length must be > 0.
[[nodiscard]] std::ptrdiff_t FindInBlock(const std::uint8_t* data, std::size_t size,
                                         const std::uint8_t* pattern, std::size_t length);

} // namespace vtx
