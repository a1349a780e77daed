#include "text/HexText.h"

namespace vtx {

namespace {

template <typename Char>
HexTextProblem Parse(std::basic_string_view<Char> text, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    bytes.reserve(text.size() / 2);
    int high = -1;
    for (const Char c : text) {
        const auto u = static_cast<char32_t>(static_cast<std::make_unsigned_t<Char>>(c));
        if (IsHexBlank(u)) {
            if (high >= 0)
                return HexTextProblem::SplitPair;
            continue;
        }
        const int digit = HexDigitValue(u);
        if (digit < 0)
            return HexTextProblem::NotHex;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    if (high >= 0)
        return HexTextProblem::OddDigits;
    return bytes.empty() ? HexTextProblem::Empty : HexTextProblem::None;
}

} // namespace

HexTextProblem ParseHexText(std::u16string_view text, std::vector<std::uint8_t>& bytes)
{
    return Parse(text, bytes);
}

HexTextProblem ParseHexText(std::string_view text, std::vector<std::uint8_t>& bytes)
{
    return Parse(text, bytes);
}

const char* HexTextProblemText(HexTextProblem problem)
{
    switch (problem) {
    case HexTextProblem::None: return nullptr;
    case HexTextProblem::Empty: return "There are no hexadecimal digits to read.";
    case HexTextProblem::NotHex:
        return "Hex text may contain only the hexadecimal digits 0-9 and A-F, with blanks between "
               "byte pairs.";
    case HexTextProblem::SplitPair:
        return "A blank may stand only between byte pairs, never between the two digits of one "
               "byte.";
    case HexTextProblem::OddDigits:
        return "Every byte needs two hexadecimal digits: the last digit has no partner.";
    }
    return nullptr;
}

} // namespace vtx
