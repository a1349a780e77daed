// The bytes at the caret as the value box, the caret pane and the Data Inspector see them:
// a byte the file cannot give is unknown there, never a number and never the end.
#include "ViewHarness.h"

#include "platform/FileFaults.h"
#include "view/CaretBytes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace vtx::test {
namespace {

// A 64-byte file counting 0, 1, 2, ... whose bytes 16 to 19 cannot be read.
constexpr FilePos kFileSize = 64;
constexpr FilePos kBadFrom = 16;
constexpr FilePos kBadTo = 20;

struct CaretRow {
    const char* name;
    FilePos position;
    std::size_t known;      // bytes read from the caret on
    bool failed;            // the read stopped at an unreadable byte, not at the end
    const char* uint8;      // what the inspector's rows show
    const char* uint16;
    const char* int32;
    const char* binary;
};

class CaretBytesRows : public ::testing::TestWithParam<CaretRow>
{};

TEST_P(CaretBytesRows, UnknownBytesAreNeitherNumbersNorTheEnd)
{
    const CaretRow& row = GetParam();
    ScopedFileFaults faults;
    ViewHarness harness(Counting(static_cast<int>(kFileSize)), 8);
    FileFaults::FailReads(harness.Path().toStdString(), kBadFrom, kBadTo, EIO);

    const CaretBytes caret = ReadCaretBytes(harness.Doc(), row.position);
    EXPECT_EQ(caret.count, row.known);
    EXPECT_EQ(caret.error != 0, row.failed);
    for (std::size_t k = 0; k < caret.count; ++k)
        EXPECT_EQ(caret.bytes[k], static_cast<std::uint8_t>(row.position + k)) << k;
    if (row.failed)
        EXPECT_EQ(caret.FailedAt(), std::max(row.position, kBadFrom));

    const auto texts = CaretValueTexts(caret, false);
    EXPECT_EQ(texts[static_cast<std::size_t>(InspectedType::UInt8)], row.uint8);
    EXPECT_EQ(texts[static_cast<std::size_t>(InspectedType::UInt16)], row.uint16);
    EXPECT_EQ(texts[static_cast<std::size_t>(InspectedType::Int32)], row.int32);
    EXPECT_EQ(CaretBinaryText(caret), row.binary);

    // The view: the value box is told the byte is unknown (with the reason in the status
    // bar), and the caret pane says so beside the offset.
    harness.Click(harness.CellPoint(0, 0, true)); // the pane follows the view with the focus
    harness.Frame().caretInfo.clear();
    harness.Frame().statusTexts.clear();
    harness.View().SetCaret(row.position, true);
    const bool caretUnknown = row.failed && row.known == 0;
    EXPECT_EQ(harness.Frame().unreadableCarets.size(), caretUnknown ? 1u : 0u);
    EXPECT_EQ(harness.Frame().caretInfo.size(), caretUnknown ? 0u : 1u);
    EXPECT_EQ(harness.Frame().caretPosition.endsWith(QStringLiteral("   Unreadable: ") +
                                                    QString::fromLocal8Bit(std::strerror(EIO))),
              caretUnknown)
        << harness.Frame().caretPosition.toStdString();
    if (caretUnknown)
        EXPECT_TRUE(harness.Frame().LastStatus().startsWith(QStringLiteral("Could not read")));
}

INSTANTIATE_TEST_SUITE_P(
    Positions, CaretBytesRows,
    ::testing::Values(CaretRow{"AllReadable", 4, 8, false, "4", "1284", "117835012", "00000100"},
                      CaretRow{"ValueReachesTheBadBytes", 14, 2, true, "14", "3854", "??", "00001110"},
                      CaretRow{"OnTheBadBytes", 17, 0, true, "??", "??", "??", "??"},
                      CaretRow{"JustAfterThem", 20, 8, false, "20", "5396", "387323156", "00010100"},
                      CaretRow{"NearTheEnd", 62, 2, false, "62", "16190", "-", "00111110"},
                      CaretRow{"PastTheEnd", 64, 0, false, "-", "-", "-", "-"}),
    [](const ::testing::TestParamInfo<CaretRow>& info) { return std::string(info.param.name); });

// A pending change laid over the bytes is what the caret shows, as on the screen.
TEST(CaretBytes, PendingChangesAreWhatTheCaretReads)
{
    ViewHarness harness(Counting(static_cast<int>(kFileSize)), 8);
    const std::uint8_t typed[] = {0xAB, 0xCD};
    ASSERT_EQ(harness.Doc().SetBytes(typed, 2, 9), 2);
    const CaretBytes caret = ReadCaretBytes(harness.Doc(), 8, 4);
    ASSERT_EQ(caret.count, 4u);
    EXPECT_EQ(caret.bytes[0], 8);
    EXPECT_EQ(caret.bytes[1], 0xAB);
    EXPECT_EQ(caret.bytes[2], 0xCD);
    EXPECT_EQ(caret.bytes[3], 11);
    EXPECT_EQ(CaretValueTexts(caret, true)[static_cast<std::size_t>(InspectedType::UInt32)],
              std::to_string(0x08ABCD0Bu));
}

} // namespace
} // namespace vtx::test
