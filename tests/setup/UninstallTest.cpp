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

} // namespace
} // namespace vtx::test
