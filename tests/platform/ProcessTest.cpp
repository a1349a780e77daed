// Starting programs: waited for with a time limit, or left to run on their own. Real
// programs of the system, no shell in between.
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <chrono>
#include <thread>

#include <csignal>

namespace vtx {
namespace {

struct RunRow {
    const char* name;
    QString program;
    QStringList arguments;
    int timeoutMs;
    bool started;
    bool finished;
    int exitCode;
    int error;
};

class RunAndWaitRows : public ::testing::TestWithParam<RunRow>
{
};

TEST_P(RunAndWaitRows, TellsHowTheProgramStartedAndEnded)
{
    const RunRow& row = GetParam();
    const FinishedProcess run = RunAndWait(row.program, row.arguments, row.timeoutMs);
    EXPECT_EQ(run.started, row.started);
    EXPECT_EQ(run.finished, row.finished);
    EXPECT_EQ(run.error, row.error);
    if (row.finished)
        EXPECT_EQ(run.exitCode, row.exitCode);
    if (row.started)
        EXPECT_GT(run.pid, 0);
}

const QString kSh = QStringLiteral("/bin/sh");
INSTANTIATE_TEST_SUITE_P(
    Process, RunAndWaitRows,
    ::testing::Values(
        RunRow{"ExitCodeByPathName", kSh, {QStringLiteral("-c"), QStringLiteral("exit 3")}, 10000, true, true, 3, 0},
        RunRow{"BareNameFoundInPath", QStringLiteral("true"), {}, 10000, true, true, 0, 0},
        RunRow{"EndedBySignal", kSh, {QStringLiteral("-c"), QStringLiteral("kill -TERM $$")}, 10000, true, true, 128 + 15, 0},
        RunRow{"KilledAtTheDeadline", QStringLiteral("sleep"), {QStringLiteral("30")}, 200, true, false, -1, 0},
        RunRow{"MissingBareName", QStringLiteral("no-such-program-here"), {}, 1000, false, false, -1, ENOENT},
        RunRow{"MissingPath", QStringLiteral("/nonexistent/program"), {}, 1000, false, false, -1, ENOENT}),
    [](const ::testing::TestParamInfo<RunRow>& info) { return std::string(info.param.name); });

TEST(Process, ADeadlineKillsTheWholeGroupOfTheProgram)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pidFile = dir.filePath(QStringLiteral("grandchild.pid"));
    // The shell starts a sleeper in the background and waits: both go at the deadline.
    const FinishedProcess run = RunAndWait(
        kSh, {QStringLiteral("-c"), QStringLiteral("sleep 30 & echo $! > '%1'; wait").arg(pidFile)}, 500);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.finished);
    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const long long grandchild = file.readAll().trimmed().toLongLong();
    ASSERT_GT(grandchild, 0);
    // The sleeper was killed with the group; its new parent reaps it soon after.
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        gone = !IsProcessRunning(grandchild);
        if (!gone)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(gone);
    EXPECT_FALSE(IsProcessRunning(run.pid));
}

TEST(Process, AFileWithoutExecutePermissionIsRefusedByBothStarters)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("script"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    const FinishedProcess run = RunAndWait(path, {}, 1000);
    EXPECT_FALSE(run.started);
    EXPECT_EQ(run.error, EACCES);
    const StartedProcess detached = StartDetached(path, {});
    EXPECT_FALSE(detached.started);
    EXPECT_EQ(detached.error, EACCES);
}

TEST(Process, ADetachedProgramRunsOnItsOwnAndAMissingOneSaysWhy)
{
    const StartedProcess missing = StartDetached(QStringLiteral("no-such-program-here"), {});
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.error, ENOENT);

    const StartedProcess sleeper = StartDetached(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(sleeper.started);
    EXPECT_EQ(sleeper.error, 0);
    EXPECT_TRUE(IsProcessRunning(sleeper.pid));
    ::kill(static_cast<pid_t>(sleeper.pid), SIGKILL);
}

} // namespace
} // namespace vtx
