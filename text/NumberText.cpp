#include "text/NumberText.h"

#include <limits>

namespace vtx {

namespace {

struct ScannedNumber {
    bool negative = false;
    bool overflow = false;   // the magnitude is above the limit it was read against
    std::uint64_t magnitude = 0;
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

ScannedNumber Scan(std::string_view text, int base, std::uint64_t limit = std::numeric_limits<std::uint32_t>::max())
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
            const auto d = static_cast<std::uint64_t>(digit);
            // Checked before the step, so that even a 64-bit limit never wraps.
            if (value > (limit - d) / static_cast<std::uint64_t>(base))
                result.overflow = true;
            else
                value = value * static_cast<std::uint64_t>(base) + d;
        }
    }
    result.magnitude = result.overflow ? limit : value;
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
    return static_cast<std::uint32_t>(StrToULimited(text, base, std::numeric_limits<std::uint32_t>::max()));
}

std::uint64_t StrToULimited(std::string_view text, int base, std::uint64_t limit)
{
    const ScannedNumber n = Scan(text, base, limit);
    if (n.overflow)
        return limit;
    // Negation modulo limit + 1, written so that a limit of 2^64 - 1 does not overflow.
    return n.negative && n.magnitude != 0 ? limit - n.magnitude + 1 : n.magnitude;
}

} // namespace vtx
