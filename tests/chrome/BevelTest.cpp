// The one-pixel 3-D frame and its colours: which edge owns which corner, and which colour
// group a palette's colours come from.
#include "chrome/Bevel.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <string>
#include <vector>

namespace vtx {
namespace {

// The frame painted into a small image, one letter a pixel: T for the top-left colour, B
// for the bottom-right one, '.' for what was there before.
std::vector<std::string> Painted(const QRect& r, BevelCorners corners)
{
    QImage image(6, 5, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PaintBevel(painter, r, Qt::red, Qt::blue, corners);
    }
    std::vector<std::string> rows;
    for (int y = 0; y < image.height(); ++y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            row += pixel == qRgb(255, 0, 0) ? 'T' : pixel == qRgb(0, 0, 255) ? 'B' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(Bevel, EachEdgeOwnsItsCornersAndNothingSpillsOutside)
{
    const QRect r(1, 1, 4, 3);
    EXPECT_EQ(Painted(r, BevelCorners::BottomRight),
              (std::vector<std::string>{"......", ".TTTB.", ".T..B.", ".BBBB.", "......"}));
    EXPECT_EQ(Painted(r, BevelCorners::OneEach),
              (std::vector<std::string>{"......", ".TTTB.", ".T..B.", ".TBBB.", "......"}));
    // An empty rectangle draws nothing, rather than a frame around its flipped edges.
    for (const BevelCorners corners : {BevelCorners::BottomRight, BevelCorners::OneEach})
        EXPECT_EQ(Painted(QRect(2, 2, 0, 3), corners), (std::vector<std::string>(5, "......")));
}

TEST(Bevel, ColoursComeFromTheCurrentGroupUnlessOneIsNamed)
{
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Window, QColor(1, 1, 1));
    palette.setColor(QPalette::Active, QPalette::Light, QColor(2, 2, 2));
    palette.setColor(QPalette::Active, QPalette::Dark, QColor(3, 3, 3));
    palette.setColor(QPalette::Disabled, QPalette::Window, QColor(11, 11, 11));
    palette.setColor(QPalette::Disabled, QPalette::Light, QColor(12, 12, 12));
    palette.setColor(QPalette::Disabled, QPalette::Dark, QColor(13, 13, 13));
    palette.setCurrentColorGroup(QPalette::Disabled);

    const BevelColors current = BevelColorsOf(palette);
    EXPECT_EQ(current.face, QColor(11, 11, 11));
    EXPECT_EQ(current.highlight, QColor(12, 12, 12));
    EXPECT_EQ(current.shadow, QColor(13, 13, 13));
    const BevelColors active = BevelColorsOf(palette, QPalette::Active);
    EXPECT_EQ(active.face, QColor(1, 1, 1));
    EXPECT_EQ(active.highlight, QColor(2, 2, 2));
    EXPECT_EQ(active.shadow, QColor(3, 3, 3));
}

} // namespace
} // namespace vtx
