#include "Directories.h"

// Qt
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

// std
#include <cerrno>
#include <chrono>
#include <thread>

// POSIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vtx {

namespace {

int ResultOf(int rc)
{
    return rc == 0 ? 0 : errno;
}

// Closes a descriptor when it goes out of scope.
class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    [[nodiscard]] int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

int CopyContent(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            done += put;
        }
    }
}

} // namespace

int CreateDirectoryLevel(const QString& path)
{
    return ResultOf(::mkdir(QFile::encodeName(path).constData(), 0777));
}

int RemoveDirectory(const QString& path)
{
    return ResultOf(::rmdir(QFile::encodeName(path).constData()));
}

int DeleteFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    return ResultOf(::unlink(name.constData()));
}

bool IsRegularFile(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

int CopyFileReplacing(const QString& from, const QString& to)
{
    Fd source(::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC));
    if (source.Get() < 0)
        return errno;
    struct stat st {};
    if (::fstat(source.Get(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;

    const QFileInfo target(to);
    QByteArray temporary =
        QFile::encodeName(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                          QStringLiteral(".XXXXXX"));
    Fd copy(::mkostemp(temporary.data(), O_CLOEXEC));
    if (copy.Get() < 0)
        return errno;

    int error = CopyContent(source.Get(), copy.Get());
    if (error == 0 && ::fchmod(copy.Get(), st.st_mode & 07777) != 0)
        error = errno;
    if (error == 0 && ::close(copy.Release()) != 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), QFile::encodeName(to).constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.constData());
    return error;
}

std::vector<DirectoryEntry> ListDirectory(const QString& path, int* error)
{
    std::vector<DirectoryEntry> entries;
    *error = 0;
    const QByteArray folder = QFile::encodeName(path);
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        *error = errno;
        return entries;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            *error = errno;
            break;
        }
        // Links are followed; d_type may also be unknown on some file systems.
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            isDirectory =
                ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({QFile::decodeName(entry->d_name), isDirectory});
    }
    ::closedir(dir);
    return entries;
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    // Without this, a folder the user may not create files in would make QSaveFile write
    // the file in place, which is what this function promises never to do.
    file.setDirectWriteFallback(false);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

void SleepMilliseconds(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace vtx
