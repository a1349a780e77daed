// Regular-expression search: the matcher against Python's `re` over the same bytes, matches
// across block edges and past 4 GiB, Find Previous, read errors, cancelling and refusals.
#include "DocTestSupport.h"

#include "document/RegexSearch.h"
#include "platform/FileFaults.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cerrno>
#include <cstring>
#include <random>

using namespace vtx;
using namespace vtx::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::shared_ptr<const RegexPattern> MustCompile(const std::string& text, bool matchCase = true)
{
    std::string problem;
    auto pattern = RegexPattern::Compile(text, matchCase, problem);
    EXPECT_TRUE(pattern) << text << ": " << problem;
    return pattern;
}

// Reads from memory at most `chunk` bytes at a time, as a short-reading source would.
RegexReader MemoryReader(const Bytes& data, std::uint32_t chunk = CVantorixDoc::kMaxRead)
{
    return [&data, chunk](std::uint8_t* buffer, std::uint32_t count, FilePos position) {
        if (position >= data.size())
            return ReadOutcome{};
        const auto n = static_cast<std::uint32_t>(std::min<FilePos>({count, chunk, data.size() - position}));
        std::memcpy(buffer, data.data() + position, n);
        return ReadOutcome{n, 0};
    };
}

RegexReader DocumentReader(CVantorixDoc& doc)
{
    return [&doc](std::uint8_t* buffer, std::uint32_t count, FilePos position) {
        return doc.ReadPresented(buffer, count, position);
    };
}

std::vector<ByteRange> AllMatches(const RegexPattern& pattern, const RegexReader& read, FilePos length)
{
    std::vector<ByteRange> found;
    const RegexScanResult end = FindRegexAll(pattern, read, {0, length, length}, [&](ByteRange match) {
        found.push_back(match);
        return true;
    });
    EXPECT_TRUE(end.end == RegexScanEnd::Found || end.end == RegexScanEnd::NotFound);
    return found;
}

// Random bytes with tokens planted across the 64 KiB edges, text lines among them, and an
// end that is not a newline.
Bytes PythonTestData()
{
    std::mt19937 random(2718);
    Bytes data(300000);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(random());
    const auto plant = [&data](std::size_t at, const std::string& text) {
        std::memcpy(data.data() + at, text.data(), text.size());
    };
    for (std::size_t edge = 65536; edge < data.size(); edge += 65536) {
        plant(edge - 2, std::string("PK\x03\x04", 4));
        plant(edge - 40, "AB12345Z");
        plant(edge + 100, "The quick word, a Word; sword words word.\n");
        plant(edge - 20, "\x89PNG\r\n\x1A\n");
        plant(edge + 300, "GIF89a..GIF87a");
        plant(edge + 400, "Caf\xE9 CAF\xC9 cafe");
    }
    // `^` matches at the file's start only, never where a search starts.
    plant(0, "MZ\x90");
    plant(1000, "MZ\x90");
    data.back() = 'q';
    return data;
}

struct PythonRow {
    const char* name;
    const char* pattern;
    bool matchCase = true;
};

void PrintTo(const PythonRow& row, std::ostream* out)
{
    *out << row.pattern;
}

class RegexAgainstPython : public ::testing::TestWithParam<PythonRow>
{
protected:
    static void SetUpTestSuite()
    {
        s_data = new Bytes(PythonTestData());
        s_dir = new TempDir;
        s_path = new QString(s_dir->Write("data.bin", QByteArray(reinterpret_cast<const char*>(s_data->data()),
                                                                   static_cast<int>(s_data->size()))));
    }
    static void TearDownTestSuite()
    {
        delete s_path;
        delete s_dir;
        delete s_data;
    }

    // Python's finditer over the whole data, and search() from each of `starts`, as
    // [start, end) pairs (search: -1, -1 for none).
    static QJsonObject Python(const PythonRow& row, const std::vector<FilePos>& starts)
    {
        static const char* script = R"(
import json, re, sys
data = open(sys.argv[1], 'rb').read()
flags = re.DOTALL | (0 if sys.argv[3] == '1' else re.IGNORECASE)
p = re.compile(bytes.fromhex(sys.argv[2]), flags)
spans = [list(m.span()) for m in p.finditer(data)]
found = []
for s in sys.argv[4:]:
    m = p.search(data, int(s))
    found.append(list(m.span()) if m else [-1, -1])
print(json.dumps({'all': spans, 'search': found}))
)";
        QStringList args{QStringLiteral("-c"), QString::fromLatin1(script), *s_path,
                         QString::fromLatin1(QByteArray(row.pattern).toHex()),
                         row.matchCase ? QStringLiteral("1") : QStringLiteral("0")};
        for (const FilePos s : starts)
            args << QString::number(s);
        QProcess python;
        python.start(QStringLiteral("python3"), args);
        if (!python.waitForFinished(60000) || python.exitCode() != 0)
            return {};
        return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    }

    static Bytes* s_data;
    static TempDir* s_dir;
    static QString* s_path;
};

Bytes* RegexAgainstPython::s_data = nullptr;
TempDir* RegexAgainstPython::s_dir = nullptr;
QString* RegexAgainstPython::s_path = nullptr;

TEST_P(RegexAgainstPython, SameMatchesAndSameFirstMatchFromAnyStart)
{
    const PythonRow& row = GetParam();
    const Bytes& data = *s_data;
    const std::vector<FilePos> starts{0, 1, 2, 1000, 65530, 65534, 65535, 65536, 131000, 196607, 299990, 299999};
    const QJsonObject expected = Python(row, starts);
    if (expected.isEmpty())
        GTEST_SKIP() << "python3 could not run";

    const auto pattern = MustCompile(row.pattern, row.matchCase);
    ASSERT_TRUE(pattern);
    // Whole blocks as the document reads them, and short reads that put the block edges
    // elsewhere.
    for (const std::uint32_t chunk : {CVantorixDoc::kMaxRead, 1000u}) {
        const RegexReader read = MemoryReader(data, chunk);
        const std::vector<ByteRange> all = AllMatches(*pattern, read, data.size());
        const QJsonArray spans = expected[QStringLiteral("all")].toArray();
        ASSERT_EQ(all.size(), static_cast<std::size_t>(spans.size())) << "reads of " << chunk;
        EXPECT_GT(all.size(), 0u);
        for (std::size_t i = 0; i < all.size(); ++i) {
            const QJsonArray span = spans[static_cast<int>(i)].toArray();
            ASSERT_EQ(all[i].first, static_cast<FilePos>(span[0].toInteger())) << "match " << i;
            ASSERT_EQ(all[i].End(), static_cast<FilePos>(span[1].toInteger())) << "match " << i;
        }
        const QJsonArray searched = expected[QStringLiteral("search")].toArray();
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const QJsonArray span = searched[static_cast<int>(i)].toArray();
            const RegexScanResult found = FindRegexForward(*pattern, read, {starts[i], data.size(), data.size()});
            if (span[0].toInteger() < 0) {
                EXPECT_EQ(found.end, RegexScanEnd::NotFound) << "from " << starts[i];
            } else {
                ASSERT_TRUE(found.Found()) << "from " << starts[i];
                EXPECT_EQ(found.match.first, static_cast<FilePos>(span[0].toInteger())) << "from " << starts[i];
                EXPECT_EQ(found.match.End(), static_cast<FilePos>(span[1].toInteger())) << "from " << starts[i];
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, RegexAgainstPython,
    ::testing::Values(PythonRow{"HighRun", R"([\x80-\xFF]{4})"},
                      PythonRow{"PrintableRunUnbounded", R"([\x20-\x7E]{6,})"},
                      PythonRow{"LiteralAcrossEdges", R"(PK\x03\x04)"},
                      PythonRow{"LiteralLed", R"(AB[0-9]+Z)"},
                      PythonRow{"BoundedRepeat", R"(\x00\x00[^\x00]{2,5})"},
                      PythonRow{"Alternatives", R"(\x89PNG\r\n|GIF8[79]a)"},
                      PythonRow{"WordBoundaries", R"(\bword\b)"},
                      PythonRow{"AnyCase", R"(word)", false},
                      PythonRow{"AnyCaseLatin1", "caf\xE9", false},
                      PythonRow{"DotMatchesNewline", R"(\.\n.)"},
                      PythonRow{"StartOfFile", R"(^MZ.)"},
                      PythonRow{"EndOfFile", R"([\x00-\xFF]{3}$)"}),
    [](const ::testing::TestParamInfo<PythonRow>& info) { return std::string(info.param.name); });

TEST(RegexSearch, MatchesStraddlingEveryBlockEdgeOfADocument)
{
    // Each token straddles an edge of the document's 64 KiB reads by a different amount,
    // and a pending change makes one of them.
    TempDir dir;
    QByteArray bytes(6 * 65536, '\0');
    for (int k = 1; k < 6; ++k)
        bytes.replace(k * 65536 - k, 7, "T\xC0\xC1\xC2\xC3\xC4Z", 7);
    auto doc = OpenDocument(dir.Write("edges.bin", bytes));
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte('T', 200000));
    ASSERT_EQ(doc->SetBytes(reinterpret_cast<const std::uint8_t*>("\xC0\xC1\xC2\xC3\xC4Z"), 6, 200001), 6);
    const auto pattern = MustCompile(R"(t[\xC0-\xC4]+z)", false);
    ASSERT_TRUE(pattern);
    const std::vector<ByteRange> found = AllMatches(*pattern, DocumentReader(*doc), doc->GetFileLength());
    const std::vector<ByteRange> expected{{65535, 7}, {131070, 7}, {196605, 7}, {200000, 7}, {262140, 7},
                                          {327675, 7}};
    EXPECT_EQ(found, expected);
}

TEST(RegexSearch, FindsMatchesAroundFourGibibytesInASparseFile)
{
    constexpr FilePos k4G = FilePos{1} << 32;
    TempDir dir;
    SparseDocument sparse = OpenSparseAcross4G(dir, {{k4G - 5, "<tag:4242>"}, {20, "<tag:7>"}});
    if (sparse.refused)
        GTEST_SKIP() << "this file system refuses a sparse file past 4 GiB";
    auto doc = std::move(sparse.doc);
    ASSERT_TRUE(doc);
    const RegexReader read = DocumentReader(*doc);
    const FilePos length = doc->GetFileLength();
    const auto pattern = MustCompile(R"(<tag:[0-9]+>)");
    ASSERT_TRUE(pattern);

    struct Case {
        FilePos caret;
        SearchDirection direction;
        ByteRange match;
        bool wrapped;
    };
    constexpr auto F = SearchDirection::Forward;
    constexpr auto B = SearchDirection::Backward;
    const Case cases[] = {
        {k4G - (3 << 20), F, {k4G - 5, 10}, false},
        {k4G + 1000, B, {k4G - 5, 10}, false},
        {k4G - 5, F, {20, 7}, true},
    };
    for (const Case& c : cases) {
        const RegexScanResult found = FindRegexAround(*pattern, read, c.caret, length, c.direction);
        ASSERT_TRUE(found.Found()) << "from " << c.caret;
        EXPECT_EQ(found.match, c.match) << "from " << c.caret;
        EXPECT_EQ(found.wrapped, c.wrapped) << "from " << c.caret;
    }
}

TEST(RegexSearch, FindPreviousTakesTheLastMatchEndingAtOrBeforeTheCaret)
{
    // Tokens of different lengths spread over several megabytes of other bytes, so that the
    // backward search needs more than one of its stretches.
    Bytes data(5 << 20, 'x');
    const std::vector<ByteRange> tokens{{10, 5}, {70000, 8}, {1 << 20, 6}, {(3 << 20) + 17, 9}, {(5 << 20) - 6, 6}};
    for (const ByteRange& t : tokens) {
        data[t.first] = '[';
        std::fill_n(data.begin() + static_cast<std::ptrdiff_t>(t.first + 1), t.length - 2, '#');
        data[t.Last()] = ']';
    }
    const auto pattern = MustCompile(R"(\[#+\])");
    ASSERT_TRUE(pattern);
    const RegexReader read = MemoryReader(data);
    const FilePos length = data.size();
    struct Case {
        FilePos caret;
        std::size_t token;
        bool wrapped;
    };
    const Case cases[] = {
        {length, 4, false},         // at the end: the last token, which ends there
        {length - 1, 3, false},     // the last token does not end before the caret
        {(3 << 20) + 26, 3, false}, // a token ending exactly at the caret
        {(3 << 20) + 25, 2, false}, // ...and one byte short of it
        {70008, 1, false},
        {70007, 0, false},
        {14, 4, true}, // nothing before: wraps to the last token of the file
    };
    for (const Case& c : cases) {
        const RegexScanResult found = FindRegexAround(*pattern, read, c.caret, length, SearchDirection::Backward);
        ASSERT_TRUE(found.Found()) << "caret " << c.caret;
        EXPECT_EQ(found.match, tokens[c.token]) << "caret " << c.caret;
        EXPECT_EQ(found.wrapped, c.wrapped) << "caret " << c.caret;
    }
    // Forward from the caret skips a match that starts at the caret itself.
    const RegexScanResult next = FindRegexAround(*pattern, read, 70000, length, SearchDirection::Forward);
    ASSERT_TRUE(next.Found());
    EXPECT_EQ(next.match, tokens[2]);
}

TEST(RegexSearch, AReadErrorStopsTheScanAndIsNeverNotFound)
{
    TempDir dir;
    QByteArray bytes(400000, 'a');
    bytes.replace(350000, 3, "XYZ");
    const QString path = dir.Write("bad.bin", bytes);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    const ScopedFileFaults faults;
    FileFaults::FailReads(QFile::encodeName(path).toStdString(), 200000, 200512, EIO);
    const auto pattern = MustCompile("XYZ");
    ASSERT_TRUE(pattern);
    const RegexReader read = DocumentReader(*doc);
    const RegexScanResult found = FindRegexAround(*pattern, read, 100, 400000, SearchDirection::Forward);
    EXPECT_EQ(found.end, RegexScanEnd::ReadFailed);
    EXPECT_EQ(found.failedAt, 200000u);
    EXPECT_EQ(found.error, EIO);
    // Backward, wrapping to the end, the match lies between the end and the unreadable
    // bytes: it is found, as a scan from the end down would find it.
    const RegexScanResult previous = FindRegexAround(*pattern, read, 100, 400000, SearchDirection::Backward);
    ASSERT_TRUE(previous.Found());
    EXPECT_EQ(previous.match, (ByteRange{350000, 3}));
    EXPECT_TRUE(previous.wrapped);
}

TEST(RegexSearch, ProgressGrowsAndFalseCancels)
{
    const Bytes data(1 << 20, 'a');
    const auto pattern = MustCompile("b");
    ASSERT_TRUE(pattern);
    std::uint64_t last = 0;
    int calls = 0;
    const RegexScanResult found =
        FindRegexForward(*pattern, MemoryReader(data), {0, data.size(), data.size()}, [&](std::uint64_t scanned) {
            EXPECT_GT(scanned, last);
            last = scanned;
            return ++calls < 3;
        });
    EXPECT_EQ(found.end, RegexScanEnd::Cancelled);
    EXPECT_EQ(calls, 3);
    EXPECT_LT(last, data.size());
}

TEST(RegexSearch, LongRunsAreCutAtTheLongestMatchTheScanLooksFor)
{
    // A run longer than a match is looked for comes back in pieces of that length, each
    // resuming where the last ended, and nothing is lost at the pieces' edges.
    const Bytes data(kMaxRegexMatch * 2 + 100, 'a');
    const auto pattern = MustCompile("a+");
    ASSERT_TRUE(pattern);
    const std::vector<ByteRange> found = AllMatches(*pattern, MemoryReader(data), data.size());
    const std::vector<ByteRange> expected{{0, kMaxRegexMatch}, {kMaxRegexMatch, kMaxRegexMatch},
                                          {2 * kMaxRegexMatch, 100}};
    EXPECT_EQ(found, expected);
}

TEST(RegexSearch, PatternsThatCannotBeSearchedForAreRefusedWithAReason)
{
    struct Row {
        const char* pattern;
        const char* says;
    };
    const Row rows[] = {
        {R"((ab)\1)", "cannot be used"},  // back-references are refused by the matcher
        {"(ab", "cannot be used"},        // unbalanced
        {"[z-a]", "cannot be used"},      // reversed range
        {"", "empty string"},
        {"a*", "empty string"},
        {"(x|)", "empty string"},
        {R"(\b)", "empty string"},
        {"^", "empty string"},
    };
    for (const Row& row : rows) {
        std::string problem;
        EXPECT_FALSE(RegexPattern::Compile(row.pattern, true, problem)) << row.pattern;
        EXPECT_NE(problem.find(row.says), std::string::npos) << row.pattern << ": " << problem;
    }
    // The matcher's own words come through.
    std::string problem;
    EXPECT_FALSE(RegexPattern::Compile(R"((ab)\1)", true, problem));
    EXPECT_GT(problem.size(), std::strlen("The regular expression cannot be used: .")) << problem;
}

} // namespace
