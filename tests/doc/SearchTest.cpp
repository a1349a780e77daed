// How a search text becomes bytes, and how Find scans the file for them.
#include "DocTestSupport.h"

#include <gtest/gtest.h>

using namespace vtx;
using namespace vtx::test;

namespace {
using Bytes = std::vector<std::uint8_t>;

void ExpectEncoding(const std::string& text, SearchType type, const Bytes& bytes,
                    std::size_t compared, PatternProblem problem = PatternProblem::None)
{
    const SearchPattern pattern = EncodeSearchPattern(text, type);
    EXPECT_EQ(pattern.bytes, bytes) << '"' << text << '"';
    EXPECT_EQ(pattern.compareLength, compared) << '"' << text << '"';
    EXPECT_EQ(pattern.problem, problem) << '"' << text << '"';
}
} // namespace

TEST(SearchPatternEncoding, ThreeTypes)
{
    ExpectEncoding("AB", SearchType::Ascii, {0x41, 0x42}, 2);
    ExpectEncoding("AB", SearchType::Unicode, {0x41, 0, 0x42, 0}, 4);
    ExpectEncoding("\xE9", SearchType::Unicode, {0xE9, 0}, 2);
    ExpectEncoding("4142", SearchType::Hex, {0x41, 0x42}, 2);
    ExpectEncoding("ff0a", SearchType::Hex, {0xFF, 0x0A}, 2);
    // A trailing single digit is converted but not compared.
    ExpectEncoding("414", SearchType::Hex, {0x41, 0x04}, 1);
    ExpectEncoding("4", SearchType::Hex, {}, 0, PatternProblem::NothingToCompare);
    ExpectEncoding("", SearchType::Ascii, {}, 0, PatternProblem::Empty);
}

TEST(SearchPatternEncoding, HexGroupsFollowStrtolButAreNotSearchable)
{
    // Each two-character group alone: leading blank and sign accepted, conversion stops at
    // the first non-digit, no digit gives 0. Find refuses such texts as not hex.
    ExpectEncoding(" 4", SearchType::Hex, {0x04}, 1, PatternProblem::NotHex);
    ExpectEncoding("-1", SearchType::Hex, {0xFF}, 1, PatternProblem::NotHex);
    ExpectEncoding("4G", SearchType::Hex, {0x04}, 1, PatternProblem::NotHex);
    ExpectEncoding("GG41", SearchType::Hex, {0x00, 0x41}, 2, PatternProblem::NotHex);
    ExpectEncoding("4,42", SearchType::Hex, {0x04, 0x42}, 2, PatternProblem::NotHex);
}

TEST(SearchPatternEncoding, PatternMustFitTheBuffer)
{
    const auto problem = [](std::size_t length, char c, SearchType type) {
        return EncodeSearchPattern(std::string(length, c), type).problem;
    };
    EXPECT_EQ(problem(255, 'a', SearchType::Ascii), PatternProblem::None);
    EXPECT_EQ(problem(256, 'a', SearchType::Ascii), PatternProblem::TooLong);
    EXPECT_EQ(problem(128, 'a', SearchType::Unicode), PatternProblem::None);
    EXPECT_EQ(problem(129, 'a', SearchType::Unicode), PatternProblem::TooLong);
    EXPECT_EQ(problem(512, 'a', SearchType::Hex), PatternProblem::None);
    EXPECT_EQ(problem(513, 'a', SearchType::Hex), PatternProblem::TooLong);
}

TEST(DocFind, EachTypeFindsItsOwnBytesAtOrAfterStart)
{
    TempDir dir;
    QByteArray bytes(400, '.');
    bytes.replace(10, 3, "abc");
    bytes.replace(50, 3, "ABC");
    bytes.replace(100, 4, QByteArray("A\0B\0", 4));
    bytes.replace(200, 3, "ABC");
    auto doc = OpenDocument(dir.Write("a.bin", bytes));
    ASSERT_TRUE(doc);
    ScopedSearchType type(SearchType::Ascii);
    EXPECT_EQ(doc->Find(QStringLiteral("ABC"), 0), 50);
    EXPECT_EQ(doc->Find(QStringLiteral("ABC"), 50), 50);
    EXPECT_EQ(doc->Find(QStringLiteral("ABC"), 51), 200);
    EXPECT_EQ(doc->Find(QStringLiteral("ABC"), 201), -1);
    EXPECT_EQ(doc->Find(QStringLiteral("ABC"), 5000), -1);
    EXPECT_EQ(doc->Find(QStringLiteral("abc"), 0), 10);
    type.Set(SearchType::Unicode);
    EXPECT_EQ(doc->Find(QStringLiteral("AB"), 0), 100);
    type.Set(SearchType::Hex);
    EXPECT_EQ(doc->Find(QStringLiteral("414"), 0), 50);
    EXPECT_EQ(doc->Find(QStringLiteral("2e2e41"), 0), 48);
    // Pending changes are searched, not the file's old bytes.
    ASSERT_TRUE(doc->SetByte('Z', 50));
    EXPECT_EQ(doc->Find(QStringLiteral("41"), 0), 100);
}

TEST(DocFind, MatchesAcrossBlockBoundariesAndNeverPastTheEnd)
{
    constexpr int kBlock = 65535;
    const QByteArray needle = "NEEDLE";
    TempDir dir;
    ScopedSearchType type(SearchType::Ascii);
    // Straddling the first, and the second block boundary, and the last place fully
    // inside the first block.
    for (int at : {kBlock - 3, kBlock - 1, 2 * kBlock - 5, kBlock - 6}) {
        QByteArray bytes(3 * kBlock, '\0');
        bytes.replace(at, needle.size(), needle);
        auto doc = OpenDocument(dir.Write("a.bin", bytes));
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->Find(QString::fromLatin1(needle), 0), at);
        EXPECT_EQ(doc->Find(QString::fromLatin1(needle), static_cast<std::uint32_t>(at) + 1), -1);
    }
    // A straddling match made of pending changes.
    {
        auto doc = OpenDocument(dir.Write("b.bin", QByteArray(2 * kBlock, '\0')));
        ASSERT_TRUE(doc);
        for (int i = 0; i < needle.size(); ++i)
            ASSERT_TRUE(doc->SetByte(static_cast<std::uint8_t>(needle[i]), kBlock - 2 + i));
        EXPECT_EQ(doc->Find(QString::fromLatin1(needle), 0), kBlock - 2);
    }
    // The file ends inside the pattern; bytes seen earlier must not complete it.
    {
        QByteArray bytes(kBlock + 2, '\0');
        bytes.replace(0, 3, "xxE");
        bytes.replace(kBlock, 2, "NE");
        auto doc = OpenDocument(dir.Write("c.bin", bytes));
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->Find(QStringLiteral("NEE"), 1), -1);
    }
}

TEST(DocFind, AFailingBlockReadEndsTheSearchWithNoMatch)
{
    // With pending changes the document presents the length it measured at open; a file
    // that grew behind its back makes the block read past that length fail.
    TempDir dir;
    const QString path = dir.Write("a.bin", QByteArray(100, '.'));
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte('x', 0));
    QFile outside(path);
    ASSERT_TRUE(outside.open(QIODevice::Append));
    outside.write(QByteArray(100, '.') + "TARGET");
    outside.close();
    ScopedSearchType type(SearchType::Ascii);
    TraceCapture trace;
    EXPECT_EQ(doc->Find(QStringLiteral("TARGET"), 0), -1);
    EXPECT_TRUE(trace.Contains("len < 0"));
}

TEST(DocFind, ScanReportsEachBlockAndCanBeStopped)
{
    constexpr std::uint32_t kBlock = CVantorixDoc::kMaxRead;
    TempDir dir;
    QByteArray bytes(3 * kBlock, '\0');
    bytes.replace(3 * kBlock - 6, 6, "NEEDLE");
    auto doc = OpenDocument(dir.Write("a.bin", bytes));
    ASSERT_TRUE(doc);
    const SearchPattern pattern = EncodeSearchPattern("NEEDLE", SearchType::Ascii);
    std::vector<std::uint32_t> next;
    EXPECT_EQ(doc->ScanForPattern(pattern, 0, [&](std::uint32_t p) {
        next.push_back(p);
        return true;
    }), static_cast<std::int32_t>(3 * kBlock - 6));
    EXPECT_EQ(next, (std::vector<std::uint32_t>{kBlock - 5, 2 * kBlock - 10, 3 * kBlock - 15}));
    EXPECT_EQ(doc->ScanForPattern(pattern, 0, [](std::uint32_t) { return false; }), -1);
}
