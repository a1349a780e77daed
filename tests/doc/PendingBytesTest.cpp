// The store of pending runs against a model kept byte by byte: each byte of a window either
// has a pending value or shows the file's. Seeded random sets, fills, undos, redos, saves,
// moves of the store and writes by "another program" go to both; after every step the
// presented bytes, the exact count of differing bytes, which bytes are pending, and the
// shape of the runs must agree. The run is made on both sides of 4 GiB.
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
    void Change(std::size_t at, const std::vector<std::uint8_t>& values, bool joins)
    {
        if (!joins || undo.empty())
            undo.emplace_back();
        for (std::size_t k = 0; k < values.size(); ++k) {
            undo.back().emplace_back(at + k, overlay[at + k]);
            overlay[at + k] = values[k];
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
    // After a save a step must bring back what showed, which the file no longer holds.
    void Save()
    {
        for (auto* stack : {&undo, &redo})
            for (Step& step : *stack)
                for (auto& [k, before] : step)
                    if (!before && overlay[k])
                        before = disk[k];
        for (std::size_t k = 0; k < disk.size(); ++k) {
            disk[k] = Shown(k);
            overlay[k].reset();
        }
    }
};

// Runs the store and the model side by side; the first disagreement, or empty. With
// `offByOne` one change reaches the store a byte later than the model: the checks must see it.
std::string RunAgainstAModel(FilePos base, int steps, bool offByOne)
{
    constexpr std::size_t kLength = 5000;
    std::mt19937 random(7321);
    Model model;
    model.disk.resize(kLength);
    for (auto& b : model.disk)
        b = static_cast<std::uint8_t>(random() % 4); // few values, so that changes often equal the file
    model.overlay.resize(kLength);

    int reads = 0;
    PendingBytes pending([&](std::uint8_t* buffer, std::uint32_t count, FilePos position, int& error) {
        error = 0;
        ++reads;
        if (position < base || position - base >= kLength)
            return 0u;
        const auto n = static_cast<std::uint32_t>(std::min<FilePos>(count, kLength - (position - base)));
        std::memcpy(buffer, model.disk.data() + (position - base), n);
        return n;
    });
    const auto randomAt = [&](std::size_t below) { return static_cast<std::size_t>(random() % below); };
    bool grouped = false;
    bool sabotaged = false;
    std::vector<std::uint8_t> shown(kLength);

    for (int step = 0; step < steps; ++step) {
        std::string action;
        const int pick = static_cast<int>(random() % 100);
        if (pick < 30) {
            const std::size_t at = randomAt(kLength);
            std::size_t length = random() % 8 == 0 ? 1 + randomAt(1500) : 1 + randomAt(24);
            length = std::min(length, kLength - at);
            std::vector<std::uint8_t> values(length);
            for (auto& v : values)
                v = static_cast<std::uint8_t>(random() % 4);
            action = "set " + std::to_string(length) + " at " + std::to_string(at);
            const std::size_t storeAt = offByOne && !sabotaged && at + length < kLength ? at + 1 : at;
            sabotaged = sabotaged || storeAt != at;
            // Half the sets are told what showed there (as Replace All tells them): where
            // nothing was pending that is the file, and the file need not be read.
            std::vector<std::uint8_t> before(length);
            bool bare = true;
            for (std::size_t k = 0; k < length; ++k) {
                before[k] = model.Shown(storeAt + k);
                bare = bare && !model.overlay[storeAt + k];
            }
            const bool told = random() % 2 == 0;
            const int readsBefore = reads;
            if (pending.Set(PendingRun::Literal(base + storeAt, values.data(), length), grouped,
                            told ? before.data() : nullptr) != 0)
                return action + ": refused";
            if (told && bare && reads != readsBefore)
                return action + ": read the file though it was told what showed";
            model.Change(at, values, grouped);
        } else if (pick < 45) {
            const std::size_t at = randomAt(kLength);
            const std::size_t length = std::min<std::size_t>(1 + randomAt(3000), kLength - at);
            std::vector<std::uint8_t> pattern(1 + randomAt(PendingRun::kMaxPattern));
            for (auto& v : pattern)
                v = static_cast<std::uint8_t>(random() % 4);
            action = "fill " + std::to_string(length) + " at " + std::to_string(at) + " with " +
                     std::to_string(pattern.size());
            if (pending.Set(PendingRun::Pattern(base + at, length, pattern.data(), pattern.size()), grouped) != 0)
                return action + ": refused";
            std::vector<std::uint8_t> values(length);
            for (std::size_t k = 0; k < length; ++k)
                values[k] = pattern[k % pattern.size()];
            model.Change(at, values, grouped);
        } else if (pick < 65) {
            action = "undo";
            if (pending.CanUndo() != !model.undo.empty())
                return action + ": CanUndo disagrees";
            if (!model.undo.empty()) {
                pending.Undo();
                model.Move(model.undo, model.redo);
            }
        } else if (pick < 80) {
            action = "redo";
            if (pending.CanRedo() != !model.redo.empty())
                return action + ": CanRedo disagrees";
            if (!model.redo.empty()) {
                pending.Redo();
                model.Move(model.redo, model.undo);
            }
        } else if (pick < 86) {
            action = "save";
            if (pending.KeepOldBytesForSave(~std::uint64_t{0}) != 0)
                return action + ": could not keep the old bytes";
            // What the runs write must be what the model shows.
            std::vector<std::uint8_t> written = model.disk;
            for (const PendingRun& run : pending.Runs())
                run.CopyOut(written.data() + (run.Start() - base), run.Start(), run.Length());
            model.Save();
            if (written != model.disk)
                return action + ": the runs write other bytes than the window shows";
            pending.Saved();
        } else if (pick < 90) {
            // Another program writes a few bytes; the count is taken again.
            action = "outside write";
            for (int n = 0; n < 4; ++n)
                model.disk[randomAt(kLength)] = static_cast<std::uint8_t>(random() % 4);
            pending.Recount();
        } else if (pick < 94) {
            // A save to a new name that fails hands the store back by moving it.
            action = "move away and back";
            PendingBytes away = std::move(pending);
            pending = std::move(away);
        } else {
            grouped = !grouped;
            action = grouped ? "group opens" : "group closes";
        }

        const std::string where = "step " + std::to_string(step) + " (" + action + ")";
        std::copy(model.disk.begin(), model.disk.end(), shown.begin());
        pending.LayOver(shown.data(), kLength, base);
        for (std::size_t k = 0; k < kLength; ++k) {
            if (shown[k] != model.Shown(k))
                return where + ": byte " + std::to_string(k) + " shows differently";
        }
        std::vector<bool> pendingMask(kLength, false);
        for (const PendingRun& run : pending.Runs()) {
            if (run.Start() < base || run.End() > base + kLength)
                return where + ": a run lies outside the window";
            std::fill(pendingMask.begin() + static_cast<std::ptrdiff_t>(run.Start() - base),
                      pendingMask.begin() + static_cast<std::ptrdiff_t>(run.End() - base), true);
        }
        for (std::size_t k = 0; k < kLength; ++k) {
            if (pendingMask[k] != model.overlay[k].has_value())
                return where + ": byte " + std::to_string(k) + " pending in only one of them";
        }
        if (pending.DifferingBytes() != model.Differing())
            return where + ": counts " + std::to_string(pending.DifferingBytes()) + " differing bytes, not " +
                   std::to_string(model.Differing());
        if (pending.Differs() != (model.Differing() > 0) || pending.UncountedBytes() != 0)
            return where + ": dirty state disagrees";
        if (const std::string fault = PendingRunsFault(pending); !fault.empty())
            return where + ": " + fault;
        if (pending.UndoSteps() != model.undo.size())
            return where + ": " + std::to_string(pending.UndoSteps()) + " undo steps, not " +
                   std::to_string(model.undo.size());
    }
    return {};
}

} // namespace

TEST(PendingBytesAgainstAModel, AgreesOnBothSidesOfFourGibibytesAndCatchesAnOffByOne)
{
    EXPECT_EQ(RunAgainstAModel(0, 4000, false), "");
    EXPECT_EQ(RunAgainstAModel((FilePos{1} << 32) - 2500, 4000, false), "");
    // The checks are sharp: one change a byte off is seen.
    const std::string sabotaged = RunAgainstAModel(0, 4000, true);
    EXPECT_NE(sabotaged.find("shows differently"), std::string::npos) << sabotaged;
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
    PendingBytes pending([&](std::uint8_t* buffer, std::uint32_t count, FilePos position, int& error) {
        error = 0;
        const auto n = static_cast<std::uint32_t>(std::min<FilePos>(count, disk.size() - position));
        std::memcpy(buffer, disk.data() + position, n);
        return n;
    });
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
