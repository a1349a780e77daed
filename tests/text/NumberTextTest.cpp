// Reading numbers from text: the rules colors.dat and the address boxes were always read
// with (strtol with a 32-bit long, clamped unsigned reading).
#include "text/NumberText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

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
