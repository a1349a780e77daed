// Find All without a window: every match up to the limit, what ends the list, and what a
// row shows.
#include "doc/DocTestSupport.h"
#include "platform/FileFaults.h"
#include "tools/findall/FindAllTool.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cerrno>

using namespace vtx;
using namespace vtx::test;

TEST(FindAll, StopsAtTheLimitAndSaysSo)
{
    TempDir dir;
    // One more match than the list takes, spread over many blocks.
    QByteArray bytes;
    for (std::size_t i = 0; i <= FindAllTool::kMaxHits; ++i)
        bytes += "ab.";
    auto doc = OpenDocument(dir.Write("a.bin", bytes));
    ASSERT_TRUE(doc);
    PatternScanner scanner(EncodeSearchPattern("AB", SearchType::Ascii, false));
    std::vector<FindAllHit> hits;
    const FindAllOutcome outcome = FindAllTool::Run(*doc, scanner, {0, doc->GetFileLength()}, hits);
    ASSERT_EQ(hits.size(), FindAllTool::kMaxHits);
    EXPECT_TRUE(outcome.truncated);
    for (std::size_t i = 0; i < hits.size(); ++i)
        ASSERT_EQ(hits[i], (FindAllHit{3 * i, 2})) << i;
    EXPECT_EQ(FindAllTool::Summary(*doc, outcome, hits.size()),
              QStringLiteral("100,000 matches: the list stopped there, more matches follow."));

    // Exactly as many as the limit is a whole list.
    hits.clear();
    const FindAllOutcome whole = FindAllTool::Run(*doc, scanner, {3, doc->GetFileLength() - 3}, hits);
    EXPECT_FALSE(whole.truncated);
    EXPECT_EQ(hits.size(), FindAllTool::kMaxHits);
    EXPECT_EQ(FindAllTool::Summary(*doc, whole, hits.size()), QStringLiteral("100,000 matches"));
}

TEST(FindAll, RowsShowTheOffsetAndTheBytesAroundTheMatchAsTheyAreNow)
{
    TempDir dir;
    auto doc = OpenDocument(dir.Write("a.bin", QByteArray("\x01" "bcdefMATCHxyz\x7F", 15)));
    ASSERT_TRUE(doc);
    FindAllTool::RowText row = FindAllTool::Describe(*doc, {6, 5}, 8);
    EXPECT_EQ(row.offset, QStringLiteral("00000006"));
    EXPECT_EQ(row.hex, QStringLiteral("63 64 65 66 [4D 41 54 43 48] 78 79 7A 7F"));
    EXPECT_EQ(row.text, QStringLiteral("cdefMATCHxyz\x7F"));
    // At the start, with fewer bytes before it, and after an edit, which a row shows.
    ASSERT_TRUE(doc->SetByte('!', 2));
    row = FindAllTool::Describe(*doc, {1, 2}, 10);
    EXPECT_EQ(row.offset, QStringLiteral("0000000001"));
    EXPECT_EQ(row.hex, QStringLiteral("01 [62 21] 64 65 66 4D"));
    EXPECT_EQ(row.text, QStringLiteral(".b!defM"));
    EXPECT_EQ(FindAllTool::CountText(1), QStringLiteral("1 match"));
    EXPECT_EQ(FindAllTool::CountText(0), QStringLiteral("No matches"));
}

TEST(FindAll, ARegularExpressionListsWholeMatchesAcrossBlockEdgesUpToAReadError)
{
    constexpr int kBlock = CVantorixDoc::kMaxRead;
    TempDir dir;
    QByteArray bytes(5 * kBlock, '.');
    // Tokens of different lengths across each block edge, and one an edit makes.
    const QByteArray tokens[] = {"<7>", "<12345>", "<1234567890>", "<42>"};
    for (int i = 0; i < 4; ++i)
        bytes.replace((i + 1) * kBlock - 3, tokens[i].size(), tokens[i]);
    const QString path = dir.Write("r.bin", bytes);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->SetBytes(reinterpret_cast<const std::uint8_t*>("<99>"), 4, 100), 4);

    QString problem;
    const auto scanner = FindAllTool::Scanner(QStringLiteral("<[0-9]{1,10}>"), {SearchType::Regex, true}, problem);
    ASSERT_TRUE(scanner) << problem.toStdString();
    std::vector<FindAllHit> hits;
    FindAllOutcome outcome = FindAllTool::Run(*doc, *scanner, {0, doc->GetFileLength()}, hits);
    EXPECT_EQ(outcome.status.end, ScanStatus::End::Completed);
    const std::vector<FindAllHit> all{{100, 4}, {kBlock - 3, 3}, {2 * kBlock - 3, 7}, {3 * kBlock - 3, 12},
                                      {4 * kBlock - 3, 4}};
    EXPECT_EQ(hits, all);

    // A range takes only the matches wholly inside it; a sink that stops is told apart
    // from the end.
    hits.clear();
    outcome = FindAllTool::Run(*doc, *scanner, {kBlock - 2, 3 * kBlock + 9 - (kBlock - 2)}, hits);
    EXPECT_EQ(hits, (std::vector<FindAllHit>{{2 * kBlock - 3, 7}, {3 * kBlock - 3, 12}}));
    std::size_t heard = 0;
    const ScanStatus stopped = scanner->Scan(*doc, {0, doc->GetFileLength()}, [&](FilePos, std::uint64_t) {
        return ++heard < 2;
    }, {});
    EXPECT_EQ(stopped.end, ScanStatus::End::Stopped);
    EXPECT_EQ(heard, 2u);

    // Unreadable bytes end the list with the error after the matches before them, also one
    // that ends in the block that fails.
    const ScopedFileFaults faults;
    FileFaults::FailReads(QFile::encodeName(path).toStdString(), 2 * kBlock + 100, 2 * kBlock + 200, EIO);
    hits.clear();
    outcome = FindAllTool::Run(*doc, *scanner, {0, doc->GetFileLength()}, hits);
    EXPECT_EQ(hits, (std::vector<FindAllHit>{{100, 4}, {kBlock - 3, 3}, {2 * kBlock - 3, 7}}));
    ASSERT_TRUE(outcome.status.Failed());
    EXPECT_EQ(outcome.status.error, EIO);
    EXPECT_TRUE(FindAllTool::Summary(*doc, outcome, hits.size()).startsWith(QStringLiteral("3 matches up to here. Could not read r.bin at ")));

    // The texts a regular expression cannot be searched with are refused before any scan.
    EXPECT_FALSE(FindAllTool::Scanner(QStringLiteral("(<"), {SearchType::Regex, true}, problem));
    EXPECT_TRUE(problem.startsWith(QStringLiteral("The regular expression cannot be used: "))) << problem.toStdString();
    EXPECT_FALSE(FindAllTool::Scanner(QStringLiteral("<?"), {SearchType::Regex, true}, problem));
    EXPECT_TRUE(problem.contains(QStringLiteral("empty string"))) << problem.toStdString();
}
