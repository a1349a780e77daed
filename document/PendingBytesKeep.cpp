// The undo history across a save: the undo and redo records that stand for the file's
// bytes under a run (Absent records) get a copy of the bytes the save overwrites, read from
// the file before the write or from the save's rollback record after it. Only the Absent
// records are looked at, through an index kept per stack, so that a save costs what needs
// copying, not what the history holds.
#include "PendingBytes.h"

// std
#include <algorithm>
#include <cerrno>
#include <iterator>
#include <utility>

namespace vtx {

// ---- Where the Absent records lie -------------------------------------------------------

AbsentRecordIndex::AbsentRecordIndex(AbsentRecordIndex&& other) noexcept
    : at(std::move(other.at)), synced(std::exchange(other.synced, 0))
{
    other.at.clear();
}

AbsentRecordIndex& AbsentRecordIndex::operator=(AbsentRecordIndex&& other) noexcept
{
    if (this != &other) {
        at = std::move(other.at);
        other.at.clear();
        synced = std::exchange(other.synced, 0);
    }
    return *this;
}

void AbsentRecordIndex::Cut(std::size_t size)
{
    synced = std::min(synced, size);
    at.erase(std::lower_bound(at.begin(), at.end(), synced), at.end());
}

void AbsentRecordIndex::Sync(const std::vector<PendingRun>& records)
{
    const std::size_t from = synced;
    try {
        for (std::size_t r = from; r < records.size(); ++r) {
            if (records[r].IsAbsent())
                at.push_back(r);
        }
    } catch (...) {
        // Out of memory: what was taken in goes, to be looked at again next time.
        Cut(from);
        throw;
    }
    synced = records.size();
}

void AbsentRecordIndex::Forget(const std::vector<std::size_t>& gone)
{
    auto next = gone.begin();
    auto out = at.begin();
    for (const std::size_t r : at) {
        while (next != gone.end() && *next < r)
            ++next;
        if (next == gone.end() || *next != r)
            *out++ = r;
    }
    at.erase(out, at.end());
}

void AbsentRecordIndex::DropFront(std::size_t count)
{
    auto out = at.begin();
    for (auto kept = std::lower_bound(at.begin(), at.end(), count); kept != at.end(); ++kept)
        *out++ = *kept - count;
    at.erase(out, at.end());
    synced = synced > count ? synced - count : 0;
}

// ---- Saving: the old bytes the undo history needs ---------------------------------------

namespace {

// The old bytes are read in blocks of this size.
constexpr std::uint32_t kReadBlock = 1u << 16;

// Visits, ascending, each Absent record of `records` that has runs under it, with how many
// of its bytes they cover: those the index knows, then those pushed since it last looked.
// Literal and pattern records are never looked at: they hold their bytes already.
template <typename Visit>
void ForEachKeep(const std::vector<PendingRun>& records, const AbsentRecordIndex& absent,
                 const std::vector<PendingRun>& runs, Visit visit)
{
    if (runs.empty())
        return;
    const auto look = [&](std::size_t r) {
        const PendingRun& record = records[r];
        auto run = std::partition_point(runs.begin(), runs.end(),
                                        [&](const PendingRun& each) { return each.End() <= record.Start(); });
        FilePos under = 0;
        for (; run != runs.end() && run->Start() < record.End(); ++run)
            under += std::min(run->End(), record.End()) - std::max(run->Start(), record.Start());
        if (under > 0)
            visit(r, under);
    };
    for (const std::size_t r : absent.at)
        look(r);
    for (std::size_t r = absent.synced; r < records.size(); ++r) {
        if (records[r].IsAbsent())
            look(r);
    }
}

// The records of one stack that need a copy, and what each step they belong to needs.
struct KeepNeeds {
    // The Absent records with runs under them, ascending.
    std::vector<std::size_t> under;
    // Each step with such a record: its first record's index and the bytes its records
    // need, ascending.
    std::vector<std::pair<std::size_t, std::uint64_t>> steps;
};

KeepNeeds NeedsOf(const std::vector<PendingRun>& records, const AbsentRecordIndex& absent,
                  const std::vector<PendingRun>& runs)
{
    KeepNeeds needs;
    ForEachKeep(records, absent, runs, [&](std::size_t r, FilePos bytes) {
        // Back to the step's first record, or to the record found before if that comes
        // first: then both are of one step. A step is walked once however many of its
        // records need a copy.
        const std::size_t previous = needs.under.empty() ? 0 : needs.under.back();
        std::size_t first = r;
        while (first > previous && records[first].JoinsPrevious())
            --first;
        if (!needs.under.empty() && first == previous)
            needs.steps.back().second += bytes;
        else
            needs.steps.emplace_back(first, bytes);
        needs.under.push_back(r);
    });
    return needs;
}

// The first index of `records` that stays when every step that needs more than `limit`
// bytes goes, with every step that can only be reached past it.
std::size_t FirstKept(const std::vector<PendingRun>& records, const KeepNeeds& needs, std::uint64_t limit)
{
    for (auto step = needs.steps.rbegin(); step != needs.steps.rend(); ++step) {
        if (step->second <= limit)
            continue;
        std::size_t end = step->first + 1;
        while (end < records.size() && records[end].JoinsPrevious())
            ++end;
        return end;
    }
    return 0;
}

// Reads [from, to) through `reader` into bytes; 0 or the errno of a read that fell short.
int ReadAll(const PendingBytes::SavedReader& reader, FilePos from, FilePos to, std::uint8_t* bytes)
{
    for (FilePos p = from; p < to;) {
        const auto count = static_cast<std::uint32_t>(std::min<FilePos>(kReadBlock, to - p));
        int error = 0;
        const std::uint32_t got = reader ? reader(bytes + (p - from), count, p, error) : 0;
        if (got < count)
            return error != 0 ? error : EIO;
        p += count;
    }
    return 0;
}

// Where a copy of old bytes goes: a piece's own buffer, or the buffer of the run it takes.
struct KeptFill {
    static constexpr std::size_t kOwnBuffer = ~std::size_t{0};
    std::size_t piece = 0;
    std::size_t run = kOwnBuffer;
    FilePos from = 0;
    FilePos to = 0;
};

// One stack's change: the steps dropped, and each Absent record under a run with the pieces
// that replace it. Built aside (reads may fail, memory may run out), then moved in.
struct KeptStack {
    std::size_t dropBefore = 0;
    // The records replaced, ascending, each with the end of its pieces in `pieces` (they
    // start where the one before ends).
    std::vector<std::pair<std::size_t, std::size_t>> replaced;
    std::vector<PendingRun> pieces;
    // The pieces that copy old bytes.
    std::vector<KeptFill> fills;
    // The first record replaced by more than one piece: from there on the records move, and
    // are moved through `tail` (room made beforehand). Before it, records are replaced in place.
    std::size_t firstSplit = 0;
    std::vector<PendingRun> tail;
    // The records replaced in place, which the index must forget.
    std::vector<std::size_t> inPlace;
};

// What an Absent record becomes once the runs over it are saved, appended to plan.pieces:
// a literal for the old bytes under each run (filled later), Absent around them, the first
// piece with the record's step flag. With `takeable`, the runs are in the file already: a
// literal over exactly one run is left Absent here and takes that run's buffer when filled.
void KeptPieces(const PendingRun& record, const std::vector<PendingRun>& runs, std::vector<bool>* takeable,
                KeptStack& plan)
{
    std::vector<PendingRun>& pieces = plan.pieces;
    const std::size_t firstPiece = pieces.size();
    FilePos at = record.Start();
    const auto first =
        std::partition_point(runs.begin(), runs.end(), [&](const PendingRun& run) { return run.End() <= at; });
    for (auto run = first; run != runs.end() && run->Start() < record.End(); ++run) {
        const FilePos from = std::max(run->Start(), record.Start());
        const FilePos to = std::min(run->End(), record.End());
        if (at < from)
            pieces.push_back(PendingRun::Absent(at, from - at));
        const auto k = static_cast<std::size_t>(run - runs.begin());
        if (takeable && (*takeable)[k] && run->GetKind() == PendingRun::Kind::Literal && run->Start() == from &&
            run->End() == to) {
            (*takeable)[k] = false;
            plan.fills.push_back({pieces.size(), k, from, to});
            pieces.push_back(PendingRun::Absent(from, to - from));
        } else {
            plan.fills.push_back({pieces.size(), KeptFill::kOwnBuffer, from, to});
            pieces.push_back(PendingRun::Literal(from, nullptr, to - from));
        }
        at = to;
    }
    if (at < record.End())
        pieces.push_back(PendingRun::Absent(at, record.End() - at));
    for (std::size_t k = firstPiece; k < pieces.size(); ++k)
        pieces[k].SetJoinsPrevious(k == firstPiece ? record.JoinsPrevious() : true);
}

void PlanKeep(const std::vector<PendingRun>& records, const AbsentRecordIndex& absent,
              const std::vector<PendingRun>& runs, std::uint64_t limit, std::vector<bool>* takeable, KeptStack& plan)
{
    const KeepNeeds needs = NeedsOf(records, absent, runs);
    plan.dropBefore = FirstKept(records, needs, limit);
    plan.firstSplit = records.size();
    plan.replaced.reserve(needs.under.size());
    plan.pieces.reserve(needs.under.size());
    plan.inPlace.reserve(needs.under.size());
    for (const std::size_t r : needs.under) {
        if (r < plan.dropBefore)
            continue;
        const std::size_t firstPiece = plan.pieces.size();
        KeptPieces(records[r], runs, takeable, plan);
        if (plan.pieces.size() - firstPiece > 1)
            plan.firstSplit = std::min(plan.firstSplit, r);
        plan.replaced.emplace_back(r, plan.pieces.size());
    }
    for (const auto& entry : plan.replaced) {
        if (entry.first >= plan.firstSplit)
            break;
        plan.inPlace.push_back(entry.first);
    }
    if (plan.firstSplit < records.size())
        plan.tail.reserve(records.size() - plan.replaced.size() + plan.pieces.size() - plan.firstSplit);
}

// Fills the plans' copies through `source`, then lets the pieces that take a run's buffer
// take it. 0 or the source's errno.
int FillKept(KeptStack (&plans)[2], std::vector<PendingRun>& runs, const PendingBytes::OldBytesSource& source)
{
    std::vector<PendingBytes::OldBytesFill> fills;
    for (KeptStack& plan : plans) {
        for (const KeptFill& fill : plan.fills) {
            PendingRun& owner = fill.run == KeptFill::kOwnBuffer ? plan.pieces[fill.piece] : runs[fill.run];
            fills.push_back({fill.from, fill.to, owner.WritableBytes()});
        }
    }
    if (fills.empty())
        return 0;
    std::stable_sort(fills.begin(), fills.end(), [](const auto& a, const auto& b) { return a.from < b.from; });
    if (const int error = source(fills); error != 0)
        return error;
    for (KeptStack& plan : plans) {
        for (const KeptFill& fill : plan.fills) {
            PendingRun& piece = plan.pieces[fill.piece];
            if (fill.run != KeptFill::kOwnBuffer) {
                const bool joins = piece.JoinsPrevious();
                piece = std::move(runs[fill.run]);
                piece.SetJoinsPrevious(joins);
            }
            piece.SetCounted(true);
        }
    }
    return 0;
}

// Moves the plan in: records only move, the steps dropped go. The index follows: the
// records replaced in place are literals now, and those from the first split on are new.
void ApplyKeep(std::vector<PendingRun>& records, AbsentRecordIndex& absent, KeptStack& plan)
{
    if (plan.dropBefore == 0 && plan.replaced.empty())
        return;
    auto next = plan.replaced.begin();
    std::size_t piece = 0;
    for (; next != plan.replaced.end() && next->first < plan.firstSplit; ++next)
        records[next->first] = std::move(plan.pieces[piece++]);
    if (plan.firstSplit < records.size()) {
        for (std::size_t r = plan.firstSplit; r < records.size(); ++r) {
            if (next != plan.replaced.end() && next->first == r) {
                for (; piece < next->second; ++piece)
                    plan.tail.push_back(std::move(plan.pieces[piece]));
                ++next;
            } else {
                plan.tail.push_back(std::move(records[r]));
            }
        }
        records.erase(records.begin() + static_cast<std::ptrdiff_t>(plan.firstSplit), records.end());
        std::move(plan.tail.begin(), plan.tail.end(), std::back_inserter(records));
    }
    absent.Cut(plan.firstSplit);
    absent.Forget(plan.inPlace);
    if (plan.dropBefore > 0) {
        records.erase(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(plan.dropBefore));
        absent.DropFront(plan.dropBefore);
        // The oldest step kept starts the stack.
        if (!records.empty())
            records.front().SetJoinsPrevious(false);
    }
}

} // namespace

std::uint64_t PendingBytes::LargestKeepForSave() const
{
    std::uint64_t largest = 0;
    for (const auto* records : {&m_undo, &m_redo}) {
        const AbsentRecordIndex& absent = records == &m_undo ? m_undoAbsent : m_redoAbsent;
        for (const auto& step : NeedsOf(*records, absent, m_runs).steps)
            largest = std::max(largest, step.second);
    }
    return largest;
}

int PendingBytes::KeepOldBytesForSave(std::uint64_t limit, const SavedReader& oldBytes)
{
    const SavedReader& reader = oldBytes ? oldBytes : m_reader;
    return KeepOldBytes(limit, [&reader](const std::vector<OldBytesFill>& fills) {
        for (const OldBytesFill& fill : fills) {
            if (const int error = ReadAll(reader, fill.from, fill.to, fill.bytes); error != 0)
                return error;
        }
        return 0;
    }, false);
}

int PendingBytes::KeepOldBytesAfterWrite(std::uint64_t limit, const OldBytesSource& oldBytes)
{
    return KeepOldBytes(limit, oldBytes, true);
}

int PendingBytes::KeepOldBytes(std::uint64_t limit, const OldBytesSource& oldBytes, bool runsWritten)
{
    std::vector<PendingRun>* stacks[2] = {&m_undo, &m_redo};
    AbsentRecordIndex* indexes[2] = {&m_undoAbsent, &m_redoAbsent};
    std::vector<bool> takeable;
    if (runsWritten)
        takeable.assign(m_runs.size(), true);
    KeptStack plans[2];
    for (int s = 0; s < 2; ++s) {
        indexes[s]->Sync(*stacks[s]);
        PlanKeep(*stacks[s], *indexes[s], m_runs, limit, runsWritten ? &takeable : nullptr, plans[s]);
    }
    // Room first: below the fill nothing can fail.
    for (int s = 0; s < 2; ++s) {
        const std::size_t needed = stacks[s]->size() - plans[s].replaced.size() + plans[s].pieces.size();
        if (needed > stacks[s]->capacity())
            stacks[s]->reserve(std::max(needed, stacks[s]->capacity() * 2));
    }
    if (const int error = FillKept(plans, m_runs, oldBytes); error != 0)
        return error;
    for (int s = 0; s < 2; ++s)
        ApplyKeep(*stacks[s], *indexes[s], plans[s]);
    return 0;
}

} // namespace vtx
