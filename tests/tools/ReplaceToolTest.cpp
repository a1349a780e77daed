// Replace All and Replace over real files: one undo step, bytes on disk after Save, refusals
// that change nothing, and a read error or a cancel that keeps what was replaced.
#include "doc/DocTestSupport.h"
#include "framework/MessageBox.h"
#include "platform/FileFaults.h"
#include "tools/replace/ReplaceTool.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cerrno>
#include <optional>
#include <utility>

#include <sys/stat.h>

using namespace vtx;
using namespace vtx::test;

namespace {

constexpr int kBlock = CVantorixDoc::kMaxRead;

ReplacePlan Plan(const QString& find, const QString& replace, SearchSettings settings = {})
{
    QString problem;
    std::optional<ReplacePlan> plan = ReplaceTool::Prepare(find, replace, settings, problem);
    EXPECT_TRUE(plan.has_value()) << problem.toStdString();
    return plan.value_or(ReplacePlan{});
}

QByteArray ReadRange(const QString& path, FilePos at, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(static_cast<qint64>(at)))
        return {};
    return file.read(count);
}

} // namespace

TEST(ReplaceAll, StraddlingBlockEdgesIsOneUndoStepAndSavesExactly)
{
    TempDir dir;
    QByteArray bytes = Filler(4 * kBlock);
    // Matches across each block edge the scan reads at, at both ends of the file, and two
    // that touch ("WXYZWXYZ").
    const std::vector<int> at = {0, kBlock - 1, 2 * kBlock - 3, 2 * kBlock + 1, 3 * kBlock - 2, 4 * kBlock - 4};
    for (int p : at)
        bytes.replace(p, 4, "WXYZ");
    bytes.replace(2 * kBlock - 3, 8, "WXYZWXYZ");
    const QString path = dir.Write("a.bin", bytes);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    const QByteArray before = PresentedAll(*doc);
    QByteArray expected = before;
    int count = 0;
    for (int i = expected.indexOf("WXYZ"); i >= 0; i = expected.indexOf("WXYZ", i + 4), ++count)
        expected.replace(i, 4, "wxyz");

    const ReplaceResult result = ReplaceTool::ReplaceAll(*doc, Plan("WXYZ", "wxyz"), {0, doc->GetFileLength()});
    EXPECT_EQ(result.end, ReplaceResult::End::Done);
    EXPECT_EQ(result.replaced, static_cast<std::uint64_t>(count));
    EXPECT_EQ(result.message, QStringLiteral("Replaced %1 matches.").arg(count));
    EXPECT_EQ(PresentedAll(*doc), expected);

    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(ReadAll(path), expected);
    // One Undo takes every replacement back.
    doc->Undo();
    EXPECT_EQ(PresentedAll(*doc), before);
    EXPECT_FALSE(doc->CanUndo());
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(ReadAll(path), bytes);
}

TEST(ReplaceAll, WorksInsideARangeAcrossFourGibibytes)
{
    constexpr FilePos k4G = FilePos{1} << 32;
    TempDir dir;
    SparseDocument sparse = OpenSparseAcross4G(
        dir, {{k4G - 3, "needle"}, {k4G + 10, "needle"}, {k4G - 100000, "needle"}});
    if (sparse.refused)
        GTEST_SKIP() << "this file system refuses a sparse file past 4 GiB";
    auto doc = std::move(sparse.doc);
    ASSERT_TRUE(doc);
    const QString path = dir.Path("big.bin");

    // The range holds the two matches near 4 GiB, not the one 100000 bytes before it.
    const ReplaceResult result =
        ReplaceTool::ReplaceAll(*doc, Plan("6e 65 65 64 6c 65", "4e 45 45 44 4c 45", {SearchType::Hex}),
                                {k4G - 50000, 100000});
    EXPECT_EQ(result.replaced, 2u);
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(ReadRange(path, k4G - 3, 6), QByteArray("NEEDLE"));
    EXPECT_EQ(ReadRange(path, k4G + 10, 6), QByteArray("NEEDLE"));
    EXPECT_EQ(ReadRange(path, k4G - 100000, 6), QByteArray("needle"));
    EXPECT_EQ(ReadRange(path, k4G + 3, 7), QByteArray(7, '\0'));
    doc->Undo();
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(ReadRange(path, k4G - 3, 6), QByteArray("needle"));
    EXPECT_EQ(ReadRange(path, k4G + 10, 6), QByteArray("needle"));
}

TEST(ReplacePrepare, RefusesWhatCannotBeWrittenInPlaceSayingBothLengths)
{
    struct Case {
        const char* name;
        QString find;
        QString replace;
        SearchSettings settings;
        const char* says;
    };
    const Case cases[] = {
        {"shorter", "abc", "ab", {}, "The replacement is 2 bytes long and the search text 3 bytes"},
        {"empty", "abc", "", {}, "The replacement is 0 bytes long and the search text 3 bytes"},
        // Unicode doubles both sides: 2 characters are 4 bytes.
        {"unicode", "abc", "ab", {SearchType::Unicode}, "is 4 bytes long and the search text 6 bytes"},
        {"hex longer", "41", "4142", {SearchType::Hex}, "is 2 bytes long and the search text 1 byte:"},
        {"hex split pair", "41", "4 1", {SearchType::Hex}, "never between the two digits"},
        {"not latin-1", "a", QString(QChar(0x20AC)), {}, "8-bit (Latin-1)"},
        {"bad search text", "4", "41", {SearchType::Hex}, "the last digit has no partner"},
        // Even a pattern whose matches would all be as long as the replacement.
        {"regular expression", "ab[cd]", "xyz", {SearchType::Regex}, "matches of a regular expression differ in length"},
    };
    for (const Case& c : cases) {
        QString problem;
        EXPECT_FALSE(ReplaceTool::Prepare(c.find, c.replace, c.settings, problem)) << c.name;
        EXPECT_TRUE(problem.contains(QString::fromLatin1(c.says))) << c.name << ": " << problem.toStdString();
    }
    // Hex on both sides, blanks between pairs.
    QString problem;
    const auto plan = ReplaceTool::Prepare("41 42", "ff00", {SearchType::Hex}, problem);
    ASSERT_TRUE(plan) << problem.toStdString();
    EXPECT_EQ(plan->replacement, (std::vector<std::uint8_t>{0xFF, 0x00}));
}

TEST(ReplaceAll, ReadErrorOrCancelStopsAndKeepsWhatWasReplacedAsOneStep)
{
    TempDir dir;
    QByteArray bytes(6 * kBlock, '.');
    for (int p = 100; p < bytes.size(); p += 10000)
        bytes.replace(p, 3, "abc");
    const QString path = dir.Write("a.bin", bytes);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    const ReplacePlan plan = Plan("ABC", "xyz", {SearchType::Ascii, false});
    {
        const ScopedFileFaults faults;
        FileFaults::FailReads(QFile::encodeName(path).toStdString(), 3 * kBlock, 3 * kBlock + 10, EIO);
        const ReplaceResult failed = ReplaceTool::ReplaceAll(*doc, plan, {0, doc->GetFileLength()});
        EXPECT_EQ(failed.end, ReplaceResult::End::Failed);
        // Matches at 100, 10100, ... up to the bad bytes at 196605.
        EXPECT_EQ(failed.replaced, 20u);
        EXPECT_TRUE(failed.message.startsWith(QStringLiteral("Could not read a.bin at 0002FFFD: Input/output error.")))
            << failed.message.toStdString();
        EXPECT_TRUE(failed.message.contains(QStringLiteral("Replaced 20 matches before that"))) << failed.message.toStdString();
    }
    EXPECT_EQ(Presented(*doc, 190100, 3), QByteArray("xyz"));
    EXPECT_EQ(Presented(*doc, 200100, 3), QByteArray("abc"));
    doc->Undo();
    EXPECT_EQ(PresentedAll(*doc), bytes);
    EXPECT_FALSE(doc->CanUndo());

    // Cancelled after its first block: the first block's matches stay, as one step.
    const ReplaceResult cancelled =
        ReplaceTool::ReplaceAll(*doc, plan, {0, doc->GetFileLength()}, [](std::uint64_t) { return false; });
    EXPECT_EQ(cancelled.end, ReplaceResult::End::Cancelled);
    EXPECT_EQ(cancelled.replaced, 7u);
    EXPECT_TRUE(cancelled.message.startsWith(QStringLiteral("Replace All was cancelled. Replaced 7 matches")));
    doc->Undo();
    EXPECT_EQ(PresentedAll(*doc), bytes);
}

TEST(ReplaceAll, AViewOnlyDocumentIsRefusedAndUnchanged)
{
    TempDir dir;
    const QString path = dir.Write("a.bin", QByteArray("abcabc"));
    ASSERT_EQ(::chmod(path.toLocal8Bit().constData(), 0444), 0);
    MessageBoxRecorder boxes;
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->IsReadOnly());
    const ReplacePlan plan = Plan("abc", "xyz");
    EXPECT_EQ(ReplaceTool::ReplaceAll(*doc, plan, {0, 6}).message, QString::fromLatin1(CVantorixDoc::kReadOnlyText));
    EXPECT_EQ(ReplaceTool::ReplaceOne(*doc, plan, {0, 3}).end, ReplaceResult::End::Refused);
    EXPECT_TRUE(doc->PendingChanges().empty());
}

TEST(Replace, OnlyASelectionThatIsOneWholeMatchIsReplaced)
{
    TempDir dir;
    auto doc = OpenDocument(dir.Write("a.bin", QByteArray("xxAbCxxabc")));
    ASSERT_TRUE(doc);
    const ReplacePlan plan = Plan("abc", "123", {SearchType::Ascii, false});
    EXPECT_EQ(ReplaceTool::ReplaceOne(*doc, plan, {1, 3}).replaced, 0u);
    EXPECT_EQ(ReplaceTool::ReplaceOne(*doc, plan, {2, 4}).replaced, 0u);
    EXPECT_EQ(ReplaceTool::ReplaceOne(*doc, plan, {2, 3}).replaced, 1u);
    EXPECT_EQ(PresentedAll(*doc), QByteArray("xx123xxabc"));
}

TEST(ReplaceAll, TheDocumentIsDirtyExactlyWhereTheReplacementsDifferFromTheFile)
{
    // Replace All hands the bytes it scanned to the document, which counts what differs
    // from them instead of reading the file again: those must be the bytes as they were,
    // not folded for a case-free search, and not the pending bytes of an earlier edit
    // taken for the file's.
    struct Row {
        const char* name;
        QByteArray file;
        // An edit made before Replace All: a byte and where.
        std::optional<std::pair<FilePos, char>> edit;
        const char* find;
        const char* replace;
        bool matchCase;
        bool dirty;
    };
    const Row rows[] = {
        {"case-free, the file's own bytes put back", "..ABC....ABC..", std::nullopt, "abc", "ABC", false, false},
        {"case-free, one match differs", "..ABC....aBC..", std::nullopt, "abc", "ABC", false, true},
        {"over an earlier edit, the file's bytes put back", "..ABC....ABC..", std::pair<FilePos, char>{9, 'a'},
         "abc", "ABC", false, false},
        {"exact, over an earlier edit", "..ABC....ABC..", std::pair<FilePos, char>{3, 'X'}, "AXC", "ABC", true, false},
        {"exact, a real change", "..ABC....ABC..", std::nullopt, "ABC", "ABD", true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        auto doc = OpenDocument(dir.Write("a.bin", row.file));
        ASSERT_TRUE(doc);
        if (row.edit) {
            ASSERT_TRUE(doc->SetByte(static_cast<std::uint8_t>(row.edit->second), row.edit->first));
            ASSERT_TRUE(doc->IsDirty());
        }
        const ReplaceResult result = ReplaceTool::ReplaceAll(*doc, Plan(row.find, row.replace, {SearchType::Ascii, row.matchCase}),
                                                             {0, doc->GetFileLength()});
        EXPECT_GE(result.replaced, 1u);
        EXPECT_EQ(doc->IsDirty(), row.dirty);
        // Taken back, the document is as the edit left it.
        doc->Undo();
        EXPECT_EQ(doc->IsDirty(), row.edit.has_value());
    }
}
