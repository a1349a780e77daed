// Code texts against the C library: each part must read exactly as strtol base 16 reads
// it (clamped to a 32-bit long), and the range must obey its rules.
#include "text/NumberText.h"
#include "colors/ParseCodeRange.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

long ReferenceStrtol(std::string_view part)
{
    // strtol stops at a NUL byte, and so does the reading under test: NUL is no digit.
    const std::string copy(part.substr(0, part.find('\0')));
    const long value = std::strtol(copy.c_str(), nullptr, 16);
    return std::clamp<long>(value, INT32_MIN, INT32_MAX);
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view code(reinterpret_cast<const char*>(data), size);
    const vtx::CodeRange range = vtx::ParseCodeRange(code);
    const auto parts = vtx::SplitCodeText(code);

    if (code.empty() || !parts) {
        Check(range.low == -1);
        return 0;
    }
    const long low = ReferenceStrtol(parts->low);
    Check(vtx::StrToL32(parts->low, 16) == low);
    if (!parts->hasDash) {
        Check(range.low == low && range.high == low);
        return 0;
    }
    const long high = ReferenceStrtol(parts->high);
    Check(vtx::StrToL32(parts->high, 16) == high);
    if (high < low)
        Check(range.low == -1);
    else
        Check(range.low == low && range.high == high && range.IsValid());
    return 0;
}
