// The flat combo box: its three looks, the disabled look, and the pointer tracking that
// stops when the pointer leaves or the button is pressed.
#include "chrome/CCJComboBox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QTest>

#include <functional>

namespace vtx {
namespace {

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 1000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(2);
    }
    return true;
}

class ComboBoxTest : public ::testing::Test
{
protected:
    ComboBoxTest()
    {
        auto* layout = new QHBoxLayout(&window);
        layout->setContentsMargins(40, 40, 40, 40);
        layout->setSpacing(30);
        for (CCJComboBox* box : {&first, &second}) {
            box->setEditable(true);
            box->setFixedWidth(120);
            layout->addWidget(box);
        }
        layout->addWidget(&elsewhere);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        elsewhere.setFocus();
        // The pointer starts away from the boxes, and they have stopped following it.
        MovePointer(&window, QPoint(5, 5));
        EXPECT_TRUE(WaitUntil([this] { return !first.IsTracking() && !second.IsTracking(); }));
    }

    // Moves the pointer, as a user would, to a point of a widget.
    static void MovePointer(QWidget* widget, QPoint point)
    {
        QCursor::setPos(widget->mapToGlobal(point));
        QApplication::processEvents();
    }

    // The frame around the drop-down button that the looks differ in.
    static QRect ButtonFrame(CCJComboBox& box)
    {
        QStyleOptionComboBox option;
        option.initFrom(&box);
        option.editable = box.isEditable();
        const int width =
            box.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, &box).width();
        QRect r = box.rect().adjusted(2, 2, -2, -2);
        r.setLeft(r.right() + 1 - width);
        return r.adjusted(1, 1, -1, -1);
    }

    static QRgb Pixel(CCJComboBox& box, QPoint point) { return box.grab().toImage().pixel(point); }

    QWidget window;
    CCJComboBox first;
    CCJComboBox second;
    QLineEdit elsewhere;    // takes the focus away from the boxes
    const QPalette palette = first.palette();
    const QRgb face = palette.color(QPalette::Window).rgb();
    const QRgb light = palette.color(QPalette::Light).rgb();
    const QRgb dark = palette.color(QPalette::Dark).rgb();
};

TEST_F(ComboBoxTest, ThePointerRaisesTheFrameAndLeavingFlattensItAndStopsTheTimer)
{
    EXPECT_EQ(first.PaintedState(), CCJComboBox::Normal);
    EXPECT_EQ(Pixel(first, QPoint(0, 0)), face);
    EXPECT_FALSE(first.IsTracking());

    MovePointer(&first, first.rect().center());
    EXPECT_TRUE(first.IsTracking());
    ASSERT_TRUE(WaitUntil([&] {
        return CCJComboBox::HoverPainted() && first.PaintedState() == CCJComboBox::Hover;
    }));
    // Sunken outer frame, raised button.
    EXPECT_EQ(Pixel(first, QPoint(0, 0)), dark);
    EXPECT_EQ(Pixel(first, QPoint(first.width() - 1, first.height() - 1)), light);
    const QRect button = ButtonFrame(first);
    EXPECT_EQ(Pixel(first, QPoint(button.left(), button.top() - 1)), light);
    EXPECT_EQ(Pixel(first, QPoint(button.right(), button.bottom() + 1)), dark);

    MovePointer(&window, QPoint(5, 5));
    ASSERT_TRUE(WaitUntil([&] { return !first.IsTracking(); }));
    EXPECT_FALSE(CCJComboBox::HoverPainted());
    ASSERT_TRUE(WaitUntil([&] { return first.PaintedState() == CCJComboBox::Normal; }));
    EXPECT_EQ(Pixel(first, QPoint(0, 0)), face);
    // The normal button has light lines on its frame.
    EXPECT_EQ(Pixel(first, QPoint(button.left(), button.top() - 1)), light);
    EXPECT_EQ(Pixel(first, QPoint(button.right(), button.bottom() + 1)), light);
}

TEST_F(ComboBoxTest, PressingTheButtonShowsThePressedLookAndStopsTracking)
{
    MovePointer(&first, first.rect().center());
    ASSERT_TRUE(WaitUntil([&] { return CCJComboBox::HoverPainted(); }));

    const QRect button = ButtonFrame(first);
    QTest::mousePress(&first, Qt::LeftButton, {}, button.center());
    ASSERT_TRUE(WaitUntil([&] { return first.PaintedState() == CCJComboBox::Pressed; }));
    EXPECT_FALSE(first.IsTracking());
    EXPECT_FALSE(CCJComboBox::HoverPainted());
    // The button frame is pushed one pixel right and down, dark at its top and left.
    EXPECT_EQ(Pixel(first, QPoint(button.left() + 1, button.top())), dark);
    EXPECT_EQ(Pixel(first, QPoint(button.right() + 1, button.bottom() + 1)), light);

    // Letting go (here: the list closing, which takes the release) repaints it, raised
    // again while the pointer is still over it.
    first.hidePopup();
    ASSERT_TRUE(WaitUntil([&] { return first.PaintedState() == CCJComboBox::Hover; }));
    QTest::mouseRelease(&first, Qt::LeftButton, {}, button.center());    // tidy the button state
    EXPECT_FALSE(first.IsTracking());
}

TEST_F(ComboBoxTest, OnlyOneBoxShowsTheHoverLookAtATime)
{
    MovePointer(&first, first.rect().center());
    ASSERT_TRUE(WaitUntil([&] { return first.PaintedState() == CCJComboBox::Hover; }));

    MovePointer(&second, second.rect().center());
    const bool settled = WaitUntil([&] {
        return first.PaintedState() == CCJComboBox::Normal &&
               second.PaintedState() == CCJComboBox::Hover && !first.IsTracking();
    });
    ASSERT_TRUE(settled);
    EXPECT_TRUE(CCJComboBox::HoverPainted());
    EXPECT_TRUE(second.IsTracking());    // still following the pointer inside it

    MovePointer(&window, QPoint(5, 5));
    ASSERT_TRUE(WaitUntil([&] { return !second.IsTracking(); }));
    EXPECT_FALSE(CCJComboBox::HoverPainted());
}

TEST_F(ComboBoxTest, FocusForcesTheHoverLookUntilItIsLost)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    first.setFocus();
    ASSERT_TRUE(WaitUntil([&] { return first.hasFocus(); }));
    ASSERT_TRUE(WaitUntil([&] { return first.PaintedState() == CCJComboBox::Hover; }));
    EXPECT_EQ(Pixel(first, QPoint(0, 0)), dark);

    second.setFocus();
    ASSERT_TRUE(WaitUntil([&] { return first.PaintedState() == CCJComboBox::Normal; }));
    EXPECT_EQ(second.PaintedState(), CCJComboBox::Hover);
}

TEST_F(ComboBoxTest, ADisabledBoxHasALightInnerFrameAndNoButtonDecoration)
{
    first.setEnabled(false);
    MovePointer(&first, first.rect().center());
    QTest::qWait(30);
    const QRect button = ButtonFrame(first);
    EXPECT_EQ(Pixel(first, QPoint(1, 1)), light);
    EXPECT_EQ(Pixel(first, QPoint(button.left(), button.top() - 1)), face);
    EXPECT_EQ(Pixel(first, QPoint(button.right(), button.bottom() + 1)), face);

    // Enabled again, the inner frame is in the face colour.
    first.setEnabled(true);
    EXPECT_EQ(Pixel(first, QPoint(1, 1)), face);
}

} // namespace
} // namespace vtx
