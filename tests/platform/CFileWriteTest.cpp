// The file an editor holds is open only for reading; writing happens on a descriptor of
// its own for the length of a save. A program that is held must still run.
#include "platform/CFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using vtx::CFile;
using vtx::CFileException;
using vtx::FileCheck;
using vtx::FileChange;
using vtx::test::TempDir;

extern char** environ;

namespace {

// A copy of a small system program that the test may run and hold.
QString CopyProgram(const TempDir& dir, const char* from, const QString& name)
{
    const QString to = dir.Path(name);
    if (!QFile::copy(QString::fromLatin1(from), to))
        return {};
    ::chmod(to.toLocal8Bit().constData(), 0755);
    return to;
}

// Starts the program and returns its process id, or the spawn error negated.
pid_t Start(const QString& program, std::vector<std::string> args)
{
    std::vector<char*> argv;
    const std::string path = program.toStdString();
    argv.push_back(const_cast<char*>(path.c_str()));
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ);
    return error == 0 ? pid : -error;
}

int RunToEnd(const QString& program)
{
    const pid_t pid = Start(program, {});
    if (pid < 0)
        return static_cast<int>(pid);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
}

bool Executable(const TempDir& dir)
{
    const QString probe = CopyProgram(dir, "/bin/true", QStringLiteral("probe"));
    return !probe.isEmpty() && RunToEnd(probe) == 0;
}

} // namespace

TEST(CFileWrite, AHeldProgramStillRunsExceptWhileASaveWritesIt)
{
    TempDir dir;
    if (!Executable(dir))
        GTEST_SKIP() << "programs cannot run from the temporary folder";
    const QString program = CopyProgram(dir, "/bin/true", QStringLiteral("tool"));
    CFile file;
    ASSERT_EQ(file.Open(program.toStdString()), CFile::OpenError::None);
    EXPECT_EQ(RunToEnd(program), 0) << "an edited program must still start";

    file.BeginWrite();
    EXPECT_TRUE(file.IsWriting());
    EXPECT_EQ(RunToEnd(program), -ETXTBSY);
    file.EndWrite();
    EXPECT_FALSE(file.IsWriting());
    EXPECT_EQ(RunToEnd(program), 0);

    // A single write outside a save opens and closes its own descriptor.
    std::uint8_t first = 0;
    int error = 0;
    ASSERT_EQ(file.ReadAt(&first, 1, 0, error), 1u);
    file.WriteAt(&first, 1, 0);
    EXPECT_FALSE(file.IsWriting());
    EXPECT_EQ(RunToEnd(program), 0);
}

TEST(CFileWrite, AProgramThatIsRunningIsOfferedForViewingAndRefusesASave)
{
    TempDir dir;
    if (!Executable(dir))
        GTEST_SKIP() << "programs cannot run from the temporary folder";
    const QString program = CopyProgram(dir, "/bin/sleep", QStringLiteral("sleeper"));
    const pid_t running = Start(program, {"30"});
    ASSERT_GT(running, 0);
    // The exec has happened once the process's image is the program.
    const std::string exe = "/proc/" + std::to_string(running) + "/exe";
    for (int i = 0; i < 200 && QFile::symLinkTarget(QString::fromStdString(exe)) != program; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    CFile file;
    EXPECT_EQ(file.Open(program.toStdString()), CFile::OpenError::Running);
    EXPECT_EQ(file.Open(program.toStdString(), CFile::Mode::ViewOnly), CFile::OpenError::None);
    file.Close();

    // Opened before it started: the save is what the system refuses.
    ::kill(running, SIGKILL);
    ::waitpid(running, nullptr, 0);
    ASSERT_EQ(file.Open(program.toStdString()), CFile::OpenError::None);
    const pid_t again = Start(program, {"30"});
    ASSERT_GT(again, 0);
    for (int i = 0; i < 200 && QFile::symLinkTarget(QString::fromStdString("/proc/" + std::to_string(again) + "/exe")) != program; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    try {
        file.BeginWrite();
        ADD_FAILURE() << "writing a running program was allowed";
    } catch (const CFileException& failure) {
        EXPECT_EQ(failure.Error(), ETXTBSY);
    }
    ::kill(again, SIGKILL);
    ::waitpid(again, nullptr, 0);
}

TEST(CFileWrite, AWriterThatPutsTheModificationTimeBackIsStillNoticed)
{
    TempDir dir;
    const QString path = dir.Write("data.bin", QByteArray("0123456789"));
    CFile file;
    ASSERT_EQ(file.Open(path.toStdString()), CFile::OpenError::None);
    struct stat before {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &before), 0);
    // The change time moves with the clock's granularity; wait past one tick.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    {
        const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "X", 1, 3), 1);
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::futimens(fd, times), 0);
        ::close(fd);
    }
    FileCheck check;
    ASSERT_TRUE(file.Check(check));
    EXPECT_EQ(check.descriptor.mtimeNs, file.Identity().mtimeNs) << "the writer restored the modification time";
    EXPECT_EQ(check.change, FileChange::Changed);
}

TEST(CFileWrite, WritesReachTheFileHeldAndNotAFilePutUnderItsName)
{
    TempDir dir;
    const QString path = dir.Write("data.bin", QByteArray("abcdef"));
    CFile file;
    ASSERT_EQ(file.Open(path.toStdString()), CFile::OpenError::None);
    const QString moved = dir.Path(QStringLiteral("moved.bin"));
    ASSERT_TRUE(QFile::rename(path, moved));
    dir.Write("data.bin", QByteArray("other!"));
    file.BeginWrite();
    file.WriteAt("XY", 2, 1);
    file.Sync();
    file.EndWrite();
    EXPECT_EQ(vtx::test::ReadAll(moved), QByteArray("aXYdef"));
    EXPECT_EQ(vtx::test::ReadAll(path), QByteArray("other!"));
}
