// The hex view's caret, keys, mouse, selection, typing, undo and redo.
#include "CVantorixView.h"

// this program
#include "text/HexText.h"
#include "framework/CWinApp.h"
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "res/CommandIds.h"
#include "view/CDisplaySettingsDlg.h"
#include "view/CFillDlg.h"
#include "view/CaretBytes.h"
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
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Down:
        RevealCaret();
        MoveByArrow(key);
        return;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
        RevealCaret();
        MoveByPage(key == Qt::Key_PageDown);
        return;
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

void CVantorixView::MoveByArrow(int key)
{
    const FilePos bytes = static_cast<FilePos>(m_nBytesPerLine);
    const FilePos pos = m_nCaretPos;
    switch (key) {
    case Qt::Key_Right:
        MoveCaretTo(pos + 1);
        break;
    case Qt::Key_Left:
        if (pos > 0)
            MoveCaretTo(pos - 1);
        break;
    case Qt::Key_Up:
        if (pos >= bytes)
            MoveCaretTo(pos - bytes);
        break;
    default:
        MoveCaretTo(pos + bytes);
        break;
    }
    ArrowTail();
}

void CVantorixView::MoveByPage(bool down)
{
    // The caret keeps its place in the window, over other bytes.
    const FilePos bytes = static_cast<FilePos>(m_nBytesPerLine);
    const FilePos pos = m_nCaretPos;
    const std::uint64_t topBefore = m_nTopRow;
    OnVScroll(down ? ScrollCode::PageDown : ScrollCode::PageUp);
    const FilePos moved = m_nTopRow >= topBefore ? pos + (m_nTopRow - topBefore) * bytes
                                                 : pos - (topBefore - m_nTopRow) * bytes;
    PlaceCaret(std::min(moved, MaxCaretPos()), m_bCaretOnHex);
    CommonTail();
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
    const bool wouldEdit = insideFile && (!m_bCaretOnHex || IsHexDigitChar(c));
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
        if (!IsHexDigitChar(c) || !insideFile)
            return;
        // The first digit takes effect at once (typing D shows 0D); the second joins it as
        // the low digit. A refused change keeps the digit state and the caret as they were.
        const std::array<char, 2> digits =
            m_bNibblePending ? std::array<char, 2>{m_nibbles[1], static_cast<char>(c)}
                             : std::array<char, 2>{'0', static_cast<char>(c)};
        const auto value = static_cast<std::uint8_t>(HexDigitValue(static_cast<unsigned char>(digits[0])) << 4 |
                                                     HexDigitValue(static_cast<unsigned char>(digits[1])));
        if (!doc->SetByte(value, position))
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
    const CaretBytes caret = doc ? ReadCaretBytes(*doc, position, 1) : CaretBytes{position};
    if (caret.CaretUnreadable()) {
        // A byte that cannot be read has no value to show, not a 0.
        MainFrameServices().ShowCaretUnreadable(position, m_nAddressDigits);
        SetStatus(doc->ReadFailureText(caret.FailedAt(), caret.error));
        return;
    }
    MainFrameServices().ShowCaretInfo(position, caret.count > 0 ? caret.bytes[0] : 0, m_nAddressDigits);
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
    CVantorixDoc* doc = GetDocument();
    if (!doc || !doc->IsFileOpen())
        return {};
    // A byte that cannot be read is said so beside its offset, as its ?? cell shows it.
    const std::string unreadable = CaretUnreadableReason(ReadCaretBytes(*doc, m_nCaretPos, 1));
    return QString::fromStdString(
        vtx::CaretPositionText(m_nCaretPos, SelectionLength(), m_nAddressDigits, unreadable));
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

} // namespace vtx
