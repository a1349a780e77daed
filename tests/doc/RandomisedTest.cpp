// Seeded random edits applied to the document and to a plain byte vector side by side;
// after every step everything the document presents, and the file on disk, must agree.
// The same run is made on a small file and on the end of a sparse file whose edited bytes
// straddle 4 GiB, where positions no longer fit 32 bits.
#include "DocTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <random>

#include <unistd.h>

using namespace vtx;
using namespace vtx::test;

namespace {

// One change step: each changed position with the value it showed before.
using Step = std::vector<std::pair<std::uint32_t, std::uint8_t>>; // offsets into the window

struct Reference {
    std::vector<std::uint8_t> presented;
    std::vector<std::uint8_t> onDisk;
    std::vector<Step> undo;
    std::vector<Step> redo;
    // Unsaved exactly while some presented byte differs from the file.
    [[nodiscard]] bool Dirty() const { return presented != onDisk; }

    // Applies a step's values (an undo newest first, a redo in the order it was made) and
    // returns the step that reverses it, in the order it was made.
    Step Apply(const Step& step, bool newestFirst)
    {
        Step back;
        const auto put = [&](const std::pair<std::uint32_t, std::uint8_t>& entry) {
            back.emplace_back(entry.first, presented[entry.first]);
            presented[entry.first] = entry.second;
        };
        if (newestFirst) {
            std::for_each(step.rbegin(), step.rend(), put);
            std::reverse(back.begin(), back.end());
        } else {
            std::for_each(step.begin(), step.end(), put);
        }
        return back;
    }
    [[nodiscard]] std::size_t UndoRecords() const
    {
        std::size_t n = 0;
        for (const Step& step : undo)
            n += step.size();
        return n;
    }
};

QByteArray AsBytes(const std::vector<std::uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

// The file's bytes [base, base + length).
QByteArray ReadWindow(const QString& path, FilePos base, std::uint32_t length)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(static_cast<qint64>(base)))
        return {};
    return file.read(length);
}

// The run: the document's file holds base zero bytes (a hole) and then the edited window,
// which the reference holds; every document position is base + a window offset.
void RunAgainstAPlainVector(FilePos base, int steps)
{
    constexpr std::uint32_t kBlock = CVantorixDoc::kMaxRead;
    constexpr std::uint32_t kLength = 3 * kBlock + 17;
    constexpr unsigned kSeed = 20240611;

    std::mt19937 random(kSeed);
    TempDir dir;
    const QByteArray initial = Filler(static_cast<int>(kLength), 7);
    QString path = dir.Write("a.bin", QByteArray());
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        if (!file.resize(static_cast<qint64>(base)))
            GTEST_SKIP() << "this file system refuses a sparse file of " << base << " bytes";
        ASSERT_TRUE(file.seek(static_cast<qint64>(base)));
        ASSERT_EQ(file.write(initial), initial.size());
    }
    Reference ref;
    ref.presented.assign(initial.begin(), initial.end());
    ref.onDisk = ref.presented;
    MessageBoxRecorder boxes;
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    SearchSettings searchType{SearchType::Ascii};

    // Half of the positions crowd around the block boundaries, where reads are cut.
    const auto randomPosition = [&] {
        if (random() % 2 == 0)
            return static_cast<std::uint32_t>(random() % kLength);
        const std::uint32_t boundary = kBlock * (1 + random() % 3);
        return std::min(kLength - 1, boundary - 8 + static_cast<std::uint32_t>(random() % 16));
    };

    std::vector<std::uint8_t> seen(kLength); // reused: large allocations are slow under ASan
    int saveAsCount = 0;
    for (int step = 0; step < steps; ++step) {
        const unsigned roll = random() % 100;
        std::string action;
        if (roll < 50) {
            const std::uint32_t p = randomPosition();
            const auto v = static_cast<std::uint8_t>(random());
            action = "SetByte(" + std::to_string(v) + ", " + std::to_string(p) + ")";
            ASSERT_TRUE(doc->SetByte(v, base + p)) << action;
            ref.undo.push_back({{p, ref.presented[p]}});
            ref.presented[p] = v;
            ref.redo.clear();
        } else if (roll < 60) {
            // A paste: many bytes as one step, cut at the end of the file.
            const std::uint32_t p = random() % 8 == 0 ? kLength - static_cast<std::uint32_t>(random() % 40)
                                                      : randomPosition();
            std::vector<std::uint8_t> values(random() % 300);
            for (auto& v : values)
                v = static_cast<std::uint8_t>(random());
            const auto fits = static_cast<std::uint32_t>(
                std::min<std::size_t>(values.size(), p < kLength ? kLength - p : 0));
            action = "SetBytes(" + std::to_string(values.size()) + " bytes, " + std::to_string(p) + ")";
            ASSERT_EQ(doc->SetBytes(values.data(), static_cast<std::uint32_t>(values.size()), base + p),
                      static_cast<std::int32_t>(fits)) << action;
            if (fits > 0) {
                Step step;
                for (std::uint32_t i = 0; i < fits; ++i) {
                    step.emplace_back(p + i, ref.presented[p + i]);
                    ref.presented[p + i] = values[i];
                }
                ref.undo.push_back(std::move(step));
                ref.redo.clear();
            }
        } else if (roll < 80) {
            action = "Undo";
            doc->Undo();
            if (!ref.undo.empty()) {
                ref.redo.push_back(ref.Apply(ref.undo.back(), true));
                ref.undo.pop_back();
            }
        } else if (roll < 90) {
            action = "Redo";
            doc->Redo();
            if (!ref.redo.empty()) {
                ref.undo.push_back(ref.Apply(ref.redo.back(), false));
                ref.redo.pop_back();
            }
        } else if (roll < 97) {
            action = "Save";
            ASSERT_TRUE(doc->OnSaveDocument(path)) << action;
            ref.onDisk = ref.presented;
        } else if (roll < 98) {
            const QString oldPath = path;
            path = dir.Path(QStringLiteral("copy%1.bin").arg(++saveAsCount));
            action = "SaveAs " + path.toStdString();
            ASSERT_TRUE(doc->OnSaveDocument(path)) << action;
            ASSERT_EQ(ReadWindow(oldPath, base, kLength), AsBytes(ref.onDisk)) << "old file changed by " << action;
            ref.onDisk = ref.presented;
        } else {
            // A slice of what is presented must be found at or before where it was taken.
            const std::uint32_t from = randomPosition() % (kLength - 8);
            const std::uint32_t start = from - std::min<std::uint32_t>(from, random() % 70000);
            const std::vector<std::uint8_t> needle(ref.presented.begin() + from,
                                                   ref.presented.begin() + from + 8);
            const auto found = std::search(ref.presented.begin() + start, ref.presented.end(),
                                           needle.begin(), needle.end());
            const std::int64_t expected =
                found == ref.presented.end() ? -1 : static_cast<std::int64_t>(base) + (found - ref.presented.begin());
            action = "Find from " + std::to_string(start);
            ASSERT_EQ(FindFrom(*doc, QString::fromLatin1(AsBytes(needle)), base + start, searchType), expected) << action;
            // Backward from the same place: the last match that ends before it. Past the
            // window lie only zeros, which a wrapped search would read for gigabytes; there
            // the scan that the search from the caret makes is asked within the window.
            const auto before = std::find_end(ref.presented.begin(), ref.presented.begin() + start,
                                              needle.begin(), needle.end());
            const SearchPattern pattern = EncodeSearchPattern(std::string(needle.begin(), needle.end()), SearchType::Ascii);
            const FindResult back = base == 0
                ? DocumentSearch(*doc).FindAround(pattern, start, SearchDirection::Backward)
                : DocumentSearch(*doc).ScanRange(pattern, base, base + start, SearchDirection::Backward);
            if (before != ref.presented.begin() + start)
                ASSERT_EQ(back.position, static_cast<std::int64_t>(base) + (before - ref.presented.begin()))
                    << action << " backward";
            else
                ASSERT_TRUE(back.position < 0 || back.wrapped) << action << " backward";
        }

        const std::string where = "base " + std::to_string(base) + ", seed " + std::to_string(kSeed) + ", step "
                                  + std::to_string(step) + ": " + action;
        ASSERT_EQ(boxes.Count(), 0) << where << " showed " << boxes.Last().toStdString();
        ASSERT_EQ(doc->IsDirty(), ref.Dirty()) << where;
        ASSERT_EQ(doc->UndoHistory().size(), ref.UndoRecords()) << where;
        ASSERT_EQ(doc->CanRedo(), !ref.redo.empty()) << where;
        for (std::uint32_t p = 0; p < kLength; p += kBlock) {
            const std::uint32_t count = std::min(kBlock, kLength - p);
            ASSERT_EQ(doc->ReadBytes(seen.data() + p, count, base + p), static_cast<std::int32_t>(count))
                << where << ", ReadBytes at " << p;
        }
        if (seen != ref.presented) {
            const auto diff = std::mismatch(seen.begin(), seen.end(), ref.presented.begin());
            FAIL() << where << ": document presents a different byte at " << (diff.first - seen.begin());
        }
        const std::uint32_t probe = randomPosition();
        ASSERT_EQ(doc->GetByte(base + probe), ref.presented[probe]) << where << ", GetByte(" << probe << ")";
        if (action.rfind("Save", 0) == 0) {
            ASSERT_EQ(ReadWindow(path, base, kLength), AsBytes(ref.onDisk)) << where << ": file on disk differs";
            // Saves write the changed bytes only: the file keeps its length.
            ASSERT_EQ(QFile(path).size(), static_cast<qint64>(base + kLength)) << where;
        }
    }
    ASSERT_FALSE(doc->IsModified());
}

} // namespace

TEST(DocRandomised, SetPasteUndoRedoSaveAgreeWithAPlainVector)
{
    RunAgainstAPlainVector(0, 3000);
}

TEST(DocRandomised, TheSameAcrossFourGibibytes)
{
    // The window's first block ends at 2^32, where half of the edits crowd; reads, pastes
    // and matches fall on both sides of it.
    RunAgainstAPlainVector((FilePos{1} << 32) - CVantorixDoc::kMaxRead, 1500);
}
