#pragma once
// The hex view: one window onto one document. It keeps its own vertical scroll position
// in pixels and reads from the document only the rows it draws, so a file of any size is
// never held in memory. Rows show an address, the bytes in hexadecimal groups and the same
// bytes as characters, each byte in the colours of the colour code table.
//
// The arithmetic (column table, hit test, scroll range and steps) lives in ViewGeometry.h;
// this class holds the state and turns events into calls of it.

// this program
#include "document/CVantorixDoc.h"
#include "framework/CCmdUI.h"
#include "framework/CView.h"
#include "view/ViewGeometry.h"
#include "view/WheelAccumulator.h"

// Qt
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QPoint>
#include <QRect>

// std
#include <array>
#include <cstdint>
#include <optional>
#include <functional>
#include <vector>

class QClipboard;
class QScrollBar;
class QTimer;

namespace vtx {

enum class PasteProblem;

class CVantorixView : public CView, public IDocumentPositionView
{
    Q_OBJECT
public:
    // The command that opens the display settings dialog.
    static constexpr int ID_DISPLAY_SETTINGS = 32783;

    explicit CVantorixView(CVantorixDoc* doc, QWidget* parent = nullptr);
    ~CVantorixView() override;

    [[nodiscard]] CVantorixDoc* GetDocument() const;

    // Drawing. OnDraw paints the rows that dirtyPx (window pixels) needs, honouring the
    // draw mode that a one-line scroll left behind.
    void OnDraw(QPainter& dc, const QRect& dirtyPx);
    // Prints the rows the window shows, at their size on screen (smaller when a row would
    // not fit the page's width).
    void OnPrint(QPainter& painter, QPrinter& printer) override;
    void BuildColumnTable();
    void OnInitialUpdate() override;

    // Scrolling.
    void RecalcScrollRange(int clientHeightPx);
    // False when the command moved nothing (at either end).
    bool OnVScroll(ScrollCode code);
    void GotoPosition(FilePos target) override;
    void RepaintNow() override;
    // The file changed on disk behind the document: its length may differ, so the scroll
    // range and the address column are measured again, and every row is drawn afresh.
    void OnFileChangedOnDisk();
    // The file row shown at the top of the window, and a way to show another one there
    // (held at the scroll limit) without touching the caret: a view that scrolls in step
    // with another one reads the one and sets the other when it hears `scrolled`.
    [[nodiscard]] std::uint64_t TopRow() const { return m_nTopRow; }
    void SetTopRow(std::uint64_t row);

    // Caret, selection and editing.
    // The cell under a window point: where a click or a drag lands. Only pointing turns
    // pixels into positions; everything else works on the caret's position.
    [[nodiscard]] HitInfo HitTest(QPoint pointPx, int dc, int dr) const;
    // Puts the caret on a file position in one column, shows it and tells the bars. It does
    // not scroll: the caret keeps its position when the view scrolls away from it.
    void SetCaret(FilePos position, bool onHex);
    // Navigation keys by their Qt codes: Right, Left, Up, Down, Page Up, Page Down, Home,
    // End, Insert; any other key runs only the tail that refreshes the caret cell.
    void OnKeyDown(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // One typed character code, control characters included.
    void OnChar(std::uint8_t c);
    void UpdateValueBar();
    // The update rule of the status bar's OVR pane: enabled exactly while the insert
    // state is off. The view also tells the frame at once when the state changes.
    virtual void OnUpdateIndicatorOvr(CCmdUI& cmdUI);
    void UndoLast();
    void RedoLast();
    // Selects every byte of the file; the caret stays where it is.
    void SelectAll();
    // The caret's file position (the byte that typing changes).
    [[nodiscard]] FilePos CaretPosition() const { return m_nCaretPos; }
    // The selected bytes, cut to the file; nullopt without a selection. Every command that
    // works on the selection asks here.
    [[nodiscard]] std::optional<ByteRange> SelectedRange() const;
    // Puts the caret on range.first, brings it into view and selects the range (a match, a
    // bookmark, a difference).
    void SelectRange(const ByteRange& range);
    // Marks rows in the address column (the rows that hold a bookmark): asked for each row
    // drawn, with its first byte and the byte after its last.
    using RowMarker = std::function<bool(FilePos rowStart, FilePos rowEnd)>;
    void SetRowMarker(RowMarker marker)
    {
        m_rowMarker = std::move(marker);
        update();
    }

    // Another part of the program may give cells their own background (a comparison
    // marks the bytes that differ): asked for each byte drawn that is not selected, with
    // its position and the value shown; nullopt keeps the view's own background.
    using CellBackground = std::function<std::optional<QColor>(FilePos position, std::uint8_t value)>;
    void SetCellBackground(CellBackground provider);

    // Search, clipboard, display settings. A match found is selected and scrolled into
    // view; both directions wrap once round the file.
    void FindNext();
    void FindPrevious();
    // A search for this text with these settings from the caret (Find Next and Previous
    // take both from the frame's search bar; the Replace dialog gives its own): the match
    // is selected, or the user is told why there is none. True when it found one.
    bool FindText(const QString& text, SearchSettings settings, SearchDirection direction);
    void CopyToClipboard();
    // The selection as two-digit hex values, 16 to a line.
    void CopyAsHex();
    // Overwrites bytes from the selection's first byte on (from the caret without a
    // selection) with what the clipboard holds, as one undo step: the bytes a copy from
    // Vantorix put there, or else the text, read as hex digits in the hex column and as
    // Latin-1 characters in the ASCII column.
    void PasteFromClipboard();
    // Fills the selection with a pattern the user types (hex digits, 1 to 16 bytes), as one
    // undo step.
    void FillSelection();
    // The clipboard's format for the bytes themselves, beside the text.
    static constexpr const char* kBytesMimeType = "application/octet-stream";
    // The largest selection Copy puts on the clipboard.
    static constexpr std::uint64_t kMaxCopyBytes = std::uint64_t{256} << 20;
    void OnDisplaySettings();
    // What the dialog's OK does to this view: a new row and group layout.
    void ApplyDisplaySettings(int bytesPerLine, int groupSize);
    // Runs one of the view's own commands by id; false when the id is not the view's.
    bool OnCommand(int id);

    // A search that runs longer than this shows its progress and can be cancelled with Esc.
    static void SetSearchProgressDelayMs(int ms);
    [[nodiscard]] static int SearchProgressDelayMs();
    // The same for a copy of a large selection.
    static void SetCopyProgressDelayMs(int ms);
    // For this long after a search ended, Esc is taken as a late cancel and types nothing.
    static constexpr int kEscapeAfterSearchMs = 500;

    // State, for the frame and the tests.
    [[nodiscard]] const QFont& Font() const { return m_font; }
    [[nodiscard]] int LineHeight() const { return m_nLineHeight; }
    [[nodiscard]] int RowPitch() const { return m_nRowPitch; }
    [[nodiscard]] int CharWidth() const { return m_nCharWidth; }
    // The scroll position in pixels, held at the largest uint64 for a document taller
    // than that; Scroll() is the exact position.
    [[nodiscard]] std::uint64_t ScrollPos() const { return PxFromPoint(Scroll(), m_nRowPitch); }
    [[nodiscard]] ScrollPoint Scroll() const { return {m_nTopRow, m_nScrollOffsetPx}; }
    [[nodiscard]] std::uint64_t Page() const { return m_nPage; }
    [[nodiscard]] std::uint64_t Max() const { return m_nMax; }
    [[nodiscard]] bool InsertState() const { return m_bInsertState; }
    [[nodiscard]] FilePos SelectionAnchor() const { return m_nSelAnchor; }
    [[nodiscard]] FilePos SelectionEnd() const { return m_nSelEnd; }
    // The caret's cell: its position and column, and where it lies on the window now.
    [[nodiscard]] HitInfo LastHit() const;
    [[nodiscard]] bool NibblePending() const { return m_bNibblePending; }
    [[nodiscard]] int HexLeft() const { return m_nHexLeft; }
    [[nodiscard]] int AsciiLeft() const { return m_nAsciiLeft; }
    [[nodiscard]] const std::vector<std::int32_t>& ColumnX() const { return m_columnX; }
    [[nodiscard]] int BytesPerLine() const { return m_nBytesPerLine; }
    // Hexadecimal digits of the address column: 8, or more for a file past 4 GiB.
    [[nodiscard]] int AddressDigits() const { return m_nAddressDigits; }
    [[nodiscard]] int GroupSize() const { return m_nGroupSize; }
    [[nodiscard]] int LeftMargin() const { return m_nLeftMargin; }
    // The caret's top left corner on the window, derived from its position and the scroll
    // position (outside the window when the view scrolled away from it).
    [[nodiscard]] QPoint CaretPos() const;
    [[nodiscard]] bool HasCaret() const { return m_bCaretCreated; }
    [[nodiscard]] QScrollBar* ScrollBar() const { return m_pScrollBar; }
    // The text each byte value shows in the ASCII column with the display font.
    [[nodiscard]] const std::array<QString, 256>& CharTexts() const { return m_charTexts; }
    // The caret cell's twin in the other column, outlined; empty without a caret.
    [[nodiscard]] QRect CaretTwinRect() const;
    // The status bar pane's text: the caret cell's offset and the selection's length;
    // empty without an open file.
    [[nodiscard]] QString CaretPositionText() const;
    // The drawing area: the window less the scroll bar.
    [[nodiscard]] QRect ClientRect() const;
    // Wide enough for a whole row and its scroll bar, 24 lines tall.
    [[nodiscard]] QSize sizeHint() const override;

signals:
    // The caret moved, or the bytes at it may have changed (typed over, undone). Watchers
    // of the caret's bytes read them again when they see it.
    void caretMoved();
    // The view scrolled: TopRow() changed, or the pixels of the top row shown.
    void scrolled(std::uint64_t topRow);
    // The row at the top of the window changed (scrolling of any kind).
    void topRowChanged(std::uint64_t row);

protected:
    // Every row the view draws is read here; a subclass may watch the reads.
    virtual std::int32_t ReadRow(std::uint8_t* buffer, std::uint32_t count, FilePos position);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCreate();
    // Rebuilds the columns when the file's length calls for another number of address digits.
    void MeasureAddressColumn();
    // Undo or Redo of the document, with this view and the caret pane brought up to date.
    void TakeHistoryStep(void (CVantorixDoc::*step)());
    // The display settings chosen last in any view (bytes per line, group size).
    void LoadDisplaySettings();
    void SaveDisplaySettings() const;
    // The editing and search keys that the view handles before anything is typed; false
    // for every other key.
    bool OnCommandKey(const QKeyEvent& event);
    // Shift with a navigation key: the key moves the caret, the selection follows it.
    void ExtendSelection(int key);
    // Selects and highlights [anchor, end]; tellStatus shows the range in the status bar.
    void ShowSelection(FilePos anchor, FilePos end, bool tellStatus = true);
    void Find(SearchDirection direction);
    // Hands the selected bytes (pending changes included) to `piece` in reads of at most
    // one document block, in order, until it returns false. A read that takes longer than
    // a moment shows its progress under `what` ("Copying") and stops on Esc; a read error
    // is shown in a message box.
    enum class SelectionRead { Done, NoSelection, Failed, Cancelled };
    SelectionRead ReadSelection(const QString& what,
                                const std::function<bool(const std::uint8_t*, std::size_t)>& piece);
    void OnLButtonDown(QPoint pointPx);
    void OnMouseMove(QPoint pointPx);
    void OnLButtonUp();
    // SetCaret without telling the bars, for the keys, whose tail tells them once.
    void PlaceCaret(FilePos position, bool onHex);
    // After a paste or a fill: the caret's nibble, the window and the value bar follow.
    void AfterBytesChanged();
    // What the clipboard holds for a paste, read as the caret's column wants it.
    PasteProblem ClipboardBytes(std::vector<std::uint8_t>& bytes) const;
    // The clipboard for a copy of the selection of at most maxBytes, or null (without a
    // selection silently, else after saying why).
    QClipboard* ClipboardForCopy(std::uint64_t maxBytes, const QString& tooLarge) const;
    // The caret one byte or one row on (arrow keys), or a page on with the window.
    void MoveByArrow(int key);
    void MoveByPage(bool down);
    void ArrowTail();
    void CommonTail();
    // The caret's row counted from the window's top row (negative above it), and the rows
    // it may take below that: the whole rows of a page, and the one partly shown under them.
    [[nodiscard]] std::int64_t WindowRowOf(FilePos position) const;
    [[nodiscard]] std::int64_t PageRows() const;
    // The last position the caret can reach: the last cell of the lowest row a window at
    // the scroll limit shows.
    [[nodiscard]] FilePos MaxCaretPos() const;
    // Scrolls the caret into the window, if it is not there; what every key that types,
    // pastes or moves the caret does first.
    void RevealCaret();
    // An arrow key's move: to position in the caret's column, scrolling a line when it is
    // the row just outside the window, further when it is elsewhere.
    void MoveCaretTo(FilePos position);
    // Shows another part of the document: position, bar, the window's pixels and what
    // they uncover. No caret moves.
    void ScrollTo(const ScrollPoint& to);
    void SetScroll(const ScrollPoint& to);
    [[nodiscard]] ScrollPoint Limit() const;
    [[nodiscard]] FilePos FileLength() const;
    // The nearest byte of the file: a signed position below 0 is the first byte, an
    // unsigned one (a caret cell, which wraps above the file's start) never is.
    [[nodiscard]] FilePos ClampToFile(std::int64_t position) const;
    [[nodiscard]] FilePos ClampToFile(FilePos position) const;
    [[nodiscard]] int ClientHeight() const;
    [[nodiscard]] QRect CaretRect() const;
    [[nodiscard]] QRect RowsRect(const RowSpan& rows) const;
    void DrawRows(QPainter& dc, const RowSpan& rows, const QRect& dirtyPx);
    // How many bytes of a row could be read, and how many cells it has (the unreadable
    // ones drawn as ??); a read failure's text goes into readFailure once.
    struct RowBytes {
        std::uint32_t readable = 0;
        std::uint32_t delivered = 0;
    };
    struct RowPaint;
    RowBytes ReadRowForDrawing(CVantorixDoc& doc, FilePos start, QString& readFailure);
    void DrawAddress(QPainter& dc, const RowPaint& paint, FilePos start, int y);
    void DrawCells(QPainter& dc, const RowPaint& paint, FilePos start, int y, const RowBytes& got, bool hex,
                   const QRect& dirtyPx);
    void RepaintPosition(FilePos position);
    void ScrollPixels(std::int64_t dyPx);
    void SyncScrollBar();
    void SetScrollBarPos();
    void LayoutScrollBar();
    void OnScrollBarAction(int action);
    void OnScrollBarReleased();
    void OnScrollBarValueChanged();
    void ShowCaretPosition();
    [[nodiscard]] FilePos SelectionLength() const;
    void BlinkCaret();
    void DestroyCaret();
    // True, with "The file is open read-only." in the status bar, when the document is
    // view-only: every edit asks here first.
    bool RefusedAsReadOnly();
    void SetStatus(const QString& text);
    void ShowOverwriteState();

    // Members in the order of the view's design. The pixel positions of the scroll range
    // are 64-bit: with few bytes per row even a small file is taller than 2^32 pixels.
    QFont m_font;
    int m_nLineHeight = 0;
    int m_nRowPitch = 0;
    int m_nCharWidth = 0;
    // The scroll position: the top row (below) and the pixels of it above the window.
    std::int32_t m_nScrollOffsetPx = 0;
    std::uint64_t m_nPage = 0;
    std::uint64_t m_nMax = 0;
    int m_nDrawMode = -1;
    std::uint64_t m_nTopRow = 0;
    bool m_bInsertState = false;
    bool m_bMiddleDrag = false;
    bool m_bSelecting = false;
    bool m_bSelectionShown = false;
    bool m_bRecalcScroll = true;
    FilePos m_nSelAnchor = 0;
    FilePos m_nSelEnd = kNoSelection;
    QPoint m_ptMiddleDown{0, 0};
    // The caret: a file position, a column and (below) the hexadecimal digit state. Its
    // rectangle on the window is worked out from these and the scroll position.
    FilePos m_nCaretPos = 0;
    bool m_bCaretOnHex = false;
    bool m_bNibblePending = false;
    std::array<char, 2> m_nibbles{'0', '0'};
    int m_nAsciiLeft = 0;
    int m_nHexLeft = 0;
    std::vector<std::int32_t> m_columnX;
    int m_nBytesPerLine = 16;
    int m_nAddressDigits = kAddressDigits;
    int m_nLeftMargin = 2;
    int m_nGroupSize = 4;
    int m_nByteSpace = 3;
    int m_nGroupSpace = 5;
    int m_nAddressSpace = 4;
    int m_nAsciiSpace = 4;

    // The platform pieces that stand in for the window's own scroll bar and caret.
    QScrollBar* m_pScrollBar = nullptr;
    ScrollBarMapping m_barMapping;
    QTimer* m_pCaretTimer = nullptr;
    bool m_bCaretCreated = false;
    bool m_bCaretOn = false;
    int m_nAscent = 0;
    bool m_bSearching = false;
    // Runs from the end of the last search: an Esc soon after it cancels nothing and types
    // nothing either.
    QElapsedTimer m_searchEnded;
    std::vector<std::uint8_t> m_rowBuffer;
    // The read failure the status bar was last told while drawing.
    QString m_readFailureShown;
    RowMarker m_rowMarker;
    std::array<QString, 256> m_charTexts;
    WheelAccumulator m_wheel;
    CellBackground m_cellBackground;
    // The left button went down past the end of the data: until the pointer reaches a byte,
    // the drag selects nothing.
    bool m_bAnchorPastEnd = false;
};

} // namespace vtx
