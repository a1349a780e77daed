// The routines that install and uninstall share: start menu, shortcuts, folders.
#include "SetupFixture.h"

#include "platform/DesktopEntry.h"
#include "setup/CRegistryKey.h"
#include "setup/Install.h"
#include "setup/SetupRoutines.h"

#include <QDir>

#include <cerrno>

namespace vtx::test {
namespace {

using SetupRoutinesTest = SetupTest;

void WriteValue(RegRoot root, const QString& key, const QString& name, const QString& text)
{
    CRegistryKey writer;
    ASSERT_TRUE(writer.Open(root, QStringLiteral("Software")));
    ASSERT_TRUE(writer.WriteString(key, name, text));
}

const QString kShellFolders = QStringLiteral("Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");

TEST_F(SetupRoutinesTest, StartMenuFolderComesFromTheRegistryElseFromTheWindowsDirectory)
{
    EXPECT_EQ(FindStartMenuFolder(), W() + QStringLiteral("/Start Menu"));
    EXPECT_TRUE(QFileInfo(W() + QStringLiteral("/Start Menu/Programs")).isDir());

    // The user's key present but its value empty: never the top of the file system.
    WriteValue(HKEY_CURRENT_USER, kShellFolders, QStringLiteral("Other"), QStringLiteral("x"));
    EXPECT_EQ(FindStartMenuFolder(), W() + QStringLiteral("/Start Menu"));

    WriteValue(HKEY_CURRENT_USER, kShellFolders, QStringLiteral("Start Menu"), Root(QStringLiteral("user")));
    // "Common Start Menu" present but empty: the user's folder is used.
    WriteValue(HKEY_LOCAL_MACHINE, kShellFolders, QStringLiteral("Common Start Menu"), QString());
    EXPECT_EQ(FindStartMenuFolder(), Root(QStringLiteral("user")));

    WriteValue(HKEY_LOCAL_MACHINE, kShellFolders, QStringLiteral("Common Start Menu"), Root(QStringLiteral("all")));
    EXPECT_EQ(FindStartMenuFolder(), Root(QStringLiteral("all")));
}

TEST_F(SetupRoutinesTest, ShortcutIsADesktopEntryAtTheGivenPathThatStartsTheTargetUnchanged)
{
    const QString target = Root(QStringLiteral("odd dir/a \"b\" $HOME `c` 50% d\\e/Vantorix.exe"));
    const QString link = Root(QStringLiteral("Vantorix.lnk"));
    EXPECT_EQ(CreateShortcut(target, QStringLiteral("Vantorix"), link), 0);

    const QByteArray entry = FileContent(link).value_or(QByteArray());
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_EQ(DesktopValue(entry, QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(DesktopValue(entry, QStringLiteral("Name")), QStringLiteral("Vantorix"));
    EXPECT_EQ(ParseDesktopExec(DesktopValue(entry, QStringLiteral("Exec"))), QStringList{target});
    EXPECT_EQ(UnescapeDesktopString(DesktopValue(entry, QStringLiteral("Icon"))), target);
    EXPECT_EQ(m_boxes.Count(), 0);

    // A relative target would be looked up in PATH: refused with the setup's message.
    EXPECT_NE(CreateShortcut(QStringLiteral("Vantorix.exe"), QStringLiteral("Vantorix"),
                             Root(QStringLiteral("other.lnk"))),
              0);
    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{QStringLiteral(
                                   "Failed to create link, Make sure you unzip the whole file "
                                   "before running setup.")});
    EXPECT_FALSE(Exists(Root(QStringLiteral("other.lnk"))));
}

TEST_F(SetupRoutinesTest, ExecArgumentsAndFieldCodesSurviveADesktopsParsing)
{
    const QStringList arguments{QStringLiteral("/x y/prog"), QStringLiteral("plain"),
                                QStringLiteral("tab\there"), QStringLiteral("new\nline"),
                                QStringLiteral("100%"), QStringLiteral("back\\slash \"q\"")};
    const QByteArray entry = DesktopEntryText({{QStringLiteral("Exec"),
                                                DesktopExecValue(arguments, QStringLiteral("%f"))}});
    const QString exec = DesktopValue(entry, QStringLiteral("Exec"));
    EXPECT_TRUE(exec.endsWith(QStringLiteral(" %f")));
    EXPECT_EQ(ParseDesktopExec(exec), arguments);
    EXPECT_EQ(entry.count('\n'), 2); // the line break inside an argument is escaped
}

TEST_F(SetupRoutinesTest, InstallDirectoryIsCreatedLevelByLevelAndOnlyTheLastLevelIsJudged)
{
    const QString deep = Root(QStringLiteral("a/b c/d/e/"));
    CreateInstallDirectory(deep);
    EXPECT_TRUE(QFileInfo(deep).isDir());
    CreateInstallDirectory(deep); // exists already: no message
    EXPECT_EQ(m_boxes.Count(), 0);

    WriteFile(QStringLiteral("file"), QByteArray("x"));
    CreateInstallDirectory(Root(QStringLiteral("file/sub")));
    EXPECT_EQ(m_boxes.Texts(),
              std::vector<QString>{QStringLiteral("Failed To Create Directory, Try Creating "
                                                  "Manually. Code: %1")
                                       .arg(ENOTDIR)});
}

TEST_F(SetupRoutinesTest, TypedDirectoryIsMadeAbsoluteAndKeepsItsTrailingSeparator)
{
    EXPECT_EQ(ResolveInstallDirectory(QStringLiteral("/opt/v/")), QStringLiteral("/opt/v/"));
    EXPECT_EQ(ResolveInstallDirectory(QStringLiteral("apps/v")), Dist() + QStringLiteral("/apps/v"));
    EXPECT_EQ(ResolveInstallDirectory(QStringLiteral("~/v")), QDir::homePath() + QStringLiteral("/v"));
    EXPECT_EQ(ResolveInstallDirectory(QStringLiteral("~v")), Dist() + QStringLiteral("/~v"));
    EXPECT_EQ(ResolveInstallDirectory(QString()), QString());
}

TEST_F(SetupRoutinesTest, EmptyAndRemoveFolderDeletesTopLevelFilesOnly)
{
    const QString folder = Root(QStringLiteral("d"));
    WriteFile(QStringLiteral("d/one"), QByteArray("1"));
    WriteFile(QStringLiteral("d/.hidden"), QByteArray("2"));
    WriteFile(QStringLiteral("outside"), QByteArray("3"));
    ASSERT_TRUE(QFile::link(Root(QStringLiteral("outside")), folder + QStringLiteral("/link")));
    ASSERT_TRUE(QFile::link(Root(QStringLiteral("gone")), folder + QStringLiteral("/dangling")));
    EXPECT_TRUE(EmptyAndRemoveFolder(folder + QLatin1Char('/')));
    EXPECT_FALSE(Exists(folder));
    EXPECT_EQ(FileContent(Root(QStringLiteral("outside"))), QByteArray("3")); // links, not targets

    // Subfolders, and links to folders, are neither entered nor deleted.
    WriteFile(QStringLiteral("e/file"), QByteArray("1"));
    WriteFile(QStringLiteral("e/sub/kept"), QByteArray("2"));
    WriteFile(QStringLiteral("elsewhere/kept"), QByteArray("3"));
    ASSERT_TRUE(QFile::link(Root(QStringLiteral("elsewhere")), Root(QStringLiteral("e/dirlink"))));
    EXPECT_FALSE(EmptyAndRemoveFolder(Root(QStringLiteral("e/"))));
    EXPECT_EQ(QDir(Root(QStringLiteral("e"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              (QStringList{"dirlink", "sub"}));
    EXPECT_TRUE(Exists(Root(QStringLiteral("e/sub/kept"))));
    EXPECT_TRUE(Exists(Root(QStringLiteral("elsewhere/kept"))));

    EXPECT_TRUE(EmptyAndRemoveFolder(Root(QStringLiteral("never/"))));
}

} // namespace
} // namespace vtx::test
