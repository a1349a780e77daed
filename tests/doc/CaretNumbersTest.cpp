// The Data Inspector's values, decoded without a window.
#include "document/CaretNumbers.h"

#include <gtest/gtest.h>

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
