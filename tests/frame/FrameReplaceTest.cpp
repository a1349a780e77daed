// Replace, Find All and the search modes as a user reaches them: Ctrl+H, the dialog's
// buttons, the "Search Results" dock, the Edit menu's search submenu and Alt+1..3/Alt+C in
// the search box.
#include "FrameFixture.h"

#include "res/CommandIds.h"
#include "tools/findall/CSearchResultsDock.h"
#include "tools/replace/CReplaceDlg.h"

#include <QMenu>
#include <QPushButton>
#include <QTreeView>

namespace vtx::test {
namespace {

QByteArray Sample()
{
    QByteArray bytes(256, '.');
    for (int at : {10, 40, 100, 200})
        bytes.replace(at, 3, at == 100 ? "ABC" : "abc");
    return bytes;
}

// The bytes the document shows now, pending changes included.
QByteArray PresentedAll(CVantorixDoc& doc)
{
    QByteArray bytes(static_cast<int>(doc.GetFileLength()), '\0');
    const ReadOutcome read =
        doc.ReadPresented(reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), 0);
    bytes.resize(static_cast<int>(read.count));
    return bytes;
}

void Click(QWidget* dialog, const char* name)
{
    auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_TRUE(button) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

TEST_F(FrameTest, CtrlHOpensReplaceWhoseReplaceAllIsOneUndoStep)
{
    StartWith(Sample());
    CReplaceDlg::SetProgressDelayMs(0);
    Key(Qt::Key_H, Qt::ControlModifier);
    CReplaceDlg* dialog = Frame()->ReplaceDialog();
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(dialog->isVisible());
    // The window system activates the dialog in its own time; inside it, "Find what" has
    // the focus.
    EXPECT_EQ(dialog->focusWidget(), dialog->FindEdit());

    // A replacement of another length changes nothing and says both lengths.
    QTest::keyClicks(dialog->FindEdit(), QStringLiteral("abc"));
    QTest::keyClicks(dialog->ReplaceEdit(), QStringLiteral("xy"));
    Click(dialog, "ReplaceAllButton");
    EXPECT_TRUE(dialog->Message().contains(QStringLiteral("2 bytes long and the search text 3 bytes")))
        << dialog->Message().toStdString();
    EXPECT_TRUE(Doc()->PendingChanges().empty());

    // Match case is on: the upper-case match stays.
    QTest::keyClicks(dialog->ReplaceEdit(), QStringLiteral("z"));
    Click(dialog, "ReplaceAllButton");
    EXPECT_EQ(dialog->Message(), QStringLiteral("Replaced 3 matches."));
    QByteArray expected = Sample();
    for (int at : {10, 40, 200})
        expected.replace(at, 3, "xyz");
    EXPECT_EQ(PresentedAll(*Doc()), expected);
    // The dialog's Match case is the frame's: turned off there, it is off here.
    EXPECT_TRUE(Frame()->Commands().Execute(ID_SEARCH_MATCH_CASE));
    EXPECT_FALSE(Frame()->GetMatchCase());
    Click(dialog, "ReplaceAllButton");
    EXPECT_EQ(dialog->Message(), QStringLiteral("Replaced 1 match."));
    EXPECT_TRUE(Frame()->Commands().Execute(ID_SEARCH_MATCH_CASE));

    // Each Replace All is one step.
    Doc()->Undo();
    EXPECT_EQ(PresentedAll(*Doc()), expected);
    Doc()->Undo();
    EXPECT_EQ(PresentedAll(*Doc()), Sample());
    EXPECT_EQ(m_boxes.Count(), 1);

    // Find Next selects a match; Replace overwrites it and goes on to the next.
    View()->GotoPosition(0);
    Click(dialog, "FindNextButton");
    ASSERT_EQ(View()->SelectedRange(), (ByteRange{10, 3}));
    Click(dialog, "ReplaceButton");
    EXPECT_EQ(Doc()->GetByte(10), 'x');
    EXPECT_EQ(View()->SelectedRange(), (ByteRange{40, 3}));
    Click(dialog, "CloseButton");
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(FrameTest, FindAllListsEveryMatchAndEnterSelectsOne)
{
    StartWith(Sample());
    CSearchResultsDock::SetProgressDelayMs(0);
    TypeInto(Frame()->SearchBox(), QStringLiteral("abc"));
    EXPECT_TRUE(Frame()->Commands().Execute(ID_EDIT_FIND_ALL));
    CSearchResultsDock* dock = Frame()->SearchResults();
    ASSERT_TRUE(dock);
    EXPECT_TRUE(dock->isVisible());
    EXPECT_EQ(dock->windowTitle(), QStringLiteral("Search Results"));
    EXPECT_EQ(dock->Summary(), QStringLiteral("3 matches"));
    ASSERT_EQ(dock->Model().rowCount(), 3);
    EXPECT_EQ(dock->Model().index(1, CSearchResultsModel::kOffset).data().toString(), QStringLiteral("00000028"));
    EXPECT_EQ(dock->Model().index(1, CSearchResultsModel::kHex).data().toString(),
              QStringLiteral("2E 2E 2E 2E [61 62 63] 2E 2E 2E 2E"));

    QTreeView* list = dock->List();
    list->setFocus();
    list->setCurrentIndex(dock->Model().index(2, 0));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(View()->SelectedRange(), (ByteRange{200, 3}));
}

TEST_F(FrameTest, SearchModesFromTheEditMenuAndFromTheSearchBox)
{
    StartWith(Sample());
    QMenu* edit = Frame()->GetMenuPopup(IDR_VANTORTYPE, QStringLiteral("&Edit"));
    ASSERT_TRUE(edit);
    QMenu* modes = nullptr;
    for (QAction* action : edit->actions())
        if (action->menu() && action->text() == QStringLiteral("&Search Type"))
            modes = action->menu();
    ASSERT_TRUE(modes);
    QStringList texts;
    for (const QAction* action : modes->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(texts, (QStringList{"Search &Ascii", "Search &Hex", "Search &Unicode", "Search &Regular Expression", "-", "Match &case"}));

    FocusBox(Frame()->SearchBox());
    Key(Qt::Key_2, Qt::AltModifier);
    EXPECT_EQ(Frame()->GetSearchType(), SearchType::Hex);
    Key(Qt::Key_3, Qt::AltModifier);
    EXPECT_EQ(Frame()->GetSearchType(), SearchType::Unicode);
    Key(Qt::Key_1, Qt::AltModifier);
    EXPECT_EQ(Frame()->GetSearchType(), SearchType::Ascii);
    // Alt+C in the box is Match case, not Edit Color Codes; the box keeps its text.
    TypeInto(Frame()->SearchBox(), QStringLiteral("ab"));
    Key(Qt::Key_C, Qt::AltModifier);
    EXPECT_FALSE(Frame()->GetMatchCase());
    EXPECT_EQ(TextOf(Frame()->SearchBox()), QStringLiteral("ab"));
    EXPECT_EQ(m_boxes.Count(), 0);
    Key(Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(Frame()->GetMatchCase());
}

} // namespace
} // namespace vtx::test
