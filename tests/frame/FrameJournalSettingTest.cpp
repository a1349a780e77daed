// View > Keep Journal of Unsaved Changes in the running editor: turning it off removes the
// journals of the open documents and keeps the next changes off the disk; turning it on
// journals every open writable document at once, with the changes it already has.
#include "FrameFixture.h"

#include "document/CVantorixDoc.h"
#include "document/EditJournal.h"
#include "framework/CWinApp.h"
#include "res/CommandIds.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

#include <cstdlib>
#include <map>
#include <string>
#include <sys/stat.h>

namespace vtx::test {
namespace {

// The state folder in a fresh temporary folder, and the setting back on, whatever happens.
class JournalSettingTest : public FrameTest
{
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        if (const char* old = std::getenv("XDG_STATE_HOME"))
            m_oldState = old;
        ::setenv("XDG_STATE_HOME", m_state.StdPath(QStringLiteral("state")).c_str(), 1);
    }
    void TearDown() override
    {
        FrameTest::TearDown();
        CVantorixDoc::SetJournalEnabled(true);
        ::setenv("XDG_STATE_HOME", m_oldState.c_str(), 1);
    }

    // Clicks View, then the item, as the user does.
    void ClickJournalItem()
    {
        QMenu* view = Frame()->GetMenuPopup(IDR_VANTORTYPE, QStringLiteral("&View"));
        ASSERT_NE(view, nullptr);
        QMenuBar* bar = Frame()->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(view->menuAction()).center());
        ASSERT_EQ(QApplication::activePopupWidget(), view);
        QAction* item = Frame()->Commands().Action(ID_VIEW_EDIT_JOURNAL);
        ASSERT_TRUE(view->actions().contains(item));
        QTest::mouseClick(view, Qt::LeftButton, {}, view->actionGeometry(item).center());
        ReactivateAfterPopup(Frame());
    }

    [[nodiscard]] static std::string JournalPathOf(const QString& path)
    {
        return EditJournal::JournalPathFor(QFile::encodeName(QFileInfo(path).canonicalFilePath()).toStdString());
    }

    // Types two hex digits over the byte at position.
    void TypeByte(std::uint32_t position, Qt::Key high, Qt::Key low)
    {
        ClickByte(position);
        Key(high);
        Key(low);
    }

    // The bytes a journal's change records set, replayed in order (no undo records here).
    static std::map<FilePos, std::uint8_t> JournalledBytes(const JournalContents& contents)
    {
        std::map<FilePos, std::uint8_t> bytes;
        for (const JournalRecord& record : contents.records)
            for (const JournalRun& run : record.runs)
                for (FilePos k = 0; k < run.length; ++k)
                    bytes[run.position + k] = run.At(k);
        return bytes;
    }

    TempDir m_state;
    std::string m_oldState;
};

TEST_F(JournalSettingTest, TheViewMenuItemTurnsTheJournalOfOpenDocumentsOffAndOn)
{
    // Opened as from File > Open, once the editor runs.
    StartEmpty();
    m_path = m_dir.Write(QStringLiteral("data.bin"), QByteArray(64, '\0'));
    App().OpenDocumentFile(m_path);
    Activate();
    ASSERT_NE(View(), nullptr);
    View()->setFocus();
    QAction* item = Frame()->Commands().Action(ID_VIEW_EDIT_JOURNAL);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Keep &Journal of Unsaved Changes"));
    EXPECT_TRUE(item->isCheckable());
    EXPECT_TRUE(item->isChecked());
    const std::string journal = JournalPathOf(FilePath());
    TypeByte(3, Qt::Key_4, Qt::Key_1);
    ASSERT_TRUE(Doc()->IsJournaled());
    ASSERT_EQ(Doc()->Journal().JournalPath(), journal);
    ASSERT_TRUE(QFileInfo::exists(QFile::decodeName(journal.c_str())));

    // Off: the journal goes from the disk, the next change stays off it, and the choice is
    // kept for the next start.
    ClickJournalItem();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(CVantorixDoc::JournalEnabled());
    EXPECT_FALSE(Doc()->IsJournaled());
    EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(journal.c_str())));
    View()->setFocus();
    TypeByte(9, Qt::Key_7, Qt::Key_E);
    EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(journal.c_str())));
    EXPECT_EQ(App().GetProfile()->value(QStringLiteral("Settings/EditJournal")).toBool(), false);

    // On: a journal at once, holding both changes made so far, and the next one after them.
    ClickJournalItem();
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(Doc()->IsJournaled());
    EXPECT_EQ(App().GetProfile()->value(QStringLiteral("Settings/EditJournal")).toBool(), true);
    View()->setFocus();
    TypeByte(20, Qt::Key_C, Qt::Key_3);
    const JournalContents contents = EditJournal::Read(journal);
    ASSERT_EQ(contents.status, JournalContents::Status::Complete);
    EXPECT_EQ(JournalledBytes(contents), Doc()->PendingChanges());
    EXPECT_EQ(Doc()->PendingChanges(), (std::map<FilePos, std::uint8_t>{{3, 0x41}, {9, 0x7E}, {20, 0xC3}}));
    EXPECT_EQ(m_boxes.Count(), 0);
}

// Turning the journal on leaves alone what is not the editor's to journal: a view-only
// document, and changes kept on disk for a recovery the user put off.
TEST_F(JournalSettingTest, TurningItOnJournalsNoViewOnlyDocumentAndReplacesNoKeptJournal)
{
    const QString kept = m_dir.Write(QStringLiteral("kept.bin"), QByteArray(32, 'k'));
    const QString viewOnly = m_dir.Write(QStringLiteral("view.bin"), QByteArray(32, 'v'));
    ASSERT_EQ(::chmod(QFile::encodeName(viewOnly).constData(), 0444), 0);
    // Changes to kept.bin from an earlier run, put off at the question (Cancel).
    {
        EditJournal earlier;
        FileIdentity identity;
        ASSERT_TRUE(earlier.Start(QFile::encodeName(QFileInfo(kept).canonicalFilePath()).toStdString(), identity,
                                  {JournalRecord{JournalRecord::Kind::Change, false, 1, {JournalRun{2, 1, false, {'X'}}}}}));
        earlier.Close();
    }
    const JournalContents before = EditJournal::Read(JournalPathOf(kept));
    ASSERT_EQ(before.records.size(), 1u);

    // The user puts the question off when the file opens; the start-up look passes over a
    // file that is open, so it is asked once.
    m_boxes.Answer(MsgResult::Cancel);
    Start({kept});
    ASSERT_TRUE(m_bStarted);
    EXPECT_EQ(m_boxes.Texts().size(), 1u);
    for (const QString& text : m_boxes.Texts())
        EXPECT_TRUE(text.startsWith(QStringLiteral("Vantorix found unsaved changes to kept.bin"))) << text.toStdString();
    m_boxes.Answer(MsgResult::Yes); // open view.bin read-only
    App().OpenDocumentFile(viewOnly);
    Activate();
    ASSERT_EQ(Documents().size(), 2u);
    ClickJournalItem();
    ASSERT_FALSE(CVantorixDoc::JournalEnabled());
    ClickJournalItem();
    ASSERT_TRUE(CVantorixDoc::JournalEnabled());
    for (CDocument* document : Documents())
        EXPECT_FALSE(static_cast<CVantorixDoc*>(document)->IsJournaled()) << document->GetPathName().toStdString();
    EXPECT_EQ(EditJournal::Read(JournalPathOf(kept)).records, before.records);
    EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(JournalPathOf(viewOnly).c_str())));
}

} // namespace
} // namespace vtx::test
