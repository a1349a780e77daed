#pragma once
// Starting a program that runs on its own: it is not waited for, it outlives the program
// that started it, and it never becomes a zombie of ours. The arguments are handed over
// as an argument vector, never through a shell, so no character in a path means anything
// but itself.

#include <QString>
#include <QStringList>

namespace vtx {

struct StartedProcess {
    bool started = false;
    long long pid = 0; // of the started program, when started
    int error = 0;     // errno of the failed start (not found, not executable...)
};

// Starts program (a path, or a bare name looked up in PATH) with the arguments, in a
// session of its own, with the current directory and environment of this process.
// argv0 is the name the program sees as its own (the program path when empty), which
// lets one executable offer several tools.
StartedProcess StartDetached(const QString& program, const QStringList& arguments,
                             const QString& argv0 = QString());

struct FinishedProcess {
    bool started = false;
    bool finished = false; // ended within the time limit (else it was killed)
    int exitCode = -1;     // when finished: its exit status, or 128 + the signal that ended it
    long long pid = 0;     // of the started program, when started
    int error = 0;         // errno of the failed start
};

// Starts program like StartDetached, but as a child of ours in a process group of its
// own, and waits for it to end, at most timeoutMs milliseconds. A program that is still
// running then is killed with everything it started.
FinishedProcess RunAndWait(const QString& program, const QStringList& arguments, int timeoutMs,
                           const QString& argv0 = QString());

// True while the process exists and has not ended (an ended process that nobody reaps
// yet counts as ended).
[[nodiscard]] bool IsProcessRunning(long long pid);

} // namespace vtx
