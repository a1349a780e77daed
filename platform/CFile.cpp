#include "CFile.h"

#include "FileFaults.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vtx {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what)
{
    const int error = errno;
    throw CFileException(what + ": " + std::strerror(error), error);
}

int OpenNoIntr(const char* path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Writes all count bytes, at the file position or, when offset is given, at that offset
// (pwrite: the file position stays).
bool WriteAllRaw(int fd, const char* p, size_t count, off_t offset)
{
    while (count > 0) {
        const ssize_t n = offset < 0 ? ::write(fd, p, count) : ::pwrite(fd, p, count, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        count -= static_cast<size_t>(n);
        if (offset >= 0)
            offset += n;
    }
    return true;
}

bool WriteAll(int fd, const void* buffer, size_t count, off_t offset = -1)
{
    const auto* p = static_cast<const char*>(buffer);
    // A test's fault: the bytes before it are written, then the write fails (or the
    // process ends) as the system would have made it.
    if (FileFaults::Armed()) {
        int error = 0;
        bool crash = false;
        const std::uint64_t allowed = FileFaults::WriteAllowance(count, error, crash);
        if (allowed < count) {
            const bool wrote = WriteAllRaw(fd, p, static_cast<size_t>(allowed), offset);
            if (crash)
                FileFaults::Crash();
            if (wrote)
                errno = error;
            return false;
        }
    }
    return WriteAllRaw(fd, p, count, offset);
}

} // namespace

CFileException::CFileException(const std::string& what, int error)
    : std::runtime_error(what), m_error(error)
{
}

CFile::~CFile()
{
    Close();
}

CFile::CFile(CFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_writeFd(std::exchange(other.m_writeFd, -1)), m_path(std::move(other.m_path)), m_identity(other.m_identity),
      m_bViewOnly(std::exchange(other.m_bViewOnly, false)), m_bLocked(std::exchange(other.m_bLocked, false)),
      m_lastErrno(other.m_lastErrno)
{
}

CFile& CFile::operator=(CFile&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_writeFd = std::exchange(other.m_writeFd, -1);
        m_path = std::move(other.m_path);
        m_identity = other.m_identity;
        m_bViewOnly = std::exchange(other.m_bViewOnly, false);
        m_bLocked = std::exchange(other.m_bLocked, false);
        m_lastErrno = other.m_lastErrno;
    }
    return *this;
}

namespace {

// Whether a file the user wants to edit may be written, asked without holding it for
// writing. Only a program needs the brief open for writing that finds it running (the one
// question the system answers truthfully); every other file is asked through access, which
// a file watcher does not see as a write. None, or the error with errno telling why.
CFile::OpenError WriteCheck(const std::string& path, const struct stat& st)
{
    using OpenError = CFile::OpenError;
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        if (errno == EACCES || errno == EPERM || errno == EROFS)
            return OpenError::ReadOnly;
        return errno == ETXTBSY ? OpenError::Running : OpenError::Other;
    }
    if (S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) {
        const int probe = OpenNoIntr(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (probe < 0) {
            if (errno == ETXTBSY)
                return OpenError::Running;
            if (errno == EACCES || errno == EPERM || errno == EROFS)
                return OpenError::ReadOnly;
            return OpenError::Other;
        }
        ::close(probe);
    }
    return OpenError::None;
}

} // namespace

CFile::OpenError CFile::Failed(OpenError error, int fd)
{
    m_lastErrno = errno;
    if (fd >= 0)
        ::close(fd);
    return error;
}

CFile::OpenError CFile::Open(const std::string& path, Mode mode)
{
    Close();
    m_lastErrno = 0;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return Failed(errno == ENOENT || errno == ENOTDIR ? OpenError::NotFound : OpenError::Other);
    if (S_ISDIR(st.st_mode))
        return OpenError::IsDirectory;
    if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode))
        return OpenError::NotRegular;
    const bool viewOnly = mode == Mode::ViewOnly;
    // Root may write anything; the editor still treats a file nobody may write as
    // read-only, as a user expects.
    if (!viewOnly && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return OpenError::ReadOnly;
    if (!viewOnly) {
        if (const OpenError error = WriteCheck(path, st); error != OpenError::None)
            return Failed(error);
    }
    const int fd = OpenNoIntr(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM)
            return Failed(viewOnly ? OpenError::NoAccess : OpenError::ReadOnly);
        return Failed(OpenError::Other);
    }
    return Adopt(fd, path, viewOnly);
}

CFile::OpenError CFile::Adopt(int fd, const std::string& path, bool viewOnly)
{
    bool locked = true;
    if (::flock(fd, (viewOnly ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        // A view-only file that another editor holds for writing is still shown, unlocked.
        if (viewOnly && errno == EWOULDBLOCK)
            locked = false;
        else
            return Failed(errno == EWOULDBLOCK ? OpenError::Locked : OpenError::Other, fd);
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0)
        return Failed(OpenError::Other, fd);
    if (!S_ISREG(opened.st_mode) && !S_ISBLK(opened.st_mode)) {
        ::close(fd);
        return OpenError::NotRegular;
    }
    m_fd = fd;
    m_path = path;
    m_identity = FileIdentity::FromStat(opened);
    m_bViewOnly = viewOnly;
    m_bLocked = locked;
    // A file's size came with the fstat above; a device whose size its driver cannot
    // give cannot be shown either.
    if (S_ISBLK(opened.st_mode)) {
        try {
            (void)GetLength();
        } catch (const CFileException& failure) {
            Close();
            errno = failure.Error();
            return Failed(OpenError::Other);
        }
    }
    return OpenError::None;
}

CFile::OpenError CFile::CreateNew(const std::string& path, std::uint32_t permissions)
{
    Close();
    const int fd = OpenNoIntr(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                              static_cast<mode_t>(permissions & 0777));
    if (fd < 0) {
        switch (errno) {
        case EEXIST: return OpenError::Exists;
        case ENOENT:
        case ENOTDIR: return OpenError::NotFound;
        case EACCES:
        case EROFS: return OpenError::ReadOnly;
        default: return OpenError::Other;
        }
    }
    m_fd = fd;
    m_path = path;
    struct stat created {};
    if (::fstat(fd, &created) != 0) {
        // Without its identity the file cannot be told apart from one put in its place:
        // remove by name right away, before anyone else could have.
        ::unlink(path.c_str());
        Close();
        return OpenError::Other;
    }
    m_identity = FileIdentity::FromStat(created);
    m_bViewOnly = false;
    m_bLocked = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const OpenError error = errno == EWOULDBLOCK ? OpenError::Locked : OpenError::Other;
        RemoveIfStillNamed();
        Close();
        return error;
    }
    m_bLocked = true;
    return OpenError::None;
}

bool CFile::Close()
{
    AbandonWrite();
    if (m_fd < 0)
        return true;
    // Closing releases the flock as well. The descriptor is gone even when close fails
    // (EINTR included), so it is never retried.
    const bool ok = ::close(m_fd) == 0;
    m_fd = -1;
    m_bViewOnly = false;
    m_bLocked = false;
    return ok;
}

void CFile::RecordIdentity()
{
    if (m_fd < 0)
        throw CFileException("identity of a closed file", EBADF);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        ThrowErrno("fstat");
    m_identity = FileIdentity::FromStat(st);
}

bool CFile::Check(FileCheck& result) const
{
    return m_fd >= 0 && CheckFile(m_identity, m_fd, m_path, result);
}

void CFile::Sync()
{
    if (m_fd < 0)
        throw CFileException("sync of a closed file", EBADF);
    if (::fsync(m_writeFd >= 0 ? m_writeFd : m_fd) != 0)
        ThrowErrno("fsync");
}

void CFile::WriteBehind(FilePos position, std::uint64_t count)
{
    if (m_writeFd >= 0)
        (void)::sync_file_range(m_writeFd, static_cast<off_t>(position), static_cast<off_t>(count),
                                SYNC_FILE_RANGE_WRITE);
}

int CFile::OpenForWriting() const
{
    // Through the descriptor's own entry, so the file written is the one held open even
    // when another program has put a different file under its name meanwhile.
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    int fd = OpenNoIntr(self.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && errno == ENOENT)
        fd = OpenNoIntr(m_path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !FileIdentity::FromStat(st).SameFile(m_identity)) {
        ::close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

void CFile::BeginWrite()
{
    if (m_fd < 0)
        throw CFileException("write to a closed file", EBADF);
    if (m_bViewOnly)
        throw CFileException("write to a view-only file", EBADF);
    if (m_writeFd >= 0)
        return;
    m_writeFd = OpenForWriting();
    if (m_writeFd < 0)
        ThrowErrno("open for writing");
}

void CFile::EndWrite()
{
    if (m_writeFd < 0)
        return;
    const int fd = std::exchange(m_writeFd, -1);
    if (::close(fd) != 0)
        ThrowErrno("close after writing");
}

void CFile::AbandonWrite() noexcept
{
    if (m_writeFd >= 0)
        ::close(std::exchange(m_writeFd, -1));
}

bool CFile::RemoveIfStillNamed()
{
    if (m_fd < 0)
        return false;
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0 || !FileIdentity::FromStat(st).SameFile(m_identity))
        return false;
    return ::unlink(m_path.c_str()) == 0;
}

FilePos CFile::Seek(FilePos position)
{
    if (m_fd < 0)
        throw CFileException("seek on a closed file", EBADF);
    if (position > kMaxFilePos)
        throw CFileException("seek beyond the largest file offset", EINVAL);
    const off_t reached = ::lseek(m_fd, static_cast<off_t>(position), SEEK_SET);
    if (reached < 0)
        ThrowErrno("seek");
    return static_cast<FilePos>(reached);
}

std::uint32_t CFile::Read(void* buffer, std::uint32_t count)
{
    if (m_fd < 0)
        throw CFileException("read on a closed file", EBADF);
    auto* p = static_cast<char*>(buffer);
    std::uint32_t total = 0;
    while (total < count) {
        std::uint32_t wanted = count - total;
        if (FileFaults::Armed()) {
            // A test's bad region: the bytes before it come first, then the read fails.
            const off_t at = ::lseek(m_fd, 0, SEEK_CUR);
            int error = 0;
            wanted = FileFaults::ReadAllowance(m_path, static_cast<FilePos>(std::max<off_t>(at, 0)), wanted, error);
            if (wanted == 0) {
                errno = error;
                ThrowErrno("read");
            }
        }
        const ssize_t n = ::read(m_fd, p + total, wanted);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno("read");
        }
        if (n == 0)
            break;
        total += static_cast<std::uint32_t>(n);
    }
    return total;
}

std::uint32_t CFile::ReadAt(void* buffer, std::uint32_t count, FilePos position, int& error) const
{
    error = 0;
    if (m_fd < 0) {
        error = EBADF;
        return 0;
    }
    auto* p = static_cast<char*>(buffer);
    std::uint32_t total = 0;
    while (total < count) {
        const FilePos at = position + total;
        if (at > kMaxFilePos)
            break;
        std::uint32_t wanted = count - total;
        if (FileFaults::Armed()) {
            wanted = FileFaults::ReadAllowance(m_path, at, wanted, error);
            if (wanted == 0)
                return total;
        }
        const ssize_t n = ::pread(m_fd, p + total, wanted, static_cast<off_t>(at));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return total;
        }
        if (n == 0)
            break;
        total += static_cast<std::uint32_t>(n);
    }
    return total;
}

void CFile::Write(const void* buffer, std::uint32_t count)
{
    if (m_fd < 0)
        throw CFileException("write on a closed file", EBADF);
    const off_t at = ::lseek(m_fd, 0, SEEK_CUR);
    if (at < 0)
        ThrowErrno("seek");
    WriteAt(buffer, count, static_cast<FilePos>(at));
    if (::lseek(m_fd, at + static_cast<off_t>(count), SEEK_SET) < 0)
        ThrowErrno("seek");
}

void CFile::WriteAt(const void* buffer, std::uint64_t count, FilePos position)
{
    if (position > kMaxFilePos || count > kMaxFilePos - position)
        throw CFileException("write past the largest file position", EINVAL);
    const bool ownSession = m_writeFd < 0;
    BeginWrite();
    if (!WriteAll(m_writeFd, buffer, static_cast<size_t>(count), static_cast<off_t>(position))) {
        const int error = errno;
        if (ownSession)
            AbandonWrite();
        errno = error;
        ThrowErrno("write");
    }
    if (ownSession)
        EndWrite();
}

namespace {

// How much one step of CopyRangeTo moves: large, so that the calls cost nothing beside the
// copy, and below 4 GiB, which the fault seam counts in.
constexpr std::uint64_t kCopyStep = std::uint64_t{64} << 20;

// copy_file_range cannot copy between these two files at all (two file systems on an old
// kernel, a file system or special file without support): only a plain copy can.
bool KernelCopyUnsupported(int error)
{
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
}

// Copies between two descriptors at given offsets, in the kernel while it can, otherwise
// through a block of memory.
struct RangeCopier {
    int in = -1;
    int out = -1;
    bool kernel = true;
    std::vector<char> block;

    // One call's worth: how many bytes were copied, 0 at the end of `in`, -1 with errno.
    ssize_t Step(off_t from, off_t to, std::uint64_t count)
    {
        if (kernel) {
            off_t inAt = from;
            off_t outAt = to;
            const ssize_t n = ::copy_file_range(in, &inAt, out, &outAt, static_cast<size_t>(count), 0);
            if (n >= 0 || !KernelCopyUnsupported(errno))
                return n;
            kernel = false; // nothing was copied by the failed call
        }
        if (block.empty())
            block.resize(std::size_t{1} << 20);
        const ssize_t n = ::pread(in, block.data(), static_cast<size_t>(std::min<std::uint64_t>(count, block.size())), from);
        if (n > 0 && !WriteAllRaw(out, block.data(), static_cast<size_t>(n), to))
            return -1;
        return n;
    }

    // Up to count bytes: fewer at the end of `in` (error 0) or after a failure (its errno).
    std::uint64_t Copy(FilePos from, FilePos to, std::uint64_t count, int& error)
    {
        std::uint64_t done = 0;
        while (done < count) {
            const ssize_t n = Step(static_cast<off_t>(from + done), static_cast<off_t>(to + done), count - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                error = errno;
            if (n <= 0)
                break;
            done += static_cast<std::uint64_t>(n);
        }
        return done;
    }
};

} // namespace

CFile::CopyOutcome CFile::CopyRangeTo(CFile& target, FilePos from, std::uint64_t count, FilePos to) const
{
    RangeCopier copier;
    copier.in = m_fd;
    copier.out = target.m_writeFd >= 0 ? target.m_writeFd : target.m_fd;
    if (copier.in < 0 || copier.out < 0)
        return {0, EBADF};
    if (from > kMaxFilePos || to > kMaxFilePos || count > kMaxFilePos - std::max(from, to))
        return {0, EINVAL};
    CopyOutcome outcome;
    while (outcome.copied < count) {
        std::uint64_t step = std::min(count - outcome.copied, kCopyStep);
        if (FileFaults::Armed()) {
            // A test's bad region or full disk: the bytes before it are copied, then the
            // copy stops (or the process ends) where the system would have failed.
            int error = 0;
            bool crash = false;
            step = FileFaults::ReadAllowance(m_path, from + outcome.copied, static_cast<std::uint32_t>(step), error);
            const std::uint64_t writable = step == 0 ? 0 : FileFaults::WriteAllowance(step, error, crash);
            if (writable < step || step == 0) {
                outcome.copied += copier.Copy(from + outcome.copied, to + outcome.copied, writable, outcome.error);
                if (crash)
                    FileFaults::Crash();
                if (outcome.error == 0)
                    outcome.error = error;
                break;
            }
        }
        const std::uint64_t copied = copier.Copy(from + outcome.copied, to + outcome.copied, step, outcome.error);
        outcome.copied += copied;
        if (copied < step)
            break;
    }
    return outcome;
}

void CFile::SetLength(FilePos length)
{
    if (m_fd < 0)
        throw CFileException("set the length of a closed file", EBADF);
    if (length > kMaxFilePos)
        throw CFileException("length past the largest file position", EINVAL);
    const bool ownSession = m_writeFd < 0;
    BeginWrite();
    if (::ftruncate(m_writeFd, static_cast<off_t>(length)) != 0) {
        const int error = errno;
        if (ownSession)
            AbandonWrite();
        errno = error;
        ThrowErrno("set length");
    }
    if (ownSession)
        EndWrite();
}

ByteRange CFile::DataRegionFrom(FilePos position) const
{
    FilePos length = 0;
    try {
        length = GetLength();
    } catch (const CFileException&) {
        // Nothing known: the caller reads, and learns the error there.
        return {position, kMaxFilePos - std::min(position, kMaxFilePos)};
    }
    if (position >= length)
        return {length, 0};
    const ByteRange everything{position, length - position};
    const off_t was = ::lseek(m_fd, 0, SEEK_CUR);
    if (was < 0)
        return everything;
    ByteRange region = everything;
    const off_t data = ::lseek(m_fd, static_cast<off_t>(position), SEEK_DATA);
    if (data < 0) {
        // ENXIO: no data from here to the end. Any other error (no support): all data.
        if (errno == ENXIO)
            region = {length, 0};
    } else if (static_cast<FilePos>(data) >= length) {
        region = {length, 0};
    } else {
        const off_t hole = ::lseek(m_fd, data, SEEK_HOLE);
        const FilePos end = hole < 0 ? length : std::min<FilePos>(static_cast<FilePos>(hole), length);
        region = {static_cast<FilePos>(data), end - static_cast<FilePos>(data)};
    }
    (void)::lseek(m_fd, was, SEEK_SET);
    return region;
}

FilePos CFile::GetLength() const
{
    if (m_fd < 0)
        throw CFileException("length of a closed file", EBADF);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        ThrowErrno("fstat");
    if (S_ISBLK(st.st_mode)) {
        // A device reports no size in stat; it has the one its driver gives.
        std::uint64_t bytes = 0;
        if (::ioctl(m_fd, BLKGETSIZE64, &bytes) != 0)
            ThrowErrno("device size");
        return bytes;
    }
    return static_cast<FilePos>(st.st_size);
}

const char* OpenErrorText(CFile::OpenError error)
{
    switch (error) {
    case CFile::OpenError::None: return "opened";
    case CFile::OpenError::NotFound: return "no such file";
    case CFile::OpenError::IsDirectory: return "is a directory";
    case CFile::OpenError::NotRegular: return "not a regular file";
    case CFile::OpenError::ReadOnly: return "read-only";
    case CFile::OpenError::Locked: return "locked by another program";
    case CFile::OpenError::NoAccess: return "no permission to read";
    case CFile::OpenError::Exists: return "already exists";
    case CFile::OpenError::Running: return "a program that is running";
    case CFile::OpenError::Other: return "cannot be opened";
    }
    return "cannot be opened";
}

namespace {

// Copies [from, to) of fd to the same offsets of out, or up to fd's end when it ends
// sooner; `to` < 0 means to the end. Reads with pread, so fd's file position is left alone.
bool CopyRange(int fd, int out, off_t from, off_t to, std::vector<char>& block)
{
    for (off_t offset = from; to < 0 || offset < to;) {
        const size_t wanted = to < 0 ? block.size() : static_cast<size_t>(std::min<off_t>(to - offset, static_cast<off_t>(block.size())));
        const ssize_t n = ::pread(fd, block.data(), wanted, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!WriteAll(out, block.data(), static_cast<size_t>(n), offset))
            return false;
        offset += n;
    }
    return true;
}

// Copies everything fd holds now, from its start, to out. The holes of a sparse file (a
// disk image of 64 GiB may hold a few MiB of data) stay holes: only its data is read and
// written, and the copy is given the source's length at the end. Where the file system
// cannot tell holes from data, every byte is copied. Looking for data moves fd's file
// position; every read of a CFile seeks first.
bool CopyAll(int fd, int out)
{
    std::vector<char> block(1 << 20);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    if (!S_ISREG(st.st_mode))
        return CopyRange(fd, out, 0, -1, block);
    const off_t length = st.st_size;
    off_t offset = 0;
    while (offset < length) {
        const off_t data = ::lseek(fd, offset, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break; // only a hole is left
        if (data < 0)
            return CopyRange(fd, out, offset, length, block) && ::ftruncate(out, length) == 0;
        const off_t hole = ::lseek(fd, data, SEEK_HOLE);
        const off_t end = hole < 0 ? length : std::min(hole, length);
        if (!CopyRange(fd, out, data, end, block))
            return false;
        offset = end;
    }
    return ::ftruncate(out, length) == 0;
}

// The permissions a copy gets: the source's read, write and execute bits, never setuid,
// setgid or sticky (the umask applies on creation). Owner write stays on so the editor can
// open the copy read-write.
std::uint32_t CopyPermissions(std::uint32_t sourceMode)
{
    return (sourceMode & 0777) | S_IWUSR;
}

} // namespace

CFile::OpenError CFile::CreateCopyOf(const CFile& source, const std::string& path)
{
    Close();
    if (!source.IsOpen())
        return OpenError::Other;
    struct stat st {};
    if (::fstat(source.m_fd, &st) != 0)
        return OpenError::Other;
    if (const OpenError error = CreateNew(path, CopyPermissions(st.st_mode)); error != OpenError::None)
        return error;
    bool ok = CopyAll(source.m_fd, m_fd);
    if (ok) {
        try {
            Sync();
            RecordIdentity();
        } catch (const CFileException&) {
            ok = false;
        }
    }
    if (!ok) {
        m_lastError = errno;
        RemoveIfStillNamed();
        Close();
        return OpenError::Other;
    }
    return OpenError::None;
}

bool WriteFully(int fd, const void* buffer, std::size_t count, std::int64_t offset)
{
    return WriteAll(fd, buffer, count, static_cast<off_t>(offset));
}

std::int64_t ReadFully(int fd, void* buffer, std::size_t count, std::int64_t offset)
{
    auto* p = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, p + done, count - done, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

bool CopyFileNoOverwrite(const std::string& from, const std::string& to)
{
    const int in = OpenNoIntr(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }
    const int out = OpenNoIntr(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                               static_cast<mode_t>(CopyPermissions(st.st_mode)));
    if (out < 0) {
        ::close(in);
        return false;
    }
    struct stat created {};
    bool ok = ::fstat(out, &created) == 0 && CopyAll(in, out) && ::fsync(out) == 0;
    if (::close(out) != 0)
        ok = false;
    ::close(in);
    // Only the file this call created goes: another one put under the name meanwhile stays.
    struct stat named {};
    if (!ok && ::stat(to.c_str(), &named) == 0 && named.st_dev == created.st_dev &&
        named.st_ino == created.st_ino)
        ::unlink(to.c_str());
    return ok;
}

} // namespace vtx
