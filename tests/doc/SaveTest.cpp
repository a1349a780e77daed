// Saving in place and to another name.
#include "DocTestSupport.h"

#include "platform/FileFaults.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>

#include <cerrno>

#include <unistd.h>

using namespace vtx;
using namespace vtx::test;

TEST(DocSaveInPlace, WritesExactlyTheChangedBytesOneWriteEach)
{
    TempDir dir;
    const QByteArray original = Filler(300000);
    const QString path = dir.Write("a.bin", original);
    MessageBoxRecorder boxes;
    // Without the journal, the save's only other writes are its rollback record and the
    // clearing of the record's head (60 bytes).
    ScopedJournalSetting journalOff(false);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);

    const WriteCounters before = ThreadWrites();
    ASSERT_TRUE(doc->OnSaveDocument(path)); // nothing pending: nothing written
    if (kExactWriteCounters) {
        EXPECT_EQ(ThreadWrites().calls, before.calls);
    }

    QByteArray expected = original;
    for (std::uint32_t p : {299999u, 0u, 65535u, 12345u}) {
        ASSERT_TRUE(doc->SetByte(static_cast<std::uint8_t>(~original[static_cast<int>(p)]), p));
        expected[static_cast<int>(p)] = static_cast<char>(~original[static_cast<int>(p)]);
    }
    ASSERT_TRUE(doc->SetByte(0x11, 12345)); // the same byte twice is still one write
    expected[12345] = 0x11;

    const WriteCounters start = ThreadWrites();
    ASSERT_TRUE(doc->OnSaveDocument(path));
    const WriteCounters end = ThreadWrites();
    RollbackRecord rollback;
    rollback.path = QFileInfo(path).canonicalFilePath().toStdString();
    rollback.spans = {{0, {0}}, {12345, {0}}, {65535, {0}}, {299999, {0}}};
    if (kExactWriteCounters) {
        EXPECT_EQ(end.calls - start.calls, 4u + 2u);
        EXPECT_EQ(end.bytes - start.bytes, 4u + EditJournal::EncodeRollback(rollback).size() + 60u);
    }
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_TRUE(doc->PendingChanges().empty());
    EXPECT_FALSE(doc->IsDirty());
    EXPECT_EQ(doc->UndoHistory().size(), 5u);
    EXPECT_EQ(doc->GetFileLength(), 300000u);
    EXPECT_EQ(boxes.Count(), 0);
}

TEST(DocSaveInPlace, AFailedWriteKeepsEveryPendingChange)
{
    // A sparse file on a full tmpfs: overwriting a byte inside a hole needs a new page,
    // which the full file system refuses (ENOSPC).
    SmallTmpfs disk(256 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QString path = disk.Path("sparse.bin");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("head");
        ASSERT_TRUE(file.resize(4 * 1024 * 1024));
    }
    disk.FillUp("filler");
    MessageBoxRecorder boxes;
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte('H', 0));
    ASSERT_TRUE(doc->SetByte('M', 2 * 1024 * 1024));
    const auto pending = doc->PendingChanges();

    EXPECT_FALSE(doc->OnSaveDocument(path));
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{"Exception in Save()\nThe disk is full."});
    // The byte that got in before the disk filled up is taken back at once.
    EXPECT_EQ(ReadAll(path).left(4), QByteArray("head"));
    EXPECT_EQ(doc->PendingChanges(), pending);
    EXPECT_TRUE(doc->IsDirty());
    EXPECT_EQ(doc->GetByte(2 * 1024 * 1024), 'M');

    ASSERT_TRUE(QFile::remove(disk.Path("filler")));
    EXPECT_TRUE(doc->OnSaveDocument(path));
    const QByteArray onDisk = ReadAll(path);
    EXPECT_EQ(onDisk[0], 'H');
    EXPECT_EQ(onDisk[2 * 1024 * 1024], 'M');
}

TEST(DocSaveInPlace, ASaveTellsOnlyTheStatusSinkOfItsOwnDocument)
{
    TempDir dir;
    MessageBoxRecorder boxes;
    ScopedJournalSetting journalOff(false);
    std::vector<QString> firstTold;
    std::vector<QString> secondTold;
    auto first = OpenDocument(dir.Write("first.bin", Filler(4096)));
    auto second = OpenDocument(dir.Write("second.bin", Filler(4096, 1)));
    ASSERT_TRUE(first && second);
    first->SetStatusSink([&](const QString& text) { firstTold.push_back(text); });
    second->SetStatusSink([&](const QString& text) { secondTold.push_back(text); });
    ASSERT_TRUE(first->SetByte(0x11, 10));
    ASSERT_TRUE(second->SetByte(0x22, 10));
    {
        ScopedFileFaults faults;
        FileFaults::FailWritesAfter(0, EIO);
        EXPECT_FALSE(first->OnSaveDocument(first->GetPath()));
    }
    // The failed save clears whatever progress it may have shown, in its own window only.
    EXPECT_EQ(firstTold, std::vector<QString>{QString()});
    EXPECT_TRUE(secondTold.empty());
    // A quick save shows no progress at all.
    EXPECT_TRUE(second->OnSaveDocument(second->GetPath()));
    EXPECT_TRUE(secondTold.empty());
    EXPECT_EQ(firstTold.size(), 1u);
}

TEST(DocSaveAs, CopyGetsTheChangesAndBecomesTheDocumentsFile)
{
    TempDir dir;
    const QByteArray original = Filler(70000);
    const QString oldPath = dir.Write("old.bin", original);
    const QString newPath = dir.Path("new.bin");
    MessageBoxRecorder boxes;
    auto doc = OpenDocument(oldPath);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte('!', 69999));
    ASSERT_TRUE(doc->SetByte('?', 3));

    ASSERT_TRUE(doc->OnSaveDocument(newPath));
    EXPECT_EQ(boxes.Count(), 0);
    QByteArray expected = original;
    expected[69999] = '!';
    expected[3] = '?';
    EXPECT_EQ(ReadAll(newPath), expected);
    EXPECT_EQ(ReadAll(oldPath), original);
    EXPECT_EQ(doc->GetPath(), newPath);
    EXPECT_TRUE(doc->IsFileOpen());
    EXPECT_FALSE(doc->IsDirty());
    EXPECT_TRUE(doc->PendingChanges().empty());
    EXPECT_EQ(doc->UndoHistory().size(), 2u);

    // The lock moved with the document.
    CFile probe;
    EXPECT_EQ(probe.Open(oldPath.toStdString()), CFile::OpenError::None);
    probe.Close();
    EXPECT_EQ(probe.Open(newPath.toStdString()), CFile::OpenError::Locked);

    // Later saves go to the new file.
    doc->Undo();
    ASSERT_TRUE(doc->OnSaveDocument(newPath));
    expected[3] = original[3];
    EXPECT_EQ(ReadAll(newPath), expected);
    EXPECT_EQ(ReadAll(oldPath), original);
}

namespace {
// Makes the step after the copy fail: writing the changes into the copy. While the
// document is at it, another program tries to take the copy and must find it locked.
class InterruptedSaveAsDoc : public CVantorixDoc
{
public:
    QString target;
    CFile grabber;

    bool OnSaveDocument(const QString& path) override
    {
        if (path == target && GetPath() == target) {
            EXPECT_EQ(grabber.Open(path.toStdString()), CFile::OpenError::Locked);
            ShowMessageBox(QStringLiteral("Exception in Save()"));
            return false;
        }
        return CVantorixDoc::OnSaveDocument(path);
    }
};
} // namespace

TEST(DocSaveAs, FailureAfterTheCopyGoesBackToTheOldFileWithEveryChange)
{
    // The copy is never reopened by name (it is created locked), so the one step after
    // it that can fail is writing the changes into it.
    const std::vector<QString> texts = {"Exception in Save()", "Failed To Save New File"};
    {
        TempDir dir;
        const QByteArray original = Filler(5000);
        const QString oldPath = dir.Write("old.bin", original);
        MessageBoxRecorder boxes;
        InterruptedSaveAsDoc doc;
        doc.target = dir.Path("new.bin");
        ASSERT_TRUE(doc.OnOpenDocument(oldPath));
        ASSERT_TRUE(doc.SetByte('x', 4999));
        const QByteArray presented = PresentedAll(doc);

        EXPECT_FALSE(doc.OnSaveDocument(doc.target));
        EXPECT_EQ(boxes.Texts(), texts);
        EXPECT_FALSE(QFile::exists(doc.target)) << "the copy this save made is removed";
        EXPECT_EQ(ReadAll(oldPath), original);
        EXPECT_TRUE(doc.IsFileOpen());
        EXPECT_EQ(doc.GetPath(), oldPath);
        EXPECT_TRUE(doc.IsDirty());
        EXPECT_EQ(doc.PendingChanges().size(), 1u);
        EXPECT_EQ(PresentedAll(doc), presented);
        CFile probe;
        EXPECT_EQ(probe.Open(oldPath.toStdString()), CFile::OpenError::Locked);

        // Still usable: a save in place works.
        ASSERT_TRUE(doc.OnSaveDocument(oldPath));
        EXPECT_EQ(ReadAll(oldPath), presented);
    }
}

TEST(DocSaveInPlace, ChangesNearTheEndOfA64GibibyteFileLandOnTheirBytes)
{
    constexpr FilePos kLength = FilePos{64} << 30;
    TempDir dir;
    const QString path = dir.Write("disk.img", QByteArray());
    if (::truncate(path.toLocal8Bit().constData(), static_cast<off_t>(kLength)) != 0)
        GTEST_SKIP() << "this file system refuses a 64 GiB sparse file";
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->GetFileLength(), kLength);
    const FilePos places[] = {FilePos{1} << 32, kLength - 4096, kLength - 1};
    for (const FilePos p : places)
        ASSERT_TRUE(doc->SetByte(static_cast<std::uint8_t>(0xA0 + (p & 0xF)), p)) << p;
    EXPECT_FALSE(doc->SetByte(1, kLength)) << "a change past the end would grow the file";
    ASSERT_TRUE(doc->OnSaveDocument(path));
    doc->Undo(); // the last byte goes back to zero: a pending change of its own
    ASSERT_TRUE(doc->OnSaveDocument(path));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), static_cast<qint64>(kLength));
    for (const FilePos p : places) {
        // Each byte and its neighbours: a write 2^32 bytes off, or one byte off, shows.
        ASSERT_TRUE(file.seek(static_cast<qint64>(p - 1)));
        QByteArray expected(3, '\0');
        if (p != kLength - 1)
            expected[1] = static_cast<char>(0xA0 + (p & 0xF));
        EXPECT_EQ(file.read(3), expected.left(p == kLength - 1 ? 2 : 3)) << p;
    }
    EXPECT_EQ(file.seek(0) ? file.read(1) : QByteArray(), QByteArray(1, '\0'));
}

TEST(DocSaveInPlace, ADiskKeepsItsSizeAndTakesTheChangedBytes)
{
    // A loop device stands in for a disk; it needs root and a free loop device.
    TempDir dir;
    constexpr qint64 kSize = 8 << 20;
    const QString image = dir.Write("disk.img", QByteArray(kSize, '\x11'));
    QProcess attach;
    attach.start(QStringLiteral("losetup"), {QStringLiteral("-f"), QStringLiteral("--show"), image});
    if (!attach.waitForFinished() || attach.exitCode() != 0)
        GTEST_SKIP() << "no loop device to stand in for a disk (needs root and losetup)";
    const QString device = QString::fromLocal8Bit(attach.readAllStandardOutput()).trimmed();
    const auto detach = qScopeGuard([&] { QProcess::execute(QStringLiteral("losetup"), {QStringLiteral("-d"), device}); });

    auto doc = OpenDocument(device);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->GetFileLength(), static_cast<FilePos>(kSize));
    EXPECT_EQ(doc->GetByte(kSize - 1), 0x11);
    ASSERT_TRUE(doc->SetByte(0xD5, kSize - 1));
    EXPECT_FALSE(doc->SetByte(0xD5, kSize)) << "a disk cannot grow";
    MessageBoxRecorder boxes;
    ASSERT_TRUE(doc->OnSaveDocument(device)) << boxes.Last().toStdString();
    EXPECT_FALSE(doc->IsDirty());
    doc.reset();

    QFile disk(device);
    ASSERT_TRUE(disk.open(QIODevice::ReadOnly));
    ASSERT_TRUE(disk.seek(kSize - 2));
    EXPECT_EQ(disk.read(2), QByteArray("\x11\xD5"));
}
