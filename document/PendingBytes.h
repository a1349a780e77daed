#pragma once
// The changes a document holds before they are saved: runs of new bytes laid over the file,
// and the undo and redo steps as lists of runs. Nothing here touches a file: the bytes the
// file holds come through a reader the owner hands in, so that the whole store can be
// tested against a plain byte vector.
//
// Memory follows the runs, not the bytes: a run of up to eight bytes lives inside its
// 24-byte record, a fill is kept as its pattern whatever its length, and a step that
// covered bytes with no pending change remembers only that range (the file still holds
// those bytes), not a copy of them.

// this program
#include "platform/FilePos.h"

// std
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vtx {

class PendingRun
{
public:
    enum class Kind : std::uint8_t {
        // The bytes themselves.
        Literal,
        // A pattern of 1 to kMaxPattern bytes repeated from the run's start.
        Pattern,
        // No pending change: the file's own bytes show. Only in undo and redo steps.
        Absent,
    };
    static constexpr std::size_t kMaxPattern = 16;
    // Lengths are kept in 56 bits.
    static constexpr FilePos kMaxLength = (FilePos{1} << 56) - 1;

    PendingRun() = default;
    // With bytes null the run's bytes are left for the caller to fill (WritableBytes).
    static PendingRun Literal(FilePos start, const std::uint8_t* bytes, FilePos length);
    // `pattern` gives the bytes from `start` on: pattern[0] shows at start.
    static PendingRun Pattern(FilePos start, FilePos length, const std::uint8_t* pattern, std::size_t patternSize);
    static PendingRun Absent(FilePos start, FilePos length);

    ~PendingRun();
    PendingRun(const PendingRun& other);
    PendingRun& operator=(const PendingRun& other);
    PendingRun(PendingRun&& other) noexcept;
    PendingRun& operator=(PendingRun&& other) noexcept;

    [[nodiscard]] FilePos Start() const { return m_start; }
    [[nodiscard]] FilePos Length() const { return m_meta & kMaxLength; }
    [[nodiscard]] FilePos End() const { return m_start + Length(); }
    [[nodiscard]] Kind GetKind() const { return static_cast<Kind>((m_meta >> 56) & 3u); }
    [[nodiscard]] bool IsAbsent() const { return GetKind() == Kind::Absent; }
    // The pattern's length; 0 unless a Pattern.
    [[nodiscard]] std::size_t PatternSize() const;
    // The literal bytes or the pattern (nullptr for Absent).
    [[nodiscard]] const std::uint8_t* Data() const;
    // A literal's own bytes, to fill them in place; nullptr for other kinds.
    [[nodiscard]] std::uint8_t* WritableBytes();
    // Copies the run's bytes [from, from + count) (positions in the file, inside the run).
    void CopyOut(std::uint8_t* out, FilePos from, std::size_t count) const;
    // The part [from, to) of this run, as its own run of the same kind.
    [[nodiscard]] PendingRun Slice(FilePos from, FilePos to) const;

    // Whether the store compared this run's bytes with the file's, so that they are in its
    // count of differing bytes (a huge fill is not read to be compared).
    [[nodiscard]] bool Counted() const { return (m_meta >> 62) & 1u; }
    void SetCounted(bool counted) { SetBit(62, counted); }
    // In a step: whether this record belongs to the same step as the one before it.
    [[nodiscard]] bool JoinsPrevious() const { return (m_meta >> 63) & 1u; }
    void SetJoinsPrevious(bool joins) { SetBit(63, joins); }

private:
    [[nodiscard]] std::size_t StoredSize() const;
    [[nodiscard]] bool IsInline() const { return StoredSize() <= sizeof(m_inline); }
    void SetBit(int bit, bool on);
    void Release();
    void CopyFrom(const PendingRun& other);

    FilePos m_start = 0;
    // Bits 0-55 the length, 56-57 the kind, 58-61 the pattern's length - 1, 62 counted,
    // 63 joins the previous record.
    std::uint64_t m_meta = static_cast<std::uint64_t>(Kind::Absent) << 56;
    union {
        std::uint8_t m_inline[8];
        std::uint8_t* m_heap;
    };
};

// Where the Absent records of one undo or redo stack lie, so that a save looks only at the
// records that can need a copy of the file's bytes, not at the whole history. The records
// pushed since the index last looked are not in it yet: pushing costs nothing, and a stack
// cut shorter (an Undo, a Redo, a new change ending what could be redone) cuts the index.
struct AbsentRecordIndex {
    // Indices, ascending, of the Absent records among the stack's first `synced` records.
    std::vector<std::size_t> at;
    std::size_t synced = 0;

    AbsentRecordIndex() = default;
    // A store moved from starts again from nothing: its stacks are empty.
    AbsentRecordIndex(AbsentRecordIndex&& other) noexcept;
    AbsentRecordIndex& operator=(AbsentRecordIndex&& other) noexcept;
    AbsentRecordIndex(const AbsentRecordIndex&) = delete;
    AbsentRecordIndex& operator=(const AbsentRecordIndex&) = delete;

    // The stack keeps only its first `size` records; whatever comes after them is new.
    void Cut(std::size_t size);
    // Takes in the records pushed since the last look.
    void Sync(const std::vector<PendingRun>& records);
    // The records `gone` (ascending, all below `synced`) are not Absent any more.
    void Forget(const std::vector<std::size_t>& gone);
    // The stack's first `count` records were dropped.
    void DropFront(std::size_t count);
};

class PendingBytes
{
public:
    // Reads up to count of the file's own bytes at position into buffer and returns how many
    // were read; `error` is set (errno) when the file could not be read at position + result.
    using SavedReader = std::function<std::uint32_t(std::uint8_t* buffer, std::uint32_t count, FilePos position,
                                                    int& error)>;

    // Fills larger than this are not compared with the file: until they are undone or
    // saved they count as differing.
    static constexpr FilePos kCountedFillLimit = FilePos{64} << 20;
    // Literal neighbours join into one run while the result stays this small; larger runs
    // stay side by side rather than be copied together.
    static constexpr FilePos kMergeLimit = FilePos{64} << 10;

    explicit PendingBytes(SavedReader reader = {});
    PendingBytes(PendingBytes&&) noexcept = default;
    PendingBytes& operator=(PendingBytes&&) noexcept = default;
    PendingBytes(const PendingBytes&) = delete;
    PendingBytes& operator=(const PendingBytes&) = delete;

    void SetReader(SavedReader reader) { m_reader = std::move(reader); }

    // The pending runs, ascending, never overlapping, never Absent.
    [[nodiscard]] const std::vector<PendingRun>& Runs() const { return m_runs; }
    [[nodiscard]] bool Empty() const { return m_runs.empty(); }
    // Lays the runs over `count` bytes of the file read into buffer from position: one
    // lookup, then one copy per run.
    void LayOver(std::uint8_t* buffer, std::size_t count, FilePos position) const;
    // The pending byte at position, if there is one.
    [[nodiscard]] bool PendingAt(FilePos position, std::uint8_t& value) const;

    // A new change: `run` shows from now on (Absent: the file's own bytes show again); it
    // starts a new step, or joins the newest one when `joinsStep`. Ends what could be redone. Returns 0, or the
    // errno of a failed read of the file's bytes underneath, in which case nothing changed.
    // `shownBefore`, when given, holds the run's length of bytes that showed at its place
    // just before (a scan read them): where no pending run lies underneath they are the
    // file's bytes, and the file is not read again to count what differs.
    int Set(PendingRun run, bool joinsStep, const std::uint8_t* shownBefore = nullptr);
    // Takes back the newest step (or makes the last undone one again): the range the step
    // covered, or an empty range when there is none.
    ByteRange Undo() { return MoveStep(m_undo, m_redo); }
    ByteRange Redo() { return MoveStep(m_redo, m_undo); }
    [[nodiscard]] bool CanUndo() const { return !m_undo.empty(); }
    [[nodiscard]] bool CanRedo() const { return !m_redo.empty(); }
    [[nodiscard]] const std::vector<PendingRun>& UndoRecords() const { return m_undo; }
    [[nodiscard]] const std::vector<PendingRun>& RedoRecords() const { return m_redo; }
    [[nodiscard]] std::size_t UndoSteps() const;
    // What shows now over the ranges the newest step of `stack` (UndoRecords or RedoRecords)
    // covers: the pending runs cut to them, Absent where the file's bytes show. Right after
    // an Undo, over the redo stack, it is what that Undo left.
    [[nodiscard]] std::vector<PendingRun> ShowingOverNewestStep(const std::vector<PendingRun>& stack) const;

    // Bytes that differ from the file, as last counted; fills too large to compare; and
    // whether some file bytes could not be read to be compared.
    [[nodiscard]] std::uint64_t DifferingBytes() const { return m_differing; }
    [[nodiscard]] std::uint64_t UncountedBytes() const { return m_uncounted; }
    [[nodiscard]] bool SavedUnknown() const { return m_savedUnknown; }
    void SetSavedUnknown() { m_savedUnknown = true; }
    // Whether some presented byte may differ from the file.
    [[nodiscard]] bool Differs() const { return m_differing > 0 || m_uncounted > 0 || m_savedUnknown; }
    // Counts the differing bytes again against the file as it is now (another program may
    // have written it). Returns 0 or the errno of a failed read.
    int Recount();

    // Saving. Before the runs are written, every undo and redo record that stands for the
    // file's bytes under a run must get a copy of them, for the file will hold other bytes.
    // The largest such copy one step needs, in bytes:
    [[nodiscard]] std::uint64_t LargestKeepForSave() const;
    // Makes those copies, read through `oldBytes` or, without one, from the file, before the
    // runs are written. A step that would need more than `limit` bytes is dropped with every
    // step behind it on its stack (it could not be taken back after the save). Returns 0 or
    // the errno of a failed read, in which case nothing changed. The records that need no
    // copy only move.
    int KeepOldBytesForSave(std::uint64_t limit, const SavedReader& oldBytes = {});
    // The bytes a save overwrote, asked for all at once: each fill is a range of the file as
    // it was before the save, and where its bytes go.
    struct OldBytesFill {
        FilePos from = 0;
        FilePos to = 0;
        std::uint8_t* bytes = nullptr;
    };
    // Fills every range (ascending by `from`; ranges may overlap); 0 or an errno.
    using OldBytesSource = std::function<int(const std::vector<OldBytesFill>& fills)>;
    // The same copies once the runs are in the file, from the save's own copy of what they
    // overwrote. A record that covers exactly one literal run takes that run's buffer for its
    // copy, so that a large paste's save needs no fresh memory. The runs are spent then,
    // whatever the result: Saved() must follow. On failure the history is as it was, and a
    // second call with limit 0 (which reads nothing) drops every step that needed a copy.
    int KeepOldBytesAfterWrite(std::uint64_t limit, const OldBytesSource& oldBytes);
    // Forgets every step to undo or redo.
    void ForgetHistory() noexcept;
    // The runs reached the file: nothing is pending any more.
    void Saved();
    // The runs from `length` on (a run across it is cut there), taken out of the store:
    // the file was cut short behind our back and they have no bytes to land on. What is
    // left is counted again.
    [[nodiscard]] std::vector<PendingRun> TakePast(FilePos length);
    // Puts runs that TakePast took back after every other run; they count as differing
    // (nothing in the file to compare them with) until they are undone.
    void RestorePast(std::vector<PendingRun> runs);

    // Whether two neighbouring runs are kept as one: the same kind and count rule, and
    // literals small enough together or a pattern that goes on.
    [[nodiscard]] static bool CanMerge(const PendingRun& left, const PendingRun& right);

private:
    // The one place the presented bytes change: `pieces` (ascending, adjacent, Absent
    // allowed) replace what shows over their range. What showed there before is appended
    // to `capture` when given, the first record with joinsFirst. With refuseOnReadError a
    // failed read of the file's bytes changes nothing and is returned. The pieces are moved
    // into the store; when Place throws they are left whole.
    int Place(std::vector<PendingRun>& pieces, std::vector<PendingRun>* capture, bool joinsFirst,
              bool refuseOnReadError, const std::uint8_t* shownBefore = nullptr);
    // Place's steps. How the counts change when `pieces` replace what runs [i, j) show;
    // what showed over [first, end) before, as records of a step; the runs that take the
    // place of [from, to) (widened to the neighbours they merge with); and the splice.
    struct CountChange {
        std::uint64_t plus = 0;
        std::uint64_t minus = 0;
        std::uint64_t uncountedPlus = 0;
        std::uint64_t uncountedMinus = 0;
        bool readable = true;
        int error = 0;
    };
    [[nodiscard]] CountChange CountPlacing(const std::vector<PendingRun>& pieces, std::size_t i, std::size_t j,
                                           const std::uint8_t* shownBefore) const;
    [[nodiscard]] std::vector<PendingRun> ShowingOver(FilePos first, FilePos end, std::size_t i, std::size_t j,
                                                      bool joinsFirst) const;
    [[nodiscard]] std::vector<PendingRun> Replacement(std::vector<PendingRun>& pieces, std::size_t& from,
                                                      std::size_t& to) const;
    void Splice(std::vector<PendingRun>& merged, std::size_t from, std::size_t to);
    // Undo and Redo: the newest step of `from` is applied, newest record first, and what it
    // covered goes to `to` as one step.
    ByteRange MoveStep(std::vector<PendingRun>& from, std::vector<PendingRun>& to);
    // How many of the bytes [from, to) of `run` differ from the file's; `readable` turns
    // false when the file could not be read there (error set).
    std::uint64_t CountDiffering(const PendingRun& run, FilePos from, FilePos to, bool& readable, int& error) const;
    // Index of the first run that ends after position.
    [[nodiscard]] std::size_t FirstEndingAfter(FilePos position) const;
    // The index after the last run that starts before end, from run i on.
    [[nodiscard]] std::size_t FirstStartingFrom(FilePos end, std::size_t i) const;
    static PendingRun Merge(const PendingRun& left, const PendingRun& right);
    // KeepOldBytesForSave and KeepOldBytesAfterWrite: with runsWritten the records may take
    // the runs' buffers.
    int KeepOldBytes(std::uint64_t limit, const OldBytesSource& oldBytes, bool runsWritten);

    [[nodiscard]] AbsentRecordIndex& AbsentOf(const std::vector<PendingRun>& stack)
    {
        return &stack == &m_undo ? m_undoAbsent : m_redoAbsent;
    }

    SavedReader m_reader;
    std::vector<PendingRun> m_runs;
    std::vector<PendingRun> m_undo;
    std::vector<PendingRun> m_redo;
    AbsentRecordIndex m_undoAbsent;
    AbsentRecordIndex m_redoAbsent;
    std::uint64_t m_differing = 0;
    std::uint64_t m_uncounted = 0;
    bool m_savedUnknown = false;
};

// For tests: whether the runs are in order, without overlap or empty runs, with no two
// neighbours that could have been one; the text of the first fault, or empty.
[[nodiscard]] std::string PendingRunsFault(const PendingBytes& pending);

} // namespace vtx
