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
    return (static_cast<std::int64_t>(topRow) + hit.row) * bytesPerLine + hit.column;
}

std::uint64_t DocumentRows(FilePos fileLength, std::int32_t bytesPerLine)
{
    return fileLength / static_cast<std::uint64_t>(std::max(bytesPerLine, kMinBytesPerLine)) + 1;
}

std::optional<ScrollRange> ComputeScrollRange(FilePos fileLength, std::int32_t bytesPerLine,
                                              std::int32_t rowPitchPx, std::int64_t clientHeightPx,
                                              std::uint64_t scrollPosPx)
{
    if (fileLength == 0)
        return std::nullopt;
    const std::uint64_t pitch = static_cast<std::uint64_t>(std::max(rowPitchPx, 1));
    const std::uint64_t client = static_cast<std::uint64_t>(std::max<std::int64_t>(clientHeightPx, 0));
    const std::uint64_t height = DocumentRows(fileLength, bytesPerLine) * pitch;
    ScrollRange range;
    if (client >= height) {
        range.pagePx = height;
        range.maxPx = 0;
        range.scrollPosPx = 0;
    } else {
        range.maxPx = height;
        range.pagePx = (client / pitch) * pitch;
        range.scrollPosPx = std::min(scrollPosPx, height - range.pagePx);
    }
    return range;
}

std::uint64_t ScrollLimitPx(FilePos fileLength, std::int32_t bytesPerLine, std::int32_t lineHeightPx,
                            std::uint64_t pagePx)
{
    const std::uint64_t full = DocumentRows(fileLength, bytesPerLine) * static_cast<std::uint64_t>(std::max(lineHeightPx, 1));
    return full > pagePx ? full - pagePx : 0;
}

std::optional<std::int64_t> ScrollDeltaPx(ScrollCode code, std::uint64_t scrollPosPx, std::uint64_t limitPx,
                                          std::int32_t lineHeightPx, std::uint64_t pagePx,
                                          std::optional<std::uint64_t> trackPx)
{
    const std::uint64_t line = static_cast<std::uint64_t>(std::max(lineHeightPx, 1));
    const auto signedPx = [](std::uint64_t px) { return static_cast<std::int64_t>(px); };
    switch (code) {
    case ScrollCode::LineUp:
        if (scrollPosPx == 0)
            return std::nullopt;
        return -signedPx(std::min(line, scrollPosPx));
    case ScrollCode::LineDown:
        if (scrollPosPx >= limitPx + 8)
            return std::nullopt;
        if (scrollPosPx <= limitPx)
            return signedPx(std::min(line, limitPx - scrollPosPx));
        return signedPx(line);
    case ScrollCode::PageUp:
        if (scrollPosPx == 0)
            return std::nullopt;
        return -signedPx(std::min(pagePx, scrollPosPx));
    case ScrollCode::PageDown:
        if (scrollPosPx >= limitPx)
            return std::nullopt;
        return signedPx(std::min(pagePx, limitPx - scrollPosPx));
    case ScrollCode::ThumbPosition: {
        if (!trackPx)
            return std::nullopt;
        std::uint64_t target = *trackPx;
        const std::uint64_t lineStart = target / line * line;
        if (target != lineStart && lineStart < limitPx)
            target = lineStart + 1;
        return signedPx(target) - signedPx(scrollPosPx);
    }
    case ScrollCode::Top:
        if (scrollPosPx == 0)
            return std::nullopt;
        return -signedPx(scrollPosPx);
    case ScrollCode::Bottom:
        if (scrollPosPx >= limitPx)
            return std::nullopt;
        return signedPx(limitPx - scrollPosPx);
    default:
        return std::nullopt;
    }
}

RowSpan DrawRowSpan(std::uint64_t scrollPosPx, std::int32_t rowPitchPx, std::int32_t lineHeightPx,
                    std::int32_t clientHeightPx, std::int32_t drawMode)
{
    const std::uint64_t first = scrollPosPx / static_cast<std::uint64_t>(std::max(rowPitchPx, 1));
    const std::uint64_t visible =
        static_cast<std::uint64_t>(std::max(clientHeightPx, 0) / std::max(lineHeightPx, 1));
    switch (drawMode) {
    case 1:
        return {first + visible >= 1 ? first + visible - 1 : 0, first + visible + 1};
    case 0:
        return {first, first + 1};
    default:
        return {first, first + visible + 1};
    }
}

RowSpan RowsInBand(std::uint64_t scrollPosPx, std::int32_t rowPitchPx, std::int32_t topPx, std::int32_t bottomPx)
{
    if (bottomPx <= topPx)
        return {};
    const std::int64_t pitch = std::max(rowPitchPx, 1);
    const std::int64_t pos = static_cast<std::int64_t>(scrollPosPx);
    const std::int64_t top = std::max<std::int64_t>(pos + topPx, 0);
    const std::int64_t bottom = pos + bottomPx - 1;
    if (bottom < top)
        return {};
    return {static_cast<std::uint64_t>(top / pitch), static_cast<std::uint64_t>(bottom / pitch + 1)};
}

std::int64_t RowTopPx(std::uint64_t row, std::int32_t rowPitchPx, std::uint64_t scrollPosPx)
{
    return static_cast<std::int64_t>(row * static_cast<std::uint64_t>(rowPitchPx))
           - static_cast<std::int64_t>(scrollPosPx);
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

std::string CaretPositionText(FilePos pos, FilePos selectionLength, std::int32_t digits)
{
    std::string text = "Offset: " + OffsetText(pos, digits) + " (" + std::to_string(pos) + ")";
    if (selectionLength > 0)
        text += "   Selected: " + std::to_string(selectionLength) + (selectionLength == 1 ? " byte" : " bytes");
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

std::int32_t ScrollBarMapping::ToBar(std::uint64_t posPx) const
{
    const std::uint64_t value = (posPx + unitPx - 1) / unitPx;
    return static_cast<std::int32_t>(std::min<std::uint64_t>(value, static_cast<std::uint64_t>(maximum)));
}

std::uint64_t ScrollBarMapping::FromBar(std::int32_t value) const
{
    return static_cast<std::uint64_t>(std::max(value, 0)) * unitPx;
}

} // namespace vtx
