// Seeded random edits applied to the document and to a plain byte vector side by side;
// after every step everything the document presents, and the file on disk, must agree.
#include "DocTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace vtx;
using namespace vtx::test;

namespace {

struct Reference {
    std::vector<std::uint8_t> presented;
    std::vector<std::uint8_t> onDisk;
    std::vector<ByteChange> undo;
    // Unsaved exactly while some presented byte differs from the file.
    [[nodiscard]] bool Dirty() const { return presented != onDisk; }
};

QByteArray AsBytes(const std::vector<std::uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

} // namespace

TEST(DocRandomised, SetUndoSaveAgreeWithAPlainVector)
{
    constexpr std::uint32_t kBlock = CVantorixDoc::kMaxRead;
    constexpr std::uint32_t kLength = 3 * kBlock + 17;
    constexpr unsigned kSeed = 20240611;
    constexpr int kSteps = 3000;

    std::mt19937 random(kSeed);
    TempDir dir;
    const QByteArray initial = Filler(static_cast<int>(kLength), 7);
    QString path = dir.Write("a.bin", initial);
    Reference ref;
    ref.presented.assign(initial.begin(), initial.end());
    ref.onDisk = ref.presented;
    MessageBoxRecorder boxes;
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ScopedSearchType searchType(SearchType::Ascii);

    // Half of the positions crowd around the block boundaries, where reads are cut.
    const auto randomPosition = [&] {
        if (random() % 2 == 0)
            return static_cast<std::uint32_t>(random() % kLength);
        const std::uint32_t boundary = kBlock * (1 + random() % 3);
        return std::min(kLength - 1, boundary - 8 + static_cast<std::uint32_t>(random() % 16));
    };

    std::vector<std::uint8_t> seen(kLength); // reused: large allocations are slow under ASan
    int saveAsCount = 0;
    for (int step = 0; step < kSteps; ++step) {
        const unsigned roll = random() % 100;
        std::string action;
        if (roll < 65) {
            const std::uint32_t p = randomPosition();
            const auto v = static_cast<std::uint8_t>(random());
            action = "SetByte(" + std::to_string(v) + ", " + std::to_string(p) + ")";
            ASSERT_TRUE(doc->SetByte(v, p)) << action;
            ref.undo.push_back({p, ref.presented[p]});
            ref.presented[p] = v;
        } else if (roll < 90) {
            action = "Undo";
            doc->Undo();
            if (!ref.undo.empty()) {
                ref.presented[ref.undo.back().position] = ref.undo.back().previous;
                ref.undo.pop_back();
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
            ASSERT_EQ(ReadAll(oldPath), AsBytes(ref.onDisk)) << "old file changed by " << action;
            ref.onDisk = ref.presented;
        } else {
            // A slice of what is presented must be found at or before where it was taken.
            const std::uint32_t from = randomPosition() % (kLength - 8);
            const std::uint32_t start = from - std::min<std::uint32_t>(from, random() % 70000);
            const std::vector<std::uint8_t> needle(ref.presented.begin() + from,
                                                   ref.presented.begin() + from + 8);
            const auto found = std::search(ref.presented.begin() + start, ref.presented.end(),
                                           needle.begin(), needle.end());
            const auto expected = found == ref.presented.end() ? -1 : found - ref.presented.begin();
            action = "Find from " + std::to_string(start);
            ASSERT_EQ(doc->Find(QString::fromLatin1(AsBytes(needle)), start), expected) << action;
        }

        const std::string where = "seed " + std::to_string(kSeed) + ", step " + std::to_string(step) + ": " + action;
        ASSERT_EQ(boxes.Count(), 0) << where << " showed " << boxes.Last().toStdString();
        ASSERT_EQ(doc->IsDirty(), ref.Dirty()) << where;
        ASSERT_EQ(doc->UndoHistory().size(), ref.undo.size()) << where;
        for (std::uint32_t p = 0; p < kLength; p += kBlock) {
            const std::uint32_t count = std::min(kBlock, kLength - p);
            ASSERT_EQ(doc->ReadBytes(seen.data() + p, count, p), static_cast<std::int32_t>(count))
                << where << ", ReadBytes at " << p;
        }
        if (seen != ref.presented) {
            const auto diff = std::mismatch(seen.begin(), seen.end(), ref.presented.begin());
            FAIL() << where << ": document presents a different byte at " << (diff.first - seen.begin());
        }
        const std::uint32_t probe = randomPosition();
        ASSERT_EQ(doc->GetByte(probe), ref.presented[probe]) << where << ", GetByte(" << probe << ")";
        if (action.rfind("Save", 0) == 0) {
            ASSERT_EQ(ReadAll(path), AsBytes(ref.onDisk)) << where << ": file on disk differs";
        }
    }
    ASSERT_FALSE(doc->IsModified());
}
