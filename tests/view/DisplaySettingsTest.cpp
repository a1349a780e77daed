// The display settings dialog driven the way a user would fill it, through the runner that
// stands in for the modal loop.
#include "ViewHarness.h"

#include "view/CDisplaySettingsDlg.h"
#include "view/DisplayPreferences.h"
#include "view/ViewColors.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>

namespace vtx::test {
namespace {

using Dlg = CDisplaySettingsDlg;

class DisplaySettings : public ::testing::Test
{
protected:
    ~DisplaySettings() override
    {
        Dlg::SetModalRunner({});
        Dlg::SetFontPicker({});
        SetChosenViewFont(std::nullopt);
        SetMinimumContrastEnabled(true);
    }

    // Each step gets the open dialog; the dialog's result is returned at the end, and if
    // no step closed it, Cancel closes it.
    void Script(std::vector<std::function<void(Dlg&)>> steps)
    {
        Dlg::SetModalRunner([this, steps](Dlg& dialog) {
            ++runs;
            for (const auto& step : steps) {
                if (dialog.result() == QDialog::Accepted)
                    break;
                step(dialog);
            }
            if (dialog.result() != QDialog::Accepted)
                dialog.reject();
            return dialog.result();
        });
    }
    static std::function<void(Dlg&)> Fill(int id, const QString& text)
    {
        return [id, text](Dlg& dialog) { dialog.Edit(id)->setText(text); };
    }
    static std::function<void(Dlg&)> Ok()
    {
        return [](Dlg& dialog) { dialog.OnOK(); };
    }

    MessageBoxRecorder boxes;
    int runs = 0;
};

TEST_F(DisplaySettings, OpensWithEveryValueOfTheView)
{
    ViewHarness harness(Counting(64), 5);
    QStringList seen;
    Dlg::SetModalRunner([&](Dlg& dialog) {
        for (const int id : {Dlg::IDC_BYTES_PER_LINE, Dlg::IDC_GROUP_SIZE, Dlg::IDC_ADDRESS_SPACE,
                             Dlg::IDC_GROUP_SPACE, Dlg::IDC_ASCII_SPACE})
            seen << dialog.Edit(id)->text();
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Display Settings"));
        dialog.reject();
        return dialog.result();
    });
    EXPECT_TRUE(harness.View().OnCommand(CVantorixView::ID_DISPLAY_SETTINGS));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("16"), QStringLiteral("4"), QStringLiteral("4"), QStringLiteral("5"),
                                 QStringLiteral("4")}));
    EXPECT_FALSE(harness.View().OnCommand(CVantorixView::ID_DISPLAY_SETTINGS + 1));
}

TEST_F(DisplaySettings, EightBytesInGroupsOfFourRelayTheRows)
{
    ViewHarness harness(Counting(64), 5);
    CountingView& view = harness.View();
    const int asciiBefore = view.AsciiLeft();
    Script({Fill(Dlg::IDC_BYTES_PER_LINE, QStringLiteral("8")), Fill(Dlg::IDC_GROUP_SIZE, QStringLiteral("4")), Ok()});
    view.reads.clear();
    view.OnDisplaySettings();

    EXPECT_EQ(view.BytesPerLine(), 8);
    EXPECT_EQ(view.GroupSize(), 4);
    EXPECT_EQ(view.ColumnX().size(), 17u);
    EXPECT_EQ(view.AsciiLeft(), view.LeftMargin() + 42 * view.CharWidth());
    EXPECT_LT(view.AsciiLeft(), asciiBefore);
    EXPECT_EQ(view.HexLeft(), view.LeftMargin() + 13 * view.CharWidth()) << "the spacings stay as they were";
    // The window was redrawn at once with rows of 8 bytes.
    ASSERT_GE(view.reads.size(), 2u);
    EXPECT_EQ(view.reads[1], 8u);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(DisplaySettings, NotAnIntegerKeepsTheDialogOpen)
{
    ViewHarness harness(Counting(64), 5);
    bool stillOpen = false;
    Script({Fill(Dlg::IDC_GROUP_SIZE, QStringLiteral("four")), Ok(),
            [&](Dlg& dialog) { stillOpen = dialog.result() != QDialog::Accepted; },
            Fill(Dlg::IDC_GROUP_SIZE, QStringLiteral(" 2 ")), Ok()});
    harness.View().OnDisplaySettings();
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{QStringLiteral("Please enter an integer.")});
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(harness.View().GroupSize(), 2);
}

TEST_F(DisplaySettings, BytesPerLineOutsideTheRangeIsRefused)
{
    ViewHarness harness(Counting(64), 5);
    for (const QString& bad : {QStringLiteral("0"), QStringLiteral("-5"), QStringLiteral("65536")}) {
        boxes.Clear();
        Script({Fill(Dlg::IDC_BYTES_PER_LINE, bad), Ok()});
        harness.View().OnDisplaySettings();
        ASSERT_EQ(boxes.Count(), 1) << bad.toStdString();
        EXPECT_TRUE(boxes.Last().contains(QStringLiteral("1 to 65535"))) << boxes.Last().toStdString();
        EXPECT_EQ(harness.View().BytesPerLine(), 16);
    }
    Script({Fill(Dlg::IDC_BYTES_PER_LINE, QStringLiteral("65535")), Ok()});
    harness.View().OnDisplaySettings();
    EXPECT_EQ(harness.View().BytesPerLine(), 65535);
}

TEST_F(DisplaySettings, AnyGroupSizeIsTakenAndEachViewKeepsItsOwn)
{
    ViewHarness harness(Counting(64), 5);
    CountingView other(&harness.Doc());
    other.resize(600, 200);
    Script({Fill(Dlg::IDC_GROUP_SIZE, QStringLiteral("-1")), Ok()});
    harness.View().OnDisplaySettings();
    EXPECT_EQ(harness.View().GroupSize(), -1);
    // No group gaps: every cell three characters after the one before.
    const auto& table = harness.View().ColumnX();
    EXPECT_EQ(table[4] - table[3], 3 * harness.View().CharWidth());
    EXPECT_EQ(other.GroupSize(), 4);

    // Cancel takes nothing.
    Script({Fill(Dlg::IDC_GROUP_SIZE, QStringLiteral("2"))});
    harness.View().OnDisplaySettings();
    EXPECT_EQ(harness.View().GroupSize(), -1);
    EXPECT_EQ(runs, 2);
}

TEST_F(DisplaySettings, SpacingsFontAndContrastAreTakenAndCheckedTheirOwnWay)
{
    ViewHarness harness(Counting(64), 5);
    CountingView& view = harness.View();
    const int charBefore = view.CharWidth();
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QFont big = fixed;
    big.setPointSize(28);
    Dlg::SetFontPicker([&](const QFont&, QWidget*) { return std::optional<QFont>(big); });
    QString fontShown;
    bool contrastShown = false;
    Script({[&](Dlg& dialog) { contrastShown = dialog.ContrastCheck()->isChecked(); },
            Fill(Dlg::IDC_ADDRESS_SPACE, QStringLiteral("65")), Ok(), Fill(Dlg::IDC_ADDRESS_SPACE, QStringLiteral("2")),
            Fill(Dlg::IDC_ASCII_SPACE, QStringLiteral("1")),
            [&](Dlg& dialog) {
                dialog.OnChooseFont();
                fontShown = dialog.FontLabel()->text();
                dialog.ContrastCheck()->setChecked(false);
            },
            Ok()});
    view.OnDisplaySettings();
    EXPECT_TRUE(contrastShown);
    // A spacing past 64 characters is refused and the box kept for another try.
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Last().contains(QStringLiteral("0 to 64")));
    EXPECT_TRUE(fontShown.startsWith(big.family())) << fontShown.toStdString();
    EXPECT_EQ(view.HexLeft(), view.LeftMargin() + (9 + 2) * view.CharWidth());
    // The font is every view's from now on, and this view's metrics follow it at once.
    ASSERT_TRUE(ChosenViewFont().has_value());
    EXPECT_EQ(ChosenViewFont()->pointSize(), 28);
    EXPECT_GT(view.CharWidth(), charBefore);
    EXPECT_FALSE(MinimumContrastEnabled());

    // Default Font goes back to the program's own.
    Script({[](Dlg& dialog) { dialog.OnDefaultFont(); }, Ok()});
    view.OnDisplaySettings();
    EXPECT_FALSE(ChosenViewFont().has_value());
    EXPECT_EQ(view.CharWidth(), charBefore);
}

} // namespace
} // namespace vtx::test
