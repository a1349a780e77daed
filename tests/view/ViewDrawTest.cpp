// What the view draws: addresses, cells, short rows, the display characters, the colours of
// the colour codes, the selection, and the printed page.
#include "ViewHarness.h"

#include "colors/ColorCodesFile.h"
#include "view/QtColor.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QPrinter>

namespace vtx::test {
namespace {

QColor Base(const QWidget& w)
{
    return w.palette().color(QPalette::Base);
}

// True when every pixel of the rectangle has the colour.
bool AllPixels(const QImage& image, const QRect& area, const QColor& color)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != color)
                return false;
    return true;
}

TEST(ViewDrawing, NothingForAnEmptyFileOrADocumentWithoutFile)
{
    ViewHarness empty(QByteArray{}, 5);
    const QImage image = empty.Grab();
    EXPECT_TRUE(AllPixels(image, empty.View().ClientRect(), Base(empty.View())));
    EXPECT_TRUE(empty.View().reads.size() <= 1u) << "a read at 0 ends the drawing";

    FakeFrame frame;
    CVantorixDoc closed;
    CountingView view(&closed);
    view.resize(400, 200);
    const QImage blank = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(AllPixels(blank, view.ClientRect(), Base(view)));
    EXPECT_TRUE(view.reads.empty());
}

TEST(ViewDrawing, SecondRowShowsItsAddressInGrey)
{
    ViewHarness harness(Counting(32), 5);
    CVantorixView& view = harness.View();
    const QImage image = harness.Grab();

    // The address as the view's own font draws it, at the same place.
    const QRect area(view.LeftMargin(), view.RowPitch(), kAddressChars * view.CharWidth(), view.RowPitch());
    QImage expected(area.size(), QImage::Format_RGB32);
    expected.fill(Base(view));
    {
        QPainter painter(&expected);
        painter.setFont(view.Font());
        painter.setPen(ToQColor(0x9B9B9B));
        painter.drawText(0, QFontMetrics(view.Font()).ascent(), QStringLiteral("00000010:"));
    }
    EXPECT_EQ(image.copy(area), expected);
    EXPECT_NE(image.copy(area.translated(0, -view.RowPitch())), expected) << "row 0 shows 00000000:";
}

TEST(ViewDrawing, ShortLastRowDrawsOnlyItsBytesAndNothingBelow)
{
    ViewHarness harness(Counting(20), 5);
    const QImage image = harness.Grab();
    const QColor base = Base(harness.View());
    for (int column = 0; column < 16; ++column) {
        for (const bool hex : {true, false}) {
            const QRect cell = harness.CellRect(column, 1, hex);
            EXPECT_EQ(AllPixels(image, cell, base), column >= 4)
                << (hex ? "hex" : "ascii") << " cell " << column << " of the short row";
        }
    }
    // The row after the data is not drawn at all, not even its address.
    const QRect below(0, 2 * harness.View().RowPitch(), harness.View().ClientRect().width(), harness.View().RowPitch());
    EXPECT_TRUE(AllPixels(image, below, base));
}

TEST(ViewDrawing, ControlBytesShowAsDotsAndHighBytesAsTheirGlyphs)
{
    ViewHarness harness(Bytes({0x01, 0x2E, 0x1F, 0x41, 0xE9, 0x7F, 0x00}), 3);
    const QImage image = harness.Grab();
    const auto ascii = [&](int column) { return image.copy(harness.CellRect(column, 0, false)); };
    EXPECT_EQ(ascii(0), ascii(1));
    EXPECT_EQ(ascii(2), ascii(1));
    EXPECT_EQ(ascii(6), ascii(1));
    EXPECT_NE(ascii(3), ascii(1));
    EXPECT_NE(ascii(4), ascii(1));
    EXPECT_NE(ascii(4), ascii(3));
}

TEST(ViewDrawing, ColourCodesColourTheHexAndAsciiCells)
{
    TempDir dir;
    const QString colorsPath = dir.Write(QStringLiteral("colors.dat"), QByteArray("41,255,16711680\r\n"));
    ViewHarness harness(QByteArray("AB"), 3, false);
    harness.Frame().colors.Apply(LoadColorCodes(colorsPath.toStdString()));
    const QImage image = harness.Grab();

    const QRect hexA = harness.CellRect(0, 0, true);
    const QRect asciiA = harness.CellRect(0, 0, false);
    EXPECT_GT(CountInk(image, hexA, Ink::Red), 0);
    EXPECT_EQ(CountInk(image, hexA, Ink::Blue), 0);
    EXPECT_GT(CountInk(image, asciiA, Ink::Blue), 0);
    EXPECT_EQ(CountInk(image, asciiA, Ink::Red), 0);
    // A byte without a code is black in both columns.
    for (const bool hex : {true, false}) {
        const QRect cell = harness.CellRect(1, 0, hex);
        EXPECT_GT(CountPixels(image, cell, [](const QColor& c) { return IsDarkInk(c); }), 0);
        EXPECT_EQ(CountInk(image, cell, Ink::Red) + CountInk(image, cell, Ink::Blue), 0);
    }
}

TEST(ViewDrawing, SelectionIsHighlightedInBothColumnsWithBothEnds)
{
    ViewHarness harness(Counting(64), 5);
    CVantorixView& view = harness.View();
    const QColor highlight = view.palette().color(QPalette::Highlight);
    const auto highlighted = [&](const QImage& image, int column, bool hex) {
        return CountPixels(image, harness.CellRect(column, 0, hex), [&](const QColor& c) { return c == highlight; }) > 0;
    };
    const auto expectSelected = [&](int first, int last) {
        const QImage image = harness.Grab();
        for (int column = 0; column < 16; ++column) {
            const bool inside = first <= column && column <= last;
            EXPECT_EQ(highlighted(image, column, true), inside) << "hex " << column;
            EXPECT_EQ(highlighted(image, column, false), inside) << "ascii " << column;
        }
    };

    // Made in the hex column from left to right...
    harness.Drag(harness.CellPoint(2, 0, true), harness.CellPoint(5, 0, true), {harness.CellPoint(3, 0, true)});
    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("Start 2, End 5"));
    expectSelected(2, 5);
    // ...or in the ASCII column from right to left: the same bytes.
    harness.Drag(harness.CellPoint(5, 0, false), harness.CellPoint(2, 0, false));
    EXPECT_EQ(view.SelectionAnchor(), 5u);
    EXPECT_EQ(view.SelectionEnd(), 2u);
    expectSelected(2, 5);
    // Dragging back onto the anchor selects that one byte; a click alone selects nothing.
    harness.Drag(harness.CellPoint(7, 0, true), harness.CellPoint(7, 0, true), {harness.CellPoint(9, 0, true)});
    expectSelected(7, 7);
    harness.Click(harness.CellPoint(9, 0, true));
    EXPECT_EQ(view.SelectionEnd(), kNoSelection);
    expectSelected(1, 0);
}

TEST(ViewDrawing, DragAboveTheWindowSelectsToTheFileStart)
{
    ViewHarness harness(Counting(64), 5);
    harness.Drag(harness.CellPoint(3, 1, true), QPoint(harness.CellLeft(2, true), -3 * harness.View().RowPitch()));
    EXPECT_EQ(harness.View().SelectionAnchor(), 19u);
    EXPECT_EQ(harness.View().SelectionEnd(), 0u);
}

TEST(ViewPrinting, PrintsTheRowsTheWindowShows)
{
    ViewHarness harness(Counting(16 * 100), 6);
    CountingView& view = harness.View();
    view.OnVScroll(ScrollCode::PageDown);
    harness.Settle();

    TempDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.Path(QStringLiteral("page.pdf")));
    {
        QPainter painter(&printer);
        view.OnPrint(painter, printer);
    }
    const std::uint32_t top = view.TopRow() * 16;
    ASSERT_EQ(view.reads.size(), 7u) << "six whole rows and the partly shown one";
    EXPECT_EQ(view.reads.front(), top);
    EXPECT_EQ(view.reads.back(), top + 6 * 16);
    EXPECT_GT(QFile(dir.Path(QStringLiteral("page.pdf"))).size(), 1000);
}

} // namespace
} // namespace vtx::test
