// Reads that lay the pending changes over the file's bytes.
#include "DocTestSupport.h"
#include "platform/FileFaults.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

using namespace vtx;
using namespace vtx::test;

TEST(DocReadBytes, WithoutChangesDeliversWhatTheFileHas)
{
    TempDir dir;
    const QByteArray bytes = Filler(100);
    auto doc = OpenDocument(dir.Write("a.bin", bytes));
    ASSERT_TRUE(doc);
    EXPECT_EQ(Presented(*doc, 0, 100), bytes);
    EXPECT_EQ(Presented(*doc, 90, 16), bytes.mid(90));
    std::uint8_t buffer[16];
    EXPECT_EQ(doc->ReadBytes(buffer, 16, 100), 0);
    // Far past the end is still the end; only a position no file can have fails.
    EXPECT_EQ(doc->ReadBytes(buffer, 16, 0x180000000u), 0);
    EXPECT_EQ(doc->ReadBytes(buffer, 16, vtx::kMaxFilePos + 1), -1);
    EXPECT_EQ(doc->GetByte(0x180000000u), 0);
}

TEST(DocReadBytes, ChangesAreLaidOverOnlyInsideTheRangeRead)
{
    TempDir dir;
    const QByteArray bytes = Filler(200000);
    auto doc = OpenDocument(dir.Write("a.bin", bytes));
    ASSERT_TRUE(doc);
    QByteArray expected = bytes;
    // Changes before, inside, on both edges of and after the range read, and in the next
    // 64 KiB block.
    for (std::uint32_t p : {0u, 999u, 1000u, 1001u, 1015u, 1016u, 70000u, 199999u}) {
        ASSERT_TRUE(doc->SetByte(static_cast<std::uint8_t>(p * 7), p));
        expected[static_cast<int>(p)] = static_cast<char>(p * 7);
    }
    EXPECT_EQ(Presented(*doc, 1000, 16), expected.mid(1000, 16));
    EXPECT_EQ(doc->GetByte(1015), static_cast<std::uint8_t>(1015 * 7));
    EXPECT_EQ(doc->GetByte(1017), static_cast<std::uint8_t>(bytes[1017]));
    EXPECT_EQ(PresentedAll(*doc), expected);
    // Clipped to the length, and past the end it is an error that the trace names.
    EXPECT_EQ(Presented(*doc, 199990, 16), expected.mid(199990));
    TraceCapture trace;
    std::uint8_t buffer[16];
    EXPECT_EQ(doc->ReadBytes(buffer, 16, 200000), -1);
    EXPECT_TRUE(trace.Contains("len < 0"));
}

TEST(DocReadBytes, NeverWritesOutsideTheCallersBuffer)
{
    TempDir dir;
    const QByteArray bytes = Filler(200000);
    auto doc = OpenDocument(dir.Write("a.bin", bytes));
    ASSERT_TRUE(doc);
    constexpr std::uint32_t kGuard = 64;
    constexpr std::uint8_t kCanary = 0xA5;

    const auto check = [&](std::uint32_t count, std::uint32_t position, const char* what) {
        std::vector<std::uint8_t> memory(kGuard + CVantorixDoc::kMaxRead + kGuard, kCanary);
        const std::uint32_t room = std::min(count, CVantorixDoc::kMaxRead);
        const std::int32_t n = doc->ReadBytes(memory.data() + kGuard, count, position);
        SCOPED_TRACE(what);
        ASSERT_LE(n, static_cast<std::int32_t>(room));
        const auto written = memory.begin() + kGuard + std::max(n, 0);
        EXPECT_TRUE(std::all_of(memory.begin(), memory.begin() + kGuard,
                                [&](std::uint8_t b) { return b == kCanary; }));
        EXPECT_TRUE(std::all_of(written, memory.end(), [&](std::uint8_t b) { return b == kCanary; }))
            << "count " << count << " position " << position << " returned " << n;
    };
    for (int pass = 0; pass < 2; ++pass) {
        check(1000000, 0, "count above the largest read");
        check(CVantorixDoc::kMaxRead, 200000 - 10, "read running past the end");
        check(16, 200000, "read at the end");
        check(16, 0xFFFFFFF8u, "position near the top of the 32-bit range");
        // Second pass: changes pending just past each range, and at the last byte.
        for (std::uint32_t p : {199999u, 65535u, 65536u, 10u})
            ASSERT_TRUE(doc->SetByte(0x5A, p));
    }
    EXPECT_EQ(doc->ReadBytes(nullptr, 16, 0), -1);
}

TEST(DocReadBytes, EmptyFileReadsNothing)
{
    TempDir dir;
    MessageBoxRecorder boxes;
    auto doc = OpenDocument(dir.Write("empty.bin", QByteArray()));
    ASSERT_TRUE(doc);
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(doc->GetFileLength(), 0u);
    std::uint8_t buffer[16];
    EXPECT_EQ(doc->ReadBytes(buffer, 16, 0), 0);
    EXPECT_FALSE(doc->SetByte(1, 0));
    EXPECT_EQ(FindFrom(*doc, QStringLiteral("a"), 0, SearchSettings{}), -1);
    EXPECT_EQ(boxes.Count(), 0);
}

TEST(DocReadBytes, AReadErrorIsToldApartFromTheEndWithTheBytesBeforeIt)
{
    TempDir dir;
    const QByteArray bytes = Filler(200000);
    const QString path = dir.Write("bad.bin", bytes);
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte(0xAA, 99990));
    const ScopedFileFaults faults;
    FileFaults::FailReads(QFile::encodeName(path).toStdString(), 100000, 100512, EIO);
    std::vector<std::uint8_t> block(CVantorixDoc::kMaxRead);
    // A read that runs into the bad region delivers the bytes before it, pending changes
    // laid over, and says why it stopped there.
    ReadOutcome read = doc->ReadPresented(block.data(), 65535, 99980);
    EXPECT_EQ(read.count, 20u);
    EXPECT_EQ(read.error, EIO);
    EXPECT_EQ(block[10], 0xAA);
    EXPECT_EQ(doc->ReadFailureText(99980 + read.count, read.error),
              QStringLiteral("Could not read bad.bin at 000186A0: Input/output error."));
    read = doc->ReadPresented(block.data(), 100, 100100);
    EXPECT_EQ(read.count, 0u);
    EXPECT_TRUE(read.Failed());
    // Past the bad region and at the end the file reads as usual.
    read = doc->ReadPresented(block.data(), 100, 100512);
    EXPECT_EQ(read.count, 100u);
    EXPECT_FALSE(read.Failed());
    read = doc->ReadPresented(block.data(), 100, 200000);
    EXPECT_EQ(read.count, 0u);
    EXPECT_FALSE(read.Failed());
}

TEST(DocReadBytes, ChangesMadeInsideAGroupAreOneUndoStep)
{
    TempDir dir;
    const QByteArray bytes = Filler(1000);
    auto doc = OpenDocument(dir.Write("a.bin", bytes));
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte(1, 0));
    {
        CVantorixDoc::ChangeGroup group(*doc);
        const std::uint8_t two[2] = {7, 8};
        ASSERT_EQ(doc->SetBytes(two, 2, 100), 2);
        ASSERT_TRUE(doc->SetByte(9, 500));
        ASSERT_EQ(doc->SetBytes(two, 2, 900), 2);
    }
    doc->Undo();
    QByteArray expected = bytes;
    expected[0] = 1;
    EXPECT_EQ(PresentedAll(*doc), expected);
    doc->Undo();
    EXPECT_EQ(PresentedAll(*doc), bytes);
}
