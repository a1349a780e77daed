#include "Process.h"

// Qt
#include <QFile>
#include <QStandardPaths>

// std
#include <cerrno>
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

} // namespace

StartedProcess StartDetached(const QString& program, const QStringList& arguments,
                             const QString& argv0)
{
    StartedProcess result;
    // Everything the children need is prepared here: between fork and exec only
    // async-signal-safe calls are allowed in a program that has threads.
    QString path = program;
    if (!program.contains(QLatin1Char('/'))) {
        path = QStandardPaths::findExecutable(program);
        if (path.isEmpty()) {
            result.error = ENOENT;
            return result;
        }
    }
    const QByteArray file = QFile::encodeName(path);
    std::vector<QByteArray> strings{QFile::encodeName(argv0.isEmpty() ? path : argv0)};
    for (const QString& argument : arguments)
        strings.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    // The grandchild reports its pid, then (only if exec fails) the errno. The pipe closes
    // on a successful exec, so end of data after the pid means the program runs.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        result.error = errno;
        return result;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        result.error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return result;
    }
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::signal(SIGPIPE, SIG_DFL);
            const pid_t self = ::getpid();
            WriteFully(report[1], &self, sizeof self);
            ::execv(file.constData(), argv.data());
            const int error = errno;
            WriteFully(report[1], &error, sizeof error);
            ::_exit(127);
        }
        if (grandchild < 0) {
            const pid_t none = -1;
            const int error = errno;
            WriteFully(report[1], &none, sizeof none);
            WriteFully(report[1], &error, sizeof error);
        }
        ::_exit(0);
    }

    ::close(report[1]);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_t pid = -1;
    int error = 0;
    if (!ReadFully(report[0], &pid, sizeof pid)) {
        result.error = EIO;
    } else if (ReadFully(report[0], &error, sizeof error)) {
        result.error = error;
    } else {
        result.started = true;
        result.pid = pid;
    }
    ::close(report[0]);
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
