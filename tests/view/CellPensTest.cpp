// The colour each byte is drawn in, decided without a painter: coded colours kept
// readable on the view's background unless the user wants them exact, uncoded bytes in
// the theme's text colour.
#include "colors/ColorCodeList.h"
#include "colors/Contrast.h"
#include "view/QtColor.h"
#include "view/ViewColors.h"

#include <gtest/gtest.h>

namespace vtx {
namespace {

struct RestoreContrastSwitch {
    ~RestoreContrastSwitch() { SetMinimumContrastEnabled(true); }
};

ColorTable TableOf(std::initializer_list<std::pair<const char*, ColorPair>> codes)
{
    ColorCodeList list;
    for (const auto& [code, colors] : codes)
        list.Set(code, colors);
    ColorTable table;
    table.Apply(list);
    return table;
}

ViewColors Theme(QColor background, QColor text)
{
    ViewColors theme;
    theme.background = background;
    theme.text = text;
    theme.dark = IsDarkBackground(ToColorRef(background));
    return theme;
}

double Contrast(const QColor& a, const QColor& b)
{
    return ContrastRatio(ToColorRef(a), ToColorRef(b));
}

TEST(CellPens, CodedColoursReadOnEitherPaletteAndExactlyWhenAskedFor)
{
    RestoreContrastSwitch restore;
    // A user's black (41), a pale yellow (42) and a readable red (43), in both columns.
    const ColorTable table =
        TableOf({{"41", {0x000000, 0x000000}}, {"42", {0x80FFFF, 0x80FFFF}}, {"43", {0x0000C0, 0x0000C0}}});
    const ViewColors light = Theme(Qt::white, Qt::black);
    const ViewColors dark = Theme(QColor(0x2A, 0x2A, 0x2A), QColor(0xEE, 0xEE, 0xEE));

    for (const ViewColors& theme : {light, dark}) {
        SCOPED_TRACE(theme.dark ? "dark" : "light");
        const CellPens& pens = CellPensFor(table, theme);
        for (int v = 0; v < 256; ++v) {
            const auto value = static_cast<std::uint8_t>(v);
            EXPECT_GE(Contrast(pens.Hex(value), theme.background), kReadableContrast) << v;
            EXPECT_GE(Contrast(pens.Ascii(value), theme.background), kReadableContrast) << v;
        }
        // Uncoded bytes take the theme's text colour; a readable code stays as it is.
        EXPECT_EQ(pens.Hex(0x30), theme.text);
        if (!theme.dark)
            EXPECT_EQ(pens.Hex(0x43), ToQColor(0x0000C0));
    }
    // The pale yellow becomes a darker yellow on white, the black a grey on the dark one.
    const QColor yellow = CellPensFor(table, light).Hex(0x42);
    EXPECT_GT(yellow.red(), yellow.blue());
    EXPECT_LT(yellow.lightness(), ToQColor(0x80FFFF).lightness());
    EXPECT_GT(CellPensFor(table, dark).Ascii(0x41).lightness(), 100);

    // Exact colours when the user turns the rule off.
    SetMinimumContrastEnabled(false);
    EXPECT_EQ(CellPensFor(table, dark).Ascii(0x41), QColor(Qt::black));
    EXPECT_EQ(CellPensFor(table, light).Hex(0x42), ToQColor(0x80FFFF));
    EXPECT_EQ(CellPensFor(table, dark).Hex(0x30), dark.text);

    // A changed table is seen at once.
    SetMinimumContrastEnabled(true);
    const ColorTable other = TableOf({{"41", {0x0000C0, 0x00C000}}});
    EXPECT_EQ(CellPensFor(other, light).Hex(0x41), ToQColor(0x0000C0));
    EXPECT_EQ(CellPensFor(other, light).Hex(0x42), light.text);
}

} // namespace
} // namespace vtx
