// Reading code texts: the rules colors.dat was always read with.
#include "colors/ParseCodeRange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

using vtx::CodeRange;
using vtx::ParseCodeRange;

TEST(ParseCodeRange, SingleCodesAndRanges)
{
    EXPECT_EQ(ParseCodeRange("41"), (CodeRange{0x41, 0x41}));
    EXPECT_EQ(ParseCodeRange("0D-2D"), (CodeRange{0x0D, 0x2D}));
    EXPECT_EQ(ParseCodeRange("61-7a"), (CodeRange{0x61, 0x7A}));
    EXPECT_EQ(ParseCodeRange("0d-0d"), (CodeRange{0x0D, 0x0D}));
    EXPECT_EQ(ParseCodeRange("F0-10F"), (CodeRange{0xF0, 0x10F}));
    // The low part of "-2D" is empty and reads as 0.
    EXPECT_EQ(ParseCodeRange("-2D"), (CodeRange{0x00, 0x2D}));
    EXPECT_EQ(ParseCodeRange("-"), (CodeRange{0, 0}));
    // Beyond 7FFFFFFF a number reads as 7FFFFFFF.
    EXPECT_EQ(ParseCodeRange("0-FFFFFFFFFF"), (CodeRange{0, 0x7FFFFFFF}));
    EXPECT_EQ(ParseCodeRange("0x41"), (CodeRange{0x41, 0x41}));
}

TEST(ParseCodeRange, InvalidTextsGiveLowMinusOne)
{
    EXPECT_EQ(ParseCodeRange("").low, -1);
    EXPECT_EQ(ParseCodeRange("2D-0D").low, -1);
    EXPECT_EQ(ParseCodeRange("0D-").low, -1);       // high 0 is below 0D
    EXPECT_EQ(ParseCodeRange("0D-2D-3D").low, -1);
    EXPECT_EQ(ParseCodeRange("--").low, -1);
    EXPECT_FALSE(ParseCodeRange("7A-61").IsValid());
    EXPECT_TRUE(ParseCodeRange("0-0").IsValid());
}

TEST(SplitCodeText, SplitsAtTheFirstDashOnly)
{
    const auto range = vtx::SplitCodeText("0D-2D");
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(range->low, "0D");
    EXPECT_EQ(range->high, "2D");
    EXPECT_TRUE(range->hasDash);
    const auto single = vtx::SplitCodeText("41");
    ASSERT_TRUE(single.has_value());
    EXPECT_EQ(single->low, "41");
    EXPECT_TRUE(single->high.empty());
    EXPECT_FALSE(single->hasDash);
    EXPECT_FALSE(vtx::SplitCodeText("1-2-3").has_value());
}
