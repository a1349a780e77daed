#include "CVantorixView.h"

// this program
#include "framework/CWinApp.h"
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "res/CommandIds.h"
#include "view/CDisplaySettingsDlg.h"
#include "view/CFillDlg.h"
#include "view/DisplayPreferences.h"
#include "view/ClipboardText.h"
#include "view/DisplayCharacters.h"
#include "view/IMainFrameServices.h"
#include "view/KeyEventChar.h"
#include "view/ProgressSearch.h"
#include "view/QtColor.h"
#include "view/ViewColors.h"

// Qt
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

// std
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace vtx {

namespace {

// The address column's grey, as a colour code value.
constexpr ColorRef kAddressColor = 0x9B9B9B;
// The display font is asked for as 16 pixels high and 8 wide.
constexpr int kFontWidthPx = 8;

// Three pieces of status text the view shows.
// Where the last display settings chosen are remembered, for the views opened after.
const QString kBytesPerLineKey = QStringLiteral("Settings/BytesPerLine");
const QString kGroupSizeKey = QStringLiteral("Settings/GroupSize");

constexpr const char* kSelectionStatus = "Start %1, End %2";
constexpr const char* kEditStatus = "Edit Byte At: %1, aka %2";
constexpr const char* kScrollStatus = "nMax: %1, m_nMax: %2";

int g_searchProgressDelayMs = 500;
int g_copyProgressDelayMs = 1000;
// The view whose caret the status bar's pane shows; it clears the pane when it goes.
const void* g_caretPane = nullptr;

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

// Trace lines are formatted only when someone listens.
template <typename MakeLine>
void TraceLazy(MakeLine&& make)
{
    if (lcVantorixTrace().isDebugEnabled())
        Trace(make());
}

int ToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min() / 2,
                                                     std::numeric_limits<int>::max() / 2));
}

} // namespace

CVantorixView::CVantorixView(CVantorixDoc* doc, QWidget* parent) : CView(doc, parent)
{
    // Every paint fills what it was asked for, which lets a one-line scroll move the
    // window's pixels and paint only the uncovered rows.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_KeyCompression, false);

    m_pScrollBar = new QScrollBar(Qt::Vertical, this);
    m_pScrollBar->setFocusPolicy(Qt::NoFocus);
    // The view moves when the thumb is released, not while it is dragged.
    m_pScrollBar->setTracking(false);
    m_pScrollBar->setRange(0, 0);
    m_pScrollBar->hide();
    m_pScrollBar->installEventFilter(this);
    connect(m_pScrollBar, &QScrollBar::actionTriggered, this, &CVantorixView::OnScrollBarAction);
    connect(m_pScrollBar, &QScrollBar::sliderReleased, this, &CVantorixView::OnScrollBarReleased);
    // The bar's own context menu sets its value directly ("Scroll Here").
    connect(m_pScrollBar, &QScrollBar::valueChanged, this, &CVantorixView::OnScrollBarValueChanged);

    m_pCaretTimer = new QTimer(this);
    connect(m_pCaretTimer, &QTimer::timeout, this, &CVantorixView::BlinkCaret);

    OnCreate();
}

CVantorixView::~CVantorixView()
{
    if (g_caretPane == this) {
        g_caretPane = nullptr;
        MainFrameServices().ShowCaretPosition(QString());
    }
}

CVantorixDoc* CVantorixView::GetDocument() const
{
    return static_cast<CVantorixDoc*>(CView::GetDocument());
}

void CVantorixView::OnCreate()
{
    // "Courier" at 16 pixels; where the system maps it to another fixed-pitch face, the
    // metrics below are those of the face obtained.
    m_font = QFont(QStringLiteral("Courier"));
    m_font.setPixelSize(16);
    m_font.setStyleHint(QFont::TypeWriter);
    m_font.setFixedPitch(true);
    m_font.setWeight(QFont::Normal);
    m_font.setKerning(false);
    // The request is 16 by 8: the common monospace faces are wider than 8 pixels at this
    // height, so they are narrowed to the width asked for, and a row fits its window.
    if (const int natural = QFontMetrics(m_font).horizontalAdvance(QLatin1Char('0'));
        natural > kFontWidthPx)
        m_font.setStretch(std::max(50, (100 * kFontWidthPx + natural / 2) / natural));
    // A font the user chose in the display settings is taken as it is.
    if (const std::optional<QFont> chosen = ChosenViewFont())
        m_font = *chosen;

    const QFontMetrics metrics(m_font);
    m_nRowPitch = std::max(1, metrics.height());
    m_nLineHeight = m_nRowPitch + std::max(0, metrics.leading());
    m_nCharWidth = metrics.averageCharWidth() > 0 ? metrics.averageCharWidth()
                                                  : metrics.horizontalAdvance(QLatin1Char('0'));
    m_nCharWidth = std::max(1, m_nCharWidth);
    m_nAscent = metrics.ascent();
    m_charTexts = DisplayCharacters(m_font);
    LoadDisplaySettings();
    BuildColumnTable();
}

void CVantorixView::LoadDisplaySettings()
{
    // Only the application's own settings count; a view on its own keeps 16 and 4. A
    // value that a row cannot have is ignored, any group size is taken, as in the dialog.
    const CWinApp* app = AfxGetApp();
    if (!app)
        return;
    const std::unique_ptr<QSettings> settings = app->GetProfile();
    bool ok = false;
    const int bytes = settings->value(kBytesPerLineKey).toInt(&ok);
    if (ok && bytes >= kMinBytesPerLine && bytes <= kMaxBytesPerLine)
        m_nBytesPerLine = bytes;
    const int group = settings->value(kGroupSizeKey).toInt(&ok);
    if (ok)
        m_nGroupSize = group;
}

void CVantorixView::SaveDisplaySettings() const
{
    const CWinApp* app = AfxGetApp();
    if (!app)
        return;
    const std::unique_ptr<QSettings> settings = app->GetProfile();
    settings->setValue(kBytesPerLineKey, m_nBytesPerLine);
    settings->setValue(kGroupSizeKey, m_nGroupSize);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        Trace(QStringLiteral("settings %1 could not be written").arg(settings->fileName()));
}

void CVantorixView::BuildColumnTable()
{
    ColumnLayout layout;
    layout.bytesPerLine = m_nBytesPerLine;
    // Eight digits up to 4 GiB, so every smaller file keeps the layout it always had.
    m_nAddressDigits = vtx::AddressDigits(FileLength());
    layout.addressDigits = m_nAddressDigits;
    layout.leftMarginPx = m_nLeftMargin;
    layout.groupSize = m_nGroupSize;
    layout.byteSpaceChars = m_nByteSpace;
    layout.groupSpaceChars = m_nGroupSpace;
    layout.addressSpaceChars = m_nAddressSpace;
    layout.asciiSpaceChars = m_nAsciiSpace;
    ColumnTable table = BuildColumns(layout, m_nCharWidth);
    m_columnX = std::move(table.columnXPx);
    m_nHexLeft = table.hexLeftPx;
    m_nAsciiLeft = table.asciiLeftPx;
}

FilePos CVantorixView::FileLength() const
{
    const CVantorixDoc* doc = GetDocument();
    return doc && doc->IsFileOpen() ? doc->GetFileLength() : 0;
}

FilePos CVantorixView::ClampToFile(std::int64_t position) const
{
    return position <= 0 ? 0 : ClampToFile(static_cast<FilePos>(position));
}

FilePos CVantorixView::ClampToFile(FilePos position) const
{
    const FilePos length = FileLength();
    return length == 0 ? 0 : std::min(position, length - 1);
}

QRect CVantorixView::ClientRect() const
{
    QRect area = rect();
    if (m_pScrollBar->isVisible())
        area.setRight(m_pScrollBar->geometry().left() - 1);
    return area;
}

QSize CVantorixView::sizeHint() const
{
    const int rowWidth = (m_columnX.empty() ? 0 : m_columnX.back()) + m_nLeftMargin + m_nCharWidth;
    const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pScrollBar);
    return {rowWidth + barWidth, 24 * m_nLineHeight};
}

int CVantorixView::ClientHeight() const
{
    return height();
}

QRect CVantorixView::CaretRect() const
{
    const QPoint at = CaretPos();
    return {at.x(), at.y(), 2, std::max(1, m_nRowPitch - 2)};
}

HitInfo CVantorixView::LastHit() const
{
    const std::uint64_t bytes = static_cast<std::uint64_t>(std::max(m_nBytesPerLine, 1));
    HitInfo hit;
    hit.filePos = m_nCaretPos;
    hit.onHex = m_bCaretOnHex;
    hit.column = static_cast<std::int32_t>(m_nCaretPos % bytes);
    hit.row = static_cast<std::int32_t>(std::clamp<std::int64_t>(WindowRowOf(m_nCaretPos), -(1 << 30), 1 << 30));
    const std::size_t cell = (m_bCaretOnHex ? 0 : bytes) + static_cast<std::size_t>(hit.column);
    hit.x = cell < m_columnX.size() ? m_columnX[cell] : 0;
    // One pixel below the row's top, as a click puts it.
    hit.y = ToInt(RowTopPx(m_nCaretPos / bytes, m_nRowPitch, Scroll()) + 1);
    return hit;
}

QPoint CVantorixView::CaretPos() const
{
    const HitInfo hit = LastHit();
    return {hit.x, hit.y};
}

std::int64_t CVantorixView::WindowRowOf(FilePos position) const
{
    const std::uint64_t row = position / static_cast<std::uint64_t>(std::max(m_nBytesPerLine, 1));
    constexpr std::uint64_t kFar = std::uint64_t{1} << 40;
    if (row >= m_nTopRow)
        return static_cast<std::int64_t>(std::min(row - m_nTopRow, kFar));
    return -static_cast<std::int64_t>(std::min(m_nTopRow - row, kFar));
}

std::int64_t CVantorixView::PageRows() const
{
    return static_cast<std::int64_t>(m_nPage / static_cast<std::uint64_t>(std::max(m_nRowPitch, 1)));
}

ScrollPoint CVantorixView::Limit() const
{
    return ScrollLimit(FileLength(), m_nBytesPerLine, m_nLineHeight, m_nRowPitch, m_nPage);
}

FilePos CVantorixView::MaxCaretPos() const
{
    const ScrollPoint limit = Limit();
    const std::uint64_t bytes = static_cast<std::uint64_t>(std::max(m_nBytesPerLine, 1));
    const std::uint64_t lowest = limit.row + (limit.px > 0 ? 1 : 0) + static_cast<std::uint64_t>(PageRows());
    const std::uint64_t largest = ~FilePos{0} / bytes - 1;
    return (std::min(lowest, largest) + 1) * bytes - 1;
}

QRect CVantorixView::RowsRect(const RowSpan& rows) const
{
    if (rows.Empty())
        return {};
    const int top = ToInt(RowTopPx(rows.first, m_nRowPitch, Scroll()));
    const int bottom = ToInt(RowTopPx(rows.end, m_nRowPitch, Scroll()));
    return QRect(0, top, width(), bottom - top) & ClientRect();
}

std::int32_t CVantorixView::ReadRow(std::uint8_t* buffer, std::uint32_t count, FilePos position)
{
    CVantorixDoc* doc = GetDocument();
    return doc ? doc->ReadBytes(buffer, count, position) : -1;
}

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

void CVantorixView::DrawRows(QPainter& dc, const RowSpan& rows, const QRect& dirtyPx)
{
    CVantorixDoc* doc = GetDocument();
    if (!doc || rows.Empty())
        return;
    const ViewColors theme = ViewColorsFor(palette());
    const CellPens& pens = CellPensFor(MainFrameServices().GetColorTable(), theme);
    const QColor window = theme.background;
    const QColor highlight = palette().color(QPalette::Highlight);
    const QColor highlightText = palette().color(QPalette::HighlightedText);
    const QColor addressColor = ToQColor(kAddressColor);
    const std::uint32_t bytes = static_cast<std::uint32_t>(m_nBytesPerLine);
    const auto& hexTexts = HexTexts();
    const auto& charTexts = m_charTexts;

    m_rowBuffer.resize(bytes);
    dc.setFont(m_font);
    QString readFailure;
    for (std::uint64_t row = rows.first; row < rows.end; ++row) {
        const FilePos start = row * bytes;
        std::fill(m_rowBuffer.begin(), m_rowBuffer.end(), static_cast<std::uint8_t>('.'));
        const std::int32_t n = ReadRow(m_rowBuffer.data(), bytes, start);
        std::uint32_t readable = n > 0 ? std::min(static_cast<std::uint32_t>(n), bytes) : 0;
        std::uint32_t delivered = readable;
        if (readable < bytes) {
            // A short row is the end of the file, or bytes that cannot be read: those are
            // drawn as ?? cells, never left blank, and the rows below are still drawn.
            const FilePos length = FileLength();
            const auto inFile = static_cast<std::uint32_t>(start < length ? std::min<FilePos>(bytes, length - start) : 0);
            if (readable < inFile) {
                const ReadOutcome outcome = doc->ReadPresented(m_rowBuffer.data(), bytes, start);
                readable = std::min(outcome.count, inFile);
                if (outcome.Failed()) {
                    delivered = inFile;
                    if (readFailure.isEmpty())
                        readFailure = doc->ReadFailureText(start + readable, outcome.error);
                } else {
                    delivered = readable;
                }
            }
        }
        if (delivered < 1)
            break;
        const int y = ToInt(RowTopPx(row, m_nRowPitch, Scroll()));
        const int baseline = y + m_nAscent;

        const QString address = QString::fromLatin1(AddressText(start, m_nAddressDigits));
        // A marked row (a bookmark in it) shows its address in the highlight colours.
        const bool marked = m_rowMarker && m_rowMarker(start, start + bytes);
        dc.fillRect(QRect(m_nLeftMargin, y, (m_nAddressDigits + 1) * m_nCharWidth, m_nRowPitch), marked ? highlight : window);
        dc.setPen(marked ? highlightText : addressColor);
        dc.drawText(m_nLeftMargin, baseline, address);

        // Each byte is its own opaque cell, so each can have its own colours.
        for (int side = 0; side < 2; ++side) {
            const bool hex = side == 0;
            const int cellWidth = hex ? 2 * m_nCharWidth : m_nCharWidth;
            for (std::uint32_t i = 0; i < delivered; ++i) {
                // Cells outside the area being painted would be clipped anyway; a long
                // row stays cheap this way.
                const int x = m_columnX[hex ? i : bytes + i];
                if (x > dirtyPx.right())
                    break;
                if (x + cellWidth <= dirtyPx.left())
                    continue;
                const bool selected = IsSelected(start + i, m_nSelAnchor, m_nSelEnd);
                if (i >= readable) {
                    dc.fillRect(QRect(x, y, cellWidth, m_nRowPitch), selected ? highlight : window);
                    dc.setPen(selected ? highlightText : theme.text);
                    dc.drawText(x, baseline, hex ? QStringLiteral("??") : QStringLiteral("?"));
                    continue;
                }
                const std::uint8_t value = m_rowBuffer[i];
                QColor background = selected ? highlight : window;
                if (!selected && m_cellBackground)
                    if (const std::optional<QColor> own = m_cellBackground(start + i, value))
                        background = *own;
                dc.fillRect(QRect(x, y, cellWidth, m_nRowPitch), background);
                dc.setPen(selected ? highlightText : hex ? pens.Hex(value) : pens.Ascii(value));
                dc.drawText(x, baseline, hex ? hexTexts[value] : charTexts[value]);
            }
        }
    }
    // Said once for each new failure, not on every paint.
    if (!readFailure.isEmpty() && readFailure != m_readFailureShown)
        SetStatus(readFailure);
    m_readFailureShown = readFailure;
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

// ---------------------------------------------------------------------------------------
// Scrolling

void CVantorixView::resizeEvent(QResizeEvent* event)
{
    CView::resizeEvent(event);
    LayoutScrollBar();
    RecalcScrollRange(ClientHeight());
}

void CVantorixView::LayoutScrollBar()
{
    const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pScrollBar);
    m_pScrollBar->setGeometry(width() - barWidth, 0, barWidth, height());
}

void CVantorixView::RecalcScrollRange(int clientHeightPx)
{
    const FilePos length = FileLength();
    const auto range = ComputeScrollRangeAt(length, m_nBytesPerLine, m_nRowPitch, clientHeightPx, Scroll());
    if (!range)
        return;
    m_nPage = range->pagePx;
    m_nMax = range->maxPx;
    m_barMapping = ScrollBarMapping::For(range->bottom, m_nPage, m_nRowPitch);
    SetScroll(range->scroll);
    SyncScrollBar();
    TraceLazy([&] {
        return QStringLiteral("scroll range: length %1, client %2, page %3, max %4, top row %5")
            .arg(length).arg(clientHeightPx).arg(m_nPage).arg(m_nMax).arg(m_nTopRow);
    });
}

void CVantorixView::SetScroll(const ScrollPoint& to)
{
    if (to == Scroll())
        return;
    m_nTopRow = to.row;
    m_nScrollOffsetPx = to.px;
    emit scrolled(m_nTopRow);
    emit topRowChanged(m_nTopRow);
}

void CVantorixView::SyncScrollBar()
{
    {
        const QSignalBlocker block(m_pScrollBar);
        m_pScrollBar->setRange(0, m_barMapping.maximum);
        m_pScrollBar->setPageStep(std::max(1, m_barMapping.pageStep));
        // A document mapped by rows moves at least a row per bar step.
        const std::uint64_t unit = m_barMapping.unitRows > 0 ? ~std::uint64_t{0} : m_barMapping.unitPx;
        m_pScrollBar->setSingleStep(std::max<int>(1, static_cast<int>(static_cast<std::uint64_t>(m_nLineHeight) / unit)));
    }
    SetScrollBarPos();
    // A range with nothing to scroll hides the bar.
    const bool wanted = m_barMapping.maximum > 0;
    if (wanted != m_pScrollBar->isVisibleTo(this)) {
        m_pScrollBar->setVisible(wanted);
        update();
    }
}

void CVantorixView::SetScrollBarPos()
{
    // Blocked, so that moving the bar from here never comes back as a scroll command; the
    // slider position is what the bar takes on after an action of its own.
    const QSignalBlocker block(m_pScrollBar);
    const int value = m_barMapping.ToBar(Scroll());
    m_pScrollBar->setValue(value);
    m_pScrollBar->setSliderPosition(value);
}

void CVantorixView::OnScrollBarAction(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        OnVScroll(ScrollCode::LineUp);
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        OnVScroll(ScrollCode::LineDown);
        break;
    case QAbstractSlider::SliderPageStepSub:
        OnVScroll(ScrollCode::PageUp);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        OnVScroll(ScrollCode::PageDown);
        break;
    case QAbstractSlider::SliderToMinimum:
        OnVScroll(ScrollCode::Top);
        break;
    case QAbstractSlider::SliderToMaximum:
        OnVScroll(ScrollCode::Bottom);
        break;
    case QAbstractSlider::SliderMove:
        // Dragging the thumb: the view follows only when it is released.
        if (!m_pScrollBar->isSliderDown())
            OnVScroll(ScrollCode::ThumbTrack);
        return;
    default:
        return;
    }
    // The bar applies its own step after this signal; make it land where the view is.
    SetScrollBarPos();
}

void CVantorixView::OnScrollBarReleased()
{
    OnVScroll(ScrollCode::ThumbPosition);
    SetScrollBarPos();
}

void CVantorixView::OnScrollBarValueChanged()
{
    // The view sets the bar with its signals blocked, and its own actions end with the bar
    // where the view is, so a change that comes here was made on the bar alone: its menu's
    // "Scroll Here". The view moves as for a released thumb.
    if (m_pScrollBar->isSliderDown())
        return;
    OnVScroll(ScrollCode::ThumbPosition);
    SetScrollBarPos();
}

bool CVantorixView::OnVScroll(ScrollCode code)
{
    const ScrollPoint limit = Limit();
    SetStatus(QString::fromLatin1(kScrollStatus).arg(PxFromPoint(limit, m_nRowPitch)).arg(m_nMax));

    std::optional<ScrollPoint> track;
    if (code == ScrollCode::ThumbPosition)
        track = m_barMapping.PointFromBar(m_pScrollBar->sliderPosition());
    const auto target = ScrollTarget(code, Scroll(), limit, m_nLineHeight, m_nRowPitch, m_nPage, track);
    if (!target)
        return false;
    if (code == ScrollCode::LineUp)
        m_nDrawMode = 0;
    else if (code == ScrollCode::LineDown)
        m_nDrawMode = 1;

    const std::int64_t delta = PxBetween(Scroll(), *target, m_nRowPitch);
    SetScroll(*target);
    SetScrollBarPos();
    ScrollPixels(-delta);
    TraceLazy([&] {
        return QStringLiteral("scroll code %1 by %2 to row %3").arg(static_cast<int>(code)).arg(delta).arg(m_nTopRow);
    });

    if (code == ScrollCode::PageUp || code == ScrollCode::PageDown) {
        RepaintNow();
    } else if (code == ScrollCode::LineUp || code == ScrollCode::LineDown) {
        repaint(RowsRect(DrawRowSpan(Scroll(), m_nRowPitch, m_nLineHeight, ClientHeight(), m_nDrawMode)));
    } else {
        repaint(ClientRect());
    }
    return true;
}

void CVantorixView::ScrollTo(const ScrollPoint& to)
{
    const std::int64_t delta = PxBetween(Scroll(), to, m_nRowPitch);
    if (delta == 0)
        return;
    SetScroll(to);
    SetScrollBarPos();
    ScrollPixels(-delta);
}

void CVantorixView::SetTopRow(std::uint64_t row)
{
    ScrollTo(std::min(ScrollPoint{row, 0}, Limit()));
}

void CVantorixView::SetCellBackground(CellBackground provider)
{
    m_cellBackground = std::move(provider);
    update();
}

void CVantorixView::ScrollPixels(std::int64_t dyPx)
{
    if (dyPx == 0)
        return;
    // The caret's rectangle follows from its position, so it moves with these pixels.
    const QRect area = ClientRect();
    if (dyPx >= area.height() || -dyPx >= area.height())
        update(area);
    else
        scroll(0, static_cast<int>(dyPx), area);
}

void CVantorixView::RepaintNow()
{
    repaint(ClientRect());
}

void CVantorixView::OnInitialUpdate()
{
    // The view is made before its document opens the file: only now is its length known.
    MeasureAddressColumn();
}

void CVantorixView::MeasureAddressColumn()
{
    // Past 4 GiB the address column widens with the file (or narrows again).
    if (vtx::AddressDigits(FileLength()) != m_nAddressDigits) {
        BuildColumnTable();
        update();
    }
}

void CVantorixView::OnFileChangedOnDisk()
{
    RecalcScrollRange(ClientHeight());
    MeasureAddressColumn();
    update();
}

void CVantorixView::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0 && event->pixelDelta().y() == 0) {
        // A sideways wheel: the view has nothing to scroll across.
        event->ignore();
        return;
    }
    // Four lines per notch of 120; the small steps of fine wheels and touchpads are gathered
    // until they make a line.
    if (event->phase() == Qt::ScrollBegin)
        m_wheel.Reset();
    const int lines = m_wheel.Add(delta, event->pixelDelta().y(), m_nLineHeight);
    const ScrollCode code = lines > 0 ? ScrollCode::LineUp : ScrollCode::LineDown;
    for (int i = 0; i < std::abs(lines); ++i)
        OnVScroll(code);
    event->accept();
}

bool CVantorixView::eventFilter(QObject* watched, QEvent* event)
{
    // The wheel over the scroll bar scrolls the view the same way.
    if (watched == m_pScrollBar && event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return CView::eventFilter(watched, event);
}

void CVantorixView::GotoPosition(FilePos target)
{
    // A target past the end goes to the last byte.
    const FilePos length = FileLength();
    if (length == 0)
        target = 0;
    else if (target >= length)
        target = length - 1;

    const std::uint64_t bytes = static_cast<std::uint64_t>(m_nBytesPerLine);
    const std::uint64_t pitch = static_cast<std::uint64_t>(m_nRowPitch);
    const std::uint64_t top = m_nTopRow;
    const std::uint64_t rowsShown = static_cast<std::uint64_t>(std::max(0, ClientHeight())) / pitch;
    const std::uint64_t first = top * bytes;
    const std::uint64_t last = (top + rowsShown) * bytes;

    bool onHex = true;
    if (!(first < target && target <= last)) {
        // Out of view (or the top row's first byte): the target's row goes to the top, or
        // as near to it as the limit allows, and the column follows the search type.
        onHex = MainFrameServices().GetSearchType() == SearchType::Hex;
        if (target < first || target >= last)
            ScrollTo(std::min(ScrollPoint{target / bytes, 0}, Limit()));
    }
    TraceLazy([&] { return QStringLiteral("goto %1: top row %2").arg(target).arg(m_nTopRow); });
    TraceLazy([&] {
        return QStringLiteral("goto walk: position %1, window row %2, %3 column")
            .arg(target).arg(WindowRowOf(target)).arg(onHex ? QStringLiteral("hex") : QStringLiteral("ASCII"));
    });
    setFocus();
    SetCaret(target, onHex);
}

// ---------------------------------------------------------------------------------------
// Caret, selection and editing

HitInfo CVantorixView::HitTest(QPoint pointPx, int dc, int dr) const
{
    // The rows are drawn m_nScrollOffsetPx pixels up from the window's row grid.
    HitInfo hit = HitTestCell(m_columnX, m_nBytesPerLine, m_nRowPitch, m_nTopRow, pointPx.x(),
                              pointPx.y() + m_nScrollOffsetPx, dc, dr);
    hit.y -= m_nScrollOffsetPx;
    return hit;
}

void CVantorixView::SetCaret(FilePos position, bool onHex)
{
    PlaceCaret(position, onHex);
    // Every move tells the goto and value boxes and the caret pane.
    UpdateValueBar();
    ShowCaretPosition();
}

void CVantorixView::PlaceCaret(FilePos position, bool onHex)
{
    // Only the caret's old and new places need painting; whatever a scroll uncovered is
    // already waiting and is painted in the same pass.
    const QRect before = CaretRect();
    const QRect twinBefore = CaretTwinRect();
    const bool hadCaret = m_bCaretCreated;
    m_nCaretPos = position;
    m_bCaretOnHex = onHex;
    m_bCaretCreated = true;
    m_bCaretOn = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0)
        m_pCaretTimer->start(flash / 2);
    else
        m_pCaretTimer->stop();
    QRegion dirty(CaretRect());
    dirty += CaretTwinRect();
    if (hadCaret)
        dirty += before;
    dirty += twinBefore;
    repaint(dirty & ClientRect());
    emit caretMoved();
}

void CVantorixView::RevealCaret()
{
    const std::int64_t row = WindowRowOf(m_nCaretPos);
    const std::int64_t rows = PageRows();
    if (row >= 0 && row <= rows)
        return;
    const std::uint64_t caretRow = m_nCaretPos / static_cast<std::uint64_t>(m_nBytesPerLine);
    // Above: the caret's row goes to the top; below: to the lowest row a key may reach.
    const std::uint64_t wanted = row < 0 ? caretRow : caretRow - std::min<std::uint64_t>(caretRow, static_cast<std::uint64_t>(rows));
    ScrollTo(std::min(ScrollPoint{wanted, 0}, Limit()));
}

void CVantorixView::MoveCaretTo(FilePos position)
{
    if (position > MaxCaretPos())
        return;
    const std::int64_t rows = PageRows();
    const std::int64_t row = WindowRowOf(position);
    // The row just outside the window comes in by a line scroll, which paints only it.
    if (row == -1)
        OnVScroll(ScrollCode::LineUp);
    else if (row == rows + 1)
        OnVScroll(ScrollCode::LineDown);
    const bool wasOnHex = m_bCaretOnHex;
    if (const std::int64_t now = WindowRowOf(position); now < 0 || now > rows) {
        const std::uint64_t caretRow = position / static_cast<std::uint64_t>(m_nBytesPerLine);
        const std::uint64_t wanted = now < 0 ? caretRow : caretRow - std::min<std::uint64_t>(caretRow, static_cast<std::uint64_t>(rows));
        ScrollTo(std::min(ScrollPoint{wanted, 0}, Limit()));
    }
    // The key's tail tells the bars.
    PlaceCaret(position, wasOnHex);
}

void CVantorixView::BlinkCaret()
{
    m_bCaretOn = !m_bCaretOn;
    update(CaretRect());
}

void CVantorixView::DestroyCaret()
{
    if (!m_bCaretCreated)
        return;
    update(CaretTwinRect());
    m_bCaretCreated = false;
    m_pCaretTimer->stop();
    update(CaretRect());
}

void CVantorixView::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown(point);
    } else if (event->button() == Qt::MiddleButton) {
        m_bMiddleDrag = true;
        m_ptMiddleDown = point;
    }
    CView::mousePressEvent(event);
}

void CVantorixView::mouseMoveEvent(QMouseEvent* event)
{
    OnMouseMove(event->position().toPoint());
    CView::mouseMoveEvent(event);
}

void CVantorixView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        OnLButtonUp();
    } else if (event->button() == Qt::MiddleButton) {
        m_bMiddleDrag = false;
        m_ptMiddleDown = QPoint(0, 0);
    }
    CView::mouseReleaseEvent(event);
}

void CVantorixView::OnLButtonDown(QPoint pointPx)
{
    const HitInfo hit = HitTest(pointPx, 0, 0);
    m_bNibblePending = false;
    SetCaret(hit.filePos, hit.onHex);

    const bool hadSelection = m_nSelEnd != kNoSelection;
    m_bSelecting = true;
    const std::int64_t position = HitPosition(hit, m_nBytesPerLine, m_nTopRow);
    m_bAnchorPastEnd = position >= static_cast<std::int64_t>(FileLength());
    m_nSelAnchor = ClampToFile(position);
    m_nSelEnd = kNoSelection;
    if (m_bSelectionShown) {
        // Wipes the old highlight.
        update(ClientRect());
        if (!hadSelection)
            m_bSelectionShown = false;
    }
    ShowCaretPosition();
}

void CVantorixView::OnMouseMove(QPoint pointPx)
{
    const HitInfo hit = HitTest(pointPx, 0, 0);
    // Middle-button scrolling: one line per move message, whatever the distance.
    if (m_bMiddleDrag && m_ptMiddleDown.y() != 0) {
        if (pointPx.y() > m_ptMiddleDown.y())
            OnVScroll(ScrollCode::LineDown);
        else if (pointPx.y() < m_ptMiddleDown.y())
            OnVScroll(ScrollCode::LineUp);
    }
    if (m_bSelecting) {
        // A pointer above the window or below the data selects up to the file's edge, but
        // a drag that began below the data selects nothing until it reaches a byte: the
        // last byte is not selected for a drag that never passed over it.
        const std::int64_t position = HitPosition(hit, m_nBytesPerLine, m_nTopRow);
        if (m_bAnchorPastEnd && position >= static_cast<std::int64_t>(FileLength()))
            return;
        m_bAnchorPastEnd = false;
        m_nSelEnd = ClampToFile(position);
        SetStatus(QString::fromLatin1(kSelectionStatus).arg(m_nSelAnchor).arg(m_nSelEnd));
        update(ClientRect());
        ShowCaretPosition();
    }
}

void CVantorixView::OnLButtonUp()
{
    m_bSelecting = false;
    if (m_nSelEnd != kNoSelection)
        m_bSelectionShown = true;
}

void CVantorixView::keyPressEvent(QKeyEvent* event)
{
    if (OnCommandKey(*event)) {
        event->accept();
        return;
    }
    // Undo and Copy work in the view by themselves; the main frame's menu and toolbar reach
    // the same functions. The frame's other accelerators are never typed into the file.
    if (event->matches(QKeySequence::Undo)) {
        UndoLast();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        CopyToClipboard();
        return;
    }
    for (const auto key : {QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Save, QKeySequence::Open,
                           QKeySequence::Print, QKeySequence::New, QKeySequence::Redo}) {
        if (event->matches(key)) {
            event->ignore();
            return;
        }
    }

    // A modifier or lock key pressed alone is the start of a shortcut, not a key of its
    // own: it must not move the caret or rewrite the goto boxes before Ctrl+J reads them.
    switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        event->ignore();
        return;
    default:
        break;
    }

    // The status bar invited Esc to cancel the search; one that comes just too late must
    // not be typed over the match.
    if (event->key() == Qt::Key_Escape && m_searchEnded.isValid()
        && m_searchEnded.elapsed() < kEscapeAfterSearchMs) {
        event->accept();
        return;
    }

    OnKeyDown(event->key(), event->modifiers());
    if (const std::optional<std::uint8_t> c = KeyEventChar(*event))
        OnChar(*c);
    event->accept();
}

bool CVantorixView::OnCommandKey(const QKeyEvent& event)
{
    // The main frame offers these as commands of its own (its shortcuts reach it first);
    // a view without a frame does them by itself.
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const int key = event.key();
    if (modifiers == Qt::ShiftModifier) {
        switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            ExtendSelection(key);
            return true;
        case Qt::Key_F3:
            FindPrevious();
            return true;
        default:
            break;
        }
    }
    if (key == Qt::Key_F3 && modifiers == Qt::NoModifier) {
        FindNext();
        return true;
    }
    if (event.matches(QKeySequence::SelectAll)) {
        SelectAll();
        return true;
    }
    if (event.matches(QKeySequence::Redo) || (key == Qt::Key_Y && modifiers == Qt::ControlModifier) ||
        (key == Qt::Key_Z && modifiers == (Qt::ControlModifier | Qt::ShiftModifier))) {
        RedoLast();
        return true;
    }
    // Ctrl+V only: Shift+Insert is the frame's accelerator, and Insert is the view's key.
    if (key == Qt::Key_V && modifiers == Qt::ControlModifier) {
        PasteFromClipboard();
        return true;
    }
    return false;
}

void CVantorixView::ExtendSelection(int key)
{
    if (FileLength() == 0)
        return;
    // A selection whose end is the caret grows or shrinks from its anchor; otherwise a new
    // one starts at the caret.
    const FilePos before = ClampToFile(m_nCaretPos);
    const bool continuing = m_nSelEnd != kNoSelection && m_nSelEnd == before;
    OnKeyDown(key);
    ShowSelection(continuing ? m_nSelAnchor : before, ClampToFile(m_nCaretPos));
    ShowCaretPosition();
}

void CVantorixView::ShowSelection(FilePos anchor, FilePos end, bool tellStatus)
{
    m_nSelAnchor = anchor;
    m_nSelEnd = end;
    m_bSelectionShown = true;
    if (tellStatus) {
        SetStatus(QString::fromLatin1(kSelectionStatus).arg(m_nSelAnchor).arg(m_nSelEnd));
    }
    update(ClientRect());
}

void CVantorixView::SelectAll()
{
    // Two numbers, whatever the file's size.
    if (const FilePos length = FileLength(); length > 0)
        ShowSelection(0, length - 1);
}

std::optional<ByteRange> CVantorixView::SelectedRange() const
{
    const FilePos length = FileLength();
    if (m_nSelEnd == kNoSelection || length == 0)
        return std::nullopt;
    const FilePos lo = std::min(m_nSelAnchor, m_nSelEnd);
    const FilePos hi = std::min(std::max(m_nSelAnchor, m_nSelEnd), length - 1);
    if (lo > hi)
        return std::nullopt;
    return ByteRange{lo, hi - lo + 1};
}

void CVantorixView::SelectRange(const ByteRange& range)
{
    if (range.Empty() || FileLength() == 0)
        return;
    GotoPosition(range.first);
    ShowSelection(range.first, ClampToFile(range.Last()), false);
    // The pane shows this selection's length, not the one before it.
    ShowCaretPosition();
}

bool CVantorixView::focusNextPrevChild(bool)
{
    // Tab is a character to type, not a way out of the view.
    return false;
}

void CVantorixView::focusInEvent(QFocusEvent* event)
{
    CView::focusInEvent(event);
    ShowOverwriteState();
    ShowCaretPosition();
}

void CVantorixView::focusOutEvent(QFocusEvent* event)
{
    CView::focusOutEvent(event);
    // The caret belongs to the focused window; the next click, arrow key, Home, End,
    // go-to or find makes it again.
    if (event->reason() != Qt::PopupFocusReason)
        DestroyCaret();
}

void CVantorixView::OnKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    // Every key works from the caret's file position; the window's pixels only say whether
    // the caret's row is shown. A key that moves the caret first brings it into view.
    const FilePos bytes = static_cast<FilePos>(m_nBytesPerLine);
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
        RevealCaret();
        break;
    default:
        break;
    }
    const FilePos pos = m_nCaretPos;

    switch (key) {
    case Qt::Key_Right:
        MoveCaretTo(pos + 1);
        ArrowTail();
        return;
    case Qt::Key_Left:
        if (pos > 0)
            MoveCaretTo(pos - 1);
        ArrowTail();
        return;
    case Qt::Key_Up:
        if (pos >= bytes)
            MoveCaretTo(pos - bytes);
        ArrowTail();
        return;
    case Qt::Key_Down:
        MoveCaretTo(pos + bytes);
        ArrowTail();
        return;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
        // The caret keeps its place in the window, over other bytes.
        const std::uint64_t topBefore = m_nTopRow;
        OnVScroll(key == Qt::Key_PageDown ? ScrollCode::PageDown : ScrollCode::PageUp);
        const FilePos moved = m_nTopRow >= topBefore ? pos + (m_nTopRow - topBefore) * bytes
                                                     : pos - (topBefore - m_nTopRow) * bytes;
        PlaceCaret(std::min(moved, MaxCaretPos()), m_bCaretOnHex);
        CommonTail();
        return;
    }
    case Qt::Key_Home:
        GotoPosition(0);
        return;
    case Qt::Key_End:
        GotoPosition(FileLength() - 1);
        return;
    case Qt::Key_Insert:
        if (!(modifiers & (Qt::ShiftModifier | Qt::ControlModifier))) {
            m_bInsertState = !m_bInsertState;
            ShowOverwriteState();
        }
        return;
    default:
        CommonTail();
        return;
    }
}

void CVantorixView::ArrowTail()
{
    m_bNibblePending = false;
    CommonTail();
}

void CVantorixView::CommonTail()
{
    UpdateValueBar();
    ShowCaretPosition();
}

void CVantorixView::OnChar(std::uint8_t c)
{
    CVantorixDoc* doc = GetDocument();
    if (!doc)
        return;
    // Only bytes inside the file can be typed over; a caret past the end takes nothing.
    const FilePos position = m_nCaretPos;
    const bool insideFile = position < FileLength();
    const bool wouldEdit = insideFile && (!m_bCaretOnHex || std::isxdigit(c));
    if (wouldEdit && RefusedAsReadOnly())
        return;
    // The byte typed over is the one the user sees the caret on.
    if (wouldEdit)
        RevealCaret();
    if (wouldEdit) {
        // What an unreadable byte holds is unknown: it is not typed over.
        std::uint8_t shown = 0;
        if (const int error = doc->ReadByte(position, shown); error != 0) {
            SetStatus(doc->ReadFailureText(position, error));
            return;
        }
    }

    if (m_bCaretOnHex) {
        if (!std::isxdigit(c) || !insideFile)
            return;
        // The first digit takes effect at once (typing D shows 0D); the second joins it as
        // the low digit. A refused change keeps the digit state and the caret as they were.
        const std::array<char, 2> digits =
            m_bNibblePending ? std::array<char, 2>{m_nibbles[1], static_cast<char>(c)}
                             : std::array<char, 2>{'0', static_cast<char>(c)};
        const char text[3] = {digits[0], digits[1], 0};
        if (!doc->SetByte(static_cast<std::uint8_t>(std::strtol(text, nullptr, 16)), position))
            return;
        m_nibbles = digits;
        m_bNibblePending = !m_bNibblePending;
        RepaintPosition(position);
        if (m_bNibblePending)
            UpdateValueBar();
        else
            OnKeyDown(Qt::Key_Right);
        return;
    }

    if (!insideFile)
        return;
    if (!doc->SetByte(c, position))
        ShowMessageBox(QStringLiteral("FAILED TO SET BYTE"));
    RepaintPosition(position);
    OnKeyDown(Qt::Key_Right);
    SetStatus(QString::fromLatin1(kEditStatus).arg(position).arg(QString::fromLatin1(OffsetText(position, m_nAddressDigits))));
}

void CVantorixView::RepaintPosition(FilePos position)
{
    // A typed byte changes its row in both columns; the rest of the window stays.
    const std::uint64_t row = position / static_cast<std::uint64_t>(m_nBytesPerLine);
    repaint(RowsRect({row, row + 1}));
    emit caretMoved();
}

void CVantorixView::UpdateValueBar()
{
    CVantorixDoc* doc = GetDocument();
    const FilePos position = m_nCaretPos;
    // Past the end there is no byte to show; the boxes show the offset and 0.
    std::uint8_t value = 0;
    if (doc && position < FileLength()) {
        if (const int error = doc->ReadByte(position, value); error != 0) {
            // A byte that cannot be read has no value to show, not a 0.
            MainFrameServices().ShowCaretUnreadable(position, m_nAddressDigits);
            SetStatus(doc->ReadFailureText(position, error));
            return;
        }
    }
    MainFrameServices().ShowCaretInfo(position, value, m_nAddressDigits);
}

void CVantorixView::OnUpdateIndicatorOvr(CCmdUI& cmdUI)
{
    cmdUI.Enable(!m_bInsertState);
}

void CVantorixView::ShowOverwriteState()
{
    CCmdUI pane(ID_INDICATOR_OVR);
    OnUpdateIndicatorOvr(pane);
    MainFrameServices().SetOverwriteIndicator(pane.IsEnabled());
}

void CVantorixView::UndoLast()
{
    TakeHistoryStep(&CVantorixDoc::Undo);
}

void CVantorixView::RedoLast()
{
    TakeHistoryStep(&CVantorixDoc::Redo);
}

void CVantorixView::TakeHistoryStep(void (CVantorixDoc::*step)())
{
    CVantorixDoc* doc = GetDocument();
    if (!doc || RefusedAsReadOnly())
        return;
    (doc->*step)();
    // The document repaints its first view; this one shows the changed bytes as well.
    update(ClientRect());
    // The step moved the first view's caret; the boxes and the pane show this view's
    // caret and its byte, which the step may have changed.
    UpdateValueBar();
    ShowCaretPosition();
    emit caretMoved();
}

bool CVantorixView::RefusedAsReadOnly()
{
    const CVantorixDoc* doc = GetDocument();
    if (!doc || !doc->IsReadOnly())
        return false;
    SetStatus(QString::fromLatin1(CVantorixDoc::kReadOnlyText));
    return true;
}

void CVantorixView::SetStatus(const QString& text)
{
    MainFrameServices().SetStatusText(text);
}

FilePos CVantorixView::SelectionLength() const
{
    const std::optional<ByteRange> range = SelectedRange();
    return range ? range->length : 0;
}

QString CVantorixView::CaretPositionText() const
{
    // The caret cell outlives the blinking caret (which goes with the focus), so the pane
    // keeps the offset when the focus comes back without a click.
    const CVantorixDoc* doc = GetDocument();
    if (!doc || !doc->IsFileOpen())
        return {};
    return QString::fromStdString(vtx::CaretPositionText(m_nCaretPos, SelectionLength(), m_nAddressDigits));
}

void CVantorixView::ShowCaretPosition()
{
    // Only the view the user works in speaks for the pane; a view that is moved by an undo
    // made elsewhere leaves it alone.
    if (!hasFocus())
        return;
    g_caretPane = this;
    MainFrameServices().ShowCaretPosition(CaretPositionText());
}

QRect CVantorixView::CaretTwinRect() const
{
    const std::size_t bytes = static_cast<std::size_t>(m_nBytesPerLine);
    const CVantorixDoc* doc = GetDocument();
    if (!m_bCaretCreated || !doc || !doc->IsFileOpen() || m_columnX.size() < 2 * bytes + 1)
        return {};
    const HitInfo hit = LastHit();
    const bool twinOnHex = !hit.onHex;
    const int x = m_columnX[twinOnHex ? static_cast<std::size_t>(hit.column) : bytes + static_cast<std::size_t>(hit.column)];
    const int width = twinOnHex ? 2 * m_nCharWidth : m_nCharWidth;
    return QRect(x, hit.y - 1, width, m_nRowPitch) & ClientRect();
}

// ---------------------------------------------------------------------------------------
// Search

void CVantorixView::SetSearchProgressDelayMs(int ms)
{
    g_searchProgressDelayMs = std::max(0, ms);
}

int CVantorixView::SearchProgressDelayMs()
{
    return g_searchProgressDelayMs;
}

void CVantorixView::FindNext()
{
    Find(SearchDirection::Forward);
}

void CVantorixView::FindPrevious()
{
    Find(SearchDirection::Backward);
}

void CVantorixView::Find(SearchDirection direction)
{
    FindText(MainFrameServices().GetSearchText(), MainFrameServices().GetSearchSettings(), direction);
}

bool CVantorixView::FindText(const QString& text, SearchSettings settings, SearchDirection direction)
{
    CVantorixDoc* doc = GetDocument();
    if (!doc || m_bSearching)
        return false;
    if (text.isEmpty()) {
        ShowMessageBox(QStringLiteral("You need to enter text to search for"));
        return false;
    }
    // Refused before the search begins, so that the message does not come up while the
    // search holds back the input.
    if (const QString problem = DocumentSearch::TextProblem(text, settings); !problem.isEmpty()) {
        ShowMessageBox(problem);
        return false;
    }
    const bool forward = direction == SearchDirection::Forward;

    m_bSearching = true;
    bool reported = false;
    const QPointer<CVantorixView> self(this);
    const SearchOutcome outcome =
        SearchWithProgress(*doc, text, settings, m_nCaretPos, direction, g_searchProgressDelayMs, [&](int percent) {
            reported = true;
            SetStatus(QStringLiteral("Searching: %1% done. Press Esc to cancel.").arg(percent));
        });
    if (!self)
        return false;
    m_bSearching = false;

    switch (outcome.end) {
    case SearchEnd::Cancelled:
        SetStatus(QStringLiteral("Search cancelled."));
        break;
    case SearchEnd::Failed:
        if (reported)
            SetStatus(QString());
        ShowMessageBox(outcome.failure);
        break;
    case SearchEnd::NotFound:
        if (reported)
            SetStatus(QString());
        ShowMessageBox(forward ? QStringLiteral("Reached End of File") : QStringLiteral("Reached Start of File"));
        break;
    case SearchEnd::Found:
        // The caret goes to the match's first byte, which comes into view; the whole
        // match is selected, and the pane shows its length.
        SelectRange({outcome.position, std::max<FilePos>(outcome.length, 1)});
        // A wrap is told until the next search, which says nothing unless it wrapped too.
        if (outcome.wrapped)
            SetStatus(forward ? QStringLiteral("Search wrapped to the start of the file.")
                              : QStringLiteral("Search wrapped to the end of the file."));
        else
            SetStatus(QString());
        break;
    }
    if (self)
        m_searchEnded.start();
    return outcome.end == SearchEnd::Found;
}

// ---------------------------------------------------------------------------------------
// Clipboard

void CVantorixView::SetCopyProgressDelayMs(int ms)
{
    g_copyProgressDelayMs = std::max(0, ms);
}

CVantorixView::SelectionRead CVantorixView::ReadSelection(
    const QString& what, const std::function<bool(const std::uint8_t*, std::size_t)>& piece)
{
    CVantorixDoc* doc = GetDocument();
    const std::optional<ByteRange> range = SelectedRange();
    if (!doc || !range)
        return SelectionRead::NoSelection;

    QElapsedTimer clock;
    clock.start();
    qint64 nextReportMs = g_copyProgressDelayMs;
    bool reported = false;
    // Created only when the read turns out long, so that a short copy costs nothing.
    std::unique_ptr<LongTaskInputGuard> guard;
    const QPointer<CVantorixView> self(this);
    const auto endReport = [&] {
        if (reported && self)
            SetStatus(QString());
    };

    std::vector<std::uint8_t> block(CVantorixDoc::kMaxRead);
    const FilePos end = range->first + range->length;
    for (FilePos position = range->first; position < end;) {
        const auto wanted = static_cast<std::uint32_t>(std::min<FilePos>(end - position, CVantorixDoc::kMaxRead));
        const ReadOutcome read = doc->ReadPresented(block.data(), wanted, position);
        if (read.count > 0 && !piece(block.data(), read.count))
            break;
        position += read.count;
        if (read.Failed() || (read.count == 0 && position < end)) {
            // A selection cut short is not the selection: nothing of it is handed on.
            endReport();
            const int error = read.Failed() ? read.error : EIO;
            ShowMessageBox(doc->ReadFailureText(position, error));
            return SelectionRead::Failed;
        }
        if (clock.elapsed() >= nextReportMs) {
            if (!guard)
                guard = std::make_unique<LongTaskInputGuard>();
            reported = true;
            const auto percent = static_cast<int>((position - range->first) * 100 / range->length);
            SetStatus(QStringLiteral("%1: %2% done. Press Esc to cancel.").arg(what).arg(percent));
            QCoreApplication::processEvents();
            if (!self || !doc->IsFileOpen() || guard->Cancelled()) {
                guard.reset();
                if (self) {
                    SetStatus(QStringLiteral("%1 cancelled.").arg(what));
                    m_searchEnded.start();
                }
                return SelectionRead::Cancelled;
            }
            nextReportMs = clock.elapsed() + 100;
        }
    }
    guard.reset();
    endReport();
    return SelectionRead::Done;
}

void CVantorixView::CopyToClipboard()
{
    const std::optional<ByteRange> range = SelectedRange();
    if (!range)
        return;
    if (range->length > kMaxCopyBytes) {
        ShowMessageBox(QStringLiteral("The selection is too large to copy: at most %1 bytes (256 MiB) can be copied "
                                      "at once.")
                           .arg(kMaxCopyBytes));
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        ShowMessageBox(QStringLiteral("Failed To Open Clipboard"));
        return;
    }

    // The bytes themselves go on the clipboard beside the text, which as text ends at the
    // first zero byte; a paste into Vantorix takes the bytes. A selection that cannot be
    // read to its end leaves nothing on the clipboard.
    try {
        QByteArray bytes;
        bytes.reserve(static_cast<qsizetype>(range->length));
        const SelectionRead read = ReadSelection(QStringLiteral("Copying"), [&bytes](const std::uint8_t* data, std::size_t count) {
            bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
            return true;
        });
        if (read == SelectionRead::Cancelled)
            return;
        clipboard->clear();
        if (read != SelectionRead::Done)
            return;
        const qsizetype zero = bytes.indexOf('\0');
        const qsizetype textLength = zero < 0 ? bytes.size() : zero;
        auto* data = new QMimeData;
        data->setText(QString::fromLatin1(bytes.constData(), textLength));
        data->setData(QString::fromLatin1(kBytesMimeType), bytes);
        clipboard->setMimeData(data);
        if (zero >= 0) {
            SetStatus(QStringLiteral("The text copied holds %1 of the %2 selected bytes: it ends at the first 00 byte. "
                                     "Copy as Hex copies them all.")
                          .arg(textLength)
                          .arg(bytes.size()));
        }
    } catch (const std::bad_alloc&) {
        clipboard->clear();
        ShowMessageBox(QStringLiteral("There is not enough memory to copy the selection."));
    }
}

void CVantorixView::CopyAsHex()
{
    const std::optional<ByteRange> range = SelectedRange();
    if (!range)
        return;
    // Three characters of text per byte: beyond this the clipboard would hold more than a
    // user could sensibly paste anywhere.
    constexpr std::uint64_t kMaxHexCopy = 16u << 20;
    if (range->length > kMaxHexCopy) {
        ShowMessageBox(QStringLiteral("The selection is too large to copy as hex: at most %1 bytes can be copied.")
                           .arg(kMaxHexCopy));
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        ShowMessageBox(QStringLiteral("Failed To Open Clipboard"));
        return;
    }
    try {
        std::string text;
        std::uint64_t written = 0;
        const SelectionRead read = ReadSelection(QStringLiteral("Copying"), [&](const std::uint8_t* bytes, std::size_t count) {
            AppendHexLines(text, bytes, count, written);
            return true;
        });
        if (read == SelectionRead::Done)
            clipboard->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
        else if (read == SelectionRead::Failed)
            clipboard->clear();
    } catch (const std::bad_alloc&) {
        ShowMessageBox(QStringLiteral("There is not enough memory to copy the selection as hex."));
    }
}

void CVantorixView::FillSelection()
{
    CVantorixDoc* doc = GetDocument();
    if (!doc || RefusedAsReadOnly())
        return;
    const std::optional<ByteRange> range = SelectedRange();
    if (!range || range->Empty()) {
        ShowMessageBox(QStringLiteral("Select the bytes to fill first."));
        return;
    }
    CFillDlg dialog(range->length, this);
    if (dialog.DoModal() != QDialog::Accepted)
        return;
    QString problem;
    const std::vector<std::uint8_t> pattern = CVantorixDoc::ParseFillPattern(dialog.PatternText(), problem);
    if (!problem.isEmpty()) {
        ShowMessageBox(problem);
        return;
    }
    if (!doc->Fill(*range, pattern)) {
        ShowMessageBox(QStringLiteral("The selection could not be filled: the file cannot be read there."));
        return;
    }
    m_bNibblePending = false;
    update(ClientRect());
    UpdateValueBar();
    emit caretMoved();
}

void CVantorixView::PasteFromClipboard()
{
    CVantorixDoc* doc = GetDocument();
    if (!doc || RefusedAsReadOnly())
        return;
    // Over the selection when there is one, else at the caret; either way in view.
    const std::optional<ByteRange> selection = SelectedRange();
    const FilePos position = selection ? selection->first : m_nCaretPos;
    const FilePos length = FileLength();
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    std::vector<std::uint8_t> bytes;
    PasteProblem problem = PasteProblem::Empty;
    if (data && data->hasFormat(QString::fromLatin1(kBytesMimeType))) {
        // What a copy from Vantorix put there: every byte, zeros included.
        const QByteArray raw = data->data(QString::fromLatin1(kBytesMimeType));
        bytes.assign(raw.begin(), raw.end());
        problem = bytes.empty() ? PasteProblem::Empty : PasteProblem::None;
    } else {
        const QString text = data ? data->text() : QString();
        const std::u16string_view chars(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
        problem = m_bCaretOnHex ? ParseHexBytes(chars, bytes) : ParseLatin1Bytes(chars, bytes);
    }
    // An empty clipboard has nothing to paste and nothing to complain about.
    if (problem == PasteProblem::Empty)
        return;
    if (problem != PasteProblem::None) {
        ShowMessageBox(QString::fromLatin1(PasteProblemText(problem)));
        return;
    }
    if (position >= length) {
        ShowMessageBox(QStringLiteral("Put the caret on a byte of the file to paste there."));
        return;
    }
    // Counted in 64 bits: a clipboard of more than 4 GiB must not wrap into a small paste.
    const FilePos fits = std::min<FilePos>(bytes.size(), length - position);
    if (fits > CVantorixDoc::kMaxStepBytes) {
        ShowMessageBox(QStringLiteral("The clipboard holds too much to paste: at most %1 MiB (%2 bytes) can be pasted "
                                      "at once.")
                           .arg(CVantorixDoc::kMaxStepBytes >> 20)
                           .arg(CVantorixDoc::kMaxStepBytes));
        return;
    }
    if (position != m_nCaretPos)
        SetCaret(position, m_bCaretOnHex);
    RevealCaret();
    const std::int32_t written = doc->SetBytes(bytes.data(), static_cast<std::uint32_t>(fits), position);
    if (written < 0) {
        ShowMessageBox(QStringLiteral("The clipboard could not be pasted: the file cannot be read here."));
        return;
    }
    m_bNibblePending = false;
    update(ClientRect());
    UpdateValueBar();
    emit caretMoved();
    if (bytes.size() > static_cast<std::size_t>(written)) {
        ShowMessageBox(QStringLiteral("%1 of the %2 bytes on the clipboard did not fit before the end of the file "
                                      "and were not pasted.")
                           .arg(static_cast<qulonglong>(bytes.size() - static_cast<std::size_t>(written)))
                           .arg(static_cast<qulonglong>(bytes.size())));
    }
}

// ---------------------------------------------------------------------------------------
// Display settings

void CVantorixView::OnDisplaySettings()
{
    CDisplaySettingsDlg dialog(this);
    dialog.m_nDlgBytesPerLine = m_nBytesPerLine;
    dialog.m_nDlgGroupSize = m_nGroupSize;
    dialog.m_nDlgAddressSpace = m_nAddressSpace;
    dialog.m_nDlgGroupSpace = m_nGroupSpace;
    dialog.m_nDlgAsciiSpace = m_nAsciiSpace;
    dialog.m_dlgFont = ChosenViewFont();
    dialog.m_shownFont = m_font;
    dialog.m_bDlgMinimumContrast = MinimumContrastEnabled();
    if (dialog.DoModal() != QDialog::Accepted)
        return;
    m_nAddressSpace = dialog.m_nDlgAddressSpace;
    m_nGroupSpace = dialog.m_nDlgGroupSpace;
    m_nAsciiSpace = dialog.m_nDlgAsciiSpace;
    // The font and the contrast rule hold for every view, also those opened later.
    SetMinimumContrastEnabled(dialog.m_bDlgMinimumContrast);
    SetChosenViewFont(dialog.m_dlgFont);
    SaveDisplayPreferences();
    // The font's metrics are measured again.
    OnCreate();
    ApplyDisplaySettings(dialog.m_nDlgBytesPerLine, dialog.m_nDlgGroupSize);
    // Views opened from now on, also after a restart, start with these values.
    SaveDisplaySettings();
}

void CVantorixView::ApplyDisplaySettings(int bytesPerLine, int groupSize)
{
    m_nGroupSize = groupSize;
    m_nBytesPerLine = std::clamp(bytesPerLine, kMinBytesPerLine, kMaxBytesPerLine);
    RecalcScrollRange(ClientHeight());
    BuildColumnTable();
    RepaintNow();
}

bool CVantorixView::OnCommand(int id)
{
    if (id != ID_DISPLAY_SETTINGS)
        return false;
    OnDisplaySettings();
    return true;
}

void CVantorixView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("&Display Settings..."), this, &CVantorixView::OnDisplaySettings);
    menu.exec(event->globalPos());
}

} // namespace vtx
