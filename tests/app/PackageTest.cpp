// The Debian package as a user's package manager would install it: its file list, and the
// desktop entry and AppStream metainfo it installs checked by the desktop's own
// validators. Skipped where the build has no editor yet or a tool is missing.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace vtx::test {
namespace {

struct ToolRun {
    int code = -1;
    QString output;
};

ToolRun RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.code = process.exitCode();
    run.output = QString::fromLocal8Bit(process.readAll());
    return run;
}

class PackageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString binary = QStringLiteral(VANTORIX_BINARY_DIR "/bin/Vantorix");
        if (!QFileInfo::exists(binary))
            GTEST_SKIP() << "the editor is not built in this tree";
        for (const char* tool : {"cpack", "dpkg-deb"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        const ToolRun made = RunTool(QStringLiteral("cpack"),
                                 {QStringLiteral("--config"), QStringLiteral(VANTORIX_BINARY_DIR "/CPackConfig.cmake"),
                                  QStringLiteral("-B"), m_out.Path()});
        ASSERT_EQ(made.code, 0) << made.output.toStdString();
        const QStringList debs = QDir(m_out.Path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
        ASSERT_EQ(debs.size(), 1) << made.output.toStdString();
        m_deb = QDir(m_out.Path()).filePath(debs.front());
        const ToolRun extracted = RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, m_root.Path()});
        ASSERT_EQ(extracted.code, 0) << extracted.output.toStdString();
    }

    [[nodiscard]] QString Installed(const QString& path) const { return m_root.Path() + path; }

    TempDir m_out;
    TempDir m_root;
    QString m_deb;
};

TEST_F(PackageTest, InstallsTheEditorItsColoursAndItsDesktopFiles)
{
    const ToolRun list = RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), m_deb});
    ASSERT_EQ(list.code, 0);
    for (const char* path : {"./usr/lib/vantorix/Vantorix", "./usr/lib/vantorix/colors.dat", "./usr/bin/vantorix",
                             "./usr/share/applications/example.dunmerrow.Vantorix.desktop",
                             "./usr/share/icons/hicolor/scalable/apps/example.dunmerrow.Vantorix.svg",
                             "./usr/share/metainfo/example.dunmerrow.Vantorix.metainfo.xml",
                             "./usr/share/man/man1/vantorix.1.gz"})
        EXPECT_TRUE(list.output.contains(QString::fromLatin1(path))) << path << "\n" << list.output.toStdString();
    // Nothing of the setup program or the tests.
    EXPECT_FALSE(list.output.contains(QStringLiteral("VTXSetup")));
    EXPECT_FALSE(list.output.contains(QStringLiteral("test_")));

    // The command leads to the program, which finds the shipped colors.dat beside itself.
    const QFileInfo command(Installed(QStringLiteral("/usr/bin/vantorix")));
    EXPECT_TRUE(command.isSymLink());
    EXPECT_EQ(command.symLinkTarget(), QFileInfo(Installed(QStringLiteral("/usr/lib/vantorix/Vantorix"))).absoluteFilePath());
    EXPECT_TRUE(QFileInfo(Installed(QStringLiteral("/usr/lib/vantorix/Vantorix"))).isExecutable());
    EXPECT_EQ(ReadAll(Installed(QStringLiteral("/usr/lib/vantorix/colors.dat"))),
              ReadAll(QStringLiteral(VANTORIX_SOURCE_DIR "/res/colors.dat")));

    const ToolRun fields = RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, QStringLiteral("Package"),
                                                            QStringLiteral("Depends"), QStringLiteral("Section")});
    EXPECT_TRUE(fields.output.contains(QStringLiteral("Package: vantorix"))) << fields.output.toStdString();
    EXPECT_TRUE(fields.output.contains(QStringLiteral("libqt6widgets6"))) << fields.output.toStdString();
    EXPECT_TRUE(fields.output.contains(QStringLiteral("qt6-qpa-plugins"))) << fields.output.toStdString();
}

TEST_F(PackageTest, TheDesktopEntryOffersOpenWithForAnyFile)
{
    const QString entry = Installed(QStringLiteral("/usr/share/applications/example.dunmerrow.Vantorix.desktop"));
    const QByteArray text = ReadAll(entry);
    EXPECT_TRUE(text.contains("\nMimeType=application/octet-stream;\n"));
    EXPECT_TRUE(text.contains("\nExec=vantorix %f\n"));
    EXPECT_TRUE(text.contains("\nIcon=example.dunmerrow.Vantorix\n"));
    if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed";
    const ToolRun valid = RunTool(QStringLiteral("desktop-file-validate"), {entry});
    EXPECT_EQ(valid.code, 0) << valid.output.toStdString();
    EXPECT_FALSE(valid.output.contains(QStringLiteral("error"))) << valid.output.toStdString();
}

TEST_F(PackageTest, TheMetainfoIsValidAndTheManualPageReads)
{
    const QString metainfo = Installed(QStringLiteral("/usr/share/metainfo/example.dunmerrow.Vantorix.metainfo.xml"));
    EXPECT_FALSE(ReadAll(metainfo).contains("@PROJECT_VERSION@"));
    const ToolRun gunzip = RunTool(QStringLiteral("gzip"),
                               {QStringLiteral("-dc"), Installed(QStringLiteral("/usr/share/man/man1/vantorix.1.gz"))});
    EXPECT_EQ(gunzip.code, 0);
    EXPECT_TRUE(gunzip.output.startsWith(QStringLiteral(".TH VANTORIX 1"))) << gunzip.output.left(80).toStdString();
    if (QStandardPaths::findExecutable(QStringLiteral("appstreamcli")).isEmpty())
        GTEST_SKIP() << "appstreamcli is not installed";
    const ToolRun valid = RunTool(QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
    EXPECT_EQ(valid.code, 0) << valid.output.toStdString();
}

} // namespace
} // namespace vtx::test
