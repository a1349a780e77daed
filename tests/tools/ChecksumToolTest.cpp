// Checksums against the system's own tools and known answers, over what the window shows:
// pending changes included, a selection past 4 GiB, read errors, cancelling.

#include "ToolTestSupport.h"

#include "platform/FileFaults.h"
#include "tools/checksum/CChecksumDlg.h"
#include "tools/checksum/ChecksumTool.h"
#include "tools/progress/ProgressRun.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cerrno>
#include <algorithm>
#include <map>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace vtx::test {
namespace {

std::map<ChecksumAlgorithm, std::string> Values(const ChecksumOutcome& outcome)
{
    std::map<ChecksumAlgorithm, std::string> values;
    for (const ChecksumValue& value : outcome.values)
        values[value.algorithm] = value.hex;
    return values;
}

// What the system's tool says of a file's bytes [first, first + length), lower-case hex.
// Python reads the range itself, so that a range past 4 GiB of a sparse file needs no copy.
QString SystemChecksum(ChecksumAlgorithm algorithm, const QString& path, FilePos first, FilePos length)
{
    const QString python = QStringLiteral(
        "import sys, zlib, hashlib\n"
        "f = open(sys.argv[1], 'rb'); f.seek(int(sys.argv[2])); data = f.read(int(sys.argv[3]))\n"
        "print(format(zlib.crc32(data) & 0xffffffff, '08x'))\n");
    const QStringList range = {path, QString::number(first), QString::number(length)};
    switch (algorithm) {
    case ChecksumAlgorithm::Crc32:
        return RunTool(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), python} + range).trimmed();
    case ChecksumAlgorithm::Sha256:
    case ChecksumAlgorithm::Md5:
    case ChecksumAlgorithm::Sha1:
    case ChecksumAlgorithm::Sha512:
    case ChecksumAlgorithm::Sha3_256: {
        // The bytes go to the tool on its standard input, cut out by dd.
        QByteArray bytes;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(static_cast<qint64>(first)))
            return QStringLiteral("FAILED to read ") + path;
        bytes = file.read(static_cast<qint64>(length));
        if (algorithm == ChecksumAlgorithm::Sha256)
            return RunTool(QStringLiteral("sha256sum"), {}, bytes).section(QLatin1Char(' '), 0, 0);
        static const std::map<ChecksumAlgorithm, QString> digests = {
            {ChecksumAlgorithm::Md5, QStringLiteral("-md5")},       {ChecksumAlgorithm::Sha1, QStringLiteral("-sha1")},
            {ChecksumAlgorithm::Sha512, QStringLiteral("-sha512")}, {ChecksumAlgorithm::Sha3_256, QStringLiteral("-sha3-256")}};
        // "SHA3-256(stdin)= <hex>"
        return RunTool(QStringLiteral("openssl"), {QStringLiteral("dgst"), digests.at(algorithm), QStringLiteral("-r")}, bytes)
            .section(QLatin1Char(' '), 0, 0);
    }
    }
    return {};
}

TEST(ChecksumKnownAnswers, OfTheNineDigits)
{
    TempDir dir;
    auto doc = OpenDocument(dir.Write(QStringLiteral("digits.txt"), QByteArray("123456789")));
    ASSERT_TRUE(doc);
    const auto values = Values(ChecksumTool().Compute(*doc, {0, 9}));
    EXPECT_EQ(values.at(ChecksumAlgorithm::Crc32), "cbf43926");
    EXPECT_EQ(values.at(ChecksumAlgorithm::Md5), "25f9e794323b453885f5181f1b624d0b");
    EXPECT_EQ(values.at(ChecksumAlgorithm::Sha1), "f7c3bc1d808e04732adf679965ccc34ca7ae3441");
    EXPECT_EQ(values.at(ChecksumAlgorithm::Sha256), "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225");
    EXPECT_EQ(values.size(), 6u);

    // No bytes at all: the values of the empty message.
    const auto empty = Values(ChecksumTool().Compute(*doc, {3, 0}));
    EXPECT_EQ(empty.at(ChecksumAlgorithm::Crc32), "00000000");
    EXPECT_EQ(empty.at(ChecksumAlgorithm::Sha256), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

struct SystemToolRow {
    const char* name;
    ChecksumAlgorithm algorithm;
};

class ChecksumAgainstSystemTools : public ::testing::TestWithParam<SystemToolRow>
{
};

// A file of a few blocks with pending changes in two of them, whole and as a selection
// that starts and ends inside a block; each algorithm alone and all six together (the
// threaded pass) must give what the system's tool gives for the same bytes.
TEST_P(ChecksumAgainstSystemTools, WholeFileAndSelectionWithPendingChanges)
{
    const ChecksumAlgorithm algorithm = GetParam().algorithm;
    TempDir dir;
    const int size = 3 * static_cast<int>(ChecksumTool::kBlockBytes) + 12345;
    const QString path = dir.Write(QStringLiteral("data.bin"), Filler(size, 7));
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);

    const ByteRange whole{0, static_cast<FilePos>(size)};
    const ByteRange selection{1000, ChecksumTool::kBlockBytes * 2 + 777};
    for (const ByteRange range : {whole, selection}) {
        const QString expected = SystemChecksum(algorithm, path, range.first, range.length);
        EXPECT_EQ(Values(ChecksumTool().Compute(*doc, range)).at(algorithm), expected.toStdString());
        EXPECT_EQ(Values(ChecksumTool({algorithm}).Compute(*doc, range)).at(algorithm), expected.toStdString());
    }

    // Pending changes count; the file on disk does not change.
    const std::uint8_t changed[] = {0xDE, 0xAD, 0xBE, 0xEF};
    ASSERT_EQ(doc->SetBytes(changed, 4, 1500), 4);
    ASSERT_EQ(doc->SetBytes(changed, 4, ChecksumTool::kBlockBytes * 2 + 3), 4);
    QByteArray shown = Filler(size, 7);
    shown.replace(1500, 4, reinterpret_cast<const char*>(changed), 4);
    shown.replace(static_cast<int>(ChecksumTool::kBlockBytes * 2 + 3), 4, reinterpret_cast<const char*>(changed), 4);
    const QString shownPath = dir.Write(QStringLiteral("shown.bin"), shown);
    for (const ByteRange range : {whole, selection}) {
        const QString expected = SystemChecksum(algorithm, shownPath, range.first, range.length);
        EXPECT_EQ(Values(ChecksumTool().Compute(*doc, range)).at(algorithm), expected.toStdString());
    }
    EXPECT_EQ(ReadAll(path), Filler(size, 7));
}

INSTANTIATE_TEST_SUITE_P(Algorithms, ChecksumAgainstSystemTools,
                         ::testing::Values(SystemToolRow{"Crc32", ChecksumAlgorithm::Crc32},
                                           SystemToolRow{"Md5", ChecksumAlgorithm::Md5},
                                           SystemToolRow{"Sha1", ChecksumAlgorithm::Sha1},
                                           SystemToolRow{"Sha256", ChecksumAlgorithm::Sha256},
                                           SystemToolRow{"Sha512", ChecksumAlgorithm::Sha512},
                                           SystemToolRow{"Sha3_256", ChecksumAlgorithm::Sha3_256}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BalanceRow {
    const char* name;
    std::vector<double> costs;
    std::size_t workers;
    // The cost of the dearest share in the best split.
    double dearest;
};

class ChecksumBalance : public ::testing::TestWithParam<BalanceRow>
{
};

// The hashes shared out over the hashing threads: each exactly once, no thread idle while
// another has two, and the slowest thread no slower than it has to be.
TEST_P(ChecksumBalance, EachOnceAndTheDearestShareAsCheapAsItCanBe)
{
    const BalanceRow& row = GetParam();
    const auto groups = BalanceByCost(row.costs, row.workers);
    ASSERT_EQ(groups.size(), std::max<std::size_t>(1, std::min(row.workers, row.costs.size())));
    std::vector<int> seen(row.costs.size(), 0);
    double dearest = 0;
    for (const auto& group : groups) {
        EXPECT_TRUE(!group.empty() || row.costs.empty());
        double cost = 0;
        for (const std::size_t item : group) {
            ASSERT_LT(item, row.costs.size());
            ++seen[item];
            cost += row.costs[item];
        }
        dearest = std::max(dearest, cost);
    }
    EXPECT_EQ(seen, std::vector<int>(row.costs.size(), 1));
    EXPECT_NEAR(dearest, row.dearest, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Shares, ChecksumBalance,
    ::testing::Values(BalanceRow{"SixHashesOnTwoProcessors", {2.1, 1.5, 1.1, 0.65, 0.64, 0.2}, 2, 3.2},
                      // Dearest first to the lightest thread gives 7 here; 3+3 and 2+2+2 is 6.
                      BalanceRow{"WhereTheSimpleRuleMisses", {3, 3, 2, 2, 2}, 2, 6},
                      BalanceRow{"ThreeProcessors", {4, 3, 3, 2, 2, 1}, 3, 5},
                      BalanceRow{"MoreProcessorsThanHashes", {1, 2}, 8, 2},
                      BalanceRow{"OneProcessor", {1, 2, 3}, 1, 6},
                      BalanceRow{"NoProcessorCount", {1, 2}, 0, 3},
                      BalanceRow{"NothingToShare", {}, 2, 0},
                      BalanceRow{"ManyEqualItems", std::vector<double>(12, 1.0), 3, 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChecksumTool, SelectionAcrossFourGibibytesOfASparseFile)
{
    TempDir dir;
    const QString path = dir.Path(QStringLiteral("disk.img"));
    constexpr FilePos kFourGiB = FilePos{1} << 32;
    {
        const int fd = ::open(path.toLocal8Bit().constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        const QByteArray near = Filler(64 * 1024, 3);
        ASSERT_EQ(::pwrite(fd, near.constData(), near.size(), static_cast<off_t>(kFourGiB - 32 * 1024)), near.size());
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kFourGiB + (FilePos{3} << 20))), 0);
        ::close(fd);
    }
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    // From inside the holes below, across the written bytes and 4 GiB, into the hole above.
    const ByteRange range{kFourGiB - 1'500'000, 2'900'000};
    const auto values = Values(ChecksumTool().Compute(*doc, range));
    EXPECT_EQ(values.at(ChecksumAlgorithm::Sha256), SystemChecksum(ChecksumAlgorithm::Sha256, path, range.first, range.length).toStdString());
    EXPECT_EQ(values.at(ChecksumAlgorithm::Crc32), SystemChecksum(ChecksumAlgorithm::Crc32, path, range.first, range.length).toStdString());

    // A pending change just past 4 GiB is hashed too.
    const std::uint8_t one = 0x5A;
    ASSERT_EQ(doc->SetBytes(&one, 1, kFourGiB + 1), 1);
    EXPECT_NE(Values(ChecksumTool().Compute(*doc, range)).at(ChecksumAlgorithm::Sha256), values.at(ChecksumAlgorithm::Sha256));
}

// A read error ends the run with its place, whichever path runs; a progress that says stop
// ends it without values.
TEST(ChecksumTool, ReadErrorsAndCancelling)
{
    TempDir dir;
    const int size = 4 * static_cast<int>(ChecksumTool::kBlockBytes);
    const QString path = dir.Write(QStringLiteral("data.bin"), Filler(size));
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    for (const std::vector<ChecksumAlgorithm>& algorithms :
         {std::vector<ChecksumAlgorithm>{ChecksumAlgorithm::Sha256}, std::vector<ChecksumAlgorithm>(kAllChecksums.begin(), kAllChecksums.end())}) {
        SCOPED_TRACE(algorithms.size());
        {
            ScopedFileFaults faults;
            FileFaults::FailReads(path.toStdString(), 0x2F0000, 0x2F0010, EIO);
            const ChecksumOutcome failed = ChecksumTool(algorithms).Compute(*doc, {0, static_cast<FilePos>(size)});
            EXPECT_EQ(failed.scan.end, ScanEnd::ReadFailed);
            EXPECT_EQ(failed.scan.failedAt, 0x2F0000u);
            EXPECT_EQ(failed.scan.error, EIO);
            EXPECT_TRUE(failed.values.empty());
        }
        int calls = 0;
        const ChecksumOutcome cancelled =
            ChecksumTool(algorithms).Compute(*doc, {0, static_cast<FilePos>(size)}, [&](FilePos done, FilePos total) {
                EXPECT_EQ(total, static_cast<FilePos>(size));
                EXPECT_LT(done, total);
                return ++calls < 2;
            });
        EXPECT_EQ(cancelled.scan.end, ScanEnd::Cancelled);
        EXPECT_EQ(calls, 2);
        EXPECT_TRUE(cancelled.values.empty());
    }
}

class ChecksumCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = m_dir.Write(QStringLiteral("data.bin"), Filler(3 * static_cast<int>(ChecksumTool::kBlockBytes)));
        m_doc = OpenDocument(m_path);
        ASSERT_TRUE(m_doc);
        ProgressRun::SetDelayMs(0);
        CChecksumDlg::SetModalRunner([this](CChecksumDlg& dialog) {
            ++m_nShown;
            m_rangeText = dialog.RangeText();
            m_sha256 = dialog.ValueEdit(ChecksumAlgorithm::Sha256)->text();
            QTest::mouseClick(dialog.CopyButton(), Qt::LeftButton);
            return QDialog::Accepted;
        });
    }
    void TearDown() override
    {
        CChecksumDlg::SetModalRunner({});
        ProgressRun::SetDelayMs(1000);
    }

    TempDir m_dir;
    QString m_path;
    std::unique_ptr<CVantorixDoc> m_doc;
    MessageBoxRecorder m_boxes;
    int m_nShown = 0;
    QString m_rangeText;
    QString m_sha256;
};

TEST_F(ChecksumCommand, ShowsTheRangeAndCopiesEveryValueAsLines)
{
    QWidget window;
    RunChecksumCommand(&window, *m_doc, ByteRange{0x10, 0x100});
    ASSERT_EQ(m_nShown, 1);
    EXPECT_EQ(m_rangeText, QStringLiteral("Selection: 00000010 to 0000010F, 256 bytes"));
    const QString expected = SystemChecksum(ChecksumAlgorithm::Sha256, m_path, 0x10, 0x100);
    EXPECT_EQ(m_sha256, expected);
    const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[3], QStringLiteral("SHA-256  ") + expected);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("CRC-32  ")));

    // Without a selection: the whole document.
    RunChecksumCommand(&window, *m_doc, std::nullopt);
    EXPECT_EQ(m_rangeText, QStringLiteral("Whole document: 00000000 to 002FFFFF, 3,145,728 bytes"));
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(ChecksumCommand, ReadErrorIsToldAndEscStopsWithoutAResult)
{
    QWidget window;
    {
        ScopedFileFaults faults;
        FileFaults::FailReads(m_path.toStdString(), 0x180000, 0x180001, EIO);
        RunChecksumCommand(&window, *m_doc, std::nullopt);
    }
    EXPECT_EQ(m_nShown, 0);
    EXPECT_EQ(m_boxes.Last(), QStringLiteral("Could not read data.bin at 00180000: Input/output error."));

    m_boxes.Clear();
    QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    RunChecksumCommand(&window, *m_doc, std::nullopt);
    EXPECT_EQ(m_nShown, 0);
    EXPECT_EQ(m_boxes.Count(), 0);
}

} // namespace
} // namespace vtx::test
