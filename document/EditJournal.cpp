#include "EditJournal.h"
#include "JournalFields.h"

// this program
#include "platform/CFile.h"
#include "platform/FileFaults.h"

// Qt
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QTimer>

// std
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace vtx {

using namespace journal_detail;

namespace {

constexpr char kJournalMagic[8] = {'V', 'T', 'X', 'J', 'O', 'U', 'R', 'N'};
constexpr std::uint32_t kRecordMagic = 0x52445856; // "VXDR"
constexpr const char* kJournalSuffix = ".journal";
constexpr const char* kRollbackSuffix = ".rollback";
// No single record is larger; a length field above this is damage, not data.
constexpr std::uint64_t kMaxRecordBody = std::uint64_t{1} << 36;
// The mapped tail of a journal, and the largest record copied into it.
constexpr std::uint64_t kJournalWindow = std::uint64_t{1} << 20;
constexpr std::size_t kMappedRecordMost = std::size_t{64} << 10;

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0)
{
    // zlib's table-driven, word-at-a-time CRC: a 16 MiB paste is checksummed twice per save.
    uLong value = crc;
    while (size > 0) {
        const auto chunk = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        value = ::crc32(value, data, chunk);
        data += chunk;
        size -= chunk;
    }
    return static_cast<std::uint32_t>(value);
}

std::int64_t NowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

bool DecodeRecordBody(Reader& r, JournalRecord& record)
{
    std::uint8_t kind = 0;
    std::uint8_t flags = 0;
    std::uint32_t runs = 0;
    if (!r.Get(kind) || !r.Get(flags) || !r.Get(record.timeMs) || !r.Get(runs))
        return false;
    if (kind < 1 || kind > 4)
        return false;
    record.kind = static_cast<JournalRecord::Kind>(kind);
    record.joinsPrevious = (flags & 1) != 0;
    record.runs.clear();
    for (std::uint32_t i = 0; i < runs; ++i) {
        JournalRun run;
        std::uint8_t fill = 0;
        std::uint64_t size = 0;
        if (!r.Get(run.position) || !r.Get(run.length) || !r.Get(fill) || !r.Get(size) || !r.Bytes(run.bytes, size))
            return false;
        if (fill > 2)
            return false;
        run.fill = fill == 1;
        run.fileBytes = fill == 2;
        // A run that sets nothing, a pattern that does not cover it, or bytes where the
        // file's own should show, is damage.
        const bool bytesRight = run.fileBytes ? run.bytes.empty()
                                              : !run.bytes.empty() && (run.fill || run.bytes.size() == run.length);
        if (run.length == 0 || !bytesRight || run.position + run.length < run.position)
            return false;
        record.runs.push_back(std::move(run));
    }
    return r.Left() == 0;
}

// The records after the header, as far as they are whole.
void ReadRecords(Reader& r, const std::vector<std::uint8_t>& data, JournalContents& contents)
{
    while (r.Left() > 0) {
        const std::uint8_t* start = r.Here();
        std::uint32_t recordMagic = 0;
        std::uint64_t bodySize = 0;
        std::vector<std::uint8_t> body;
        std::uint32_t recordCrc = 0;
        bool whole = r.Get(recordMagic) && recordMagic == kRecordMagic && r.Get(bodySize) &&
                     bodySize <= kMaxRecordBody && r.Bytes(body, bodySize);
        const std::size_t covered = static_cast<std::size_t>(r.Here() - start);
        JournalRecord record;
        Reader br(body.data(), body.size());
        whole = whole && r.Get(recordCrc) && recordCrc == Crc32(start, covered) && DecodeRecordBody(br, record);
        if (!whole) {
            // The zeros a journal holds ahead of its records end it; anything else is a
            // torn record, and only its own bytes count as lost.
            const std::uint8_t* end = data.data() + data.size();
            const auto last = std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(start),
                                           [](std::uint8_t b) { return b != 0; });
            contents.fileBytes = static_cast<std::uint64_t>(last.base() - data.data());
            if (contents.fileBytes > contents.recoveredBytes)
                contents.status = JournalContents::Status::Torn;
            return;
        }
        contents.records.push_back(std::move(record));
        contents.recoveredBytes = static_cast<std::uint64_t>(r.Here() - data.data());
    }
}

} // namespace

std::uint64_t JournalContents::ChangedBytes() const
{
    std::uint64_t total = 0;
    for (const JournalRecord& record : records)
        if (record.kind == JournalRecord::Kind::Change || record.kind == JournalRecord::Kind::Pending)
            for (const JournalRun& run : record.runs)
                total += run.length;
    return total;
}

std::int64_t JournalContents::LastWrittenMs() const
{
    return records.empty() ? createdMs : records.back().timeMs;
}

EditJournal::EditJournal() = default;

EditJournal::~EditJournal()
{
    Close();
}

std::string EditJournal::StateFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG rules: a relative state folder is ignored.
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return QFile::encodeName(base + QStringLiteral("/vantorix")).toStdString();
}

bool EditJournal::EnsureStateFolder()
{
    const std::string folder = StateFolder();
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) || (errno = ENOTDIR, false);
    // Every folder made on the way is the user's own, as the XDG rules for these
    // directories ask.
    std::string partial;
    for (std::size_t at = 1; at != std::string::npos;) {
        at = folder.find('/', at + 1);
        partial = folder.substr(0, at);
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

std::string NameFor(const std::string& canonicalPath)
{
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(canonicalPath), QCryptographicHash::Sha256).toHex();
    return EditJournal::StateFolder() + "/" + hash.left(40).toStdString();
}

} // namespace

std::string EditJournal::JournalPathFor(const std::string& canonicalPath)
{
    return NameFor(canonicalPath) + kJournalSuffix;
}

std::string EditJournal::RollbackPathFor(const std::string& canonicalPath)
{
    return NameFor(canonicalPath) + kRollbackSuffix;
}

std::vector<std::string> EditJournal::AllJournals()
{
    std::vector<std::string> found;
    const QDir folder(QFile::decodeName(StateFolder().c_str()));
    const QStringList names =
        folder.entryList({QStringLiteral("*") + QLatin1String(kJournalSuffix)}, QDir::Files, QDir::Name);
    for (const QString& name : names)
        found.push_back(QFile::encodeName(folder.filePath(name)).toStdString());
    return found;
}

std::vector<std::uint8_t> EditJournal::EncodeHeader(const std::string& canonicalPath, const FileIdentity& identity,
                                                    std::int64_t createdMs)
{
    std::vector<std::uint8_t> out;
    Writer w(out);
    w.Bytes(kJournalMagic, sizeof kJournalMagic);
    w.Put(kFormatVersion);
    PutIdentity(w, identity);
    w.Put(createdMs);
    PutPath(w, canonicalPath);
    w.Put(Crc32(out.data(), out.size()));
    return out;
}

namespace {

// The record's body size, the length field's value.
std::size_t RecordBodySize(const JournalRecord& record)
{
    std::size_t bodySize = 1 + 1 + sizeof record.timeMs + sizeof(std::uint32_t);
    for (const JournalRun& run : record.runs)
        bodySize += sizeof run.position + sizeof run.length + 1 + sizeof(std::uint64_t) + run.bytes.size();
    return bodySize;
}

// The whole record's size: magic, length field, body and checksum.
std::size_t RecordSize(std::size_t bodySize)
{
    return sizeof kRecordMagic + sizeof(std::uint64_t) + bodySize + sizeof(std::uint32_t);
}

// Every field of a record but its checksum, through `out` (Put and Bytes as Writer's): the
// one place the layout is written down, for records built in memory and records streamed.
template <typename Out> void PutRecord(const JournalRecord& record, std::size_t bodySize, Out& out)
{
    out.Put(kRecordMagic);
    out.Put(static_cast<std::uint64_t>(bodySize));
    out.Put(static_cast<std::uint8_t>(record.kind));
    out.Put(static_cast<std::uint8_t>(record.joinsPrevious ? 1 : 0));
    out.Put(record.timeMs);
    out.Put(static_cast<std::uint32_t>(record.runs.size()));
    for (const JournalRun& run : record.runs) {
        out.Put(run.position);
        out.Put(run.length);
        out.Put(static_cast<std::uint8_t>(run.fileBytes ? 2 : run.fill ? 1 : 0));
        out.Put(static_cast<std::uint64_t>(run.bytes.size()));
        out.Bytes(run.bytes.data(), run.bytes.size());
    }
}

// A large record written to the journal's file as it is encoded: the fields gathered in a
// small buffer, the runs' bytes written from where they lie, the checksum kept as it goes.
class StreamedRecord
{
public:
    StreamedRecord(int fd, std::uint64_t at) : m_fd(fd), m_at(at), m_fields(m_buffer) {}

    template <typename T> void Put(T value) { m_fields.Put(value); }
    void Bytes(const void* data, std::size_t size)
    {
        if (size < kMappedRecordMost) {
            m_fields.Bytes(data, size);
            return;
        }
        Flush();
        Write(static_cast<const std::uint8_t*>(data), size);
    }
    // Ends the record with its checksum. False with errno when a write failed.
    bool Finish()
    {
        Flush();
        m_fields.Put(m_crc);
        Flush(false);
        return m_ok;
    }

private:
    void Flush(bool checked = true)
    {
        Write(m_buffer.data(), m_buffer.size(), checked);
        m_buffer.clear();
    }
    void Write(const std::uint8_t* data, std::size_t size, bool checked = true)
    {
        if (checked)
            m_crc = Crc32(data, size, m_crc);
        m_ok = m_ok && WriteFully(m_fd, data, size, static_cast<std::int64_t>(m_at));
        m_at += size;
    }

    int m_fd;
    std::uint64_t m_at;
    std::uint32_t m_crc = 0;
    bool m_ok = true;
    std::vector<std::uint8_t> m_buffer;
    Writer m_fields;
};

} // namespace

std::vector<std::uint8_t> EditJournal::EncodeRecord(const JournalRecord& record)
{
    // One buffer, sized up front: this runs on every key the user types.
    const std::size_t bodySize = RecordBodySize(record);
    std::vector<std::uint8_t> out;
    out.reserve(RecordSize(bodySize));
    Writer w(out);
    PutRecord(record, bodySize, w);
    // The checksum covers the length too: a torn length cannot pass for a shorter record.
    w.Put(Crc32(out.data(), out.size()));
    return out;
}

JournalContents EditJournal::Read(const std::string& journalPath)
{
    JournalContents contents;
    std::vector<std::uint8_t> data;
    int error = 0;
    if (!ReadWholeFile(journalPath, data, error)) {
        contents.status = error == ENOENT ? JournalContents::Status::Missing : JournalContents::Status::Unreadable;
        return contents;
    }
    contents.fileBytes = data.size();
    contents.status = JournalContents::Status::Unreadable;
    Reader r(data.data(), data.size());
    std::vector<std::uint8_t> magic;
    std::uint32_t version = 0;
    if (!r.Bytes(magic, sizeof kJournalMagic) || std::memcmp(magic.data(), kJournalMagic, sizeof kJournalMagic) != 0 ||
        !r.Get(version))
        return contents;
    if (version > kFormatVersion) {
        contents.status = JournalContents::Status::NewerFormat;
        return contents;
    }
    std::uint32_t crc = 0;
    if (!GetIdentity(r, contents.identity) || !r.Get(contents.createdMs) || !GetPath(r, contents.path))
        return contents;
    const std::size_t headerSize = static_cast<std::size_t>(r.Here() - data.data());
    if (!r.Get(crc) || crc != Crc32(data.data(), headerSize))
        return contents;
    contents.recoveredBytes = headerSize + sizeof crc;
    contents.status = JournalContents::Status::Complete;

    ReadRecords(r, data, contents);
    return contents;
}

bool EditJournal::Fail(int error)
{
    m_lastError = error != 0 ? error : EIO;
    return false;
}

bool EditJournal::Start(const std::string& canonicalPath, const FileIdentity& identity,
                        const std::vector<JournalRecord>& records)
{
    Close();
    if (!EnsureStateFolder())
        return Fail(errno);
    const std::string path = JournalPathFor(canonicalPath);
    const std::string temporary = path + ".new";
    std::vector<std::uint8_t> content = EncodeHeader(canonicalPath, identity, NowMs());
    for (const JournalRecord& record : records) {
        const std::vector<std::uint8_t> encoded = EncodeRecord(record);
        content.insert(content.end(), encoded.begin(), encoded.end());
    }
    const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return Fail(errno);
    // The new journal replaces the old one whole, or not at all: written under a
    // temporary name, synced, then renamed over it.
    if (!WriteFully(fd, content.data(), content.size(), 0) || ::fdatasync(fd) != 0 ||
        ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        return Fail(error);
    }
    SyncFolder(StateFolder());
    m_fd = fd;
    m_end = content.size();
    m_journalPath = path;
    m_canonicalPath = canonicalPath;
    m_lastError = 0;
    return true;
}

bool EditJournal::Append(const JournalRecord& record)
{
    if (m_fd < 0)
        return Fail(EBADF);
    // At the end of the last whole record: a record torn by an earlier failure is written
    // over, never left between two whole ones.
    const std::size_t bodySize = RecordBodySize(record);
    const std::uint64_t size = RecordSize(bodySize);
    if (size > kMappedRecordMost) {
        // A paste's bytes go from its run to the file, not through one more buffer.
        StreamedRecord streamed(m_fd, m_end);
        PutRecord(record, bodySize, streamed);
        if (!streamed.Finish())
            return Fail(errno);
    } else if (!WriteRecord(EncodeRecord(record))) {
        return Fail(errno);
    }
    m_end += size;
    if (!m_deadline) {
        m_deadline = std::chrono::steady_clock::now() + kSyncDelay;
        ArmTimer();
    }
    return true;
}

bool EditJournal::WriteRecord(const std::vector<std::uint8_t>& encoded)
{
    if (!m_mappable || encoded.size() > kMappedRecordMost || FileFaults::Armed())
        return WriteFully(m_fd, encoded.data(), encoded.size(), static_cast<std::int64_t>(m_end));
    if (!m_window || m_end + encoded.size() > m_windowStart + kJournalWindow) {
        if (!MapWindowAt(m_end)) {
            // A file system that cannot map or allocate ahead, or a disk with no room for a
            // window but perhaps for this record: written as any other file.
            if (errno == EOPNOTSUPP || errno == ENODEV || errno == EINVAL)
                m_mappable = false;
            return WriteFully(m_fd, encoded.data(), encoded.size(), static_cast<std::int64_t>(m_end));
        }
    }
    std::memcpy(m_window + (m_end - m_windowStart), encoded.data(), encoded.size());
    return true;
}

bool EditJournal::MapWindowAt(std::uint64_t position)
{
    Unmap();
    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t start = position - position % page;
    // Past the records the file holds zeros, which reading takes for its end.
    if (const int error = ::posix_fallocate(m_fd, static_cast<off_t>(start), static_cast<off_t>(kJournalWindow));
        error != 0) {
        errno = error;
        return false;
    }
    void* window = ::mmap(nullptr, kJournalWindow, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, static_cast<off_t>(start));
    if (window == MAP_FAILED)
        return false;
    m_window = static_cast<std::uint8_t*>(window);
    m_windowStart = start;
    return true;
}

void EditJournal::Unmap()
{
    if (m_window)
        ::munmap(std::exchange(m_window, nullptr), kJournalWindow);
}

void EditJournal::ArmTimer()
{
    // Where an event loop runs, the grouped sync comes by itself; elsewhere the caller
    // polls SyncIfDue.
    if (!QCoreApplication::instance())
        return;
    if (!m_timer) {
        m_timer = std::make_unique<QTimer>();
        m_timer->setSingleShot(true);
        QObject::connect(m_timer.get(), &QTimer::timeout, [this] { SyncNow(); });
    }
    if (!m_timer->isActive())
        m_timer->start(kSyncDelay);
}

bool EditJournal::SyncNow()
{
    if (!m_deadline)
        return true;
    m_deadline.reset();
    if (m_timer)
        m_timer->stop();
    if (m_fd < 0)
        return Fail(EBADF);
    if (::fdatasync(m_fd) != 0)
        return Fail(errno);
    return true;
}

bool EditJournal::SyncIfDue(std::chrono::steady_clock::time_point now)
{
    return !m_deadline || now < *m_deadline || SyncNow();
}

bool EditJournal::Reset(const FileIdentity& identity)
{
    if (m_canonicalPath.empty())
        return Fail(EBADF);
    if (m_fd < 0) {
        const std::string canonical = m_canonicalPath;
        return Start(canonical, identity);
    }
    // After a save: emptied and given the new identity in place, with no rename and no
    // folder sync. It reaches the disk with the grouped sync; a crash before that offers
    // the saved changes once more (the same bytes the file now holds), never loses any.
    // Emptied first, so that a crash between the two never pairs the new header with the
    // old records.
    const std::vector<std::uint8_t> header = EncodeHeader(m_canonicalPath, identity, NowMs());
    if (m_window && m_windowStart == 0 && !FileFaults::Armed()) {
        // All of it in the mapped window: zeroed there and kept mapped, for the next key.
        std::memset(m_window, 0, static_cast<std::size_t>(m_end));
        std::memcpy(m_window, header.data(), header.size());
    } else {
        Unmap();
        if (::ftruncate(m_fd, 0) != 0 || !WriteFully(m_fd, header.data(), header.size(), 0))
            return Fail(errno);
    }
    m_end = header.size();
    if (!m_deadline) {
        m_deadline = std::chrono::steady_clock::now() + kSyncDelay;
        ArmTimer();
    }
    m_lastError = 0;
    return true;
}

void EditJournal::Remove()
{
    const std::string path = m_journalPath;
    if (m_timer)
        m_timer->stop();
    m_deadline.reset();
    Unmap();
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!path.empty())
        ::unlink(path.c_str());
    m_journalPath.clear();
    m_canonicalPath.clear();
}

void EditJournal::Close()
{
    if (m_fd < 0)
        return;
    Unmap();
    // The zeros allocated ahead go; the records stay for the next start.
    if (::ftruncate(m_fd, static_cast<off_t>(m_end)) == 0 && !m_deadline)
        m_deadline = std::chrono::steady_clock::now();
    SyncNow();
    ::close(std::exchange(m_fd, -1));
}

QString WriteFailureReason(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT: return QStringLiteral("The disk is full.");
    case EROFS: return QStringLiteral("The file system is read-only.");
    case EIO: return QStringLiteral("The disk reported an input/output error.");
    case EACCES:
    case EPERM: return QStringLiteral("You have no permission to write the file.");
    case ETXTBSY: return QStringLiteral("The file is a program that is running.");
    default: break;
    }
    return QString::fromLocal8Bit(std::strerror(error != 0 ? error : EIO)) + QLatin1Char('.');
}

} // namespace vtx
