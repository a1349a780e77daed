#include "platform/CFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sys/stat.h>

using vtx::CFile;
using vtx::CFileException;
using vtx::FilePos;
using vtx::kMaxFilePos;
using vtx::test::TempDir;

TEST(CFileOpen, RefusesWhatCannotBeEditedAndSaysWhy)
{
    TempDir dir;
    CFile file;
    EXPECT_EQ(file.Open(dir.StdPath("missing")), CFile::OpenError::NotFound);
    EXPECT_EQ(file.Open(dir.Path().toStdString()), CFile::OpenError::IsDirectory);
    EXPECT_EQ(file.Open("/dev/null"), CFile::OpenError::NotRegular);

    const QString readOnly = dir.Write("ro.bin", QByteArray("abc"));
    ASSERT_EQ(::chmod(readOnly.toLocal8Bit().constData(), 0444), 0);
    EXPECT_EQ(file.Open(readOnly.toStdString()), CFile::OpenError::ReadOnly);
    EXPECT_FALSE(file.IsOpen());
}

TEST(CFileOpen, SecondOpenOfTheSameFileIsLockedOut)
{
    TempDir dir;
    const QString path = dir.Write("a.bin", QByteArray("hello"));
    CFile first;
    ASSERT_EQ(first.Open(path.toStdString()), CFile::OpenError::None);
    CFile second;
    EXPECT_EQ(second.Open(path.toStdString()), CFile::OpenError::Locked);
    // Looking is still allowed, without a lock, and never writes.
    ASSERT_EQ(second.Open(path.toStdString(), CFile::Mode::ViewOnly), CFile::OpenError::None);
    EXPECT_FALSE(second.IsLocked());
    EXPECT_THROW(second.Write("x", 1), vtx::CFileException);
    first.Close();
    EXPECT_EQ(second.Open(path.toStdString()), CFile::OpenError::None);
}

TEST(CFileIo, PositionsPastTwoAndFourGibibytesReachTheirBytes)
{
    TempDir dir;
    const QString path = dir.Write("big.bin", QByteArray());
    // Sparse: 64 GiB of holes cost no disk space.
    constexpr FilePos kLength = FilePos{64} << 30;
    if (::truncate(path.toLocal8Bit().constData(), static_cast<off_t>(kLength)) != 0)
        GTEST_SKIP() << "this file system refuses a 64 GiB sparse file";
    CFile file;
    ASSERT_EQ(file.Open(path.toStdString()), CFile::OpenError::None);
    EXPECT_EQ(file.GetLength(), kLength);
    // Each position must land on its own byte, not on one 2^31 or 2^32 bytes lower.
    for (const FilePos position : {FilePos{0x7FFFFFFF}, FilePos{0x80000000}, FilePos{0xFFFFFFFF},
                                   FilePos{0x100000000}, kLength - 1}) {
        const std::uint8_t value = static_cast<std::uint8_t>(position >> 24) ^ 0x5A;
        ASSERT_EQ(file.Seek(position), position);
        file.Write(&value, 1);
    }
    for (const FilePos position : {FilePos{0x7FFFFFFF}, FilePos{0x80000000}, FilePos{0xFFFFFFFF},
                                   FilePos{0x100000000}, kLength - 1}) {
        std::uint8_t read = 0;
        ASSERT_EQ(file.Seek(position), position);
        ASSERT_EQ(file.Read(&read, 1), 1u);
        EXPECT_EQ(read, static_cast<std::uint8_t>(position >> 24) ^ 0x5A) << position;
    }
    EXPECT_EQ(file.GetLength(), kLength);
    EXPECT_THROW(file.Seek(kMaxFilePos + 1), CFileException);

    // A copy holds the same bytes at the same places and keeps the holes: a Save As of a
    // disk image must not write 64 GiB of zeros.
    CFile copy;
    ASSERT_EQ(copy.CreateCopyOf(file, dir.StdPath("copy.bin")), CFile::OpenError::None);
    EXPECT_EQ(copy.GetLength(), kLength);
    for (const FilePos position : {FilePos{0x7FFFFFFE}, FilePos{0x7FFFFFFF}, FilePos{0x100000000}, kLength - 1}) {
        std::uint8_t read = 0xEE;
        ASSERT_EQ(copy.Seek(position), position);
        ASSERT_EQ(copy.Read(&read, 1), 1u);
        EXPECT_EQ(read, position == 0x7FFFFFFE ? 0 : static_cast<std::uint8_t>(position >> 24) ^ 0x5A) << position;
    }
    struct stat st {};
    ASSERT_EQ(::stat(dir.StdPath("copy.bin").c_str(), &st), 0);
    EXPECT_LT(static_cast<std::int64_t>(st.st_blocks) * 512, std::int64_t{64} << 20);
}

TEST(CFileIo, SeekReadWriteAndLengthAskedOfTheFile)
{
    TempDir dir;
    const QString path = dir.Write("a.bin", QByteArray("0123456789"));
    CFile file;
    ASSERT_EQ(file.Open(path.toStdString()), CFile::OpenError::None);
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.Seek(8), 8u);
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 8), 2u);
    EXPECT_EQ(std::string(buffer, 2), "89");
    EXPECT_EQ(file.Read(buffer, 8), 0u);
    EXPECT_THROW(file.Seek(-1), vtx::CFileException);

    file.Seek(3);
    file.Write("X", 1);
    EXPECT_EQ(vtx::test::ReadAll(path), QByteArray("012X456789"));
    // The length is not cached: growing the file behind our back shows at once.
    QFile other(path);
    ASSERT_TRUE(other.open(QIODevice::Append));
    other.write("ab");
    other.close();
    EXPECT_EQ(file.GetLength(), 12u);
    file.Close();
    EXPECT_THROW((void)file.GetLength(), vtx::CFileException);
}

TEST(CopyFileNoOverwrite, CopiesBytesAndPermissionsButNeverReplaces)
{
    TempDir dir;
    const QString from = dir.Write("from.bin", vtx::test::Bytes({0, 1, 2, 0xFF}));
    ASSERT_EQ(::chmod(from.toLocal8Bit().constData(), 0640), 0);
    const QString to = dir.Path("to.bin");
    ASSERT_TRUE(vtx::CopyFileNoOverwrite(from.toStdString(), to.toStdString()));
    EXPECT_EQ(vtx::test::ReadAll(to), vtx::test::Bytes({0, 1, 2, 0xFF}));
    struct stat st {};
    ASSERT_EQ(::stat(to.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const QString existing = dir.Write("existing.bin", QByteArray("keep"));
    EXPECT_FALSE(vtx::CopyFileNoOverwrite(from.toStdString(), existing.toStdString()));
    EXPECT_EQ(vtx::test::ReadAll(existing), QByteArray("keep"));
    EXPECT_FALSE(vtx::CopyFileNoOverwrite(from.toStdString(), dir.StdPath("no/such/dir/x")));
    EXPECT_FALSE(vtx::CopyFileNoOverwrite(dir.StdPath("missing"), dir.StdPath("y")));
    EXPECT_FALSE(QFile::exists(dir.Path("y")));
}

TEST(CFileCreateCopyOf, PermissionsUnderTheUmaskAndRemovalOnlyOfItsOwnFile)
{
    TempDir dir;
    const QString from = dir.Write("from.bin", QByteArray("abc"));
    ASSERT_EQ(::chmod(from.toLocal8Bit().constData(), 06775), 0);
    CFile source;
    ASSERT_EQ(source.Open(from.toStdString()), CFile::OpenError::None);
    const mode_t previous = ::umask(027);
    CFile copy;
    const CFile::OpenError error = copy.CreateCopyOf(source, dir.StdPath("to.bin"));
    ::umask(previous);
    ASSERT_EQ(error, CFile::OpenError::None);
    struct stat st {};
    ASSERT_EQ(::stat(dir.Path("to.bin").toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u) << "no setuid, setgid or sticky; umask applied";
    EXPECT_EQ(vtx::test::ReadAll(dir.Path("to.bin")), QByteArray("abc"));
    CFile other;
    EXPECT_EQ(other.CreateCopyOf(source, dir.StdPath("to.bin")), CFile::OpenError::Exists);
    EXPECT_EQ(other.Open(dir.StdPath("to.bin")), CFile::OpenError::Locked);

    // Another program renames its file over the copy's name: removing the copy must not
    // remove that file.
    const QString theirs = dir.Write("theirs.bin", QByteArray("theirs"));
    ASSERT_EQ(::rename(theirs.toLocal8Bit().constData(), dir.Path("to.bin").toLocal8Bit().constData()), 0);
    EXPECT_FALSE(copy.RemoveIfStillNamed());
    EXPECT_EQ(vtx::test::ReadAll(dir.Path("to.bin")), QByteArray("theirs"));
}
