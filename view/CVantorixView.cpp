#include "CVantorixView.h"

// this program
#include "framework/CWinApp.h"
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "res/CommandIds.h"
#include "view/CDisplaySettingsDlg.h"
#include "view/CFillDlg.h"
#include "view/DisplayPreferences.h"
#include "view/CVantorixViewShared.h"
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

using namespace view_detail;

namespace {

// The display font is asked for as 16 pixels high and 8 wide.
constexpr int kFontWidthPx = 8;

// Where the last display settings chosen are remembered, for the views opened after.
const QString kBytesPerLineKey = QStringLiteral("Settings/BytesPerLine");
const QString kGroupSizeKey = QStringLiteral("Settings/GroupSize");

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
    // A long save tells its progress in the main frame's status bar; the bar is painted at
    // once, without taking any input that could change the document meanwhile.
    if (CVantorixDoc* doc = GetDocument()) {
        doc->SetStatusSink([](const QString& text) {
            MainFrameServices().SetStatusText(text);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    }
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
