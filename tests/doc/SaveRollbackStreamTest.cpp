// A save whose rollback record is larger than the block it is written in: a crash anywhere
// in the save puts the file back byte for byte; old bytes that were a hole come back as
// zeros from a record that kept only their count; a record of an older layout is never
// applied. The editor is killed for real: a child process saves and ends at an exact
// written byte through the file layer's fault seam.
#include "DocTestSupport.h"

#include "document/ByteCheck.h"
#include "platform/FileFaults.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <sys/wait.h>
#include <unistd.h>

using namespace vtx;
using namespace vtx::test;

namespace {

constexpr int kFileBytes = 24 << 20;
constexpr FilePos kPastedAt = FilePos{5} << 20;
// More than one block of the record, so that it is written, read and put back in pieces.
constexpr int kPasted = static_cast<int>(RollbackWriter::kBlock) + (1 << 20) + 123;

struct StreamedSave {
    const char* name;
    bool sparse;          // the paste lands in a hole: the old bytes are zeros, never read
    std::uint32_t layout; // 0, or the older record version the crashed save's record is given
};

class DocRollbackStream : public ::testing::TestWithParam<StreamedSave>
{
};

// The file before the save: varied bytes throughout, or 1 MiB of them and a hole after.
QByteArray WriteOriginal(const QString& path, bool sparse)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QByteArray head = Filler(sparse ? 1 << 20 : kFileBytes);
    file.write(head);
    EXPECT_TRUE(file.resize(kFileBytes));
    file.close();
    return head + QByteArray(kFileBytes - head.size(), '\0');
}

// Saves the paste in a child that ends after `crashAt` written bytes (or never, at 0):
// its exit status.
int SaveInChild(const QString& path, const QByteArray& paste, std::uint64_t crashAt)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        MessageBoxRecorder boxes;
        auto* doc = OpenDocument(path).release();
        if (!doc || doc->SetBytes(reinterpret_cast<const std::uint8_t*>(paste.constData()),
                                  static_cast<std::uint32_t>(paste.size()), kPastedAt) != paste.size())
            ::_exit(2);
        if (crashAt > 0)
            FileFaults::CrashAfterWrittenBytes(crashAt);
        ::_exit(doc->OnSaveDocument(path) ? 0 : 3);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Gives a complete record another version, with its check made right again: only the
// version tells it from a record this build would apply.
void SetRecordVersion(const QString& recordPath, std::uint64_t recordBytes, std::uint32_t version)
{
    QByteArray record = ReadAll(recordPath).left(static_cast<int>(recordBytes));
    for (int i = 0; i < 4; ++i)
        record[8 + i] = static_cast<char>(version >> (8 * i));
    const std::uint64_t check =
        ByteCheck::Of(reinterpret_cast<const std::uint8_t*>(record.constData()), record.size() - 8);
    for (int i = 0; i < 8; ++i)
        record[record.size() - 8 + i] = static_cast<char>(check >> (8 * i));
    QFile file(recordPath);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_EQ(file.write(record), record.size());
}

} // namespace

TEST_P(DocRollbackStream, ACrashAnywhereInTheSavePutsTheFileBackExactly)
{
    const StreamedSave row = GetParam();
    TempDir dir;
    const QString path = dir.Path(QStringLiteral("streamed.bin"));
    const QByteArray original = WriteOriginal(path, row.sparse);
    const QByteArray paste = Filler(kPasted, 9);
    QByteArray expected = original;
    expected.replace(static_cast<int>(kPastedAt), paste.size(), paste);
    const QString recordPath =
        QFile::decodeName(EditJournal::RollbackPathFor(QFileInfo(path).canonicalFilePath().toStdString()).c_str());

    // A save that runs to its end leaves its record behind, cleared: its size is where the
    // writing of the changes starts.
    ASSERT_EQ(SaveInChild(path, paste, 0), 0);
    ASSERT_EQ(ReadAll(path), expected);
    const auto recordBytes = static_cast<std::uint64_t>(QFileInfo(recordPath).size());
    if (row.sparse)
        EXPECT_LT(recordBytes, 4096u) << "the hole's zeros were kept as bytes";
    else
        EXPECT_GT(recordBytes, static_cast<std::uint64_t>(kPasted));

    const std::vector<std::uint64_t> crashes =
        row.layout != 0 ? std::vector<std::uint64_t>{recordBytes + kPasted / 2}
                        : std::vector<std::uint64_t>{recordBytes / 2, recordBytes + 1, recordBytes + kPasted / 2,
                                                     recordBytes + kPasted - 1};
    for (const std::uint64_t crashAt : crashes) {
        WriteOriginal(path, row.sparse);
        ASSERT_EQ(SaveInChild(path, paste, crashAt), FileFaults::kCrashExitStatus) << crashAt;
        const QByteArray torn = ReadAll(path);
        if (crashAt > recordBytes) {
            ASSERT_NE(torn, original) << "the crash at " << crashAt << " came before the changes";
        }
        if (row.layout != 0)
            SetRecordVersion(recordPath, recordBytes, row.layout);

        MessageBoxRecorder boxes; // recovers the journal's changes: Yes is the default
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        if (row.layout != 0) {
            EXPECT_EQ(ReadAll(path), torn) << "a record of an older layout was applied";
        } else {
            EXPECT_EQ(ReadAll(path), original) << "not put back exactly after a crash at " << crashAt;
            EXPECT_EQ(PresentedAll(*doc), expected) << "the paste was lost after a crash at " << crashAt;
        }
        RollbackRecord after;
        EXPECT_EQ(EditJournal::ReadRollback(recordPath.toStdString(), after), RollbackStatus::Missing);
        doc.reset(); // closing asks nothing of the recorder, and removes the journal
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, DocRollbackStream,
                         ::testing::Values(StreamedSave{"OldBytesInBlocks", false, 0},
                                           StreamedSave{"OldBytesInAHoleKeptAsACount", true, 0},
                                           StreamedSave{"ARecordOfTheOlderLayoutIsNeverApplied", false, 2}),
                         [](const ::testing::TestParamInfo<StreamedSave>& info) { return info.param.name; });

TEST(RollbackRecord, SpansLargerThanABlockAndZerosReadBackAsWritten)
{
    RollbackRecord record;
    record.path = "/data/blocks.bin";
    record.length = FilePos{1} << 40;
    std::vector<std::uint8_t> large(RollbackWriter::kBlock * 2 + 77);
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
    record.spans = {{100, {1, 2, 3}, 0}, {4096, {}, FilePos{3} << 30}, {FilePos{5} << 30, large, 0}};
    const std::string path = EditJournal::RollbackPathFor(record.path);
    ASSERT_TRUE(EditJournal::WriteRollback(path, record));
    EXPECT_LT(QFileInfo(QString::fromStdString(path)).size(), static_cast<qint64>(large.size() + 4096))
        << "3 GiB of zeros took more than their count";
    RollbackRecord read;
    ASSERT_EQ(EditJournal::ReadRollback(path, read), RollbackStatus::Complete);
    EXPECT_EQ(read, record);
    // Old bytes that fill the writer's buffer to its last byte: the end still finds room.
    constexpr std::size_t kHead = 8 + 4 + 5 * 8 + 8 + 4 + 16 + 8; // "/data/blocks.bin"
    constexpr std::size_t kEntryHead = 1 + 8 + 8;
    const std::size_t exact = RollbackWriter::kBlock + RollbackWriter::kSlack - kHead - 2 * kEntryHead;
    RollbackRecord full = record;
    full.spans = {{0, std::vector<std::uint8_t>(exact, 0x66), 0}};
    ASSERT_TRUE(EditJournal::WriteRollback(path, full));
    ASSERT_EQ(EditJournal::ReadRollback(path, read), RollbackStatus::Complete);
    EXPECT_EQ(read, full);
    // A span that reaches past the file's length is damage, never put back.
    record.spans.push_back({record.length - 2, {9, 9, 9}, 0});
    ASSERT_TRUE(EditJournal::WriteRollback(path, record));
    EXPECT_EQ(EditJournal::ReadRollback(path, read), RollbackStatus::Torn);
}

// Without a state folder the record is kept in memory. The fault seam's full disk stays
// full, so the way back fails too (as it would for the record on disk): what must hold is
// that the failure is told, every change stays pending, and the next save completes.
TEST(DocRollbackStreamFallback, WithoutAStateFolderAFailedSaveKeepsTheChangesForTheNext)
{
    TempDir dir;
    const QByteArray original = Filler(100000);
    const QString path = dir.Write("nofolder.bin", original);
    const std::string saved = std::getenv("XDG_STATE_HOME");
    ::setenv("XDG_STATE_HOME", dir.Write("blocker", QByteArray("x")).toLocal8Bit().constData(), 1);
    {
        MessageBoxRecorder boxes;
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        const QByteArray paste = Filler(3000, 4);
        ASSERT_EQ(doc->SetBytes(reinterpret_cast<const std::uint8_t*>(paste.constData()), 3000, 64000), 3000u);
        {
            ScopedFileFaults faults;
            // No record reaches the disk: the first written bytes are the change's own.
            FileFaults::FailWritesAfter(1000, ENOSPC);
            EXPECT_FALSE(doc->OnSaveDocument(path));
        }
        EXPECT_EQ(boxes.Last(), QStringLiteral("Exception in Save()\nThe disk is full."));
        EXPECT_EQ(Presented(*doc, 64000, 3000), paste);
        EXPECT_TRUE(doc->IsDirty());
        ASSERT_TRUE(doc->OnSaveDocument(path));
    }
    ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
    QByteArray expected = original;
    expected.replace(64000, 3000, Filler(3000, 4));
    EXPECT_EQ(ReadAll(path), expected);
}
