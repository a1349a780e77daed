// Find All without a window: every match up to the limit, what ends the list, and what a
// row shows.
#include "doc/DocTestSupport.h"
#include "tools/findall/FindAllTool.h"

#include <gtest/gtest.h>

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
