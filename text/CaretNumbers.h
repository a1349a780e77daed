#pragma once
// What the Data Inspector shows for the bytes at the caret: the integer and floating-point
// values that start there, in little- or big-endian order, and the first byte in binary.
// Plain arithmetic on at most eight bytes, free of any window.

// std
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vtx {

// The values in the order the inspector lists them.
enum class InspectedType : std::uint8_t {
    Int8, UInt8, Int16, UInt16, Int32, UInt32, Int64, UInt64, Float32, Float64,
};
inline constexpr std::size_t kInspectedTypeCount = 10;

// The most bytes any value needs, and so the most the inspector reads per caret move.
inline constexpr std::size_t kMaxInspectedBytes = 8;

// What a value is called in the inspector ("Signed 16-bit", "Float 32-bit").
[[nodiscard]] const char* InspectedTypeName(InspectedType type);
// How many bytes the value takes.
[[nodiscard]] std::size_t InspectedTypeSize(InspectedType type);

// The text of one value decoded from the first bytes of `bytes` (the bytes that exist
// from the caret on, up to eight): decimal for the integers, the shortest text that reads
// back as the same number for the floats ("nan", "inf", "-inf" included), and "-" when
// fewer bytes are left in the file than the value needs.
[[nodiscard]] std::string InspectedValueText(std::span<const std::uint8_t> bytes, InspectedType type,
                                             bool bigEndian);
// All of them, in the order of InspectedType.
[[nodiscard]] std::array<std::string, kInspectedTypeCount> InspectedValueTexts(std::span<const std::uint8_t> bytes,
                                                                               bool bigEndian);
// The first byte as eight binary digits, most significant first; "-" without one.
[[nodiscard]] std::string BinaryText(std::span<const std::uint8_t> bytes);

// A value typed into the inspector, turned back into bytes. Integers in decimal (a sign
// allowed where the type has one) or hexadecimal after "0x"; floats as decimal or
// scientific text, "nan", "inf" and "-inf" included. Blanks around the text are ignored.
enum class ValueTextProblem { None, NotANumber, OutOfRange };
// The InspectedTypeSize(type) bytes of the value in `bytes`, in the order asked for;
// `bytes` is left alone when the text is refused.
[[nodiscard]] ValueTextProblem EncodeInspectedValue(std::string_view text, InspectedType type, bool bigEndian,
                                                    std::array<std::uint8_t, kMaxInspectedBytes>& bytes);
// The values a type can hold, for the message that refuses one ("-128 to 127").
[[nodiscard]] std::string InspectedRangeText(InspectedType type);

} // namespace vtx
