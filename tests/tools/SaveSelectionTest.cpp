// Save Selection As: the shown bytes of a range into a new file, never over an existing
// one, nothing left behind when it fails, the document untouched.

#include "ToolTestSupport.h"

#include "platform/FileFaults.h"
#include "tools/progress/ProgressRun.h"
#include "tools/saveselection/SaveSelection.h"
#include "tools/saveselection/SaveSelectionCommand.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace vtx::test {
namespace {

class SaveSelection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_bytes = Filler(3 * (1 << 20) + 999, 5);
        m_path = m_dir.Write(QStringLiteral("data.bin"), m_bytes);
        m_doc = OpenDocument(m_path);
        ASSERT_TRUE(m_doc);
        // A pending change inside the range and one outside it.
        const std::uint8_t inside[] = {1, 2, 3};
        ASSERT_EQ(m_doc->SetBytes(inside, 3, 0x100005), 3);
        ASSERT_EQ(m_doc->SetByte(0xEE, 2), true);
        m_shown = m_bytes;
        m_shown.replace(0x100005, 3, reinterpret_cast<const char*>(inside), 3);
        m_shown[2] = static_cast<char>(0xEE);
        m_nUndo = m_doc->UndoHistory().size();
    }

    void ExpectDocumentUntouched()
    {
        EXPECT_EQ(ReadAll(m_path), m_bytes);
        EXPECT_EQ(m_doc->UndoHistory().size(), m_nUndo);
        EXPECT_EQ(m_doc->GetPath(), m_path);
        EXPECT_TRUE(m_doc->IsDirty());
    }

    TempDir m_dir;
    QByteArray m_bytes;
    QByteArray m_shown;
    QString m_path;
    std::unique_ptr<CVantorixDoc> m_doc;
    std::size_t m_nUndo = 0;
};

TEST_F(SaveSelection, WritesTheShownBytesOfTheRangeOnly)
{
    const ByteRange range{0x10, 0x200000};
    const QString target = m_dir.Path(QStringLiteral("part.bin"));
    EXPECT_TRUE(SaveRangeAs(*m_doc, range, target.toStdString()).Saved());
    EXPECT_EQ(ReadAll(target), m_shown.mid(0x10, 0x200000));
    ExpectDocumentUntouched();
}

TEST_F(SaveSelection, RefusesAnExistingNameAndLeavesItAlone)
{
    const QString target = m_dir.Write(QStringLiteral("taken.bin"), QByteArray("precious"));
    MessageBoxRecorder boxes;
    QWidget window;
    EXPECT_FALSE(RunSaveSelectionCommand(&window, *m_doc, {0, 10}, target));
    EXPECT_EQ(boxes.Last(), QStringLiteral("Failed To Copy To New File.\nA file named taken.bin already exists. Choose another name."));
    EXPECT_EQ(ReadAll(target), QByteArray("precious"));
    ExpectDocumentUntouched();
}

// Every way a save can fail half-way: the new file is gone afterwards and the user is told
// what failed.
TEST_F(SaveSelection, FailuresRemoveTheNewFile)
{
    const QString target = m_dir.Path(QStringLiteral("part.bin"));
    const ByteRange range{0, static_cast<FilePos>(m_bytes.size())};
    MessageBoxRecorder boxes;
    QWidget window;
    {
        ScopedFileFaults faults;
        FileFaults::FailReads(m_path.toStdString(), 0x180000, 0x180010, EIO);
        EXPECT_FALSE(RunSaveSelectionCommand(&window, *m_doc, range, target));
    }
    EXPECT_EQ(boxes.Last(), QStringLiteral("Could not read data.bin at 00180000: Input/output error.\nNothing was saved."));
    EXPECT_FALSE(QFile::exists(target));
    {
        ScopedFileFaults faults;
        FileFaults::FailWritesAfter(1500000, ENOSPC);
        EXPECT_FALSE(RunSaveSelectionCommand(&window, *m_doc, range, target));
    }
    EXPECT_EQ(boxes.Last(), QStringLiteral("part.bin could not be written: No space left on device.\n"
                                           "Nothing was saved; the document is unchanged."));
    EXPECT_FALSE(QFile::exists(target));

    // Esc: no message, no file.
    boxes.Clear();
    ProgressRun::SetDelayMs(0);
    QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_FALSE(RunSaveSelectionCommand(&window, *m_doc, range, target));
    ProgressRun::SetDelayMs(1000);
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_FALSE(QFile::exists(target));
    ExpectDocumentUntouched();
}

// A sparse file of 8 MiB: 4 KiB of data at its start, 100 KiB at 3 MiB, holes elsewhere.
constexpr FilePos kMiB = FilePos{1} << 20;
constexpr FilePos kSparseSize = 8 * kMiB + 5;
constexpr FilePos kDataAt = 3 * kMiB;
constexpr int kDataBytes = 100 << 10;

QByteArray SparseBytes()
{
    QByteArray bytes(static_cast<int>(kSparseSize), '\0');
    bytes.replace(0, 4096, Filler(4096, 1));
    bytes.replace(static_cast<int>(kDataAt), kDataBytes, Filler(kDataBytes, 2));
    return bytes;
}

QString WriteSparse(const TempDir& dir)
{
    const QString path = dir.Path(QStringLiteral("sparse.bin"));
    QFile file(path);
    const QByteArray bytes = SparseBytes();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.left(4096)) != 4096 || !file.seek(static_cast<qint64>(kDataAt)) ||
        file.write(bytes.mid(static_cast<int>(kDataAt), kDataBytes)) != kDataBytes || !file.resize(static_cast<qint64>(kSparseSize)))
        return {};
    return path;
}

struct SparseRow {
    const char* name;
    ByteRange range;
    // Pending changes: bytes of `length` copies of `value` at `at`.
    struct Change {
        FilePos at;
        int length;
        char value;
    };
    std::vector<Change> changes;
};

class SaveSelectionOfASparseFile : public ::testing::TestWithParam<SparseRow>
{
};

// The new file holds exactly the bytes the window shows: the file's data, its holes as
// zeros, the pending changes wherever they lie (inside data, inside a hole, across the edge
// of the two), and it stays sparse: holes are not written out.
TEST_P(SaveSelectionOfASparseFile, HoldsTheShownBytesAndKeepsTheHoles)
{
    const SparseRow& row = GetParam();
    TempDir dir;
    const QString path = WriteSparse(dir);
    ASSERT_FALSE(path.isEmpty());
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    QByteArray shown = SparseBytes();
    for (const SparseRow::Change& change : row.changes) {
        const QByteArray bytes(change.length, change.value);
        ASSERT_EQ(doc->SetBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), change.at),
                  change.length);
        shown.replace(static_cast<int>(change.at), change.length, bytes);
    }

    const QString target = dir.Path(QStringLiteral("part.bin"));
    ASSERT_TRUE(SaveRangeAs(*doc, row.range, target.toStdString()).Saved());
    const QByteArray saved = ReadAll(target);
    ASSERT_EQ(saved.size(), static_cast<int>(row.range.length));
    EXPECT_TRUE(saved == shown.mid(static_cast<int>(row.range.first), static_cast<int>(row.range.length)));
    struct stat st {};
    ASSERT_EQ(::stat(target.toLocal8Bit().constData(), &st), 0);
    EXPECT_LT(static_cast<FilePos>(st.st_blocks) * 512, row.range.length / 2) << "holes were written out";
    EXPECT_EQ(ReadAll(path), SparseBytes());
}

std::vector<SparseRow::Change> NearChanges()
{
    // Every 1000 bytes through the data at 3 MiB: copied as one stretch with the gaps.
    std::vector<SparseRow::Change> changes;
    for (FilePos at = kDataAt + 17; at < kDataAt + kDataBytes; at += 1000)
        changes.push_back({at, 3, '\x5A'});
    return changes;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SaveSelectionOfASparseFile,
    ::testing::Values(SparseRow{"WholeFile", {0, kSparseSize}, {}},
                      SparseRow{"StartsAndEndsInsideHoles", {kMiB, 5 * kMiB}, {}},
                      SparseRow{"ChangeInsideAHole", {0, kSparseSize}, {{5 * kMiB + 3, 10, '\x11'}}},
                      SparseRow{"ChangeAcrossTheEndOfData", {kDataAt, 4 * kMiB}, {{kDataAt + kDataBytes - 4, 9, '\x22'}}},
                      SparseRow{"ChangeAtTheLastByte", {kMiB, kSparseSize - kMiB}, {{kSparseSize - 1, 1, '\x33'}}},
                      SparseRow{"LargeChangeInAHole", {0, kSparseSize}, {{6 * kMiB, 1 << 20, '\x44'}}},
                      SparseRow{"ManyChangesCloseTogether", {kDataAt - 100, kMiB}, NearChanges()}),
    [](const ::testing::TestParamInfo<SparseRow>& info) { return std::string(info.param.name); });

// Another program cut the file after the range was taken: the save fails at the new end
// instead of passing the missing bytes off as a hole.
TEST(SaveSelectionOfACutFile, FailsAtTheNewEnd)
{
    TempDir dir;
    const QString path = WriteSparse(dir);
    ASSERT_FALSE(path.isEmpty());
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_EQ(::truncate(path.toLocal8Bit().constData(), static_cast<off_t>(6 * kMiB)), 0);
    const QString target = dir.Path(QStringLiteral("part.bin"));
    const SaveRangeResult result = SaveRangeAs(*doc, {kMiB, kSparseSize - kMiB}, target.toStdString());
    EXPECT_EQ(result.end, SaveRangeEnd::ReadFailed);
    EXPECT_EQ(result.failedAt, 6 * kMiB);
    EXPECT_EQ(result.error, EIO);
    EXPECT_FALSE(QFile::exists(target));
}

TEST(SaveSelectionName, OffersANameBesideTheDocument)
{
    EXPECT_EQ(ProposedSelectionName(QStringLiteral("/data/disk.img")), QStringLiteral("/data/disk-selection.img"));
    EXPECT_EQ(ProposedSelectionName(QStringLiteral("/data/core")), QStringLiteral("/data/core-selection"));
}

} // namespace
} // namespace vtx::test
