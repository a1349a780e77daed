#include "DisplayCharacters.h"

// this program
#include "view/ViewGeometry.h"

// Qt
#include <QFontMetrics>

namespace vtx {

namespace {

bool HasInk(const QFontMetrics& metrics, std::uint8_t c)
{
    const QChar ch = QChar::fromLatin1(static_cast<char>(c));
    // A character the font (with its fallbacks) has no glyph for draws as the missing-glyph
    // box. The tight bounding box is that of the shaped text, so a character the text
    // engine hides (the soft hyphen) or that has no outline (the no-break space) is empty.
    return metrics.inFont(ch) && !metrics.tightBoundingRect(QString(ch)).isEmpty();
}

} // namespace

bool HasVisibleGlyph(const QFont& font, std::uint8_t c)
{
    return HasInk(QFontMetrics(font), c);
}

std::array<QString, 256> DisplayCharacters(const QFont& font)
{
    const QFontMetrics metrics(font);
    std::array<QString, 256> texts;
    for (int v = 0; v < 256; ++v) {
        const auto value = static_cast<std::uint8_t>(v);
        char shown = DisplayChar(value);
        if (value != ' ' && shown != '.' && !HasInk(metrics, value))
            shown = '.';
        texts[static_cast<std::size_t>(v)] = QString(QChar::fromLatin1(shown));
    }
    return texts;
}

} // namespace vtx
