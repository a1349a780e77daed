// A search over bytes it could not read ends with the read error, in every direction and
// in scans for every match; the backward and case-free scans stay linear.
#include "DocTestSupport.h"
#include "platform/FileFaults.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cerrno>
#include <chrono>

using namespace vtx;
using namespace vtx::test;

namespace {

// A 300000-byte file with "TARGET" before and after an unreadable range.
struct BadRegionFile {
    static constexpr FilePos kBadFrom = 150000;
    static constexpr FilePos kBadTo = 150512;
    static constexpr FilePos kBefore = 1000;
    static constexpr FilePos kAfter = 250000;
    TempDir dir;
    QString path;
    std::unique_ptr<CVantorixDoc> doc;
    ScopedFileFaults faults;

    BadRegionFile()
    {
        QByteArray bytes(300000, '.');
        bytes.replace(static_cast<int>(kBefore), 6, "TARGET");
        bytes.replace(static_cast<int>(kAfter), 6, "TARGET");
        path = dir.Write("bad.bin", bytes);
        doc = OpenDocument(path);
        FileFaults::FailReads(QFile::encodeName(path).toStdString(), kBadFrom, kBadTo, EIO);
    }
};

} // namespace

TEST(DocSearchReadErrors, AnUnreadableRangeIsAnErrorNeverNotFound)
{
    BadRegionFile file;
    ASSERT_TRUE(file.doc);
    DocumentSearch search(*file.doc);
    const SearchPattern target = EncodeSearchPattern("TARGET", SearchType::Ascii);
    const SearchPattern absent = EncodeSearchPattern("ABSENT", SearchType::Ascii, false);

    struct Case {
        const char* what;
        const SearchPattern* pattern;
        FilePos caret;
        SearchDirection direction;
        std::int64_t found;  // -1: the read error
    };
    const Case cases[] = {
        // The match behind the bad range is never reached, and is never called missing.
        {"forward across", &target, 2000, SearchDirection::Forward, -1},
        {"backward across", &target, 200000, SearchDirection::Backward, -1},
        // A match between the caret and the bad range is found as usual.
        {"forward before", &target, 200000, SearchDirection::Forward, static_cast<std::int64_t>(BadRegionFile::kAfter)},
        {"backward before", &target, 100000, SearchDirection::Backward, static_cast<std::int64_t>(BadRegionFile::kBefore)},
        {"nothing to find", &absent, 0, SearchDirection::Forward, -1},
    };
    for (const Case& c : cases) {
        const FindResult result = search.FindAround(*c.pattern, c.caret, c.direction);
        if (c.found >= 0) {
            EXPECT_EQ(result.position, c.found) << c.what;
            EXPECT_FALSE(result.Failed()) << c.what;
            continue;
        }
        EXPECT_FALSE(result.Found()) << c.what;
        ASSERT_TRUE(result.Failed()) << c.what;
        EXPECT_EQ(result.error, EIO) << c.what;
        EXPECT_GE(result.errorAt, BadRegionFile::kBadFrom) << c.what;
        EXPECT_LT(result.errorAt, BadRegionFile::kBadTo) << c.what;
        EXPECT_TRUE(search.FailureText(result).startsWith(QStringLiteral("Could not read bad.bin at 000")))
            << search.FailureText(result).toStdString();
    }

    // The scan for every match reports those before the bad range, then the error.
    PatternScanner scanner(target);
    std::vector<FilePos> seen;
    const ScanStatus status = scanner.Scan(*file.doc, {0, file.doc->GetFileLength()}, [&](FilePos at, std::uint64_t) {
        seen.push_back(at);
        return true;
    }, {});
    EXPECT_EQ(seen, std::vector<FilePos>{BadRegionFile::kBefore});
    ASSERT_TRUE(status.Failed());
    EXPECT_EQ(status.failedAt, BadRegionFile::kBadFrom);
    EXPECT_EQ(search.FailureText(status), QStringLiteral("Could not read bad.bin at 000249F0: Input/output error."));
}

TEST(DocSearchScanner, ReportsEveryMatchOnceWithoutOverlapAcrossBlockEdges)
{
    constexpr int kBlock = CVantorixDoc::kMaxRead;
    TempDir dir;
    QByteArray bytes(3 * kBlock, 'x');
    // "abab" straddles the first block edge; a run of "a"s straddles the second; "AbAb"
    // differs only in case.
    const std::vector<int> starts = {0, kBlock - 2, 2 * kBlock - 5, 3 * kBlock - 4};
    for (int at : starts)
        bytes.replace(at, 4, at == 0 ? "AbAb" : "abab");
    bytes.replace(kBlock + 100, 9, "aaaaaaaaa");
    auto doc = OpenDocument(dir.Write("a.bin", bytes));
    ASSERT_TRUE(doc);

    const auto scan = [&](const std::string& text, bool matchCase, ByteRange range) {
        PatternScanner scanner(EncodeSearchPattern(text, SearchType::Ascii, matchCase));
        std::vector<FilePos> seen;
        const ScanStatus status = scanner.Scan(*doc, range, [&](FilePos at, std::uint64_t length) {
            EXPECT_EQ(length, text.size());
            seen.push_back(at);
            return true;
        }, {});
        EXPECT_EQ(status.end, ScanStatus::End::Completed);
        return seen;
    };
    const FilePos all = doc->GetFileLength();
    EXPECT_EQ(scan("abab", true, {0, all}),
              (std::vector<FilePos>{kBlock - 2, 2 * kBlock - 5, 3 * kBlock - 4}));
    EXPECT_EQ(scan("abab", false, {0, all}),
              (std::vector<FilePos>{0, kBlock - 2, 2 * kBlock - 5, 3 * kBlock - 4}));
    // Nine "a"s hold four whole "aa"s, side by side.
    EXPECT_EQ(scan("aa", true, {kBlock + 90, 30}),
              (std::vector<FilePos>{kBlock + 100, kBlock + 102, kBlock + 104, kBlock + 106}));
    // Only matches wholly inside the range count.
    EXPECT_EQ(scan("abab", true, {kBlock - 1, kBlock - 1}), std::vector<FilePos>{});

    // The sink stops the scan; the progress hook cancels it.
    PatternScanner scanner(EncodeSearchPattern("abab", SearchType::Ascii));
    int calls = 0;
    EXPECT_EQ(scanner.Scan(*doc, {0, all}, [&](FilePos, std::uint64_t) { return ++calls < 2; }, {}).end,
              ScanStatus::End::Stopped);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(scanner.Scan(*doc, {0, all}, [](FilePos, std::uint64_t) { return true; },
                           [](std::uint64_t) { return false; }).end,
              ScanStatus::End::Cancelled);
}

namespace {

// A block of one letter against a pattern of that letter with another in it: the scans
// must stay linear wherever the other letter stands.
struct NearMatchCase {
    const char* name;
    std::string anyCase;  // searched backward ignoring case
    std::string exact;    // searched forward matching case: the time to beat
};

class NearMatchCost : public ::testing::TestWithParam<NearMatchCase>
{
};

} // namespace

TEST_P(NearMatchCost, BackwardCaseFreeScanOfOneLetterCostsLittleMoreThanForward)
{
    // A block of one letter used to make the backward case-free scan quadratic. Both scans
    // are timed here, in the same test, and only their ratio is looked at.
    std::vector<std::uint8_t> block(CVantorixDoc::kMaxRead, 'a');
    const SearchPattern exact = EncodeSearchPattern(GetParam().exact, SearchType::Ascii, true);
    const SearchPattern anyCase = EncodeSearchPattern(GetParam().anyCase, SearchType::Ascii, false);
    const auto best = [&](const SearchPattern& pattern, SearchDirection direction) {
        auto fastest = std::chrono::nanoseconds::max();
        for (int round = 0; round < 30; ++round) {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < 10; ++i)
                EXPECT_EQ(FindPatternInBlock(block.data(), block.size(), pattern, direction), -1);
            fastest = std::min(fastest, std::chrono::steady_clock::now() - start);
        }
        return static_cast<double>(fastest.count());
    };
    const double forward = best(exact, SearchDirection::Forward);
    const double backward = best(anyCase, SearchDirection::Backward);
    // Generous against a noisy shared machine; the quadratic scan was hundreds of times
    // slower.
    EXPECT_LT(backward, 8 * forward + 2e5) << "forward " << forward << " ns, backward " << backward << " ns";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NearMatchCost,
    ::testing::Values(NearMatchCase{"OtherLetterLast", std::string(16, 'A') + "B", std::string(16, 'a') + "b"},
                      NearMatchCase{"OtherLetterFirst", "B" + std::string(16, 'A'), "b" + std::string(16, 'a')},
                      // First and last bytes match everywhere: only the middle tells.
                      NearMatchCase{"OtherLetterInTheMiddle", std::string(60, 'A') + "B" + std::string(60, 'A'),
                                    std::string(60, 'a') + "b" + std::string(60, 'a')}),
    [](const ::testing::TestParamInfo<NearMatchCase>& info) { return std::string(info.param.name); });
