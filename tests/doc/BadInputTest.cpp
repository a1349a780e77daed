// Files that cannot be edited, targets that cannot be saved to, texts that cannot be
// searched for: each gets a clear message and loses nothing.
#include "DocTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

using namespace vtx;
using namespace vtx::test;

TEST(DocBadInput, FilesThatCannotBeOpenedSayWhyAndUnwritableOnesMayBeViewed)
{
    TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().toLocal8Bit().constData(), 0755), 0); // nobody may look inside
    const auto file = [&](const char* name, mode_t mode) {
        const QString path = dir.Write(QString::fromLatin1(name), QByteArray("keep"));
        EXPECT_EQ(::chmod(path.toLocal8Bit().constData(), mode), 0);
        return path;
    };
    const QString readOnly = file("ro.bin", 0444);
    const QString othersFile = file("theirs.bin", 0644);
    const QString unreadable = file("secret.bin", 0000);
    const QString locked = file("locked.bin", 0644);
    auto holder = OpenDocument(locked);
    ASSERT_TRUE(holder);
    const QString fifo = dir.Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0644), 0);

    const QString error = QStringLiteral("Error Opening File\n");
    struct Case {
        QString path;
        bool asNobody;
        MsgResult answer;
        std::vector<QString> texts;
        bool viewOnly;
    };
    const Case cases[] = {
        {dir.Path("missing.bin"), false, MsgResult::Yes, {error + "The file does not exist."}, false},
        {dir.Path(), false, MsgResult::Yes, {error + "It is a folder, not a file."}, false},
        {fifo, false, MsgResult::Yes, {error + "It is neither a file nor a disk."}, false},
        {unreadable, true, MsgResult::Yes, {error + "You have no permission to read the file."}, false},
        {readOnly, false, MsgResult::No, {"Open ro.bin read-only?\nYou have no permission to write to the file."}, false},
        {readOnly, false, MsgResult::Yes, {"Open ro.bin read-only?\nYou have no permission to write to the file."}, true},
        {othersFile, true, MsgResult::Yes, {"Open theirs.bin read-only?\nYou have no permission to write to the file."}, true},
        {locked, false, MsgResult::Yes, {"Open locked.bin read-only?\nThe file is open in another program."}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        MessageBoxRecorder boxes;
        boxes.Answer(c.answer);
        CVantorixDoc doc;
        bool opened = false;
        {
            AsNobody nobody;
            if (c.asNobody)
                opened = doc.OnOpenDocument(c.path);
        }
        if (!c.asNobody)
            opened = doc.OnOpenDocument(c.path);
        EXPECT_EQ(opened, c.viewOnly);
        EXPECT_EQ(boxes.Texts(), c.texts);
        EXPECT_EQ(doc.IsFileOpen(), c.viewOnly);
        EXPECT_EQ(doc.IsReadOnly(), c.viewOnly);
        if (c.viewOnly)
            EXPECT_EQ(Presented(doc, 0, 10), QByteArray("keep"));
        else
            EXPECT_EQ(doc.GetFileLength(), 0u);
        if (!c.texts.empty() && c.texts[0].startsWith("Open")) {
            EXPECT_EQ(boxes.Records()[0].buttons, MsgButtons::YesNo);
        }
    }
    for (const QString& path : {readOnly, othersFile, unreadable, locked})
        EXPECT_EQ(ReadAll(path), QByteArray("keep"));
    EXPECT_TRUE(holder->IsFileOpen()) << "the first opener keeps its file";
    EXPECT_EQ(holder->GetByte(0), 'k');
}

TEST(DocBadInput, AFileOnAReadOnlyFileSystemOpensViewOnly)
{
    SmallTmpfs fs(1 << 20);
    if (!fs.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    {
        std::ofstream(fs.Path("disk.img").toStdString(), std::ios::binary) << "keep";
    }
    ASSERT_TRUE(fs.RemountReadOnly());
    MessageBoxRecorder boxes;
    CVantorixDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(fs.Path("disk.img")));
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{"Open disk.img read-only?\nThe file system it is on is read-only."});
    EXPECT_TRUE(doc.IsReadOnly());
}

TEST(DocBadInput, AViewOnlyDocumentRefusesEveryChangeAndSaveAsMakesAnEditableCopy)
{
    TempDir dir;
    const QString path = dir.Write("ro.bin", QByteArray("keep"));
    ASSERT_EQ(::chmod(path.toLocal8Bit().constData(), 0444), 0);
    MessageBoxRecorder boxes;
    CVantorixDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    ASSERT_TRUE(doc.IsReadOnly());
    doc.SetPathName(path, false);
    EXPECT_EQ(doc.GetTitle(), "ro.bin [read-only]");

    // A shared lock: a second look is fine, a second editor for writing is not.
    CFile writer;
    EXPECT_EQ(writer.Open(path.toStdString()), CFile::OpenError::ReadOnly);
    ASSERT_EQ(::chmod(path.toLocal8Bit().constData(), 0644), 0);
    EXPECT_EQ(writer.Open(path.toStdString()), CFile::OpenError::Locked);
    CFile viewer;
    ASSERT_EQ(viewer.Open(path.toStdString(), CFile::Mode::ViewOnly), CFile::OpenError::None);
    EXPECT_TRUE(viewer.IsLocked());
    viewer.Close();

    boxes.Clear();
    EXPECT_FALSE(doc.SetByte('X', 0));
    const std::uint8_t pasted[] = {'a', 'b'};
    EXPECT_EQ(doc.SetBytes(pasted, 2, 0), -1);
    doc.Undo();
    EXPECT_FALSE(doc.IsDirty());
    EXPECT_TRUE(doc.PendingChanges().empty());
    EXPECT_FALSE(doc.OnSaveDocument(path));
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{"The file is open read-only."});
    EXPECT_EQ(ReadAll(path), QByteArray("keep"));

    boxes.Clear();
    const QString copy = dir.Path("copy.bin");
    ASSERT_TRUE(doc.OnSaveDocument(copy));
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(ReadAll(copy), QByteArray("keep"));
    EXPECT_FALSE(doc.IsReadOnly());
    ASSERT_TRUE(doc.SetByte('K', 0));
    ASSERT_TRUE(doc.OnSaveDocument(copy));
    EXPECT_EQ(ReadAll(copy), QByteArray("Keep"));
    EXPECT_EQ(ReadAll(path), QByteArray("keep"));
    // The original is free again for an editor that wants to write it.
    EXPECT_EQ(writer.Open(path.toStdString()), CFile::OpenError::None);
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
        {SearchType::Hex, QStringLiteral("4 142"), "never between the two digits"},
        // One digit would compare nothing and "match" the first zero byte.
        {SearchType::Hex, QStringLiteral("4"), "the last digit has no partner"},
        {SearchType::Ascii, QStringLiteral("\u20AC"), "8-bit (Latin-1)"},
    };
    for (const Case& c : cases) {
        const SearchSettings type{c.type};
        MessageBoxRecorder boxes;
        EXPECT_EQ(FindFrom(*doc, c.text, 0, type), -1) << c.message;
        ASSERT_EQ(boxes.Count(), 1) << c.message;
        EXPECT_TRUE(boxes.Last().contains(QString::fromLatin1(c.message))) << boxes.Last().toStdString();
        EXPECT_EQ(DocumentSearch::TextProblem(c.text, type), boxes.Last());
    }
    EXPECT_EQ(doc->PendingChanges(), pending);
    EXPECT_EQ(ReadAll(path), bytes);
    // The same document still searches good texts.
    SearchSettings type{SearchType::Hex};
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("4142"), 0, type), 200);
    EXPECT_TRUE(DocumentSearch::TextProblem(QStringLiteral("4142"), type).isEmpty());
}
