#pragma once
// The hex view's arithmetic, free of widgets: where each cell of a row starts, which cell a
// point falls in, how tall the document is, how far a scroll command moves, which rows a
// draw has to read, and how pixel positions map onto an int-ranged scroll bar. The view
// calls these; the tests call them directly.
//
// Units are in the names: `Px` for pixels, `Row` for file rows, `Pos` for byte offsets,
// `Chars` for character widths.

// this program
#include "platform/FilePos.h"

// std
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vtx {

// The selection end that means "no selection".
inline constexpr FilePos kNoSelection = ~FilePos{0};

// Addresses have eight hexadecimal digits, and more in a file whose last offset needs
// them: always an even number, so an address reads as whole bytes.
inline constexpr std::int32_t kAddressDigits = 8;
[[nodiscard]] std::int32_t AddressDigits(FilePos fileLength);
// The largest address that many hex digits hold (FFFFFFFF for eight).
[[nodiscard]] FilePos LargestAddress(std::int32_t digits);

// One byte row may not exceed what a single document read delivers.
inline constexpr std::int32_t kMinBytesPerLine = 1;
inline constexpr std::int32_t kMaxBytesPerLine = 65535;

// One cell of the view, as the hit test finds it. The view keeps the caret cell in one.
struct HitInfo {
    std::int32_t column = 0;    // byte index within the row
    std::int32_t row = 0;       // row counted from the top of the window
    std::int32_t x = 0;         // left edge of the cell: where the caret goes
    std::int32_t y = 0;         // caret top for the cell
    FilePos filePos = 0;        // (top row + row) * bytes per line + column
    bool onHex = false;         // hex column (true) or ASCII column (false)
    friend bool operator==(const HitInfo&, const HitInfo&) = default;
};

// The layout values the column table is built from. Spacings are in characters.
struct ColumnLayout {
    std::int32_t bytesPerLine = 16;
    std::int32_t addressDigits = kAddressDigits;  // the address column is these and a colon
    std::int32_t leftMarginPx = 2;
    std::int32_t groupSize = 4;
    std::int32_t byteSpaceChars = 3;
    std::int32_t groupSpaceChars = 5;
    std::int32_t addressSpaceChars = 4;
    std::int32_t asciiSpaceChars = 4;
};

// Left edges of every cell of a row, margin included: entries 0..B-1 the hex cells,
// B..2B-1 the ASCII characters, entry 2B the right edge of the ASCII column.
struct ColumnTable {
    std::vector<std::int32_t> columnXPx;
    std::int32_t hexLeftPx = 0;
    std::int32_t asciiLeftPx = 0;
};

// A group size of 0, below 0 or above the bytes per line never closes a group, so such a
// row has no group gaps; a group size of 1 puts the group gap after every byte.
[[nodiscard]] ColumnTable BuildColumns(const ColumnLayout& layout, std::int32_t charWidthPx);

// The hit test of a point against a column table. A point on a boundary belongs to the
// cell on its right; the address column belongs to hex cell 0; anything at or right of the
// ASCII column's right edge to the row's last character; the blank after a hex cell and the
// gaps to the cell on their left. dc moves the result that many cells within its column
// (kept inside the row), dr one row down (> 0) or up (< 0, not above row 0). The position
// is not compared with any file length; it wraps as unsigned 64-bit arithmetic does. Rows
// round toward minus infinity: a point above the window is in a negative row.
[[nodiscard]] HitInfo HitTestCell(std::span<const std::int32_t> columnXPx, std::int32_t bytesPerLine,
                                  std::int32_t rowPitchPx, std::uint64_t topRow, std::int32_t xPx,
                                  std::int32_t yPx, std::int32_t dc, std::int32_t dr);

// The position a hit stands for without wrapping: negative above the file's start, and
// held at the largest int64 rather than overflowing.
[[nodiscard]] std::int64_t HitPosition(const HitInfo& hit, std::int32_t bytesPerLine, std::uint64_t topRow);

// A scroll position: the file row at the window's top and how many pixels of it lie above
// the window (0 <= px < the row pitch). Rows are 64-bit and pixels stay within one row, so
// the position reaches the last row of any file: a file of 2^63 - 1 bytes at one byte a
// row is more than 2^64 pixels tall. Positions compare as the pixel offsets they stand for.
struct ScrollPoint {
    std::uint64_t row = 0;
    std::int32_t px = 0;
    friend auto operator<=>(const ScrollPoint&, const ScrollPoint&) = default;
};

// Pixels from the document's top, as a point.
[[nodiscard]] ScrollPoint PointFromPx(std::uint64_t px, std::int32_t rowPitchPx);
// The pixel offset of a point; the largest uint64 when it does not fit.
[[nodiscard]] std::uint64_t PxFromPoint(const ScrollPoint& point, std::int32_t rowPitchPx);
// count * unitPx pixels as a point, without overflow (a number of lines of the line
// height, of rows of the pitch).
[[nodiscard]] ScrollPoint PointOfUnits(std::uint64_t count, std::int32_t unitPx, std::int32_t rowPitchPx);
// The point deltaPx pixels further down (up when negative), held at the document's top and
// at the largest row.
[[nodiscard]] ScrollPoint MovePoint(const ScrollPoint& point, std::int64_t deltaPx, std::int32_t rowPitchPx);
// to - from in pixels, held within int64.
[[nodiscard]] std::int64_t PxBetween(const ScrollPoint& from, const ScrollPoint& to, std::int32_t rowPitchPx);

// Rows of the virtual document: one per bytesPerLine bytes, plus one that is always there.
[[nodiscard]] std::uint64_t DocumentRows(FilePos fileLength, std::int32_t bytesPerLine);

// Page size, range maximum and clamped position for a client height. nullopt for an empty
// file: the range is then left as it was.
struct ScrollRange {
    std::uint64_t pagePx = 0;
    std::uint64_t maxPx = 0;
    std::uint64_t scrollPosPx = 0;
};
[[nodiscard]] std::optional<ScrollRange> ComputeScrollRange(FilePos fileLength, std::int32_t bytesPerLine,
                                                            std::int32_t rowPitchPx, std::int64_t clientHeightPx,
                                                            std::uint64_t scrollPosPx);
// The same for a document of any height: the position is a point, the maximum (the
// document's height) is held at the largest uint64 where it does not fit.
struct ScrollRangeAt {
    std::uint64_t pagePx = 0;
    std::uint64_t maxPx = 0;
    ScrollPoint scroll;
    // The point of the document's bottom: what maxPx stands for; 0 when all of it fits.
    ScrollPoint bottom;
};
[[nodiscard]] std::optional<ScrollRangeAt> ComputeScrollRangeAt(FilePos fileLength, std::int32_t bytesPerLine,
                                                                std::int32_t rowPitchPx, std::int64_t clientHeightPx,
                                                                const ScrollPoint& scroll);

// How far the scrolling commands may go: rows * line height - page, never below 0.
[[nodiscard]] std::uint64_t ScrollLimitPx(FilePos fileLength, std::int32_t bytesPerLine,
                                          std::int32_t lineHeightPx, std::uint64_t pagePx);
[[nodiscard]] ScrollPoint ScrollLimit(FilePos fileLength, std::int32_t bytesPerLine, std::int32_t lineHeightPx,
                                      std::int32_t rowPitchPx, std::uint64_t pagePx);

// The scroll bar's codes, numbered as the platform numbered them.
enum class ScrollCode : int {
    LineUp = 0,
    LineDown = 1,
    PageUp = 2,
    PageDown = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    Top = 6,
    Bottom = 7,
    EndScroll = 8,
};

// The change of the scroll position a command makes, or nullopt when it does nothing.
// Line down keeps moving a whole line while the position lies less than 8 pixels beyond
// the limit. A thumb released strictly inside a line below the limit lands one pixel below
// that line's start; trackPx is where it was released. Top and Bottom (the scroll bar's own
// menu) go to 0 and to the limit.
[[nodiscard]] std::optional<std::int64_t> ScrollDeltaPx(ScrollCode code, std::uint64_t scrollPosPx,
                                                        std::uint64_t limitPx, std::int32_t lineHeightPx,
                                                        std::uint64_t pagePx,
                                                        std::optional<std::uint64_t> trackPx);
// The same on points: where the command moves the view, or nullopt when it does nothing.
[[nodiscard]] std::optional<ScrollPoint> ScrollTarget(ScrollCode code, const ScrollPoint& scroll,
                                                      const ScrollPoint& limit, std::int32_t lineHeightPx,
                                                      std::int32_t rowPitchPx, std::uint64_t pagePx,
                                                      std::optional<ScrollPoint> track);

// A half-open range of file rows.
struct RowSpan {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
    [[nodiscard]] bool Empty() const { return end <= first; }
    [[nodiscard]] bool Contains(const RowSpan& other) const
    {
        return other.Empty() || (first <= other.first && other.end <= end);
    }
};

// Which rows a draw paints: drawMode 1 the two rows at the bottom (uncovered by a one-line
// scroll down), 0 the top row (uncovered by a one-line scroll up), anything else every row
// at least partly visible.
[[nodiscard]] RowSpan DrawRowSpan(const ScrollPoint& scroll, std::int32_t rowPitchPx,
                                  std::int32_t lineHeightPx, std::int32_t clientHeightPx, std::int32_t drawMode);
[[nodiscard]] RowSpan DrawRowSpan(std::uint64_t scrollPosPx, std::int32_t rowPitchPx,
                                  std::int32_t lineHeightPx, std::int32_t clientHeightPx, std::int32_t drawMode);

// The rows that a band of window pixels [topPx, bottomPx) shows.
[[nodiscard]] RowSpan RowsInBand(const ScrollPoint& scroll, std::int32_t rowPitchPx, std::int32_t topPx,
                                 std::int32_t bottomPx);
[[nodiscard]] RowSpan RowsInBand(std::uint64_t scrollPosPx, std::int32_t rowPitchPx, std::int32_t topPx,
                                 std::int32_t bottomPx);

// Window y of a row's top edge (negative or beyond the window for rows not shown), held
// within +-2^40 pixels for rows far off the window.
[[nodiscard]] std::int64_t RowTopPx(std::uint64_t row, std::int32_t rowPitchPx, const ScrollPoint& scroll);
[[nodiscard]] std::int64_t RowTopPx(std::uint64_t row, std::int32_t rowPitchPx, std::uint64_t scrollPosPx);

// Both ends of a selection are included; kNoSelection as the end means none.
[[nodiscard]] bool IsSelected(FilePos pos, FilePos anchor, FilePos end);

// The character a byte shows in the ASCII column, as a Latin-1 code: "." below 0x20.
[[nodiscard]] char DisplayChar(std::uint8_t value);
// A position in upper-case hexadecimal, zero-filled to `digits` ("%0.8X" for eight).
[[nodiscard]] std::string OffsetText(FilePos pos, std::int32_t digits = kAddressDigits);
// The same with a colon: a row's address.
[[nodiscard]] std::string AddressText(FilePos pos, std::int32_t digits = kAddressDigits);
// The status bar's caret pane: "Offset: 0000001F (31)", and while a selection exists
// "Offset: 0000001F (31)   Selected: 4 bytes". A selection length of 0 means none. When
// the byte under the caret cannot be read, `unreadableReason` (the system's text) follows:
// "Offset: 0000001F (31)   Unreadable: Input/output error".
[[nodiscard]] std::string CaretPositionText(FilePos pos, FilePos selectionLength,
                                            std::int32_t digits = kAddressDigits,
                                            std::string_view unreadableReason = {});

// A scroll bar holds int positions; a document's pixel height can exceed them (few bytes
// per row in a large file). The mapping scales pixel positions down by a whole factor when
// needed. The largest position is max - page + 1, as the platform's bar allowed.
// A document too tall for 64 bits of pixels is mapped by rows instead (unitRows > 0).
struct ScrollBarMapping {
    std::int32_t maximum = 0;  // 0: nothing to scroll
    std::int32_t pageStep = 0;
    std::uint64_t unitPx = 1;  // pixels per bar step
    std::uint64_t unitRows = 0;  // rows per bar step, for a document mapped by rows
    std::uint64_t lastRow = 0;   // the row at the bar's end, for a document mapped by rows
    std::int32_t rowPitchPx = 1;

    [[nodiscard]] static ScrollBarMapping For(std::uint64_t maxPx, std::uint64_t pagePx);
    // bottom: the document's height as a point (ScrollRangeAt::bottom).
    [[nodiscard]] static ScrollBarMapping For(const ScrollPoint& bottom, std::uint64_t pagePx, std::int32_t rowPitchPx);
    [[nodiscard]] std::int32_t ToBar(std::uint64_t posPx) const;
    [[nodiscard]] std::uint64_t FromBar(std::int32_t value) const;
    [[nodiscard]] std::int32_t ToBar(const ScrollPoint& point) const;
    [[nodiscard]] ScrollPoint PointFromBar(std::int32_t value) const;
};

} // namespace vtx
