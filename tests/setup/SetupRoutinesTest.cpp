// The routines that install and uninstall share: start menu, shortcuts, folders.
#include "SetupFixture.h"

#include "platform/DesktopEntry.h"
#include "setup/CRegistryKey.h"
#include "setup/Install.h"
#include "platform/Process.h"
#include "setup/SetupRoutines.h"

#include <QDir>
#include <QElapsedTimer>

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
    EXPECT_FALSE(Exists(W())); // looking creates nothing

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
    EXPECT_EQ(ResolveInstallDirectory(QStringLiteral("apps/v")), Work() + QStringLiteral("/apps/v"));
    EXPECT_EQ(ResolveInstallDirectory(QStringLiteral("~/v")), QDir::homePath() + QStringLiteral("/v"));
    EXPECT_EQ(ResolveInstallDirectory(QStringLiteral("~v")), Work() + QStringLiteral("/~v"));
    EXPECT_EQ(ResolveInstallDirectory(QString()), QString());
}

TEST_F(SetupRoutinesTest, EmptyAndRemoveFolderDeletesOnlyTheNamedRegularFiles)
{
    const QStringList names{QStringLiteral("one"), QStringLiteral("link"), QStringLiteral("dangling"),
                            QStringLiteral("sub"), QStringLiteral("dirlink")};
    const QString folder = Root(QStringLiteral("d"));
    WriteFile(QStringLiteral("d/one"), QByteArray("1"));
    EXPECT_TRUE(EmptyAndRemoveFolder(folder + QLatin1Char('/'), names));
    EXPECT_FALSE(Exists(folder));

    // Files of other names, links (to files or folders, or dangling) and subfolders stay,
    // and so does the folder that holds them.
    WriteFile(QStringLiteral("e/one"), QByteArray("1"));
    WriteFile(QStringLiteral("e/.hidden"), QByteArray("2"));
    WriteFile(QStringLiteral("e/sub/kept"), QByteArray("3"));
    WriteFile(QStringLiteral("outside"), QByteArray("4"));
    WriteFile(QStringLiteral("elsewhere/kept"), QByteArray("5"));
    ASSERT_TRUE(QFile::link(Root(QStringLiteral("outside")), Root(QStringLiteral("e/link"))));
    ASSERT_TRUE(QFile::link(Root(QStringLiteral("gone")), Root(QStringLiteral("e/dangling"))));
    ASSERT_TRUE(QFile::link(Root(QStringLiteral("elsewhere")), Root(QStringLiteral("e/dirlink"))));
    EXPECT_FALSE(EmptyAndRemoveFolder(Root(QStringLiteral("e/")), names));
    EXPECT_EQ(QDir(Root(QStringLiteral("e"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden, QDir::Name),
              (QStringList{".hidden", "dangling", "dirlink", "link", "sub"}));
    EXPECT_EQ(FileContent(Root(QStringLiteral("outside"))), QByteArray("4"));
    EXPECT_TRUE(Exists(Root(QStringLiteral("e/sub/kept"))));
    EXPECT_TRUE(Exists(Root(QStringLiteral("elsewhere/kept"))));

    EXPECT_TRUE(EmptyAndRemoveFolder(Root(QStringLiteral("never/")), names));
}

TEST_F(SetupRoutinesTest, AWaitedProgramReportsItsEndAndIsStoppedAtTheTimeLimit)
{
    EXPECT_EQ(RunProgram(QStringLiteral("/bin/true"), {}, 5000), QString());
    EXPECT_EQ(RunProgram(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exit 7")}, 5000),
              QStringLiteral("/bin/sh ended with code 7"));
    EXPECT_TRUE(RunProgram(Root(QStringLiteral("missing")), {}, 5000).contains(QStringLiteral("could not be started")));

    // A program that hangs, and a child it started, are stopped at the limit.
    const QString pidFile = Root(QStringLiteral("child.pid"));
    QElapsedTimer timer;
    timer.start();
    const FinishedProcess run = RunAndWait(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("sleep 30 & echo $! > '%1'; wait").arg(pidFile)},
        300);
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.finished);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_FALSE(IsProcessRunning(run.pid));
    const long long child = FileContent(pidFile).value_or("0").trimmed().toLongLong();
    EXPECT_GT(child, 0);
    EXPECT_TRUE(WaitUntil([child] { return !IsProcessRunning(child); }, 5));
}

} // namespace
} // namespace vtx::test
