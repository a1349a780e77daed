// The order of the code list and what the table makes of overlapping codes.
#include "colors/ColorCodeList.h"
#include "colors/ColorTable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using vtx::ColorCodeList;
using vtx::ColorPair;
using vtx::ColorTable;

namespace {

constexpr ColorPair kRed{0x0000FF, 0x0000FF};
constexpr ColorPair kBlue{0xFF0000, 0xFF0000};
constexpr ColorPair kGreen{0x00FF00, 0x008000};
constexpr ColorPair kBlack{};

std::vector<std::string> Codes(const ColorCodeList& list)
{
    std::vector<std::string> codes;
    for (const auto& entry : list)
        codes.push_back(entry.first);
    return codes;
}

// The values that got exactly this pair.
std::vector<int> ValuesWith(const ColorTable& table, ColorPair pair)
{
    std::vector<int> values;
    for (int v = 0; v < 256; ++v)
        if (table.Entry(static_cast<std::uint8_t>(v)) == pair)
            values.push_back(v);
    return values;
}

std::vector<int> Span(int from, int to)
{
    std::vector<int> values;
    for (int v = from; v <= to; ++v)
        values.push_back(v);
    return values;
}

} // namespace

TEST(ColorCodeListOrder, ByteWiseOrderOfCodeTexts)
{
    ColorCodeList list;
    for (const char* code : {"61-7A", "41", "20", "0D-2D", "0D", "\xE9", "7a"})
        list.Set(code, kRed);
    // Shorter before longer when one is a prefix of the other; bytes compare unsigned, so
    // a high byte sorts after every ASCII character.
    EXPECT_EQ(Codes(list), (std::vector<std::string>{"0D", "0D-2D", "20", "41", "61-7A", "7a", "\xE9"}));
}

TEST(ColorCodeListOrder, SetReplacesFindAndRemove)
{
    ColorCodeList list;
    list.Set("41", kRed);
    list.Set("41", kBlue);
    EXPECT_EQ(list.Size(), 1u);
    ASSERT_NE(list.Find("41"), nullptr);
    EXPECT_EQ(*list.Find("41"), kBlue);
    EXPECT_EQ(list.Find("42"), nullptr);
    EXPECT_FALSE(list.Remove("42"));
    EXPECT_TRUE(list.Remove("41"));
    EXPECT_TRUE(list.Empty());
}

TEST(ColorTableApply, EmptyListLeavesEverythingBlack)
{
    ColorTable table;
    ColorCodeList list;
    list.Set("00-FF", kRed);
    table.Apply(list);
    table.Apply(ColorCodeList{});
    EXPECT_EQ(ValuesWith(table, kBlack).size(), 256u);
}

TEST(ColorTableApply, SingleCodeColoursOnlyItsByteInBothColumns)
{
    ColorTable table;
    ColorCodeList list;
    list.Set("41", ColorPair{0x0000FF, 0xFF0000});
    table.Apply(list);
    EXPECT_EQ(table.HexColor(0x41), 0x0000FFu);
    EXPECT_EQ(table.AsciiColor(0x41), 0xFF0000u);
    EXPECT_EQ(ValuesWith(table, kBlack).size(), 255u);
}

TEST(ColorTableApply, LaterCodeTextWinsWhereRangesOverlap)
{
    ColorTable table;
    ColorCodeList list;
    list.Set("20", kBlue);
    list.Set("0D-2D", kRed);
    list.Set("41", kGreen);
    table.Apply(list);
    std::vector<int> red = Span(0x0D, 0x1F);
    for (int v : Span(0x21, 0x2D))
        red.push_back(v);
    EXPECT_EQ(ValuesWith(table, kRed), red);
    EXPECT_EQ(ValuesWith(table, kBlue), std::vector<int>{0x20});
    EXPECT_EQ(ValuesWith(table, kGreen), std::vector<int>{0x41});
}

TEST(ColorTableApply, RangesWrapPastFFAndFinishAtOnce)
{
    ColorTable table;
    ColorCodeList list;
    list.Set("F0-10F", kRed);
    table.Apply(list);
    std::vector<int> red = Span(0x00, 0x0F);
    for (int v : Span(0xF0, 0xFF))
        red.push_back(v);
    EXPECT_EQ(ValuesWith(table, kRed), red);

    list.Clear();
    list.Set("0-FFFFFFFF", kBlue);
    list.Set("1-7FFFFFFF", kGreen);
    const auto start = std::chrono::steady_clock::now();
    table.Apply(list);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    // "1-7FFFFFFF" sorts after "0-FFFFFFFF" and spans all 256 values too.
    EXPECT_EQ(ValuesWith(table, kGreen).size(), 256u);
}

TEST(ColorTableApply, InvalidCodesColourNothing)
{
    ColorTable table;
    ColorCodeList list;
    for (const char* code : {"2D-0D", "0D-", "1-2-3", ""})
        list.Set(code, kRed);
    table.Apply(list);
    EXPECT_EQ(ValuesWith(table, kBlack).size(), 256u);
}

TEST(ColorTableApply, ApplyStartsFromBlackEachTime)
{
    ColorTable table;
    ColorCodeList first;
    first.Set("00-7F", kRed);
    table.Apply(first);
    ColorCodeList second;
    second.Set("41", kBlue);
    table.Apply(second);
    EXPECT_EQ(ValuesWith(table, kBlue), std::vector<int>{0x41});
    EXPECT_EQ(ValuesWith(table, kRed).size(), 0u);
}
