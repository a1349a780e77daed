// Vantorix.dll and its registration: the editor's desktop entry.
#include "SetupFixture.h"

#include <QDir>
#include <QFile>

#include <cstdint>

#include <dlfcn.h>

namespace vtx::test {
namespace {

using LibraryTest = SetupTest;

QString EntryFile(const QString& applications)
{
    return applications + QStringLiteral("/dunmerrow-vantorix.desktop");
}

TEST_F(LibraryTest, InstallRegistersTheEditorWithTheDesktopAndUninstallRemovesIt)
{
    UseRealLibrary();
    const QString D = Root(QStringLiteral("my apps/it's \"V\" $PATH 5%"));
    const QString entry = EntryFile(Applications());
    const QString icon = Root(QStringLiteral("data/icons/hicolor/scalable/apps/dunmerrow-vantorix.svg"));

    ASSERT_EQ(InstallThroughDialog(D), QDialog::Accepted);
    ASSERT_TRUE(WaitUntil([&] { return Exists(entry); }));
    const QByteArray text = FileContent(entry).value_or("");
    // The "%" in the path makes env start the editor (GLib would drop the entry otherwise).
    EXPECT_EQ(ParseDesktopExec(DesktopValue(text, QStringLiteral("Exec"))),
              (QStringList{QStringLiteral("/usr/bin/env"), D + QStringLiteral("/Vantorix.exe")}));
    EXPECT_TRUE(DesktopValue(text, QStringLiteral("Exec")).endsWith(QStringLiteral(" %f")));
    EXPECT_EQ(DesktopValue(text, QStringLiteral("MimeType")), QStringLiteral("application/octet-stream;"));
    EXPECT_EQ(FileContent(icon), FileContent(D + QStringLiteral("/vantorix.svg"))); // the real icon

    RunSetupProgram();
    EXPECT_EQ(m_boxes.Last(), QStringLiteral("Uninstall Complete"));
    EXPECT_TRUE(WaitUntil([&] { return !Exists(entry); }));
    EXPECT_FALSE(Exists(Root(QStringLiteral("data/icons"))));
    EXPECT_FALSE(Exists(D));
}

// The entry points called in this process, from two copies of the library.
class LibraryCopy
{
public:
    LibraryCopy(const QString& folder)
    {
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/Vantorix.dll");
        QFile::copy(BuildBinDirectory() + QStringLiteral("/Vantorix.dll"), path);
        m_handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    }
    ~LibraryCopy()
    {
        if (m_handle)
            ::dlclose(m_handle);
    }
    std::int32_t Call(const char* name) const
    {
        using Entry = std::int32_t (*)();
        const auto entry = m_handle ? reinterpret_cast<Entry>(::dlsym(m_handle, name)) : nullptr;
        return entry ? entry() : -1;
    }
    [[nodiscard]] bool Loaded() const { return m_handle != nullptr; }

private:
    void* m_handle = nullptr;
};

TEST_F(LibraryTest, UnregisteringLeavesAnEntryThatAnotherInstallWrote)
{
    const LibraryCopy first(Root(QStringLiteral("first")));
    const LibraryCopy second(Root(QStringLiteral("second")));
    ASSERT_TRUE(first.Loaded() && second.Loaded()) << ::dlerror();
    const QString entry = EntryFile(Applications());

    EXPECT_EQ(second.Call("DllUnregisterServer"), 0); // nothing registered: nothing to do
    EXPECT_EQ(first.Call("DllRegisterServer"), 0);
    EXPECT_EQ(ParseDesktopExec(DesktopValue(FileContent(entry).value_or(""), QStringLiteral("Exec"))),
              QStringList{Root(QStringLiteral("first/Vantorix.exe"))});

    EXPECT_EQ(second.Call("DllUnregisterServer"), 0);
    EXPECT_TRUE(Exists(entry));
    EXPECT_EQ(first.Call("DllUnregisterServer"), 0);
    EXPECT_FALSE(Exists(entry));
}

} // namespace
} // namespace vtx::test
