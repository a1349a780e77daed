#include "text/CaretNumbers.h"

// std
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

namespace vtx {

namespace {

constexpr const char* kMissing = "-";

// The first size bytes as an unsigned number, in the order asked for.
std::uint64_t Assemble(std::span<const std::uint8_t> bytes, std::size_t size, bool bigEndian)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = bytes[bigEndian ? i : size - 1 - i];
        value = (value << 8) | byte;
    }
    return value;
}

template <typename Float>
std::string FloatText(Float value)
{
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string(kMissing);
}

// Two's complement of the low size bytes, widened.
std::int64_t SignExtend(std::uint64_t value, std::size_t size)
{
    if (size >= 8)
        return std::bit_cast<std::int64_t>(value);
    const std::uint64_t sign = std::uint64_t{1} << (size * 8 - 1);
    return static_cast<std::int64_t>(value ^ sign) - static_cast<std::int64_t>(sign);
}

} // namespace

const char* InspectedTypeName(InspectedType type)
{
    switch (type) {
    case InspectedType::Int8: return "Signed 8-bit";
    case InspectedType::UInt8: return "Unsigned 8-bit";
    case InspectedType::Int16: return "Signed 16-bit";
    case InspectedType::UInt16: return "Unsigned 16-bit";
    case InspectedType::Int32: return "Signed 32-bit";
    case InspectedType::UInt32: return "Unsigned 32-bit";
    case InspectedType::Int64: return "Signed 64-bit";
    case InspectedType::UInt64: return "Unsigned 64-bit";
    case InspectedType::Float32: return "Float 32-bit";
    case InspectedType::Float64: return "Float 64-bit";
    }
    return "";
}

std::size_t InspectedTypeSize(InspectedType type)
{
    switch (type) {
    case InspectedType::Int8:
    case InspectedType::UInt8: return 1;
    case InspectedType::Int16:
    case InspectedType::UInt16: return 2;
    case InspectedType::Int32:
    case InspectedType::UInt32:
    case InspectedType::Float32: return 4;
    case InspectedType::Int64:
    case InspectedType::UInt64:
    case InspectedType::Float64: return 8;
    }
    return 0;
}

std::string InspectedValueText(std::span<const std::uint8_t> bytes, InspectedType type, bool bigEndian)
{
    const std::size_t size = InspectedTypeSize(type);
    if (size == 0 || bytes.size() < size)
        return kMissing;
    const std::uint64_t raw = Assemble(bytes, size, bigEndian);
    switch (type) {
    case InspectedType::Int8:
    case InspectedType::Int16:
    case InspectedType::Int32:
    case InspectedType::Int64: return std::to_string(SignExtend(raw, size));
    case InspectedType::UInt8:
    case InspectedType::UInt16:
    case InspectedType::UInt32:
    case InspectedType::UInt64: return std::to_string(raw);
    case InspectedType::Float32: return FloatText(std::bit_cast<float>(static_cast<std::uint32_t>(raw)));
    case InspectedType::Float64: return FloatText(std::bit_cast<double>(raw));
    }
    return kMissing;
}

std::array<std::string, kInspectedTypeCount> InspectedValueTexts(std::span<const std::uint8_t> bytes, bool bigEndian)
{
    std::array<std::string, kInspectedTypeCount> texts;
    for (std::size_t i = 0; i < kInspectedTypeCount; ++i)
        texts[i] = InspectedValueText(bytes, static_cast<InspectedType>(i), bigEndian);
    return texts;
}

std::string BinaryText(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return kMissing;
    std::string text(8, '0');
    for (int bit = 0; bit < 8; ++bit)
        if (bytes[0] & (0x80 >> bit))
            text[static_cast<std::size_t>(bit)] = '1';
    return text;
}

namespace {

bool IsSignedType(InspectedType type)
{
    return type == InspectedType::Int8 || type == InspectedType::Int16 || type == InspectedType::Int32 ||
           type == InspectedType::Int64;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The low `size` bytes of raw into bytes, in the order asked for.
void Scatter(std::uint64_t raw, std::size_t size, bool bigEndian, std::array<std::uint8_t, kMaxInspectedBytes>& bytes)
{
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<std::uint8_t>(raw >> (8 * i));
        bytes[bigEndian ? size - 1 - i : i] = byte;
    }
}

ValueTextProblem EncodeInteger(std::string_view text, InspectedType type, std::uint64_t& raw)
{
    const std::size_t size = InspectedTypeSize(type);
    const std::uint64_t mask = size >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * size)) - 1;
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return ValueTextProblem::NotANumber;
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (end != text.data() + text.size())
        return ValueTextProblem::NotANumber;
    if (error == std::errc::result_out_of_range)
        return ValueTextProblem::OutOfRange;
    if (error != std::errc())
        return ValueTextProblem::NotANumber;
    if (!IsSignedType(type) || (hex && !negative)) {
        // Unsigned values, and the bit pattern of a signed one written in hex (0xFF is -1
        // as a signed byte).
        if (negative && magnitude != 0)
            return ValueTextProblem::OutOfRange;
        if (magnitude > mask)
            return ValueTextProblem::OutOfRange;
        raw = magnitude;
        return ValueTextProblem::None;
    }
    const std::uint64_t limit = std::uint64_t{1} << (8 * size - 1); // |minimum|
    if (negative ? magnitude > limit : magnitude >= limit)
        return ValueTextProblem::OutOfRange;
    raw = (negative ? ~magnitude + 1 : magnitude) & mask;
    return ValueTextProblem::None;
}

ValueTextProblem EncodeFloat(std::string_view text, InspectedType type, std::uint64_t& raw)
{
    bool negative = false;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return ValueTextProblem::NotANumber;
    }
    if (text.empty())
        return ValueTextProblem::NotANumber;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size() || (error != std::errc() && error != std::errc::result_out_of_range))
        return ValueTextProblem::NotANumber;
    if (error == std::errc::result_out_of_range) {
        // Too small to tell from zero is zero's neighbour; too large is refused.
        negative = text.front() == '-';
        const bool tiny = text.find_first_of("eE") != std::string_view::npos &&
                          text[text.find_first_of("eE") + 1] == '-';
        if (!tiny)
            return ValueTextProblem::OutOfRange;
        value = negative ? -0.0 : 0.0;
    }
    if (type == InspectedType::Float64) {
        raw = std::bit_cast<std::uint64_t>(value);
        return ValueTextProblem::None;
    }
    if (std::isfinite(value) && std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
        return ValueTextProblem::OutOfRange;
    raw = std::bit_cast<std::uint32_t>(static_cast<float>(value));
    return ValueTextProblem::None;
}

} // namespace

ValueTextProblem EncodeInspectedValue(std::string_view text, InspectedType type, bool bigEndian,
                                      std::array<std::uint8_t, kMaxInspectedBytes>& bytes)
{
    text = Trimmed(text);
    std::uint64_t raw = 0;
    const bool isFloat = type == InspectedType::Float32 || type == InspectedType::Float64;
    const ValueTextProblem problem = isFloat ? EncodeFloat(text, type, raw) : EncodeInteger(text, type, raw);
    if (problem == ValueTextProblem::None)
        Scatter(raw, InspectedTypeSize(type), bigEndian, bytes);
    return problem;
}

std::string InspectedRangeText(InspectedType type)
{
    const std::size_t size = InspectedTypeSize(type);
    switch (type) {
    case InspectedType::Float32: return "-3.4028235e+38 to 3.4028235e+38";
    case InspectedType::Float64: return "-1.7976931348623157e+308 to 1.7976931348623157e+308";
    case InspectedType::UInt8:
    case InspectedType::UInt16:
    case InspectedType::UInt32:
    case InspectedType::UInt64:
        return "0 to " + std::to_string(size >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * size)) - 1);
    default: {
        const std::uint64_t limit = std::uint64_t{1} << (8 * size - 1);
        return "-" + std::to_string(limit) + " to " + std::to_string(limit - 1);
    }
    }
}

} // namespace vtx
