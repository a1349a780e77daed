// The hex view's drawing: the paint, the rows with their address and cells, and printing.
#include "CVantorixView.h"

// this program
#include "view/CVantorixViewShared.h"
#include "view/IMainFrameServices.h"
#include "view/QtColor.h"
#include "view/ViewColors.h"

// Qt
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>

// std
#include <algorithm>

namespace vtx {

using namespace view_detail;

namespace {

// The address column's grey, as a colour code value.
constexpr ColorRef kAddressColor = 0x9B9B9B;

// Every drawn cell is one of 256 texts; making them once keeps painting free of
// allocations.
const std::array<QString, 256>& HexTexts()
{
    static const std::array<QString, 256> texts = [] {
        std::array<QString, 256> made;
        for (int v = 0; v < 256; ++v)
            made[static_cast<std::size_t>(v)] = QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
        return made;
    }();
    return texts;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Drawing

void CVantorixView::paintEvent(QPaintEvent* event)
{
    // Only the drawing area counts: what lies under the scroll bar is the bar's to paint,
    // and it often comes in the same paint as a strip that a scroll uncovered.
    const QRegion dirty = event->region() & ClientRect();
    QPainter painter(this);
    const QColor background = ViewColorsFor(palette()).background;
    for (const QRect& part : dirty)
        painter.fillRect(part, background);
    OnDraw(painter, dirty.boundingRect());
    // The caret's cell in the other column is outlined, so the byte under the caret is
    // seen at a glance in both columns. It does not blink.
    if (const QRect twin = CaretTwinRect(); !twin.isEmpty()) {
        painter.setPen(palette().color(QPalette::Text));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(twin.adjusted(0, 0, -1, -1));
    }
    if (m_bCaretCreated && m_bCaretOn) {
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(CaretRect(), Qt::white);
    }
}

void CVantorixView::OnDraw(QPainter& dc, const QRect& dirtyPx)
{
    const CVantorixDoc* doc = GetDocument();
    if (!doc || !doc->IsFileOpen()) {
        m_nDrawMode = -1;
        return;
    }
    const int clientHeight = ClientHeight();
    if (m_bRecalcScroll) {
        RecalcScrollRange(clientHeight);
        m_bRecalcScroll = false;
    }

    // After a one-line scroll only the uncovered rows are asked for. Anything else that
    // needs painting at the same time (a blink, a resize) widens the draw to the visible
    // rows in the dirty area.
    const RowSpan dirtyRows = dirtyPx.isEmpty()
                                  ? RowSpan{}
                                  : RowsInBand(Scroll(), m_nRowPitch, dirtyPx.top(), dirtyPx.bottom() + 1);
    RowSpan rows = DrawRowSpan(Scroll(), m_nRowPitch, m_nLineHeight, clientHeight, m_nDrawMode);
    if (m_nDrawMode == -1 || !rows.Contains(dirtyRows)) {
        const RowSpan visible = DrawRowSpan(Scroll(), m_nRowPitch, m_nLineHeight, clientHeight, -1);
        rows = {std::max(visible.first, dirtyRows.first), std::min(visible.end, dirtyRows.end)};
    }
    TraceLazy([&] {
        return QStringLiteral("draw rows %1 to %2, mode %3").arg(rows.first).arg(rows.end).arg(m_nDrawMode);
    });
    m_nDrawMode = -1;
    DrawRows(dc, rows, dirtyPx);
}

// What every cell of one paint is drawn with.
struct CVantorixView::RowPaint {
    ViewColors theme;
    const CellPens& pens;
    QColor highlight;
    QColor highlightText;
};

void CVantorixView::DrawRows(QPainter& dc, const RowSpan& rows, const QRect& dirtyPx)
{
    CVantorixDoc* doc = GetDocument();
    if (!doc || rows.Empty())
        return;
    const ViewColors theme = ViewColorsFor(palette());
    const RowPaint paint{theme, CellPensFor(MainFrameServices().GetColorTable(), theme),
                         palette().color(QPalette::Highlight), palette().color(QPalette::HighlightedText)};
    const auto bytes = static_cast<std::uint32_t>(m_nBytesPerLine);

    m_rowBuffer.resize(bytes);
    dc.setFont(m_font);
    QString readFailure;
    for (std::uint64_t row = rows.first; row < rows.end; ++row) {
        const FilePos start = row * bytes;
        const RowBytes got = ReadRowForDrawing(*doc, start, readFailure);
        if (got.delivered < 1)
            break;
        const int y = ToInt(RowTopPx(row, m_nRowPitch, Scroll()));
        DrawAddress(dc, paint, start, y);
        for (const bool hex : {true, false})
            DrawCells(dc, paint, start, y, got, hex, dirtyPx);
    }
    // Said once for each new failure, not on every paint.
    if (!readFailure.isEmpty() && readFailure != m_readFailureShown)
        SetStatus(readFailure);
    m_readFailureShown = readFailure;
}

CVantorixView::RowBytes CVantorixView::ReadRowForDrawing(CVantorixDoc& doc, FilePos start, QString& readFailure)
{
    const auto bytes = static_cast<std::uint32_t>(m_nBytesPerLine);
    std::fill(m_rowBuffer.begin(), m_rowBuffer.end(), static_cast<std::uint8_t>('.'));
    const std::int32_t n = ReadRow(m_rowBuffer.data(), bytes, start);
    RowBytes got;
    got.readable = n > 0 ? std::min(static_cast<std::uint32_t>(n), bytes) : 0;
    got.delivered = got.readable;
    if (got.readable == bytes)
        return got;
    // A short row is the end of the file, or bytes that cannot be read: those are drawn as
    // ?? cells, never left blank, and the rows below are still drawn.
    const FilePos length = FileLength();
    const auto inFile = static_cast<std::uint32_t>(start < length ? std::min<FilePos>(bytes, length - start) : 0);
    if (got.readable >= inFile)
        return got;
    const ReadOutcome outcome = doc.ReadPresented(m_rowBuffer.data(), bytes, start);
    got.readable = std::min(outcome.count, inFile);
    if (outcome.Failed()) {
        got.delivered = inFile;
        if (readFailure.isEmpty())
            readFailure = doc.ReadFailureText(start + got.readable, outcome.error);
    } else {
        got.delivered = got.readable;
    }
    return got;
}

void CVantorixView::DrawAddress(QPainter& dc, const RowPaint& paint, FilePos start, int y)
{
    const auto bytes = static_cast<std::uint32_t>(m_nBytesPerLine);
    const QString address = QString::fromLatin1(AddressText(start, m_nAddressDigits));
    // A marked row (a bookmark in it) shows its address in the highlight colours.
    const bool marked = m_rowMarker && m_rowMarker(start, start + bytes);
    dc.fillRect(QRect(m_nLeftMargin, y, (m_nAddressDigits + 1) * m_nCharWidth, m_nRowPitch),
                marked ? paint.highlight : paint.theme.background);
    dc.setPen(marked ? paint.highlightText : ToQColor(kAddressColor));
    dc.drawText(m_nLeftMargin, y + m_nAscent, address);
}

void CVantorixView::DrawCells(QPainter& dc, const RowPaint& paint, FilePos start, int y, const RowBytes& got,
                              bool hex, const QRect& dirtyPx)
{
    // Each byte is its own opaque cell, so each can have its own colours.
    const auto bytes = static_cast<std::uint32_t>(m_nBytesPerLine);
    const int cellWidth = hex ? 2 * m_nCharWidth : m_nCharWidth;
    const int baseline = y + m_nAscent;
    const QColor& window = paint.theme.background;
    for (std::uint32_t i = 0; i < got.delivered; ++i) {
        // Cells outside the area being painted would be clipped anyway; a long row stays
        // cheap this way.
        const int x = m_columnX[hex ? i : bytes + i];
        if (x > dirtyPx.right())
            break;
        if (x + cellWidth <= dirtyPx.left())
            continue;
        const bool selected = IsSelected(start + i, m_nSelAnchor, m_nSelEnd);
        if (i >= got.readable) {
            dc.fillRect(QRect(x, y, cellWidth, m_nRowPitch), selected ? paint.highlight : window);
            dc.setPen(selected ? paint.highlightText : paint.theme.text);
            dc.drawText(x, baseline, hex ? QStringLiteral("??") : QStringLiteral("?"));
            continue;
        }
        const std::uint8_t value = m_rowBuffer[i];
        QColor background = selected ? paint.highlight : window;
        if (!selected && m_cellBackground)
            if (const std::optional<QColor> own = m_cellBackground(start + i, value))
                background = *own;
        dc.fillRect(QRect(x, y, cellWidth, m_nRowPitch), background);
        dc.setPen(selected ? paint.highlightText : hex ? paint.pens.Hex(value) : paint.pens.Ascii(value));
        dc.drawText(x, baseline, hex ? HexTexts()[value] : m_charTexts[value]);
    }
}

void CVantorixView::OnPrint(QPainter& painter, QPrinter& printer)
{
    // The page shows the rows the window shows. Taken as printer dots the screen's pixels
    // would print too small to read, so they are scaled to their size on screen, or down
    // to the page's width when a row is wider.
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const int rowWidth = m_columnX.empty() ? width() : m_columnX.back() + m_nLeftMargin;
    double scale = static_cast<double>(printer.resolution()) / std::max(1, logicalDpiY());
    if (rowWidth * scale > page.width())
        scale = static_cast<double>(page.width()) / rowWidth;
    painter.save();
    painter.scale(scale, scale);
    const int saveMode = m_nDrawMode;
    m_nDrawMode = -1;
    // Whole rows, also where the window cuts them off on the right.
    OnDraw(painter, QRect(0, 0, std::max(rowWidth, width()), ClientHeight()));
    m_nDrawMode = saveMode;
    painter.restore();
}

} // namespace vtx
