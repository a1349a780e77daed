// Where the colours live: the user's own colors.dat in the configuration folder once they
// saved one, the program's beside it until then; saving never touches the program's.
#include "colors/ColorCodesFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/stat.h>

namespace fs = std::filesystem;
using vtx::test::TempDir;

namespace {

// Sets an environment variable (or unsets it, for nullopt) while it lives.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(UserColorsPath, FollowsTheConfigurationFolderRules)
{
    const struct {
        const char* name;
        std::optional<std::string> config;
        std::optional<std::string> home;
        std::string expected;
    } rows[] = {
        {"config home", "/cfg", "/home/u", "/cfg/Dunmerrow/colors.dat"},
        {"unset: HOME/.config", std::nullopt, "/home/u", "/home/u/.config/Dunmerrow/colors.dat"},
        {"empty: HOME/.config", "", "/home/u", "/home/u/.config/Dunmerrow/colors.dat"},
        {"relative is ignored", "rel/cfg", "/home/u", "/home/u/.config/Dunmerrow/colors.dat"},
        {"nothing to go by", std::nullopt, std::nullopt, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ScopedEnv config("XDG_CONFIG_HOME", row.config);
        const ScopedEnv home("HOME", row.home);
        EXPECT_EQ(vtx::UserColorCodesPath(), row.expected);
    }
}

TEST(UserColorsPath, TheUsersFileOnceItExistsAndTheProgramsNeverWritten)
{
    const TempDir dir;
    const std::string installed = dir.Write("colors.dat", QByteArray("41,255,255\r\n")).toStdString();
    const std::string user = dir.StdPath("config/Dunmerrow/colors.dat");
    EXPECT_EQ(vtx::ColorCodesPathToRead(user, installed), installed);
    EXPECT_EQ(vtx::ColorCodesPathToRead("", installed), installed);

    vtx::ColorCodeList list;
    list.Set("42", {1, 2});
    ASSERT_TRUE(vtx::SaveUserColorCodes(user, list));
    EXPECT_EQ(vtx::ColorCodesPathToRead(user, installed), user);
    EXPECT_EQ(vtx::test::ReadAll(QString::fromStdString(user)), QByteArray("42,1,2\r\n"));
    EXPECT_EQ(vtx::test::ReadAll(QString::fromStdString(installed)), QByteArray("41,255,255\r\n"));
    // The folder made for it is the user's alone.
    struct stat info {};
    ASSERT_EQ(::stat(fs::path(user).parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A cleared list is still the user's choice: the empty file wins over the program's.
    ASSERT_TRUE(vtx::SaveUserColorCodes(user, {}));
    EXPECT_EQ(vtx::ColorCodesPathToRead(user, installed), user);
    EXPECT_TRUE(vtx::LoadColorCodes(vtx::ColorCodesPathToRead(user, installed)).Empty());

    // No place for it at all: nothing written, and the caller hears so.
    EXPECT_FALSE(vtx::SaveUserColorCodes("", list));
    const std::string blocked = dir.Write("file", QByteArray("x")).toStdString() + "/Dunmerrow/colors.dat";
    EXPECT_FALSE(vtx::SaveUserColorCodes(blocked, list));
}

} // namespace
