#include "SetupFixture.h"

#include "platform/Locations.h"
#include "platform/Process.h"
#include "setup/CRegistryKey.h"
#include "setup/CSetupApp.h"
#include "setup/CSetupDlg.h"
#include "setup/SetupRoutines.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <cstdlib>

namespace vtx::test {

EnvironmentGuard::~EnvironmentGuard()
{
    for (const auto& [name, value] : m_saved) {
        if (value)
            ::setenv(name.c_str(), value->constData(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

void EnvironmentGuard::Set(const char* name, const QString& value)
{
    if (!m_saved.count(name)) {
        const char* old = std::getenv(name);
        m_saved[name] = old ? std::optional<QByteArray>(QByteArray(old)) : std::nullopt;
    }
    ::setenv(name, value.toLocal8Bit().constData(), 1);
}

std::optional<QByteArray> FileContent(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool Exists(const QString& path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

QString UnescapeDesktopString(const QString& escaped)
{
    QString value;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == QLatin1Char('\\') && i + 1 < escaped.size()) {
            const QChar next = escaped[++i];
            value += next == QLatin1Char('n')   ? QChar('\n')
                     : next == QLatin1Char('t') ? QChar('\t')
                     : next == QLatin1Char('r') ? QChar('\r')
                     : next == QLatin1Char('s') ? QChar(' ')
                                                : next;
        } else {
            value += escaped[i];
        }
    }
    return value;
}

QStringList ParseDesktopExec(const QString& escaped)
{
    // The string escapes first, then the quoting of arguments, then "%%".
    const QString value = UnescapeDesktopString(escaped);
    QStringList arguments;
    QString current;
    bool inQuotes = false;
    bool any = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (inQuotes) {
            if (c == QLatin1Char('\\') && i + 1 < value.size())
                current += value[++i];
            else if (c == QLatin1Char('"'))
                inQuotes = false;
            else
                current += c;
        } else if (c == QLatin1Char('"')) {
            inQuotes = any = true;
        } else if (c == QLatin1Char(' ')) {
            if (any)
                arguments.append(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        arguments.append(current);
    QStringList result;
    for (QString argument : arguments) {
        if (argument.size() == 2 && argument[0] == QLatin1Char('%') && argument[1] != QLatin1Char('%'))
            continue; // a field code
        result.append(argument.replace(QStringLiteral("%%"), QStringLiteral("%")));
    }
    return result;
}

QString DesktopValue(const QByteArray& entry, const QString& key)
{
    for (const QByteArray& line : entry.split('\n')) {
        const QString text = QString::fromUtf8(line);
        if (text.startsWith(key + QLatin1Char('=')))
            return text.mid(key.size() + 1);
    }
    return {};
}

bool WaitUntil(const std::function<bool()>& condition, int seconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > seconds * 1000)
            return condition();
        QThread::msleep(20);
    }
    return true;
}

std::map<QString, QByteArray> Snapshot(const QString& root)
{
    std::map<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        tree[path] = info.isSymLink() ? "-> " + QFile::encodeName(info.symLinkTarget())
                     : info.isFile()  ? FileContent(path).value_or("<unreadable>")
                                      : QByteArray("<folder>");
    }
    return tree;
}

QString BuildBinDirectory()
{
    return QCoreApplication::applicationDirPath();
}

void SetupTest::SetUp()
{
    m_environment.Set(kSystemDirVariable, S());
    m_environment.Set(kWindowsDirVariable, W());
    m_environment.Set(kRegistryDirVariable, Root(QStringLiteral("registry")));
    m_environment.Set(kInstallDirVariable, Root(QStringLiteral("Program Files/Dunmerrow/Vantorix")));
    m_environment.Set("XDG_DATA_HOME", Root(QStringLiteral("data")));
    // A home of its own, so that not even a refused install can touch the real one.
    ASSERT_TRUE(QDir().mkpath(Root(QStringLiteral("home"))));
    m_environment.Set("HOME", Root(QStringLiteral("home")));
    // The registration tool is a harmless program unless a test asks for the real one.
    m_environment.Set(kRegSvr32Variable, QStringLiteral("/bin/true"));

    // The distribution: the editor is a tiny script that notes the path it was started
    // under, so tests see that it was started, from where, and that its path reached it
    // intact. The note is outside the install directory, which holds only installed files.
    ASSERT_TRUE(QDir().mkpath(Dist()));
    m_root.Write(QStringLiteral("dist/PL4827_.VTX"),
                 "#!/bin/sh\nprintf '%s' \"$0\" > '" + QFile::encodeName(EditorNote()) + "'\n");
    QFile::setPermissions(Dist() + QStringLiteral("/PL4827_.VTX"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_root.Write(QStringLiteral("dist/VTXSetup.exe"), QByteArray("setup program"));
    m_root.Write(QStringLiteral("dist/Vantorix.dll"), QByteArray("library"));
    m_root.Write(QStringLiteral("dist/colors.dat"), QByteArray("41=255,65280\n"));
    m_root.Write(QStringLiteral("dist/Vantorix Homepage.url"), QByteArray("[Desktop Entry]\n"));

    m_previousDirectory = QDir::currentPath();
    ASSERT_TRUE(QDir().mkpath(Work()));
    ASSERT_TRUE(QDir::setCurrent(Work()));

    m_trace = std::make_unique<TraceCapture>();
    // A setup dialog handed to the recorder is looked at and cancelled.
    m_dialogs = std::make_unique<ModalDialogRecorder>([this](QDialog& dialog) {
        if (auto* setup = qobject_cast<CSetupDlg*>(&dialog))
            m_proposedDirectories.append(setup->findChild<QLineEdit*>(QStringLiteral("IDC_INSTALLDIR"))->text());
        return int(QDialog::Rejected);
    });
}

void SetupTest::TearDown()
{
    WaitForStartedPrograms();
    m_dialogs.reset();
    m_trace.reset();
    QDir::setCurrent(m_previousDirectory);
}

QString SetupTest::Root(const QString& name) const
{
    return name.isEmpty() ? m_root.Path() : m_root.Path(name);
}

void SetupTest::WriteFile(const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(Root(name)).absolutePath());
    m_root.Write(name, bytes);
}

void SetupTest::UseRealLibrary()
{
    const QString tool = BuildBinDirectory() + QStringLiteral("/VTXSetup.exe");
    const QString library = BuildBinDirectory() + QStringLiteral("/Vantorix.dll");
    ASSERT_TRUE(QFileInfo::exists(tool)) << "build the VTXSetup target first";
    ASSERT_TRUE(QFileInfo::exists(library)) << "build the VantorixLibrary target first";
    m_environment.Set(kRegSvr32Variable, tool);
    QFile::remove(Dist() + QStringLiteral("/Vantorix.dll"));
    ASSERT_TRUE(QFile::copy(library, Dist() + QStringLiteral("/Vantorix.dll")));
}

int SetupTest::InstallThroughDialog(const QString& directory)
{
    int result = -1;
    const ModalDialogRecorder installer([&](QDialog& dialog) {
        dialog.show();
        dialog.findChild<QLineEdit*>(QStringLiteral("IDC_INSTALLDIR"))->setText(directory);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("IDOK")), Qt::LeftButton);
        result = dialog.isVisible() ? -1 : dialog.result();
        return result;
    });
    CSetupApp app(Dist() + QStringLiteral("/VTXSetup.exe"));
    EXPECT_FALSE(app.InitInstance());
    WaitForStartedPrograms();
    return result;
}

void SetupTest::RunSetupProgram(const QString& program)
{
    CSetupApp app(program.isEmpty() ? S() + QStringLiteral("/VTXSetup.exe") : program);
    EXPECT_FALSE(app.InitInstance());
    WaitForStartedPrograms();
}

void SetupTest::WaitForStartedPrograms()
{
    static const QRegularExpression started(QStringLiteral("^started .* \\(pid (\\d+)\\)$"));
    for (const QString& line : m_trace->Lines()) {
        const auto match = started.match(line);
        if (match.hasMatch()) {
            const long long pid = match.captured(1).toLongLong();
            EXPECT_TRUE(WaitUntil([pid] { return !IsProcessRunning(pid); }))
                << "a started program is still running: " << line.toStdString();
        }
    }
}

QString SetupTest::InstallPathValue() const
{
    CRegistryKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, QLatin1String(kProductKey)))
        return QStringLiteral("<no key>");
    return key.ReadString({}, QLatin1String(kInstallPathValue), QStringLiteral("<no value>"));
}

} // namespace vtx::test
