// The store of pending runs against a model kept byte by byte: each byte of a window either
// has a pending value or shows the file's. Seeded random sets, fills, undos, redos, saves,
// moves of the store and writes by "another program" go to both; after every step the
// presented bytes, the exact count of differing bytes, which bytes are pending, the shape
// of the runs and the number of steps must agree. Saves keep the history, and some drop
// the steps too large to keep. The run is made on both sides of 4 GiB.
#include "document/PendingBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace vtx;

namespace {

// The file's bytes read from `disk`, which the test changes as a save would.
PendingBytes::SavedReader ReaderOf(const std::vector<std::uint8_t>& disk)
{
    return [&disk](std::uint8_t* buffer, std::uint32_t count, FilePos position, int& error) {
        error = 0;
        const auto n = static_cast<std::uint32_t>(std::min<FilePos>(count, disk.size() - position));
        std::memcpy(buffer, disk.data() + position, n);
        return n;
    };
}

using Overlay = std::vector<std::optional<std::uint8_t>>;
// One step: each byte it changed with what was there before; applied from its end.
using Step = std::vector<std::pair<std::size_t, std::optional<std::uint8_t>>>;

struct Model {
    std::vector<std::uint8_t> disk;
    Overlay overlay;
    std::vector<Step> undo;
    std::vector<Step> redo;

    [[nodiscard]] std::uint8_t Shown(std::size_t k) const { return overlay[k] ? *overlay[k] : disk[k]; }
    [[nodiscard]] std::uint64_t Differing() const
    {
        std::uint64_t n = 0;
        for (std::size_t k = 0; k < disk.size(); ++k)
            n += Shown(k) != disk[k];
        return n;
    }
    // New values over [at, at + values.size()), or with `toFile` the file's bytes again.
    void Change(std::size_t at, const std::vector<std::uint8_t>& values, bool joins, bool toFile = false)
    {
        if (!joins || undo.empty())
            undo.emplace_back();
        for (std::size_t k = 0; k < values.size(); ++k) {
            undo.back().emplace_back(at + k, overlay[at + k]);
            overlay[at + k] = toFile ? std::nullopt : std::optional<std::uint8_t>(values[k]);
        }
        redo.clear();
    }
    void Move(std::vector<Step>& from, std::vector<Step>& to)
    {
        Step back;
        for (auto it = from.back().rbegin(); it != from.back().rend(); ++it) {
            back.emplace_back(it->first, overlay[it->first]);
            overlay[it->first] = it->second;
        }
        // Kept newest first: taken back from the end, the oldest change comes back first.
        from.pop_back();
        to.push_back(std::move(back));
    }
    // The bytes a save up to `end` must copy for a step: those it brings back to the file's
    // while the file is about to change under them.
    [[nodiscard]] std::uint64_t Need(const Step& step, std::size_t end) const
    {
        std::uint64_t need = 0;
        for (const auto& [k, before] : step)
            need += !before && overlay[k] && k < end;
        return need;
    }
    [[nodiscard]] std::uint64_t LargestNeed(std::size_t end) const
    {
        std::uint64_t largest = 0;
        for (const auto* stack : {&undo, &redo})
            for (const Step& step : *stack)
                largest = std::max(largest, Need(step, end));
        return largest;
    }
    // After a save a step must bring back what showed, which the file no longer holds. A
    // step that needs more than `limit` such bytes goes, with every step behind it. The
    // changes from `end` on are not saved (the file was cut short there) and stay pending.
    void Save(std::uint64_t limit, std::size_t end)
    {
        for (auto* stack : {&undo, &redo}) {
            std::size_t keptFrom = 0;
            for (std::size_t s = 0; s < stack->size(); ++s) {
                if (Need((*stack)[s], end) > limit)
                    keptFrom = s + 1;
            }
            stack->erase(stack->begin(), stack->begin() + static_cast<std::ptrdiff_t>(keptFrom));
            for (Step& step : *stack)
                for (auto& [k, before] : step)
                    if (!before && overlay[k] && k < end)
                        before = disk[k];
        }
        for (std::size_t k = 0; k < end; ++k) {
            disk[k] = Shown(k);
            overlay[k].reset();
        }
    }
};

// What the saves of a run met, to show that it reached the cases a save's bookkeeping can
// get wrong.
struct SaveCases {
    // An Absent record already there at the save before is under a run now.
    int oldRecordsCovered = 0;
    // An Absent record is only partly under the runs (it is split by the save).
    int partlyCovered = 0;
    int stepsDropped = 0;
    // Records that took the buffer of a run the save had written; copies after a write
    // that could not be made.
    int runBuffersTaken = 0;
    int keepsFailed = 0;
    // The most records the undo and redo stacks held at a save.
    std::size_t longestHistory = 0;
};

// Counts the cases in one stack before a save; its first `untouched` records are as they
// were after the save before. Overlaps are found by a plain scan, not by the store's means.
void CountSaveCases(const std::vector<PendingRun>& records, std::size_t untouched, const std::vector<PendingRun>& runs,
                    SaveCases& cases)
{
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (!records[r].IsAbsent())
            continue;
        FilePos under = 0;
        for (const PendingRun& run : runs) {
            if (run.End() > records[r].Start() && run.Start() < records[r].End())
                under += std::min(run.End(), records[r].End()) - std::max(run.Start(), records[r].Start());
        }
        cases.oldRecordsCovered += under > 0 && r < untouched;
        cases.partlyCovered += under > 0 && under < records[r].Length();
    }
}

std::size_t StepsIn(const std::vector<PendingRun>& records)
{
    return static_cast<std::size_t>(
        std::count_if(records.begin(), records.end(), [](const PendingRun& r) { return !r.JoinsPrevious(); }));
}

// Everything the store shows against the model: the first disagreement, or empty. Changes
// kept past a cut are not compared with the file until undone: with `cuts` the count of
// differing bytes need only cover the model's.
std::string Disagreement(const PendingBytes& pending, const Model& model, FilePos base, bool cuts)
{
    const std::size_t length = model.disk.size();
    std::vector<std::uint8_t> shown = model.disk;
    pending.LayOver(shown.data(), length, base);
    for (std::size_t k = 0; k < length; ++k) {
        if (shown[k] != model.Shown(k))
            return "byte " + std::to_string(k) + " shows differently";
    }
    std::vector<bool> pendingMask(length, false);
    for (const PendingRun& run : pending.Runs()) {
        if (run.Start() < base || run.End() > base + length)
            return "a run lies outside the window";
        std::fill(pendingMask.begin() + static_cast<std::ptrdiff_t>(run.Start() - base),
                  pendingMask.begin() + static_cast<std::ptrdiff_t>(run.End() - base), true);
    }
    for (std::size_t k = 0; k < length; ++k) {
        if (pendingMask[k] != model.overlay[k].has_value())
            return "byte " + std::to_string(k) + " pending in only one of them";
    }
    const bool countRight = cuts ? pending.DifferingBytes() + pending.UncountedBytes() >= model.Differing()
                                 : pending.DifferingBytes() == model.Differing();
    if (!countRight)
        return "counts " + std::to_string(pending.DifferingBytes()) + " differing bytes, not " +
               std::to_string(model.Differing());
    if (!cuts && (pending.Differs() != (model.Differing() > 0) || pending.UncountedBytes() != 0))
        return "dirty state disagrees";
    // Runs put back after a cut all count as not compared, so neighbours kept apart before
    // (one compared, one not) may now be able to join: harmless, and not looked for there.
    if (const std::string fault = PendingRunsFault(pending);
        !fault.empty() && !(cuts && fault.find("could have joined") != std::string::npos))
        return fault;
    if (pending.UndoSteps() != model.undo.size() || StepsIn(pending.RedoRecords()) != model.redo.size())
        return std::to_string(pending.UndoSteps()) + " undo and " + std::to_string(StepsIn(pending.RedoRecords())) +
               " redo steps, not " + std::to_string(model.undo.size()) + " and " + std::to_string(model.redo.size());
    return {};
}

struct RunOutcome {
    std::string fault;
    SaveCases cases;
};

// The store and the model side by side, over a window of the file at `base`. With
// `offByOne` one change reaches the store a byte later than the model: the checks must see
// it. With `cuts` half the saves find the file cut short by another program, which puts the
// bytes back after the save: the changes past the cut stay pending, and so do the records
// of them that the save did not copy.
class ModelRun
{
public:
    static constexpr std::size_t kLength = 5000;

    ModelRun(FilePos base, bool offByOne, bool cuts)
        : m_base(base), m_offByOne(offByOne), m_cuts(cuts), m_pending([this](std::uint8_t* buffer, std::uint32_t count,
                                                                           FilePos position, int& error) {
              error = 0;
              ++m_reads;
              if (position < m_base || position - m_base >= kLength)
                  return 0u;
              const auto n = static_cast<std::uint32_t>(std::min<FilePos>(count, kLength - (position - m_base)));
              std::memcpy(buffer, (m_file ? *m_file : m_model.disk).data() + (position - m_base), n);
              return n;
          })
    {
        m_model.disk.resize(kLength);
        for (auto& b : m_model.disk)
            b = Value(); // few values, so that changes often equal the file
        m_model.overlay.resize(kLength);
    }

    RunOutcome Run(int steps)
    {
        for (int step = 0; step < steps; ++step) {
            std::string fault = Act(static_cast<int>(m_random() % 100));
            m_untouched[0] = std::min(m_untouched[0], m_pending.UndoRecords().size());
            m_untouched[1] = std::min(m_untouched[1], m_pending.RedoRecords().size());
            if (fault.empty())
                fault = Disagreement(m_pending, m_model, m_base, m_cuts);
            if (!fault.empty())
                return {"step " + std::to_string(step) + " (" + m_action + "): " + fault, m_cases};
        }
        return {{}, m_cases};
    }

private:
    std::uint8_t Value() { return static_cast<std::uint8_t>(m_random() % 4); }
    std::size_t At(std::size_t below) { return static_cast<std::size_t>(m_random() % below); }

    std::string Act(int pick)
    {
        if (pick < 30)
            return Set();
        if (pick < 45)
            return Fill();
        if (pick < 80) {
            const bool undo = pick < 65;
            m_action = undo ? "undo" : "redo";
            if ((undo ? m_pending.CanUndo() : m_pending.CanRedo()) != !(undo ? m_model.undo : m_model.redo).empty())
                return "the store and the model disagree on whether there is a step";
            if (undo && !m_model.undo.empty()) {
                m_pending.Undo();
                m_model.Move(m_model.undo, m_model.redo);
            } else if (!undo && !m_model.redo.empty()) {
                m_pending.Redo();
                m_model.Move(m_model.redo, m_model.undo);
            }
            return {};
        }
        if (pick < 86)
            return Save();
        if (pick < 90) {
            // Another program writes a few bytes; the count is taken again.
            m_action = "outside write";
            for (int n = 0; n < 4; ++n)
                m_model.disk[At(kLength)] = Value();
            m_pending.Recount();
        } else if (pick < 94) {
            // A save to a new name that fails hands the store back by moving it.
            m_action = "move away and back";
            PendingBytes away = std::move(m_pending);
            m_pending = std::move(away);
        } else {
            m_grouped = !m_grouped;
            m_action = m_grouped ? "group opens" : "group closes";
        }
        return {};
    }

    std::string Set()
    {
        const std::size_t at = At(kLength);
        std::size_t length = m_random() % 8 == 0 ? 1 + At(1500) : 1 + At(24);
        length = std::min(length, kLength - at);
        std::vector<std::uint8_t> values(length);
        if (m_random() % 6 == 0) {
            // The file's bytes again (as the journal's recovery puts back what an undo left):
            // a record of the file's bytes can then stay behind a save, to lie under a run
            // typed later.
            m_action = "back to the file " + std::to_string(length) + " at " + std::to_string(at);
            if (m_pending.Set(PendingRun::Absent(m_base + at, length), m_grouped) != 0)
                return "refused";
            m_model.Change(at, values, m_grouped, true);
            return {};
        }
        for (auto& v : values)
            v = Value();
        m_action = "set " + std::to_string(length) + " at " + std::to_string(at);
        const std::size_t storeAt = m_offByOne && !m_sabotaged && at + length < kLength ? at + 1 : at;
        m_sabotaged = m_sabotaged || storeAt != at;
        // Half the sets are told what showed there (as Replace All tells them): where
        // nothing was pending that is the file, and the file need not be read.
        std::vector<std::uint8_t> before(length);
        bool bare = true;
        for (std::size_t k = 0; k < length; ++k) {
            before[k] = m_model.Shown(storeAt + k);
            bare = bare && !m_model.overlay[storeAt + k];
        }
        const bool told = m_random() % 2 == 0;
        const int readsBefore = m_reads;
        if (m_pending.Set(PendingRun::Literal(m_base + storeAt, values.data(), length), m_grouped,
                          told ? before.data() : nullptr) != 0)
            return "refused";
        if (told && bare && m_reads != readsBefore)
            return "read the file though it was told what showed";
        m_model.Change(at, values, m_grouped);
        return {};
    }

    std::string Fill()
    {
        const std::size_t at = At(kLength);
        const std::size_t length = std::min<std::size_t>(1 + At(3000), kLength - at);
        std::vector<std::uint8_t> pattern(1 + At(PendingRun::kMaxPattern));
        for (auto& v : pattern)
            v = Value();
        m_action = "fill " + std::to_string(length) + " at " + std::to_string(at) + " with " +
                   std::to_string(pattern.size());
        if (m_pending.Set(PendingRun::Pattern(m_base + at, length, pattern.data(), pattern.size()), m_grouped) != 0)
            return "refused";
        std::vector<std::uint8_t> values(length);
        for (std::size_t k = 0; k < length; ++k)
            values[k] = pattern[k % pattern.size()];
        m_model.Change(at, values, m_grouped);
        return {};
    }

    std::string Save()
    {
        // Some saves cannot keep every step: the largest need goes. With cuts, saves that
        // drop steps and records left behind by a save meet more often.
        const std::uint64_t limit = m_random() % (m_cuts ? 3 : 5) == 0 ? (m_cuts ? 400 : 2500) : ~std::uint64_t{0};
        const std::size_t end = m_cuts && m_random() % 2 == 0 ? 1 + At(kLength - 1) : kLength;
        m_action = "save up to " + std::to_string(end) + " keeping up to " + std::to_string(limit);
        std::vector<PendingRun> pastEnd = m_pending.TakePast(m_base + end);
        if (m_pending.LargestKeepForSave() != m_model.LargestNeed(end))
            return "the largest step to keep is " + std::to_string(m_pending.LargestKeepForSave()) + " bytes, not " +
                   std::to_string(m_model.LargestNeed(end));
        CountSaveCases(m_pending.UndoRecords(), m_untouched[0], m_pending.Runs(), m_cases);
        CountSaveCases(m_pending.RedoRecords(), m_untouched[1], m_pending.Runs(), m_cases);
        m_cases.longestHistory =
            std::max(m_cases.longestHistory, m_pending.UndoRecords().size() + m_pending.RedoRecords().size());
        const std::size_t stepsBefore = m_model.undo.size() + m_model.redo.size();
        // What the runs write must be what the model shows.
        std::vector<std::uint8_t> written = m_model.disk;
        for (const PendingRun& run : m_pending.Runs())
            run.CopyOut(written.data() + (run.Start() - m_base), run.Start(), run.Length());
        std::uint64_t kept = limit;
        if (m_random() % 2 == 0) {
            if (m_pending.KeepOldBytesForSave(limit) != 0)
                return "could not keep the old bytes";
        } else if (const std::string fault = KeepAfterWrite(written, limit, kept); !fault.empty()) {
            return fault;
        }
        m_model.Save(kept, end);
        m_cases.stepsDropped += static_cast<int>(stepsBefore - m_model.undo.size() - m_model.redo.size());
        if (written != m_model.disk)
            return "the runs write other bytes than the window shows";
        m_pending.Saved();
        m_pending.RestorePast(std::move(pastEnd));
        m_untouched[0] = m_pending.UndoRecords().size();
        m_untouched[1] = m_pending.RedoRecords().size();
        return {};
    }

    // The copies made once the file holds the runs' bytes: from the old bytes given apart,
    // with the runs' buffers to take. Now and then the old bytes cannot be had: nothing may
    // change, and a second call with limit 0 must drop every step that needed them.
    std::string KeepAfterWrite(const std::vector<std::uint8_t>& written, std::uint64_t limit, std::uint64_t& kept)
    {
        const std::vector<std::uint8_t> old = m_model.disk;
        m_file = &written;
        bool fails = m_random() % 24 == 0;
        bool asked = false;
        const auto source = [&](const std::vector<PendingBytes::OldBytesFill>& fills) {
            asked = true;
            for (const PendingBytes::OldBytesFill& fill : fills)
                std::memcpy(fill.bytes, old.data() + (fill.from - m_base), static_cast<std::size_t>(fill.to - fill.from));
            return fails ? EIO : 0;
        };
        const std::size_t undoBefore = m_pending.UndoRecords().size();
        const int error = m_pending.KeepOldBytesAfterWrite(limit, source);
        // Without a copy to make, the old bytes are never asked for.
        fails = fails && asked;
        std::string fault;
        if (fails != (error != 0))
            fault = "the copies after the write report " + std::to_string(error);
        else if (fails && m_pending.UndoRecords().size() != undoBefore)
            fault = "a failed keep changed the history";
        else if (fails && m_pending.KeepOldBytesAfterWrite(0, source) != 0)
            fault = "dropping the steps that needed copies failed";
        kept = fails ? 0 : limit;
        m_cases.keepsFailed += fails ? 1 : 0;
        for (const PendingRun& run : m_pending.Runs())
            m_cases.runBuffersTaken += run.IsAbsent() ? 1 : 0;
        m_file = nullptr;
        return fault;
    }

    FilePos m_base;
    bool m_offByOne;
    bool m_cuts;
    std::mt19937 m_random{7321};
    Model m_model;
    int m_reads = 0;
    // What the file holds when it is not the model's disk (the save has written it).
    const std::vector<std::uint8_t>* m_file = nullptr;
    PendingBytes m_pending;
    bool m_grouped = false;
    bool m_sabotaged = false;
    std::string m_action;
    SaveCases m_cases;
    // How many records of each stack stayed as they were since the last save.
    std::size_t m_untouched[2] = {0, 0};
};

RunOutcome RunAgainstAModel(FilePos base, int steps, bool offByOne, bool cuts)
{
    return ModelRun(base, offByOne, cuts).Run(steps);
}

} // namespace

TEST(PendingBytesAgainstAModel, AgreesOnBothSidesOfFourGibibytesAndCatchesAnOffByOne)
{
    for (const FilePos base : {FilePos{0}, (FilePos{1} << 32) - 2500}) {
        const RunOutcome outcome = RunAgainstAModel(base, 4000, false, false);
        EXPECT_EQ(outcome.fault, "") << "at " << base;
        // The saves met a long history, records of the file's bytes left by an earlier save
        // under a run again, records only partly under the runs, and steps too large to keep.
        EXPECT_GE(outcome.cases.longestHistory, 200u);
        EXPECT_GT(outcome.cases.oldRecordsCovered, 0);
        EXPECT_GT(outcome.cases.partlyCovered, 0);
        EXPECT_GT(outcome.cases.stepsDropped, 0);
        EXPECT_GT(outcome.cases.runBuffersTaken, 0);
        EXPECT_GT(outcome.cases.keepsFailed, 0);
    }
    // The checks are sharp: one change a byte off is seen.
    const std::string sabotaged = RunAgainstAModel(0, 4000, true, false).fault;
    EXPECT_NE(sabotaged.find("shows differently"), std::string::npos) << sabotaged;
}

// A save that cannot write the changes past a cut leaves the records of the file's bytes
// there uncopied, or splits them at the cut; the next save must copy what it left.
TEST(PendingBytesAgainstAModel, AgreesWhenSavesFindTheFileCutShort)
{
    const RunOutcome outcome = RunAgainstAModel(0, 4000, false, true);
    EXPECT_EQ(outcome.fault, "");
    EXPECT_GT(outcome.cases.oldRecordsCovered, 0);
    EXPECT_GT(outcome.cases.partlyCovered, 0);
    EXPECT_GT(outcome.cases.stepsDropped, 0);
}

TEST(PendingBytes, AFillIsKeptAsItsPatternAndUndoneWithoutReadingTheFile)
{
    int reads = 0;
    PendingBytes pending([&](std::uint8_t*, std::uint32_t, FilePos, int&) {
        ++reads;
        return 0u;
    });
    const std::uint8_t pattern[] = {0xDE, 0xAD, 0xBE};
    const FilePos start = FilePos{60} << 30;
    ASSERT_EQ(pending.Set(PendingRun::Pattern(start, FilePos{4} << 30, pattern, 3), false), 0);
    ASSERT_EQ(pending.Runs().size(), 1u);
    EXPECT_EQ(pending.Runs()[0].PatternSize(), 3u);
    EXPECT_EQ(pending.UncountedBytes(), FilePos{4} << 30);
    EXPECT_TRUE(pending.Differs());
    // The pattern goes on across a read that starts inside it, at any phase.
    std::uint8_t seen[5] = {};
    pending.LayOver(seen, 5, start + (FilePos{2} << 30) + 1);
    const std::uint8_t phase = static_cast<std::uint8_t>(((FilePos{2} << 30) + 1) % 3);
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_EQ(seen[k], pattern[(phase + k) % 3]) << k;

    pending.Undo();
    EXPECT_TRUE(pending.Empty());
    EXPECT_FALSE(pending.Differs());
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(pending.UndoRecords().size(), 0u);
    ASSERT_EQ(pending.RedoRecords().size(), 1u);
    EXPECT_EQ(pending.RedoRecords()[0].GetKind(), PendingRun::Kind::Pattern);
}

TEST(PendingBytes, ASaveDropsAStepTooLargeToKeepWithEveryStepBehindIt)
{
    std::vector<std::uint8_t> disk(1000, 7);
    PendingBytes pending(ReaderOf(disk));
    const std::uint8_t one = 1;
    const std::uint8_t two = 2;
    ASSERT_EQ(pending.Set(PendingRun::Literal(900, &one, 1), false), 0);     // small, older
    ASSERT_EQ(pending.Set(PendingRun::Pattern(0, 500, &two, 1), false), 0);  // large
    ASSERT_EQ(pending.Set(PendingRun::Literal(950, &two, 1), false), 0);     // small, newer
    EXPECT_EQ(pending.LargestKeepForSave(), 500u);
    ASSERT_EQ(pending.KeepOldBytesForSave(100), 0);
    EXPECT_EQ(pending.UndoSteps(), 1u);
    for (const PendingRun& run : pending.Runs())
        run.CopyOut(disk.data() + run.Start(), run.Start(), run.Length());
    pending.Saved();
    // The newest step still comes back, with the byte the file had before the save.
    pending.Undo();
    std::uint8_t seen = 0;
    ASSERT_TRUE(pending.PendingAt(950, seen));
    EXPECT_EQ(seen, 7);
    EXPECT_FALSE(pending.CanUndo());
}

// A save that finds the file cut short leaves the changes past the cut pending, and the
// record of what the file held there uncopied; when that save also drops an older step, the
// record moves down its stack. The next save must still find it and copy the file's bytes.
TEST(PendingBytes, AnUncopiedRecordMovedDownByADropIsCopiedAtTheNextSave)
{
    std::vector<std::uint8_t> disk(1000, 7);
    PendingBytes pending(ReaderOf(disk));
    const auto save = [&](FilePos end, std::uint64_t limit) {
        std::vector<PendingRun> pastEnd = pending.TakePast(end);
        ASSERT_EQ(pending.KeepOldBytesForSave(limit), 0);
        for (const PendingRun& run : pending.Runs())
            run.CopyOut(disk.data() + run.Start(), run.Start(), run.Length());
        pending.Saved();
        pending.RestorePast(std::move(pastEnd));
    };
    const std::uint8_t two = 2;
    const std::uint8_t ones[] = {1, 1};
    ASSERT_EQ(pending.Set(PendingRun::Pattern(0, 500, &two, 1), false), 0); // too large to keep
    ASSERT_EQ(pending.Set(PendingRun::Literal(950, ones, 2), false), 0);     // past the cut
    save(940, 100);
    EXPECT_EQ(pending.UndoSteps(), 1u);
    EXPECT_EQ(pending.LargestKeepForSave(), 2u);
    save(1000, 100);
    EXPECT_EQ(disk[950], 1);
    pending.Undo();
    EXPECT_FALSE(pending.CanUndo());
    for (const FilePos at : {950, 951}) {
        std::uint8_t seen = 0;
        ASSERT_TRUE(pending.PendingAt(at, seen)) << at;
        EXPECT_EQ(seen, 7) << at;
    }
}

TEST(PendingBytes, AFailedReadRefusesANewChangeAndChangesNothing)
{
    PendingBytes pending([](std::uint8_t*, std::uint32_t, FilePos, int& error) {
        error = EIO;
        return 0u;
    });
    const std::uint8_t value = 1;
    EXPECT_EQ(pending.Set(PendingRun::Literal(10, &value, 1), false), EIO);
    EXPECT_TRUE(pending.Empty());
    EXPECT_FALSE(pending.CanUndo());
    EXPECT_FALSE(pending.Differs());
}
