#include "ClipboardText.h"

#include "text/HexText.h"

namespace vtx {

namespace {

} // namespace

const char* PasteProblemText(PasteProblem problem)
{
    switch (problem) {
    case PasteProblem::None: return nullptr;
    case PasteProblem::Empty: return "The clipboard holds no text to paste.";
    case PasteProblem::NotHex:
        return "The clipboard text cannot be pasted into the hex column: it may contain only the "
               "hexadecimal digits 0-9 and A-F, spaces and line breaks.";
    case PasteProblem::OddDigits:
        return "The clipboard text cannot be pasted into the hex column: it holds an odd number of "
               "hexadecimal digits, and every byte needs two.";
    case PasteProblem::SplitPair:
        return "The clipboard text cannot be pasted into the hex column: a blank or line break may "
               "stand only between byte pairs, never between the two digits of one byte.";
    case PasteProblem::NotLatin1:
        return "The clipboard text cannot be pasted into the ASCII column: it contains characters "
               "that are not 8-bit (Latin-1).";
    }
    return nullptr;
}

PasteProblem ParseHexBytes(std::u16string_view text, std::vector<std::uint8_t>& bytes)
{
    switch (ParseHexText(text, bytes)) {
    case HexTextProblem::None: return PasteProblem::None;
    case HexTextProblem::Empty: return PasteProblem::Empty;
    case HexTextProblem::NotHex: return PasteProblem::NotHex;
    case HexTextProblem::SplitPair: return PasteProblem::SplitPair;
    case HexTextProblem::OddDigits: return PasteProblem::OddDigits;
    }
    return PasteProblem::NotHex;
}

PasteProblem ParseLatin1Bytes(std::u16string_view text, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    bytes.reserve(text.size());
    for (const char16_t c : text) {
        if (c > 0xFF)
            return PasteProblem::NotLatin1;
        bytes.push_back(static_cast<std::uint8_t>(c));
    }
    return bytes.empty() ? PasteProblem::Empty : PasteProblem::None;
}

void AppendHexLines(std::string& text, const std::uint8_t* bytes, std::size_t count, std::uint64_t& written)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    text.reserve(text.size() + 3 * count);
    for (std::size_t i = 0; i < count; ++i, ++written) {
        if (written > 0)
            text.push_back(written % kHexValuesPerLine == 0 ? '\n' : ' ');
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
}

} // namespace vtx
