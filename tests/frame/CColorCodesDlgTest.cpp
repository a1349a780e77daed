// The Edit Color Codes dialog, driven offscreen as a user would, with the colour picker
// answered by the test.
#include "colors/ColorCodesFile.h"
#include "colors/ColorTable.h"
#include "frame/CColorCodesDlg.h"
#include "frame/CPairedEdit.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <memory>

using vtx::CColorCodesDlg;
using vtx::ColorPair;
using vtx::ColorTable;
using vtx::CPairedEdit;
using vtx::MessageBoxRecorder;
using vtx::test::TempDir;

namespace {

constexpr vtx::ColorRef kRed = 0x0000FF;
constexpr vtx::ColorRef kBlue = 0xFF0000;
const QString kLowHigh = QStringLiteral("You must do low-high. (a-z, not z-a)");

class ColorCodesDlgTest : public ::testing::Test
{
protected:
    ColorCodesDlgTest()
    {
        CColorCodesDlg::SetColorPicker([this](const QColor& initial, QWidget*) {
            m_initials.push_back(initial);
            if (m_answers.empty())
                return QColor(); // cancelled
            const QColor answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
    }
    ~ColorCodesDlgTest() override { CColorCodesDlg::SetColorPicker({}); }

    // Opens the dialog on colors.dat with the given content (none: no file) and a table
    // that was built from that file, as the main frame's would be.
    void Open(const QByteArray* content)
    {
        if (content)
            m_dir.Write("colors.dat", *content);
        m_table.Apply(vtx::LoadColorCodes(Path()));
        m_dialog = std::make_unique<CColorCodesDlg>(m_table, Path(), [this] { ++m_repaints; });
        m_dialog->show();
    }
    void Open(const QByteArray& content) { Open(&content); }

    [[nodiscard]] std::string Path() const { return m_dir.StdPath("colors.dat"); }
    [[nodiscard]] QByteArray File() const { return vtx::test::ReadAll(QString::fromStdString(Path())); }

    template <class T>
    T* Child(int id) const
    {
        T* child = m_dialog->findChild<T*>(QString::number(id));
        EXPECT_NE(child, nullptr) << id;
        return child;
    }
    CPairedEdit* HexBox() const { return Child<CPairedEdit>(CColorCodesDlg::IdHexEdit); }
    CPairedEdit* AsciiBox() const { return Child<CPairedEdit>(CColorCodesDlg::IdAsciiEdit); }
    QTreeWidget* List() const { return Child<QTreeWidget>(CColorCodesDlg::IdList); }

    void Click(int id) const { QTest::mouseClick(Child<QPushButton>(id), Qt::LeftButton); }
    void ClickRow(int row) const
    {
        QTreeWidget* list = List();
        QTreeWidgetItem* item = list->topLevelItem(row);
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
    void TypeHex(const QString& keys) const
    {
        HexBox()->clear();
        QTest::keyClicks(HexBox(), keys);
    }

    [[nodiscard]] std::vector<std::pair<QString, QString>> Rows() const
    {
        std::vector<std::pair<QString, QString>> rows;
        for (int i = 0; i < List()->topLevelItemCount(); ++i)
            rows.emplace_back(List()->topLevelItem(i)->text(0), List()->topLevelItem(i)->text(1));
        return rows;
    }

    TempDir m_dir;
    ColorTable m_table;
    std::unique_ptr<CColorCodesDlg> m_dialog;
    int m_repaints = 0;
    std::deque<QColor> m_answers;
    std::vector<QColor> m_initials;
    MessageBoxRecorder m_messages;
};

using Row = std::pair<QString, QString>;

} // namespace

TEST_F(ColorCodesDlgTest, OpensWithTheFileRowsInFileOrder)
{
    Open(QByteArray("61-7A,1,2\r\n0D-2D,3,4\r\n41,5,6\r\n\r\n41,7,8\r\n"));
    EXPECT_EQ(m_dialog->windowTitle(), "Edit Color Codes");
    EXPECT_EQ(List()->headerItem()->text(0), "Hex Code");
    EXPECT_EQ(List()->headerItem()->text(1), "Ascii Code");
    EXPECT_EQ(List()->columnWidth(0), 77);
    EXPECT_EQ(List()->columnWidth(1), 75);
    // One row per code, where it first appears; the repeated code has its last colours.
    EXPECT_EQ(Rows(), (std::vector<Row>{{"61-7A", "a-z"}, {"0D-2D", ".--"}, {"41", "A"}}));
    EXPECT_EQ(*m_dialog->WorkingList().Find("41"), (ColorPair{7, 8}));
    EXPECT_TRUE(Child<QPushButton>(CColorCodesDlg::IdSave)->isDefault());
}

TEST_F(ColorCodesDlgTest, HelpTextIsShownWordForWord)
{
    Open(nullptr);
    QStringList texts;
    for (QLabel* label : m_dialog->findChildren<QLabel*>())
        texts << label->text();
    // One text, so that it wraps where the width allows and never breaks mid-sentence.
    EXPECT_TRUE(texts.contains("Enter the hex or Ascii code that you want to have color coded. Once you add it to "
                               "the list, click \"Hex Color\" to edit the color it will be displayed in hex view, "
                               "and \"Ascii Color\" to edit "
                               "the color it will be displayed in the Ascii view. You can also enter a range. i.e. "
                               "\"0D-2D\", or \"a-z\"."));
    EXPECT_TRUE(texts.contains("Hex Code:"));
    EXPECT_TRUE(texts.contains("Ascii Char:"));
}

TEST_F(ColorCodesDlgTest, AddUpperCasesAndShowsTheCharacters)
{
    Open(nullptr);
    TypeHex("0d-2d");
    EXPECT_EQ(AsciiBox()->text(), ".--");
    Click(CColorCodesDlg::IdAdd);
    EXPECT_EQ(HexBox()->text(), "0D-2D");
    EXPECT_EQ(Rows(), (std::vector<Row>{{"0D-2D", ".--"}}));
    EXPECT_EQ(*m_dialog->WorkingList().Find("0D-2D"), ColorPair{});

    // The same code again adds nothing and says nothing.
    TypeHex("0D-2D");
    Click(CColorCodesDlg::IdAdd);
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_EQ(m_messages.Count(), 0);
}

TEST_F(ColorCodesDlgTest, AddRefusesReversedRangesTypedEitherWay)
{
    Open(nullptr);
    TypeHex("2D-0D");
    Click(CColorCodesDlg::IdAdd);
    EXPECT_EQ(m_messages.Texts(), (std::vector<QString>{kLowHigh}));

    HexBox()->clear();
    AsciiBox()->clear();
    QTest::keyClicks(AsciiBox(), "z-a");
    EXPECT_EQ(HexBox()->text(), "7A-61");
    Click(CColorCodesDlg::IdAdd);
    EXPECT_EQ(m_messages.Count(), 2);
    EXPECT_EQ(m_messages.Last(), kLowHigh);

    HexBox()->clear();
    Click(CColorCodesDlg::IdAdd); // empty
    EXPECT_EQ(m_messages.Count(), 3);
    EXPECT_EQ(m_messages.Last(), kLowHigh);

    // Text the box would not take from the keyboard or the clipboard is not a code at all.
    HexBox()->setText(QStringLiteral("4a,5"));
    Click(CColorCodesDlg::IdAdd);
    EXPECT_EQ(m_messages.Count(), 4);
    EXPECT_EQ(m_messages.Last(),
              QStringLiteral("A code is a hex number, or two joined by \"-\" for a range (41, 0D-2D). \"4A,5\" is not one."));
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(m_dialog->WorkingList().Empty());
}

TEST_F(ColorCodesDlgTest, PickedColoursOfASelectedRowAreSaved)
{
    Open(nullptr);
    TypeHex("41");
    Click(CColorCodesDlg::IdAdd);
    ClickRow(0);
    m_answers = {QColor(255, 0, 0), QColor(0, 0, 255)};
    Click(CColorCodesDlg::IdHexColor);
    Click(CColorCodesDlg::IdAsciiColor);
    EXPECT_EQ(m_initials, (std::vector<QColor>{QColor(Qt::black), QColor(Qt::black)}));
    EXPECT_EQ(HexBox()->TextColor(), kRed);
    EXPECT_EQ(AsciiBox()->TextColor(), kBlue);
    EXPECT_EQ(m_repaints, 0);
    EXPECT_EQ(m_table.Entry(0x41), ColorPair{}); // nothing before Save

    Click(CColorCodesDlg::IdSave);
    EXPECT_EQ(File(), "41,255,16711680\r\n");
    EXPECT_EQ(m_table.Entry(0x41), (ColorPair{kRed, kBlue}));
    EXPECT_EQ(m_repaints, 1);
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(m_dialog->isVisible());
}

TEST_F(ColorCodesDlgTest, ClickingARowShowsItsTextsAndColoursWithoutMirroring)
{
    Open(QByteArray("0D-2D,255,16711680\r\n41,0,0\r\n"));
    ClickRow(0);
    EXPECT_EQ(HexBox()->text(), "0D-2D");
    EXPECT_EQ(AsciiBox()->text(), ".--");
    EXPECT_EQ(HexBox()->TextColor(), kRed);
    EXPECT_EQ(AsciiBox()->TextColor(), kBlue);
    ClickRow(1);
    EXPECT_EQ(HexBox()->TextColor(), 0u);
    EXPECT_EQ(AsciiBox()->text(), "A");
}

TEST_F(ColorCodesDlgTest, ColourPickedBeforeAddLeavesTheNewEntryBlack)
{
    Open(nullptr);
    TypeHex("41");
    m_answers = {QColor(255, 0, 0)};
    Click(CColorCodesDlg::IdHexColor);
    EXPECT_EQ(HexBox()->TextColor(), kRed);
    Click(CColorCodesDlg::IdAdd);
    EXPECT_EQ(*m_dialog->WorkingList().Find("41"), ColorPair{});
}

TEST_F(ColorCodesDlgTest, CancelledPickerKeepsTheColour)
{
    Open(QByteArray("41,255,16711680\r\n"));
    ClickRow(0);
    Click(CColorCodesDlg::IdHexColor); // no answer: cancelled
    Click(CColorCodesDlg::IdAsciiColor);
    EXPECT_EQ(HexBox()->TextColor(), kRed);
    EXPECT_EQ(AsciiBox()->TextColor(), kBlue);
    EXPECT_EQ(*m_dialog->WorkingList().Find("41"), (ColorPair{kRed, kBlue}));
    Click(CColorCodesDlg::IdSave);
    EXPECT_EQ(File(), "41,255,16711680\r\n");
}

TEST_F(ColorCodesDlgTest, NoRowLooksSelectedUntilOneIs)
{
    Open(QByteArray("20,1,1\r\n41,2,2\r\n"));
    QTreeWidget* list = List();
    list->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    // The rows' texts are black on white; a selected row, or a current one that a style
    // draws like it, is tinted in the highlight's hue.
    const auto looksSelected = [&](int row) {
        const QImage image = list->viewport()->grab().toImage();
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        return vtx::test::CountPixels(image, rect, [](const QColor& c) {
            return std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) >= 10;
        }) > 0;
    };
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_FALSE(looksSelected(0));
    ClickRow(1);
    EXPECT_FALSE(looksSelected(0));
    EXPECT_TRUE(looksSelected(1));
    // Removed: the row that moves into its place is not selected and does not look it.
    Click(CColorCodesDlg::IdRemove);
    list->setFocus();
    EXPECT_FALSE(looksSelected(0));
}

TEST_F(ColorCodesDlgTest, ColourGoesToTheExactCodeTextInTheBox)
{
    Open(QByteArray("41,0,0\r\n"));
    // Typed in lower case and not added: "4a" names no entry, only the box changes.
    TypeHex("4a");
    m_answers = {QColor(255, 0, 0)};
    Click(CColorCodesDlg::IdHexColor);
    EXPECT_EQ(*m_dialog->WorkingList().Find("41"), ColorPair{});
    EXPECT_FALSE(m_dialog->WorkingList().Contains("4a"));
}

TEST_F(ColorCodesDlgTest, RemoveTakesOnlyTheSelectedRow)
{
    Open(QByteArray("20,1,1\r\n41,2,2\r\n61,3,3\r\n"));
    Click(CColorCodesDlg::IdRemove); // nothing selected yet
    EXPECT_EQ(Rows().size(), 3u);
    ClickRow(1);
    Click(CColorCodesDlg::IdRemove);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"20", " "}, {"61", "a"}}));
    // The removed row is gone: a second Remove has nothing to remove.
    Click(CColorCodesDlg::IdRemove);
    EXPECT_EQ(Rows().size(), 2u);
    Click(CColorCodesDlg::IdSave);
    EXPECT_EQ(File(), "20,1,1\r\n61,3,3\r\n");
    EXPECT_EQ(m_table.Entry(0x41), ColorPair{});
    EXPECT_EQ(m_table.Entry(0x61), (ColorPair{3, 3}));
}

TEST_F(ColorCodesDlgTest, ClearListThenSaveEmptiesFileAndTable)
{
    Open(QByteArray("00-FF,255,255\r\n"));
    ASSERT_EQ(m_table.Entry(0x80), (ColorPair{255, 255}));
    Click(CColorCodesDlg::IdClearList);
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_TRUE(Rows().empty());
    Click(CColorCodesDlg::IdSave);
    EXPECT_EQ(File(), "");
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(m_table.Entry(static_cast<std::uint8_t>(v)), ColorPair{}) << v;
    EXPECT_EQ(m_repaints, 1);
}

TEST_F(ColorCodesDlgTest, CancelEscAndCloseChangeNothing)
{
    const QByteArray original("41,255,255\r\n");
    for (int way = 0; way < 3; ++way) {
        Open(original);
        Click(CColorCodesDlg::IdClearList);
        if (way == 0)
            Click(CColorCodesDlg::IdCancel);
        else if (way == 1)
            QTest::keyClick(List(), Qt::Key_Escape);
        else
            m_dialog->close();
        EXPECT_EQ(m_dialog->result(), QDialog::Rejected) << way;
        EXPECT_FALSE(m_dialog->isVisible()) << way;
        EXPECT_EQ(File(), original) << way;
        EXPECT_EQ(m_table.Entry(0x41), (ColorPair{255, 255})) << way;
        EXPECT_EQ(m_repaints, 0) << way;
    }
}

TEST_F(ColorCodesDlgTest, EnterSavesAndAMissingFileIsCreated)
{
    Open(nullptr);
    EXPECT_TRUE(Rows().empty());
    TypeHex("7f");
    Click(CColorCodesDlg::IdAdd);
    QTest::keyClick(HexBox(), Qt::Key_Return);
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(File(), "7F,0,0\r\n");
}

TEST_F(ColorCodesDlgTest, FailedWriteIsReportedButTheColoursApply)
{
    m_dialog = std::make_unique<CColorCodesDlg>(m_table, m_dir.StdPath("missing-dir/colors.dat"),
                                                [this] { ++m_repaints; });
    m_dialog->show();
    TypeHex("41");
    Click(CColorCodesDlg::IdAdd);
    ClickRow(0);
    m_answers = {QColor(255, 0, 0)};
    Click(CColorCodesDlg::IdHexColor);
    Click(CColorCodesDlg::IdSave);
    EXPECT_EQ(m_table.HexColor(0x41), kRed);
    EXPECT_EQ(m_repaints, 1);
    ASSERT_EQ(m_messages.Count(), 1);
    EXPECT_TRUE(m_messages.Last().startsWith("Could not save the color codes"));
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
}

TEST_F(ColorCodesDlgTest, RunIsModalAndReportsSave)
{
    m_dir.Write("colors.dat", "41,1,1\r\n");
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CColorCodesDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QPushButton*>(QString::number(CColorCodesDlg::IdSave))->click();
    });
    int repaints = 0;
    EXPECT_TRUE(CColorCodesDlg::Run(nullptr, m_table, Path(), [&] { ++repaints; }));
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(m_table.Entry(0x41), (ColorPair{1, 1}));

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_FALSE(CColorCodesDlg::Run(nullptr, m_table, Path(), {}));
}
