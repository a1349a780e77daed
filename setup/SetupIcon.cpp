#include "SetupIcon.h"

// Qt
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vtx {

namespace {

// A dark tile with three rows of coloured byte cells (the editor's colour-coded bytes)
// and a green arrow pointing down into it (setup).
QPixmap DrawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x3a, 0x5f));
    painter.drawRoundedRect(QRectF(0.5, 0.5, size - 1.0, size - 1.0), 2.5 * unit, 2.5 * unit);

    static const QColor cells[3][3] = {
        {QColor(0xe0, 0x4f, 0x4f), QColor(0xf0, 0xc0, 0x40), QColor(0xe8, 0xe8, 0xe8)},
        {QColor(0xe8, 0xe8, 0xe8), QColor(0x4f, 0xa8, 0xe0), QColor(0xe0, 0x4f, 0x4f)},
        {QColor(0xf0, 0xc0, 0x40), QColor(0xe8, 0xe8, 0xe8), QColor(0x4f, 0xa8, 0xe0)},
    };
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            painter.setBrush(cells[row][column]);
            painter.drawRect(QRectF((2 + 3.2 * column) * unit, (2 + 3.2 * row) * unit,
                                    2.4 * unit, 2.4 * unit));
        }

    QPainterPath arrow;
    arrow.moveTo(11.5 * unit, 6.5 * unit);
    arrow.lineTo(14 * unit, 6.5 * unit);
    arrow.lineTo(14 * unit, 10 * unit);
    arrow.lineTo(15.2 * unit, 10 * unit);
    arrow.lineTo(12.75 * unit, 14.5 * unit);
    arrow.lineTo(10.3 * unit, 10 * unit);
    arrow.lineTo(11.5 * unit, 10 * unit);
    arrow.closeSubpath();
    painter.setBrush(QColor(0x4c, 0xc0, 0x5a));
    painter.drawPath(arrow);
    return pixmap;
}

} // namespace

QIcon SetupProgramIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(DrawIcon(size));
    return icon;
}

} // namespace vtx
