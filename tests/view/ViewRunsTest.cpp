// Bytes the file cannot give are drawn as ?? cells and are not typed over; Fill Selection
// fills the selected bytes with a typed pattern as one undo step.
#include "ViewHarness.h"

#include "platform/FileFaults.h"
#include "view/CFillDlg.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include <cerrno>

namespace vtx::test {
namespace {

int InkPixels(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += IsDarkInk(image.pixelColor(x, y));
    return n;
}

TEST(ViewReadErrors, UnreadableBytesAreDrawnAsQuestionMarksAndAreNotTypedOver)
{
    ScopedFileFaults faults;
    MessageBoxRecorder boxes;
    ViewHarness harness(Counting(16 * 8), 8);
    FileFaults::FailReads(harness.Path().toStdString(), 32, 48, EIO); // the third row
    harness.View().update();
    const QImage image = harness.Grab();
    // Neither blank nor a number: two question marks, and the rows below still drawn.
    const int unreadable = InkPixels(image, harness.CellRect(0, 2, true));
    EXPECT_GT(unreadable, 0);
    EXPECT_NE(image.copy(harness.CellRect(0, 2, true)), image.copy(harness.CellRect(0, 1, true)));
    EXPECT_GT(InkPixels(image, harness.CellRect(0, 3, true)), 0);
    EXPECT_GT(InkPixels(image, harness.CellRect(5, 7, false)), 0);
    EXPECT_TRUE(harness.Frame().LastStatus().startsWith(QStringLiteral("Could not read")))
        << harness.Frame().LastStatus().toStdString();

    // Typing onto one is refused with the reason; the byte stays unknown, not changed.
    harness.Click(harness.CellPoint(3, 2, true));
    harness.Frame().statusTexts.clear();
    harness.Type(QStringLiteral("4"));
    EXPECT_FALSE(harness.Doc().HasPendingChanges());
    EXPECT_TRUE(harness.Frame().LastStatus().startsWith(QStringLiteral("Could not read")));
    harness.Click(harness.CellPoint(3, 1, false));
    harness.Type(QStringLiteral("z"));
    EXPECT_EQ(harness.ByteAt(19), 'z');
    EXPECT_EQ(boxes.Count(), 0);
}

TEST(ViewFill, FillSelectionRepeatsThePatternOverTheSelectionAsOneStep)
{
    MessageBoxRecorder boxes;
    ViewHarness harness(Counting(16 * 8), 8);
    QString typed = QStringLiteral("A1 B2");
    CFillDlg::SetModalRunner([&](CFillDlg& dialog) {
        dialog.PatternEdit()->setText(typed);
        return static_cast<int>(QDialog::Accepted);
    });
    // Without a selection there is nothing to fill.
    harness.View().FillSelection();
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_FALSE(harness.Doc().HasPendingChanges());

    harness.View().SelectRange({3, 5});
    harness.View().FillSelection();
    const std::uint8_t expected[] = {2, 0xA1, 0xB2, 0xA1, 0xB2, 0xA1, 8};
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(harness.ByteAt(2 + k), expected[k]) << k;
    harness.View().UndoLast();
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(harness.ByteAt(2 + k), 2 + k) << k;
    EXPECT_FALSE(harness.Doc().HasPendingChanges());

    // A bad pattern is refused with a message and changes nothing.
    typed = QStringLiteral("ABC");
    boxes.Clear();
    harness.View().SelectRange({3, 5});
    harness.View().FillSelection();
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Last().contains(QStringLiteral("two hex digits"))) << boxes.Last().toStdString();
    EXPECT_FALSE(harness.Doc().HasPendingChanges());
    CFillDlg::SetModalRunner(nullptr);
}

} // namespace
} // namespace vtx::test
