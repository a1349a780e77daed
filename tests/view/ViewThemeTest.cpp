// The view on light and dark themes: its background and default text, and the shipped
// colour codes in the variant for the palette, all readable (4.5 to 1 or better).
#include "ViewHarness.h"

#include "colors/Contrast.h"
#include "colors/ShippedColorCodes.h"
#include "view/QtColor.h"
#include "view/ViewColors.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>

namespace vtx::test {
namespace {

QPalette PaletteWith(QColor base, QColor text)
{
    QPalette palette(base.lightness() < 128 ? QColor(0x35, 0x35, 0x35) : QColor(0xEF, 0xEF, 0xEF));
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::WindowText, text);
    return palette;
}

TEST(ViewTheme, BackgroundTextAndShippedCodesReadWellOnLightAndDarkPalettes)
{
    const struct {
        const char* name;
        QPalette palette;
        bool dark;
    } themes[] = {
        {"the application's own", QApplication::palette(), false},
        {"white", PaletteWith(Qt::white, Qt::black), false},
        {"light grey", PaletteWith(QColor(0xF0, 0xF0, 0xF0), QColor(0x20, 0x20, 0x20)), false},
        {"black", PaletteWith(Qt::black, Qt::white), true},
        {"blue-black", PaletteWith(QColor(0x23, 0x26, 0x29), QColor(0xFC, 0xFC, 0xFC)), true},
        {"dark grey", PaletteWith(QColor(0x2A, 0x2A, 0x2A), QColor(0xE0, 0xE0, 0xE0)), true},
        {"dark grey, dim text", PaletteWith(QColor(0x35, 0x35, 0x35), QColor(0x60, 0x60, 0x60)), true},
    };
    for (const auto& theme : themes) {
        SCOPED_TRACE(theme.name);
        EXPECT_EQ(IsDarkPalette(theme.palette), theme.dark);
        const ViewColors colors = ViewColorsFor(theme.palette);
        EXPECT_EQ(colors.background, theme.palette.color(QPalette::Base));
        const ColorRef background = ToColorRef(colors.background);
        EXPECT_GE(ContrastRatio(background, ToColorRef(colors.text)), kReadableContrast);

        ColorTable table;
        table.Apply(ToColorCodeList(ShippedColorCodeLines(theme.dark)));
        for (int v = 0; v < 256; ++v) {
            const auto value = static_cast<std::uint8_t>(v);
            ASSERT_TRUE(table.IsCoded(value)) << v;
            EXPECT_GE(ContrastRatio(background, table.HexColor(value)), kReadableContrast) << "hex " << v;
            EXPECT_GE(ContrastRatio(background, table.AsciiColor(value)), kReadableContrast) << "ascii " << v;
        }
    }
    // The shipped file is the compiled-in light list.
    EXPECT_EQ(LoadColorCodes(VANTORIX_SOURCE_DIR "/res/colors.dat"), ToColorCodeList(ShippedColorCodeLines(false)));
    EXPECT_EQ(LoadColorCodes(VANTORIX_SOURCE_DIR "/res/colors-dark.dat"), ToColorCodeList(ShippedColorCodeLines(true)));
}

TEST(ViewTheme, OnADarkPaletteUncodedBytesAreLightAndCodedOnesReadableOrAsWritten)
{
    ViewHarness harness(QByteArray("AB"), 3, false);
    harness.View().setPalette(PaletteWith(QColor(0x2A, 0x2A, 0x2A), QColor(0xE0, 0xE0, 0xE0)));
    // The user's code: 41 red in the hex column and black in the ASCII column, on purpose.
    ColorCodeList codes;
    codes.Set("41", {0x0000FF, 0});
    harness.Frame().colors.Apply(codes);
    const QImage image = harness.Grab();

    const auto light = [](const QColor& c) { return c.red() > 170 && c.green() > 170 && c.blue() > 170; };
    const auto black = [](const QColor& c) { return IsDarkInk(c, 10); };
    for (const bool hex : {true, false}) {
        const QRect uncoded = harness.CellRect(1, 0, hex);
        EXPECT_GT(CountPixels(image, uncoded, light), 0) << hex;
        EXPECT_EQ(CountPixels(image, uncoded, black), 0) << "the background is the palette's, not black";
    }
    // Kept readable: the red stays red, the black becomes a grey that reads on the dark.
    EXPECT_GT(CountInk(image, harness.CellRect(0, 0, true), Ink::Red), 0);
    EXPECT_EQ(CountPixels(image, harness.CellRect(0, 0, false), black), 0);
    EXPECT_GT(CountPixels(image, harness.CellRect(0, 0, false), [](const QColor& c) { return c.lightness() > 120; }), 0);

    // As written, when the user turns the rule off.
    struct Restore {
        ~Restore() { SetMinimumContrastEnabled(true); }
    } restore;
    SetMinimumContrastEnabled(false);
    const QImage exact = harness.Grab();
    EXPECT_GT(CountInk(exact, harness.CellRect(0, 0, true), Ink::Red), 0);
    EXPECT_GT(CountPixels(exact, harness.CellRect(0, 0, false), black), 0);
    EXPECT_EQ(CountPixels(exact, harness.CellRect(0, 0, false), light), 0);
}

} // namespace
} // namespace vtx::test
