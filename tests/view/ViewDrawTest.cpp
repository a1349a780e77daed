// What the view draws: addresses, cells, short rows, the display characters, the colours of
// the colour codes, the selection, and the printed page.
#include "ViewHarness.h"

#include "colors/ColorCodesFile.h"
#include "view/DisplayCharacters.h"
#include "view/QtColor.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
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
    const QRect area(view.LeftMargin(), view.RowPitch(), (view.AddressDigits() + 1) * view.CharWidth(), view.RowPitch());
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

TEST(ViewDrawing, AddressesKeepEightDigitsUpToFourGibibytesAndWidenPastThem)
{
    const int narrowHexLeft = ViewHarness(Counting(32), 5).View().HexLeft();
    struct Case {
        FilePos length;
        int digits;
        const char* lastAddress;
        const char* caretText;
    };
    const Case cases[] = {
        {FilePos{1} << 32, 8, "FFFFFFF0:", "Offset: FFFFFFFF (4294967295)"},
        {(FilePos{1} << 32) + 1, 10, "0100000000:", "Offset: 0100000000 (4294967296)"},
        {FilePos{64} << 30, 10, "0FFFFFFFF0:", "Offset: 0FFFFFFFFF (68719476735)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lastAddress);
        ViewHarness harness(SparseFile{c.length, {{c.length - 1, QByteArray("Z")}}}, 5);
        CVantorixView& view = harness.View();
        EXPECT_EQ(view.AddressDigits(), c.digits);
        EXPECT_EQ(view.HexLeft(), narrowHexLeft + (c.digits - 8) * view.CharWidth());
        harness.Press(Qt::Key_End);
        EXPECT_EQ(view.LastHit().filePos, c.length - 1);
        EXPECT_EQ(harness.ByteAt(c.length - 1), 'Z');
        EXPECT_EQ(harness.Frame().caretPosition, QString::fromLatin1(c.caretText));

        // The caret's row shows the address in full, as the view's font draws it.
        const QImage image = harness.Grab();
        const QRect area(view.LeftMargin(), view.LastHit().row * view.RowPitch(), (c.digits + 1) * view.CharWidth(), view.RowPitch());
        QImage expected(area.size(), QImage::Format_RGB32);
        expected.fill(Base(view));
        {
            QPainter painter(&expected);
            painter.setFont(view.Font());
            painter.setPen(ToQColor(0x9B9B9B));
            painter.drawText(0, QFontMetrics(view.Font()).ascent(), QString::fromLatin1(c.lastAddress));
        }
        EXPECT_EQ(image.copy(area), expected);
    }
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

// The view's font, narrowed as the view narrows it, in each face "Courier" may become.
TEST(ViewDrawing, BytesWithoutAVisibleGlyphShowAsDotsInEveryFace)
{
    ViewHarness harness(QByteArray(1, '\0'), 1, false);
    for (const char* family : {"Nimbus Mono PS", "Liberation Mono", "DejaVu Sans Mono"}) {
        QFont font = harness.View().Font();
        font.setFamily(QString::fromLatin1(family));
        if (!QFontInfo(font).family().startsWith(QString::fromLatin1(family))) {
            ADD_FAILURE() << family << " is not installed";
            continue;
        }
        const std::array<QString, 256> shown = DisplayCharacters(font);
        const QFontMetrics metrics(font);
        const auto ink = [&](const QString& text) {
            QImage image(4 * metrics.maxWidth(), 2 * metrics.height(), QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                painter.setFont(font);
                painter.setPen(Qt::black);
                painter.drawText(metrics.maxWidth(), metrics.height(), text);
            }
            // Thin strokes ('|', '_') are light grey when anti-aliased: any clear mark counts.
            return CountPixels(image, image.rect(), [](const QColor& c) { return qGray(c.rgb()) < 200; });
        };
        for (int v = 0; v < 256; ++v) {
            const bool invisible = v < 0x20 || (v >= 0x7F && v <= 0xA0) || v == 0xAD;
            const QString own(QChar::fromLatin1(static_cast<char>(v)));
            if (invisible) {
                EXPECT_EQ(shown[v], QStringLiteral(".")) << family << " byte " << v;
            } else if (v == ' ') {
                EXPECT_EQ(shown[v], QStringLiteral(" ")) << family;
            } else if (shown[v] == own) {
                EXPECT_GT(ink(own), 0) << family << " byte " << v << " is drawn as nothing";
            } else {
                EXPECT_EQ(ink(own), 0) << family << " byte " << v << " has a glyph but shows as "
                                       << shown[v].toStdString();
            }
        }
        EXPECT_EQ(shown['A'], QStringLiteral("A")) << family;
        EXPECT_EQ(shown[0xE9], QString(QChar(0xE9))) << family;
    }
}

TEST(ViewDrawing, TheCaretCellIsOutlinedInTheOtherColumn)
{
    ViewHarness harness(Counting(64), 5);
    CVantorixView& view = harness.View();
    // The outline's top edge: a whole row of pixels in the text colour.
    const auto outlined = [&](const QImage& image, int column, bool hex) {
        const QRect cell = harness.CellRect(column, 1, hex);
        return CountPixels(image, QRect(cell.left(), cell.top(), cell.width(), 1), [](const QColor& c) { return IsDarkInk(c); }) == cell.width();
    };
    EXPECT_FALSE(outlined(harness.Grab(), 3, false)) << "no caret yet";
    harness.Click(harness.CellPoint(3, 1, true));
    QImage shown = harness.ScreenImage();
    EXPECT_TRUE(outlined(shown, 3, false));
    EXPECT_FALSE(outlined(shown, 3, true));
    EXPECT_FALSE(outlined(shown, 4, false));
    // It follows the caret, into the hex column too, and what the window shows after each
    // move is what a full repaint shows.
    harness.Press(Qt::Key_Right);
    shown = harness.ScreenImage();
    EXPECT_TRUE(outlined(shown, 4, false));
    EXPECT_FALSE(outlined(shown, 3, false));
    harness.Click(harness.CellPoint(9, 1, false));
    shown = harness.ScreenImage();
    EXPECT_TRUE(outlined(shown, 9, true));
    EXPECT_FALSE(outlined(shown, 4, false));
    view.repaint();
    EXPECT_EQ(shown, harness.ScreenImage());
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

TEST(ViewDrawing, ADragBelowTheDataSelectsOnlyWhatItPassesOver)
{
    ViewHarness harness(Counting(20), 5);
    CVantorixView& view = harness.View();
    // Entirely in the empty area: nothing, not the last byte.
    harness.Drag(harness.CellPoint(10, 1, true), harness.CellPoint(2, 3, true), {harness.CellPoint(6, 2, false)});
    EXPECT_EQ(view.SelectionEnd(), kNoSelection);
    EXPECT_FALSE(harness.Frame().caretPosition.contains(QStringLiteral("Selected")));
    // From the empty area onto the data: the bytes from there to the end.
    harness.Drag(harness.CellPoint(10, 1, true), harness.CellPoint(2, 1, true));
    EXPECT_EQ(std::min(view.SelectionAnchor(), view.SelectionEnd()), 18u);
    EXPECT_EQ(std::max(view.SelectionAnchor(), view.SelectionEnd()), 19u);
    // From the data below it: up to the last byte, as before.
    harness.Drag(harness.CellPoint(1, 1, true), harness.CellPoint(4, 3, true));
    EXPECT_EQ(view.SelectionAnchor(), 17u);
    EXPECT_EQ(view.SelectionEnd(), 19u);
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
