// Installing through the setup dialog, and the mode decision.
#include "SetupFixture.h"

#include "platform/Registry.h"
#include "setup/CSetupApp.h"
#include "setup/CSetupDlg.h"
#include "setup/SetupRoutines.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cerrno>

namespace vtx::test {
namespace {

const QString kComplete =
    QStringLiteral("Installation Complete! Link added to Start->Programs->Dunmerrow->Vantorix");

using InstallTest = SetupTest;

RegValue StoredInstallPath()
{
    RegKey key;
    RegValue value;
    value.text = QStringLiteral("<missing>");
    if (Registry::OpenKey(Registry::Root(HKEY_LOCAL_MACHINE), QLatin1String(kProductKey), &key) ==
        RegStatus::Ok)
        (void)Registry::QueryValue(key, QLatin1String(kInstallPathValue), &value);
    return value;
}

TEST_F(InstallTest, InstallPutsEveryFileLinkAndRecordInPlaceForAnAwkwardDirectory)
{
    const QString D = Root(QStringLiteral("Program Files/it's \"odd\" $HOME `x` 100%/deep/er/Vantorix"));
    const QString marker = S() + QStringLiteral("/vtxpath.info");
    // The completion message comes before the library is registered, the editor started
    // and the marker file written.
    bool inOrder = false;
    m_boxes.OnShow([&](const MessageBoxRecorder::Shown&) {
        inOrder = !m_trace->Contains(QStringLiteral("started")) && !Exists(marker) &&
                  Exists(D + QStringLiteral("/Vantorix.exe"));
    });

    EXPECT_EQ(InstallThroughDialog(D), QDialog::Accepted);

    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{kComplete});
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(FileContent(D + QStringLiteral("/Vantorix.exe")), FileContent(Dist() + QStringLiteral("/PL4827_.VTX")));
    EXPECT_TRUE(QFileInfo(D + QStringLiteral("/Vantorix.exe")).isExecutable());
    EXPECT_EQ(FileContent(D + QStringLiteral("/Vantorix.dll")), QByteArray("library"));
    EXPECT_EQ(FileContent(D + QStringLiteral("/colors.dat")), QByteArray("41=255,65280\n"));
    EXPECT_EQ(FileContent(S() + QStringLiteral("/VTXSetup.exe")), QByteArray("setup program"));
    EXPECT_EQ(FileContent(marker), D.toUtf8()); // byte for byte, no line end

    const RegValue stored = StoredInstallPath();
    EXPECT_EQ(stored.text, D);
    EXPECT_EQ(stored.type, RegType::ExpandSz); // D holds a "%"

    const QByteArray editorLink = FileContent(Menu() + QStringLiteral("/Vantorix.lnk")).value_or("");
    EXPECT_EQ(DesktopValue(editorLink, QStringLiteral("Name")), QStringLiteral("Vantorix"));
    EXPECT_EQ(ParseDesktopExec(DesktopValue(editorLink, QStringLiteral("Exec"))),
              QStringList{D + QStringLiteral("/Vantorix.exe")});
    const QByteArray uninstallLink = FileContent(Menu() + QStringLiteral("/Uninstall Vantorix.lnk")).value_or("");
    EXPECT_EQ(DesktopValue(uninstallLink, QStringLiteral("Name")), QStringLiteral("Uninstall Vantorix"));
    EXPECT_EQ(ParseDesktopExec(DesktopValue(uninstallLink, QStringLiteral("Exec"))),
              QStringList{S() + QStringLiteral("/VTXSetup.exe")});
    EXPECT_EQ(FileContent(Menu() + QStringLiteral("/Vantorix Homepage.url")), QByteArray("[Desktop Entry]\n"));

    // The editor ran from its installed path, which reached it unchanged.
    EXPECT_EQ(FileContent(D + QStringLiteral("/Vantorix.exe.started")), QByteArray("started"));
    EXPECT_TRUE(m_trace->Contains(QStringLiteral("started regsvr32")));
}

TEST_F(InstallTest, AnExistingDirectoryIsUsedWithoutAMessageAndItsFilesAreReplaced)
{
    const QString D = Root(QStringLiteral("existing"));
    WriteFile(QStringLiteral("existing/Vantorix.exe"), QByteArray("old editor"));
    WriteFile(QStringLiteral("existing/notes.txt"), QByteArray("mine"));

    EXPECT_EQ(InstallThroughDialog(D), QDialog::Accepted);

    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{kComplete});
    EXPECT_EQ(FileContent(D + QStringLiteral("/Vantorix.exe")), FileContent(Dist() + QStringLiteral("/PL4827_.VTX")));
    EXPECT_EQ(FileContent(D + QStringLiteral("/notes.txt")), QByteArray("mine"));
    EXPECT_EQ(StoredInstallPath().type, RegType::Sz);
}

TEST_F(InstallTest, FailuresAreReportedOrSkippedButNoStepStopsTheSequence)
{
    // The directory cannot be created, and a file is missing from the distribution.
    WriteFile(QStringLiteral("blocker"), QByteArray("a file"));
    QFile::remove(Dist() + QStringLiteral("/Vantorix Homepage.url"));
    const QString D = Root(QStringLiteral("blocker/Vantorix"));

    EXPECT_EQ(InstallThroughDialog(D), QDialog::Accepted);

    EXPECT_EQ(m_boxes.Texts(),
              (std::vector<QString>{
                  QStringLiteral("Failed To Create Directory, Try Creating Manually. Code: %1").arg(ENOTDIR),
                  kComplete}));
    EXPECT_EQ(StoredInstallPath().text, D);
    EXPECT_EQ(FileContent(S() + QStringLiteral("/vtxpath.info")), D.toUtf8());
    EXPECT_TRUE(Exists(Menu() + QStringLiteral("/Uninstall Vantorix.lnk")));
    EXPECT_FALSE(Exists(Menu() + QStringLiteral("/Vantorix Homepage.url")));
    EXPECT_TRUE(m_trace->Contains(QStringLiteral("cannot start ") + D));
}

TEST_F(InstallTest, AMarkerFileThatCannotBeWrittenIsReportedAndNothingIsWrittenElsewhere)
{
    ASSERT_TRUE(QDir().mkpath(S() + QStringLiteral("/vtxpath.info")));
    const QString D = Root(QStringLiteral("v"));

    EXPECT_EQ(InstallThroughDialog(D), QDialog::Accepted);

    ASSERT_EQ(m_boxes.Count(), 2);
    EXPECT_EQ(m_boxes.Records()[0].text, kComplete);
    EXPECT_TRUE(m_boxes.Last().contains(S() + QStringLiteral("/vtxpath.info")));
    EXPECT_TRUE(QFileInfo(S() + QStringLiteral("/vtxpath.info")).isDir());
    EXPECT_TRUE(QDir(S() + QStringLiteral("/vtxpath.info")).isEmpty());
}

TEST_F(InstallTest, CancelAndRefusedDirectoriesInstallNothing)
{
    {
        CSetupDlg dialog;
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("IDC_INSTALLDIR"));
        auto* install = dialog.findChild<QPushButton*>(QStringLiteral("IDOK"));
        // No directory, the root, the home folder: the user is told and may type another.
        for (const QString& refused : {QString(), QStringLiteral("/"), QStringLiteral("~/"),
                                       QDir::homePath() + QStringLiteral("/.")}) {
            edit->setText(refused);
            QTest::mouseClick(install, Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible()) << refused.toStdString();
        }
        ASSERT_EQ(m_boxes.Count(), 4);
        EXPECT_EQ(m_boxes.Records()[0].text, QStringLiteral("Please type the directory to install Vantorix into."));
        EXPECT_TRUE(m_boxes.Records()[1].text.startsWith(QStringLiteral("Vantorix cannot be installed into /:")));
        EXPECT_TRUE(m_boxes.Records()[3].text.contains(QStringLiteral("Please choose a directory of its own.")));

        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("IDCANCEL")), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(m_boxes.Count(), 4);
    EXPECT_FALSE(Exists(Root(QStringLiteral("Program Files"))));
    EXPECT_FALSE(Exists(Root(QStringLiteral("registry"))));
    EXPECT_TRUE(QDir(S()).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(Exists(W() + QStringLiteral("/Start Menu/Programs/Dunmerrow")));
    EXPECT_FALSE(m_trace->Contains(QStringLiteral("started")));
}

TEST_F(InstallTest, TheModeDependsOnTheRecordedInstallAndWhereSetupRunsFrom)
{
    // Nothing installed: even the copy in the system directory opens the dialog, which
    // proposes the default directory.
    RunSetupProgram();
    EXPECT_EQ(m_dialogs->Titles(), QStringList{QStringLiteral("Vantorix Setup")});
    EXPECT_EQ(m_proposedDirectories, QStringList{Root(QStringLiteral("Program Files/Dunmerrow/Vantorix"))});
    EXPECT_EQ(m_boxes.Count(), 0);

    const QString D = Root(QStringLiteral("first install"));
    ASSERT_EQ(InstallThroughDialog(D), QDialog::Accepted);
    m_boxes.Clear();

    // Started from the distribution again: a reinstall, proposing the last directory.
    RunSetupProgram(Dist() + QStringLiteral("/VTXSetup.exe"));
    EXPECT_EQ(m_proposedDirectories.last(), D);
    EXPECT_EQ(m_boxes.Count(), 0);

    // The copy in the system directory, spelt in another case: the uninstaller. No keeps
    // everything.
    const int dialogs = m_dialogs->Titles().size();
    m_boxes.Answer(MsgResult::No);
    RunSetupProgram(S() + QStringLiteral("/vtxSETUP.EXE"));
    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{QStringLiteral("Are you sure you wish to uninstall Vantorix?")});
    EXPECT_EQ(m_boxes.Records()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(m_dialogs->Titles().size(), dialogs);
    EXPECT_TRUE(Exists(D + QStringLiteral("/Vantorix.exe")));
    EXPECT_TRUE(Exists(Menu() + QStringLiteral("/Vantorix.lnk")));
    EXPECT_EQ(InstallPathValue(), D);
}

TEST_F(InstallTest, ModeDecisionComparesTheProgramPathWithoutRegardToCase)
{
    ASSERT_EQ(InstallThroughDialog(Root(QStringLiteral("v"))), QDialog::Accepted);
    EXPECT_EQ(CSetupApp(S() + QStringLiteral("/VTXSetup.exe")).DecideMode(), CSetupApp::Mode::Uninstall);
    EXPECT_EQ(CSetupApp(S().toUpper() + QStringLiteral("/vtxsetup.exe")).DecideMode(), CSetupApp::Mode::Uninstall);
    EXPECT_EQ(CSetupApp(S() + QStringLiteral("/VTXSetup.exe.old")).DecideMode(), CSetupApp::Mode::Install);
    EXPECT_EQ(CSetupApp(Dist() + QStringLiteral("/VTXSetup.exe")).DecideMode(), CSetupApp::Mode::Install);
}

} // namespace
} // namespace vtx::test
