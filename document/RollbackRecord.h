#pragma once
// The rollback record of a save: the bytes a save is about to overwrite, on disk before the
// first of them is, so that a save cut short by a crash or a full disk never leaves a file
// that is part old, part new. Written, read and cleared by EditJournal's rollback members.
//
// A record may be larger than memory (a save of a 4 GiB fill): it is written as the save
// reads the old bytes, block by block, and read back block by block. Old bytes that are
// all zero (a hole of a sparse file, a fresh file) are kept as a count.

// this program
#include "document/ByteCheck.h"
#include "platform/FileIdentity.h"
#include "document/PendingBytes.h"
#include "platform/FilePos.h"
#include "platform/LargeBytes.h"

// std
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vtx {

// The bytes a save is about to overwrite, and which file they belong to.
struct RollbackRecord {
    struct Span {
        FilePos position = 0;
        std::vector<std::uint8_t> bytes;
        // A span of this many zero bytes, kept as its count (bytes is empty then).
        FilePos zeros = 0;
        [[nodiscard]] FilePos Length() const { return zeros > 0 ? zeros : bytes.size(); }
        bool operator==(const Span&) const = default;
    };
    std::string path;
    FileIdentity identity;
    FilePos length = 0;
    // In memory only for small records and tests; a save streams them (RollbackWriter).
    std::vector<Span> spans;
    // The ByteCheck of the bytes the save writes over the spans, in their order: a file that
    // holds them all has had its save completed, and needs nothing put back. That is what
    // lets a finished save clear its record without waiting for the disk.
    std::uint64_t newBytesCheck = 0;

    bool operator==(const RollbackRecord&) const = default;
};

enum class RollbackStatus { Missing, Complete, Torn, NewerFormat };

// Writes one record as the save reads the old bytes: into the record's file, or, where the
// state folder cannot take it, into memory up to a limit, so that a failed save can still
// put the bytes back. Only one block of old bytes is held at a time.
class RollbackWriter
{
public:
    // Room beside a block for the head (a path of up to 64 KiB) and entry heads.
    static constexpr std::size_t kSlack = std::size_t{1} << 17;
    // The most old bytes one Room may ask for: with the slack, a buffer of whole huge pages.
    static constexpr std::size_t kBlock = (std::size_t{8} << 20) - kSlack;

    RollbackWriter() = default;
    // A record begun and not finished is cleared (a torn one would only be cleared later).
    ~RollbackWriter();
    RollbackWriter(const RollbackWriter&) = delete;
    RollbackWriter& operator=(const RollbackWriter&) = delete;

    // Starts the record in its file (created 0600 where missing, else written over the old
    // one) with the head's fields; head.spans are written too. False with errno.
    bool Begin(const std::string& rollbackPath, const RollbackRecord& head);
    // The same into memory, failing once the record would pass `limit` bytes.
    bool BeginInMemory(const RollbackRecord& head, std::uint64_t limit);
    // Room for count (at most kBlock) old bytes: the caller reads them in, then Commit.
    [[nodiscard]] std::uint8_t* Room(std::size_t count);
    // The count bytes put into the Room are the old bytes at position (kept as a count when
    // they are all zero).
    bool Commit(FilePos position, std::size_t count);
    bool Bytes(FilePos position, const std::uint8_t* bytes, std::size_t count);
    bool Zeros(FilePos position, FilePos count);
    // Ends the record and waits for the disk to hold it. False with errno, the record's file
    // removed.
    bool Finish();
    [[nodiscard]] bool InMemory() const { return m_inMemory; }
    // Where the old bytes of each span lie in the record, ascending by position, so that a
    // finished record can be read back straight into place (RollbackSource::Read).
    struct Placed {
        static constexpr std::uint64_t kZeros = ~std::uint64_t{0};
        FilePos position = 0;
        std::uint64_t count = 0;
        // The offset of the bytes in the record; kZeros for a span of zeros.
        std::uint64_t offset = kZeros;
    };
    [[nodiscard]] const std::vector<Placed>& Placement() const { return m_placed; }
    // The record kept in memory (BeginInMemory), once finished.
    [[nodiscard]] const std::vector<std::uint8_t>& Memory() const { return m_memory; }

private:
    bool Start(const RollbackRecord& head);
    bool Flush(bool addToCheck = true);
    bool Fail();
    void Put(const void* data, std::size_t size);
    template <typename T> void PutField(T value);

    std::string m_path;
    int m_fd = -1;
    bool m_created = false;
    bool m_inMemory = false;
    bool m_open = false;
    std::uint64_t m_limit = 0;
    std::vector<std::uint8_t> m_memory;
    LargeBytes m_buffer;
    std::size_t m_used = 0;
    std::uint64_t m_written = 0;
    ByteCheck m_check;
    std::vector<Placed> m_placed;
};

// A written record, read back block by block: from its file or from a writer's memory.
class RollbackSource
{
public:
    // The record in the file at path; Missing when there is none.
    explicit RollbackSource(const std::string& rollbackPath);
    explicit RollbackSource(const std::vector<std::uint8_t>& memory);
    ~RollbackSource();
    RollbackSource(const RollbackSource&) = delete;
    RollbackSource& operator=(const RollbackSource&) = delete;

    // Reads the whole record to check it: Complete with its fields (spans left empty) in
    // `head`, or why not. Never holds more than a block of it.
    [[nodiscard]] RollbackStatus Check(RollbackRecord& head) const;
    // Each span of a record Check found complete, in order, in pieces of at most a block:
    // the old bytes, or nullptr for zeros. Stops when visit returns false; false then, or
    // when the record cannot be read.
    using SpanVisit = std::function<bool(FilePos position, const std::uint8_t* bytes, std::uint64_t count)>;
    bool ForEachSpan(const SpanVisit& visit) const;
    // count bytes of the record from offset (as a writer's Placement gives them).
    bool Read(std::uint8_t* out, std::size_t count, std::uint64_t offset) const;
    [[nodiscard]] std::uint64_t Size() const { return m_size; }

private:
    friend class RecordCursor;
    RollbackStatus Walk(RollbackRecord& head, const SpanVisit* visit) const;

    int m_fd = -1;
    int m_openError = 0;
    std::uint64_t m_size = 0;
    const std::vector<std::uint8_t>* m_memory = nullptr;
};

// The old bytes of a finished record, read back by their positions in the file through the
// writer's Placement: for the undo steps' copies once the file holds the new bytes. Large
// pieces are read straight into place; small ones (typed bytes) come from a window of the
// record read once, not with one read each.
class RollbackReader
{
public:
    RollbackReader(const RollbackSource& record, const std::vector<RollbackWriter::Placed>& placement)
        : m_record(record), m_placement(placement)
    {
    }
    // Fills every range with the old bytes at its positions: 0, or EIO when the record cannot
    // be read or lacks a byte asked for (it covers every run, so that means damage).
    int operator()(const std::vector<PendingBytes::OldBytesFill>& fills);

private:
    bool Read(std::uint8_t* out, std::size_t count, std::uint64_t offset);

    const RollbackSource& m_record;
    const std::vector<RollbackWriter::Placed>& m_placement;
    LargeBytes m_window;
    std::uint64_t m_windowOffset = 0;
    std::size_t m_windowLength = 0;
};

} // namespace vtx
