#pragma once
// A whole machine for the setup program inside a temporary directory: system, Windows and
// registry locations, the user's home and data folders, a distribution folder, and a
// working directory elsewhere (a user who starts setup by its path from a terminal). Message boxes go to a recorder, dialogs to a dialog recorder, and
// the programs that setup starts are real but harmless and are waited for.

#include "support/TestSupport.h"
#include "setup/ModalDialog.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace vtx::test {

// Sets environment variables for its lifetime and restores them afterwards.
class EnvironmentGuard
{
public:
    ~EnvironmentGuard();
    void Set(const char* name, const QString& value);

private:
    std::map<std::string, std::optional<QByteArray>> m_saved;
};

// The contents of a file, or nullopt when it does not exist.
[[nodiscard]] std::optional<QByteArray> FileContent(const QString& path);
[[nodiscard]] bool Exists(const QString& path);
// Splits the Exec value of a desktop entry into its arguments the way a desktop does,
// written here independently of the program's writer. Field codes are dropped.
[[nodiscard]] QStringList ParseDesktopExec(const QString& escapedValue);
// Undoes the string escapes of a desktop entry value.
[[nodiscard]] QString UnescapeDesktopString(const QString& escaped);
// The raw (escaped) value of key in a desktop entry's text.
[[nodiscard]] QString DesktopValue(const QByteArray& entry, const QString& key);
// Polls until condition is true or seconds pass; returns the last outcome.
bool WaitUntil(const std::function<bool()>& condition, int seconds = 20);
// Every path below root (folders too, hidden ones included), with each file's content,
// for proving that nothing was created, changed or deleted.
[[nodiscard]] std::map<QString, QByteArray> Snapshot(const QString& root);
// The folder the test program sits in, where VTXSetup.exe and Vantorix.dll are built.
[[nodiscard]] QString BuildBinDirectory();

class SetupTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] QString Root(const QString& name = QString()) const;
    [[nodiscard]] QString S() const { return Root(QStringLiteral("Windows/System")); }
    [[nodiscard]] QString W() const { return Root(QStringLiteral("Windows")); }
    [[nodiscard]] QString Dist() const { return Root(QStringLiteral("dist")); }
    [[nodiscard]] QString Work() const { return Root(QStringLiteral("work")); }
    // Where the stand-in editor writes the path it was started under.
    [[nodiscard]] QString EditorNote() const { return Root(QStringLiteral("editor started")); }
    [[nodiscard]] QString Menu() const
    {
        return W() + QStringLiteral("/Start Menu/Programs/Dunmerrow/Vantorix");
    }
    [[nodiscard]] QString Applications() const { return Root(QStringLiteral("data/applications")); }

    // Writes a file below the root, making its folders.
    void WriteFile(const QString& name, const QByteArray& bytes);
    // Puts the real registration tool and library in place of the stand-ins.
    void UseRealLibrary();

    // Starts the setup program from the distribution folder, types directory into its
    // dialog and presses Install; returns the dialog's result.
    int InstallThroughDialog(const QString& directory);
    // Runs the setup program as if started from program (default: the uninstaller in S).
    void RunSetupProgram(const QString& program = QString());
    // Waits until every program that setup started so far has ended.
    void WaitForStartedPrograms();

    [[nodiscard]] QString InstallPathValue() const;

    TempDir m_root;
    EnvironmentGuard m_environment;
    MessageBoxRecorder m_boxes;
    std::unique_ptr<TraceCapture> m_trace;
    std::unique_ptr<ModalDialogRecorder> m_dialogs;
    // What the dialog recorder saw of the setup dialogs it was given.
    QStringList m_proposedDirectories;
    QString m_previousDirectory;
};

} // namespace vtx::test
