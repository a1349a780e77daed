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
    EXPECT_EQ(FileContent(EditorNote()), (D + QStringLiteral("/Vantorix.exe")).toUtf8());
    EXPECT_TRUE(m_trace->Contains(QStringLiteral("started regsvr32")));

    // The desktop's application menu shows the editor and its uninstaller, with the real
    // icon, which the install put beside the editor.
    const QString icon = D + QStringLiteral("/vantorix.svg");
    EXPECT_TRUE(FileContent(icon).value_or("").contains("<svg"));
    const struct {
        const char* file;
        const char* name;
        QString target;
    } entries[] = {{"vantorix.desktop", "Vantorix", D + QStringLiteral("/Vantorix.exe")},
                   {"vantorix-uninstall.desktop", "Uninstall Vantorix", S() + QStringLiteral("/VTXSetup.exe")}};
    for (const auto& e : entries) {
        const QByteArray entry = FileContent(Applications() + QStringLiteral("/Dunmerrow/") + e.file).value_or("");
        EXPECT_EQ(DesktopValue(entry, QStringLiteral("Name")), QLatin1String(e.name)) << e.file;
        EXPECT_TRUE(DesktopValue(entry, QStringLiteral("Categories")).contains(QStringLiteral("X-Dunmerrow;")));
        EXPECT_EQ(UnescapeDesktopString(DesktopValue(entry, QStringLiteral("Icon"))), icon);
        // The "%" in the path makes env start it (GLib would drop the entry otherwise).
        EXPECT_EQ(ParseDesktopExec(DesktopValue(entry, QStringLiteral("Exec"))).last(), e.target);
    }
    EXPECT_EQ(m_boxes.Records()[0].icon, MsgIcon::Information);
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

TEST_F(InstallTest, AFailedCopyStopsTheInstallBeforeAnythingIsRecorded)
{
    // The directory cannot be created, so the editor cannot be copied into it.
    WriteFile(QStringLiteral("blocker"), QByteArray("a file"));
    const QString D = Root(QStringLiteral("blocker/Vantorix"));
    const auto before = Snapshot(Root());

    EXPECT_EQ(InstallThroughDialog(D), -1); // the dialog stays open

    EXPECT_EQ(m_boxes.Texts(),
              (std::vector<QString>{
                  QStringLiteral("Failed To Create Directory, Try Creating Manually. Code: %1").arg(ENOTDIR),
                  QStringLiteral("Failed to copy %1/PL4827_.VTX to %2.").arg(Dist(), D)}));
    EXPECT_EQ(m_boxes.Records()[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(InstallPathValue(), QStringLiteral("<no key>"));
    EXPECT_FALSE(Exists(S() + QStringLiteral("/vtxpath.info")));
    EXPECT_FALSE(Exists(Menu()));
    EXPECT_FALSE(m_trace->Contains(QStringLiteral("started")));
    EXPECT_EQ(Snapshot(Root()), before);
}

TEST_F(InstallTest, StartedFromElsewhereItInstallsFromItsOwnFolderAndAnIncompleteOneChangesNothing)
{
    // The working directory holds files of the same names: none of them is used.
    WriteFile(QStringLiteral("work/PL4827_.VTX"), QByteArray("decoy"));
    WriteFile(QStringLiteral("work/colors.dat"), QByteArray("decoy"));
    ASSERT_TRUE(QFile::rename(Dist() + QStringLiteral("/colors.dat"), Root(QStringLiteral("colors.dat"))));
    const QString D = Root(QStringLiteral("opt/Vantorix"));
    const auto before = Snapshot(Root());

    EXPECT_EQ(InstallThroughDialog(D), -1);
    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{QStringLiteral("Failed to copy %1/colors.dat to %2.").arg(Dist(), D)});
    EXPECT_EQ(Snapshot(Root()), before);
    EXPECT_EQ(InstallPathValue(), QStringLiteral("<no key>"));

    ASSERT_TRUE(QFile::rename(Root(QStringLiteral("colors.dat")), Dist() + QStringLiteral("/colors.dat")));
    m_boxes.Clear();
    EXPECT_EQ(InstallThroughDialog(D), QDialog::Accepted);
    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{kComplete});
    EXPECT_EQ(FileContent(D + QStringLiteral("/Vantorix.exe")), FileContent(Dist() + QStringLiteral("/PL4827_.VTX")));
    EXPECT_EQ(FileContent(D + QStringLiteral("/colors.dat")), QByteArray("41=255,65280\n"));
    EXPECT_EQ(FileContent(S() + QStringLiteral("/VTXSetup.exe")), QByteArray("setup program"));
    EXPECT_EQ(FileContent(Work() + QStringLiteral("/PL4827_.VTX")), QByteArray("decoy"));
    EXPECT_EQ(FileContent(Work() + QStringLiteral("/colors.dat")), QByteArray("decoy"));
    // No copy was left behind under its temporary name.
    EXPECT_EQ(QDir(D).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
              (QStringList{"Vantorix.dll", "Vantorix.exe", "colors.dat", "vantorix.svg"}));
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
    // Folders that hold the user's files, and the machine's own folders.
    WriteFile(QStringLiteral("home/.bashrc"), QByteArray("mine"));
    WriteFile(QStringLiteral("mixed/notes.txt"), QByteArray("mine"));
    WriteFile(QStringLiteral("mixed/colors.dat"), QByteArray("mine"));
    WriteFile(QStringLiteral("home/bin/tool"), QByteArray("mine"));
    ASSERT_TRUE(QDir().mkpath(S()));
    const auto before = Snapshot(Root());
    ASSERT_EQ(FileContent(Root(QStringLiteral("mixed/notes.txt"))), QByteArray("mine"));
    {
        CSetupDlg dialog;
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("IDC_INSTALLDIR"));
        auto* install = dialog.findChild<QPushButton*>(QStringLiteral("IDOK"));
        // The user is told why and may type another.
        const struct {
            QString typed;
            const char* why;
        } refused[] = {
            {QString(), "Please type the directory"},
            {QStringLiteral("/"), "top of the file system"},
            {QStringLiteral("~/"), "home folder"},
            {QDir::homePath() + QStringLiteral("/."), "home folder"},
            {Root(QStringLiteral("mixed")), "already holds files that Vantorix did not install (notes.txt)"},
            {QStringLiteral("~/bin"), "one of your own folders"},
            {S(), "system directory"},
            {W() + QStringLiteral("/"), "Windows directory"},
            {QStringLiteral("/etc"), "operating system"},
            {QStringLiteral("/usr/local/bin/"), "operating system"},
        };
        for (const auto& r : refused) {
            m_boxes.Clear();
            edit->setText(r.typed);
            QTest::mouseClick(install, Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible()) << r.typed.toStdString();
            ASSERT_EQ(m_boxes.Count(), 1) << r.typed.toStdString();
            EXPECT_TRUE(m_boxes.Last().contains(QLatin1String(r.why))) << m_boxes.Last().toStdString();
            EXPECT_EQ(m_boxes.Records()[0].icon, MsgIcon::Exclamation);
            if (!r.typed.isEmpty())
                EXPECT_TRUE(m_boxes.Last().endsWith(QStringLiteral("Please choose a directory of its own.")));
        }
        m_boxes.Clear();
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("IDCANCEL")), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Snapshot(Root()), before);
    EXPECT_FALSE(m_trace->Contains(QStringLiteral("started")));
}

TEST_F(InstallTest, OpeningSetupAndPressingCancelLeavesNoTrace)
{
    WriteFile(QStringLiteral("home/.profile"), QByteArray("mine"));
    const auto before = Snapshot(Root());
    ASSERT_EQ(before.count(Root(QStringLiteral("home/.profile"))), 1u);
    const ModalDialogRecorder cancel([](QDialog& dialog) {
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("IDCANCEL")), Qt::LeftButton);
        return dialog.result();
    });
    RunSetupProgram(Dist() + QStringLiteral("/VTXSetup.exe"));
    RunSetupProgram(); // the copy in the system directory, with no install: the dialog too
    EXPECT_EQ(Snapshot(Root()), before);
    EXPECT_EQ(m_boxes.Count(), 0);
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
