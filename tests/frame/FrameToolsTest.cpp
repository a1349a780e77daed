// The tools as the user reaches them from the frame: the Checksum key, Save Selection As in
// the File menu, the Copy As submenu, and bookmarks set with Ctrl+F2, walked with F2 and
// Shift+F2, listed in their dock, marked in the address column and back after a restart.
#include "FrameFixture.h"

#include "frame/CCaretNumbersDock.h"
#include "framework/CDocManager.h"
#include "res/CommandIds.h"
#include "tools/bookmarks/CBookmarksDock.h"
#include "tools/checksum/CChecksumDlg.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace vtx::test {
namespace {

QStringList TreeRows(const QTreeWidget* tree)
{
    QStringList rows;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        rows << tree->topLevelItem(i)->text(0) + QLatin1Char(' ') + tree->topLevelItem(i)->text(1);
    return rows;
}

TEST_F(FrameTest, ChecksumKeyShowsTheSelectionsChecksums)
{
    StartWith(QByteArray("123456789abcdef"));
    QString crc;
    QString range;
    CChecksumDlg::SetModalRunner([&](CChecksumDlg& dialog) {
        crc = dialog.ValueEdit(ChecksumAlgorithm::Crc32)->text();
        range = dialog.RangeText();
        return QDialog::Accepted;
    });
    DragBytes(0, 8);
    Key(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    CChecksumDlg::SetModalRunner({});
    EXPECT_EQ(crc, QStringLiteral("cbf43926"));
    EXPECT_EQ(range, QStringLiteral("Selection: 00000000 to 00000008, 9 bytes"));
    const QMenu* tools = Frame()->GetMenuPopup(IDR_VANTORTYPE, QStringLiteral("&Tools"));
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(tools->actions().front()->text(), QStringLiteral("&Checksum...\tCtrl+Shift+K"));
}

TEST_F(FrameTest, SaveSelectionAsAndCopyAsTakeTheSelection)
{
    StartWith(QByteArray("0123456789abcdef"));
    EXPECT_FALSE(Frame()->Commands().Query(ID_FILE_SAVE_SELECTION_AS).IsEnabled());
    DragBytes(2, 5);
    Frame()->UpdateCommands();
    ASSERT_TRUE(Frame()->Commands().Query(ID_FILE_SAVE_SELECTION_AS).IsEnabled());

    const QString target = m_dir.Path(QStringLiteral("part.bin"));
    QString proposed;
    App().GetDocManager().SetFilePrompt([&](bool, const QString& offered, const QStringList&) {
        proposed = offered;
        return target;
    });
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_SAVE_SELECTION_AS));
    EXPECT_EQ(proposed, m_dir.Path(QStringLiteral("data-selection.bin")));
    EXPECT_EQ(ReadAll(target), QByteArray("2345"));
    EXPECT_EQ(Doc()->GetPath(), FilePath());

    // The Copy As submenu sits right after Copy as Hex.
    const QMenu* edit = Frame()->GetMenuPopup(IDR_VANTORTYPE, QStringLiteral("&Edit"));
    const QList<QAction*> items = edit->actions();
    const auto hex = std::find_if(items.begin(), items.end(), [](QAction* a) { return a->text() == QStringLiteral("Copy as &Hex"); });
    ASSERT_NE(hex, items.end());
    ASSERT_NE(std::next(hex), items.end());
    QMenu* copyAs = (*std::next(hex))->menu();
    ASSERT_NE(copyAs, nullptr);
    QStringList texts;
    for (const QAction* action : copyAs->actions())
        texts << action->text();
    EXPECT_EQ(texts, (QStringList{"&C Array", "&Base64", "&Hex Dump"}));
    copyAs->actions()[1]->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("MjM0NQ=="));
}

TEST_F(FrameTest, BookmarksAreSetWalkedListedMarkedAndKept)
{
    StartWith(QByteArray(4096, 'b'));
    CBookmarksDock* dock = Frame()->Bookmarks();
    ASSERT_NE(dock, nullptr);
    for (const FilePos offset : {0x100u, 0x20u, 0x800u}) {
        View()->GotoPosition(offset);
        Key(Qt::Key_F2, Qt::ControlModifier);
    }
    EXPECT_EQ(TreeRows(dock->Tree()), (QStringList{"00000020 ", "00000100 ", "00000800 "}));

    // F2 forward and Shift+F2 back, wrapping at either end.
    View()->GotoPosition(0x30);
    Key(Qt::Key_F2);
    EXPECT_EQ(View()->CaretPosition(), 0x100u);
    Key(Qt::Key_F2);
    Key(Qt::Key_F2);
    EXPECT_EQ(View()->CaretPosition(), 0x20u);
    Key(Qt::Key_F2, Qt::ShiftModifier);
    EXPECT_EQ(View()->CaretPosition(), 0x800u);

    // Ctrl+F2 again clears it; a name typed in the dock is kept.
    Key(Qt::Key_F2, Qt::ControlModifier);
    EXPECT_EQ(TreeRows(dock->Tree()), (QStringList{"00000020 ", "00000100 "}));
    dock->Tree()->topLevelItem(1)->setText(1, QStringLiteral("header"));
    EXPECT_EQ(TreeRows(dock->Tree()), (QStringList{"00000020 ", "00000100 header"}));

    // The row of a bookmark shows its address in the highlight colour; another row does not.
    View()->GotoPosition(0);
    const QImage image = View()->grab().toImage();
    const QColor highlight = View()->palette().color(QPalette::Highlight);
    const auto addressCell = [&](FilePos position) {
        const int row = static_cast<int>(position / static_cast<FilePos>(View()->BytesPerLine()) - View()->TopRow());
        return QRect(View()->LeftMargin() + 1, row * View()->RowPitch() + 1, View()->CharWidth(), View()->RowPitch() - 2);
    };
    const auto isHighlight = [&](const QColor& c) {
        return std::abs(c.red() - highlight.red()) + std::abs(c.green() - highlight.green()) + std::abs(c.blue() - highlight.blue()) < 40;
    };
    EXPECT_GT(CountPixels(image, addressCell(0x20), isHighlight), 0);
    EXPECT_EQ(CountPixels(image, addressCell(0x40), isHighlight), 0);

    // After a restart the file's bookmarks come back, names and all.
    const QString path = FilePath();
    EXPECT_EQ(Finish(), 0);
    Start({path});
    ASSERT_TRUE(m_bStarted);
    Activate();
    View()->setFocus();
    ASSERT_NE(Frame()->Bookmarks()->Current(), nullptr);
    EXPECT_EQ(TreeRows(Frame()->Bookmarks()->Tree()), (QStringList{"00000020 ", "00000100 header"}));
    Key(Qt::Key_F2);
    EXPECT_EQ(View()->CaretPosition(), 0x20u);
}

// A value typed into the inspector lands at the caret in the shown byte order, is one
// undo step, and reaches the disk with Save; bad text changes nothing.
TEST_F(FrameTest, TheInspectorTakesATypedValue)
{
    StartWith(QByteArray("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09", 10));
    Frame()->Commands().Execute(ID_VIEW_DATA_INSPECTOR);
    CCaretNumbersDock* inspector = Frame()->DataInspector();
    ASSERT_FALSE(inspector->isHidden());
    inspector->BigEndianBox()->setChecked(true);
    ClickByte(4);
    QTest::qWait(20); // the inspector follows the caret on the next turn of the loop
    ASSERT_EQ(inspector->ValueText(QStringLiteral("Signed 32-bit")), QStringLiteral("67438087"));

    // A double click on the row opens its editor; Enter writes.
    QLabel* row = nullptr;
    for (QLabel* label : inspector->findChildren<QLabel*>())
        if (!row && label->text() == QStringLiteral("67438087")) // Signed comes before Unsigned
            row = label;
    ASSERT_NE(row, nullptr);
    QTest::mouseDClick(row, Qt::LeftButton);
    ASSERT_NE(inspector->Editor(), nullptr);
    inspector->Editor()->setText(QStringLiteral("-2"));
    QTest::keyClick(inspector->Editor(), Qt::Key_Return);
    EXPECT_EQ(inspector->Editor(), nullptr);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Signed 32-bit")), QStringLiteral("-2"));
    EXPECT_EQ(Doc()->UndoHistory().empty(), false);
    Doc()->Undo();
    EXPECT_FALSE(Doc()->IsDirty()); // one undo takes back all four bytes
    Doc()->Redo();

    // Text that is not a number, or does not fit, is refused and changes nothing.
    for (const auto& [name, text] : {std::pair{"Signed 32-bit", "twelve"}, std::pair{"Unsigned 8-bit", "256"}}) {
        ASSERT_TRUE(inspector->BeginEdit(QString::fromLatin1(name)));
        inspector->Editor()->setText(QString::fromLatin1(text));
        QTest::keyClick(inspector->Editor(), Qt::Key_Return);
    }
    EXPECT_EQ(m_boxes.Texts(), (std::vector<QString>{
                                   QStringLiteral("\"twelve\" is not a number. Nothing was changed."),
                                   QStringLiteral("256 does not fit in Unsigned 8-bit (0 to 255). Nothing was changed.")}));
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Signed 32-bit")), QStringLiteral("-2"));

    App().GetDocManager().DoFileSave(Doc());
    EXPECT_EQ(ReadAll(FilePath()), QByteArray("\x00\x01\x02\x03\xFF\xFF\xFF\xFE\x08\x09", 10));

    // Near the end a value that would run past it cannot be typed; a byte still can.
    ClickByte(8);
    QTest::qWait(20);
    EXPECT_FALSE(inspector->BeginEdit(QStringLiteral("Signed 32-bit")));
    EXPECT_TRUE(inspector->BeginEdit(QStringLiteral("Unsigned 8-bit")));
    QTest::keyClick(inspector->Editor(), Qt::Key_Escape);
    EXPECT_EQ(inspector->Editor(), nullptr);
}

} // namespace
} // namespace vtx::test
