// Uninstalling with the copy of setup in the system directory.
#include "SetupFixture.h"

#include "platform/Registry.h"
#include "setup/CRegistryKey.h"
#include "setup/SetupRoutines.h"

#include <QDir>
#include <QFileInfo>

namespace vtx::test {
namespace {

const QString kQuestion = QStringLiteral("Are you sure you wish to uninstall Vantorix?");

class UninstallTest : public SetupTest
{
protected:
    void Install()
    {
        ASSERT_EQ(InstallThroughDialog(m_D), QDialog::Accepted);
        m_boxes.Clear();
    }
    [[nodiscard]] bool KeyOpens(const QString& path) const
    {
        CRegistryKey key;
        return key.Open(HKEY_LOCAL_MACHINE, path);
    }

    const QString m_D = Root(QStringLiteral("Apps/Vantorix $1 \"2\""));
};

TEST_F(UninstallTest, RemovesEverythingButTheUninstallerAndTheMarkerFile)
{
    Install();
    {
        CRegistryKey run;
        ASSERT_TRUE(run.Open(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE")));
        const QString runKey = QStringLiteral("Microsoft\\Windows\\CurrentVersion\\Run");
        ASSERT_TRUE(run.WriteString(runKey, QStringLiteral("Vantorix"), QStringLiteral("x")));
        ASSERT_TRUE(run.WriteString(runKey, QStringLiteral("Other"), QStringLiteral("y")));
    }

    RunSetupProgram();

    EXPECT_EQ(m_boxes.Texts(), (std::vector<QString>{kQuestion, QStringLiteral("Uninstall Complete")}));
    EXPECT_TRUE(m_dialogs->Titles().isEmpty());
    EXPECT_TRUE(m_trace->Contains(QStringLiteral("started regsvr32")));
    EXPECT_FALSE(Exists(m_D));
    EXPECT_FALSE(Exists(W() + QStringLiteral("/Start Menu/Programs/Dunmerrow")));
    EXPECT_TRUE(QFileInfo(W() + QStringLiteral("/Start Menu/Programs")).isDir());
    EXPECT_FALSE(KeyOpens(QStringLiteral("Software\\Dunmerrow")));
    CRegistryKey run;
    ASSERT_TRUE(run.Open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run")));
    EXPECT_EQ(run.ReadString({}, QStringLiteral("Vantorix"), QStringLiteral("gone")), QStringLiteral("gone"));
    EXPECT_EQ(run.ReadString({}, QStringLiteral("Other"), QStringLiteral("gone")), QStringLiteral("y"));
    EXPECT_EQ(QDir(S()).entryList(QDir::Files, QDir::Name), (QStringList{"VTXSetup.exe", "vtxpath.info"}));
    EXPECT_FALSE(Exists(Applications() + QStringLiteral("/Dunmerrow")));
    EXPECT_EQ(m_boxes.Records()[0].icon, MsgIcon::Question);
    EXPECT_EQ(m_boxes.Records()[1].icon, MsgIcon::Information);

    // Started again, the uninstaller finds no install and opens the setup dialog.
    m_boxes.Clear();
    RunSetupProgram();
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(m_dialogs->Titles(), QStringList{QStringLiteral("Vantorix Setup")});
}

TEST_F(UninstallTest, SubfoldersAndAnotherProductOfTheMakerStay)
{
    Install();
    WriteFile(QStringLiteral("Apps/Vantorix $1 \"2\"/saved/mine.bin"), QByteArray("keep"));
    const QString other = W() + QStringLiteral("/Start Menu/Programs/Dunmerrow/Other");
    ASSERT_TRUE(QDir().mkpath(other));
    WriteFile(QStringLiteral("Windows/Start Menu/Programs/Dunmerrow/Other/Other.lnk"), QByteArray("x"));
    RegKey otherKey;
    ASSERT_EQ(Registry::CreateKey(Registry::Root(HKEY_LOCAL_MACHINE), QStringLiteral("Software\\Dunmerrow\\Other"),
                                  &otherKey),
              RegStatus::Ok);

    RunSetupProgram();

    EXPECT_EQ(m_boxes.Last(), QStringLiteral("Uninstall Complete"));
    EXPECT_EQ(QDir(m_D).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"saved"});
    EXPECT_EQ(FileContent(m_D + QStringLiteral("/saved/mine.bin")), QByteArray("keep"));
    EXPECT_FALSE(Exists(Menu()));
    EXPECT_TRUE(Exists(other + QStringLiteral("/Other.lnk")));
    EXPECT_FALSE(KeyOpens(QLatin1String(kProductKey)));
    EXPECT_TRUE(KeyOpens(QStringLiteral("Software\\Dunmerrow\\Other")));
}

TEST_F(UninstallTest, TheInstallDirectoryComesFromTheMarkerFilesFirstLine)
{
    Install();
    const QString marker = S() + QStringLiteral("/vtxpath.info");

    // An empty first line: nothing is removed.
    WriteFile(QStringLiteral("Windows/System/vtxpath.info"), QByteArray("\n") + m_D.toUtf8());
    RunSetupProgram();
    EXPECT_EQ(m_boxes.Texts(), (std::vector<QString>{kQuestion, QStringLiteral("Failed to get install directory!")}));
    EXPECT_TRUE(Exists(m_D + QStringLiteral("/Vantorix.exe")));
    EXPECT_TRUE(KeyOpens(QLatin1String(kProductKey)));

    // No marker file: the uninstall stops, says so, and offers the setup dialog.
    m_boxes.Clear();
    QFile::remove(marker);
    RunSetupProgram();
    EXPECT_EQ(m_boxes.Texts(), (std::vector<QString>{kQuestion, QStringLiteral("Uninstall Finished")}));
    EXPECT_EQ(m_dialogs->Titles(), QStringList{QStringLiteral("Vantorix Setup")});
    EXPECT_TRUE(Exists(m_D + QStringLiteral("/Vantorix.exe")));

    // A first line that ends with a line end: the line end is not part of the directory.
    m_boxes.Clear();
    WriteFile(QStringLiteral("Windows/System/vtxpath.info"), m_D.toUtf8() + "\r\nsecond line\n");
    RunSetupProgram();
    EXPECT_EQ(m_boxes.Last(), QStringLiteral("Uninstall Complete"));
    EXPECT_FALSE(Exists(m_D));
}

TEST_F(UninstallTest, RecordedDirectoriesThatAreNoInstallOfVantorixLoseNothing)
{
    Install();
    // The home folder and another folder hold files by the installed names and others.
    for (const char* name : {"home/.bashrc", "home/Vantorix.exe", "home/colors.dat",
                             "mixed/notes.txt", "mixed/colors.dat", "other/Vantorix.exe"})
        WriteFile(QLatin1String(name), QByteArray("mine"));
    // A relative line would name the real install, taken against this working directory.
    ASSERT_TRUE(QDir::setCurrent(Root()));
    const struct {
        QString marker;
        const char* why;
    } records[] = {
        {Root(QStringLiteral("home")), "it is your home folder"},
        {QStringLiteral("Apps/Vantorix $1 \"2\""), "is not an absolute path"},
        {QStringLiteral("/"), "top of the file system"},
        {QStringLiteral("/etc"), "operating system"},
        {Root(QStringLiteral("mixed")), "holds no Vantorix.exe"},
        {Root(QStringLiteral("other")), "is not the one in the registry"},
    };
    const auto before = Snapshot(Root());
    ASSERT_EQ(before.at(Root(QStringLiteral("home/.bashrc"))), QByteArray("mine"));
    ASSERT_EQ(before.at(Root(QStringLiteral("mixed/colors.dat"))), QByteArray("mine"));
    for (const auto& r : records) {
        WriteFile(QStringLiteral("Windows/System/vtxpath.info"), r.marker.toUtf8());
        const auto marked = Snapshot(Root());
        m_boxes.Clear();
        RunSetupProgram();
        ASSERT_EQ(m_boxes.Count(), 2) << r.marker.toStdString();
        EXPECT_TRUE(m_boxes.Last().startsWith(QStringLiteral("Vantorix was not uninstalled: ")));
        EXPECT_TRUE(m_boxes.Last().contains(QLatin1String(r.why))) << m_boxes.Last().toStdString();
        EXPECT_TRUE(m_boxes.Last().endsWith(QStringLiteral("Nothing was removed.")));
        EXPECT_EQ(m_boxes.Records()[1].icon, MsgIcon::Exclamation);
        EXPECT_EQ(Snapshot(Root()), marked) << r.marker.toStdString();
    }
    EXPECT_FALSE(m_trace->Contains(QStringLiteral("regsvr32 ended"))); // never unregistered
    EXPECT_TRUE(KeyOpens(QLatin1String(kProductKey)));
}

TEST_F(UninstallTest, OnlyTheInstalledFilesGoAndAFolderThatKeepsOthersIsNamed)
{
    Install();
    WriteFile(QStringLiteral("Apps/Vantorix $1 \"2\"/notes.txt"), QByteArray("mine"));
    WriteFile(QStringLiteral("outside.dat"), QByteArray("outside"));
    ASSERT_TRUE(QFile::remove(m_D + QStringLiteral("/colors.dat")));
    ASSERT_TRUE(QFile::link(Root(QStringLiteral("outside.dat")), m_D + QStringLiteral("/colors.dat")));
    WriteFile(QStringLiteral("Windows/Start Menu/Programs/Dunmerrow/Vantorix/mine.lnk"), QByteArray("mine"));
    ASSERT_TRUE(Exists(m_D + QStringLiteral("/notes.txt")) && Exists(Menu() + QStringLiteral("/mine.lnk")));

    RunSetupProgram();

    EXPECT_EQ(m_boxes.Texts(),
              (std::vector<QString>{kQuestion,
                                    QStringLiteral("These folders were kept, because they hold files that "
                                                   "Vantorix did not install: %1, %2")
                                        .arg(Menu(), m_D),
                                    QStringLiteral("Uninstall Complete")}));
    EXPECT_EQ(m_boxes.Records()[1].icon, MsgIcon::Information);
    EXPECT_EQ(QDir(m_D).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name),
              (QStringList{"colors.dat", "notes.txt"}));
    EXPECT_TRUE(QFileInfo(m_D + QStringLiteral("/colors.dat")).isSymLink());
    EXPECT_EQ(FileContent(Root(QStringLiteral("outside.dat"))), QByteArray("outside"));
    EXPECT_EQ(FileContent(m_D + QStringLiteral("/notes.txt")), QByteArray("mine"));
    EXPECT_EQ(QDir(Menu()).entryList(QDir::Files), QStringList{"mine.lnk"});
}

TEST_F(UninstallTest, TheLibraryIsDeletedOnlyAfterItsUnregistrationEndedAndAFailureIsReported)
{
    Install();
    // A registration tool that takes its time, notes whether the library is still there
    // when it ends, and fails.
    const QString note = Root(QStringLiteral("tool note"));
    WriteFile(QStringLiteral("tool"), "#!/bin/sh\nsleep 0.3\n[ -f \"$3\" ] && printf present > '" +
                                          QFile::encodeName(note) + "'\nexit 3\n");
    QFile::setPermissions(Root(QStringLiteral("tool")), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    m_environment.Set(kRegSvr32Variable, Root(QStringLiteral("tool")));

    RunSetupProgram();

    EXPECT_EQ(FileContent(note), QByteArray("present"));
    EXPECT_EQ(m_boxes.Texts(),
              (std::vector<QString>{kQuestion,
                                    QStringLiteral("Vantorix.dll could not be unregistered: regsvr32 ended "
                                                   "with code 3. The uninstall goes on."),
                                    QStringLiteral("Uninstall Complete")}));
    EXPECT_EQ(m_boxes.Records()[1].icon, MsgIcon::Exclamation);
    EXPECT_FALSE(Exists(m_D));
}

} // namespace
} // namespace vtx::test
