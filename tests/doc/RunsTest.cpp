// The document on its store of runs: the unsaved mark stays exact when another program
// writes the file, a fill is one step kept as its pattern, large steps save with one write
// per run, and a step too large to keep across a save is said before anything is written.
#include "DocTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

using namespace vtx;
using namespace vtx::test;

namespace {

// Another program writes `bytes` at position and moves the file's time on, as a write a
// second later would.
void WriteBehindTheDocumentsBack(const QString& path, qint64 position, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(position));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    struct stat st {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec += 1;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.toLocal8Bit().constData(), times, 0), 0);
}

} // namespace

TEST(DocRuns, TheUnsavedMarkFollowsWhatTheFileHoldsNowAfterAnotherProgramWrites)
{
    TempDir dir;
    MessageBoxRecorder boxes;
    {
        // Typed, undone, the file changed outside, typed again: the change must not be lost.
        const QString path = dir.Write("lost.bin", QByteArray("A123456789"));
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        ASSERT_TRUE(doc->SetByte('B', 0));
        doc->Undo();
        EXPECT_FALSE(doc->IsDirty());
        WriteBehindTheDocumentsBack(path, 0, "C");
        EXPECT_FALSE(doc->FileChangeNotice().isEmpty());
        ASSERT_TRUE(doc->SetByte('D', 0));
        EXPECT_TRUE(doc->IsDirty());
        EXPECT_TRUE(doc->HasUnsavedChanges());
        boxes.Answer(MsgResult::Cancel);
        doc->OnCloseDocument();
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_TRUE(boxes.Last().startsWith(QStringLiteral("Would you like to save changes"))) << boxes.Last().toStdString();
        EXPECT_TRUE(doc->IsFileOpen());
    }
    {
        // The other program wrote the very byte typed: nothing differs any more.
        const QString path = dir.Write("same.bin", QByteArray("A123456789"));
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        ASSERT_TRUE(doc->SetByte('B', 1));
        EXPECT_TRUE(doc->IsDirty());
        WriteBehindTheDocumentsBack(path, 1, "B");
        EXPECT_FALSE(doc->FileChangeNotice().isEmpty());
        EXPECT_FALSE(doc->IsDirty());
        // Undo takes the change away; the byte shows the file as it is now.
        doc->Undo();
        EXPECT_FALSE(doc->IsDirty());
        EXPECT_EQ(doc->GetByte(1), 'B');
    }
}

TEST(DocRuns, AFillIsOneStepAndSavesItsPattern)
{
    TempDir dir;
    MessageBoxRecorder boxes;
    const QByteArray original = Filler(100000);
    const QString path = dir.Write("fill.bin", original);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    const std::vector<std::uint8_t> pattern{0x12, 0x34, 0x56};
    ASSERT_TRUE(doc->Fill({10, 99990 + 50}, pattern)); // cut to the file
    ASSERT_EQ(doc->Pending().Runs().size(), 1u);
    QByteArray expected = original;
    for (int k = 10; k < 100000; ++k)
        expected[k] = static_cast<char>(pattern[static_cast<std::size_t>(k - 10) % 3]);
    EXPECT_EQ(PresentedAll(*doc), expected);
    EXPECT_TRUE(doc->IsDirty());

    doc->Undo();
    EXPECT_EQ(PresentedAll(*doc), original);
    EXPECT_FALSE(doc->IsDirty());
    doc->Redo();
    EXPECT_EQ(PresentedAll(*doc), expected);

    const WriteCounters start = ThreadWrites();
    ASSERT_TRUE(doc->OnSaveDocument(path));
    // Besides the fill: the save's rollback record and its clearing (the journal starts
    // afresh in its mapped window, with no write).
    if (kExactWriteCounters) {
        EXPECT_EQ(ThreadWrites().calls - start.calls, 1u + 2u);
    }
    EXPECT_EQ(ReadAll(path), expected);
    // The history survives the save: the fill is still undone to the old bytes.
    doc->Undo();
    EXPECT_EQ(PresentedAll(*doc), original);
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_EQ(boxes.Count(), 0);

    // Refusals change nothing.
    EXPECT_FALSE(doc->Fill({200000, 5}, pattern));
    EXPECT_FALSE(doc->Fill({0, 5}, {}));
    EXPECT_FALSE(doc->Fill({0, 5}, std::vector<std::uint8_t>(17, 1)));
    EXPECT_FALSE(doc->HasPendingChanges());
}

TEST(DocRuns, FillPatternsAreHexDigitsTwoPerByteUpToSixteenBytes)
{
    struct Row {
        const char* text;
        std::vector<std::uint8_t> pattern; // empty: refused
    };
    const Row rows[] = {
        {"", {}},
        {"   ", {}},
        {"ABC", {}},
        {"0G", {}},
        {"00112233445566778899AABBCCDDEEFF", {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA,
                                              0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
        {"00112233445566778899AABBCCDDEEFF00", {}},
        {"de ad be ef", {0xDE, 0xAD, 0xBE, 0xEF}},
        {"7", {}},
        // The one hex grammar: blanks between pairs and around them, never inside one.
        {"\tde\r\nad ", {0xDE, 0xAD}},
        {"d e", {}},
        {"0x41", {}},
    };
    for (const Row& row : rows) {
        QString problem;
        const std::vector<std::uint8_t> pattern = CVantorixDoc::ParseFillPattern(QString::fromLatin1(row.text), problem);
        EXPECT_EQ(pattern, row.pattern) << row.text;
        EXPECT_EQ(problem.isEmpty(), !row.pattern.empty()) << row.text;
    }
    QString problem;
    (void)CVantorixDoc::ParseFillPattern(QStringLiteral("d e"), problem);
    EXPECT_EQ(problem, QStringLiteral("The fill pattern may have blanks only between byte pairs, never between the two "
                                      "digits of one byte."));
}

TEST(DocRuns, APasteUndoesAndSavesAsOneRunWithOneWrite)
{
    TempDir dir;
    MessageBoxRecorder boxes;
    const QByteArray original = Filler(3 << 20);
    const QString path = dir.Write("paste.bin", original);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    const QByteArray pasted = Filler(2 << 20, 5);
    ASSERT_EQ(doc->SetBytes(reinterpret_cast<const std::uint8_t*>(pasted.constData()),
                            static_cast<std::uint32_t>(pasted.size()), 4096),
              pasted.size());
    QByteArray expected = original;
    expected.replace(4096, pasted.size(), pasted);
    ASSERT_EQ(doc->Pending().Runs().size(), 1u);
    // A byte typed inside the paste splits its run; undone, the paste's bytes show again
    // (as three runs: large literals are not copied together).
    ASSERT_TRUE(doc->SetByte(0x5A, 100000));
    doc->Undo();
    EXPECT_EQ(PresentedAll(*doc), expected);

    const std::size_t runs = doc->Pending().Runs().size();
    const WriteCounters start = ThreadWrites();
    ASSERT_TRUE(doc->OnSaveDocument(path));
    // Besides the runs: the save's rollback record (one write: its old bytes fit one
    // block), its clearing and the journal's reset.
    if (kExactWriteCounters) {
        EXPECT_EQ(ThreadWrites().calls - start.calls, runs + 3);
    }
    EXPECT_EQ(ReadAll(path), expected);
    doc->Undo();
    EXPECT_EQ(PresentedAll(*doc), original);
    EXPECT_TRUE(doc->IsDirty());
    EXPECT_EQ(boxes.Count(), 0);
}

// After the write, the undo steps take the bytes the save overwrote from its rollback
// record: a paste larger than one block of it, across data and a hole (kept there as a
// count of zeros), and typed bytes scattered around, all come back, and go again on Redo.
TEST(DocRuns, UndoAfterASaveBringsBackDataHolesAndTypedBytesFromTheRecord)
{
    TempDir dir;
    MessageBoxRecorder boxes;
    const QByteArray data = Filler(12 << 20, 3);
    const QString path = dir.Write("mixed.bin", data);
    ASSERT_TRUE(QFile::resize(path, 24 << 20)); // a hole from 12 MiB on
    const QByteArray original = ReadAll(path);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    const QByteArray pasted = Filler(10 << 20, 9);
    const int pasteAt = 7 << 20;
    ASSERT_EQ(doc->SetBytes(reinterpret_cast<const std::uint8_t*>(pasted.constData()),
                            static_cast<std::uint32_t>(pasted.size()), pasteAt),
              pasted.size());
    for (int k = 0; k < 300; ++k)
        ASSERT_TRUE(doc->SetByte(static_cast<std::uint8_t>(k), static_cast<FilePos>(k) * 997 + (k % 2) * (20 << 20)));
    const QByteArray edited = PresentedAll(*doc);
    ASSERT_TRUE(doc->OnSaveDocument(path));
    ASSERT_EQ(ReadAll(path), edited);
    while (doc->CanUndo())
        doc->Undo();
    EXPECT_EQ(PresentedAll(*doc), original);
    while (doc->CanRedo())
        doc->Redo();
    EXPECT_EQ(PresentedAll(*doc), edited);
    EXPECT_EQ(boxes.Count(), 0);
}

TEST(DocRuns, ASaveSaysFirstWhenAStepIsTooLargeToUndoAfterwards)
{
    TempDir dir;
    MessageBoxRecorder boxes;
    const FilePos length = CVantorixDoc::kMaxKeptBytes + 4096;
    const QString path = dir.Path(QStringLiteral("large.bin"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(static_cast<qint64>(length))); // sparse: no disk space
    }
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte(1, 0));
    ASSERT_TRUE(doc->Fill({16, length - 16}, {0x00})); // zeros over zeros: a hole stays a hole
    boxes.Answer(MsgResult::Cancel);
    EXPECT_FALSE(doc->OnSaveDocument(path));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Last().contains(QStringLiteral("cannot be undone"))) << boxes.Last().toStdString();
    EXPECT_TRUE(doc->CanUndo());
    EXPECT_TRUE(doc->IsDirty());
    EXPECT_EQ(doc->GetByte(0), 1);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(1), QByteArray(1, '\0')) << "nothing may be written after Cancel";
}
