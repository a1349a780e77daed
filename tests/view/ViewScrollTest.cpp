// Scrolling the real widget: range and page, wheel, line limits, the thumb, the rows that a
// one-line scroll reads and paints, Page Down, the middle button, and GotoPosition.
#include "ViewHarness.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

namespace vtx::test {
namespace {

TEST(ViewScrollRange, SmallFileFitsAndBigFileGetsWholeRowPages)
{
    ViewHarness small(Counting(32), 10);
    EXPECT_EQ(small.View().Max(), 0u);
    EXPECT_EQ(small.View().Page(), 3u * small.View().RowPitch()) << "two full rows and the empty last row";
    EXPECT_FALSE(small.View().ScrollBar()->isVisible());

    ViewHarness big(Counting(16 * 1000), 10);
    CVantorixView& view = big.View();
    const int pitch = view.RowPitch();
    EXPECT_EQ(view.Max(), 1001u * pitch);
    EXPECT_EQ(view.Page(), static_cast<std::uint64_t>(view.height() / pitch * pitch));
    EXPECT_TRUE(view.ScrollBar()->isVisible());

    // Enlarging the window until the document fits resets the position.
    view.OnVScroll(ScrollCode::PageDown);
    ASSERT_GT(view.ScrollPos(), 0u);
    ViewHarness fits(Counting(16 * 5), 3);
    fits.View().OnVScroll(ScrollCode::LineDown);
    ASSERT_GT(fits.View().ScrollPos(), 0u);
    fits.View().resize(fits.View().width(), 20 * pitch);
    EXPECT_EQ(fits.View().ScrollPos(), 0u);
    EXPECT_EQ(fits.View().Max(), 0u);
}

TEST(ViewScrolling, WheelScrollsFourLinesPerNotchAndGathersSmallSteps)
{
    ViewHarness harness(Counting(16 * 1000), 10);
    CVantorixView& view = harness.View();
    const std::uint64_t line = view.LineHeight();

    harness.Wheel(120);
    EXPECT_EQ(view.ScrollPos(), 0u) << "up at the top";
    harness.Wheel(-120);
    EXPECT_EQ(view.ScrollPos(), 4 * line);
    harness.Wheel(-360);
    EXPECT_EQ(view.ScrollPos(), 16 * line) << "three notches at once";
    EXPECT_EQ(harness.Frame().LastStatus().left(6), QStringLiteral("nMax: "));

    // A fine wheel: eight steps of 15 make one notch, one line for every 30.
    harness.Wheel(15);
    EXPECT_EQ(view.ScrollPos(), 16 * line) << "a small step alone scrolls nothing";
    for (int i = 0; i < 7; ++i)
        harness.Wheel(15);
    EXPECT_EQ(view.ScrollPos(), 12 * line);
    // Turning back drops what was gathered the other way.
    harness.Wheel(20);
    harness.Wheel(-20);
    harness.Wheel(-20);
    EXPECT_EQ(view.ScrollPos(), 13 * line);
    // A touchpad in pixels: a line per line height, the rest kept for the next event.
    harness.Wheel(-1, -static_cast<int>(line) / 2);
    EXPECT_EQ(view.ScrollPos(), 13 * line);
    harness.Wheel(-1, -static_cast<int>(line) * 2);
    EXPECT_EQ(view.ScrollPos(), 15 * line);

    // Down at the limit changes nothing.
    for (int i = 0; i < 200; ++i)
        view.OnVScroll(ScrollCode::PageDown);
    const std::uint64_t limit = 1001 * line - view.Page();
    EXPECT_EQ(view.ScrollPos(), limit);
    harness.Wheel(-120);
    EXPECT_EQ(view.ScrollPos(), limit);
    EXPECT_EQ(harness.Frame().LastStatus(), QStringLiteral("nMax: %1, m_nMax: %2").arg(limit).arg(view.Max()));
}

TEST(ViewScrolling, ThumbMovesTheViewOnlyWhenReleased)
{
    ViewHarness harness(Counting(16 * 1000), 10);
    CVantorixView& view = harness.View();
    QScrollBar* bar = view.ScrollBar();
    const int line = view.LineHeight();
    const int inside = 20 * line + line / 2;

    bar->setSliderDown(true);
    bar->setSliderPosition(inside);
    bar->setSliderPosition(inside + 3 * line);
    bar->setSliderPosition(inside);
    EXPECT_EQ(view.ScrollPos(), 0u);
    bar->setSliderDown(false);
    // Released inside a line: one pixel below that line's start.
    EXPECT_EQ(view.ScrollPos(), 20u * line + 1);
    EXPECT_EQ(view.TopRow(), (20u * line + 1) / view.RowPitch());
    EXPECT_EQ(bar->value(), 20 * line + 1);
}

TEST(ViewScrolling, ScrollBarArrowsAndPagesScrollTheView)
{
    ViewHarness harness(Counting(16 * 1000), 10);
    CVantorixView& view = harness.View();
    QScrollBar* bar = view.ScrollBar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(view.ScrollPos(), static_cast<std::uint64_t>(view.LineHeight()));
    EXPECT_EQ(bar->value(), view.LineHeight());
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(view.ScrollPos(), view.LineHeight() + view.Page());
    EXPECT_EQ(bar->value(), static_cast<int>(view.ScrollPos()));
}

// A one-line scroll moves the window's pixels and reads and paints only what it uncovered;
// the result must look exactly like a full repaint at the new position.
// The scroll bar's own context menu, item by item through the real menu.
TEST(ViewScrolling, TheScrollBarMenuMovesTheView)
{
    ViewHarness harness(Counting(16 * 1000), 10);
    CVantorixView& view = harness.View();
    QScrollBar* bar = view.ScrollBar();
    const std::uint64_t line = view.LineHeight();
    const std::uint64_t limit = 1001 * line - view.Page();
    const auto choose = [&](int item, QPoint at) {
        QTimer::singleShot(0, bar, [item] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            QList<QAction*> items;
            for (QAction* action : menu->actions())
                if (!action->isSeparator())
                    items.push_back(action);
            ASSERT_EQ(items.size(), 7);
            menu->setActiveAction(items[item]);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, bar->mapToGlobal(at));
        QApplication::sendEvent(bar, &event);
        harness.Settle();
    };
    // Scroll Here, Top, Bottom, Page Up, Page Down, Scroll Up, Scroll Down.
    const QPoint middle(bar->width() / 2, bar->height() / 2);
    choose(2, middle);
    EXPECT_EQ(view.ScrollPos(), limit);
    choose(3, middle);
    EXPECT_EQ(view.ScrollPos(), limit - view.Page());
    choose(5, middle);
    EXPECT_EQ(view.ScrollPos(), limit - view.Page() - line);
    choose(1, middle);
    EXPECT_EQ(view.ScrollPos(), 0u);
    choose(4, middle);
    EXPECT_EQ(view.ScrollPos(), view.Page());
    choose(6, middle);
    EXPECT_EQ(view.ScrollPos(), view.Page() + line);
    choose(0, middle);
    EXPECT_GT(view.ScrollPos(), limit / 3);
    EXPECT_LT(view.ScrollPos(), 2 * limit / 3);
    EXPECT_EQ(view.TopRow(), view.ScrollPos() / view.RowPitch());
    // The window shows what the scroll position says.
    EXPECT_EQ(harness.ScreenImage(), harness.Grab());
}

TEST(ViewScrolling, OneLineScrollReadsOnlyTheUncoveredRows)
{
    ViewHarness harness(Counting(16 * 1000), 10);
    CountingView& view = harness.View();

    for (const ScrollCode code : {ScrollCode::LineDown, ScrollCode::LineDown, ScrollCode::LineUp}) {
        harness.Settle();
        view.OnVScroll(code);
        const std::vector<FilePos> reads = view.reads;
        const QImage incremental = harness.ScreenImage();
        ASSERT_GE(reads.size(), 1u);
        ASSERT_LE(reads.size(), 2u) << "a line scroll read " << reads.size() << " rows";
        const std::uint32_t top = view.TopRow() * 16;
        if (code == ScrollCode::LineDown)
            EXPECT_EQ(reads.back(), top + 10 * 16) << "the bottom row";
        else
            EXPECT_EQ(reads.front(), top) << "the top row";

        view.repaint();
        EXPECT_EQ(incremental, harness.ScreenImage()) << "scroll code " << static_cast<int>(code);
    }
}

TEST(ViewScrolling, PageDownPaintsOneScreenPerStep)
{
    ViewHarness harness(Counting(16 * 400), 10);
    CountingView& view = harness.View();
    harness.Click(harness.CellPoint(3, 2, true));
    const QPoint caret = view.CaretPos();
    for (int step = 1; step <= 3; ++step) {
        harness.Settle();
        harness.Press(Qt::Key_PageDown);
        EXPECT_GE(view.reads.size(), 10u);
        EXPECT_LE(view.reads.size(), 13u) << "one screen and the caret's row";
        EXPECT_EQ(view.ScrollPos(), step * view.Page());
        // The caret keeps its place in the window, over other bytes.
        EXPECT_EQ(view.CaretPos(), caret);
        EXPECT_EQ(view.LastHit().filePos, (view.TopRow() + 2) * 16 + 3);
    }
}

TEST(ViewScrolling, MiddleButtonScrollsOneLinePerMove)
{
    ViewHarness harness(Counting(16 * 1000), 10);
    CVantorixView& view = harness.View();
    const std::uint64_t line = view.LineHeight();
    const QPoint down(100, 50);
    harness.Mouse(QEvent::MouseButtonPress, down, Qt::MiddleButton, Qt::MiddleButton);
    harness.Mouse(QEvent::MouseMove, down + QPoint(0, 200), Qt::NoButton, Qt::MiddleButton);
    harness.Mouse(QEvent::MouseMove, down + QPoint(0, 1), Qt::NoButton, Qt::MiddleButton);
    EXPECT_EQ(view.ScrollPos(), 2 * line);
    harness.Mouse(QEvent::MouseMove, down + QPoint(30, 0), Qt::NoButton, Qt::MiddleButton);
    EXPECT_EQ(view.ScrollPos(), 2 * line);
    harness.Mouse(QEvent::MouseMove, down - QPoint(0, 5), Qt::NoButton, Qt::MiddleButton);
    EXPECT_EQ(view.ScrollPos(), line);
    harness.Mouse(QEvent::MouseButtonRelease, down, Qt::MiddleButton, Qt::NoButton);
    harness.Mouse(QEvent::MouseMove, down + QPoint(0, 40), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view.ScrollPos(), line);

    // Pressed on the window's top pixel row, nothing scrolls.
    harness.Mouse(QEvent::MouseButtonPress, QPoint(100, 0), Qt::MiddleButton, Qt::MiddleButton);
    harness.Mouse(QEvent::MouseMove, QPoint(100, 80), Qt::NoButton, Qt::MiddleButton);
    EXPECT_EQ(view.ScrollPos(), line);
}

TEST(ViewGoto, HomeAndEndScrollAndPlaceTheCaret)
{
    ViewHarness harness(Counting(4096), 10);
    CVantorixView& view = harness.View();
    harness.Press(Qt::Key_End);
    EXPECT_EQ(view.LastHit().filePos, 4095u);
    EXPECT_FALSE(view.LastHit().onHex) << "search type Ascii: the ASCII column";
    EXPECT_EQ(view.CaretPos().x(), harness.CellLeft(15, false));
    EXPECT_EQ(view.ScrollPos(), 257u * view.LineHeight() - view.Page()) << "scrolled to the limit";
    EXPECT_TRUE(view.HasCaret());

    harness.Press(Qt::Key_Home);
    EXPECT_EQ(view.ScrollPos(), 0u);
    EXPECT_EQ(view.LastHit().filePos, 0u);
}

TEST(ViewGoto, ColumnFollowsTheSearchTypeUnlessTheTargetIsShown)
{
    ViewHarness harness(Counting(4096), 10);
    CVantorixView& view = harness.View();
    harness.Frame().searchType = SearchType::Hex;
    view.GotoPosition(0x805);
    EXPECT_TRUE(view.LastHit().onHex);
    EXPECT_EQ(view.LastHit().filePos, 0x805u);
    EXPECT_EQ(view.CaretPos().x(), harness.CellLeft(5, true));
    EXPECT_EQ(view.TopRow(), 0x80u);

    for (const SearchType type : {SearchType::Ascii, SearchType::Unicode}) {
        harness.Frame().searchType = type;
        view.GotoPosition(0x10);
        EXPECT_FALSE(view.LastHit().onHex);
        EXPECT_EQ(view.LastHit().filePos, 0x10u);
        EXPECT_EQ(view.TopRow(), 1u);
    }

    // Already shown (not the top row's first byte): no scrolling, always the hex column.
    view.GotoPosition(0x47);
    EXPECT_EQ(view.TopRow(), 1u);
    EXPECT_TRUE(view.LastHit().onHex);
    EXPECT_EQ(view.LastHit().filePos, 0x47u);
    EXPECT_EQ(view.CaretPos(), QPoint(harness.CellLeft(7, true), 3 * view.RowPitch() + 1));

    // The top row's first byte: no scrolling either.
    const std::uint64_t before = view.ScrollPos();
    view.GotoPosition(0x10);
    EXPECT_EQ(view.ScrollPos(), before);
    EXPECT_EQ(view.LastHit().filePos, 0x10u);
}

TEST(ViewGoto, PastTheEndGoesToTheLastByte)
{
    ViewHarness harness(Counting(100), 3);
    harness.View().GotoPosition(0xFFFFFFFF);
    EXPECT_EQ(harness.View().LastHit().filePos, 99u);
}

TEST(ViewGoto, WalkIsTraced)
{
    ViewHarness harness(Counting(4096), 10);
    TraceCapture trace;
    harness.View().GotoPosition(0x803);
    EXPECT_TRUE(trace.Contains(QStringLiteral("goto walk")));
    EXPECT_TRUE(trace.Contains(QStringLiteral("goto 2051")));
}

} // namespace
} // namespace vtx::test
