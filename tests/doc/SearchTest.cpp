// How a search text becomes bytes, and how Find scans the file for them.
#include "DocTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cctype>
#include <random>

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
    // Every byte needs both its digits: a digit without a partner is refused.
    ExpectEncoding("414", SearchType::Hex, {0x41}, 1, PatternProblem::HexOddDigits);
    ExpectEncoding("4", SearchType::Hex, {}, 0, PatternProblem::HexOddDigits);
    ExpectEncoding("", SearchType::Ascii, {}, 0, PatternProblem::Empty);
    // Blanks may stand between and around pairs, never inside one.
    ExpectEncoding("45 4C\t46 ", SearchType::Hex, {0x45, 0x4C, 0x46}, 3);
    ExpectEncoding(" 45 4C", SearchType::Hex, {0x45, 0x4C}, 2);
    ExpectEncoding("45  4", SearchType::Hex, {0x45}, 1, PatternProblem::HexOddDigits);
    ExpectEncoding("4 5", SearchType::Hex, {}, 0, PatternProblem::HexSplitPair);
}

TEST(SearchPatternScan, BothDirectionsAndBothCasesAgreeWithANaiveScan)
{
    // Few distinct letters, so that near-matches and overlaps are common.
    std::mt19937 random(4711);
    const std::string alphabet = "aAbB\xE1\xC1";
    for (int round = 0; round < 3000; ++round) {
        const std::size_t size = random() % 80;
        const std::size_t length = 1 + random() % 6;
        std::vector<std::uint8_t> data(size);
        for (auto& b : data)
            b = static_cast<std::uint8_t>(alphabet[random() % alphabet.size()]);
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text.push_back(alphabet[random() % alphabet.size()]);
        const bool matchCase = random() % 2 == 0;
        const SearchPattern pattern = EncodeSearchPattern(text, SearchType::Ascii, matchCase);
        const auto same = [&](std::size_t at) {
            for (std::size_t i = 0; i < length; ++i) {
                const auto a = data[at + i];
                const auto b = static_cast<std::uint8_t>(text[i]);
                const bool letter = std::isalpha(a) && a < 0x80;
                if (a != b && (matchCase || !letter || (a ^ 0x20) != b))
                    return false;
            }
            return true;
        };
        std::ptrdiff_t first = -1;
        std::ptrdiff_t last = -1;
        for (std::size_t at = 0; at + length <= size; ++at) {
            if (same(at)) {
                if (first < 0)
                    first = static_cast<std::ptrdiff_t>(at);
                last = static_cast<std::ptrdiff_t>(at);
            }
        }
        const std::string what = "\"" + text + "\" in " + std::string(data.begin(), data.end()) +
                                 (matchCase ? " matching case" : " ignoring case");
        ASSERT_EQ(FindPatternInBlock(data.data(), size, pattern, SearchDirection::Forward), first) << what;
        ASSERT_EQ(FindPatternInBlock(data.data(), size, pattern, SearchDirection::Backward), last) << what;
    }
}

TEST(SearchPatternScan, BlocksOfNearMatchesAgreeWithANaiveScan)
{
    // Whole blocks of one letter with a few others sprinkled in, against long patterns of
    // that letter: almost every position looks like a match at its ends, so the scan runs
    // out of patience with its candidates and finishes the block another way. Either way
    // the answer must be the naive one.
    std::mt19937 random(1234);
    for (int round = 0; round < 24; ++round) {
        const std::size_t size = CVantorixDoc::kMaxRead - random() % 40;
        const bool matchCase = round % 2 == 0;
        std::vector<std::uint8_t> data(size, round % 4 < 2 ? 'a' : 'A');
        for (int k = 0; k < 6; ++k)
            data[random() % size] = 'b';
        const std::size_t half = 10 + random() % 60;
        std::string text = std::string(half, 'a') + "b" + std::string(half, 'a');
        // Now and then the pattern's own 'b' lands where a sprinkled one is.
        if (round % 3 == 0) {
            const std::size_t at = random() % (size - text.size());
            std::fill_n(data.begin() + static_cast<std::ptrdiff_t>(at), text.size(), 'a');
            data[at + half] = 'b';
        }
        const SearchPattern pattern = EncodeSearchPattern(text, SearchType::Ascii, matchCase);
        const auto same = [&](std::size_t at) {
            for (std::size_t i = 0; i < text.size(); ++i) {
                const auto b = static_cast<std::uint8_t>(text[i]);
                if (data[at + i] != b && (matchCase || (data[at + i] ^ 0x20) != b))
                    return false;
            }
            return true;
        };
        std::ptrdiff_t first = -1;
        std::ptrdiff_t last = -1;
        for (std::size_t at = 0; at + text.size() <= size; ++at) {
            if (data[at + half] == 'b' && same(at)) {
                if (first < 0)
                    first = static_cast<std::ptrdiff_t>(at);
                last = static_cast<std::ptrdiff_t>(at);
            }
        }
        const std::string what = "round " + std::to_string(round);
        ASSERT_EQ(FindPatternInBlock(data.data(), size, pattern, SearchDirection::Forward), first) << what;
        ASSERT_EQ(FindPatternInBlock(data.data(), size, pattern, SearchDirection::Backward), last) << what;
    }
}

TEST(SearchPatternEncoding, HexTextWithOtherCharactersIsNotSearchable)
{
    // Read as every hex box reads it: a sign, a letter past F or a comma is not hex.
    ExpectEncoding(" 4", SearchType::Hex, {}, 0, PatternProblem::HexOddDigits);
    ExpectEncoding("-1", SearchType::Hex, {}, 0, PatternProblem::NotHex);
    ExpectEncoding("4G", SearchType::Hex, {}, 0, PatternProblem::NotHex);
    ExpectEncoding("GG41", SearchType::Hex, {}, 0, PatternProblem::NotHex);
    ExpectEncoding("4,42", SearchType::Hex, {}, 0, PatternProblem::NotHex);
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
    EXPECT_EQ(problem(514, 'a', SearchType::Hex), PatternProblem::TooLong);
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
    SearchSettings type{SearchType::Ascii};
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("ABC"), 0, type), 50);
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("ABC"), 50, type), 50);
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("ABC"), 51, type), 200);
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("ABC"), 201, type), -1);
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("ABC"), 5000, type), -1);
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("abc"), 0, type), 10);
    type.type = SearchType::Unicode;
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("AB"), 0, type), 100);
    type.type = SearchType::Hex;
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("41 42"), 0, type), 50);
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("2e2e41"), 0, type), 48);
    // Pending changes are searched, not the file's old bytes.
    ASSERT_TRUE(doc->SetByte('Z', 50));
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("41"), 0, type), 100);
}

TEST(DocFind, MatchesAcrossBlockBoundariesAndNeverPastTheEnd)
{
    constexpr int kBlock = 65535;
    const QByteArray needle = "NEEDLE";
    TempDir dir;
    SearchSettings type{SearchType::Ascii};
    // Straddling the first, and the second block boundary, and the last place fully
    // inside the first block.
    for (int at : {kBlock - 3, kBlock - 1, 2 * kBlock - 5, kBlock - 6}) {
        QByteArray bytes(3 * kBlock, '\0');
        bytes.replace(at, needle.size(), needle);
        auto doc = OpenDocument(dir.Write("a.bin", bytes));
        ASSERT_TRUE(doc);
        EXPECT_EQ(FindFrom(*doc, QString::fromLatin1(needle), 0, type), at);
        EXPECT_EQ(FindFrom(*doc, QString::fromLatin1(needle), static_cast<std::uint32_t>(at) + 1, type), -1);
    }
    // A straddling match made of pending changes.
    {
        auto doc = OpenDocument(dir.Write("b.bin", QByteArray(2 * kBlock, '\0')));
        ASSERT_TRUE(doc);
        for (int i = 0; i < needle.size(); ++i)
            ASSERT_TRUE(doc->SetByte(static_cast<std::uint8_t>(needle[i]), kBlock - 2 + i));
        EXPECT_EQ(FindFrom(*doc, QString::fromLatin1(needle), 0, type), kBlock - 2);
    }
    // The file ends inside the pattern; bytes seen earlier must not complete it.
    {
        QByteArray bytes(kBlock + 2, '\0');
        bytes.replace(0, 3, "xxE");
        bytes.replace(kBlock, 2, "NE");
        auto doc = OpenDocument(dir.Write("c.bin", bytes));
        ASSERT_TRUE(doc);
        EXPECT_EQ(FindFrom(*doc, QStringLiteral("NEE"), 1, type), -1);
    }
}

TEST(DocFind, AFileThatGrewIsSearchedToItsNewEnd)
{
    // A file that grew behind the document's back is searched as it is now, pending
    // changes or not: its new bytes are neither skipped nor taken for an error.
    TempDir dir;
    const QString path = dir.Write("a.bin", QByteArray(100, '.'));
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte('x', 0));
    QFile outside(path);
    ASSERT_TRUE(outside.open(QIODevice::Append));
    outside.write(QByteArray(100, '.') + "TARGET");
    outside.close();
    SearchSettings type{SearchType::Ascii};
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("TARGET"), 0, type), 200);
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
    DocumentSearch search(*doc);
    EXPECT_EQ(search.ScanRange(pattern, 0, kMaxFilePos, SearchDirection::Forward, [&](std::uint64_t p) {
        next.push_back(static_cast<std::uint32_t>(p));
        return true;
    }).position, static_cast<std::int32_t>(3 * kBlock - 6));
    EXPECT_EQ(next, (std::vector<std::uint32_t>{kBlock - 5, 2 * kBlock - 10, 3 * kBlock - 15}));
    const FindResult stopped =
        search.ScanRange(pattern, 0, kMaxFilePos, SearchDirection::Forward, [](std::uint64_t) { return false; });
    EXPECT_EQ(stopped.position, -1);
    EXPECT_TRUE(stopped.cancelled);
}

TEST(DocFindAround, EachDirectionWrapsOnceAndMeetsItself)
{
    // Matches of "AB" at 2 and 7; "BA" spans the two passes' meeting place at 3..4 when
    // the caret stands on 3 or 4.
    TempDir dir;
    auto doc = OpenDocument(dir.Write("a.bin", QByteArray("xxABAxxABx")));
    ASSERT_TRUE(doc);
    struct Case {
        const char* text;
        std::uint32_t caret;
        SearchDirection direction;
        std::int32_t position;
        bool wrapped;
    };
    constexpr auto F = SearchDirection::Forward;
    constexpr auto B = SearchDirection::Backward;
    const Case cases[] = {
        {"AB", 0, F, 2, false},
        {"AB", 2, F, 7, false},
        {"AB", 7, F, 2, true},
        {"AB", 9, F, 2, true},
        {"ab", 0, F, -1, false},
        // Backward: the match must end before the caret.
        {"AB", 9, B, 7, false},
        {"AB", 8, B, 2, false},
        {"AB", 4, B, 2, false},
        {"AB", 3, B, 7, true},
        {"AB", 0, B, 7, true},
        // The only match covers the caret: found once, after the wrap, in either direction.
        {"BA", 3, F, 3, true},
        {"BA", 4, B, 3, true},
        {"BA", 4, F, 3, true},
        {"BA", 3, B, 3, true},
        {"zz", 5, B, -1, false},
    };
    for (const Case& c : cases) {
        const FindResult result =
            DocumentSearch(*doc).FindAround(EncodeSearchPattern(c.text, SearchType::Ascii), c.caret, c.direction);
        EXPECT_EQ(result.position, c.position) << c.text << " from " << c.caret;
        EXPECT_EQ(result.wrapped, c.wrapped) << c.text << " from " << c.caret;
    }
}

TEST(DocFindAround, BackwardReadsBlocksFromTheEndAndSeesStraddlingMatches)
{
    constexpr std::uint32_t kBlock = CVantorixDoc::kMaxRead;
    TempDir dir;
    QByteArray bytes(3 * kBlock, '\0');
    bytes.replace(2 * kBlock - 3, 6, "needle");
    bytes.replace(10, 6, "NEEDLE");
    auto doc = OpenDocument(dir.Write("a.bin", bytes));
    ASSERT_TRUE(doc);
    const SearchPattern exact = EncodeSearchPattern("NEEDLE", SearchType::Ascii);
    const SearchPattern anyCase = EncodeSearchPattern("NEEDLE", SearchType::Ascii, false);
    EXPECT_EQ(DocumentSearch(*doc).FindAround(anyCase, 3 * kBlock - 1, SearchDirection::Backward).position,
              static_cast<std::int32_t>(2 * kBlock - 3));
    EXPECT_EQ(DocumentSearch(*doc).FindAround(exact, 3 * kBlock - 1, SearchDirection::Backward).position, 10);
    // Progress counts the bytes of both passes, and stopping ends the search unfound.
    std::uint64_t scanned = 0;
    const FindResult stopped = DocumentSearch(*doc).FindAround(exact, 5, SearchDirection::Backward, [&](std::uint64_t n) {
        scanned = n;
        return false;
    });
    EXPECT_EQ(stopped.position, -1);
    EXPECT_GT(scanned, 0u);
    std::uint64_t last = 0;
    EXPECT_EQ(DocumentSearch(*doc).FindAround(exact, 20, SearchDirection::Forward, [&](std::uint64_t n) {
        EXPECT_GE(n, last);
        last = n;
        return true;
    }).position, 10);
    EXPECT_LE(last, 3u * kBlock + 6);
    EXPECT_GT(last, 3u * kBlock - 2 * kBlock);
}

TEST(DocFindAround, MatchesOnBothSidesOfFourGibibytesAndAcrossIt)
{
    // 4 GiB and 1 MiB, sparse: "needle" straddles 2^32, "NEEDLE" lies near the start.
    constexpr FilePos k4G = FilePos{1} << 32;
    TempDir dir;
    SparseDocument sparse = OpenSparseAcross4G(dir, {{k4G - 3, "needle"}, {10, "NEEDLE"}});
    if (sparse.refused)
        GTEST_SKIP() << "this file system refuses a sparse file past 4 GiB";
    auto doc = std::move(sparse.doc);
    ASSERT_TRUE(doc);
    SearchSettings ascii{SearchType::Ascii};

    const SearchPattern straddling = EncodeSearchPattern("needle", SearchType::Ascii);
    const SearchPattern nearStart = EncodeSearchPattern("NEEDLE", SearchType::Ascii);
    struct Case {
        const SearchPattern* pattern;
        FilePos caret;
        SearchDirection direction;
        std::int64_t position;
        bool wrapped;
    };
    constexpr auto F = SearchDirection::Forward;
    constexpr auto B = SearchDirection::Backward;
    const Case cases[] = {
        {&straddling, k4G - 100, F, static_cast<std::int64_t>(k4G - 3), false},
        {&straddling, k4G + 100, B, static_cast<std::int64_t>(k4G - 3), false},
        {&nearStart, k4G - 3, F, 10, true},
        {&straddling, 5, B, static_cast<std::int64_t>(k4G - 3), true},
    };
    for (const Case& c : cases) {
        const FindResult found = DocumentSearch(*doc).FindAround(*c.pattern, c.caret, c.direction);
        EXPECT_EQ(found.position, c.position) << "from " << c.caret;
        EXPECT_EQ(found.wrapped, c.wrapped) << "from " << c.caret;
    }
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("needle"), k4G - 70000, ascii), static_cast<std::int64_t>(k4G - 3));
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("needle"), k4G - 2, ascii), -1);
}

TEST(DocFind, FromTheCaretAsTheViewAsksIt)
{
    // Find Next and Find Previous go through here: the text is encoded with the type and
    // case rule given, the match's length comes back, a refused text says why.
    TempDir dir;
    auto doc = OpenDocument(dir.Write("a.bin", QByteArray("xxABxxab")));
    ASSERT_TRUE(doc);
    DocumentSearch search(*doc);
    SearchSettings type{SearchType::Hex};
    FindResult found = search.Find(QStringLiteral("41 42"), type, 7, SearchDirection::Forward);
    EXPECT_EQ(found.position, 2);
    EXPECT_TRUE(found.wrapped);
    EXPECT_EQ(found.length, 2u);

    type.type = SearchType::Ascii;
    type.matchCase = false;
    EXPECT_EQ(search.Find(QStringLiteral("ab"), type, 0, SearchDirection::Forward).position, 2);
    EXPECT_EQ(search.Find(QStringLiteral("ab"), type, 7, SearchDirection::Backward).position, 2);
    type.matchCase = true;
    EXPECT_EQ(search.Find(QStringLiteral("ab"), type, 0, SearchDirection::Forward).position, 6);

    MessageBoxRecorder boxes;
    const QString refused = QString(QChar(0x0100));
    found = search.Find(refused, type, 0, SearchDirection::Forward);
    EXPECT_EQ(found.position, -1);
    EXPECT_EQ(found.length, 0u);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last(), DocumentSearch::TextProblem(refused, type));
}
