// colors.dat: reading, writing, round trips, bad files, and where the program finds it.
#include "colors/ColorCodesFile.h"
#include "colors/ColorTable.h"
#include "colors/ParseCodeRange.h"
#include "colors/ShippedColorCodes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using vtx::ColorCodeLine;
using vtx::ColorCodeList;
using vtx::ColorPair;
using vtx::ColorTable;
using vtx::test::TempDir;

namespace {

std::vector<ColorCodeLine> LinesOf(const std::string& text)
{
    std::istringstream in(text);
    return vtx::ReadColorCodeLines(in);
}

ColorCodeList Load(const TempDir& dir, const QByteArray& content)
{
    return vtx::LoadColorCodes(dir.Write("colors.dat", content).toStdString());
}

} // namespace

TEST(ColorCodesReading, LineFieldsReadLikeAtoi)
{
    EXPECT_EQ(vtx::ParseColorCodeLine("0D-2D,255,0"), (ColorCodeLine{"0D-2D", {255, 0}}));
    EXPECT_EQ(vtx::ParseColorCodeLine("41, 12x,-1"), (ColorCodeLine{"41", {12, 0xFFFFFFFFu}}));
    EXPECT_EQ(vtx::ParseColorCodeLine("41,,"), (ColorCodeLine{"41", {0, 0}}));
    // The third field runs to the end of the line, commas and all.
    EXPECT_EQ(vtx::ParseColorCodeLine("41,1,2,3"), (ColorCodeLine{"41", {1, 2}}));
    // Fewer than two commas: the code text stays, missing colours are 0.
    EXPECT_EQ(vtx::ParseColorCodeLine("41,7"), (ColorCodeLine{"41", {7, 0}}));
    EXPECT_EQ(vtx::ParseColorCodeLine("not a code"), (ColorCodeLine{"not a code", {0, 0}}));
}

TEST(ColorCodesReading, LineEndsCrLfAndTheLastLine)
{
    EXPECT_EQ(LinesOf("41,1,2\r\n42,3,4\r\n").size(), 2u);
    EXPECT_EQ(LinesOf("41,1,2\n42,3,4").size(), 2u);
    EXPECT_TRUE(LinesOf("").empty());
    // CR LF and LF alone both end a line; the CR never reaches the code text.
    const auto lines = LinesOf("41\r\n42,3,4\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].code, "41");
    // A CR that no LF follows is part of the line.
    EXPECT_EQ(LinesOf("4\r1,1,1\n")[0].code, "4\r1");
}

TEST(ColorCodesReading, SingleLineColoursOnlyThatByte)
{
    TempDir dir;
    ColorTable table;
    table.Apply(Load(dir, "41,255,255"));
    EXPECT_EQ(table.Entry(0x41), (ColorPair{255, 255}));
    for (int v = 0; v < 256; ++v) {
        if (v != 0x41) {
            EXPECT_EQ(table.Entry(static_cast<std::uint8_t>(v)), ColorPair{}) << v;
        }
    }
}

TEST(ColorCodesReading, DuplicateCodeTextTakesTheLastLine)
{
    TempDir dir;
    const ColorCodeList list = Load(dir, "41,1,1\r\n20,5,5\r\n41,2,3\r\n");
    EXPECT_EQ(list.Size(), 2u);
    EXPECT_EQ(*list.Find("41"), (ColorPair{2, 3}));
    // Codes from the file stay exactly as read: no upper-casing.
    EXPECT_TRUE(Load(dir, "0d-2d,1,1\r\n").Contains("0d-2d"));
}

TEST(ColorCodesBadFiles, MissingUnreadableOrEmptyFileGivesEmptyList)
{
    TempDir dir;
    EXPECT_TRUE(vtx::LoadColorCodes(dir.StdPath("missing.dat")).Empty());
    EXPECT_TRUE(vtx::LoadColorCodes(dir.Path().toStdString()).Empty()); // a directory
    EXPECT_TRUE(Load(dir, "").Empty());
    if (::geteuid() != 0) { // root reads anything
        const QString path = dir.Write("locked.dat", "41,1,1\r\n");
        ::chmod(path.toLocal8Bit().constData(), 0);
        EXPECT_TRUE(vtx::LoadColorCodes(path.toStdString()).Empty());
    }
}

TEST(ColorCodesBadFiles, JunkLinesDoNotStopTheFollowingLines)
{
    TempDir dir;
    QByteArray junk("\x00\xff garbage\r\n,,,\r\n", 17);
    junk += "2D-0D,9,9\r\n41,255,255\r\n";
    ColorTable table;
    const ColorCodeList list = Load(dir, junk);
    table.Apply(list);
    EXPECT_EQ(table.Entry(0x41), (ColorPair{255, 255}));
    // The invalid range stays in the list (and so is written back) but colours nothing.
    EXPECT_TRUE(list.Contains("2D-0D"));
    EXPECT_EQ(table.Entry(0x20), ColorPair{});
}

TEST(ColorCodesWriting, FormatIsCodeOrderCrLfSignedDecimal)
{
    ColorCodeList list;
    list.Set("41", {255, 16711680});
    list.Set("0D-2D", {0xFFFFFFFFu, 0});
    list.Set("", {5, 5});
    EXPECT_EQ(vtx::FormatColorCodes(list), "0D-2D,-1,0\r\n41,255,16711680\r\n");
    EXPECT_EQ(vtx::FormatColorCodes(ColorCodeList{}), "");
}

TEST(ColorCodesWriting, EmptyLineIsReadButNotWrittenBack)
{
    TempDir dir;
    const std::string path = dir.Write("colors.dat", "41,1,1\r\n\r\n61-7A,2,2\r\n").toStdString();
    const ColorCodeList list = vtx::LoadColorCodes(path);
    ASSERT_TRUE(list.Contains(""));
    EXPECT_EQ(*list.Find(""), ColorPair{});
    ASSERT_TRUE(vtx::SaveColorCodes(path, list));
    EXPECT_EQ(vtx::test::ReadAll(QString::fromStdString(path)), "41,1,1\r\n61-7A,2,2\r\n");
}

TEST(ColorCodesWriting, RoundTripKeepsEveryEntryAndValue)
{
    TempDir dir;
    const std::string path = dir.StdPath("colors.dat");
    ColorCodeList list;
    list.Set("00", {0, 0});
    list.Set("7F-FF", {0x00FFFFFFu, 0x80000000u});
    list.Set("2D-0D", {1, 2});   // invalid, but the user's: kept
    list.Set("x y", {3, 4});
    ASSERT_TRUE(vtx::SaveColorCodes(path, list));
    EXPECT_EQ(vtx::LoadColorCodes(path), list);
}

TEST(ColorCodesWriting, ReplacesTheWholeFileAndKeepsItsPermissions)
{
    TempDir dir;
    const QString path = dir.Write("colors.dat", "41,1,1\r\n42,1,1\r\n43,1,1\r\n");
    ::chmod(path.toLocal8Bit().constData(), 0640);
    ColorCodeList list;
    list.Set("61", {9, 9});
    ASSERT_TRUE(vtx::SaveColorCodes(path.toStdString(), list));
    EXPECT_EQ(vtx::test::ReadAll(path), "61,9,9\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    // Nothing but the file is left in the directory.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.StdPath("")), fs::directory_iterator{}), 1);

    // Saving an empty list leaves an empty file, not a missing one.
    ASSERT_TRUE(vtx::SaveColorCodes(path.toStdString(), ColorCodeList{}));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(vtx::test::ReadAll(path), "");
}

TEST(ColorCodesWriting, FailedSaveLeavesTheOldFileAlone)
{
    TempDir dir;
    ColorCodeList list;
    list.Set("41", {1, 1});
    // The directory does not exist: nothing can be written.
    EXPECT_FALSE(vtx::SaveColorCodes(dir.StdPath("nowhere/colors.dat"), list));
    // The name is taken by a directory: the rename fails, and no temporary file stays.
    const std::string blocked = dir.StdPath("blocked");
    fs::create_directory(blocked);
    fs::create_directory(blocked + "/inner");
    EXPECT_FALSE(vtx::SaveColorCodes(blocked, list));
    EXPECT_TRUE(fs::is_directory(blocked + "/inner"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.StdPath("")), fs::directory_iterator{}), 1);
}

// The user's own colors.dat beside a program that root installed: the user may write the
// file but not the folder. Acting as another user takes root, so the save itself runs in a
// copy of this test program started as nobody (the test below, which does nothing in a
// normal run).
constexpr const char* kSaveAsChildPath = "VANTORIX_SAVE_AS_CHILD";
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

TEST(ColorCodesWritingAsUser, ChildHalfOfTheReadOnlyFolderSave)
{
    const char* path = std::getenv(kSaveAsChildPath);
    if (!path)
        GTEST_SKIP() << "run by UsersFileInAFolderTheyCannotWrite as nobody";
    // The case is real: this user cannot create anything beside the file.
    ASSERT_NE(::access(fs::path(path).parent_path().c_str(), W_OK), 0);
    ColorCodeList list;
    list.Set("41", {255, 16711680});
    list.Set("61-7A", {1, 2});
    EXPECT_TRUE(vtx::SaveColorCodes(path, list));
}

TEST(ColorCodesWriting, UsersFileInAFolderTheyCannotWriteIsRewrittenInPlace)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can run the save as another user here";
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        GTEST_SKIP() << "setpriv (util-linux) is not installed";

    TempDir dir;
    ASSERT_EQ(::chmod(dir.StdPath("").c_str(), 0755), 0); // root's folder, readable by all
    const QString path = dir.Write("colors.dat", "41,1,1\r\n");
    ASSERT_EQ(::chown(path.toLocal8Bit().constData(), kNobody, kNogroup), 0);
    ASSERT_EQ(::chmod(path.toLocal8Bit().constData(), 0640), 0);

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kSaveAsChildPath), path);
    child.setProcessEnvironment(environment);
    child.start(setpriv, {QStringLiteral("--reuid=%1").arg(kNobody), QStringLiteral("--regid=%1").arg(kNogroup),
                          QStringLiteral("--clear-groups"), QStringLiteral("--"),
                          QCoreApplication::applicationFilePath(),
                          QStringLiteral("--gtest_filter=ColorCodesWritingAsUser.ChildHalfOfTheReadOnlyFolderSave")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray output = child.readAllStandardOutput() + child.readAllStandardError();
    ASSERT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();

    const auto expectKept = [&](const QByteArray& content) {
        EXPECT_EQ(vtx::test::ReadAll(path), content);
        struct stat info {};
        ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &info), 0);
        EXPECT_EQ(info.st_uid, kNobody);
        EXPECT_EQ(info.st_gid, kNogroup);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.StdPath("")), fs::directory_iterator{}), 1);
    };
    expectKept("41,255,16711680\r\n61-7A,1,2\r\n");

    // Root, who may write the folder, saves through a new file: it still belongs to the user.
    ColorCodeList list;
    list.Set("42", {3, 3});
    ASSERT_TRUE(vtx::SaveColorCodes(path.toStdString(), list));
    expectKept("42,3,3\r\n");
}

TEST(ColorCodesWriting, SymbolicLinkStaysALink)
{
    TempDir dir;
    const QString real = dir.Write("mine.dat", "41,1,1\r\n");
    const std::string link = dir.StdPath("colors.dat");
    fs::create_symlink(real.toStdString(), link);
    ColorCodeList list;
    list.Set("42", {2, 2});
    ASSERT_TRUE(vtx::SaveColorCodes(link, list));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(vtx::test::ReadAll(real), "42,2,2\r\n");
}

TEST(ColorCodesPath, BesideTheProgramWhateverTheCurrentDirectory)
{
    const fs::path path = vtx::ColorCodesPath();
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path.filename(), "colors.dat");
    // This test program lives in the same directory as the editor.
    EXPECT_TRUE(fs::exists(path.parent_path() / "test_colors"));

    TempDir dir;
    dir.Write("colors.dat", "41,1,1\r\n");
    const fs::path before = fs::current_path();
    fs::current_path(dir.StdPath(""));
    const std::string elsewhere = vtx::ColorCodesPath();
    fs::current_path(before);
    EXPECT_EQ(elsewhere, path.string());
}

TEST(ColorCodesPath, TheDefaultFileBesideTheProgramColoursEveryKindOfByte)
{
    // The build puts res/colors.dat beside the programs.
    const std::vector<ColorCodeLine> lines = vtx::ReadColorCodeLines(vtx::ColorCodesPath());
    ASSERT_FALSE(lines.empty());
    for (const ColorCodeLine& line : lines)
        EXPECT_TRUE(vtx::ParseCodeRange(line.code).IsValid()) << line.code;

    ColorTable table;
    table.Apply(vtx::ToColorCodeList(lines));
    // One sample of each kind: control, whitespace, punctuation, digit, upper case, lower
    // case, high byte. Each in its own colour, each readable on white.
    const std::vector<std::uint8_t> samples{0x01, 0x0A, 0x2C, 0x35, 0x4B, 0x6B, 0xC0};
    std::set<vtx::ColorRef> distinct;
    for (std::uint8_t v : samples) {
        const vtx::ColorRef c = table.HexColor(v);
        distinct.insert(c);
        const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        EXPECT_LT(0.299 * r + 0.587 * g + 0.114 * b, 160.0) << "too pale: byte " << int(v);
    }
    EXPECT_EQ(distinct.size(), samples.size());
}

TEST(ShippedColorCodes, OnlyAnUntouchedShippedFileFollowsTheBackground)
{
    const std::vector<ColorCodeLine>& light = vtx::ShippedColorCodeLines(false);
    const std::vector<ColorCodeLine>& dark = vtx::ShippedColorCodeLines(true);
    ASSERT_FALSE(light.empty());
    ASSERT_NE(light, dark);
    // As installed, or as the dialog saves it unchanged (CR LF), in either variant.
    std::ostringstream installed;
    for (const ColorCodeLine& line : light)
        installed << line.code << ',' << static_cast<std::int32_t>(line.colors.hex) << ','
                  << static_cast<std::int32_t>(line.colors.ascii) << '\n';
    for (const std::string& file : {installed.str(), vtx::FormatColorCodes(vtx::ToColorCodeList(light)),
                                    vtx::FormatColorCodes(vtx::ToColorCodeList(dark))}) {
        EXPECT_EQ(vtx::ColorCodeLinesForBackground(LinesOf(file), true), dark);
        EXPECT_EQ(vtx::ColorCodeLinesForBackground(LinesOf(file), false), light);
    }
    // The user's own list, even one colour away from the shipped one, stays as written.
    ColorCodeList changed = vtx::ToColorCodeList(light);
    changed.Find("41-5A")->hex = 0;
    const std::vector<ColorCodeLine> mine = LinesOf(vtx::FormatColorCodes(changed));
    EXPECT_EQ(vtx::ColorCodeLinesForBackground(mine, true), mine);
    EXPECT_TRUE(vtx::ColorCodeLinesForBackground({}, true).empty());
}
