#include "PendingBytes.h"

// this program
#include "platform/LargeBytes.h"

// std
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <utility>

namespace vtx {

namespace {

// The file's bytes are compared with the runs in blocks of this size.
constexpr std::uint32_t kCompareBlock = 1u << 16;

// Grows a vector geometrically before a splice, so that appending run after run stays
// linear, and so that the splice itself, moving only, cannot fail half-way.
// How many bytes of a literal run differ from `saved`, the file's bytes under it.
std::uint64_t CountAgainst(const PendingRun& run, const std::uint8_t* saved)
{
    const std::uint8_t* bytes = run.Data();
    std::uint64_t differing = 0;
    for (FilePos k = 0; k < run.Length(); ++k)
        differing += bytes[k] != saved[k];
    return differing;
}

void MakeRoom(std::vector<PendingRun>& runs, std::size_t needed)
{
    if (needed > runs.capacity())
        runs.reserve(std::max(needed, runs.capacity() * 2));
}

} // namespace

// ---- PendingRun -------------------------------------------------------------------------

PendingRun PendingRun::Literal(FilePos start, const std::uint8_t* bytes, FilePos length)
{
    if (length == 0 || length > kMaxLength)
        throw std::length_error("a pending run of this length");
    PendingRun run;
    run.m_start = start;
    run.m_meta = length | (static_cast<std::uint64_t>(Kind::Literal) << 56);
    if (!run.IsInline()) {
        run.m_heap = nullptr;
        run.m_heap = AllocateBytes(static_cast<std::size_t>(length));
    }
    if (bytes)
        std::memcpy(run.WritableBytes(), bytes, static_cast<std::size_t>(length));
    return run;
}

std::uint8_t* PendingRun::WritableBytes()
{
    return GetKind() == Kind::Literal ? (IsInline() ? m_inline : m_heap) : nullptr;
}

PendingRun PendingRun::Pattern(FilePos start, FilePos length, const std::uint8_t* pattern, std::size_t patternSize)
{
    if (length == 0 || length > kMaxLength || patternSize == 0 || patternSize > kMaxPattern)
        throw std::length_error("a pending pattern of this length");
    PendingRun run;
    run.m_start = start;
    run.m_meta = length | (static_cast<std::uint64_t>(Kind::Pattern) << 56) |
                 (static_cast<std::uint64_t>(patternSize - 1) << 58);
    if (run.IsInline()) {
        std::memcpy(run.m_inline, pattern, patternSize);
    } else {
        run.m_heap = nullptr;
        run.m_heap = AllocateBytes(patternSize);
        std::memcpy(run.m_heap, pattern, patternSize);
    }
    return run;
}

PendingRun PendingRun::Absent(FilePos start, FilePos length)
{
    if (length > kMaxLength)
        throw std::length_error("a pending run of this length");
    PendingRun run;
    run.m_start = start;
    run.m_meta = length | (static_cast<std::uint64_t>(Kind::Absent) << 56);
    return run;
}

PendingRun::~PendingRun()
{
    Release();
}

void PendingRun::Release()
{
    if (!IsInline())
        FreeBytes(m_heap, StoredSize());
    m_meta = static_cast<std::uint64_t>(Kind::Absent) << 56;
}

void PendingRun::CopyFrom(const PendingRun& other)
{
    if (other.IsInline()) {
        std::memcpy(m_inline, other.m_inline, sizeof m_inline);
    } else {
        const std::size_t size = other.StoredSize();
        m_heap = AllocateBytes(size);
        std::memcpy(m_heap, other.m_heap, size);
    }
    m_start = other.m_start;
    m_meta = other.m_meta;
}

PendingRun::PendingRun(const PendingRun& other)
{
    CopyFrom(other);
}

PendingRun& PendingRun::operator=(const PendingRun& other)
{
    if (this != &other) {
        PendingRun copy(other);
        *this = std::move(copy);
    }
    return *this;
}

PendingRun::PendingRun(PendingRun&& other) noexcept : m_start(other.m_start), m_meta(other.m_meta)
{
    std::memcpy(m_inline, other.m_inline, sizeof m_inline);
    other.m_meta = static_cast<std::uint64_t>(Kind::Absent) << 56;
}

PendingRun& PendingRun::operator=(PendingRun&& other) noexcept
{
    if (this != &other) {
        Release();
        m_start = other.m_start;
        m_meta = other.m_meta;
        std::memcpy(m_inline, other.m_inline, sizeof m_inline);
        other.m_meta = static_cast<std::uint64_t>(Kind::Absent) << 56;
    }
    return *this;
}

std::size_t PendingRun::PatternSize() const
{
    return GetKind() == Kind::Pattern ? static_cast<std::size_t>((m_meta >> 58) & 15u) + 1 : 0;
}

std::size_t PendingRun::StoredSize() const
{
    switch (GetKind()) {
    case Kind::Literal: return static_cast<std::size_t>(Length());
    case Kind::Pattern: return PatternSize();
    case Kind::Absent: break;
    }
    return 0;
}

const std::uint8_t* PendingRun::Data() const
{
    if (IsAbsent())
        return nullptr;
    return IsInline() ? m_inline : m_heap;
}

void PendingRun::SetBit(int bit, bool on)
{
    const std::uint64_t mask = std::uint64_t{1} << bit;
    m_meta = on ? (m_meta | mask) : (m_meta & ~mask);
}

void PendingRun::CopyOut(std::uint8_t* out, FilePos from, std::size_t count) const
{
    if (count == 0)
        return;
    const FilePos offset = from - m_start;
    if (GetKind() == Kind::Literal) {
        std::memcpy(out, Data() + offset, count);
    } else if (GetKind() == Kind::Pattern) {
        const std::size_t size = PatternSize();
        const std::uint8_t* pattern = Data();
        std::size_t phase = static_cast<std::size_t>(offset % size);
        // One pass over the pattern, then the block doubles by copying itself.
        const std::size_t first = std::min(count, size);
        for (std::size_t i = 0; i < first; ++i) {
            out[i] = pattern[phase];
            phase = phase + 1 == size ? 0 : phase + 1;
        }
        for (std::size_t done = first; done < count;) {
            const std::size_t chunk = std::min(done - done % size, count - done);
            std::memcpy(out + done, out, chunk);
            done += chunk;
        }
    }
}

PendingRun PendingRun::Slice(FilePos from, FilePos to) const
{
    PendingRun part;
    switch (GetKind()) {
    case Kind::Literal: part = Literal(from, Data() + (from - m_start), to - from); break;
    case Kind::Pattern: {
        std::uint8_t rotated[kMaxPattern];
        CopyOut(rotated, from, PatternSize());
        part = Pattern(from, to - from, rotated, PatternSize());
        break;
    }
    case Kind::Absent: part = Absent(from, to - from); break;
    }
    part.SetCounted(Counted());
    return part;
}

// ---- PendingBytes -----------------------------------------------------------------------

PendingBytes::PendingBytes(SavedReader reader) : m_reader(std::move(reader)) {}

std::size_t PendingBytes::FirstEndingAfter(FilePos position) const
{
    const auto it = std::partition_point(m_runs.begin(), m_runs.end(),
                                         [position](const PendingRun& run) { return run.End() <= position; });
    return static_cast<std::size_t>(it - m_runs.begin());
}

std::size_t PendingBytes::FirstStartingFrom(FilePos end, std::size_t i) const
{
    const auto it = std::partition_point(m_runs.begin() + static_cast<std::ptrdiff_t>(i), m_runs.end(),
                                         [end](const PendingRun& run) { return run.Start() < end; });
    return static_cast<std::size_t>(it - m_runs.begin());
}

void PendingBytes::LayOver(std::uint8_t* buffer, std::size_t count, FilePos position) const
{
    const FilePos end = position + count;
    for (std::size_t i = FirstEndingAfter(position); i < m_runs.size() && m_runs[i].Start() < end; ++i) {
        const PendingRun& run = m_runs[i];
        const FilePos from = std::max(run.Start(), position);
        const FilePos to = std::min(run.End(), end);
        run.CopyOut(buffer + (from - position), from, static_cast<std::size_t>(to - from));
    }
}

bool PendingBytes::PendingAt(FilePos position, std::uint8_t& value) const
{
    const std::size_t i = FirstEndingAfter(position);
    if (i == m_runs.size() || m_runs[i].Start() > position)
        return false;
    m_runs[i].CopyOut(&value, position, 1);
    return true;
}

std::size_t PendingBytes::UndoSteps() const
{
    return static_cast<std::size_t>(
        std::count_if(m_undo.begin(), m_undo.end(), [](const PendingRun& r) { return !r.JoinsPrevious(); }));
}

bool PendingBytes::CanMerge(const PendingRun& left, const PendingRun& right)
{
    if (left.End() != right.Start() || left.GetKind() != right.GetKind() || left.IsAbsent() ||
        left.Counted() != right.Counted())
        return false;
    if (left.GetKind() == PendingRun::Kind::Literal)
        return left.Length() + right.Length() <= kMergeLimit;
    const std::size_t size = left.PatternSize();
    if (right.PatternSize() != size || left.Length() + right.Length() > PendingRun::kMaxLength)
        return false;
    // The right run must go on with the left one's pattern where the left one stops.
    std::uint8_t continued[PendingRun::kMaxPattern];
    left.CopyOut(continued, left.End(), size);
    return std::memcmp(continued, right.Data(), size) == 0;
}

PendingRun PendingBytes::Merge(const PendingRun& left, const PendingRun& right)
{
    PendingRun merged;
    if (left.GetKind() == PendingRun::Kind::Literal) {
        const auto length = static_cast<std::size_t>(left.Length() + right.Length());
        std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[length]);
        left.CopyOut(bytes.get(), left.Start(), static_cast<std::size_t>(left.Length()));
        right.CopyOut(bytes.get() + left.Length(), right.Start(), static_cast<std::size_t>(right.Length()));
        merged = PendingRun::Literal(left.Start(), bytes.get(), length);
    } else {
        merged = PendingRun::Pattern(left.Start(), left.Length() + right.Length(), left.Data(), left.PatternSize());
    }
    merged.SetCounted(left.Counted());
    return merged;
}

std::uint64_t PendingBytes::CountDiffering(const PendingRun& run, FilePos from, FilePos to, bool& readable,
                                           int& error) const
{
    std::uint64_t differing = 0;
    const auto block = static_cast<std::size_t>(std::min<FilePos>(kCompareBlock, to - from));
    // A typed byte compares on the stack; larger steps take a block from the heap.
    std::uint8_t small[2][64];
    std::unique_ptr<std::uint8_t[]> large;
    std::uint8_t* saved = small[0];
    std::uint8_t* shown = small[1];
    if (block > sizeof small[0]) {
        large.reset(new std::uint8_t[2 * block]);
        saved = large.get();
        shown = large.get() + block;
    }
    for (FilePos p = from; p < to;) {
        const auto count = static_cast<std::uint32_t>(std::min<FilePos>(kCompareBlock, to - p));
        int readError = 0;
        const std::uint32_t got = m_reader ? m_reader(saved, count, p, readError) : 0;
        run.CopyOut(shown, p, got);
        for (std::uint32_t k = 0; k < got; ++k)
            differing += shown[k] != saved[k];
        if (got < count) {
            // The file ends early (cut short behind our back) or cannot be read here.
            readable = false;
            if (error == 0)
                error = readError != 0 ? readError : EIO;
            return differing;
        }
        p += count;
    }
    return differing;
}

PendingBytes::CountChange PendingBytes::CountPlacing(const std::vector<PendingRun>& pieces, std::size_t i,
                                                    std::size_t j, const std::uint8_t* shownBefore) const
{
    const FilePos first = pieces.front().Start();
    const FilePos end = pieces.back().End();
    CountChange change;
    for (std::size_t k = i; k < j; ++k) {
        const PendingRun& run = m_runs[k];
        const FilePos from = std::max(run.Start(), first);
        const FilePos to = std::min(run.End(), end);
        if (run.Counted())
            change.minus += CountDiffering(run, from, to, change.readable, change.error);
        else
            change.uncountedMinus += to - from;
    }
    // Bytes that showed before with no run underneath were the file's own.
    const bool shownAreSaved = shownBefore && i == j && pieces.size() == 1 &&
                               pieces.front().GetKind() == PendingRun::Kind::Literal;
    for (const PendingRun& piece : pieces) {
        if (piece.IsAbsent())
            continue;
        if (shownAreSaved && piece.Counted())
            change.plus += CountAgainst(piece, shownBefore);
        else if (piece.Counted())
            change.plus += CountDiffering(piece, piece.Start(), piece.End(), change.readable, change.error);
        else
            change.uncountedPlus += piece.Length();
    }
    return change;
}

std::vector<PendingRun> PendingBytes::ShowingOver(FilePos first, FilePos end, std::size_t i, std::size_t j,
                                                  bool joinsFirst) const
{
    std::vector<PendingRun> before;
    FilePos at = first;
    for (std::size_t k = i; k < j; ++k) {
        const PendingRun& run = m_runs[k];
        const FilePos from = std::max(run.Start(), first);
        if (at < from)
            before.push_back(PendingRun::Absent(at, from - at));
        before.push_back(run.Slice(from, std::min(run.End(), end)));
        at = std::min(run.End(), end);
    }
    if (at < end)
        before.push_back(PendingRun::Absent(at, end - at));
    for (std::size_t k = 0; k < before.size(); ++k)
        before[k].SetJoinsPrevious(k == 0 ? joinsFirst : true);
    return before;
}

std::vector<PendingRun> PendingBytes::Replacement(std::vector<PendingRun>& pieces, std::size_t& from,
                                                  std::size_t& to) const
{
    // What is left of the runs cut at either end, the new pieces, and the neighbours they
    // join with. The pieces and cuts are moved in, not copied (a 16 MiB paste is not copied
    // again), and only once nothing can fail any more: a failure before leaves them whole.
    const FilePos first = pieces.front().Start();
    const FilePos end = pieces.back().End();
    std::vector<PendingRun> cuts;
    cuts.reserve(2);
    // Each with whether it may be moved from (the store's neighbours may not).
    std::vector<std::pair<PendingRun*, bool>> order;
    order.reserve(pieces.size() + 4);
    if (from < to && m_runs[from].Start() < first) {
        cuts.push_back(m_runs[from].Slice(m_runs[from].Start(), first));
        order.emplace_back(&cuts.back(), true);
    }
    for (PendingRun& piece : pieces) {
        if (!piece.IsAbsent()) {
            piece.SetJoinsPrevious(false);
            order.emplace_back(&piece, true);
        }
    }
    if (from < to && m_runs[to - 1].End() > end) {
        cuts.push_back(m_runs[to - 1].Slice(end, m_runs[to - 1].End()));
        order.emplace_back(&cuts.back(), true);
    }
    auto* runs = const_cast<std::vector<PendingRun>*>(&m_runs); // read only: never moved from
    if (!order.empty() && from > 0 && CanMerge(m_runs[from - 1], *order.front().first)) {
        --from;
        order.insert(order.begin(), {&(*runs)[from], false});
    }
    if (!order.empty() && to < m_runs.size() && CanMerge(*order.back().first, m_runs[to])) {
        order.emplace_back(&(*runs)[to], false);
        ++to;
    }
    // Each run of the result is a merge or copy built now, or one of `order` to move in.
    std::vector<PendingRun> merged;
    std::vector<PendingRun*> moveIn;
    merged.reserve(order.size());
    moveIn.reserve(order.size());
    for (const auto& [run, movable] : order) {
        if (!merged.empty()) {
            const PendingRun& last = moveIn.back() ? *moveIn.back() : merged.back();
            if (CanMerge(last, *run)) {
                merged.back() = Merge(last, *run);
                moveIn.back() = nullptr;
                continue;
            }
        }
        merged.push_back(movable ? PendingRun() : *run);
        moveIn.push_back(movable ? run : nullptr);
    }
    for (std::size_t k = 0; k < merged.size(); ++k) {
        if (moveIn[k])
            merged[k] = std::move(*moveIn[k]);
    }
    return merged;
}

void PendingBytes::Splice(std::vector<PendingRun>& merged, std::size_t from, std::size_t to)
{
    const std::size_t common = std::min(to - from, merged.size());
    std::move(merged.begin(), merged.begin() + static_cast<std::ptrdiff_t>(common),
              m_runs.begin() + static_cast<std::ptrdiff_t>(from));
    if (merged.size() > common)
        m_runs.insert(m_runs.begin() + static_cast<std::ptrdiff_t>(from + common),
                      std::make_move_iterator(merged.begin() + static_cast<std::ptrdiff_t>(common)),
                      std::make_move_iterator(merged.end()));
    else
        m_runs.erase(m_runs.begin() + static_cast<std::ptrdiff_t>(from + common),
                     m_runs.begin() + static_cast<std::ptrdiff_t>(to));
}

int PendingBytes::Place(std::vector<PendingRun>& pieces, std::vector<PendingRun>* capture, bool joinsFirst,
                        bool refuseOnReadError, const std::uint8_t* shownBefore)
{
    if (pieces.empty())
        return 0;
    const FilePos first = pieces.front().Start();
    const FilePos end = pieces.back().End();
    const std::size_t i = FirstEndingAfter(first);
    const std::size_t j = FirstStartingFrom(end, i);

    // The count first: it reads the file, and a refused read must change nothing.
    const CountChange count = CountPlacing(pieces, i, j, shownBefore);
    if (!count.readable && refuseOnReadError)
        return count.error;
    // What showed before, for the other stack.
    std::vector<PendingRun> before;
    if (capture)
        before = ShowingOver(first, end, i, j, joinsFirst);
    // Room first (the result is at most the pieces and two cut runs more than what they
    // replace), then the pieces move in: nothing after that can fail, and runs only move.
    if (capture)
        MakeRoom(*capture, capture->size() + before.size());
    MakeRoom(m_runs, m_runs.size() - (j - i) + pieces.size() + 2);
    std::size_t from = i;
    std::size_t to = j;
    std::vector<PendingRun> merged = Replacement(pieces, from, to);
    if (capture)
        std::move(before.begin(), before.end(), std::back_inserter(*capture));
    Splice(merged, from, to);

    m_differing = m_differing + count.plus >= count.minus ? m_differing + count.plus - count.minus : 0;
    m_uncounted = m_uncounted + count.uncountedPlus >= count.uncountedMinus
                      ? m_uncounted + count.uncountedPlus - count.uncountedMinus
                      : 0;
    if (!count.readable)
        m_savedUnknown = true;
    return 0;
}

int PendingBytes::Set(PendingRun run, bool joinsStep, const std::uint8_t* shownBefore)
{
    if (run.Length() == 0)
        return 0;
    run.SetCounted(run.GetKind() != PendingRun::Kind::Pattern || run.Length() <= kCountedFillLimit);
    std::vector<PendingRun> pieces;
    pieces.push_back(std::move(run));
    const int error = Place(pieces, &m_undo, joinsStep && !m_undo.empty(), true, shownBefore);
    if (error == 0) {
        m_redo.clear();
        m_redoAbsent.Cut(0);
    }
    return error;
}

namespace {

// The index of the first record of the newest step of a stack that is not empty.
std::size_t NewestStepStart(const std::vector<PendingRun>& stack)
{
    std::size_t begin = stack.size() - 1;
    while (begin > 0 && stack[begin].JoinsPrevious())
        --begin;
    return begin;
}

} // namespace

std::vector<PendingRun> PendingBytes::ShowingOverNewestStep(const std::vector<PendingRun>& stack) const
{
    if (stack.empty())
        return {};
    const std::size_t begin = NewestStepStart(stack);
    // The step's records may overlap (a byte typed twice in one group): their ranges joined.
    std::vector<ByteRange> ranges;
    for (std::size_t r = begin; r < stack.size(); ++r)
        ranges.push_back({stack[r].Start(), stack[r].Length()});
    std::sort(ranges.begin(), ranges.end(), [](const ByteRange& a, const ByteRange& b) { return a.first < b.first; });
    std::vector<PendingRun> showing;
    for (std::size_t r = 0; r < ranges.size();) {
        const FilePos first = ranges[r].first;
        FilePos end = first + ranges[r].length;
        for (++r; r < ranges.size() && ranges[r].first <= end; ++r)
            end = std::max(end, ranges[r].first + ranges[r].length);
        const std::size_t i = FirstEndingAfter(first);
        std::vector<PendingRun> part = ShowingOver(first, end, i, FirstStartingFrom(end, i), false);
        std::move(part.begin(), part.end(), std::back_inserter(showing));
    }
    return showing;
}

ByteRange PendingBytes::MoveStep(std::vector<PendingRun>& from, std::vector<PendingRun>& to)
{
    if (from.empty())
        return {};
    const std::size_t begin = NewestStepStart(from);
    AbsentOf(from).Cut(begin);
    FilePos lowest = from[begin].Start();
    FilePos highest = from[begin].End();
    // Newest record first; the other stack gets them in the opposite order, so that the step
    // comes back out of it oldest first, as it was made.
    bool first = true;
    std::vector<PendingRun> pieces(1);
    while (from.size() > begin) {
        pieces[0] = std::move(from.back());
        lowest = std::min(lowest, pieces[0].Start());
        highest = std::max(highest, pieces[0].End());
        try {
            Place(pieces, &to, !first, false);
        } catch (...) {
            // Out of memory: the records moved so far are a step of their own on the other
            // stack; the rest stays where it was.
            from.back() = std::move(pieces[0]);
            if (from.size() - 1 > begin)
                from.back().SetJoinsPrevious(true);
            throw;
        }
        from.pop_back();
        first = false;
    }
    return {lowest, highest - lowest};
}

int PendingBytes::Recount()
{
    std::uint64_t differing = 0;
    bool readable = true;
    int error = 0;
    for (const PendingRun& run : m_runs) {
        if (run.Counted())
            differing += CountDiffering(run, run.Start(), run.End(), readable, error);
    }
    m_differing = differing;
    m_savedUnknown = !readable;
    return error;
}

void PendingBytes::ForgetHistory() noexcept
{
    m_undo.clear();
    m_redo.clear();
    m_undoAbsent.Cut(0);
    m_redoAbsent.Cut(0);
}

void PendingBytes::Saved()
{
    m_runs.clear();
    m_differing = 0;
    m_uncounted = 0;
    m_savedUnknown = false;
}

std::vector<PendingRun> PendingBytes::TakePast(FilePos length)
{
    const std::size_t i = FirstEndingAfter(length);
    std::vector<PendingRun> taken;
    if (i == m_runs.size())
        return taken;
    for (std::size_t k = i; k < m_runs.size(); ++k) {
        const FilePos from = std::max(m_runs[k].Start(), length);
        taken.push_back(m_runs[k].Slice(from, m_runs[k].End()));
        if (!m_runs[k].Counted())
            m_uncounted -= std::min(m_uncounted, m_runs[k].End() - from);
    }
    if (m_runs[i].Start() < length) {
        m_runs[i] = m_runs[i].Slice(m_runs[i].Start(), length);
        m_runs.erase(m_runs.begin() + static_cast<std::ptrdiff_t>(i + 1), m_runs.end());
    } else {
        m_runs.erase(m_runs.begin() + static_cast<std::ptrdiff_t>(i), m_runs.end());
    }
    Recount();
    return taken;
}

void PendingBytes::RestorePast(std::vector<PendingRun> runs)
{
    if (runs.empty())
        return;
    if (!m_runs.empty() && m_runs.back().End() > runs.front().Start())
        throw std::logic_error("runs put back over pending runs");
    MakeRoom(m_runs, m_runs.size() + runs.size());
    for (PendingRun& run : runs) {
        // Past the end there is nothing to compare them with: they differ until undone.
        run.SetCounted(false);
        run.SetJoinsPrevious(false);
        m_uncounted += run.Length();
        m_runs.push_back(std::move(run));
    }
}

std::string PendingRunsFault(const PendingBytes& pending)
{
    const std::vector<PendingRun>& runs = pending.Runs();
    for (std::size_t k = 0; k < runs.size(); ++k) {
        const std::string at = "run " + std::to_string(k) + " at " + std::to_string(runs[k].Start());
        if (runs[k].Length() == 0)
            return at + " is empty";
        if (runs[k].IsAbsent())
            return at + " is absent";
        if (runs[k].JoinsPrevious())
            return at + " carries a step flag";
        if (k > 0 && runs[k - 1].End() > runs[k].Start())
            return at + " overlaps the one before";
        if (k > 0 && PendingBytes::CanMerge(runs[k - 1], runs[k]))
            return at + " could have joined the one before";
    }
    return {};
}

} // namespace vtx
