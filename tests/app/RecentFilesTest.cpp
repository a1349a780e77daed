// The recent-file list: its order and size, its place in the File menu, the entry that
// fails to open, and its life across restarts, also with broken settings.
#include "AppFixture.h"

#include "framework/CDocument.h"
#include "framework/CRecentFileList.h"
#include "res/CommandIds.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace vtx::test {
namespace {

TEST(RecentFileList, NewestFirstWithoutDuplicatesAndBounded)
{
    CRecentFileList list(QStringLiteral("Recent File List"), QStringLiteral("File"), 4);
    for (const char* path : {"/a", "/b", "/c", "/d"})
        list.Add(QString::fromLatin1(path));
    EXPECT_EQ(list.Entries(), (std::vector<QString>{"/d", "/c", "/b", "/a"}));
    list.Add(QStringLiteral("/b"));
    EXPECT_EQ(list.Entries(), (std::vector<QString>{"/b", "/d", "/c", "/a"}));
    list.Add(QStringLiteral("/e"));
    EXPECT_EQ(list.Entries(), (std::vector<QString>{"/e", "/b", "/d", "/c"}));
    // Paths differing only in case are different files here.
    list.Add(QStringLiteral("/E"));
    EXPECT_EQ(list.At(0), QStringLiteral("/E"));
    EXPECT_EQ(list.At(1), QStringLiteral("/e"));
    list.Remove(0);
    list.Remove(7);
    EXPECT_EQ(list.Entries(), (std::vector<QString>{"/e", "/b", "/d"}));
}

TEST(RecentFileList, MenuTextNumbersShortensAndKeepsAmpersands)
{
    CRecentFileList list(QStringLiteral("Recent File List"), QStringLiteral("File"), 4);
    list.Add(QStringLiteral("/data/Tom & Jerry.bin"));
    EXPECT_EQ(list.MenuText(0), QStringLiteral("&1 /data/Tom && Jerry.bin"));
    const QString deep = QStringLiteral("/home/user/projects/firmware/releases/2024/build/image.bin");
    list.Add(deep);
    const QString text = list.MenuText(0);
    EXPECT_TRUE(text.startsWith(QStringLiteral("&1 /home/...")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("/build/image.bin")));
    EXPECT_LE(text.size() - 3, CRecentFileList::kMaxDisplayLength);
    // A name too long for any directory is shown alone.
    EXPECT_EQ(AbbreviatePath(QStringLiteral("/x/") + QString(60, QLatin1Char('n')), 48), QString(60, QLatin1Char('n')));
}

QStringList RecentMenuTexts(CMainFrame* frame)
{
    frame->UpdateCommands();
    QStringList texts;
    for (int id = ID_FILE_MRU_FILE1; id < ID_FILE_MRU_FILE1 + 4; ++id) {
        const QAction* action = frame->Commands().Action(id);
        if (action && action->isVisible())
            texts << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (disabled)"));
    }
    return texts;
}

TEST_F(AppTest, FifthFilePushesTheOldestOutAndTheListSurvivesARestart)
{
    Start();
    EXPECT_EQ(RecentMenuTexts(Frame()), QStringList{QStringLiteral("Recent File (disabled)")});
    QStringList canonical;
    for (const char* name : {"r1.bin", "r2.bin", "r3.bin", "r4.bin", "r5.bin"}) {
        const QString path = MakeFile(QString::fromLatin1(name));
        ASSERT_NE(App().OpenDocumentFile(path), nullptr);
        canonical.prepend(QFileInfo(path).canonicalFilePath());
    }
    const std::vector<QString> expected(canonical.begin(), canonical.begin() + 4);
    EXPECT_EQ(App().GetRecentFileList()->Entries(), expected);
    const QStringList menu = RecentMenuTexts(Frame());
    ASSERT_EQ(menu.size(), 4);
    EXPECT_TRUE(menu[0].startsWith(QStringLiteral("&1 ")) && menu[0].endsWith(QStringLiteral("r5.bin")));
    EXPECT_TRUE(menu[3].startsWith(QStringLiteral("&4 ")) && menu[3].endsWith(QStringLiteral("r2.bin")));
    // The entries stand in the File menu where "Recent File" stands.
    const QMenu* file = Frame()->GetMenuPopup(IDR_VANTORTYPE, QStringLiteral("&File"));
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->actions().contains(Frame()->Commands().Action(ID_FILE_MRU_FILE1 + 3)));

    // Closing documents changes nothing in the list; a restart reads it back.
    EXPECT_TRUE(Frame()->close());
    EXPECT_EQ(Finish(), 0);
    Start();
    EXPECT_EQ(App().GetRecentFileList()->Entries(), expected);
    EXPECT_EQ(RecentMenuTexts(Frame()).size(), 4);
}

TEST_F(AppTest, EntryWhoseFileFailsToOpenLeavesTheList)
{
    const QString keep = MakeFile(QStringLiteral("keep.bin"));
    const QString gone = MakeFile(QStringLiteral("gone.bin"));
    Start({keep});
    App().OpenDocumentFile(gone);
    ASSERT_EQ(App().GetRecentFileList()->Count(), 2);
    ASSERT_TRUE(Frame()->close());
    Finish();
    ASSERT_TRUE(QFile::remove(gone));

    Start();
    ASSERT_EQ(App().GetRecentFileList()->At(0), QFileInfo(m_dir.Path()).canonicalFilePath() + "/gone.bin");
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_MRU_FILE1));
    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{QStringLiteral("Error Opening File\nThe file does not exist.")});
    EXPECT_EQ(App().GetRecentFileList()->Entries(), std::vector<QString>{QFileInfo(keep).canonicalFilePath()});
    EXPECT_EQ(RecentMenuTexts(Frame()).size(), 1);

    // The remaining entry opens and stays.
    EXPECT_TRUE(Frame()->Commands().Execute(ID_FILE_MRU_FILE1));
    EXPECT_EQ(Documents().size(), 1u);
    EXPECT_EQ(App().GetRecentFileList()->Count(), 1);
    Finish();
    Start();
    EXPECT_EQ(App().GetRecentFileList()->Count(), 1);
}

TEST_F(AppTest, CorruptSettingsGiveDefaults)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(SettingsFileName()).absolutePath()));
    QFile file(SettingsFileName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\xff\xfe[Recent%20File%20List\x00\x01\nFile1=\nFile2\n[Settings]\nPreviewPages=lots\n", 62));
    file.close();

    Start();
    ASSERT_TRUE(m_bStarted);
    EXPECT_EQ(App().GetRecentFileList()->Count(), 0);
    EXPECT_EQ(App().GetPreviewPages(), 0);
    const QString path = MakeFile(QStringLiteral("after.bin"));
    App().OpenDocumentFile(path);
    Finish();
    // The settings were written afresh and read back.
    Start();
    EXPECT_EQ(App().GetRecentFileList()->Entries(), std::vector<QString>{QFileInfo(path).canonicalFilePath()});
}

TEST_F(AppTest, UnwritableSettingsCostNothingButTheirMemory)
{
    // A directory where the settings file belongs can be neither read nor written.
    ASSERT_TRUE(QDir().mkpath(SettingsFileName()));
    Start({MakeFile(QStringLiteral("session.bin"))});
    ASSERT_TRUE(m_bStarted);
    EXPECT_EQ(App().GetRecentFileList()->Count(), 1);
    EXPECT_EQ(Finish(), 0);
    Start();
    EXPECT_TRUE(m_bStarted);
    EXPECT_EQ(App().GetRecentFileList()->Count(), 0);
}

TEST_F(AppTest, PreviewPagesIsReadAndWrittenBack)
{
    {
        QSettings settings(SettingsFileName(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Settings/PreviewPages"), 2);
    }
    Start();
    EXPECT_EQ(App().GetPreviewPages(), 2);
    Finish();
    QSettings settings(SettingsFileName(), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("Settings/PreviewPages")).toInt(), 2);
}

} // namespace
} // namespace vtx::test
