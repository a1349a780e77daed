// The journal and the rollback record on their own: what is written reads back, and a torn
// or damaged tail is never taken for a record.
#include "document/EditJournal.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

using vtx::EditJournal;
using vtx::FileIdentity;
using vtx::JournalContents;
using vtx::JournalRecord;
using vtx::JournalRun;
using vtx::RollbackRecord;
using vtx::test::TempDir;

namespace {

// Points the state folder at a fresh temporary folder while it lives.
class ScopedStateHome
{
public:
    ScopedStateHome()
    {
        const char* old = std::getenv("XDG_STATE_HOME");
        if (old)
            m_old = old;
        ::setenv("XDG_STATE_HOME", m_dir.StdPath(QStringLiteral("state")).c_str(), 1);
    }
    ~ScopedStateHome()
    {
        if (m_old.empty())
            ::unsetenv("XDG_STATE_HOME");
        else
            ::setenv("XDG_STATE_HOME", m_old.c_str(), 1);
    }
    [[nodiscard]] const TempDir& Dir() const { return m_dir; }

private:
    TempDir m_dir;
    std::string m_old;
};

FileIdentity SomeIdentity()
{
    FileIdentity id;
    id.device = 0x801;
    id.inode = 123456;
    id.size = 4096;
    id.mtimeNs = 1700000000123456789;
    id.ctimeNs = 1700000000987654321;
    return id;
}

JournalRecord Change(vtx::FilePos position, std::vector<std::uint8_t> bytes, bool joins = false)
{
    JournalRecord record;
    record.kind = JournalRecord::Kind::Change;
    record.joinsPrevious = joins;
    record.timeMs = 1700000000000 + static_cast<std::int64_t>(position);
    record.runs.push_back(JournalRun{position, bytes.size(), false, std::move(bytes)});
    return record;
}

std::vector<JournalRecord> SampleRecords()
{
    std::vector<JournalRecord> records;
    records.push_back(Change(0x10, {0xAA}));
    records.push_back(Change(0x20, {1, 2, 3, 4, 5, 6, 7, 8}, true));
    JournalRecord fill;
    fill.timeMs = 1700000001000;
    fill.runs.push_back(JournalRun{0x100, 1000, true, {0xDE, 0xAD}});
    fill.runs.push_back(JournalRun{0x1000000000, 3, false, {9, 8, 7}});
    records.push_back(fill);
    // An undo carries what it left: here the file's own bytes, then a literal.
    JournalRecord undo;
    undo.kind = JournalRecord::Kind::Undo;
    undo.runs.push_back(JournalRun{0x20, 4, false, {}, true});
    undo.runs.push_back(JournalRun{0x24, 2, false, {5, 6}});
    records.push_back(undo);
    JournalRecord redo;
    redo.kind = JournalRecord::Kind::Redo;
    records.push_back(redo);
    JournalRecord pending = Change(0x30, {0x77});
    pending.kind = JournalRecord::Kind::Pending;
    records.push_back(pending);
    return records;
}

void Truncate(const std::string& path, std::uint64_t size)
{
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
}

} // namespace

TEST(EditJournal, RecordsReadBackAsWrittenInTheUsersPrivateStateFolder)
{
    ScopedStateHome home;
    EditJournal journal;
    ASSERT_TRUE(journal.Start("/data/disk.img", SomeIdentity()));
    const std::vector<JournalRecord> records = SampleRecords();
    for (const JournalRecord& record : records)
        ASSERT_TRUE(journal.Append(record));

    const JournalContents read = EditJournal::Read(journal.JournalPath());
    EXPECT_EQ(read.status, JournalContents::Status::Complete);
    EXPECT_EQ(read.path, "/data/disk.img");
    EXPECT_TRUE(read.identity.SameState(SomeIdentity()));
    EXPECT_EQ(read.records, records);
    EXPECT_EQ(read.ChangedBytes(), 1u + 8u + 1000u + 3u + 1u);
    EXPECT_EQ(read.recoveredBytes, read.fileBytes);

    // One name per canonical path, in a folder and files nobody else may read.
    EXPECT_EQ(EditJournal::JournalPathFor("/data/disk.img"), journal.JournalPath());
    EXPECT_NE(EditJournal::JournalPathFor("/data/disk.im"), journal.JournalPath());
    EXPECT_EQ(EditJournal::AllJournals(), std::vector<std::string>{journal.JournalPath()});
    struct stat st {};
    ASSERT_EQ(::stat(EditJournal::StateFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(journal.JournalPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // After a save the journal is empty and knows the file's new state; a discard removes it.
    FileIdentity saved = SomeIdentity();
    saved.mtimeNs += 5;
    ASSERT_TRUE(journal.Reset(saved));
    const JournalContents afterReset = EditJournal::Read(journal.JournalPath());
    EXPECT_EQ(afterReset.status, JournalContents::Status::Complete);
    EXPECT_TRUE(afterReset.records.empty());
    EXPECT_TRUE(afterReset.identity.SameState(saved));
    // The next record follows the new header, not the old records' place.
    ASSERT_TRUE(journal.Append(records[0]));
    EXPECT_EQ(EditJournal::Read(journal.JournalPath()).records, std::vector<JournalRecord>{records[0]});
    const std::string path = journal.JournalPath();
    journal.Remove();
    EXPECT_EQ(EditJournal::Read(path).status, JournalContents::Status::Missing);
}

// A record too large for the mapped tail is written from its runs' bytes in pieces: the
// file must hold exactly the bytes the one-buffer encoding gives, and the records after it
// follow it.
TEST(EditJournal, ALargeRecordIsWrittenInPiecesAsTheSameBytes)
{
    ScopedStateHome home;
    EditJournal journal;
    ASSERT_TRUE(journal.Start("/data/large.bin", SomeIdentity()));
    std::vector<std::uint8_t> paste(200000);
    for (std::size_t k = 0; k < paste.size(); ++k)
        paste[k] = static_cast<std::uint8_t>(k * 7 + k / 251);
    JournalRecord large = Change(0x4000, paste);
    large.runs.insert(large.runs.begin(), JournalRun{0x10, 2, false, {1, 2}});
    large.runs.push_back(JournalRun{0x100000, 100, true, {0xDE, 0xAD}});
    const std::vector<JournalRecord> records = {Change(0x1, {0xAA}), large, Change(0x2, {0xBB}, true)};
    for (const JournalRecord& record : records)
        ASSERT_TRUE(journal.Append(record));
    journal.Close();

    const std::string path = EditJournal::JournalPathFor("/data/large.bin");
    const JournalContents read = EditJournal::Read(path);
    EXPECT_EQ(read.status, JournalContents::Status::Complete);
    EXPECT_EQ(read.records, records);
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    std::vector<std::uint8_t> expected;
    for (const JournalRecord& record : records) {
        const std::vector<std::uint8_t> encoded = EditJournal::EncodeRecord(record);
        expected.insert(expected.end(), encoded.begin(), encoded.end());
    }
    const auto headerSize = static_cast<int>(EditJournal::EncodeHeader("/data/large.bin", SomeIdentity(), 0).size());
    EXPECT_EQ(whole.mid(headerSize), QByteArray(reinterpret_cast<const char*>(expected.data()),
                                                static_cast<qsizetype>(expected.size())));
}

TEST(EditJournal, ACutOrDamagedTailIsNeverTakenForARecord)
{
    ScopedStateHome home;
    EditJournal journal;
    ASSERT_TRUE(journal.Start("/data/cut.bin", SomeIdentity()));
    const std::vector<JournalRecord> records = SampleRecords();
    std::vector<std::uint64_t> ends; // where each record ends in the file
    std::uint64_t end = EditJournal::EncodeHeader("/data/cut.bin", SomeIdentity(), 0).size();
    for (const JournalRecord& record : records) {
        ASSERT_TRUE(journal.Append(record));
        end += EditJournal::EncodeRecord(record).size();
        ends.push_back(end);
    }
    journal.Close();
    const std::string path = EditJournal::JournalPathFor("/data/cut.bin");
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    ASSERT_EQ(static_cast<std::uint64_t>(whole.size()), ends.back());

    // Cut at every byte of the last three records: exactly the records wholly before the
    // cut come back, and a cut inside one says so.
    for (std::uint64_t cut = ends[1]; cut <= ends.back(); ++cut) {
        TempDir scratch;
        const std::string copy = scratch.Write(QStringLiteral("j"), whole.left(static_cast<int>(cut))).toStdString();
        const JournalContents read = EditJournal::Read(copy);
        std::size_t whole_records = 0;
        while (whole_records < ends.size() && ends[whole_records] <= cut)
            ++whole_records;
        ASSERT_EQ(read.records.size(), whole_records) << "cut at " << cut;
        EXPECT_EQ(read.records, std::vector<JournalRecord>(records.begin(), records.begin() + static_cast<long>(whole_records)));
        const bool onBoundary = ends[whole_records - 1] == cut;
        EXPECT_EQ(read.status, onBoundary ? JournalContents::Status::Complete : JournalContents::Status::Torn) << cut;
        EXPECT_EQ(read.recoveredBytes, ends[whole_records - 1]);
    }

    // A flipped bit anywhere in the third record ends the journal before it.
    for (std::uint64_t at = ends[1]; at < ends[2]; ++at) {
        QByteArray damaged = whole;
        damaged[static_cast<int>(at)] = static_cast<char>(damaged[static_cast<int>(at)] ^ 0x10);
        TempDir scratch;
        const JournalContents read = EditJournal::Read(scratch.Write(QStringLiteral("j"), damaged).toStdString());
        ASSERT_EQ(read.records.size(), 2u) << "damage at " << at;
        EXPECT_EQ(read.status, JournalContents::Status::Torn);
    }
}

TEST(EditJournal, HeadersThatCannotBeTrustedAreToldApart)
{
    ScopedStateHome home;
    TempDir dir;
    std::vector<std::uint8_t> header = EditJournal::EncodeHeader("/x", SomeIdentity(), 0);
    // A newer program's journal: left alone, whatever follows.
    std::vector<std::uint8_t> newer = header;
    newer[8] = static_cast<std::uint8_t>(EditJournal::kFormatVersion + 1);
    EXPECT_EQ(EditJournal::Read(dir.Write(QStringLiteral("newer"), newer).toStdString()).status,
              JournalContents::Status::NewerFormat);
    std::vector<std::uint8_t> damaged = header;
    damaged[20] ^= 1;
    EXPECT_EQ(EditJournal::Read(dir.Write(QStringLiteral("damaged"), damaged).toStdString()).status,
              JournalContents::Status::Unreadable);
    header.pop_back();
    EXPECT_EQ(EditJournal::Read(dir.Write(QStringLiteral("short"), header).toStdString()).status,
              JournalContents::Status::Unreadable);
    EXPECT_EQ(EditJournal::Read(dir.StdPath(QStringLiteral("none"))).status, JournalContents::Status::Missing);
}

TEST(EditJournal, RecordsAreSyncedInGroupsAtMostASecondLater)
{
    ScopedStateHome home;
    EditJournal journal;
    ASSERT_TRUE(journal.Start("/data/typed.bin", SomeIdentity()));
    EXPECT_FALSE(journal.SyncDeadline());
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(journal.Append(Change(1, {1})));
    ASSERT_TRUE(journal.SyncDeadline());
    const auto deadline = *journal.SyncDeadline();
    EXPECT_LE(deadline - before, EditJournal::kSyncDelay + std::chrono::milliseconds(50));
    // More keys wait for the same sync.
    ASSERT_TRUE(journal.Append(Change(2, {2})));
    EXPECT_EQ(*journal.SyncDeadline(), deadline);
    EXPECT_TRUE(journal.SyncIfDue(deadline - std::chrono::milliseconds(1)));
    EXPECT_TRUE(journal.SyncDeadline());
    EXPECT_TRUE(journal.SyncIfDue(deadline));
    EXPECT_FALSE(journal.SyncDeadline());
}

TEST(EditJournal, AStateFolderThatCannotBeMadeIsAFailureWithItsReason)
{
    TempDir dir;
    const std::string blocker = dir.Write(QStringLiteral("file"), QByteArray("x")).toStdString();
    const char* old = std::getenv("XDG_STATE_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_STATE_HOME", blocker.c_str(), 1);
    EditJournal journal;
    EXPECT_FALSE(journal.Start("/data/a.bin", SomeIdentity()));
    EXPECT_EQ(journal.LastError(), ENOTDIR);
    EXPECT_FALSE(journal.Append(Change(0, {0})));
    ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
}

TEST(RollbackRecord, OnlyAWholeRecordIsComplete)
{
    ScopedStateHome home;
    RollbackRecord record;
    record.path = "/data/saved.bin";
    record.identity = SomeIdentity();
    record.length = 0x2000000000; // every span lies inside the file
    record.spans.push_back({10, {1, 2, 3}});
    record.spans.push_back({0xFFFFFFFF0, std::vector<std::uint8_t>(300, 0x5A)});
    const std::string path = EditJournal::RollbackPathFor(record.path);
    ASSERT_TRUE(EditJournal::WriteRollback(path, record));
    RollbackRecord read;
    ASSERT_EQ(EditJournal::ReadRollback(path, read), EditJournal::RollbackStatus::Complete);
    EXPECT_EQ(read, record);

    const std::vector<std::uint8_t> whole = EditJournal::EncodeRollback(record);
    // Cut to nothing it is an emptied record, as a finished save leaves it: Missing.
    for (std::size_t cut = 1; cut < whole.size(); ++cut) {
        Truncate(path, cut);
        RollbackRecord partial;
        ASSERT_EQ(EditJournal::ReadRollback(path, partial), EditJournal::RollbackStatus::Torn) << cut;
    }
    ASSERT_TRUE(EditJournal::WriteRollback(path, record));
    ASSERT_TRUE(EditJournal::ClearRollback(path));
    EXPECT_EQ(EditJournal::ReadRollback(path, read), EditJournal::RollbackStatus::Missing);
    // Written again over the cleared file, then a shorter record over a longer one: written
    // in place, so the old tail stays behind the new record, and is never read.
    ASSERT_TRUE(EditJournal::WriteRollback(path, record));
    RollbackRecord shorter = record;
    shorter.spans.pop_back();
    ASSERT_TRUE(EditJournal::WriteRollback(path, shorter));
    ASSERT_EQ(EditJournal::ReadRollback(path, read), EditJournal::RollbackStatus::Complete);
    EXPECT_EQ(read, shorter);
    EXPECT_EQ(QFileInfo(QString::fromStdString(path)).size(), static_cast<qint64>(whole.size()));
    EditJournal::RemoveEmptyRollback(path);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(path))) << "a record with bytes stays";
    ASSERT_TRUE(EditJournal::ClearRollback(path));
    EditJournal::RemoveEmptyRollback(path);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)));
}

TEST(RollbackRecord, ARecordTornOverAnOlderOneIsNeverComplete)
{
    // A record written over a longer, cleared one and cut short: what follows the cut is
    // the old record's bytes, which must not pass for the new record's.
    ScopedStateHome home;
    RollbackRecord longer;
    longer.path = "/data/over.bin";
    longer.identity = SomeIdentity();
    longer.length = 1 << 20;
    longer.newBytesCheck = 0x1234;
    longer.spans = {{0, std::vector<std::uint8_t>(700, 0x11)}, {5000, std::vector<std::uint8_t>(900, 0x22)}};
    RollbackRecord newer = longer;
    newer.identity.mtimeNs += 1000; // a later save: the file's times have moved on
    newer.identity.ctimeNs += 1000;
    newer.newBytesCheck = 0x5678;
    newer.spans = {{0, std::vector<std::uint8_t>(700, 0x33)}};
    const std::string path = EditJournal::RollbackPathFor(longer.path);
    ASSERT_TRUE(EditJournal::EnsureStateFolder());
    const std::vector<std::uint8_t> old = EditJournal::EncodeRollback(longer);
    const std::vector<std::uint8_t> fresh = EditJournal::EncodeRollback(newer);
    for (std::size_t cut = 1; cut < fresh.size(); cut += 7) {
        std::vector<std::uint8_t> mixed = old;
        ASSERT_TRUE(EditJournal::WriteRollback(path, longer));
        ASSERT_TRUE(EditJournal::ClearRollback(path));
        QFile cleared(QString::fromStdString(path));
        ASSERT_TRUE(cleared.open(QIODevice::ReadOnly));
        const QByteArray clearedBytes = cleared.readAll();
        cleared.close();
        ASSERT_EQ(static_cast<std::size_t>(clearedBytes.size()), old.size());
        std::copy(clearedBytes.begin(), clearedBytes.end(), mixed.begin());
        std::copy(fresh.begin(), fresh.begin() + static_cast<std::ptrdiff_t>(cut), mixed.begin());
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(mixed.data()), static_cast<qint64>(mixed.size()));
        file.close();
        RollbackRecord read;
        ASSERT_EQ(EditJournal::ReadRollback(path, read), EditJournal::RollbackStatus::Torn) << cut;
    }
}

namespace {

struct CheckSplit {
    const char* name;
    std::size_t size;
    std::size_t piece; // fed in pieces of this size
};

class ByteCheckSplits : public ::testing::TestWithParam<CheckSplit>
{
};

} // namespace

TEST_P(ByteCheckSplits, PiecesOfAnySizeGiveOneValueAndEveryByteCounts)
{
    const CheckSplit split = GetParam();
    std::vector<std::uint8_t> bytes(split.size);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    const std::uint64_t whole = vtx::ByteCheck::Of(bytes.data(), bytes.size());
    vtx::ByteCheck pieces;
    for (std::size_t at = 0; at < bytes.size(); at += split.piece)
        pieces.Add(bytes.data() + at, std::min(split.piece, bytes.size() - at));
    EXPECT_EQ(pieces.Value(), whole);
    // One changed bit anywhere, in a whole block or in the tail, changes the value.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] ^= 0x10;
        ASSERT_NE(vtx::ByteCheck::Of(bytes.data(), bytes.size()), whole) << i;
        bytes[i] ^= 0x10;
    }
    // So does one more zero byte at the end (the length counts).
    bytes.push_back(0);
    EXPECT_NE(vtx::ByteCheck::Of(bytes.data(), bytes.size()), whole);
}

INSTANTIATE_TEST_SUITE_P(Splits, ByteCheckSplits,
                         ::testing::Values(CheckSplit{"Empty", 0, 1}, CheckSplit{"TailOnly", 31, 5},
                                           CheckSplit{"OneBlockByteByByte", 32, 1},
                                           CheckSplit{"BlocksAndTailInOddPieces", 1000, 13},
                                           CheckSplit{"PiecesLargerThanABlock", 4099, 100},
                                           CheckSplit{"OnePiece", 257, 257}),
                         [](const ::testing::TestParamInfo<CheckSplit>& info) { return info.param.name; });
