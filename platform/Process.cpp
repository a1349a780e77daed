#include "Process.h"

// Qt
#include <QFile>
#include <QStandardPaths>

// std
#include <cerrno>
#include <chrono>
#include <thread>
#include <csignal>
#include <vector>

// POSIX
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vtx {

namespace {

bool ReadFully(int fd, void* buffer, size_t size)
{
    auto* p = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::read(fd, p, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        p += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

void WriteFully(int fd, const void* buffer, size_t size)
{
    auto* p = static_cast<const char*>(buffer);
    while (size > 0) {
        const ssize_t put = ::write(fd, p, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return;
        p += put;
        size -= static_cast<size_t>(put);
    }
}

// Everything a child needs to exec, prepared before the fork: between fork and exec only
// async-signal-safe calls are allowed in a program that has threads.
class Command
{
public:
    Command(const QString& program, const QStringList& arguments, const QString& argv0)
    {
        QString path = program;
        if (!program.contains(QLatin1Char('/'))) {
            path = QStandardPaths::findExecutable(program);
            if (path.isEmpty()) {
                m_error = ENOENT;
                return;
            }
        }
        m_file = QFile::encodeName(path);
        m_strings.push_back(QFile::encodeName(argv0.isEmpty() ? path : argv0));
        for (const QString& argument : arguments)
            m_strings.push_back(QFile::encodeName(argument));
        for (QByteArray& s : m_strings)
            m_argv.push_back(s.data());
        m_argv.push_back(nullptr);
    }
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    // ENOENT when the program was not found, else 0.
    [[nodiscard]] int Error() const { return m_error; }
    [[nodiscard]] const char* File() const { return m_file.constData(); }
    [[nodiscard]] char* const* Argv() { return m_argv.data(); }

private:
    int m_error = 0;
    QByteArray m_file;
    std::vector<QByteArray> m_strings;
    std::vector<char*> m_argv;
};

void ResetSignals()
{
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
}

// Makes the close-on-exec pipe on which a child reports why its exec failed, then forks.
// -1 with error set (and no pipe left open) when either fails.
pid_t ForkWithReportPipe(int report[2], int& error)
{
    if (::pipe2(report, O_CLOEXEC) != 0) {
        error = errno;
        return -1;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        error = errno;
        ::close(report[0]);
        ::close(report[1]);
    }
    return child;
}

// A program on its way to start: found, and forked with the close-on-exec pipe on which
// the child reports. In the child (child == 0) only the pipe's writing end stays open, in
// the parent only its reading end; child is -1, with error set, when the program is
// missing or the pipe or the fork failed.
struct Launch {
    Launch(const QString& program, const QStringList& arguments, const QString& argv0, int& error)
        : command(program, arguments, argv0)
    {
        if (command.Error() != 0) {
            error = command.Error();
            return;
        }
        child = ForkWithReportPipe(report, error);
        if (child == 0)
            ::close(report[0]);
        else if (child > 0)
            ::close(report[1]);
    }

    Command command;
    int report[2] = {-1, -1};
    pid_t child = -1;
};

// In the child that becomes the program: on a failed exec the errno goes into the report
// pipe, which otherwise closes with the exec.
[[noreturn]] void ExecOrReport(Command& command, int reportFd)
{
    ResetSignals();
    ::execv(command.File(), command.Argv());
    const int error = errno;
    WriteFully(reportFd, &error, sizeof error);
    ::_exit(127);
}

int Reap(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Waits for a started child until the deadline; a child still running then is killed with
// its group and reaped, and the result says it did not finish.
void WaitUntilDeadline(pid_t child, int timeoutMs, FinishedProcess& result)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child) {
            result.finished = true;
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return;
        }
        if (ended < 0 && errno != EINTR) {
            result.error = errno;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(-child, SIGKILL);
    Reap(child);
}

// In the child of StartDetached: a session of its own, and a grandchild that reports its
// pid and becomes the program, so that the program is never a child of ours.
[[noreturn]] void StartGrandchild(Launch& launch)
{
    const int reportFd = launch.report[1];
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild == 0) {
        const pid_t self = ::getpid();
        WriteFully(reportFd, &self, sizeof self);
        ExecOrReport(launch.command, reportFd);
    }
    if (grandchild < 0) {
        const pid_t none = -1;
        const int error = errno;
        WriteFully(reportFd, &none, sizeof none);
        WriteFully(reportFd, &error, sizeof error);
    }
    ::_exit(0);
}

} // namespace

StartedProcess StartDetached(const QString& program, const QStringList& arguments,
                             const QString& argv0)
{
    StartedProcess result;
    // The grandchild reports its pid, then (only if exec fails) the errno. The pipe closes
    // on a successful exec, so end of data after the pid means the program runs.
    Launch launch(program, arguments, argv0, result.error);
    if (launch.child == 0)
        StartGrandchild(launch);
    if (launch.child < 0)
        return result;
    Reap(launch.child);
    const int reportFd = launch.report[0];
    pid_t pid = -1;
    int error = 0;
    if (!ReadFully(reportFd, &pid, sizeof pid)) {
        result.error = EIO;
    } else if (ReadFully(reportFd, &error, sizeof error)) {
        result.error = error;
    } else {
        result.started = true;
        result.pid = pid;
    }
    ::close(reportFd);
    return result;
}

FinishedProcess RunAndWait(const QString& program, const QStringList& arguments, int timeoutMs,
                           const QString& argv0)
{
    FinishedProcess result;
    // The child reports the errno only when exec fails; the pipe closes on success. Both
    // sides set the group, so that a kill of the group cannot come before it exists.
    Launch launch(program, arguments, argv0, result.error);
    if (launch.child == 0) {
        ::setpgid(0, 0);
        ExecOrReport(launch.command, launch.report[1]);
    }
    const pid_t child = launch.child;
    if (child < 0)
        return result;
    ::setpgid(child, child);
    int error = 0;
    const bool execFailed = ReadFully(launch.report[0], &error, sizeof error);
    ::close(launch.report[0]);
    if (execFailed) {
        Reap(child);
        result.error = error;
        return result;
    }
    result.started = true;
    result.pid = child;
    WaitUntilDeadline(child, timeoutMs, result);
    return result;
}

bool IsProcessRunning(long long pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    // The state letter follows the parenthesised command name, which may itself hold
    // blanks and parentheses: take the last ")".
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size())
        return false;
    const char state = line[close + 2];
    return state != 'Z' && state != 'X';
}

} // namespace vtx
