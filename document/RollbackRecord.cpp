// The rollback record of a save: written, read back, cleared.
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

} // namespace

namespace {

// The rollback record, handed to `sink` in pieces: small fields and spans gathered into
// one buffer, large spans passed straight from the record, so a save of a big paste
// neither copies its old bytes again nor checks them twice.
bool StreamRollback(const RollbackRecord& record,
                    const std::function<bool(const std::uint8_t*, std::size_t)>& sink)
{
    constexpr std::size_t kGathered = std::size_t{1} << 20;
    std::vector<std::uint8_t> buffer;
    buffer.reserve(kGathered + 64);
    ByteCheck check;
    const auto flush = [&] {
        check.Add(buffer.data(), buffer.size());
        const bool ok = buffer.empty() || sink(buffer.data(), buffer.size());
        buffer.clear();
        return ok;
    };
    Writer w(buffer);
    w.Bytes(kRollbackMagic, sizeof kRollbackMagic);
    w.Put(EditJournal::kRollbackVersion);
    PutIdentity(w, record.identity);
    w.Put(record.length);
    PutPath(w, record.path);
    w.Put(record.newBytesCheck);
    w.Put(static_cast<std::uint64_t>(record.spans.size()));
    for (const RollbackRecord::Span& span : record.spans) {
        w.Put(span.position);
        w.Put(static_cast<std::uint64_t>(span.bytes.size()));
        if (buffer.size() + span.bytes.size() <= kGathered) {
            w.Bytes(span.bytes.data(), span.bytes.size());
            continue;
        }
        if (!flush())
            return false;
        check.Add(span.bytes.data(), span.bytes.size());
        if (!sink(span.bytes.data(), span.bytes.size()))
            return false;
    }
    check.Add(buffer.data(), buffer.size());
    w.Put(check.Value());
    return sink(buffer.data(), buffer.size());
}

// The fields of a rollback record after its version, up to and with its check; false when
// they are cut short or do not match the check.
bool DecodeRollback(const std::vector<std::uint8_t>& data, Reader& r, RollbackRecord& read)
{
    std::uint64_t spans = 0;
    if (!GetIdentity(r, read.identity) || !r.Get(read.length) || !GetPath(r, read.path) ||
        !r.Get(read.newBytesCheck) || !r.Get(spans))
        return false;
    for (std::uint64_t i = 0; i < spans; ++i) {
        RollbackRecord::Span span;
        std::uint64_t size = 0;
        if (!r.Get(span.position) || !r.Get(size) || !r.Bytes(span.bytes, size))
            return false;
        read.spans.push_back(std::move(span));
    }
    const auto covered = static_cast<std::size_t>(r.Here() - data.data());
    std::uint64_t check = 0;
    return r.Get(check) && check == ByteCheck::Of(data.data(), covered);
}

// Whether a rollback file holds no record: empty, or cleared (its magic zeroed).
bool RollbackCleared(const std::vector<std::uint8_t>& head)
{
    return head.empty() || std::all_of(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                                                       head.size(), sizeof kRollbackMagic)),
                                       [](std::uint8_t b) { return b == 0; });
}

} // namespace

std::vector<std::uint8_t> EditJournal::EncodeRollback(const RollbackRecord& record)
{
    std::vector<std::uint8_t> out;
    StreamRollback(record, [&out](const std::uint8_t* data, std::size_t size) {
        out.insert(out.end(), data, data + size);
        return true;
    });
    return out;
}

bool EditJournal::WriteRollback(const std::string& rollbackPath, const RollbackRecord& record,
                                const std::function<void()>& meanwhile)
{
    if (!EnsureStateFolder())
        return false;
    // The file stays between saves (cleared, not removed or shortened), and each record is
    // written over the last one: only the first creation and growth change its metadata, so
    // a later save's fdatasync writes just the record's own blocks.
    int fd = ::open(rollbackPath.c_str(), O_WRONLY | O_CLOEXEC);
    const bool created = fd < 0 && errno == ENOENT;
    if (created)
        fd = ::open(rollbackPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::uint64_t written = 0;
    bool ok = StreamRollback(record,
                             [fd, &written](const std::uint8_t* data, std::size_t size) {
                                 if (!WriteFully(fd, data, size, static_cast<std::int64_t>(written)))
                                     return false;
                                 written += size;
                                 return true;
                             });
    if (ok && meanwhile) {
        // The disk starts on the record while the caller works; the fdatasync then waits
        // only for what is left, and for the flush.
        ::sync_file_range(fd, 0, static_cast<off_t>(written), SYNC_FILE_RANGE_WRITE);
        try {
            meanwhile();
        } catch (...) {
            ::close(fd);
            ClearRollback(rollbackPath);
            throw;
        }
    }
    ok = ok && ::fdatasync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        // A torn record is harmless (it is never applied), but a clear folder is better.
        ::unlink(rollbackPath.c_str());
        errno = error;
        return false;
    }
    if (created)
        SyncFolder(StateFolder());
    return true;
}

EditJournal::RollbackStatus EditJournal::ReadRollback(const std::string& rollbackPath, RollbackRecord& record)
{
    std::vector<std::uint8_t> data;
    int error = 0;
    if (!ReadWholeFile(rollbackPath, data, error))
        return error == ENOENT ? RollbackStatus::Missing : RollbackStatus::Torn;
    // A cleared record: the save it covered finished.
    if (RollbackCleared(data))
        return RollbackStatus::Missing;
    Reader r(data.data(), data.size());
    std::vector<std::uint8_t> magic;
    std::uint32_t version = 0;
    if (!r.Bytes(magic, sizeof kRollbackMagic) ||
        std::memcmp(magic.data(), kRollbackMagic, sizeof kRollbackMagic) != 0 || !r.Get(version))
        return RollbackStatus::Torn;
    if (version > kRollbackVersion)
        return RollbackStatus::NewerFormat;
    RollbackRecord read;
    // What follows the check is what an earlier, longer record left there.
    if (version < kRollbackVersion || !DecodeRollback(data, r, read))
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
