// Another program replaces, deletes, truncates, extends or overwrites the open file while
// the document has pending changes. Whatever the user then picks, the bytes on disk are
// what the user chose to write, and a refusal keeps every pending change.
#include "DocTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstdio>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vtx;
using namespace vtx::test;

namespace {

constexpr int kLength = 1000;

// Moves the file's modification time on by a second: two writes within one tick of the
// kernel's coarse clock would otherwise carry the same time.
void Tick(const QString& path)
{
    struct stat st {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec += 1;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.toLocal8Bit().constData(), times, 0), 0);
}

struct Case {
    const char* what;
    FileChange change;
    // Does it to the file at path; returns what the path holds afterwards.
    std::function<QByteArray(const TempDir&, const QString& path, const QByteArray& original)> act;
    // What the open descriptor holds afterwards (what the window shows, before changes).
    std::function<QByteArray(const QByteArray& original, const QByteArray& onPath)> shown;
    bool mayOverwrite = false;
};

} // namespace

TEST(DocChangedOnDisk, SaveAsksAndSaveAsWritesWhatTheWindowShows)
{
    const auto same = [](const QByteArray& original, const QByteArray&) { return original; };
    const auto onPath = [](const QByteArray&, const QByteArray& bytes) { return bytes; };
    const Case cases[] = {
        {"rename-replace", FileChange::Replaced,
         [](const TempDir& dir, const QString& path, const QByteArray&) {
             const QByteArray other = Filler(kLength, 99);
             const QString temp = dir.Write("other.tmp", other);
             EXPECT_EQ(std::rename(temp.toLocal8Bit().constData(), path.toLocal8Bit().constData()), 0);
             return other;
         },
         same},
        {"delete", FileChange::Deleted,
         [](const TempDir&, const QString& path, const QByteArray&) {
             EXPECT_TRUE(QFile::remove(path));
             return QByteArray();
         },
         same},
        {"truncate", FileChange::Changed,
         [](const TempDir&, const QString& path, const QByteArray& original) {
             EXPECT_EQ(::truncate(path.toLocal8Bit().constData(), 500), 0);
             return original.left(500);
         },
         onPath},
        {"append", FileChange::Changed,
         [](const TempDir&, const QString& path, const QByteArray& original) {
             QFile file(path);
             EXPECT_TRUE(file.open(QIODevice::Append));
             file.write("tail");
             return original + "tail";
         },
         onPath},
        {"overwrite in place", FileChange::Changed,
         [](const TempDir&, const QString& path, const QByteArray& original) {
             QFile file(path);
             EXPECT_TRUE(file.open(QIODevice::ReadWrite));
             file.seek(100);
             file.write("OTHER");
             file.close();
             Tick(path);
             QByteArray bytes = original;
             bytes.replace(100, 5, "OTHER");
             return bytes;
         },
         onPath, true},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const QByteArray original = Filler(kLength);
        const QString path = dir.Write("a.bin", original);
        MessageBoxRecorder boxes;
        auto doc = OpenDocument(path);
        ASSERT_TRUE(doc);
        ASSERT_TRUE(doc->SetByte('!', 10));
        ASSERT_TRUE(doc->SetByte('?', 900)); // past the end after the truncation
        const auto pending = doc->PendingChanges();

        const QByteArray onPathAfter = c.act(dir, path, original);
        QByteArray expected = c.shown(original, onPathAfter);
        for (const auto& [position, value] : pending)
            if (position < static_cast<std::uint32_t>(expected.size()))
                expected[static_cast<int>(position)] = static_cast<char>(value);
        const QString text = CVantorixDoc::FileChangeText(c.change, "a.bin");

        // Window activation: told once, not again for the same state.
        EXPECT_TRUE(doc->FileChangeNotice().startsWith(text));
        EXPECT_TRUE(doc->FileChangeNotice().isEmpty());

        // Save, Cancel: nothing written, nothing lost.
        boxes.Answer(MsgResult::Cancel);
        EXPECT_FALSE(doc->OnSaveDocument(path));
        ASSERT_EQ(boxes.Count(), 1);
        const auto& question = boxes.Records()[0];
        EXPECT_TRUE(question.text.startsWith(text)) << question.text.toStdString();
        EXPECT_EQ(question.buttons, c.mayOverwrite ? MsgButtons::YesNoCancel : MsgButtons::OkCancel);
        EXPECT_EQ(question.labels.front().text, "Save As...");
        EXPECT_EQ(question.labels.size(), c.mayOverwrite ? 2u : 1u);
        EXPECT_EQ(QFile::exists(path) ? ReadAll(path) : QByteArray(), onPathAfter);
        EXPECT_EQ(doc->PendingChanges(), pending);
        EXPECT_TRUE(doc->IsDirty());

        // Save, Save As...: the new file holds what the window showed, the old name keeps
        // what the other program left there.
        const QString copy = dir.Path("copy.bin");
        doc->SetSaveAsHandler([&](CDocument* d) { return d->OnSaveDocument(copy); });
        boxes.Clear();
        EXPECT_TRUE(doc->OnSaveDocument(path));
        // After a truncation the change at 900 has nothing to land on: the user is told,
        // and it stays pending rather than be lost.
        const bool leftOut = onPathAfter.size() > 0 && onPathAfter.size() <= 900;
        const QString leftOutText = "copy.bin is shorter than your changes reach: 1 changed bytes past its end were "
                                    "not saved. They stay among the unsaved changes; Undo takes them back.";
        EXPECT_EQ(boxes.Count(), leftOut ? 2 : 1);
        if (leftOut) {
            EXPECT_EQ(boxes.Last(), leftOutText);
        }
        EXPECT_EQ(ReadAll(copy), expected);
        EXPECT_EQ(QFile::exists(path) ? ReadAll(path) : QByteArray(), onPathAfter);
        EXPECT_EQ(doc->GetPath(), copy);
        EXPECT_EQ(doc->IsDirty(), leftOut);
        EXPECT_EQ(doc->PendingChanges().count(900), leftOut ? 1u : 0u);
        EXPECT_TRUE(doc->FileChangeNotice().isEmpty());
        if (leftOut) {
            // Saved again: nothing past the end is written, the change is still kept; Undo
            // takes it back, and the window is clean.
            boxes.Clear();
            EXPECT_TRUE(doc->OnSaveDocument(copy));
            EXPECT_EQ(boxes.Last(), leftOutText);
            EXPECT_EQ(ReadAll(copy), expected);
            EXPECT_TRUE(doc->IsDirty());
            doc->Undo();
            EXPECT_FALSE(doc->IsDirty());
            EXPECT_TRUE(doc->PendingChanges().empty());
        }

        // The overwrite that is offered lands on the other program's bytes, in place.
        if (c.mayOverwrite) {
            ASSERT_TRUE(QFile::remove(copy));
            dir.Write("a.bin", onPathAfter);
            auto again = OpenDocument(path);
            ASSERT_TRUE(again);
            ASSERT_TRUE(again->SetByte('!', 10));
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            file.seek(200);
            file.write("X");
            file.close();
            Tick(path);
            boxes.Clear();
            boxes.Answer(MsgResult::No);
            EXPECT_TRUE(again->OnSaveDocument(path));
            QByteArray overwritten = onPathAfter;
            overwritten[200] = 'X';
            overwritten[10] = '!';
            EXPECT_EQ(ReadAll(path), overwritten);
            EXPECT_FALSE(QFile::exists(copy));
            // Saved: the file is ours again and the next save asks nothing.
            ASSERT_TRUE(again->SetByte('#', 11));
            boxes.Clear();
            EXPECT_TRUE(again->OnSaveDocument(path));
            EXPECT_EQ(boxes.Count(), 0);
        }
    }
}

TEST(DocChangedOnDisk, TwoEditorsRacingForOneNewName)
{
    TempDir dir;
    const QString target = dir.Path("new.bin");
    MessageBoxRecorder boxes;
    auto first = OpenDocument(dir.Write("one.bin", Filler(300, 1)));
    auto second = OpenDocument(dir.Write("two.bin", Filler(300, 2)));
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(first->SetByte(1, 1));
    ASSERT_TRUE(second->SetByte(2, 2));
    const QByteArray firstShows = PresentedAll(*first);

    ASSERT_TRUE(first->OnSaveDocument(target));
    EXPECT_FALSE(second->OnSaveDocument(target));
    EXPECT_EQ(boxes.Texts(), std::vector<QString>{"Failed To Copy To New File.\n"
                                                  "A file named new.bin already exists. Choose another name."});
    // The loser's failure leaves the winner's file alone, and the winner holds it locked.
    EXPECT_EQ(ReadAll(target), firstShows);
    CFile probe;
    EXPECT_EQ(probe.Open(target.toStdString()), CFile::OpenError::Locked);
    EXPECT_TRUE(second->IsDirty());
    EXPECT_EQ(second->PendingChanges().size(), 1u);
}
