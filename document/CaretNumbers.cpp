#include "document/CaretNumbers.h"

// std
#include <bit>
#include <charconv>

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

} // namespace vtx
