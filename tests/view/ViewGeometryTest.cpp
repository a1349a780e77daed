// The view's arithmetic without a window: column table, hit test, scroll range and steps,
// the rows a draw reads, and the scroll bar mapping.
#include "view/ViewGeometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace vtx {
namespace {

constexpr int kCw = 10; // a character width that keeps the numbers readable
constexpr int kMargin = 2;

std::vector<int> InChars(const ColumnTable& table)
{
    std::vector<int> chars;
    for (const int x : table.columnXPx) {
        EXPECT_EQ((x - kMargin) % kCw, 0) << "edge " << x << " is not on a character boundary";
        chars.push_back((x - kMargin) / kCw);
    }
    return chars;
}

ColumnTable Columns(int bytes, int group)
{
    ColumnLayout layout;
    layout.bytesPerLine = bytes;
    layout.groupSize = group;
    return BuildColumns(layout, kCw);
}

TEST(ColumnTable, DefaultsPlaceCellsAndCharacters)
{
    const ColumnTable table = Columns(16, 4);
    const std::vector<int> expected = {13, 16, 19, 22, 27, 30, 33, 36, 41, 44, 47, 50, 55, 58, 61, 64,
                                       70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85, 86};
    EXPECT_EQ(InChars(table), expected);
    EXPECT_EQ(table.hexLeftPx, kMargin + 13 * kCw);
    EXPECT_EQ(table.asciiLeftPx, kMargin + 70 * kCw);
}

TEST(ColumnTable, EightBytesInGroupsOfFourMoveTheAsciiColumnLeft)
{
    const std::vector<int> expected = {13, 16, 19, 22, 27, 30, 33, 36, 42, 43, 44, 45, 46, 47, 48, 49, 50};
    EXPECT_EQ(InChars(Columns(8, 4)), expected);
}

TEST(ColumnTable, GroupSizesWithoutGapsAndWithAGapAfterEveryByte)
{
    // 0, below 0 and above the bytes per row never close a group.
    const std::vector<int> noGaps = {13, 16, 19, 22, 26, 27, 28, 29, 30};
    EXPECT_EQ(InChars(Columns(4, 0)), noGaps);
    EXPECT_EQ(InChars(Columns(4, -3)), noGaps);
    EXPECT_EQ(InChars(Columns(4, 5)), noGaps);
    // 1: the group gap after every byte.
    const std::vector<int> everyByte = {13, 18, 23, 28, 34, 35, 36, 37, 38};
    EXPECT_EQ(InChars(Columns(4, 1)), everyByte);
}

class HitTestCellTest : public ::testing::Test
{
protected:
    ColumnTable table = Columns(16, 4);
    static constexpr int kPitch = 16;
    [[nodiscard]] int Edge(int cell) const { return table.columnXPx[static_cast<std::size_t>(cell)]; }
    [[nodiscard]] HitInfo Hit(int x, int y, int dc = 0, int dr = 0, std::uint32_t top = 0) const
    {
        return HitTestCell(table.columnXPx, 16, kPitch, top, x, y, dc, dr);
    }
};

TEST_F(HitTestCellTest, BoundariesBelongToTheCellOnTheirRight)
{
    // Exactly on a cell's left edge: that cell, not the one before.
    EXPECT_EQ(Hit(Edge(5), 0).column, 5);
    EXPECT_EQ(Hit(Edge(5) - 1, 0).column, 4);
    EXPECT_EQ(Hit(Edge(5), 0).x, Edge(5));
    // The address column and the margin: hex cell 0.
    const HitInfo address = Hit(0, 3);
    EXPECT_TRUE(address.onHex);
    EXPECT_EQ(address.column, 0);
    EXPECT_EQ(address.x, Edge(0));
    // A group gap and the blank after a cell: the cell on the left.
    EXPECT_EQ(Hit(Edge(4) - kCw, 0).column, 3);
    EXPECT_EQ(Hit(Edge(1) - 1, 0).column, 0);
    // The gap before the ASCII column: the last hex cell.
    const HitInfo gap = Hit(Edge(16) - 1, 0);
    EXPECT_TRUE(gap.onHex);
    EXPECT_EQ(gap.column, 15);
    // The ASCII column's first character, and right of the column: its last character.
    const HitInfo ascii = Hit(Edge(16), 0);
    EXPECT_FALSE(ascii.onHex);
    EXPECT_EQ(ascii.column, 0);
    for (const int x : {Edge(32), Edge(32) + 500}) {
        const HitInfo right = Hit(x, 0);
        EXPECT_FALSE(right.onHex);
        EXPECT_EQ(right.column, 15);
        EXPECT_EQ(right.x, Edge(31));
    }
}

TEST_F(HitTestCellTest, RowsPositionsAndDeltas)
{
    const HitInfo hit = Hit(Edge(2) + 1, 2 * kPitch + 5, 0, 0, 7);
    EXPECT_EQ(hit.row, 2);
    EXPECT_EQ(hit.y, 2 * kPitch + 1);
    EXPECT_EQ(hit.filePos, (7u + 2u) * 16u + 2u);

    const HitInfo moved = Hit(Edge(2), 2 * kPitch, 3, 1);
    EXPECT_EQ(moved.column, 5);
    EXPECT_EQ(moved.x, Edge(5));
    EXPECT_EQ(moved.row, 3);
    EXPECT_EQ(moved.y, 3 * kPitch + 1);
    // In the ASCII column a column delta moves along the characters.
    const HitInfo asciiMoved = Hit(Edge(16), 0, 15, 0);
    EXPECT_EQ(asciiMoved.column, 15);
    EXPECT_EQ(asciiMoved.x, Edge(31));
    // Up from row 0 stays in row 0.
    const HitInfo up = Hit(Edge(0), 4, 0, -1);
    EXPECT_EQ(up.row, 0);
    EXPECT_EQ(up.y, 1);
}

TEST_F(HitTestCellTest, PointsAboveTheWindowRoundTowardMinusInfinity)
{
    // A caret scrolled four rows off the top sits at y = 1 - 4 * pitch: still its own row.
    struct Case {
        int y;
        int row;
    };
    for (const Case c : {Case{-1, -1}, Case{-kPitch + 1, -1}, Case{-kPitch, -1}, Case{-kPitch - 1, -2},
                         Case{1 - 4 * kPitch, -4}, Case{0, 0}}) {
        const HitInfo hit = Hit(Edge(3), c.y, 0, 0, 4);
        EXPECT_EQ(hit.row, c.row) << "y " << c.y;
        EXPECT_EQ(hit.y, c.row * kPitch + 1) << "y " << c.y;
        EXPECT_EQ(HitPosition(hit, 16, 4), (4 + c.row) * 16 + 3) << "y " << c.y;
    }
    EXPECT_EQ(Hit(Edge(3), 1 - 4 * kPitch, 0, 0, 4).filePos, 3u);
    EXPECT_EQ(Hit(Edge(3), 1 - 4 * kPitch, 1, 1, 4).filePos, 20u);
}

TEST(ScrollRange, RowsPageAndClamping)
{
    // 32 bytes: two full rows and the empty last row.
    EXPECT_EQ(DocumentRows(32, 16), 3u);
    const auto fits = ComputeScrollRange(32, 16, 16, 400, 77);
    ASSERT_TRUE(fits);
    EXPECT_EQ(fits->pagePx, 48u);
    EXPECT_EQ(fits->maxPx, 0u);
    EXPECT_EQ(fits->scrollPosPx, 0u);

    // 330 and 320 pixels both give a 320-pixel page.
    for (const int client : {330, 320}) {
        const auto range = ComputeScrollRange(16 * 1000, 16, 16, client, 0);
        ASSERT_TRUE(range);
        EXPECT_EQ(range->pagePx, 320u);
        EXPECT_EQ(range->maxPx, 1001u * 16u);
    }
    const auto clamped = ComputeScrollRange(16 * 1000, 16, 16, 330, 999999);
    EXPECT_EQ(clamped->scrollPosPx, 1001u * 16u - 320u);

    // An empty file changes nothing.
    EXPECT_FALSE(ComputeScrollRange(0, 16, 16, 330, 5));
    // One byte per row in a file near 2 GiB is taller than 32 bits of pixels.
    const auto tall = ComputeScrollRange(0x7FFFFFFFu, 1, 19, 600, 0);
    EXPECT_EQ(tall->maxPx, 0x80000000ull * 19u);
}

TEST(ScrollSteps, LinePageAndTheLimit)
{
    constexpr std::uint64_t limit = 1000;
    const auto step = [&](ScrollCode code, std::uint64_t pos, std::optional<std::uint64_t> track = {}) {
        return ScrollDeltaPx(code, pos, limit, 16, 320, track);
    };
    EXPECT_FALSE(step(ScrollCode::LineUp, 0));
    EXPECT_EQ(step(ScrollCode::LineUp, 10), -10);
    EXPECT_EQ(step(ScrollCode::LineUp, 100), -16);
    EXPECT_EQ(step(ScrollCode::LineDown, 990), 10);
    EXPECT_EQ(step(ScrollCode::LineDown, limit), 0);
    // Above the limit but less than 8 beyond it a whole line still moves; 8 or more: none.
    EXPECT_EQ(step(ScrollCode::LineDown, limit + 7), 16);
    EXPECT_FALSE(step(ScrollCode::LineDown, limit + 8));
    EXPECT_EQ(step(ScrollCode::PageDown, 900), 100);
    EXPECT_FALSE(step(ScrollCode::PageDown, limit));
    EXPECT_EQ(step(ScrollCode::PageUp, 100), -100);
    EXPECT_FALSE(step(ScrollCode::PageUp, 0));
    // Tracking and the codes the view does not use move nothing.
    EXPECT_FALSE(step(ScrollCode::ThumbTrack, 100, 500));
    EXPECT_FALSE(step(ScrollCode::EndScroll, 100));
    EXPECT_FALSE(step(ScrollCode::ThumbPosition, 100));
    // Top and Bottom of the scroll bar's menu go to either end, beyond which they stop.
    EXPECT_EQ(step(ScrollCode::Top, 100), -100);
    EXPECT_FALSE(step(ScrollCode::Top, 0));
    EXPECT_EQ(step(ScrollCode::Bottom, 100), 900);
    EXPECT_FALSE(step(ScrollCode::Bottom, limit));
}

TEST(ScrollSteps, ThumbLandsOnePixelBelowTheLineItWasReleasedIn)
{
    const auto thumb = [](std::uint64_t track) { return ScrollDeltaPx(ScrollCode::ThumbPosition, 0, 1000, 16, 320, track); };
    EXPECT_EQ(thumb(40), 33);  // inside the line that starts at 32
    EXPECT_EQ(thumb(48), 48);  // on a line's start
    EXPECT_EQ(thumb(999), 993);
    EXPECT_EQ(thumb(1005), 993);   // the line starting at 992 still lies below the limit
    EXPECT_EQ(thumb(1010), 1010);  // a line starting at or beyond the limit: where released
}

TEST(DrawRows, ModesAndBands)
{
    // 10 lines fit: first 4, so rows 4..14 at most.
    EXPECT_EQ(DrawRowSpan(64, 16, 16, 170, -1).first, 4u);
    EXPECT_EQ(DrawRowSpan(64, 16, 16, 170, -1).end, 15u);
    const RowSpan bottom = DrawRowSpan(64, 16, 16, 170, 1);
    EXPECT_EQ(bottom.first, 13u);
    EXPECT_EQ(bottom.end, 15u);
    const RowSpan top = DrawRowSpan(64, 16, 16, 170, 0);
    EXPECT_EQ(top.first, 4u);
    EXPECT_EQ(top.end, 5u);

    const RowSpan band = RowsInBand(64, 16, 160, 170);
    EXPECT_EQ(band.first, 14u);
    EXPECT_EQ(band.end, 15u);
    EXPECT_TRUE(RowsInBand(64, 16, 5, 5).Empty());
    EXPECT_TRUE(bottom.Contains(band));
}

TEST(Selection, BothEndsIncludedInEitherDirection)
{
    EXPECT_FALSE(IsSelected(5, 5, kNoSelection));
    for (const auto& [anchor, end] : {std::pair{3u, 7u}, std::pair{7u, 3u}}) {
        EXPECT_FALSE(IsSelected(2, anchor, end));
        EXPECT_TRUE(IsSelected(3, anchor, end));
        EXPECT_TRUE(IsSelected(7, anchor, end));
        EXPECT_FALSE(IsSelected(8, anchor, end));
    }
    EXPECT_TRUE(IsSelected(4, 4, 4));
}

TEST(Texts, AddressAndDisplayCharacters)
{
    EXPECT_EQ(AddressText(0x10), "00000010:");
    EXPECT_EQ(AddressText(0xFFFFFFFF), "FFFFFFFF:");
    EXPECT_EQ(DisplayChar(0x00), '.');
    EXPECT_EQ(DisplayChar(0x1F), '.');
    EXPECT_EQ(DisplayChar(0x20), ' ');
    EXPECT_EQ(static_cast<unsigned char>(DisplayChar(0x7F)), 0x7Fu);
    EXPECT_EQ(static_cast<unsigned char>(DisplayChar(0xE9)), 0xE9u);
}

TEST(Texts, AddressDigitsFollowTheLastOffsetInEvenSteps)
{
    struct Case {
        FilePos length;
        int digits;
        FilePos largest;
    };
    const Case cases[] = {
        {0, 8, 0xFFFFFFFF},
        {FilePos{1} << 32, 8, 0xFFFFFFFF},               // last offset FFFFFFFF
        {(FilePos{1} << 32) + 1, 10, 0xFFFFFFFFFF},      // last offset 100000000
        {FilePos{1} << 40, 10, 0xFFFFFFFFFF},
        {(FilePos{1} << 40) + 1, 12, 0xFFFFFFFFFFFF},
        {~FilePos{0}, 16, ~FilePos{0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AddressDigits(c.length), c.digits) << c.length;
        EXPECT_EQ(LargestAddress(c.digits), c.largest) << c.digits;
    }
    EXPECT_EQ(AddressText(0x100000000, 10), "0100000000:");
    EXPECT_EQ(OffsetText(~FilePos{0}, 16), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(CaretPositionText(0x123456789A, 2, 10), "Offset: 123456789A (78187493530)   Selected: 2 bytes");
}

TEST(ScrollBarMapping, SmallRangesAreExactAndHugeOnesScale)
{
    const auto none = ScrollBarMapping::For(0, 48);
    EXPECT_EQ(none.maximum, 0);

    const auto exact = ScrollBarMapping::For(16016, 320);
    EXPECT_EQ(exact.unitPx, 1u);
    EXPECT_EQ(exact.maximum, 16016 - 320 + 1);
    EXPECT_EQ(exact.pageStep, 320);
    EXPECT_EQ(exact.FromBar(exact.ToBar(1234)), 1234u);

    const std::uint64_t tall = 0x80000000ull * 19u;
    const auto scaled = ScrollBarMapping::For(tall, 600);
    EXPECT_GT(scaled.unitPx, 1u);
    EXPECT_LE(scaled.maximum, std::numeric_limits<int>::max());
    EXPECT_EQ(scaled.ToBar(tall), scaled.maximum);
    const std::uint64_t middle = tall / 2;
    EXPECT_LE(scaled.FromBar(scaled.ToBar(middle)) - middle, scaled.unitPx);
}

TEST(ScrollPoints, ArithmeticReachesTheLastRowOfTheLargestFileWithoutOverflow)
{
    constexpr int kP = 19;
    // Moves carry pixels into rows, both ways, and stop at the top.
    EXPECT_EQ(MovePoint({5, 18}, 1, kP), (ScrollPoint{6, 0}));
    EXPECT_EQ(MovePoint({5, 0}, -1, kP), (ScrollPoint{4, 18}));
    EXPECT_EQ(MovePoint({1, 3}, -100, kP), (ScrollPoint{0, 0}));
    EXPECT_EQ(MovePoint({0, 0}, std::numeric_limits<std::int64_t>::min(), kP), (ScrollPoint{0, 0}));
    EXPECT_EQ(PxBetween({4, 18}, {5, 0}, kP), 1);
    EXPECT_EQ(PxBetween({5, 0}, {4, 18}, kP), -1);
    EXPECT_EQ(PxBetween({0, 0}, {~std::uint64_t{0}, 0}, kP), std::numeric_limits<std::int64_t>::max());
    // Lines of another height than the pitch.
    EXPECT_EQ(PointOfUnits(10, 21, kP), (ScrollPoint{11, 1}));
    EXPECT_EQ(PointOfUnits(std::uint64_t{1} << 63, kP, kP), (ScrollPoint{std::uint64_t{1} << 63, 0}));

    // 2^63 - 1 bytes at one a row: 2^63 rows, 2^67 pixels.
    constexpr FilePos kLargest = 0x7FFFFFFFFFFFFFFFull;
    const auto range = ComputeScrollRangeAt(kLargest, 1, kP, 10 * kP + 5, ScrollPoint{~std::uint64_t{0}, 0});
    ASSERT_TRUE(range);
    EXPECT_EQ(range->pagePx, 10u * kP);
    EXPECT_EQ(range->maxPx, ~std::uint64_t{0}) << "held, not wrapped";
    EXPECT_EQ(range->scroll, (ScrollPoint{(std::uint64_t{1} << 63) - 10, 0}));
    const ScrollPoint limit = ScrollLimit(kLargest, 1, kP, kP, range->pagePx);
    EXPECT_EQ(limit, range->scroll);
    EXPECT_EQ(ScrollTarget(ScrollCode::Bottom, {}, limit, kP, kP, range->pagePx, std::nullopt), limit);
    EXPECT_EQ(ScrollTarget(ScrollCode::LineDown, {limit.row - 1, 0}, limit, kP, kP, range->pagePx, std::nullopt), limit);
    EXPECT_FALSE(ScrollTarget(ScrollCode::PageDown, limit, limit, kP, kP, range->pagePx, std::nullopt));

    // The bar maps such a document by rows; its ends are the top and the limit.
    const auto bar = ScrollBarMapping::For(range->bottom, range->pagePx, kP);
    EXPECT_GT(bar.unitRows, 0u);
    EXPECT_EQ(bar.ToBar(ScrollPoint{}), 0);
    EXPECT_EQ(bar.ToBar(limit), bar.maximum);
    EXPECT_EQ(bar.PointFromBar(bar.maximum), (ScrollPoint{limit.row, 0}));
    const ScrollPoint middle = bar.PointFromBar(bar.maximum / 2);
    EXPECT_NEAR(static_cast<double>(middle.row), static_cast<double>(limit.row) / 2, static_cast<double>(bar.unitRows));

    // Rows far off the window stay far without overflowing; positions above the file's start
    // are negative and those past int64 are held.
    EXPECT_LT(RowTopPx(0, kP, limit), -1000);
    EXPECT_GT(RowTopPx(~std::uint64_t{0}, kP, ScrollPoint{}), 1000);
    HitInfo hit;
    hit.row = 3;
    hit.column = 0;
    EXPECT_EQ(HitPosition(hit, 16, ~std::uint64_t{0} / 8), std::numeric_limits<std::int64_t>::max());
}

} // namespace
} // namespace vtx
