// The Data Inspector's values, decoded without a window.
#include "text/CaretNumbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

using namespace vtx;

TEST(CaretNumbers, EachTypeInBothByteOrdersAndTooFewBytes)
{
    using T = InspectedType;
    const std::vector<std::uint8_t> ones(8, 0xFF);
    const std::vector<std::uint8_t> oneF{0x00, 0x00, 0x80, 0x3F};
    const std::vector<std::uint8_t> oneFBig{0x3F, 0x80, 0x00, 0x00};
    const std::vector<std::uint8_t> oneAndHalf{0x3F, 0xF8, 0, 0, 0, 0, 0, 0};
    const std::vector<std::uint8_t> pair{0x01, 0x02};
    const std::vector<std::uint8_t> lowest16{0x00, 0x80};
    const std::vector<std::uint8_t> mixed{0x80, 0, 0, 0, 0, 0, 0, 0x80};
    const struct {
        const std::vector<std::uint8_t>& bytes;
        bool big;
        T type;
        const char* text;
    } cases[] = {
        {ones, false, T::Int8, "-1"},
        {ones, false, T::UInt8, "255"},
        {ones, true, T::Int16, "-1"},
        {ones, false, T::UInt16, "65535"},
        {ones, false, T::Int32, "-1"},
        {ones, true, T::UInt32, "4294967295"},
        {ones, false, T::Int64, "-1"},
        {ones, false, T::UInt64, "18446744073709551615"},
        {ones, false, T::Float32, "-nan"},
        {oneF, false, T::Float32, "1"},
        {oneF, true, T::Float32, "4.6006e-41"},
        {oneFBig, true, T::Float32, "1"},
        {oneAndHalf, true, T::Float64, "1.5"},
        {pair, false, T::UInt16, "513"},
        {pair, true, T::UInt16, "258"},
        {pair, false, T::Int32, "-"},
        {pair, true, T::Float64, "-"},
        {lowest16, false, T::Int16, "-32768"},
        {lowest16, true, T::Int16, "128"},
        {mixed, false, T::Int64, "-9223372036854775680"},
        {mixed, true, T::Int64, "-9223372036854775680"},
        {mixed, true, T::UInt32, "2147483648"},
        {mixed, false, T::UInt32, "128"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InspectedValueText(c.bytes, c.type, c.big), c.text)
            << InspectedTypeName(c.type) << (c.big ? " big" : " little") << "-endian";

    const std::vector<std::uint8_t> none;
    for (const std::string& text : InspectedValueTexts(none, false))
        EXPECT_EQ(text, "-");
    EXPECT_EQ(BinaryText(none), "-");
    EXPECT_EQ(BinaryText(std::vector<std::uint8_t>{0xA5, 0xFF}), "10100101");
    EXPECT_EQ(BinaryText(std::vector<std::uint8_t>{0x01}), "00000001");
}

namespace {

using vtx::InspectedType;
using vtx::ValueTextProblem;

struct TypedValueRow {
    const char* name;
    const char* text;
    InspectedType type;
    bool bigEndian;
    ValueTextProblem problem;
    std::vector<std::uint8_t> bytes; // the value's bytes when accepted
};

class TypedValues : public ::testing::TestWithParam<TypedValueRow>
{
};

// A typed value becomes the bytes of the row's type in the chosen order, or is refused
// without touching the bytes; an accepted value reads back as the inspector shows it.
TEST_P(TypedValues, BecomeBytesOrAreRefused)
{
    const TypedValueRow& row = GetParam();
    std::array<std::uint8_t, vtx::kMaxInspectedBytes> bytes;
    bytes.fill(0xAA);
    EXPECT_EQ(vtx::EncodeInspectedValue(row.text, row.type, row.bigEndian, bytes), row.problem);
    if (row.problem != ValueTextProblem::None) {
        EXPECT_EQ(bytes[0], 0xAA);
        return;
    }
    const std::size_t size = vtx::InspectedTypeSize(row.type);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size)), row.bytes);
    EXPECT_EQ(bytes[size % vtx::kMaxInspectedBytes], size == 8 ? row.bytes[0] : 0xAA); // nothing past the value
    const std::string shown = vtx::InspectedValueText(std::span<const std::uint8_t>(bytes.data(), size), row.type, row.bigEndian);
    std::array<std::uint8_t, vtx::kMaxInspectedBytes> again{};
    EXPECT_EQ(vtx::EncodeInspectedValue(shown, row.type, row.bigEndian, again), ValueTextProblem::None);
    EXPECT_TRUE(std::equal(again.begin(), again.begin() + static_cast<std::ptrdiff_t>(size), bytes.begin()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, TypedValues,
    ::testing::Values(
        TypedValueRow{"Int32BigEndianNegative", "-2", InspectedType::Int32, true, ValueTextProblem::None, {0xFF, 0xFF, 0xFF, 0xFE}},
        TypedValueRow{"Int32LittleEndian", " 305419896 ", InspectedType::Int32, false, ValueTextProblem::None, {0x78, 0x56, 0x34, 0x12}},
        TypedValueRow{"Int8Minimum", "-128", InspectedType::Int8, false, ValueTextProblem::None, {0x80}},
        TypedValueRow{"Int8BelowMinimum", "-129", InspectedType::Int8, false, ValueTextProblem::OutOfRange, {}},
        TypedValueRow{"Int8AboveMaximum", "128", InspectedType::Int8, false, ValueTextProblem::OutOfRange, {}},
        TypedValueRow{"Int8HexBitPattern", "0xFF", InspectedType::Int8, false, ValueTextProblem::None, {0xFF}},
        TypedValueRow{"UInt8TooLarge", "256", InspectedType::UInt8, false, ValueTextProblem::OutOfRange, {}},
        TypedValueRow{"UInt16Negative", "-1", InspectedType::UInt16, false, ValueTextProblem::OutOfRange, {}},
        TypedValueRow{"UInt16Hex", "0xBEEF", InspectedType::UInt16, true, ValueTextProblem::None, {0xBE, 0xEF}},
        TypedValueRow{"UInt64Maximum", "18446744073709551615", InspectedType::UInt64, false, ValueTextProblem::None,
                      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        TypedValueRow{"UInt64Overflow", "18446744073709551616", InspectedType::UInt64, false, ValueTextProblem::OutOfRange, {}},
        TypedValueRow{"Int64Minimum", "-9223372036854775808", InspectedType::Int64, true, ValueTextProblem::None,
                      {0x80, 0, 0, 0, 0, 0, 0, 0}},
        TypedValueRow{"NotANumber", "12ab", InspectedType::Int32, false, ValueTextProblem::NotANumber, {}},
        TypedValueRow{"Empty", "  ", InspectedType::UInt32, false, ValueTextProblem::NotANumber, {}},
        TypedValueRow{"Float32One", "1", InspectedType::Float32, true, ValueTextProblem::None, {0x3F, 0x80, 0, 0}},
        TypedValueRow{"Float32TooLarge", "1e39", InspectedType::Float32, false, ValueTextProblem::OutOfRange, {}},
        TypedValueRow{"Float32Infinity", "-inf", InspectedType::Float32, true, ValueTextProblem::None, {0xFF, 0x80, 0, 0}},
        TypedValueRow{"Float64Half", "0.5", InspectedType::Float64, false, ValueTextProblem::None, {0, 0, 0, 0, 0, 0, 0xE0, 0x3F}},
        TypedValueRow{"Float64TooLarge", "1e400", InspectedType::Float64, false, ValueTextProblem::OutOfRange, {}},
        TypedValueRow{"FloatNotANumber", "1.5x", InspectedType::Float64, false, ValueTextProblem::NotANumber, {}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
