// The minimum contrast rule: every colour a code can have, drawn on light and dark
// backgrounds, reads at 4.5:1 or better, keeps its hue, and is left alone when it already
// reads.
#include "colors/Contrast.h"
#include "colors/ShippedColorCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

using vtx::ColorRef;

struct Rgb {
    int r, g, b;
};

Rgb Channels(ColorRef c)
{
    return {static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF)};
}

// Hue in degrees, or a negative value for a grey, whose hue means nothing.
double HueDegrees(ColorRef c)
{
    const Rgb v = Channels(c);
    const int high = std::max({v.r, v.g, v.b});
    const int low = std::min({v.r, v.g, v.b});
    if (high - low < 24)
        return -1;
    const double chroma = high - low;
    double h = 0;
    if (high == v.r)
        h = std::fmod((v.g - v.b) / chroma + 6, 6);
    else if (high == v.g)
        h = (v.b - v.r) / chroma + 2;
    else
        h = (v.r - v.g) / chroma + 4;
    return h * 60;
}

double HueDistance(double a, double b)
{
    const double d = std::fabs(a - b);
    return std::min(d, 360 - d);
}

struct Background {
    const char* name;
    ColorRef color;
};

// Light and dark palettes' window backgrounds (0x00BBGGRR), among them a tinted dark one.
const Background kBackgrounds[] = {
    {"white", 0xFFFFFF}, {"light_grey", 0xEFEFEF}, {"cream", 0xE0F8FF},   {"black", 0x000000},
    {"dark_grey", 0x2A2A2A}, {"mid_grey", 0x777777}, {"dark_navy", 0x3A1E1E},
};

std::vector<ColorRef> EveryCodeColour()
{
    std::set<ColorRef> colours;
    for (const bool dark : {false, true})
        for (const vtx::ColorCodeLine& line : vtx::ShippedColorCodeLines(dark))
            colours.insert({line.colors.hex & 0xFFFFFF, line.colors.ascii & 0xFFFFFF});
    // And a few a user picks: the primaries, black and white, a pale yellow, a dark brown.
    for (const ColorRef user : {0x0000FFu, 0x00FF00u, 0xFF0000u, 0x000000u, 0xFFFFFFu, 0x80FFFFu, 0x103050u,
                                0x808080u, 0xFF00FFu})
        colours.insert(user);
    return {colours.begin(), colours.end()};
}

class MinimumContrast : public ::testing::TestWithParam<Background>
{
};

TEST_P(MinimumContrast, EveryColourReadsKeepsItsHueAndReadableOnesStay)
{
    const ColorRef background = GetParam().color;
    for (const ColorRef colour : EveryCodeColour()) {
        SCOPED_TRACE(::testing::Message() << std::hex << "colour " << colour);
        const ColorRef shown = vtx::WithMinimumContrast(colour, background);
        EXPECT_GE(vtx::ContrastRatio(shown, background), vtx::kReadableContrast);
        if (vtx::ContrastRatio(colour, background) >= vtx::kReadableContrast) {
            EXPECT_EQ(shown, colour);
            continue;
        }
        // The hue survives wherever the result still has a colour to speak of.
        const double before = HueDegrees(colour);
        const double after = HueDegrees(shown);
        if (before >= 0 && after >= 0)
            EXPECT_LT(HueDistance(before, after), 12.0) << std::hex << "shown " << shown;
        // Just far enough: the colour half-way back towards the original does not read.
        const Rgb a = Channels(colour);
        const Rgb b = Channels(shown);
        const auto mid = [](int x, int y) { return (x + 3 * y) / 4; };
        const ColorRef nearer = static_cast<ColorRef>(mid(a.r, b.r)) | (static_cast<ColorRef>(mid(a.g, b.g)) << 8)
                                | (static_cast<ColorRef>(mid(a.b, b.b)) << 16);
        if (nearer != shown)
            EXPECT_LT(vtx::ContrastRatio(nearer, background), vtx::kReadableContrast) << std::hex << "shown " << shown;
    }
}

INSTANTIATE_TEST_SUITE_P(Backgrounds, MinimumContrast, ::testing::ValuesIn(kBackgrounds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MinimumContrastDirection, ABlueOnBlackBecomesALighterBlueNotWhite)
{
    const ColorRef blue = 0xFF0000; // 0x00BBGGRR
    const ColorRef shown = vtx::WithMinimumContrast(blue, 0x000000);
    const Rgb v = Channels(shown);
    EXPECT_NE(shown, 0xFFFFFFu);
    EXPECT_GT(v.b, v.r);
    EXPECT_GT(v.b, v.g);
    EXPECT_GT(vtx::RelativeLuminance(shown), vtx::RelativeLuminance(blue));

    // A pale yellow on white goes darker, still yellow.
    const ColorRef yellow = 0x80FFFF;
    const ColorRef darker = vtx::WithMinimumContrast(yellow, 0xFFFFFF);
    EXPECT_LT(vtx::RelativeLuminance(darker), vtx::RelativeLuminance(yellow));
    const Rgb y = Channels(darker);
    EXPECT_GT(y.r, y.b);
    EXPECT_GT(y.g, y.b);
}

TEST(MinimumContrastDirection, OnAMidGreyTheNearerWayWinsAndTheTopByteIsIgnored)
{
    // On 767676 both black and white reach 4.5: a light grey goes lighter, a dark one darker.
    const ColorRef grey = 0x767676;
    EXPECT_GT(vtx::RelativeLuminance(vtx::WithMinimumContrast(0x909090, grey)), vtx::RelativeLuminance(0x909090));
    EXPECT_LT(vtx::RelativeLuminance(vtx::WithMinimumContrast(0x5A5A5A, grey)), vtx::RelativeLuminance(0x5A5A5A));
    // On 777777 white falls short (4.48): even a light grey must go dark.
    EXPECT_LT(vtx::RelativeLuminance(vtx::WithMinimumContrast(0x909090, 0x777777)), vtx::RelativeLuminance(0x909090));
    // A colour read from a file as a negative number keeps only its RGB bytes.
    EXPECT_EQ(vtx::WithMinimumContrast(0xFF000000u, 0xFFFFFF), 0u);
}

} // namespace
