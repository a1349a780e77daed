#pragma once
// The embossed look of a disabled button image: the image's dark shape drawn once in the
// 3-D highlight colour one pixel right and down, and once in the shadow colour on top, so
// that it looks pressed into the surface.

// Qt
#include <QColor>
#include <QImage>

namespace vtx {

struct EmbossColors {
    QColor highlight;     // the 3-D highlight (QPalette::Light)
    QColor shadow;        // the 3-D shadow (QPalette::Dark)
    QColor background;    // what the image is drawn on; used by the colour variant only
};

// Which pixels of an image count as "dark" for the monochrome emboss: every opaque pixel
// that is not pure white. (A page's white paper stays out of the shape; its outline and
// writing are in it.)
[[nodiscard]] bool IsEmbossInk(QRgb pixel);

// Makes the embossed copy of source, same size and device pixel ratio, transparent where
// nothing is drawn. The highlight copy is offset by the device pixel ratio (rounded), so
// the look scales with the image; what falls outside the image is cut off.
//
// inColor false: every ink pixel becomes the highlight colour (offset copy), then the
// shadow colour. inColor true: each pixel is mixed bit by bit from the brush colour where
// the image is dark and from what lies beneath where it is light, as a raster operation
// on a colour copy would: beneath is the background colour, or the highlight pass.
[[nodiscard]] QImage EmbossImage(const QImage& source, const EmbossColors& colors,
                                 bool inColor = false);

} // namespace vtx
