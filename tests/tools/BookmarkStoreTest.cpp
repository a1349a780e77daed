// Bookmarks: walking with wrap-around, the limit per file, and keeping them in the settings
// per file across a restart (a new settings object on the same file).

#include "ToolTestSupport.h"

#include "tools/bookmarks/BookmarkStore.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

namespace vtx::test {
namespace {

TEST(BookmarkList, WalksBothWaysWrappingAndHoldsAtMostTheLimit)
{
    BookmarkList list;
    EXPECT_FALSE(list.Next(0).has_value());
    EXPECT_FALSE(list.Previous(0).has_value());
    for (const FilePos offset : {FilePos{0x100}, FilePos{0x10}, FilePos{1} << 33})
        EXPECT_EQ(list.Toggle(offset), BookmarkList::Toggled::Added);
    EXPECT_EQ(list.Next(0x10), 0x100u);         // strictly after the caret
    EXPECT_EQ(list.Next(0x0F), 0x10u);
    EXPECT_EQ(list.Next(FilePos{1} << 33), 0x10u); // wraps to the first
    EXPECT_EQ(list.Previous(0x100), 0x10u);
    EXPECT_EQ(list.Previous(0x10), FilePos{1} << 33); // wraps to the last
    EXPECT_TRUE(list.AnyIn(0x100, 0x110));
    EXPECT_FALSE(list.AnyIn(0x101, 0x110));
    EXPECT_EQ(list.Toggle(0x100), BookmarkList::Toggled::Removed);
    list.CutTo(0x11);
    EXPECT_EQ(list.Size(), 1u);

    for (FilePos offset = 1; list.Size() < BookmarkList::kMaxBookmarks; ++offset)
        list.Add(offset * 2);
    EXPECT_EQ(list.Toggle(1), BookmarkList::Toggled::Full);
    EXPECT_EQ(list.Toggle(2), BookmarkList::Toggled::Removed); // clearing still works when full
}

class BookmarkStoreTest : public ::testing::Test
{
protected:
    [[nodiscard]] std::unique_ptr<QSettings> Settings() const
    {
        return std::make_unique<QSettings>(m_dir.Path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    }
    TempDir m_dir;
};

TEST_F(BookmarkStoreTest, KeptPerFileByCanonicalPathAcrossARestart)
{
    const QString file = m_dir.Write(QStringLiteral("a.bin"), QByteArray(100, 'a'));
    const QString other = m_dir.Write(QStringLiteral("b.bin"), QByteArray(100, 'b'));
    ASSERT_TRUE(QFile::link(file, m_dir.Path(QStringLiteral("link.bin"))));
    {
        auto settings = Settings();
        BookmarkList list;
        list.Add(5, QStringLiteral("name with\ttab, comma and = sign"));
        list.Add(90);
        BookmarkStore(*settings).Save(m_dir.Path(QStringLiteral("link.bin")), list);
        BookmarkList elsewhere;
        elsewhere.Add(7);
        BookmarkStore(*settings).Save(other, elsewhere);
    }
    auto settings = Settings();
    const BookmarkList back = BookmarkStore(*settings).Load(file, 100);
    ASSERT_EQ(back.Size(), 2u);
    EXPECT_EQ(back.Marks().at(5), QStringLiteral("name with\ttab, comma and = sign"));
    EXPECT_EQ(BookmarkStore(*settings).Load(other, 100).Marks().begin()->first, 7u);
    // A file that became shorter loses the bookmarks past its end, silently.
    EXPECT_EQ(BookmarkStore(*settings).Load(file, 50).Size(), 1u);
    // An empty list removes the file's entry.
    BookmarkStore(*settings).Save(file, {});
    EXPECT_TRUE(BookmarkStore(*settings).Load(file, 100).Empty());
}

TEST_F(BookmarkStoreTest, DropsMissingFilesAndTheLeastRecentlyUsedPastTheLimit)
{
    auto settings = Settings();
    BookmarkStore store(*settings);
    BookmarkList list;
    list.Add(1);
    const QString gone = m_dir.Write(QStringLiteral("gone.bin"), QByteArray(10, 'g'));
    store.Save(gone, list);
    QFile::remove(gone);
    std::vector<QString> files;
    for (std::size_t i = 0; i <= BookmarkStore::kMaxFiles; ++i) {
        files.push_back(m_dir.Write(QStringLiteral("f%1.bin").arg(i), QByteArray(10, 'f')));
        store.Save(files.back(), list);
    }
    // The missing file went first; of the 101 files the oldest went too.
    const int count = settings->beginReadArray(QStringLiteral("Bookmarks"));
    settings->endArray();
    EXPECT_EQ(count, static_cast<int>(BookmarkStore::kMaxFiles));
    EXPECT_TRUE(store.Load(files.front(), 10).Empty());
    EXPECT_FALSE(store.Load(files[1], 10).Empty());
    EXPECT_FALSE(store.Load(files.back(), 10).Empty());
    // The gone file's entry is not kept; a new file by the same name starts without any.
    m_dir.Write(QStringLiteral("gone.bin"), QByteArray(10, 'g'));
    EXPECT_TRUE(store.Load(gone, 10).Empty());
}

} // namespace
} // namespace vtx::test
