// File names as bytes through a QString: every byte sequence comes back as it went in,
// valid UTF-8 reads as text, and a name that is not UTF-8 still leads to its file.
#include "platform/PathBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

#include <random>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct Row {
    const char* name;
    QByteArray bytes;
    QString text; // what the bytes read as
};

class PathBytes : public ::testing::TestWithParam<Row>
{
};

TEST_P(PathBytes, DecodesAndComesBackUnchanged)
{
    const Row& row = GetParam();
    EXPECT_EQ(vtx::DecodePathBytes(row.bytes), row.text);
    EXPECT_EQ(vtx::EncodePathBytes(vtx::DecodePathBytes(row.bytes)), row.bytes);
}

const QChar kEscapedE9(0xDCE9);

INSTANTIATE_TEST_SUITE_P(
    Names, PathBytes,
    ::testing::Values(Row{"ascii", QByteArray("/tmp/ls.elf"), QStringLiteral("/tmp/ls.elf")},
                      Row{"utf8", QByteArray("caf\xC3\xA9 \xF0\x9F\x98\x80"), QString::fromUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80")},
                      Row{"latin1", QByteArray("caf\xE9.bin"), QStringLiteral("caf") + kEscapedE9 + QStringLiteral(".bin")},
                      Row{"truncated", QByteArray("a\xC3"), QStringLiteral("a") + QChar(0xDCC3)},
                      Row{"overlong", QByteArray("\xC0\xAF"), QString(QChar(0xDCC0)) + QChar(0xDCAF)},
                      Row{"surrogate", QByteArray("\xED\xA0\x80"),
                          QString(QChar(0xDCED)) + QChar(0xDCA0) + QChar(0xDC80)},
                      Row{"beyond_unicode", QByteArray("\xF4\x90\x80\x80"),
                          QString(QChar(0xDCF4)) + QChar(0xDC90) + QChar(0xDC80) + QChar(0xDC80)},
                      Row{"lone_continuation", QByteArray("x\x80y"), QStringLiteral("x") + QChar(0xDC80) + QStringLiteral("y")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PathBytesRandom, AnyBytesRoundTrip)
{
    std::mt19937 random(30);
    std::uniform_int_distribution<int> length(0, 24);
    std::uniform_int_distribution<int> byte(1, 255);
    for (int i = 0; i < 5000; ++i) {
        QByteArray bytes;
        const int n = length(random);
        for (int k = 0; k < n; ++k)
            bytes += static_cast<char>(byte(random));
        ASSERT_EQ(vtx::EncodePathBytes(vtx::DecodePathBytes(bytes)), bytes) << bytes.toHex().toStdString();
    }
    // Text that never came from bytes encodes as UTF-8, surrogate pairs included.
    EXPECT_EQ(vtx::EncodePathBytes(QString::fromUtf8("\xF0\x9F\x98\x80")), QByteArray("\xF0\x9F\x98\x80"));
}

TEST(PathBytesFiles, ANameThatIsNotUtf8IsFoundThroughItsLinkToo)
{
    const vtx::test::TempDir dir;
    const QByteArray folder = QFile::encodeName(QDir(dir.Path()).canonicalPath());
    const QByteArray name = folder + "/caf\xE9.bin";
    const int fd = ::open(name.constData(), O_CREAT | O_WRONLY | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const QByteArray link = folder + "/link\xFF";
    ASSERT_EQ(::symlink(name.constData(), link.constData()), 0);

    EXPECT_EQ(vtx::EncodePathBytes(vtx::CanonicalPathBytes(vtx::DecodePathBytes(link))), name);
    EXPECT_TRUE(vtx::CanonicalPathBytes(vtx::DecodePathBytes(folder + "/missing\xE9")).isEmpty());
}

} // namespace
