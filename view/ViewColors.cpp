#include "view/ViewColors.h"

// this program
#include "colors/Contrast.h"
#include "view/QtColor.h"

namespace vtx {

bool IsDarkPalette(const QPalette& palette)
{
    return IsDarkBackground(ToColorRef(palette.color(QPalette::Base)));
}

ViewColors ViewColorsFor(const QPalette& palette)
{
    ViewColors colors;
    colors.background = palette.color(QPalette::Base);
    const ColorRef background = ToColorRef(colors.background);
    colors.dark = IsDarkBackground(background);
    if (!colors.dark) {
        colors.text = Qt::black;
        return colors;
    }
    const QColor themeText = palette.color(QPalette::Text);
    colors.text = ContrastRatio(ToColorRef(themeText), background) >= kReadableContrast ? themeText : QColor(Qt::white);
    return colors;
}

} // namespace vtx
