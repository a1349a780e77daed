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

namespace {

bool g_minimumContrast = true;

} // namespace

bool MinimumContrastEnabled()
{
    return g_minimumContrast;
}

void SetMinimumContrastEnabled(bool on)
{
    g_minimumContrast = on;
}

void CellPens::Build(const ColorTable& table, const ViewColors& theme, bool minimumContrast)
{
    const ColorRef background = ToColorRef(theme.background);
    const auto pen = [&](ColorRef coded) {
        return ToQColor(minimumContrast ? WithMinimumContrast(coded, background) : coded);
    };
    for (int v = 0; v < 256; ++v) {
        const auto value = static_cast<std::uint8_t>(v);
        if (!table.IsCoded(value)) {
            m_hex[value] = m_ascii[value] = theme.text;
            continue;
        }
        m_hex[value] = pen(table.HexColor(value));
        m_ascii[value] = pen(table.AsciiColor(value));
    }
}

const CellPens& CellPensFor(const ColorTable& table, const ViewColors& theme)
{
    // One cache for all views: they share the frame's table and, almost always, a palette.
    struct Cache {
        bool valid = false;
        ColorTable table;
        QRgb background = 0;
        QRgb text = 0;
        bool minimumContrast = true;
        CellPens pens;
    };
    static Cache cache;
    const bool on = MinimumContrastEnabled();
    if (!cache.valid || cache.background != theme.background.rgb() || cache.text != theme.text.rgb()
        || cache.minimumContrast != on || !(cache.table == table)) {
        cache.table = table;
        cache.background = theme.background.rgb();
        cache.text = theme.text.rgb();
        cache.minimumContrast = on;
        cache.pens.Build(table, theme, on);
        cache.valid = true;
    }
    return cache.pens;
}

} // namespace vtx
