#pragma once
// Directory and whole-file operations for the setup program. Each reports the system's
// error number (errno) the way the Windows calls report theirs, because the setup
// program judges and shows some of them; 0 means success.

#include <QByteArray>
#include <QString>

#include <vector>

namespace vtx {

// Creates exactly one directory level (its parent must exist). EEXIST when something of
// that name is already there.
[[nodiscard]] int CreateDirectoryLevel(const QString& path);
// Removes an empty directory.
[[nodiscard]] int RemoveDirectory(const QString& path);
// Removes a name that is not a directory (a symbolic link itself, never its target).
[[nodiscard]] int DeleteFile(const QString& path);

// True when path names a regular file itself, not a symbolic link to one.
[[nodiscard]] bool IsRegularFile(const QString& path);

// Copies a file, replacing the target when it exists. The copy is written beside the
// target and renamed over it, so a target that is running (the editor) or that fails
// half-way is never left half-written; the copy keeps the source's permission bits.
[[nodiscard]] int CopyFileReplacing(const QString& from, const QString& to);

struct DirectoryEntry {
    QString name;
    // A directory, or a symbolic link to one: neither can be deleted as a file (as on
    // Windows, where a link to a folder is a folder).
    bool isDirectory;
};
// Every entry of a folder as the system lists it, "." and ".." included. error gets 0 or
// the reason the folder could not be read.
[[nodiscard]] std::vector<DirectoryEntry> ListDirectory(const QString& path, int* error);

// Replaces a file's whole content through a temporary file renamed over it: a reader
// sees the old content or the new, never a mixture. error gets the reason on failure.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

void SleepMilliseconds(int milliseconds);

} // namespace vtx
