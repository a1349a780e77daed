#include "chrome/Emboss.h"

// std
#include <cmath>
#include <vector>

namespace vtx {

bool IsEmbossInk(QRgb pixel)
{
    return qAlpha(pixel) >= 128 && (pixel & 0xFFFFFFu) != 0xFFFFFFu;
}

QImage EmbossImage(const QImage& source, const EmbossColors& colors, bool inColor)
{
    const QImage src = source.convertToFormat(QImage::Format_ARGB32);
    const int w = src.width();
    const int h = src.height();
    const int offset = std::max(1, static_cast<int>(std::lround(src.devicePixelRatio())));

    // The work copy: white where the image is transparent; the image's own colours (colour
    // variant) or black for ink and white for the rest (monochrome variant).
    std::vector<QRgb> work(static_cast<size_t>(w) * static_cast<size_t>(h), 0xFFFFFFu);
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb p = line[x];
            if (qAlpha(p) < 128)
                continue;
            work[static_cast<size_t>(y) * w + x] =
                inColor ? (p & 0xFFFFFFu) : (IsEmbossInk(p) ? 0u : 0xFFFFFFu);
        }
    }

    // The canvas starts as the background, untouched (transparent in the result).
    std::vector<QRgb> canvas(work.size(), colors.background.rgb() & 0xFFFFFFu);
    std::vector<bool> touched(work.size(), false);
    // Brush where the work copy is black, canvas where it is white, bit by bit between.
    const auto pass = [&](int dx, int dy, QRgb brush) {
        brush &= 0xFFFFFFu;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const QRgb s = work[static_cast<size_t>(y) * w + x];
                if (s == 0xFFFFFFu)
                    continue;
                const int tx = x + dx;
                const int ty = y + dy;
                if (tx >= w || ty >= h)
                    continue;
                const size_t t = static_cast<size_t>(ty) * w + tx;
                canvas[t] = (s & canvas[t]) | (~s & brush & 0xFFFFFFu);
                touched[t] = true;
            }
        }
    };
    pass(offset, offset, colors.highlight.rgb());
    pass(0, 0, colors.shadow.rgb());

    QImage result(w, h, QImage::Format_ARGB32);
    result.setDevicePixelRatio(src.devicePixelRatio());
    for (int y = 0; y < h; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            line[x] = touched[i] ? (0xFF000000u | canvas[i]) : 0u;
        }
    }
    return result;
}

} // namespace vtx
