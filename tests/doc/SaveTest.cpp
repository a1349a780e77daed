// Saving in place and to another name.
#include "DocTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <unistd.h>

using namespace vtx;
using namespace vtx::test;

TEST(DocSaveInPlace, WritesExactlyTheChangedBytesOneWriteEach)
{
    TempDir dir;
    const QByteArray original = Filler(300000);
    const QString path = dir.Write("a.bin", original);
    MessageBoxRecorder boxes;
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
    if (kExactWriteCounters) {
        EXPECT_EQ(end.calls - start.calls, 4u);
        EXPECT_EQ(end.bytes - start.bytes, 4u);
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
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{"Exception in Save()"});
    EXPECT_EQ(doc->PendingChanges(), pending);
    EXPECT_TRUE(doc->IsDirty());
    EXPECT_EQ(doc->GetByte(2 * 1024 * 1024), 'M');

    ASSERT_TRUE(QFile::remove(disk.Path("filler")));
    EXPECT_TRUE(doc->OnSaveDocument(path));
    const QByteArray onDisk = ReadAll(path);
    EXPECT_EQ(onDisk[0], 'H');
    EXPECT_EQ(onDisk[2 * 1024 * 1024], 'M');
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
// Makes the steps after the copy fail: another program grabs the copy before the
// document opens it, or writing into the copy fails.
class InterruptedSaveAsDoc : public CVantorixDoc
{
public:
    enum class Fail { OpeningCopy, WritingCopy };
    Fail fail = Fail::OpeningCopy;
    QString target;
    CFile grabber;

    bool OnOpenDocument(const QString& path) override
    {
        if (fail == Fail::OpeningCopy && path == target) {
            EXPECT_EQ(grabber.Open(path.toStdString()), CFile::OpenError::None);
        }
        return CVantorixDoc::OnOpenDocument(path);
    }
    bool OnSaveDocument(const QString& path) override
    {
        if (fail == Fail::WritingCopy && path == target && GetPath() == target) {
            ShowMessageBox(QStringLiteral("Exception in Save()"));
            return false;
        }
        return CVantorixDoc::OnSaveDocument(path);
    }
};
} // namespace

TEST(DocSaveAs, FailureAfterTheCopyGoesBackToTheOldFileWithEveryChange)
{
    using Fail = InterruptedSaveAsDoc::Fail;
    const std::pair<Fail, std::vector<QString>> cases[] = {
        {Fail::OpeningCopy, {"Error Opening File\nThe file is open in another program.", "Failed To Open New File"}},
        {Fail::WritingCopy, {"Exception in Save()", "Failed To Save New File"}},
    };
    for (const auto& [fail, texts] : cases) {
        TempDir dir;
        const QByteArray original = Filler(5000);
        const QString oldPath = dir.Write("old.bin", original);
        MessageBoxRecorder boxes;
        InterruptedSaveAsDoc doc;
        doc.fail = fail;
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
