// Files that cannot be edited, targets that cannot be saved to, texts that cannot be
// searched for: each gets a clear message and loses nothing.
#include "DocTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

using namespace vtx;
using namespace vtx::test;

TEST(DocBadInput, FilesThatCannotBeOpenedSayErrorOpeningFile)
{
    TempDir dir;
    const QString readOnly = dir.Write("ro.bin", QByteArray("keep"));
    ASSERT_EQ(::chmod(readOnly.toLocal8Bit().constData(), 0444), 0);
    const QString locked = dir.Write("locked.bin", QByteArray("keep"));
    auto holder = OpenDocument(locked);
    ASSERT_TRUE(holder);
    const QString huge = dir.Write("huge.bin", QByteArray("keep"));
    ASSERT_EQ(::truncate(huge.toLocal8Bit().constData(), CFile::kLengthLimit), 0); // sparse

    for (const QString& path : {dir.Path("missing.bin"), dir.Path(), readOnly, locked, huge}) {
        MessageBoxRecorder boxes;
        CVantorixDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(path)) << path.toStdString();
        EXPECT_EQ(boxes.Texts(), std::vector<QString>{"Error Opening File"}) << path.toStdString();
        EXPECT_FALSE(doc.IsFileOpen());
        EXPECT_EQ(doc.GetFileLength(), 0u);
    }
    EXPECT_EQ(ReadAll(readOnly), QByteArray("keep"));
    EXPECT_EQ(ReadAll(locked), QByteArray("keep"));
    EXPECT_TRUE(holder->IsFileOpen()) << "the first opener keeps its file";
    EXPECT_EQ(holder->GetByte(0), 'k');
}

namespace {
// After a refused Save As the document must be exactly where it was.
void ExpectSaveAsRefused(CVantorixDoc& doc, const QString& target, const QString& oldPath,
                         const QByteArray& oldBytes,
                         const QString& message = QStringLiteral("Failed To Copy To New File."))
{
    const auto pending = doc.PendingChanges();
    const QByteArray presented = PresentedAll(doc);
    MessageBoxRecorder boxes;
    EXPECT_FALSE(doc.OnSaveDocument(target));
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{message});
    EXPECT_EQ(ReadAll(oldPath), oldBytes);
    EXPECT_EQ(doc.GetPath(), oldPath);
    EXPECT_TRUE(doc.IsFileOpen());
    EXPECT_TRUE(doc.IsDirty());
    EXPECT_EQ(doc.PendingChanges(), pending);
    EXPECT_EQ(PresentedAll(doc), presented);
}
} // namespace

TEST(DocBadInput, SaveAsNeverOverwritesAndNeverWritesIntoNowhere)
{
    TempDir dir;
    const QByteArray original = Filler(1000);
    const QString path = dir.Write("a.bin", original);
    const QString existing = dir.Write("existing.bin", QByteArray("do not touch"));
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte('!', 10));

    ExpectSaveAsRefused(*doc, existing, path, original,
                        "Failed To Copy To New File.\nA file named existing.bin already exists. Choose another name.");
    EXPECT_EQ(ReadAll(existing), QByteArray("do not touch"));
    ExpectSaveAsRefused(*doc, dir.Path("no/such/dir/a.bin"), path, original);
    EXPECT_FALSE(QFile::exists(dir.Path("no")));
}

TEST(DocBadInput, SaveAsOntoAFullDiskLeavesNoPartialFile)
{
    SmallTmpfs disk(64 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    TempDir dir;
    const QByteArray original = Filler(256 * 1024);
    const QString path = dir.Write("a.bin", original);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte('!', 10));
    ExpectSaveAsRefused(*doc, disk.Path("a.bin"), path, original);
    EXPECT_FALSE(QFile::exists(disk.Path("a.bin")));
}

TEST(DocBadInput, SearchTextsThatCannotBeSearchedAreRefused)
{
    TempDir dir;
    QByteArray bytes(300, '\0');
    bytes[200] = 'A';
    const QString path = dir.Write("a.bin", bytes);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte('B', 201));
    const auto pending = doc->PendingChanges();

    struct Case {
        SearchType type;
        QString text;
        const char* message;
    };
    const Case cases[] = {
        {SearchType::Ascii, QString(), "You need to enter text to search for"},
        {SearchType::Ascii, QString(256, 'a'), "The search text is too long"},
        {SearchType::Unicode, QString(129, 'a'), "The search text is too long"},
        {SearchType::Hex, QString(514, 'a'), "The search text is too long"},
        {SearchType::Hex, QStringLiteral("zz"), "only the hexadecimal digits"},
        // Spaces may separate byte pairs, not split one.
        {SearchType::Hex, QStringLiteral("4 142"), "spaces between byte pairs"},
        // One digit would compare nothing and "match" the first zero byte.
        {SearchType::Hex, QStringLiteral("4"), "at least two hexadecimal digits"},
        {SearchType::Ascii, QStringLiteral("\u20AC"), "8-bit (Latin-1)"},
    };
    for (const Case& c : cases) {
        ScopedSearchType type(c.type);
        MessageBoxRecorder boxes;
        EXPECT_EQ(doc->Find(c.text, 0), -1) << c.message;
        ASSERT_EQ(boxes.Count(), 1) << c.message;
        EXPECT_TRUE(boxes.Last().contains(QString::fromLatin1(c.message))) << boxes.Last().toStdString();
        EXPECT_EQ(CVantorixDoc::SearchTextProblem(c.text, c.type), boxes.Last());
    }
    EXPECT_EQ(doc->PendingChanges(), pending);
    EXPECT_EQ(ReadAll(path), bytes);
    // The same document still searches good texts.
    ScopedSearchType type(SearchType::Hex);
    EXPECT_EQ(doc->Find(QStringLiteral("4142"), 0), 200);
    EXPECT_TRUE(CVantorixDoc::SearchTextProblem(QStringLiteral("4142"), SearchType::Hex).isEmpty());
}
