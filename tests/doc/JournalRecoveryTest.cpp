// A killed editor loses nothing typed, and a save cut short by a crash or a full disk never
// leaves a file part old, part new. The editor is killed for real: a child process makes
// the changes and ends without cleaning up (or ends at an exact written byte through the
// file layer's fault seam), and this process opens the file afterwards.
#include "DocTestSupport.h"

#include "platform/FileFaults.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <array>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vtx;
using namespace vtx::test;

namespace {

// Runs f in a child process that ends without any clean-up, as a killed editor does; its
// exit status, or -1 when it did not exit.
template <typename F> int InKilledEditor(F f)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        MessageBoxRecorder boxes;
        f();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The changes every test makes: typing, a paste across a block boundary, an undo and a
// group of two pastes that one Undo takes back. What the window then shows is `expected`.
void MakeChanges(CVantorixDoc& doc, QByteArray& expected)
{
    const auto set = [&](std::uint8_t value, FilePos position) {
        ASSERT_TRUE(doc.SetByte(value, position));
        expected[static_cast<int>(position)] = static_cast<char>(value);
    };
    const auto paste = [&](const QByteArray& bytes, FilePos position) {
        ASSERT_EQ(doc.SetBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                               static_cast<std::uint32_t>(bytes.size()), position),
                  bytes.size());
        expected.replace(static_cast<int>(position), bytes.size(), bytes);
    };
    set(0x41, 10);
    set(0x42, 11);
    paste(Filler(3000, 7), 64000);
    const QByteArray beforeUndo = expected;
    set(0x43, 12);
    doc.Undo();
    expected[12] = beforeUndo[12];
    // A fill is journaled as its pattern.
    ASSERT_TRUE(doc.Fill({2000, 500}, {0xAB, 0xCD, 0xEF}));
    for (int k = 0; k < 500; ++k)
        expected[2000 + k] = static_cast<char>(std::array<std::uint8_t, 3>{0xAB, 0xCD, 0xEF}[static_cast<std::size_t>(k % 3)]);
    CVantorixDoc::ChangeGroup group(doc);
    paste(QByteArray(40, 'g'), 100);
    paste(QByteArray(2, 'h'), 90000);
}

QString JournalOf(const QString& path)
{
    return QFile::decodeName(EditJournal::JournalPathFor(QFileInfo(path).canonicalFilePath().toStdString()).c_str());
}

} // namespace

TEST(DocJournal, AKilledEditorsChangesAreOfferedAndComeBackWithTheirUndoSteps)
{
    TempDir dir;
    const QByteArray original = Filler(100000);
    const QString path = dir.Write("killed.bin", original);
    QByteArray expected = original;
    ASSERT_EQ(InKilledEditor([&] {
                  auto* doc = OpenDocument(path).release();
                  MakeChanges(*doc, expected);
              }),
              0);
    MakeChanges(*OpenDocument(dir.Write("scratch.bin", original)), expected); // the same changes, here
    EXPECT_EQ(ReadAll(path), original) << "nothing was saved";
    ASSERT_TRUE(QFile::exists(JournalOf(path)));

    {
        // Cancel puts the question off: the journal stays for the next open.
        MessageBoxRecorder boxes;
        boxes.Answer(MsgResult::Cancel);
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_TRUE(boxes.Last().startsWith("Vantorix found unsaved changes to killed.bin from "));
        EXPECT_TRUE(boxes.Last().endsWith(QStringLiteral(" (%1 bytes). Recover them?").arg(1 + 1 + 3000 + 1 + 500 + 40 + 2)))
            << boxes.Last().toStdString();
        EXPECT_EQ(boxes.Records()[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_FALSE(doc->IsDirty());
        EXPECT_FALSE(doc->IsJournaled());
    }
    ASSERT_TRUE(QFile::exists(JournalOf(path)));

    MessageBoxRecorder boxes; // Yes, the default
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(PresentedAll(*doc), expected);
    EXPECT_TRUE(doc->IsDirty());
    // One Undo takes the group back, the next the fill, the next the paste (the undone
    // byte stays undone).
    doc->Undo();
    EXPECT_EQ(doc->GetByte(100), static_cast<std::uint8_t>(original[100]));
    EXPECT_EQ(doc->GetByte(90000), static_cast<std::uint8_t>(original[90000]));
    doc->Undo();
    EXPECT_EQ(doc->GetByte(2001), static_cast<std::uint8_t>(original[2001]));
    EXPECT_EQ(doc->GetByte(64000), static_cast<std::uint8_t>(Filler(3000, 7)[0]));
    doc->Undo();
    EXPECT_EQ(doc->GetByte(64000), static_cast<std::uint8_t>(original[64000]));
    EXPECT_EQ(doc->GetByte(11), 0x42);

    // The journal goes on from the recovery, the undos included: killed again, the same
    // state comes back.
    EXPECT_TRUE(doc->IsJournaled());
    const QByteArray shown = PresentedAll(*doc);
    const JournalContents again = EditJournal::Read(JournalOf(path).toStdString());
    EXPECT_EQ(again.status, JournalContents::Status::Complete);
    EXPECT_EQ(again.records.size(), 11u);

    // A save empties the journal; closing removes it.
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(ReadAll(path), shown);
    EXPECT_TRUE(EditJournal::Read(JournalOf(path).toStdString()).records.empty());
    doc.reset();
    EXPECT_FALSE(QFile::exists(JournalOf(path)));
}

TEST(DocJournal, NoDiscardsAndATornTailEndsRecoveryAtTheLastWholeStep)
{
    TempDir dir;
    const QByteArray original = Filler(100000);
    const QString path = dir.Write("torn.bin", original);
    QByteArray expected = original;
    ASSERT_EQ(InKilledEditor([&] {
                  auto* doc = OpenDocument(path).release();
                  MakeChanges(*doc, expected);
              }),
              0);
    // The last record (the 2-byte paste at 90000) was cut off by the crash. (A killed
    // editor's journal has zeros allocated ahead after its records: cut before them.)
    const QString journal = JournalOf(path);
    const JournalContents whole = EditJournal::Read(journal.toStdString());
    ASSERT_EQ(whole.status, JournalContents::Status::Complete);
    ASSERT_LT(whole.fileBytes, static_cast<std::uint64_t>(QFileInfo(journal).size()));
    ASSERT_TRUE(QFile::resize(journal, static_cast<qint64>(whole.fileBytes) - 3));
    {
        MessageBoxRecorder boxes;
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        ASSERT_EQ(boxes.Count(), 2) << boxes.Last().toStdString();
        EXPECT_TRUE(boxes.Texts()[1].contains("could not be read")) << boxes.Texts()[1].toStdString();
        EXPECT_EQ(doc->GetByte(90000), static_cast<std::uint8_t>(original[90000]));
        EXPECT_EQ(doc->GetByte(100), 'g');
        EXPECT_EQ(doc->GetByte(64000), static_cast<std::uint8_t>(Filler(3000, 7)[0]));
        // Close the way the user does, answering No to saving: nothing is left to recover.
        boxes.Answer(MsgResult::No);
        doc->OnCloseDocument();
        doc.release(); // the framework deleted it
    }
    EXPECT_FALSE(QFile::exists(journal));

    // No at the question discards the journal and shows the file as it is.
    ASSERT_EQ(InKilledEditor([&] {
                  auto* doc = OpenDocument(path).release();
                  (void)doc->SetByte(1, 1);
              }),
              0);
    MessageBoxRecorder boxes;
    boxes.Answer(MsgResult::No);
    auto doc = OpenDocument(path);
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_FALSE(doc->IsDirty());
    EXPECT_EQ(PresentedAll(*doc), original);
    EXPECT_TRUE(EditJournal::Read(journal.toStdString()).records.empty());
}

TEST(DocJournal, AGroupThatJournalsInBatchesComesBackAsOneStepOrLosesOnlyItsLastBatch)
{
    // Five thousand small changes, as Replace All makes them, after one typed byte. Killed
    // once the group has ended, everything comes back, the group as one step; killed while
    // the group is still open, what it had written comes back and the typed byte always.
    constexpr int kChanges = 5000;
    constexpr int kStride = 20;
    struct Row {
        const char* name;
        bool groupEnded;
        int recovered;          // group changes that come back
        std::size_t records;    // records the journal holds
    };
    for (const Row row : {Row{"ended", true, kChanges, 3}, Row{"open", false, 4096, 2}}) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const QByteArray original = Filler(kChanges * kStride);
        const QString path = dir.Write("batched.bin", original);
        ASSERT_EQ(InKilledEditor([&] {
                      auto* doc = OpenDocument(path).release();
                      (void)doc->SetByte(0x01, 1);
                      // Left open, the group is never destroyed: the editor dies with it.
                      auto* group = new CVantorixDoc::ChangeGroup(*doc, CVantorixDoc::ChangeGroup::Journal::InBatches);
                      for (int k = 0; k < kChanges; ++k)
                          (void)doc->SetBytes(reinterpret_cast<const std::uint8_t*>("wxyz"), 4, FilePos(k) * kStride + 4);
                      if (row.groupEnded)
                          delete group;
                  }),
                  0);
        const JournalContents contents = EditJournal::Read(JournalOf(path).toStdString());
        EXPECT_EQ(contents.records.size(), row.records) << "one record a batch, not one a change";

        MessageBoxRecorder boxes;
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        QByteArray expected = original;
        expected[1] = 0x01;
        for (int k = 0; k < row.recovered; ++k)
            expected.replace(k * kStride + 4, 4, "wxyz");
        EXPECT_EQ(PresentedAll(*doc), expected);
        // One Undo takes the whole group back, the next the typed byte.
        doc->Undo();
        expected = original;
        expected[1] = 0x01;
        EXPECT_EQ(PresentedAll(*doc), expected);
        doc->Undo();
        EXPECT_EQ(PresentedAll(*doc), original);
    }
}

TEST(DocJournal, AFileChangedSinceIsSaidSoAndGetsTheChangesOnTopOfItAsItIsNow)
{
    TempDir dir;
    const QByteArray original = Filler(1000);
    const QString path = dir.Write("moved.bin", original);
    ASSERT_EQ(InKilledEditor([&] {
                  auto* doc = OpenDocument(path).release();
                  (void)doc->SetByte(0xEE, 5);
              }),
              0);
    // Another program writes into the file afterwards, and shortens it.
    QByteArray theirs = original.left(900);
    theirs[6] = 0x66;
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::Truncate));
        file.write(theirs);
    }
    MessageBoxRecorder boxes;
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_GE(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Texts()[0].contains("moved.bin has changed since then")) << boxes.Texts()[0].toStdString();
    EXPECT_EQ(doc->GetByte(5), 0xEE);
    EXPECT_EQ(doc->GetByte(6), 0x66);
}

TEST(DocJournal, OffViewOnlyOrStateFolderUnusableMeansNoJournalButEditingGoesOn)
{
    TempDir dir;
    const QString path = dir.Write("plain.bin", Filler(100));
    {
        ScopedJournalSetting off(false);
        MessageBoxRecorder boxes;
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc->SetByte(1, 1));
        EXPECT_FALSE(doc->IsJournaled());
        EXPECT_FALSE(QFile::exists(JournalOf(path)));
        EXPECT_EQ(boxes.Count(), 0);
    }
    {
        // A file another editor holds opens view-only and journals nothing.
        MessageBoxRecorder boxes;
        auto editor = OpenDocument(path);
        ASSERT_TRUE(editor->IsJournaled());
        auto viewer = OpenDocument(path);
        ASSERT_TRUE(viewer && viewer->IsReadOnly());
        EXPECT_FALSE(viewer->IsJournaled());
    }
    // A state folder that cannot be made: one notice, then editing and saving as usual.
    const std::string saved = std::getenv("XDG_STATE_HOME");
    ::setenv("XDG_STATE_HOME", dir.Write("blocker", QByteArray("x")).toLocal8Bit().constData(), 1);
    {
        MessageBoxRecorder boxes;
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        ASSERT_TRUE(doc->SetByte(0x77, 2));
        ASSERT_TRUE(doc->SetByte(0x78, 3));
        ASSERT_TRUE(doc->OnSaveDocument(path));
        EXPECT_EQ(ReadAll(path).mid(2, 2), QByteArray("\x77\x78"));
        EXPECT_EQ(boxes.Count(), 1);
        EXPECT_FALSE(boxes.Records()[0].modal);
        EXPECT_TRUE(boxes.Last().startsWith("Unsaved changes to plain.bin cannot be protected against a crash.\n"));
    }
    ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
}

TEST(DocJournal, ASaveCutShortAtAnyByteLeavesTheOldFileAndOffersTheChanges)
{
    TempDir dir;
    const QByteArray original = Filler(100000);
    const QString path = dir.Path("saved.bin");
    QByteArray expected = original;
    MakeChanges(*OpenDocument(dir.Write("scratch.bin", original)), expected);

    int crashes = 0;
    int putBack = 0;
    bool completed = false;
    // Every few bytes of the save's writes: its rollback record, the changes, the
    // journal's fresh start.
    for (std::uint64_t crashAt = 0; !completed && crashAt < 100000; crashAt += crashAt < 24 ? 1 : 131) {
        dir.Write("saved.bin", original);
        const int status = InKilledEditor([&] {
            QByteArray ignored = original;
            auto* doc = OpenDocument(path).release();
            MakeChanges(*doc, ignored);
            FileFaults::CrashAfterWrittenBytes(crashAt);
            (void)doc->OnSaveDocument(path);
        });
        if (status == 0) {
            completed = true;
            EXPECT_EQ(ReadAll(path), expected);
            continue;
        }
        ASSERT_EQ(status, FileFaults::kCrashExitStatus) << crashAt;
        ++crashes;
        const QByteArray torn = ReadAll(path);
        MessageBoxRecorder boxes;
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        const QByteArray onDisk = ReadAll(path);
        ASSERT_TRUE(onDisk == original || onDisk == expected) << "torn file after a crash at byte " << crashAt;
        if (torn != onDisk)
            ++putBack;
        ASSERT_EQ(PresentedAll(*doc), expected) << "changes lost after a crash at byte " << crashAt;
    }
    EXPECT_TRUE(completed);
    EXPECT_GT(crashes, 50);
    EXPECT_GT(putBack, 10) << "no crash fell into the writing of the changes";
}

TEST(DocJournal, AFullDiskOrAnIoErrorHalfWayPutsTheOldBytesBackAndSaysWhy)
{
    struct Row {
        int error;
        const char* reason;
    };
    for (const Row row : {Row{ENOSPC, "The disk is full."}, Row{EIO, "The disk reported an input/output error."},
                          Row{EROFS, "The file system is read-only."}}) {
        TempDir dir;
        const QByteArray original = Filler(100000);
        const QString path = dir.Write("fault.bin", original);
        MessageBoxRecorder boxes;
        auto doc = OpenDocument(path);
        QByteArray expected = original;
        MakeChanges(*doc, expected);
        {
            ScopedFileFaults faults;
            // Past the rollback record, into the changes: the way back then fails too, and
            // the record on disk puts the bytes back at the next open.
            // (The record holds the 3544 old bytes and less than 200 of path and positions.)
            FileFaults::FailWritesAfter(EditJournal::EncodeRollback({}).size() + 200 + 3544 + 1000, row.error);
            EXPECT_FALSE(doc->OnSaveDocument(path));
        }
        EXPECT_EQ(boxes.Last(), QStringLiteral("Exception in Save()\n") + row.reason);
        EXPECT_EQ(PresentedAll(*doc), expected);
        EXPECT_TRUE(doc->IsDirty());
        EXPECT_NE(ReadAll(path), original) << "the fault let the whole save through";
        doc.reset();
        auto reopened = OpenDocument(path);
        EXPECT_EQ(ReadAll(path), original) << row.reason;
    }
}

TEST(DocJournal, AProgramThatIsRunningRefusesTheSaveAndKeepsTheChanges)
{
    TempDir dir;
    const QString program = dir.Path("sleeper");
    ASSERT_TRUE(QFile::copy("/bin/sleep", program));
    ASSERT_TRUE(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    MessageBoxRecorder boxes;
    auto doc = OpenDocument(program);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte(0x7F, 0));
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(program.toLocal8Bit().constData(), "sleeper", "30", nullptr);
        ::_exit(127);
    }
    const std::string exe = "/proc/" + std::to_string(pid) + "/exe";
    for (int i = 0; i < 400 && QFile::symLinkTarget(QString::fromStdString(exe)) != program; ++i)
        ::usleep(5000);
    if (QFile::symLinkTarget(QString::fromStdString(exe)) != program) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        GTEST_SKIP() << "programs cannot run from the temporary folder";
    }
    EXPECT_FALSE(doc->OnSaveDocument(program));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    EXPECT_EQ(boxes.Last(), "Exception in Save()\nThe file is a program that is running.");
    EXPECT_EQ(doc->GetByte(0), 0x7F);
    EXPECT_TRUE(doc->OnSaveDocument(program));
}

namespace {

// After a completed save whose record's clearing was lost (a power cut may lose that
// unsynced write), some bytes of the save may also have been lost with it.
struct LostClear {
    const char* name;
    int bytesNotArrived; // of the pasted bytes at 64000, how many the file lost (-1: all)
    bool putBack;
};

class DocRollbackAfterSave : public ::testing::TestWithParam<LostClear>
{
};

} // namespace

TEST_P(DocRollbackAfterSave, ACompletedSaveStaysAndATornOneIsPutBack)
{
    const LostClear row = GetParam();
    TempDir dir;
    const QByteArray original = Filler(100000);
    const QString path = dir.Write("cleared.bin", original);
    const std::string rollbackPath = EditJournal::RollbackPathFor(QFileInfo(path).canonicalFilePath().toStdString());
    const QString recordPath = QFile::decodeName(rollbackPath.c_str());
    QByteArray expected = original;
    QByteArray written;
    {
        MessageBoxRecorder boxes;
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        MakeChanges(*doc, expected);
        struct stat before {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
        ASSERT_TRUE(doc->OnSaveDocument(path));
        ASSERT_EQ(ReadAll(path), expected);
        // The record as the save wrote it: the clearing only zeroed its head (magic,
        // version, the file's identity before the save, its length).
        RollbackRecord head;
        head.identity = FileIdentity::FromStat(before);
        head.length = static_cast<FilePos>(original.size());
        const std::vector<std::uint8_t> encoded = EditJournal::EncodeRollback(head);
        written = ReadAll(recordPath);
        ASSERT_GT(written.size(), 60);
        ASSERT_EQ(written.left(60), QByteArray(60, '\0'));
        written.replace(0, 60, QByteArray(reinterpret_cast<const char*>(encoded.data()), 60));
    }
    dir.Write(QStringLiteral("record"), written);
    ASSERT_TRUE(QFile::rename(dir.Path(QStringLiteral("record")), recordPath));
    RollbackRecord kept;
    ASSERT_EQ(EditJournal::ReadRollback(rollbackPath, kept), EditJournal::RollbackStatus::Complete);
    QByteArray onDisk = expected;
    if (row.bytesNotArrived < 0) {
        onDisk = original;
    } else {
        for (int k = 0; k < row.bytesNotArrived; ++k) {
            ASSERT_NE(onDisk[64000 + k], original[64000 + k]);
            onDisk[64000 + k] = original[64000 + k];
        }
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)); // in place: the same file, the same length
    file.write(onDisk);
    file.close();

    MessageBoxRecorder boxes;
    auto reopened = OpenDocument(path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(ReadAll(path), row.putBack ? original : expected);
    EXPECT_EQ(boxes.Count(), row.putBack ? 1 : 0);
    if (row.putBack) {
        EXPECT_TRUE(boxes.Last().startsWith("A save of cleared.bin was cut short."));
    }
    RollbackRecord after;
    EXPECT_EQ(EditJournal::ReadRollback(rollbackPath, after), EditJournal::RollbackStatus::Missing);
}

INSTANTIATE_TEST_SUITE_P(Rows, DocRollbackAfterSave,
                         ::testing::Values(LostClear{"OnlyTheClearingWasLost", 0, false},
                                           LostClear{"OneByteOfTheSaveNeverArrived", 1, true},
                                           LostClear{"NothingOfTheSaveArrived", -1, true}),
                         [](const ::testing::TestParamInfo<LostClear>& info) { return info.param.name; });

namespace {

// Histories in which an Undo or Redo reaches steps the journal never held whole: steps
// made before a save, or before the journal was turned on. Each row runs on the document of
// a killed editor and on a copy here; what the recovery shows must be what the copy shows.
struct UnseenSteps {
    const char* name;
    void (*run)(CVantorixDoc& doc);
};

void TypeAt(CVantorixDoc& doc, FilePos position, std::uint8_t value)
{
    ASSERT_TRUE(doc.SetByte(value, position));
}

class DocJournalUnseenSteps : public ::testing::TestWithParam<UnseenSteps>
{
};

} // namespace

TEST_P(DocJournalUnseenSteps, RecoveryShowsWhatTheKilledEditorShowed)
{
    TempDir dir;
    const QByteArray original = Filler(50000);
    const QString path = dir.Write("unseen.bin", original);
    const QString copyPath = dir.Write("copy.bin", original);
    ASSERT_EQ(InKilledEditor([&] {
                  auto* doc = OpenDocument(path).release();
                  GetParam().run(*doc);
              }),
              0);
    QByteArray shown;
    {
        MessageBoxRecorder boxes;
        auto copy = OpenDocument(copyPath);
        GetParam().run(*copy);
        shown = PresentedAll(*copy);
    }
    CVantorixDoc::SetJournalEnabled(true);
    MessageBoxRecorder boxes; // Yes, the default
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(PresentedAll(*doc), shown);
    EXPECT_EQ(doc->IsDirty(), shown != ReadAll(path));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DocJournalUnseenSteps,
    ::testing::Values(
        UnseenSteps{"UndoAfterASave",
                    [](CVantorixDoc& doc) {
                        TypeAt(doc, 10, 'A');
                        ASSERT_TRUE(doc.Fill({100, 3000}, {0x5A}));
                        ASSERT_TRUE(doc.OnSaveDocument(doc.GetPath()));
                        doc.Undo(); // the fill: the old bytes come back over a saved file
                        TypeAt(doc, 20, 'B');
                    }},
        UnseenSteps{"UndoRedoAndUndoAgainAfterASave",
                    [](CVantorixDoc& doc) {
                        TypeAt(doc, 10, 'A');
                        TypeAt(doc, 11, 'B');
                        ASSERT_TRUE(doc.OnSaveDocument(doc.GetPath()));
                        doc.Undo();
                        doc.Undo();
                        doc.Redo();
                    }},
        UnseenSteps{"JournalTurnedOnMidSessionThenUndo",
                    [](CVantorixDoc& doc) {
                        CVantorixDoc::SetJournalEnabled(false);
                        doc.FollowJournalSetting();
                        TypeAt(doc, 10, 'A');
                        TypeAt(doc, 20, 'B');
                        CVantorixDoc::SetJournalEnabled(true);
                        doc.FollowJournalSetting();
                        ASSERT_TRUE(doc.IsJournaled());
                        doc.Undo(); // only B: A stays
                        TypeAt(doc, 30, 'C');
                    }},
        UnseenSteps{"JournalTurnedOnMidSessionThenUndoPastItsStart",
                    [](CVantorixDoc& doc) {
                        CVantorixDoc::SetJournalEnabled(false);
                        doc.FollowJournalSetting();
                        TypeAt(doc, 10, 'A');
                        CVantorixDoc::SetJournalEnabled(true);
                        doc.FollowJournalSetting();
                        TypeAt(doc, 20, 'B');
                        doc.Undo();
                        doc.Undo();
                        doc.Redo();
                    }}),
    [](const ::testing::TestParamInfo<UnseenSteps>& info) { return info.param.name; });
