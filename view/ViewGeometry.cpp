#include "ViewGeometry.h"

// std
#include <algorithm>
#include <cstdio>
#include <limits>

namespace vtx {

std::int32_t AddressDigits(FilePos fileLength)
{
    const FilePos last = fileLength > 0 ? fileLength - 1 : 0;
    std::int32_t digits = kAddressDigits;
    while (digits < 16 && (last >> (4 * digits)) != 0)
        digits += 2;
    return digits;
}

FilePos LargestAddress(std::int32_t digits)
{
    return digits >= 16 ? ~FilePos{0} : (FilePos{1} << (4 * std::max(digits, 1))) - 1;
}

ColumnTable BuildColumns(const ColumnLayout& layout, std::int32_t charWidthPx)
{
    const std::int32_t bytes = std::max(layout.bytesPerLine, kMinBytesPerLine);
    const std::int32_t margin = layout.leftMarginPx;
    ColumnTable table;
    table.columnXPx.reserve(2 * static_cast<std::size_t>(bytes) + 2);

    std::int32_t x = (layout.addressDigits + 1 + layout.addressSpaceChars) * charWidthPx;
    table.hexLeftPx = margin + x;
    table.columnXPx.push_back(table.hexLeftPx);
    std::int32_t inGroup = 1;
    for (std::int32_t i = 0; i < bytes; ++i) {
        if (inGroup == layout.groupSize) {
            x += layout.groupSpaceChars * charWidthPx;
            inGroup = 1;
        } else {
            x += layout.byteSpaceChars * charWidthPx;
            ++inGroup;
        }
        table.columnXPx.push_back(margin + x);
    }
    // The last entry would be the start of a cell after the row's last byte.
    table.columnXPx.pop_back();

    x += (layout.asciiSpaceChars - layout.byteSpaceChars) * charWidthPx;
    table.asciiLeftPx = margin + x;
    table.columnXPx.push_back(table.asciiLeftPx);
    for (std::int32_t i = 0; i < bytes; ++i) {
        x += charWidthPx;
        table.columnXPx.push_back(margin + x);
    }
    return table;
}

HitInfo HitTestCell(std::span<const std::int32_t> columnXPx, std::int32_t bytesPerLine,
                    std::int32_t rowPitchPx, std::uint64_t topRow, std::int32_t xPx, std::int32_t yPx,
                    std::int32_t dc, std::int32_t dr)
{
    const std::int32_t bytes = std::max(bytesPerLine, kMinBytesPerLine);
    const std::int32_t pitch = std::max(rowPitchPx, 1);
    const std::size_t cells = 2 * static_cast<std::size_t>(bytes);
    HitInfo hit;
    if (columnXPx.size() < cells + 1)
        return hit;

    // The cell whose left edge is the last one at or left of the point. The edges rise
    // strictly, so this is the walk over the boundaries in one search.
    std::size_t cell = 0;
    if (xPx >= columnXPx[cells]) {
        cell = cells - 1;
    } else if (xPx > columnXPx[0]) {
        const auto edges = columnXPx.first(cells);
        cell = static_cast<std::size_t>(std::upper_bound(edges.begin(), edges.end(), xPx) - edges.begin()) - 1;
    }
    std::int32_t edge = columnXPx[cell];
    hit.onHex = cell < static_cast<std::size_t>(bytes);
    hit.column = static_cast<std::int32_t>(hit.onHex ? cell : cell - static_cast<std::size_t>(bytes));

    if (dc != 0) {
        hit.column = std::clamp(hit.column + dc, 0, bytes - 1);
        edge = columnXPx[static_cast<std::size_t>(hit.onHex ? hit.column : bytes + hit.column)];
    }

    // Rows are counted from the window's top, rounding toward minus infinity: a point (or
    // a caret scrolled off) above the window lies in row -1, -2, ..., never in row 0.
    hit.row = yPx / pitch;
    if (yPx < 0 && yPx % pitch != 0)
        --hit.row;
    hit.y = hit.row * pitch + 1;
    if (dr > 0) {
        hit.row += dr;
        hit.y += pitch;
    } else if (dr < 0 && hit.row > 0) {
        hit.row += dr;
        hit.y -= pitch;
    }
    hit.x = edge;
    // Unsigned arithmetic: a row above the file's start wraps to a position no file has.
    hit.filePos = (topRow + static_cast<FilePos>(static_cast<std::int64_t>(hit.row))) * static_cast<FilePos>(bytes)
                  + static_cast<FilePos>(hit.column);
    return hit;
}

std::int64_t HitPosition(const HitInfo& hit, std::int32_t bytesPerLine, std::uint64_t topRow)
{
    constexpr std::uint64_t kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const std::uint64_t bytes = static_cast<std::uint64_t>(std::max(bytesPerLine, kMinBytesPerLine));
    const std::uint64_t column = static_cast<std::uint64_t>(std::max(hit.column, 0));
    const std::uint64_t up = hit.row < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(hit.row)) : 0;
    if (up > topRow) {
        // Above the file's start: a small negative number (at most 2^31 rows of 2^16 bytes).
        return -static_cast<std::int64_t>((up - topRow) * bytes) + static_cast<std::int64_t>(column);
    }
    const std::uint64_t row = hit.row < 0 ? topRow - up : topRow + static_cast<std::uint64_t>(hit.row);
    if ((hit.row >= 0 && row < topRow) || row > (kLargest - column) / bytes)
        return static_cast<std::int64_t>(kLargest);
    return static_cast<std::int64_t>(row * bytes + column);
}

namespace {

constexpr std::uint64_t kMaxU64 = std::numeric_limits<std::uint64_t>::max();
constexpr std::int64_t kMaxI64 = std::numeric_limits<std::int64_t>::max();

std::uint64_t Pitch(std::int32_t rowPitchPx)
{
    return static_cast<std::uint64_t>(std::max(rowPitchPx, 1));
}

std::uint64_t AddHeld(std::uint64_t a, std::uint64_t b)
{
    return a > kMaxU64 - b ? kMaxU64 : a + b;
}

} // namespace

ScrollPoint PointFromPx(std::uint64_t px, std::int32_t rowPitchPx)
{
    const std::uint64_t pitch = Pitch(rowPitchPx);
    return {px / pitch, static_cast<std::int32_t>(px % pitch)};
}

std::uint64_t PxFromPoint(const ScrollPoint& point, std::int32_t rowPitchPx)
{
    const std::uint64_t pitch = Pitch(rowPitchPx);
    const std::uint64_t px = static_cast<std::uint64_t>(std::max(point.px, 0));
    if (point.row > (kMaxU64 - px) / pitch)
        return kMaxU64;
    return point.row * pitch + px;
}

ScrollPoint PointOfUnits(std::uint64_t count, std::int32_t unitPx, std::int32_t rowPitchPx)
{
    // count * unit = (q * pitch + r) * unit = q * unit rows and r * unit pixels.
    const std::uint64_t pitch = Pitch(rowPitchPx);
    const std::uint64_t unit = static_cast<std::uint64_t>(std::max(unitPx, 0));
    const std::uint64_t q = count / pitch;
    const std::uint64_t rest = (count % pitch) * unit;
    if (unit != 0 && q > kMaxU64 / unit)
        return {kMaxU64, 0};
    return {AddHeld(q * unit, rest / pitch), static_cast<std::int32_t>(rest % pitch)};
}

ScrollPoint MovePoint(const ScrollPoint& point, std::int64_t deltaPx, std::int32_t rowPitchPx)
{
    const std::uint64_t pitch = Pitch(rowPitchPx);
    const std::int64_t pitchSigned = static_cast<std::int64_t>(pitch);
    if (deltaPx >= 0) {
        const std::uint64_t d = static_cast<std::uint64_t>(deltaPx);
        std::uint64_t rows = d / pitch;
        std::int64_t px = point.px + static_cast<std::int64_t>(d % pitch);
        if (px >= pitchSigned) {
            px -= pitchSigned;
            ++rows;
        }
        const std::uint64_t row = AddHeld(point.row, rows);
        return row == kMaxU64 ? ScrollPoint{kMaxU64, 0} : ScrollPoint{row, static_cast<std::int32_t>(px)};
    }
    // -(deltaPx) without overflow at the smallest int64.
    const std::uint64_t d = static_cast<std::uint64_t>(-(deltaPx + 1)) + 1;
    std::uint64_t rows = d / pitch;
    std::int64_t px = point.px - static_cast<std::int64_t>(d % pitch);
    if (px < 0) {
        px += pitchSigned;
        ++rows;
    }
    if (rows > point.row)
        return {};
    return {point.row - rows, static_cast<std::int32_t>(px)};
}

std::int64_t PxBetween(const ScrollPoint& from, const ScrollPoint& to, std::int32_t rowPitchPx)
{
    if (to < from)
        return -PxBetween(to, from, rowPitchPx);
    const std::uint64_t pitch = Pitch(rowPitchPx);
    const std::uint64_t rows = to.row - from.row;
    if (rows >= static_cast<std::uint64_t>(kMaxI64) / pitch - 1)
        return kMaxI64;
    return static_cast<std::int64_t>(rows * pitch) + to.px - from.px;
}

std::uint64_t DocumentRows(FilePos fileLength, std::int32_t bytesPerLine)
{
    return fileLength / static_cast<std::uint64_t>(std::max(bytesPerLine, kMinBytesPerLine)) + 1;
}

std::optional<ScrollRangeAt> ComputeScrollRangeAt(FilePos fileLength, std::int32_t bytesPerLine,
                                                  std::int32_t rowPitchPx, std::int64_t clientHeightPx,
                                                  const ScrollPoint& scroll)
{
    if (fileLength == 0)
        return std::nullopt;
    const std::uint64_t pitch = Pitch(rowPitchPx);
    const std::uint64_t client = static_cast<std::uint64_t>(std::max<std::int64_t>(clientHeightPx, 0));
    const ScrollPoint height{DocumentRows(fileLength, bytesPerLine), 0};
    ScrollRangeAt range;
    if (PointFromPx(client, rowPitchPx) >= height) {
        range.pagePx = height.row * pitch;
        range.maxPx = 0;
    } else {
        range.bottom = height;
        range.maxPx = PxFromPoint(height, rowPitchPx);
        range.pagePx = (client / pitch) * pitch;
        range.scroll = std::min(scroll, MovePoint(height, -static_cast<std::int64_t>(range.pagePx), rowPitchPx));
    }
    return range;
}

std::optional<ScrollRange> ComputeScrollRange(FilePos fileLength, std::int32_t bytesPerLine,
                                              std::int32_t rowPitchPx, std::int64_t clientHeightPx,
                                              std::uint64_t scrollPosPx)
{
    const auto at = ComputeScrollRangeAt(fileLength, bytesPerLine, rowPitchPx, clientHeightPx,
                                         PointFromPx(scrollPosPx, rowPitchPx));
    if (!at)
        return std::nullopt;
    return ScrollRange{at->pagePx, at->maxPx, PxFromPoint(at->scroll, rowPitchPx)};
}

ScrollPoint ScrollLimit(FilePos fileLength, std::int32_t bytesPerLine, std::int32_t lineHeightPx,
                        std::int32_t rowPitchPx, std::uint64_t pagePx)
{
    const ScrollPoint full =
        PointOfUnits(DocumentRows(fileLength, bytesPerLine), std::max(lineHeightPx, 1), rowPitchPx);
    return MovePoint(full, -static_cast<std::int64_t>(std::min<std::uint64_t>(pagePx, kMaxI64)), rowPitchPx);
}

std::uint64_t ScrollLimitPx(FilePos fileLength, std::int32_t bytesPerLine, std::int32_t lineHeightPx,
                            std::uint64_t pagePx)
{
    // With the line height as the pitch every point is a whole number of lines.
    const std::int32_t line = std::max(lineHeightPx, 1);
    return PxFromPoint(ScrollLimit(fileLength, bytesPerLine, line, line, pagePx), line);
}

std::optional<ScrollPoint> ScrollTarget(ScrollCode code, const ScrollPoint& scroll, const ScrollPoint& limit,
                                        std::int32_t lineHeightPx, std::int32_t rowPitchPx, std::uint64_t pagePx,
                                        std::optional<ScrollPoint> track)
{
    const std::int64_t line = std::max(lineHeightPx, 1);
    const std::int64_t page = static_cast<std::int64_t>(std::min<std::uint64_t>(pagePx, kMaxI64));
    const ScrollPoint top{};
    switch (code) {
    case ScrollCode::LineUp:
        if (scroll == top)
            return std::nullopt;
        return MovePoint(scroll, -line, rowPitchPx);
    case ScrollCode::LineDown:
        if (scroll >= MovePoint(limit, 8, rowPitchPx))
            return std::nullopt;
        if (scroll <= limit)
            return std::min(MovePoint(scroll, line, rowPitchPx), limit);
        return MovePoint(scroll, line, rowPitchPx);
    case ScrollCode::PageUp:
        if (scroll == top)
            return std::nullopt;
        return MovePoint(scroll, -page, rowPitchPx);
    case ScrollCode::PageDown:
        if (scroll >= limit)
            return std::nullopt;
        return std::min(MovePoint(scroll, page, rowPitchPx), limit);
    case ScrollCode::ThumbPosition: {
        if (!track)
            return std::nullopt;
        ScrollPoint target = *track;
        const std::uint64_t pitch = Pitch(rowPitchPx);
        if (target.row < (std::uint64_t{1} << 62) / pitch) {
            const std::uint64_t px = PxFromPoint(target, rowPitchPx);
            const std::uint64_t lineStart = px / static_cast<std::uint64_t>(line) * static_cast<std::uint64_t>(line);
            if (px != lineStart && PointFromPx(lineStart, rowPitchPx) < limit)
                target = PointFromPx(lineStart + 1, rowPitchPx);
        } else if (target.px != 0 && ScrollPoint{target.row, 0} < limit) {
            // A document this tall is mapped onto the bar by rows; lines are rows here.
            target.px = std::min(1, rowPitchPx - 1);
        }
        return target;
    }
    case ScrollCode::Top:
        if (scroll == top)
            return std::nullopt;
        return top;
    case ScrollCode::Bottom:
        if (scroll >= limit)
            return std::nullopt;
        return limit;
    default:
        return std::nullopt;
    }
}

std::optional<std::int64_t> ScrollDeltaPx(ScrollCode code, std::uint64_t scrollPosPx, std::uint64_t limitPx,
                                          std::int32_t lineHeightPx, std::uint64_t pagePx,
                                          std::optional<std::uint64_t> trackPx)
{
    // With a pitch of one pixel a point's row is its pixel offset.
    std::optional<ScrollPoint> track;
    if (trackPx)
        track = ScrollPoint{*trackPx, 0};
    const ScrollPoint from{scrollPosPx, 0};
    const auto target = ScrollTarget(code, from, ScrollPoint{limitPx, 0}, lineHeightPx, 1, pagePx, track);
    if (!target)
        return std::nullopt;
    return PxBetween(from, *target, 1);
}

RowSpan DrawRowSpan(const ScrollPoint& scroll, std::int32_t, std::int32_t lineHeightPx,
                    std::int32_t clientHeightPx, std::int32_t drawMode)
{
    const std::uint64_t first = scroll.row;
    const std::uint64_t visible =
        static_cast<std::uint64_t>(std::max(clientHeightPx, 0) / std::max(lineHeightPx, 1));
    const auto after = [&](std::uint64_t rows) { return AddHeld(first, rows); };
    switch (drawMode) {
    case 1:
        return {visible >= 1 ? after(visible - 1) : first, after(visible + 1)};
    case 0:
        return {first, after(1)};
    default:
        return {first, after(visible + 1)};
    }
}

RowSpan DrawRowSpan(std::uint64_t scrollPosPx, std::int32_t rowPitchPx, std::int32_t lineHeightPx,
                    std::int32_t clientHeightPx, std::int32_t drawMode)
{
    return DrawRowSpan(PointFromPx(scrollPosPx, rowPitchPx), rowPitchPx, lineHeightPx, clientHeightPx, drawMode);
}

RowSpan RowsInBand(const ScrollPoint& scroll, std::int32_t rowPitchPx, std::int32_t topPx, std::int32_t bottomPx)
{
    if (bottomPx <= topPx)
        return {};
    const std::int64_t pitch = std::max(rowPitchPx, 1);
    // Pixels from the top row's top edge; rows round toward minus infinity.
    const std::int64_t top = static_cast<std::int64_t>(scroll.px) + topPx;
    const std::int64_t bottom = static_cast<std::int64_t>(scroll.px) + bottomPx - 1;
    const auto floorRows = [pitch](std::int64_t px) { return px >= 0 ? px / pitch : -((-px + pitch - 1) / pitch); };
    const auto rowAt = [&](std::int64_t rows) -> std::uint64_t {
        if (rows >= 0)
            return AddHeld(scroll.row, static_cast<std::uint64_t>(rows));
        const std::uint64_t up = static_cast<std::uint64_t>(-rows);
        return up > scroll.row ? 0 : scroll.row - up;
    };
    const std::int64_t lastRows = floorRows(bottom);
    if (lastRows < 0 && static_cast<std::uint64_t>(-lastRows) > scroll.row)
        return {};
    return {rowAt(floorRows(top)), AddHeld(rowAt(lastRows), 1)};
}

RowSpan RowsInBand(std::uint64_t scrollPosPx, std::int32_t rowPitchPx, std::int32_t topPx, std::int32_t bottomPx)
{
    return RowsInBand(PointFromPx(scrollPosPx, rowPitchPx), rowPitchPx, topPx, bottomPx);
}

std::int64_t RowTopPx(std::uint64_t row, std::int32_t rowPitchPx, const ScrollPoint& scroll)
{
    constexpr std::uint64_t kFar = std::uint64_t{1} << 24;
    const std::int64_t pitch = std::max(rowPitchPx, 1);
    std::int64_t rows = 0;
    if (row >= scroll.row)
        rows = static_cast<std::int64_t>(std::min(row - scroll.row, kFar));
    else
        rows = -static_cast<std::int64_t>(std::min(scroll.row - row, kFar));
    return rows * pitch - scroll.px;
}

std::int64_t RowTopPx(std::uint64_t row, std::int32_t rowPitchPx, std::uint64_t scrollPosPx)
{
    return RowTopPx(row, rowPitchPx, PointFromPx(scrollPosPx, rowPitchPx));
}

bool IsSelected(FilePos pos, FilePos anchor, FilePos end)
{
    if (end == kNoSelection)
        return false;
    return std::min(anchor, end) <= pos && pos <= std::max(anchor, end);
}

char DisplayChar(std::uint8_t value)
{
    return value < 0x20 ? '.' : static_cast<char>(value);
}

std::string OffsetText(FilePos pos, std::int32_t digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", std::clamp(digits, 1, 16), static_cast<unsigned long long>(pos));
    return text;
}

std::string AddressText(FilePos pos, std::int32_t digits)
{
    return OffsetText(pos, digits) + ':';
}

std::string CaretPositionText(FilePos pos, FilePos selectionLength, std::int32_t digits,
                              std::string_view unreadableReason)
{
    std::string text = "Offset: " + OffsetText(pos, digits) + " (" + std::to_string(pos) + ")";
    if (selectionLength > 0)
        text += "   Selected: " + std::to_string(selectionLength) + (selectionLength == 1 ? " byte" : " bytes");
    if (!unreadableReason.empty())
        text.append("   Unreadable: ").append(unreadableReason);
    return text;
}

ScrollBarMapping ScrollBarMapping::For(std::uint64_t maxPx, std::uint64_t pagePx)
{
    constexpr std::uint64_t kIntMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    ScrollBarMapping mapping;
    const std::uint64_t lastPos = maxPx > 0 && maxPx >= pagePx ? maxPx - pagePx + 1 : 0;
    mapping.unitPx = lastPos <= kIntMax ? 1 : (lastPos + kIntMax - 1) / kIntMax;
    mapping.maximum = static_cast<std::int32_t>((lastPos + mapping.unitPx - 1) / mapping.unitPx);
    mapping.pageStep = static_cast<std::int32_t>(std::min(pagePx / mapping.unitPx, kIntMax));
    if (mapping.pageStep == 0 && pagePx > 0)
        mapping.pageStep = 1;
    return mapping;
}

ScrollBarMapping ScrollBarMapping::For(const ScrollPoint& bottom, std::uint64_t pagePx, std::int32_t rowPitchPx)
{
    constexpr std::uint64_t kIntMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    const std::uint64_t pitch = Pitch(rowPitchPx);
    if (bottom.row < (std::uint64_t{1} << 62) / pitch) {
        ScrollBarMapping mapping = For(PxFromPoint(bottom, rowPitchPx), pagePx);
        mapping.rowPitchPx = static_cast<std::int32_t>(pitch);
        return mapping;
    }
    // Taller than 2^62 pixels: one bar step is a number of whole rows, and the bar's end is
    // the last row the view can scroll to.
    ScrollBarMapping mapping;
    mapping.rowPitchPx = static_cast<std::int32_t>(pitch);
    const std::uint64_t lastRow = MovePoint(bottom, -static_cast<std::int64_t>(pagePx), rowPitchPx).row;
    mapping.lastRow = lastRow;
    mapping.unitRows = std::max<std::uint64_t>(1, (lastRow + kIntMax - 1) / kIntMax);
    mapping.unitPx = 0;
    mapping.maximum = static_cast<std::int32_t>((lastRow + mapping.unitRows - 1) / mapping.unitRows);
    mapping.pageStep = static_cast<std::int32_t>(std::clamp<std::uint64_t>(pagePx / pitch / mapping.unitRows, 1, kIntMax));
    return mapping;
}

std::int32_t ScrollBarMapping::ToBar(std::uint64_t posPx) const
{
    if (unitRows > 0)
        return ToBar(PointFromPx(posPx, rowPitchPx));
    const std::uint64_t value = (posPx + unitPx - 1) / unitPx;
    return static_cast<std::int32_t>(std::min<std::uint64_t>(value, static_cast<std::uint64_t>(maximum)));
}

std::uint64_t ScrollBarMapping::FromBar(std::int32_t value) const
{
    if (unitRows > 0)
        return PxFromPoint(PointFromBar(value), rowPitchPx);
    return static_cast<std::uint64_t>(std::max(value, 0)) * unitPx;
}

std::int32_t ScrollBarMapping::ToBar(const ScrollPoint& point) const
{
    if (unitRows == 0)
        return ToBar(PxFromPoint(point, rowPitchPx));
    const std::uint64_t rows = AddHeld(point.row, point.px > 0 ? 1 : 0);
    const std::uint64_t value = rows / unitRows + (rows % unitRows != 0 ? 1 : 0);
    return static_cast<std::int32_t>(std::min<std::uint64_t>(value, static_cast<std::uint64_t>(maximum)));
}

ScrollPoint ScrollBarMapping::PointFromBar(std::int32_t value) const
{
    if (unitRows == 0)
        return PointFromPx(FromBar(value), rowPitchPx);
    return {std::min(static_cast<std::uint64_t>(std::max(value, 0)) * unitRows, lastRow), 0};
}

} // namespace vtx
