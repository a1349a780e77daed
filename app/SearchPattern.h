#pragma once
// The byte pattern that a search text stands for, in each of the three search types.

#include <cstdint>
#include <string>
#include <vector>

namespace vtx {

enum class SearchType : int { Ascii = 0, Unicode = 1, Hex = 2 };

struct SearchPattern {
    // The encoded bytes; `compareLength` of them are compared (a Hex text with an odd
    // number of digits encodes its last digit but does not compare it).
    std::vector<std::uint8_t> bytes;
    std::size_t compareLength = 0;
};

// The patterns buffer holds 256 bytes: a longer pattern is refused.
inline constexpr std::size_t kSearchPatternCapacity = 256;

// Encodes text (8-bit characters) as the search type says:
// Ascii   - the bytes of the text;
// Unicode - each character widened to a little-endian 16-bit unit (c, 0);
// Hex     - consecutive two-character groups read with strtol base 16 (leading blanks and a
//           sign accepted, stops at the first non-digit, no digit gives 0), low 8 bits kept;
//           compareLength = length / 2, so a trailing single digit is not compared.
SearchPattern EncodeSearchPattern(const std::string& text, SearchType type);

} // namespace vtx
