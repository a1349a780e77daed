// The rollback record of a save: written as the old bytes are read, read back in blocks or
// by position (the undo steps' copies), cleared.
//
// Layout: magic, version, the file's identity and length, its path, the check of the new
// bytes; then entries (a tag byte, position, count, and for old bytes the bytes), an end tag,
// and the ByteCheck of everything before it. Entries are at most a block of bytes each; a
// run of zeros is an entry without bytes.
#include "EditJournal.h"
#include "JournalFields.h"

// this program
#include "platform/CFile.h"

// std
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vtx {

using namespace journal_detail;

namespace {

constexpr char kRollbackMagic[8] = {'V', 'T', 'X', 'R', 'O', 'L', 'L', 'B'};
// What clearing a rollback record zeroes: its magic, version, identity and length.
constexpr std::size_t kClearedHead = 8 + 4 + 5 * 8 + 8;
enum Tag : std::uint8_t { kEnd = 0, kOldBytes = 1, kZeros = 2 };
constexpr std::size_t kEntryHead = 1 + 8 + 8;
// Old bytes are checked for all zeros from this many on; fewer cost more as a count.
constexpr std::size_t kZerosFrom = 4096;
// Records are read back in pieces of this size: that of the writer's buffer, so that a
// record read right after it was written gets that buffer's memory again, already touched.
constexpr std::size_t kReadPiece = RollbackWriter::kBlock + RollbackWriter::kSlack;

bool AllZero(const std::uint8_t* bytes, std::size_t count)
{
    return count == 0 || (bytes[0] == 0 && std::memcmp(bytes, bytes + 1, count - 1) == 0);
}

// Whether a rollback file holds no record: empty, or cleared (its magic zeroed).
bool RollbackCleared(const std::vector<std::uint8_t>& head)
{
    return head.empty() || std::all_of(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                                                       head.size(), sizeof kRollbackMagic)),
                                       [](std::uint8_t b) { return b == 0; });
}

} // namespace

// ---- RollbackWriter ---------------------------------------------------------------------

RollbackWriter::~RollbackWriter()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        EditJournal::ClearRollback(m_path);
    }
}

template <typename T> void RollbackWriter::PutField(T value)
{
    std::uint8_t bytes[sizeof(T)];
    auto u = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<std::uint8_t>(u >> (8 * i));
    Put(bytes, sizeof bytes);
}

void RollbackWriter::Put(const void* data, std::size_t size)
{
    std::memcpy(m_buffer.data() + m_used, data, size);
    m_used += size;
}

bool RollbackWriter::Begin(const std::string& rollbackPath, const RollbackRecord& head)
{
    if (!EditJournal::EnsureStateFolder())
        return false;
    // The file stays between saves (cleared, not removed or shortened), and each record is
    // written over the last one: only the first creation and growth change its metadata, so
    // a later save's fdatasync writes just the record's own blocks.
    m_path = rollbackPath;
    m_fd = ::open(rollbackPath.c_str(), O_WRONLY | O_CLOEXEC);
    m_created = m_fd < 0 && errno == ENOENT;
    if (m_created)
        m_fd = ::open(rollbackPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return false;
    return Start(head);
}

bool RollbackWriter::BeginInMemory(const RollbackRecord& head, std::uint64_t limit)
{
    m_inMemory = true;
    m_limit = limit;
    return Start(head);
}

bool RollbackWriter::Start(const RollbackRecord& head)
{
    if (head.path.size() > kMaxPath) {
        errno = ENAMETOOLONG;
        return Fail();
    }
    if (m_buffer.size() == 0)
        m_buffer = LargeBytes(kBlock + kSlack);
    m_open = true;
    m_used = 0;
    m_written = 0;
    m_check = ByteCheck();
    m_memory.clear();
    m_placed.clear();
    Put(kRollbackMagic, sizeof kRollbackMagic);
    PutField(EditJournal::kRollbackVersion);
    PutField(head.identity.device);
    PutField(head.identity.inode);
    PutField(head.identity.size);
    PutField(head.identity.mtimeNs);
    PutField(head.identity.ctimeNs);
    PutField(head.length);
    PutField(static_cast<std::uint32_t>(head.path.size()));
    Put(head.path.data(), head.path.size());
    PutField(head.newBytesCheck);
    for (const RollbackRecord::Span& span : head.spans) {
        if (!(span.zeros > 0 ? Zeros(span.position, span.zeros)
                             : Bytes(span.position, span.bytes.data(), span.bytes.size())))
            return false;
    }
    return true;
}

std::uint8_t* RollbackWriter::Room(std::size_t count)
{
    if (!m_open || count > kBlock || (m_used + kEntryHead + count > m_buffer.size() && !Flush()))
        return nullptr;
    return m_buffer.data() + m_used + kEntryHead;
}

bool RollbackWriter::Commit(FilePos position, std::size_t count)
{
    if (!m_open || count == 0)
        return m_open;
    const bool zeros = count >= kZerosFrom && AllZero(m_buffer.data() + m_used + kEntryHead, count);
    m_placed.push_back({position, count, zeros ? Placed::kZeros : m_written + m_used + kEntryHead});
    PutField(static_cast<std::uint8_t>(zeros ? kZeros : kOldBytes));
    PutField(position);
    PutField(static_cast<std::uint64_t>(count));
    if (!zeros)
        m_used += count;
    return true;
}

bool RollbackWriter::Bytes(FilePos position, const std::uint8_t* bytes, std::size_t count)
{
    for (std::size_t done = 0; done < count;) {
        const std::size_t piece = std::min(kBlock, count - done);
        std::uint8_t* room = Room(piece);
        if (!room)
            return false;
        std::memcpy(room, bytes + done, piece);
        m_placed.push_back({position + done, piece, m_written + m_used + kEntryHead});
        // Given bytes are kept as given.
        PutField(static_cast<std::uint8_t>(kOldBytes));
        PutField(position + done);
        PutField(static_cast<std::uint64_t>(piece));
        m_used += piece;
        done += piece;
    }
    return true;
}

bool RollbackWriter::Zeros(FilePos position, FilePos count)
{
    if (count == 0)
        return m_open;
    if (!m_open || (m_used + kEntryHead > m_buffer.size() && !Flush()))
        return false;
    m_placed.push_back({position, static_cast<std::uint64_t>(count), Placed::kZeros});
    PutField(static_cast<std::uint8_t>(kZeros));
    PutField(position);
    PutField(count);
    return true;
}

bool RollbackWriter::Flush(bool addToCheck)
{
    if (m_used == 0)
        return true;
    if (addToCheck)
        m_check.Add(m_buffer.data(), m_used);
    if (m_inMemory) {
        if (m_memory.size() + m_used > m_limit) {
            errno = EFBIG;
            return Fail();
        }
        m_memory.insert(m_memory.end(), m_buffer.data(), m_buffer.data() + m_used);
    } else if (!WriteFully(m_fd, m_buffer.data(), m_used, static_cast<std::int64_t>(m_written))) {
        return Fail();
    } else {
        // The disk starts on this block while the next is read: Finish's sync then waits
        // only for the last one. A hint; the sync still decides.
        (void)::sync_file_range(m_fd, static_cast<off_t>(m_written), static_cast<off_t>(m_used),
                                SYNC_FILE_RANGE_WRITE);
    }
    m_written += m_used;
    m_used = 0;
    return true;
}

bool RollbackWriter::Fail()
{
    const int error = errno;
    m_open = false;
    m_memory.clear();
    if (m_fd >= 0) {
        ::close(std::exchange(m_fd, -1));
        // A torn record is harmless (it is never applied), but a clear folder is better.
        ::unlink(m_path.c_str());
    }
    errno = error;
    return false;
}

bool RollbackWriter::Finish()
{
    // Room for the end tag and the check (a full block may have left none).
    if (!m_open || (m_used + 1 + 8 > m_buffer.size() && !Flush()))
        return false;
    PutField(static_cast<std::uint8_t>(kEnd));
    // The check covers everything before it, the end tag included.
    m_check.Add(m_buffer.data(), m_used);
    const std::uint64_t check = m_check.Value();
    PutField(check);
    if (!Flush(false))
        return false;
    m_open = false;
    m_buffer = LargeBytes();
    if (m_inMemory)
        return true;
    bool ok = ::fdatasync(m_fd) == 0;
    int error = errno;
    if (::close(std::exchange(m_fd, -1)) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(m_path.c_str());
        errno = error;
        return false;
    }
    if (m_created)
        SyncFolder(EditJournal::StateFolder());
    return true;
}

// ---- RollbackSource ---------------------------------------------------------------------

RollbackSource::RollbackSource(const std::string& rollbackPath)
{
    m_fd = ::open(rollbackPath.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
        m_openError = errno;
        return;
    }
    m_size = static_cast<std::uint64_t>(st.st_size);
}

RollbackSource::RollbackSource(const std::vector<std::uint8_t>& memory) : m_size(memory.size()), m_memory(&memory) {}

RollbackSource::~RollbackSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RollbackSource::Read(std::uint8_t* out, std::size_t count, std::uint64_t offset) const
{
    if (offset > m_size || count > m_size - offset)
        return false;
    if (m_memory) {
        std::memcpy(out, m_memory->data() + offset, count);
        return true;
    }
    return ReadFully(m_fd, out, count, static_cast<std::int64_t>(offset)) == static_cast<std::int64_t>(count);
}

// A record read front to back through a piece-sized window, every byte taken into the check
// until the check itself.
class RecordCursor
{
public:
    explicit RecordCursor(const RollbackSource& source) : m_source(source), m_window(kReadPiece) {}

    // Whether n (at most a piece) bytes can be had at the window's start.
    bool Need(std::size_t n)
    {
        if (m_end - m_at >= n)
            return true;
        std::memmove(m_window.data(), m_window.data() + m_at, m_end - m_at);
        m_end -= m_at;
        m_at = 0;
        const std::uint64_t left = m_source.m_size - m_offset;
        const auto more = static_cast<std::size_t>(std::min<std::uint64_t>(m_window.size() - m_end, left));
        if (m_end + more < n || !m_source.Read(m_window.data() + m_end, more, m_offset))
            return false;
        m_end += more;
        m_offset += more;
        return true;
    }
    template <typename T> bool Get(T& value, bool checked = true)
    {
        if (!Need(sizeof(T)))
            return false;
        std::make_unsigned_t<T> u = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            u |= static_cast<std::make_unsigned_t<T>>(static_cast<std::make_unsigned_t<T>>(m_window.data()[m_at + i]) << (8 * i));
        value = static_cast<T>(u);
        if (checked)
            m_check.Add(m_window.data() + m_at, sizeof(T));
        m_at += sizeof(T);
        return true;
    }
    // count bytes handed to `piece` as they come; false when the record ends first.
    template <typename Piece> bool Take(std::uint64_t count, Piece piece)
    {
        for (std::uint64_t done = 0; done < count;) {
            if (m_at == m_end && !Need(1))
                return false;
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, m_end - m_at));
            m_check.Add(m_window.data() + m_at, n);
            if (!piece(done, m_window.data() + m_at, n))
                return false;
            m_at += n;
            done += n;
        }
        return true;
    }
    [[nodiscard]] std::uint64_t Check() const { return m_check.Value(); }

private:
    const RollbackSource& m_source;
    LargeBytes m_window;
    std::size_t m_at = 0;
    std::size_t m_end = 0;
    std::uint64_t m_offset = 0;
    ByteCheck m_check;
};

namespace {

// The record's fields before its entries: Complete when they are there and of this layout.
RollbackStatus ReadHead(RecordCursor& r, RollbackRecord& head)
{
    std::uint32_t version = 0;
    if (!r.Take(sizeof kRollbackMagic, [](std::uint64_t, const std::uint8_t* bytes, std::size_t n) {
            return n == sizeof kRollbackMagic && std::memcmp(bytes, kRollbackMagic, n) == 0;
        }) || !r.Get(version))
        return RollbackStatus::Torn;
    if (version > EditJournal::kRollbackVersion)
        return RollbackStatus::NewerFormat;
    // An older layout is never taken for this one.
    if (version < EditJournal::kRollbackVersion)
        return RollbackStatus::Torn;
    FileIdentity& id = head.identity;
    std::uint32_t pathSize = 0;
    if (!r.Get(id.device) || !r.Get(id.inode) || !r.Get(id.size) || !r.Get(id.mtimeNs) || !r.Get(id.ctimeNs) ||
        !r.Get(head.length) || !r.Get(pathSize) || pathSize > kMaxPath)
        return RollbackStatus::Torn;
    head.path.clear();
    if (!r.Take(pathSize, [&](std::uint64_t, const std::uint8_t* bytes, std::size_t n) {
            head.path.append(reinterpret_cast<const char*>(bytes), n);
            return true;
        }) || !r.Get(head.newBytesCheck))
        return RollbackStatus::Torn;
    return RollbackStatus::Complete;
}

} // namespace

RollbackStatus RollbackSource::Walk(RollbackRecord& head, const SpanVisit* visit) const
{
    if (m_fd < 0 && !m_memory)
        return m_openError == ENOENT ? RollbackStatus::Missing : RollbackStatus::Torn;
    std::vector<std::uint8_t> magic(static_cast<std::size_t>(std::min<std::uint64_t>(m_size, sizeof kRollbackMagic)));
    if (!Read(magic.data(), magic.size(), 0))
        return RollbackStatus::Torn;
    // A cleared record: the save it covered finished.
    if (RollbackCleared(magic))
        return RollbackStatus::Missing;
    RecordCursor r(*this);
    if (const RollbackStatus status = ReadHead(r, head); status != RollbackStatus::Complete)
        return status;
    for (;;) {
        std::uint8_t tag = 0;
        FilePos position = 0;
        std::uint64_t count = 0;
        if (!r.Get(tag))
            return RollbackStatus::Torn;
        if (tag == kEnd)
            break;
        // What follows a torn record may be an older record's bytes: no field is trusted
        // beyond what the check will confirm, and none may reach past the file's length.
        if ((tag != kOldBytes && tag != kZeros) || !r.Get(position) || !r.Get(count) || count == 0 ||
            position > head.length || count > head.length - position)
            return RollbackStatus::Torn;
        if (tag == kZeros) {
            if (visit && !(*visit)(position, nullptr, count))
                return RollbackStatus::Torn;
            continue;
        }
        if (count > RollbackWriter::kBlock ||
            !r.Take(count, [&](std::uint64_t done, const std::uint8_t* bytes, std::size_t n) {
                return !visit || (*visit)(position + done, bytes, n);
            }))
            return RollbackStatus::Torn;
    }
    const std::uint64_t covered = r.Check();
    std::uint64_t check = 0;
    return r.Get(check, false) && check == covered ? RollbackStatus::Complete : RollbackStatus::Torn;
}

RollbackStatus RollbackSource::Check(RollbackRecord& head) const
{
    RollbackRecord read;
    const RollbackStatus status = Walk(read, nullptr);
    if (status == RollbackStatus::Complete)
        head = std::move(read);
    return status;
}

bool RollbackSource::ForEachSpan(const SpanVisit& visit) const
{
    RollbackRecord head;
    return Walk(head, &visit) == RollbackStatus::Complete;
}

// ---- RollbackReader ---------------------------------------------------------------------

namespace {
constexpr std::size_t kReaderWindow = std::size_t{4} << 20;
constexpr std::size_t kReadDirectFrom = std::size_t{64} << 10;
} // namespace

int RollbackReader::operator()(const std::vector<PendingBytes::OldBytesFill>& fills)
{
    for (const PendingBytes::OldBytesFill& fill : fills) {
        auto placed = std::partition_point(m_placement.begin(), m_placement.end(), [&](const auto& p) {
            return p.position + p.count <= static_cast<std::uint64_t>(fill.from);
        });
        for (FilePos at = fill.from; at < fill.to; ++placed) {
            if (placed == m_placement.end() || placed->position > at)
                return EIO;
            const FilePos to = std::min<FilePos>(fill.to, placed->position + placed->count);
            const auto count = static_cast<std::size_t>(to - at);
            std::uint8_t* out = fill.bytes + (at - fill.from);
            if (placed->offset == RollbackWriter::Placed::kZeros)
                std::memset(out, 0, count);
            else if (!Read(out, count, placed->offset + (at - placed->position)))
                return EIO;
            at = to;
        }
    }
    return 0;
}

bool RollbackReader::Read(std::uint8_t* out, std::size_t count, std::uint64_t offset)
{
    if (count >= kReadDirectFrom)
        return m_record.Read(out, count, offset);
    if (offset < m_windowOffset || offset + count > m_windowOffset + m_windowLength) {
        if (m_window.size() == 0)
            m_window = LargeBytes(kReaderWindow);
        const std::uint64_t size = m_record.Size();
        m_windowOffset = offset;
        m_windowLength = static_cast<std::size_t>(std::min<std::uint64_t>(kReaderWindow, size - std::min(offset, size)));
        if (m_windowLength < count || !m_record.Read(m_window.data(), m_windowLength, offset)) {
            m_windowLength = 0;
            return false;
        }
    }
    std::memcpy(out, m_window.data() + (offset - m_windowOffset), count);
    return true;
}

// ---- EditJournal's rollback members -----------------------------------------------------

std::vector<std::uint8_t> EditJournal::EncodeRollback(const RollbackRecord& record)
{
    RollbackWriter writer;
    if (!writer.BeginInMemory(record, ~std::uint64_t{0}) || !writer.Finish())
        return {};
    return writer.Memory();
}

bool EditJournal::WriteRollback(const std::string& rollbackPath, const RollbackRecord& record)
{
    RollbackWriter writer;
    return writer.Begin(rollbackPath, record) && writer.Finish();
}

EditJournal::RollbackStatus EditJournal::ReadRollback(const std::string& rollbackPath, RollbackRecord& record)
{
    const RollbackSource source(rollbackPath);
    RollbackRecord read;
    const RollbackStatus status = source.Check(read);
    if (status != RollbackStatus::Complete)
        return status;
    // Pieces of one span come in a row: they join up again.
    const bool whole = source.ForEachSpan([&read](FilePos position, const std::uint8_t* bytes, std::uint64_t count) {
        RollbackRecord::Span* last = read.spans.empty() ? nullptr : &read.spans.back();
        const bool joins = last && last->position + last->Length() == position && (last->zeros > 0) == !bytes;
        if (!joins) {
            read.spans.push_back({position, {}, 0});
            last = &read.spans.back();
        }
        if (bytes)
            last->bytes.insert(last->bytes.end(), bytes, bytes + count);
        else
            last->zeros += count;
        return true;
    });
    if (!whole)
        return RollbackStatus::Torn;
    record = std::move(read);
    return RollbackStatus::Complete;
}

bool EditJournal::ClearRollback(const std::string& rollbackPath)
{
    // The head zeroed in place, not synced: a crash that loses this leaves a record whose
    // new bytes the file holds, which the next open recognises as a completed save. The
    // head is the magic, the version, the file's identity and length: a later record torn
    // over this one cannot bring it back, for its own head differs at least in the file's
    // times.
    const int fd = ::open(rollbackPath.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    const std::uint8_t zeros[kClearedHead] = {};
    const bool ok = WriteFully(fd, zeros, sizeof zeros, 0);
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

void EditJournal::RemoveEmptyRollback(const std::string& rollbackPath)
{
    // A record that still holds bytes is a save not put back yet: it stays for the next open.
    const int fd = ::open(rollbackPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    std::vector<std::uint8_t> head(sizeof kRollbackMagic);
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    if (regular && got >= 0 && RollbackCleared(head))
        ::unlink(rollbackPath.c_str());
}

} // namespace vtx
