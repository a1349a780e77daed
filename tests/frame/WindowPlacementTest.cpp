// The main window's first place: within the screen's available area whatever its size or
// scale factor, at the remembered size where that fits, centred.
#include "frame/WindowPlacement.h"

#include <gtest/gtest.h>

namespace vtx {
namespace {

struct Row {
    const char* name;
    QSize remembered;
    QRect available;
    QSize expectedSize;
};

class FirstWindow : public ::testing::TestWithParam<Row>
{
};

TEST_P(FirstWindow, FitsTheAvailableAreaWithItsFrame)
{
    const Row& row = GetParam();
    const QMargins frame(8, 32, 8, 8);
    const QRect placed = FirstWindowRect(row.remembered, row.available, frame);
    EXPECT_EQ(placed.size(), row.expectedSize);
    EXPECT_TRUE(row.available.contains(placed.marginsAdded(frame)))
        << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height();
}

INSTANTIATE_TEST_SUITE_P(
    Screens, FirstWindow,
    ::testing::Values(
        // 1600x1000 at a scale factor of 2 is 800x500 logical pixels, less a 30-pixel panel.
        Row{"scale_two_default", QSize(), QRect(0, 30, 800, 470), QSize(784, 430)},
        Row{"full_hd_default", QSize(), QRect(0, 0, 1920, 1040), QSize(1280, 800)},
        Row{"remembered_fits", QSize(1000, 700), QRect(0, 0, 1920, 1040), QSize(1000, 700)},
        Row{"remembered_too_big", QSize(3000, 2000), QRect(0, 0, 1920, 1040), QSize(1904, 1000)},
        Row{"panel_on_the_left", QSize(1200, 900), QRect(64, 0, 1216, 1024), QSize(1200, 900)},
        Row{"second_screen", QSize(800, 600), QRect(1920, 0, 1280, 1024), QSize(800, 600)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FirstWindowWithoutScreen, KeepsTheSizeAsked)
{
    EXPECT_EQ(FirstWindowRect(QSize(900, 600), QRect(), QMargins()).size(), QSize(900, 600));
    EXPECT_EQ(FirstWindowRect(QSize(), QRect(), QMargins()).size(), kDefaultMainWindowSize);
}

} // namespace
} // namespace vtx
