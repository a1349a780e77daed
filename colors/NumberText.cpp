#include "colors/NumberText.h"

#include <limits>

namespace vtx {

namespace {

struct ScannedNumber {
    bool negative = false;
    bool overflow = false;   // the magnitude does not fit in 32 bits
    std::uint32_t magnitude = 0;
};

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

ScannedNumber Scan(std::string_view text, int base)
{
    ScannedNumber result;
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        result.negative = text[i] == '-';
        ++i;
    }
    // "0x" counts as a prefix only when a hex digit follows; otherwise the "0" is the
    // number and the "x" ends it, which reads 0 just the same.
    if (base == 16 && i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')
        && DigitValue(text[i + 2]) < 16)
        i += 2;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit >= base)
            break;
        if (!result.overflow) {
            value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
            if (value > std::numeric_limits<std::uint32_t>::max())
                result.overflow = true;
        }
    }
    result.magnitude = result.overflow ? std::numeric_limits<std::uint32_t>::max()
                                       : static_cast<std::uint32_t>(value);
    return result;
}

} // namespace

std::int32_t StrToL32(std::string_view text, int base)
{
    const ScannedNumber n = Scan(text, base);
    constexpr std::uint32_t kMaxPositive = 0x7FFFFFFFu;
    if (n.negative) {
        if (n.overflow || n.magnitude > kMaxPositive + 1u)
            return std::numeric_limits<std::int32_t>::min();
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(n.magnitude));
    }
    if (n.overflow || n.magnitude > kMaxPositive)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(n.magnitude);
}

std::uint32_t StrToUL32(std::string_view text, int base)
{
    const ScannedNumber n = Scan(text, base);
    if (n.overflow)
        return std::numeric_limits<std::uint32_t>::max();
    return n.negative ? 0u - n.magnitude : n.magnitude;
}

} // namespace vtx
