// Reading code texts and numbers: the rules colors.dat was always read with.
#include "colors/NumberText.h"
#include "colors/ParseCodeRange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

using vtx::CodeRange;
using vtx::ParseCodeRange;

TEST(NumberText, HexReadsLikeStrtolWithA32BitLong)
{
    EXPECT_EQ(vtx::StrToL32("41", 16), 0x41);
    EXPECT_EQ(vtx::StrToL32("  \t0d", 16), 0x0D);
    EXPECT_EQ(vtx::StrToL32("0x1F", 16), 0x1F);
    EXPECT_EQ(vtx::StrToL32("+7a", 16), 0x7A);
    EXPECT_EQ(vtx::StrToL32("2Dzz", 16), 0x2D);
    EXPECT_EQ(vtx::StrToL32("", 16), 0);
    EXPECT_EQ(vtx::StrToL32("G1", 16), 0);
    EXPECT_EQ(vtx::StrToL32("0x", 16), 0);
    EXPECT_EQ(vtx::StrToL32("0xg", 16), 0);
    EXPECT_EQ(vtx::StrToL32("7FFFFFFF", 16), 0x7FFFFFFF);
    EXPECT_EQ(vtx::StrToL32("80000000", 16), 0x7FFFFFFF);
    EXPECT_EQ(vtx::StrToL32("FFFFFFFFFFFFFFFFFFFF", 16), 0x7FFFFFFF);
    EXPECT_EQ(vtx::StrToL32("-80000000", 16), INT32_MIN);
    EXPECT_EQ(vtx::StrToL32("-80000001", 16), INT32_MIN);
}

TEST(NumberText, AgreesWithTheCLibraryWhereLongIs32Bits)
{
    // strtol here has a 64-bit long; clamping its result to 32 bits gives what a 32-bit
    // long would have given.
    const char* samples[] = {"0", "12", " -34", "+0x7f", "0x", "x1", "99999999999", "-99999999999",
                             "2147483647", "2147483648", "-2147483648", "-2147483649", "1e3", "\v\f\r\n5"};
    for (const char* s : samples) {
        for (int base : {10, 16}) {
            long expected = std::strtol(s, nullptr, base);
            expected = std::clamp<long>(expected, INT32_MIN, INT32_MAX);
            EXPECT_EQ(vtx::StrToL32(s, base), expected) << s << " base " << base;
        }
    }
}

TEST(NumberText, UnsignedReadingClampsAndWrapsNegatives)
{
    EXPECT_EQ(vtx::StrToUL32("4294967295", 10), 4294967295u);
    EXPECT_EQ(vtx::StrToUL32("4294967296", 10), 4294967295u);
    EXPECT_EQ(vtx::StrToUL32("FFFFFFFF", 16), 0xFFFFFFFFu);
    EXPECT_EQ(vtx::StrToUL32("100000000", 16), 0xFFFFFFFFu);
    EXPECT_EQ(vtx::StrToUL32("-1", 10), 4294967295u);
    EXPECT_EQ(vtx::StrToUL32("-56", 10), 4294967240u);
    EXPECT_EQ(vtx::StrToUL32("  12ab", 10), 12u);
    EXPECT_EQ(vtx::StrToUL32("", 16), 0u);
    // The same rules up to a wider limit: the goto boxes of a file past 4 GiB.
    constexpr std::uint64_t kTenDigits = 0xFFFFFFFFFF;
    EXPECT_EQ(vtx::StrToULimited("100000000", 16, kTenDigits), 0x100000000u);
    EXPECT_EQ(vtx::StrToULimited("10000000000", 16, kTenDigits), kTenDigits);
    EXPECT_EQ(vtx::StrToULimited("-1", 10, kTenDigits), kTenDigits);
    EXPECT_EQ(vtx::StrToULimited("99999999999999999999999", 10, ~std::uint64_t{0}), ~std::uint64_t{0});
    EXPECT_EQ(vtx::StrToULimited("-2", 10, ~std::uint64_t{0}), ~std::uint64_t{0} - 1);
    EXPECT_EQ(vtx::AtoI32("-5x"), -5);
    EXPECT_EQ(vtx::AtoI32("abc"), 0);
}

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
