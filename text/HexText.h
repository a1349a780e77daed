#pragma once
// How every box of the editor reads bytes written as hex text: the search box, the Replace
// dialog, a paste into the hex column and the fill pattern. One rule for all of them, so
// that a text copied from one place reads the same in another: each byte is two hex
// digits, high digit first, and blanks (spaces, tabs, line breaks) may stand between byte
// pairs and around the whole text, never inside a pair. No Qt here.

#include <cstdint>
#include <string_view>
#include <vector>

namespace vtx {

// The one digit test: 0-9, a-f, A-F. -1 for anything else.
[[nodiscard]] constexpr int HexDigitValue(char32_t c)
{
    if (c >= U'0' && c <= U'9')
        return static_cast<int>(c - U'0');
    if (c >= U'a' && c <= U'f')
        return static_cast<int>(c - U'a') + 10;
    if (c >= U'A' && c <= U'F')
        return static_cast<int>(c - U'A') + 10;
    return -1;
}
[[nodiscard]] constexpr bool IsHexDigitChar(char32_t c)
{
    return HexDigitValue(c) >= 0;
}
[[nodiscard]] constexpr bool IsHexBlank(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n';
}

enum class HexTextProblem {
    None,
    Empty,      // no digit at all
    NotHex,     // a character that is neither a hex digit nor a blank
    SplitPair,  // a blank between the two digits of one byte ("4 5")
    OddDigits,  // the last digit has no partner
};

// The bytes the text stands for, or why it cannot be read; `bytes` holds the pairs read
// before the problem.
[[nodiscard]] HexTextProblem ParseHexText(std::u16string_view text, std::vector<std::uint8_t>& bytes);
[[nodiscard]] HexTextProblem ParseHexText(std::string_view text, std::vector<std::uint8_t>& bytes);

// The message for a problem, naming no box (the caller may put its own words before it);
// null for None.
[[nodiscard]] const char* HexTextProblemText(HexTextProblem problem);

} // namespace vtx
