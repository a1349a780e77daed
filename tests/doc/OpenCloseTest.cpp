// Opening a file and closing the document, with the question about unsaved changes.
#include "DocTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace vtx;
using namespace vtx::test;

TEST(DocOpenClose, OpenKeepsTheFileOpenExclusivelyAndReadsNothingIntoMemory)
{
    TempDir dir;
    const QString path = dir.Write("a.bin", Filler(1000));
    MessageBoxRecorder boxes;
    CVantorixDoc doc;
    EXPECT_FALSE(doc.OnNewDocument());
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_TRUE(doc.IsFileOpen());
    EXPECT_EQ(doc.GetPath(), path);
    EXPECT_EQ(doc.GetFileLength(), 1000u);
    EXPECT_FALSE(doc.IsDirty());
    EXPECT_EQ(boxes.Count(), 0);

    CFile other;
    EXPECT_EQ(other.Open(path.toStdString()), CFile::OpenError::Locked);

    // Bytes come from disk on each read: a change made behind the document's back shows.
    QFile outside(path);
    ASSERT_TRUE(outside.open(QIODevice::ReadWrite));
    outside.seek(10);
    outside.write("Z");
    outside.write(QByteArray(24, 'q'));
    outside.seek(1000);
    outside.write("tail");
    outside.close();
    EXPECT_EQ(doc.GetByte(10), 'Z');
    EXPECT_EQ(doc.GetFileLength(), 1004u);
}

TEST(DocOpenClose, CleanCloseAsksNothingAndReleasesTheFile)
{
    TempDir dir;
    const QString path = dir.Write("a.bin", Filler(10));
    MessageBoxRecorder boxes;
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    bool closedByFramework = false;
    doc->SetCloseHandler([&](CDocument*) { closedByFramework = true; });
    doc->OnCloseDocument();
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_TRUE(closedByFramework);
    EXPECT_FALSE(doc->IsFileOpen());
    EXPECT_EQ(doc->GetFileLength(), 0u);
    CFile other;
    EXPECT_EQ(other.Open(path.toStdString()), CFile::OpenError::None);
}

TEST(DocOpenClose, CloseQuestionYesNoCancel)
{
    TempDir dir;
    const QByteArray original = Filler(64);
    const QString path = dir.Write("a.bin", original);
    QByteArray changed = original;
    changed[5] = '\x7E';

    struct Case {
        MsgResult answer;
        bool closes;
        QByteArray onDisk;
    };
    for (const Case& c : {Case{MsgResult::Cancel, false, original}, Case{MsgResult::No, true, original},
                          Case{MsgResult::Yes, true, changed}}) {
        dir.Write("a.bin", original);
        MessageBoxRecorder boxes;
        boxes.Answer(c.answer);
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        bool closedByFramework = false;
        doc->SetCloseHandler([&](CDocument*) { closedByFramework = true; });
        ASSERT_TRUE(doc->SetByte(0x7E, 5));
        doc->OnCloseDocument();

        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_EQ(boxes.Records()[0].text, "Would you like to save changes to " + path + "?");
        EXPECT_EQ(boxes.Records()[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(closedByFramework, c.closes);
        EXPECT_EQ(doc->IsFileOpen(), !c.closes);
        EXPECT_EQ(ReadAll(path), c.onDisk);
        if (!c.closes) {
            // Cancel keeps the document as it was: its change, its dirty state, its lock.
            EXPECT_TRUE(doc->IsDirty());
            EXPECT_EQ(doc->GetByte(5), 0x7E);
            CFile other;
            EXPECT_EQ(other.Open(path.toStdString()), CFile::OpenError::Locked);
        }
    }
}

namespace {
// A document whose saves fail, as on a disk that went away.
class UnsavableDoc : public CVantorixDoc
{
public:
    bool OnSaveDocument(const QString&) override
    {
        ShowMessageBox(QStringLiteral("Exception in Save()"));
        return false;
    }
};
} // namespace

TEST(DocOpenClose, YesWithAFailingSaveKeepsTheDocumentAndItsChanges)
{
    TempDir dir;
    const QString path = dir.Write("a.bin", Filler(16));
    MessageBoxRecorder boxes;
    UnsavableDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    bool closedByFramework = false;
    doc.SetCloseHandler([&](CDocument*) { closedByFramework = true; });
    ASSERT_TRUE(doc.SetByte(1, 1));
    doc.OnCloseDocument();
    EXPECT_EQ(boxes.Texts(), (std::vector<QString>{"Would you like to save changes to " + path + "?",
                                                    "Exception in Save()"}));
    EXPECT_FALSE(closedByFramework);
    EXPECT_TRUE(doc.IsFileOpen());
    EXPECT_TRUE(doc.IsDirty());
    EXPECT_EQ(doc.PendingChanges().size(), 1u);
}
