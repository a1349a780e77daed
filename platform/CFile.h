#pragma once
// A file opened in binary mode, either for editing with an exclusive lock or view-only with
// a shared one: the one way the editor touches the files it edits. Even an edited file is
// held open only for reading; a second descriptor opened for writing lives just as long as
// a save. Linux refuses to start a program that some process holds open for writing, so a
// window that merely shows /usr/bin/ls must not hold it that way.

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
    enum class OpenError { None, NotFound, IsDirectory, NotRegular, ReadOnly, NoAccess, Locked, Exists, Running, Other };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    CFile(CFile&& other) noexcept;
    CFile& operator=(CFile&& other) noexcept;

    enum class Mode {
        // Editable, under an exclusive advisory lock (flock): a second editor cannot open
        // the file too. Held open for reading; Open checks that it could be written
        // (permissions, a read-only file system, a program that is running: Running).
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
    // Writes all count bytes at position (the file position stays) or throws; the
    // exception's error is the system's (ENOSPC, EIO, EROFS, ETXTBSY...).
    void WriteAt(const void* buffer, std::uint64_t count, FilePos position);
    // The first run of the file at or after position that may hold data, as the file system
    // tells it (SEEK_DATA, SEEK_HOLE): past its end and up to the next such run the file is
    // a hole that reads as zeros. A file system that cannot tell holes apart gives the
    // whole rest of the file. Empty (first = the length) when only a hole follows. Never
    // throws and leaves the file position where it was.
    [[nodiscard]] ByteRange DataRegionFrom(FilePos position) const;
    // What CopyRangeTo did: the bytes copied, and why it stopped short (errno; 0 at the end
    // of this file).
    struct CopyOutcome {
        std::uint64_t copied = 0;
        int error = 0;
    };
    // Copies count bytes of this file at `from` into `target` at `to` without passing them
    // through the process (copy_file_range), or, where the two file systems cannot do that,
    // through pread and pwrite in large blocks. Stops short at this file's end and at the
    // first failure. The system does not say whether a failed copy could not read or could
    // not write: a caller that must tell the user reads and writes the rest itself. Goes
    // through the fault seam like ReadAt and WriteAt. Never throws.
    CopyOutcome CopyRangeTo(CFile& target, FilePos from, std::uint64_t count, FilePos to) const;
    // Makes the file `length` bytes long (ftruncate): cut, or grown by a hole. Throws.
    void SetLength(FilePos length);
    // A save opens the file for writing here and closes it in EndWrite; writes outside a
    // session open and close a descriptor of their own. Throws when the file cannot be
    // opened for writing now (ETXTBSY: it has become a program that is running).
    void BeginWrite();
    // Closes the writing descriptor and throws when the system reports an error on closing
    // (data may not have reached the disk). Nothing when no session is open.
    void EndWrite();
    // Closes the writing descriptor, errors ignored: for the way out of a failed save.
    void AbandonWrite() noexcept;
    [[nodiscard]] bool IsWriting() const { return m_writeFd >= 0; }
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
    // Flushes the file's data to the disk (through the writing descriptor while a save has
    // one); throws when the system reports an error.
    void Sync();
    // Asks the disk to start on bytes just written while the caller writes the next ones, so
    // that Sync waits for less. Only a hint: it reports nothing, and Sync still decides.
    void WriteBehind(FilePos position, std::uint64_t count);
    // Removes the path only while it still names this open file, so that a file another
    // program put under the name in the meantime is left alone.
    bool RemoveIfStillNamed();

private:
    // Keeps errno as the last error, closes fd when given, and returns error.
    OpenError Failed(OpenError error, int fd = -1);
    // Locks the opened descriptor and makes it this file's.
    OpenError Adopt(int fd, const std::string& path, bool viewOnly);
    // A descriptor for writing to the file m_fd is (never merely the one its name names now).
    int OpenForWriting() const;

    int m_fd = -1;
    int m_writeFd = -1;
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

// Writes all count bytes to fd, at offset or, when offset is negative, at the file position,
// through the file layer's fault seam (a test's full disk or crash acts here too). False
// with errno set on failure.
bool WriteFully(int fd, const void* buffer, std::size_t count, std::int64_t offset = -1);
// Reads up to count bytes of fd at offset, as many reads as it takes: how many it got (fewer
// only at the end of the file), or -1 with errno set.
std::int64_t ReadFully(int fd, void* buffer, std::size_t count, std::int64_t offset);

} // namespace vtx
