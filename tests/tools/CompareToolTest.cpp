// The compare tool on real files: every run of differing bytes is found in turn, forward and
// backward, whatever its place against the scan's blocks and the files' ends; sparse
// files are compared past 4 GiB without reading their holes; pending changes count; a
// read error and a cancel stop the scan and say so.

// this program
#include "doc/DocTestSupport.h"
#include "framework/MessageBox.h"
#include "platform/FileFaults.h"
#include "tools/compare/CompareTool.h"

// GoogleTest
#include <gtest/gtest.h>

// std
#include <cerrno>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace vtx {
namespace {

constexpr std::uint32_t B = CompareTool::kBlock;

using Bytes = std::vector<std::uint8_t>;

// The runs a byte-by-byte comparison gives, bytes past the shorter end differing.
std::vector<ByteRange> ReferenceRuns(const Bytes& a, const Bytes& b)
{
    std::vector<ByteRange> runs;
    const std::size_t total = std::max(a.size(), b.size());
    const auto differs = [&](std::size_t i) { return i >= a.size() || i >= b.size() || a[i] != b[i]; };
    for (std::size_t i = 0; i < total;) {
        if (!differs(i)) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < total && differs(end))
            ++end;
        runs.push_back({i, end - i});
        i = end;
    }
    return runs;
}

Bytes Varied(std::size_t size, int seed)
{
    const QByteArray filler = test::Filler(static_cast<int>(size), seed);
    return Bytes(filler.begin(), filler.end());
}

struct CompareRow {
    const char* name;
    std::function<void(Bytes& a, Bytes& b)> make;
};

class CompareRuns : public ::testing::TestWithParam<CompareRow>
{
};

// F6 from the start lands on each run in turn and then says there are no more; Shift+F6
// from the end lands on them in reverse order.
TEST_P(CompareRuns, NextAndPreviousVisitEveryRunInTurn)
{
    Bytes a;
    Bytes b;
    GetParam().make(a, b);
    const std::vector<ByteRange> expected = ReferenceRuns(a, b);

    test::TempDir dir;
    auto first = test::OpenDocument(dir.Write(QStringLiteral("a.bin"), a));
    auto second = test::OpenDocument(dir.Write(QStringLiteral("b.bin"), b));
    ASSERT_TRUE(first && second);
    CompareTool tool(*first, *second);

    std::vector<ByteRange> forward;
    FilePos from = 0;
    for (CompareOutcome found = tool.Next(from); found.end == CompareEnd::Found; found = tool.Next(from)) {
        forward.push_back(found.run);
        from = found.run.End();
        ASSERT_LE(forward.size(), expected.size() + 1) << "the scan does not move on";
    }
    EXPECT_EQ(forward, expected);

    std::vector<ByteRange> backward;
    FilePos before = std::max(a.size(), b.size());
    for (CompareOutcome found = tool.Previous(before); found.end == CompareEnd::Found; found = tool.Previous(before)) {
        backward.insert(backward.begin(), found.run);
        before = found.run.first;
        ASSERT_LE(backward.size(), expected.size() + 1) << "the scan does not move on";
    }
    EXPECT_EQ(backward, expected);

    for (const ByteRange& run : expected) {
        EXPECT_TRUE(tool.Differs(run.first));
        EXPECT_TRUE(tool.Differs(run.Last()));
        if (run.End() < std::max(a.size(), b.size())) {
            EXPECT_FALSE(tool.Differs(run.End()));
        }
    }
}

const CompareRow kRows[] = {
    {"Identical", [](Bytes& a, Bytes& b) { a = b = Varied(3 * B + 7, 1); }},
    {"FirstByte", [](Bytes& a, Bytes& b) { a = b = Varied(1000, 2); b[0] ^= 0xFF; }},
    {"LastByte", [](Bytes& a, Bytes& b) { a = b = Varied(2 * B + 5, 3); b.back() ^= 1; }},
    {"AroundBlockEdges",
     [](Bytes& a, Bytes& b) {
         a = b = Varied(4 * B + 100, 4);
         for (std::size_t at : {std::size_t{B} - 1, std::size_t{B}, 2 * std::size_t{B} - 1, 3 * std::size_t{B},
                                3 * std::size_t{B} + 2})
             b[at] ^= 0x5A;
     }},
    {"RunAcrossTwoBlocks",
     [](Bytes& a, Bytes& b) {
         a = b = Varied(3 * B, 5);
         for (std::size_t i = B / 2; i < 2 * std::size_t{B} + 3; ++i)
             b[i] = static_cast<std::uint8_t>(~a[i]);
     }},
    {"SecondShorter", [](Bytes& a, Bytes& b) { a = Varied(B + 50, 6); b.assign(a.begin(), a.end() - 20); b[3] ^= 1; }},
    {"FirstShorterDifferingAtItsEnd",
     [](Bytes& a, Bytes& b) {
         b = Varied(B + 50, 7);
         a.assign(b.begin(), b.end() - 20);
         a.back() ^= 1; // joins the tail that only the second file has
     }},
    {"OneEmpty", [](Bytes& a, Bytes& b) { a.clear(); b = Varied(5, 8); }},
    {"AllDiffer",
     [](Bytes& a, Bytes& b) {
         a = Varied(B + 9, 9);
         b = a;
         for (auto& x : b)
             x = static_cast<std::uint8_t>(x + 1);
     }},
    {"RandomScatter",
     [](Bytes& a, Bytes& b) {
         a = b = Varied(5 * B + 333, 10);
         std::mt19937 random(29);
         for (int i = 0; i < 300; ++i) {
             const std::size_t at = random() % b.size();
             const std::size_t length = 1 + random() % 40;
             for (std::size_t k = at; k < std::min(b.size(), at + length); ++k)
                 b[k] = static_cast<std::uint8_t>(random());
         }
     }},
};

INSTANTIATE_TEST_SUITE_P(Files, CompareRuns, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

class CompareToolTest : public ::testing::Test
{
protected:
    // A sparse file of `length` bytes holding `bytes` at the given places.
    QString Sparse(const QString& name, FilePos length, const std::vector<std::pair<FilePos, std::uint8_t>>& bytes)
    {
        const QString path = dir.Path(name);
        const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(length)), 0);
        for (const auto& [at, value] : bytes)
            EXPECT_EQ(::pwrite(fd, &value, 1, static_cast<off_t>(at)), 1);
        ::close(fd);
        return path;
    }

    MessageBoxRecorder boxes;
    test::TempDir dir;
};

// Two 5 GiB images that differ past 4 GiB: found at their 64-bit offsets, and the holes in
// between are never read (a read fault armed over them would otherwise stop the scan).
TEST_F(CompareToolTest, SparseImagesPastFourGiBSkipTheirHoles)
{
    const FilePos length = (FilePos{5} << 30) + 17;
    const FilePos deep = (FilePos{4} << 30) + 3;
    const QString pathA = Sparse(QStringLiteral("a.img"), length, {{deep, 0x41}, {length - 1, 1}});
    const QString pathB = Sparse(QStringLiteral("b.img"), length, {{deep, 0x42}, {length - 1, 1}, {length - 2, 9}});
    auto first = test::OpenDocument(pathA);
    auto second = test::OpenDocument(pathB);
    ASSERT_TRUE(first && second);
    if (first->StoredDataFrom(0).first == 0)
        GTEST_SKIP() << "this file system does not report holes";

    ScopedFileFaults faults;
    const FilePos holeEnd = deep / 4096 * 4096;
    FileFaults::FailReads(pathA.toStdString(), 0, holeEnd, EIO);
    FileFaults::FailReads(pathB.toStdString(), 0, holeEnd, EIO);

    CompareTool tool(*first, *second);
    const CompareOutcome one = tool.Next(0);
    ASSERT_EQ(one.end, CompareEnd::Found) << one.failure.toStdString();
    EXPECT_EQ(one.run, (ByteRange{deep, 1}));
    const CompareOutcome two = tool.Next(one.run.End());
    ASSERT_EQ(two.end, CompareEnd::Found);
    EXPECT_EQ(two.run, (ByteRange{length - 2, 1}));
    EXPECT_EQ(tool.Next(two.run.End()).end, CompareEnd::NoMore);

    // Backward over the same holes, down to the start.
    EXPECT_EQ(tool.Previous(two.run.first).run, one.run);
    EXPECT_EQ(tool.Previous(one.run.first).end, CompareEnd::NoMore);
}

// A pending change counts at once: one inside a hole of both files is found, one that makes
// two bytes equal takes their difference away.
TEST_F(CompareToolTest, PendingChangesCount)
{
    const FilePos length = 64ull << 20;
    auto first = test::OpenDocument(Sparse(QStringLiteral("a.img"), length, {{100, 7}}));
    auto second = test::OpenDocument(Sparse(QStringLiteral("b.img"), length, {{100, 8}}));
    ASSERT_TRUE(first && second);
    CompareTool tool(*first, *second);
    EXPECT_EQ(tool.Next(0).run, (ByteRange{100, 1}));

    ASSERT_TRUE(second->SetByte(7, 100));
    ASSERT_TRUE(second->SetByte(0x33, 40u << 20));
    ASSERT_TRUE(second->SetByte(0x34, (40u << 20) + 1));
    const CompareOutcome found = tool.Next(0);
    ASSERT_EQ(found.end, CompareEnd::Found);
    EXPECT_EQ(found.run, (ByteRange{40u << 20, 2}));
    EXPECT_EQ(tool.Previous(length).run, found.run);
    EXPECT_FALSE(tool.Differs(100));

    second->Undo();
    second->Undo();
    second->Undo();
    EXPECT_EQ(tool.Next(0).run, (ByteRange{100, 1}));
}

// From inside a run, Next skips to the following run and Previous takes the whole run.
TEST_F(CompareToolTest, FromInsideARun)
{
    Bytes a = Varied(4000, 11);
    Bytes b = a;
    for (std::size_t i = 1000; i < 1010; ++i)
        b[i] ^= 0xFF;
    b[3000] ^= 1;
    auto first = test::OpenDocument(dir.Write(QStringLiteral("a"), a));
    auto second = test::OpenDocument(dir.Write(QStringLiteral("b"), b));
    ASSERT_TRUE(first && second);
    CompareTool tool(*first, *second);
    EXPECT_EQ(tool.Next(1004).run, (ByteRange{3000, 1}));
    EXPECT_EQ(tool.Next(1000).run, (ByteRange{1000, 10}));
    EXPECT_EQ(tool.Previous(1004).run, (ByteRange{1000, 10}));
    EXPECT_EQ(tool.Previous(1000).end, CompareEnd::NoMore);
}

// A read error stops the scan with the document's own text; a cancel stops it quietly.
TEST_F(CompareToolTest, ReadErrorAndCancelStopTheScan)
{
    const Bytes a = Varied(6 * B, 12);
    Bytes b = a;
    b.back() ^= 1;
    const QString pathB = dir.Write(QStringLiteral("b.bin"), b);
    auto first = test::OpenDocument(dir.Write(QStringLiteral("a.bin"), a));
    auto second = test::OpenDocument(pathB);
    ASSERT_TRUE(first && second);
    CompareTool tool(*first, *second);
    {
        ScopedFileFaults faults;
        FileFaults::FailReads(pathB.toStdString(), 2 * B + 16, 2 * B + 17, EIO);
        const CompareOutcome failed = tool.Next(0);
        ASSERT_EQ(failed.end, CompareEnd::ReadFailed);
        EXPECT_EQ(failed.failure, second->ReadFailureText(2 * B + 16, EIO));
        EXPECT_EQ(tool.Previous(6 * B - 1).end, CompareEnd::ReadFailed);
    }

    int calls = 0;
    std::uint64_t lastDone = 0;
    const CompareOutcome cancelled = tool.Next(0, [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(total, 6u * B);
        EXPECT_GT(done, lastDone);
        lastDone = done;
        return ++calls < 3;
    });
    EXPECT_EQ(cancelled.end, CompareEnd::Cancelled);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(tool.Next(0).run, (ByteRange{6 * B - 1, 1}));
}

} // namespace
} // namespace vtx
