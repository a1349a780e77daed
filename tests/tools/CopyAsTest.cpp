// Copy As: each format on a table of small inputs, the same text whether the bytes come in
// one piece or many, and the rules it shares with Copy (limit, read errors).

#include "ToolTestSupport.h"

#include "platform/FileFaults.h"
#include "tools/copyas/CopyAsCommand.h"
#include "tools/copyas/CopyAsText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace vtx::test {
namespace {

struct CopyAsRow {
    const char* name;
    CopyAsFormat format;
    std::vector<std::uint8_t> bytes;
    FilePos first;
    std::string text;
};

class CopyAsFormats : public ::testing::TestWithParam<CopyAsRow>
{
};

TEST_P(CopyAsFormats, WholeAndInPieces)
{
    const CopyAsRow& row = GetParam();
    EXPECT_EQ(CopyAsText(row.format, row.bytes.data(), row.bytes.size(), row.first), row.text);
    // One byte at a time: no group or line may depend on how the reads fell.
    CopyAsWriter writer(row.format, row.first, row.bytes.size());
    for (const std::uint8_t byte : row.bytes)
        writer.Append(&byte, 1);
    EXPECT_EQ(writer.Finish(), row.text);
}

std::vector<std::uint8_t> Counting(int count)
{
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<std::uint8_t>(i));
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CopyAsFormats,
    ::testing::Values(
        CopyAsRow{"CArrayOneByte", CopyAsFormat::CArray, {0xFF}, 0, "unsigned char data[1] = { 0xff };\n"},
        CopyAsRow{"CArrayFullLine", CopyAsFormat::CArray, Counting(12), 0,
                  "unsigned char data[12] = { 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b };\n"},
        CopyAsRow{"CArrayWraps", CopyAsFormat::CArray, Counting(13), 0,
                  "unsigned char data[13] = {\n"
                  "    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b,\n"
                  "    0x0c\n};\n"},
        CopyAsRow{"Base64NoPadding", CopyAsFormat::Base64, {'M', 'a', 'n'}, 0, "TWFu"},
        CopyAsRow{"Base64OnePad", CopyAsFormat::Base64, {'M', 'a'}, 0, "TWE="},
        CopyAsRow{"Base64TwoPads", CopyAsFormat::Base64, {'M'}, 0, "TQ=="},
        CopyAsRow{"Base64HighBytes", CopyAsFormat::Base64, {0xFB, 0xFF, 0xBF, 0x00}, 0, "+/+/AA=="},
        CopyAsRow{"HexDumpPartialLine", CopyAsFormat::HexDump, {'A', 'B', 0x00}, 0x20,
                  "00000020: 4142 00                                  AB.\n"},
        CopyAsRow{"HexDumpTwoLines", CopyAsFormat::HexDump,
                  {'H', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd', '!', '\n', 0x00, 0xFF, 0x7F}, 0,
                  "00000000: 4865 6c6c 6f2c 2077 6f72 6c64 210a 00ff  Hello, world!...\n"
                  "00000010: 7f                                       .\n"},
        CopyAsRow{"HexDumpPastFourGiB", CopyAsFormat::HexDump, {'A', 'B'}, FilePos{1} << 32,
                  "100000000: 4142                                     AB\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// The hex dump is what xxd prints for the same bytes and offset.
TEST(CopyAsHexDump, MatchesXxd)
{
    const QByteArray bytes = Filler(1000, 11);
    const std::string ours =
        CopyAsText(CopyAsFormat::HexDump, reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size(), 0x1230);
    EXPECT_EQ(QString::fromLatin1(ours.data(), static_cast<qsizetype>(ours.size())),
              RunTool(QStringLiteral("xxd"), {QStringLiteral("-o"), QStringLiteral("0x1230")}, bytes));
    const std::string base64 =
        CopyAsText(CopyAsFormat::Base64, reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size());
    EXPECT_EQ(QByteArray::fromStdString(base64), bytes.toBase64());
}

TEST(CopyAsCommand, CopiesTheShownBytesAndKeepsCopysRules)
{
    TempDir dir;
    const QString path = dir.Write(QStringLiteral("data.bin"), QByteArray("0123456789abcdef"));
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte('X', 2));
    MessageBoxRecorder boxes;
    QWidget window;
    QClipboard* clipboard = QGuiApplication::clipboard();

    ASSERT_TRUE(RunCopyAsCommand(&window, *doc, {1, 3}, CopyAsFormat::CArray));
    EXPECT_EQ(clipboard->text(), QStringLiteral("unsigned char data[3] = { 0x31, 0x58, 0x33 };\n"));

    // A read error: told with its place; the clipboard keeps what it had.
    {
        ScopedFileFaults faults;
        FileFaults::FailReads(path.toStdString(), 8, 9, EIO);
        EXPECT_FALSE(RunCopyAsCommand(&window, *doc, {0, 16}, CopyAsFormat::Base64));
    }
    EXPECT_EQ(boxes.Last(), QStringLiteral("Could not read data.bin at 00000008: Input/output error."));
    EXPECT_EQ(clipboard->text(), QStringLiteral("unsigned char data[3] = { 0x31, 0x58, 0x33 };\n"));

    // Past the limit: refused before a byte is read.
    EXPECT_FALSE(RunCopyAsCommand(&window, *doc, {0, kMaxCopyBytes + 1}, CopyAsFormat::HexDump));
    EXPECT_TRUE(boxes.Last().startsWith(QStringLiteral("The selection is too large to copy")));
}

} // namespace
} // namespace vtx::test
