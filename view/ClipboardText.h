#pragma once
// The texts the hex view exchanges with the clipboard, free of widgets: the bytes a pasted
// text stands for in each column, and the selection written out as hex values.

// std
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vtx {

// Why a pasted text cannot be taken as bytes; None when it can.
enum class PasteProblem {
    None,
    Empty,      // nothing to paste
    NotHex,     // a character other than a hex digit, a blank or a line break
    OddDigits,  // a last digit without its partner
    SplitPair,  // a blank between the two digits of one byte
    NotLatin1,  // a character above U+00FF for the ASCII column
};

// The message a user sees when a paste is refused; null for None.
[[nodiscard]] const char* PasteProblemText(PasteProblem problem);

// Hex digits in pairs, high digit first, read as every hex box reads them (HexText.h):
// spaces, tabs and line breaks between the pairs are ignored ("45 4C\r\n46" is 45 4C 46),
// one inside a pair is refused.
[[nodiscard]] PasteProblem ParseHexBytes(std::u16string_view text, std::vector<std::uint8_t>& bytes);
// Each character one byte, as Latin-1.
[[nodiscard]] PasteProblem ParseLatin1Bytes(std::u16string_view text, std::vector<std::uint8_t>& bytes);

// Appends bytes as two upper-case hex digits each, separated by spaces, kPerLine to a
// line. `written` counts the values written so far across calls, so that a selection read
// in pieces comes out as one text; lines end with "\n", the last one without.
inline constexpr std::size_t kHexValuesPerLine = 16;
void AppendHexLines(std::string& text, const std::uint8_t* bytes, std::size_t count, std::uint64_t& written);

} // namespace vtx
