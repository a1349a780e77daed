// The regular-expression search type in the running editor: Alt+4 in the search box, Find
// Next and Find Previous with the keys, the whole match selected, the case rule, refusals
// before any scan, and Replace refused while Find All lists the matches.
#include "FrameFixture.h"

#include "res/CommandIds.h"
#include "tools/findall/CSearchResultsDock.h"
#include "tools/replace/CReplaceDlg.h"

#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

namespace vtx::test {
namespace {

QByteArray Sample()
{
    QByteArray bytes(512, '.');
    bytes.replace(0x20, 6, "id=123");
    bytes.replace(0x80, 9, "ID=456789");
    bytes.replace(0x1F0, 4, "id=7");
    return bytes;
}

TEST_F(FrameTest, RegularExpressionsFindWholeMatchesBothWaysFromTheKeys)
{
    StartWith(Sample());
    ClickByte(0);
    TypeInto(Frame()->SearchBox(), QStringLiteral("id=[0-9]+"));
    Key(Qt::Key_4, Qt::AltModifier);
    EXPECT_EQ(Frame()->GetSearchType(), SearchType::Regex);
    EXPECT_TRUE(Frame()->Commands().Action(ID_SEARCH_REGEX)->isChecked());
    EXPECT_FALSE(Frame()->Commands().Action(ID_SEARCH_ASCII)->isChecked());
    // The key chose the type and typed nothing.
    EXPECT_EQ(TextOf(Frame()->SearchBox()), QStringLiteral("id=[0-9]+"));

    const auto selected = [this] { return View()->SelectedRange().value_or(ByteRange{}); };
    QStatusBar* status = Frame()->statusBar();
    Key(Qt::Key_Return);
    EXPECT_EQ(selected(), (ByteRange{0x20, 6}));
    // Matching case passes over "ID=" until the rule is switched off.
    Key(Qt::Key_F3);
    EXPECT_EQ(selected(), (ByteRange{0x1F0, 4}));
    ASSERT_TRUE(Frame()->Commands().Execute(ID_SEARCH_MATCH_CASE));
    ASSERT_FALSE(Frame()->GetMatchCase());
    ClickByte(0x21);
    Key(Qt::Key_F3);
    EXPECT_EQ(selected(), (ByteRange{0x80, 9}));
    // Backward: the last match that ends before the caret, then wrapping to the end.
    Key(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (ByteRange{0x20, 6}));
    EXPECT_NE(status->currentMessage(), QStringLiteral("Search wrapped to the end of the file."));
    Key(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (ByteRange{0x1F0, 4}));
    EXPECT_EQ(status->currentMessage(), QStringLiteral("Search wrapped to the end of the file."));
    // Forward from the last match wraps to the first.
    Key(Qt::Key_F3);
    EXPECT_EQ(selected(), (ByteRange{0x20, 6}));
    EXPECT_EQ(status->currentMessage(), QStringLiteral("Search wrapped to the start of the file."));
    EXPECT_EQ(m_boxes.Count(), 0) << m_boxes.Last().toStdString();
}

TEST_F(FrameTest, RegularExpressionsThatCannotBeSearchedForAreRefusedBeforeAnyScan)
{
    StartWith(QByteArray(256, 'a'));
    ClickByte(5);
    ASSERT_TRUE(Frame()->Commands().Execute(ID_SEARCH_REGEX));
    struct Row {
        const char* pattern;
        const char* says;
    };
    for (const Row& row : {Row{"(a)\\1", "cannot be used"}, Row{"(ab", "cannot be used"}, Row{"a*", "empty string"}}) {
        m_boxes.Clear();
        TypeInto(Frame()->SearchBox(), QString::fromLatin1(row.pattern));
        Key(Qt::Key_Return);
        ASSERT_EQ(m_boxes.Count(), 1) << row.pattern;
        EXPECT_TRUE(m_boxes.Last().contains(QLatin1String(row.says))) << m_boxes.Last().toStdString();
        EXPECT_EQ(View()->CaretPosition(), 5u) << row.pattern;
        EXPECT_FALSE(View()->SelectedRange()) << row.pattern;
    }
}

TEST_F(FrameTest, ReplaceRefusesARegularExpressionAndFindAllListsItsMatches)
{
    StartWith(Sample());
    CSearchResultsDock::SetProgressDelayMs(0);
    ASSERT_TRUE(Frame()->Commands().Execute(ID_SEARCH_REGEX));
    Key(Qt::Key_H, Qt::ControlModifier);
    CReplaceDlg* dialog = Frame()->ReplaceDialog();
    ASSERT_TRUE(dialog);
    // The dialog's type is the shared one.
    QRadioButton* regex = nullptr;
    for (QRadioButton* button : dialog->findChildren<QRadioButton*>())
        if (button->text() == QStringLiteral("Regular e&xpression"))
            regex = button;
    ASSERT_TRUE(regex);
    EXPECT_TRUE(regex->isChecked());

    QTest::keyClicks(dialog->FindEdit(), QStringLiteral("[iI][dD]=[0-9]"));
    QTest::keyClicks(dialog->ReplaceEdit(), QStringLiteral("xxxx"));
    for (const char* button : {"ReplaceAllButton", "ReplaceButton"}) {
        m_boxes.Clear();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        EXPECT_EQ(m_boxes.Count(), 1) << button;
        EXPECT_EQ(dialog->Message(), QString::fromLatin1(ReplaceTool::kRegexRefusal)) << button;
        EXPECT_TRUE(Doc()->PendingChanges().empty()) << button;
    }
    EXPECT_EQ(Frame()->GetSearchType(), SearchType::Regex);

    m_boxes.Clear();
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("FindAllButton")), Qt::LeftButton);
    CSearchResultsDock* dock = Frame()->SearchResults();
    ASSERT_TRUE(dock);
    EXPECT_EQ(dock->Summary(), QStringLiteral("3 matches"));
    ASSERT_EQ(dock->Model().rowCount(), 3);
    EXPECT_EQ(dock->Model().index(1, CSearchResultsModel::kOffset).data().toString(), QStringLiteral("00000080"));
    EXPECT_EQ(dock->Model().index(1, CSearchResultsModel::kHex).data().toString(),
              QStringLiteral("2E 2E 2E 2E [49 44 3D 34] 35 36 37 38"));
    EXPECT_EQ(m_boxes.Count(), 0);
}

} // namespace
} // namespace vtx::test
