#include "colors/Contrast.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace vtx {

namespace {

double Linear(unsigned channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

struct Hsl {
    double h = 0; // 0 to 6, in sixths of the colour circle
    double s = 0;
    double l = 0;
};

Hsl ToHsl(ColorRef color)
{
    const double r = (color & 0xFF) / 255.0;
    const double g = ((color >> 8) & 0xFF) / 255.0;
    const double b = ((color >> 16) & 0xFF) / 255.0;
    const double high = std::max({r, g, b});
    const double low = std::min({r, g, b});
    Hsl hsl;
    hsl.l = (high + low) / 2;
    const double chroma = high - low;
    if (chroma <= 0)
        return hsl;
    hsl.s = chroma / (1 - std::abs(2 * hsl.l - 1));
    if (high == r)
        hsl.h = std::fmod((g - b) / chroma + 6, 6);
    else if (high == g)
        hsl.h = (b - r) / chroma + 2;
    else
        hsl.h = (r - g) / chroma + 4;
    return hsl;
}

ColorRef FromHsl(const Hsl& hsl)
{
    const double chroma = (1 - std::abs(2 * hsl.l - 1)) * std::min(1.0, hsl.s);
    const double x = chroma * (1 - std::abs(std::fmod(hsl.h, 2) - 1));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hsl.h) % 6) {
    case 0: r = chroma, g = x; break;
    case 1: r = x, g = chroma; break;
    case 2: g = chroma, b = x; break;
    case 3: g = x, b = chroma; break;
    case 4: r = x, b = chroma; break;
    default: r = chroma, b = x; break;
    }
    const double m = hsl.l - chroma / 2;
    const auto channel = [m](double v) {
        return static_cast<ColorRef>(std::clamp(std::lround((v + m) * 255), 0L, 255L));
    };
    return channel(r) | (channel(g) << 8) | (channel(b) << 16);
}

// The lightness between from and to (one of 0 or 1) nearest to from whose colour reaches
// the ratio; nullopt when even to does not.
std::optional<ColorRef> ReachTowards(const Hsl& start, double to, ColorRef background, double ratio)
{
    Hsl probe = start;
    probe.l = to;
    const ColorRef extreme = FromHsl(probe);
    if (ContrastRatio(extreme, background) < ratio)
        return std::nullopt;
    // Luminance grows with lightness at a fixed hue and saturation, so the ratio changes
    // monotonically along the way: halve the interval between a failing and a reaching end.
    double failing = start.l;
    double reaching = to;
    ColorRef best = extreme;
    for (int step = 0; step < 24; ++step) {
        probe.l = (failing + reaching) / 2;
        const ColorRef candidate = FromHsl(probe);
        if (ContrastRatio(candidate, background) >= ratio) {
            reaching = probe.l;
            best = candidate;
        } else {
            failing = probe.l;
        }
    }
    return best;
}

} // namespace

ColorRef WithMinimumContrast(ColorRef color, ColorRef background, double ratio)
{
    color &= 0xFFFFFF;
    if (ContrastRatio(color, background) >= ratio)
        return color;
    const Hsl hsl = ToHsl(color);
    // Away from the background first: a dark background wants lighter text.
    const bool lighterFirst = RelativeLuminance(color) >= RelativeLuminance(background);
    const std::optional<ColorRef> first = ReachTowards(hsl, lighterFirst ? 1.0 : 0.0, background, ratio);
    const std::optional<ColorRef> second = ReachTowards(hsl, lighterFirst ? 0.0 : 1.0, background, ratio);
    if (first && second) {
        // Both ways reach it: the smaller change of lightness keeps the colour nearer.
        const double moveFirst = std::abs(ToHsl(*first).l - hsl.l);
        const double moveSecond = std::abs(ToHsl(*second).l - hsl.l);
        return moveSecond < moveFirst ? *second : *first;
    }
    if (first)
        return *first;
    if (second)
        return *second;
    // A ratio no colour reaches on this background: the better of black and white.
    return ContrastRatio(0xFFFFFF, background) >= ContrastRatio(0, background) ? 0xFFFFFF : 0;
}

double RelativeLuminance(ColorRef color)
{
    return 0.2126 * Linear(color & 0xFF) + 0.7152 * Linear((color >> 8) & 0xFF) + 0.0722 * Linear((color >> 16) & 0xFF);
}

double ContrastRatio(ColorRef a, ColorRef b)
{
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDarkBackground(ColorRef background)
{
    // Black or white, whichever reads better, always reaches at least 4.58.
    return ContrastRatio(background, 0xFFFFFF) > ContrastRatio(background, 0);
}

} // namespace vtx
