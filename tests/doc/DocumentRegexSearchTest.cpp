// The document's search with the regular-expression type: Find Next and Find Previous from a
// caret over the presented bytes, the whole match as the result, the refusals a user sees,
// and a read error told as one.
#include "DocTestSupport.h"

#include "platform/FileFaults.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cerrno>

using namespace vtx;
using namespace vtx::test;

namespace {

constexpr const char* kPattern = "k=[a-z]+";

// "k=abc" at 1000, "K=QQ" at 5000 only as a pending change, "k=xyz" across the first 64 KiB
// block edge.
std::unique_ptr<CVantorixDoc> SampleDocument(TempDir& dir)
{
    QByteArray bytes(300000, '-');
    bytes.replace(1000, 5, "k=abc");
    bytes.replace(65534, 5, "k=xyz");
    auto doc = OpenDocument(dir.Write("doc.bin", bytes));
    if (doc && doc->SetBytes(reinterpret_cast<const std::uint8_t*>("K=QQ"), 4, 5000) != 4)
        return nullptr;
    return doc;
}

struct FindCase {
    const char* name;
    FilePos caret;
    SearchDirection direction;
    bool matchCase;
    std::int64_t position;
    std::size_t length;
    bool wrapped;
};

class DocRegexFind : public ::testing::TestWithParam<FindCase>
{
};

TEST_P(DocRegexFind, FindsTheWholeMatchFromTheCaret)
{
    const FindCase& c = GetParam();
    TempDir dir;
    auto doc = SampleDocument(dir);
    ASSERT_TRUE(doc);
    DocumentSearch search(*doc);
    const FindResult found =
        search.Find(QString::fromLatin1(kPattern), {SearchType::Regex, c.matchCase}, c.caret, c.direction);
    EXPECT_FALSE(found.Failed());
    EXPECT_EQ(found.position, c.position);
    EXPECT_EQ(found.length, c.length);
    EXPECT_EQ(found.wrapped, c.wrapped);
}

constexpr auto kFwd = SearchDirection::Forward;
constexpr auto kBack = SearchDirection::Backward;

INSTANTIATE_TEST_SUITE_P(
    Rows, DocRegexFind,
    ::testing::Values(FindCase{"NextFromTheStart", 0, kFwd, true, 1000, 5, false},
                      FindCase{"NextAcrossABlockEdge", 1000, kFwd, true, 65534, 5, false},
                      FindCase{"NextSeesAPendingChangeWithoutCase", 1000, kFwd, false, 5000, 4, false},
                      FindCase{"NextWrapsToTheStart", 65534, kFwd, true, 1000, 5, true},
                      FindCase{"PreviousEndsBeforeTheCaret", 65534, kBack, true, 1000, 5, false},
                      // The bytes before the caret are what is matched: a match the caret
                      // stands in is cut there.
                      FindCase{"PreviousCutsAMatchAtTheCaret", 1004, kBack, true, 1000, 4, false},
                      FindCase{"PreviousWrapsToTheEnd", 1001, kBack, true, 65534, 5, true},
                      FindCase{"PreviousPendingWithoutCase", 65534, kBack, false, 5000, 4, false}),
    [](const ::testing::TestParamInfo<FindCase>& info) { return std::string(info.param.name); });

TEST(DocRegexFind, RefusedTextsSayWhyBeforeAnyScan)
{
    struct Row {
        QString text;
        const char* says;
    };
    const Row rows[] = {
        {QStringLiteral("(k"), "The regular expression cannot be used: "},
        {QStringLiteral("(a)\\1"), "The regular expression cannot be used: "},
        {QStringLiteral("k*"), "can match an empty string"},
        {QStringLiteral("x|"), "can match an empty string"},
        {QString(QChar(0x3A9)), "only 8-bit (Latin-1) characters"},
    };
    for (const Row& row : rows) {
        const QString problem = DocumentSearch::TextProblem(row.text, {SearchType::Regex, true});
        EXPECT_TRUE(problem.contains(QLatin1String(row.says))) << row.text.toStdString() << ": "
                                                               << problem.toStdString();
    }
    // Latin-1 letters are bytes of their own; the case rule does not change what compiles.
    EXPECT_EQ(DocumentSearch::TextProblem(QStringLiteral("caf\u00E9"), {SearchType::Regex, false}), QString());
    // A regular expression has no fixed bytes: the fixed-text encoding refuses it.
    QString problem;
    (void)DocumentSearch::Encode(QStringLiteral("k"), {SearchType::Regex, true}, problem);
    EXPECT_FALSE(problem.isEmpty());
}

TEST(DocRegexFind, AReadErrorIsToldWhenItLiesBetweenTheCaretAndTheMatch)
{
    TempDir dir;
    QByteArray bytes(300000, '.');
    bytes.replace(1000, 6, "TARGET");
    bytes.replace(250000, 6, "TARGET");
    const QString path = dir.Write("bad.bin", bytes);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    const ScopedFileFaults faults;
    FileFaults::FailReads(QFile::encodeName(path).toStdString(), 150000, 150512, EIO);
    DocumentSearch search(*doc);
    struct Row {
        const char* what;
        FilePos caret;
        SearchDirection direction;
        std::int64_t found; // -1: the read error
    };
    const Row rows[] = {
        {"next across", 2000, kFwd, -1},
        {"previous across", 200000, kBack, -1},
        {"next behind", 200000, kFwd, 250000},
        {"previous behind", 299000, kBack, 250000},
    };
    for (const Row& row : rows) {
        const FindResult found =
            search.Find(QStringLiteral("T[A-Z]+T"), {SearchType::Regex, true}, row.caret, row.direction);
        if (row.found >= 0) {
            EXPECT_EQ(found.position, row.found) << row.what;
            EXPECT_FALSE(found.Failed()) << row.what;
            continue;
        }
        EXPECT_FALSE(found.Found()) << row.what;
        ASSERT_TRUE(found.Failed()) << row.what;
        EXPECT_EQ(found.error, EIO) << row.what;
        EXPECT_TRUE(search.FailureText(found).startsWith(QStringLiteral("Could not read bad.bin at 000")))
            << search.FailureText(found).toStdString();
    }
}

} // namespace
