#pragma once
// A file opened in binary mode, either for reading and writing with an exclusive lock or
// view-only with a shared one: the one way the editor touches the files it edits.

#include "FileIdentity.h"
#include "FilePos.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vtx {

// Thrown by CFile operations that fail after the file was opened (seek, read, write,
// length). Carries errno so callers can tell a full disk from a bad position.
class CFileException : public std::runtime_error
{
public:
    CFileException(const std::string& what, int error);
    [[nodiscard]] int Error() const { return m_error; }

private:
    int m_error;
};

class CFile
{
public:
    // Why an Open failed; the document turns all of them into one message, but tests and
    // the trace want to know which.
    enum class OpenError { None, NotFound, IsDirectory, NotRegular, ReadOnly, NoAccess, Locked, Exists, Other };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    CFile(CFile&& other) noexcept;
    CFile& operator=(CFile&& other) noexcept;

    enum class Mode {
        // Read-write under an exclusive advisory lock (flock): a second editor cannot
        // open the file too.
        ReadWrite,
        // Read only, under a shared lock so that no editor opens the file for writing
        // meanwhile; when another editor holds it exclusively, without any lock.
        ViewOnly,
    };

    // Opens an existing regular file. For ReadWrite a file without any write permission
    // bit counts as read-only and is refused even for root. After a failure LastErrno()
    // holds the system's error number where one was involved.
    OpenError Open(const std::string& path, Mode mode = Mode::ReadWrite);
    // Creates a new file that must not exist yet (Exists otherwise), read-write, locked
    // like Open before anyone can write into it. permissions are the low nine mode bits;
    // the umask applies. A file that cannot be locked is removed again.
    OpenError CreateNew(const std::string& path, std::uint32_t permissions);
    // Creates path as a new file (as CreateNew, with the source's permissions but never
    // setuid, setgid or sticky) holding the bytes the open source holds now, read through
    // its descriptor: it copies the file the source is, whatever its name now names.
    // Synced to the disk before it returns. On failure the new file is removed again (only
    // while the name still names it) and this object is closed; LastError() says why.
    OpenError CreateCopyOf(const CFile& source, const std::string& path);
    // errno of the last failed CreateCopyOf (ENOSPC for a full disk).
    [[nodiscard]] int LastError() const { return m_lastError; }
    // False when the system reported an error on closing (data may not have reached the
    // disk).
    bool Close();
    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    [[nodiscard]] bool IsViewOnly() const { return m_bViewOnly; }
    // Whether this file holds an advisory lock (a view-only file may hold none).
    [[nodiscard]] bool IsLocked() const { return m_bLocked; }
    [[nodiscard]] int LastErrno() const { return m_lastErrno; }

    // Absolute seek; returns the position reached. Positions past kMaxFilePos throw.
    FilePos Seek(FilePos position);
    // Reads up to count bytes at the current position; returns how many were read
    // (0 at the end of the file).
    std::uint32_t Read(void* buffer, std::uint32_t count);
    // Reads up to count bytes at position (pread: the file position stays) and never
    // throws: returns how many were read before the end of the file or an error; after an
    // error `error` holds its errno (0 otherwise), for the byte at position + result.
    std::uint32_t ReadAt(void* buffer, std::uint32_t count, FilePos position, int& error) const;
    // Writes all count bytes at the current position or throws.
    void Write(const void* buffer, std::uint32_t count);
    // Writes all count bytes at position (pwrite: the file position stays) or throws.
    void WriteAt(const void* buffer, std::uint64_t count, FilePos position);
    // The first run of the file at or after position that may hold data, as the file system
    // tells it (SEEK_DATA, SEEK_HOLE): past its end and up to the next such run the file is
    // a hole that reads as zeros. A file system that cannot tell holes apart gives the
    // whole rest of the file. Empty (first = the length) when only a hole follows. Never
    // throws and leaves the file position where it was.
    [[nodiscard]] ByteRange DataRegionFrom(FilePos position) const;
    // Asks the file for its length on every call (never cached); a block device's is the
    // size its driver gives.
    [[nodiscard]] FilePos GetLength() const;
    [[nodiscard]] const std::string& GetFilePath() const { return m_path; }

    // The identity recorded at open (or by the last RecordIdentity): which file this is,
    // its size and modification time.
    [[nodiscard]] const FileIdentity& Identity() const { return m_identity; }
    // Records the descriptor's identity now (after this program wrote the file); throws.
    void RecordIdentity();
    // Compares the recorded identity with the descriptor and the path now: one fstat and
    // one stat. False (and result untouched) when the file is closed or fstat fails.
    bool Check(FileCheck& result) const;
    // Flushes the file's data to the disk; throws when the system reports an error.
    void Sync();
    // Removes the path only while it still names this open file, so that a file another
    // program put under the name in the meantime is left alone.
    bool RemoveIfStillNamed();

private:
    int m_fd = -1;
    std::string m_path;
    FileIdentity m_identity;
    int m_lastError = 0;
    bool m_bViewOnly = false;
    bool m_bLocked = false;
    int m_lastErrno = 0;
};

[[nodiscard]] const char* OpenErrorText(CFile::OpenError error);

// Copies a file to a new name, refusing when the target exists (it is created with
// O_EXCL). The copy keeps the source's permission bits except setuid, setgid and sticky,
// under the umask. On failure a partly written target that this call created is removed
// again.
bool CopyFileNoOverwrite(const std::string& from, const std::string& to);

} // namespace vtx
