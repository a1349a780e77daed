// The toolbar resource format, the program's own toolbars, and the embossed disabled look.
#include "chrome/Emboss.h"
#include "chrome/ToolbarResource.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <set>

namespace vtx {
namespace {

// The button layouts of the editor's four toolbars.
const std::map<int, std::vector<int>> kToolbars = {
    {128, {57601, 57603, 0, 57635, 57634, 57637, 0, 57607, 0, 32784, 57664}},
    {131, {32771, 0, 32772}},
    {133, {32776, 0, 32777, 0, 32778}},
    {135, {32779, 0, 32780}},
};

bool HasInk(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
    return false;
}

TEST(ToolbarResource, TheProgramsToolbarsHaveAnImageForEveryButtonAtBothScales)
{
    for (const auto& [id, ids] : kToolbars) {
        SCOPED_TRACE(id);
        QString error;
        const auto resource = LoadToolbarResource(id, DefaultToolbarDirectory(), &error);
        ASSERT_TRUE(resource.has_value()) << error.toStdString();
        EXPECT_EQ(resource->layout.ids, ids);
        EXPECT_EQ(resource->layout.imageSize, QSize(16, 15));

        std::set<QByteArray> distinct;
        for (int k = 0; k < resource->ImageCount(); ++k) {
            const QImage one = resource->Image(k, 1);
            const QImage two = resource->Image(k, 2);
            EXPECT_EQ(one.size(), QSize(16, 15));
            EXPECT_EQ(two.size(), QSize(32, 30));
            EXPECT_EQ(two.devicePixelRatio(), 2.0);
            EXPECT_TRUE(HasInk(one) && HasInk(two)) << "image " << k;
            distinct.insert(QByteArray(reinterpret_cast<const char*>(one.constBits()),
                                       one.sizeInBytes()));
        }
        // The main toolbar's buttons all look different.
        if (id == 128) {
            EXPECT_EQ(static_cast<int>(distinct.size()), resource->ImageCount());
        }
    }
}

TEST(ToolbarResource, BrokenLayoutsAreRefusedWithAReason)
{
    const char* const good = "version 1\nimage 16 15\nitems 3\nids 1 0 2\n";
    ASSERT_TRUE(ParseToolbarLayout(good).has_value());
    EXPECT_EQ(ParseToolbarLayout("# a comment\n\n" + QByteArray(good))->ids, (std::vector<int>{1, 0, 2}));

    const std::vector<std::pair<QByteArray, QString>> broken = {
        {"version 2\nimage 16 15\nitems 1\nids 1\n", "version 2"},
        {"version 1\nimage 16 15\nitems 4\nids 1 0 2\n", "4 items"},
        {"version 1\nimage 16\nitems 1\nids 1\n", "\"image\" takes 2"},
        {"version 1\nimage 0 15\nitems 1\nids 1\n", "1 to 256"},
        {"version 1\nimage 16 15\nitems 1\nids 70000\n", "70000"},
        {"version 1\nimage 16 15\nitems 1\nids x\n", "whole numbers"},
        {"version 1\nimage 16 15\nitems 1\nids 1\ncolour 3\n", "unknown keyword"},
        {"version 1\nimage 16 15\nids 1\n", "needs the lines"},
        // The line is named, and the reason follows it whole.
        {"# head\nversion 1\nimage 16\nitems 1\nids 1\n", "Line 3: \"image\" takes 2 number(s)."},
        {"version 1\nimage 16 15\nitems 99999\nids 1\n", "Line 3: a toolbar holds 0 to"},
        {"version 1\nimage 16 15 x\nitems 1\nids 1\n", "Line 2: \"image\" must be followed by whole numbers."},
        {"version 1\nimage 16 15\nitems 1\nids 1\n\ncolour 3\n", "Line 6: unknown keyword \"colour\"."},
    };
    for (const auto& [text, reason] : broken) {
        QString error;
        EXPECT_FALSE(ParseToolbarLayout(text, &error).has_value()) << text.toStdString();
        EXPECT_TRUE(error.contains(reason)) << error.toStdString();
    }
}

TEST(ToolbarResource, ImagesMustMatchTheLayout)
{
    test::TempDir dir;
    dir.Write("toolbar7.txt", "version 1\nimage 4 3\nitems 3\nids 10 0 11\n");
    QString error;
    EXPECT_FALSE(LoadToolbarResource(7, dir.Path(), &error).has_value());
    EXPECT_TRUE(error.contains("image strip")) << error.toStdString();

    // Two images of 4 by 3 make an 8 by 3 strip; a strip of another size is refused.
    QImage wrong(12, 3, QImage::Format_ARGB32);
    wrong.fill(Qt::red);
    ASSERT_TRUE(wrong.save(dir.Path("toolbar7.png")));
    EXPECT_FALSE(LoadToolbarResource(7, dir.Path(), &error).has_value());
    EXPECT_TRUE(error.contains("8 by 3")) << error.toStdString();

    QImage strip(8, 3, QImage::Format_ARGB32);
    strip.fill(Qt::blue);
    ASSERT_TRUE(strip.save(dir.Path("toolbar7.png")));
    // A 2x strip of the wrong size is not used.
    ASSERT_TRUE(wrong.save(dir.Path("toolbar7@2x.png")));
    const auto resource = LoadToolbarResource(7, dir.Path(), &error);
    ASSERT_TRUE(resource.has_value()) << error.toStdString();
    EXPECT_EQ(resource->ImageCount(), 2);
    EXPECT_TRUE(resource->images2x.isNull());
    EXPECT_TRUE(resource->Image(2).isNull());
}

TEST(Emboss, InkGetsTheShadowWithAHighlightCopyOnePixelRightAndDown)
{
    const EmbossColors colors{QColor(0xFFFFFF), QColor(0x808080), QColor(0xC0C0C0)};
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(1, 1, qRgb(0, 0, 0));          // ink
    image.setPixel(0, 3, qRgb(255, 255, 255));    // white paper: no ink

    const QImage mono = EmbossImage(image, colors);
    EXPECT_EQ(mono.pixel(1, 1), qRgb(0x80, 0x80, 0x80));
    EXPECT_EQ(mono.pixel(2, 2), qRgb(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(qAlpha(mono.pixel(0, 3)), 0);
    EXPECT_EQ(qAlpha(mono.pixel(0, 0)), 0);

    // At device pixel ratio 2 the highlight copy is two pixels off.
    QImage twice = image.scaled(8, 8);
    twice.setDevicePixelRatio(2);
    const QImage big = EmbossImage(twice, colors);
    EXPECT_EQ(big.devicePixelRatio(), 2.0);
    EXPECT_EQ(big.pixel(3, 3), qRgb(0x80, 0x80, 0x80));
    EXPECT_EQ(big.pixel(5, 5), qRgb(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(qAlpha(big.pixel(6, 6)), 0);
}

TEST(Emboss, TheColourVariantMixesBrushAndBackgroundBitByBit)
{
    const EmbossColors colors{QColor(0xFFFFFF), QColor(0x808080), QColor(0xC0C0C0)};
    QImage image(3, 3, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(0, 0, qRgb(0, 0, 0xFF));

    const QImage colour = EmbossImage(image, colors, true);
    // Highlight pass over the background: (blue & C0C0C0) | (~blue & FFFFFF).
    EXPECT_EQ(colour.pixel(1, 1), qRgb(0xFF, 0xFF, 0xC0));
    // Shadow pass: (blue & C0C0C0) | (~blue & 808080).
    EXPECT_EQ(colour.pixel(0, 0), qRgb(0x80, 0x80, 0xC0));
}

TEST(Emboss, ButtonIconsCarryTheEmbossedLookAsTheirDisabledMode)
{
    const auto resource = LoadToolbarResource(128);
    ASSERT_TRUE(resource.has_value());
    DisabledLook look = DisabledLookFor(QPalette());
    look.colors.highlight = QColor(0x00FF00);
    look.colors.shadow = QColor(0x0000FF);

    const auto opaqueColours = [](const QIcon& icon) {
        const QImage image = icon.pixmap(QSize(16, 15), 1.0, QIcon::Disabled).toImage();
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) == 255)
                    colours.insert(image.pixel(x, y) & 0xFFFFFF);
        return colours;
    };
    EXPECT_EQ(opaqueColours(ButtonIcon(*resource, 0, look)), (std::set<QRgb>{0x00FF00, 0x0000FF}));

    // With the style's own disabled look, the style greys the image instead.
    look.bUseDrawState = true;
    const std::set<QRgb> styled = opaqueColours(ButtonIcon(*resource, 0, look));
    EXPECT_FALSE(styled.empty());
    EXPECT_EQ(styled.count(0x00FF00) + styled.count(0x0000FF), 0u);
}

} // namespace
} // namespace vtx
