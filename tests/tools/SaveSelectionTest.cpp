// Save Selection As: the shown bytes of a range into a new file, never over an existing
// one, nothing left behind when it fails, the document untouched.

#include "ToolTestSupport.h"

#include "platform/FileFaults.h"
#include "tools/progress/ProgressRun.h"
#include "tools/saveselection/SaveSelection.h"
#include "tools/saveselection/SaveSelectionCommand.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <cerrno>

namespace vtx::test {
namespace {

class SaveSelection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_bytes = Filler(3 * (1 << 20) + 999, 5);
        m_path = m_dir.Write(QStringLiteral("data.bin"), m_bytes);
        m_doc = OpenDocument(m_path);
        ASSERT_TRUE(m_doc);
        // A pending change inside the range and one outside it.
        const std::uint8_t inside[] = {1, 2, 3};
        ASSERT_EQ(m_doc->SetBytes(inside, 3, 0x100005), 3);
        ASSERT_EQ(m_doc->SetByte(0xEE, 2), true);
        m_shown = m_bytes;
        m_shown.replace(0x100005, 3, reinterpret_cast<const char*>(inside), 3);
        m_shown[2] = static_cast<char>(0xEE);
        m_nUndo = m_doc->UndoHistory().size();
    }

    void ExpectDocumentUntouched()
    {
        EXPECT_EQ(ReadAll(m_path), m_bytes);
        EXPECT_EQ(m_doc->UndoHistory().size(), m_nUndo);
        EXPECT_EQ(m_doc->GetPath(), m_path);
        EXPECT_TRUE(m_doc->IsDirty());
    }

    TempDir m_dir;
    QByteArray m_bytes;
    QByteArray m_shown;
    QString m_path;
    std::unique_ptr<CVantorixDoc> m_doc;
    std::size_t m_nUndo = 0;
};

TEST_F(SaveSelection, WritesTheShownBytesOfTheRangeOnly)
{
    const ByteRange range{0x10, 0x200000};
    const QString target = m_dir.Path(QStringLiteral("part.bin"));
    EXPECT_TRUE(SaveRangeAs(*m_doc, range, target.toStdString()).Saved());
    EXPECT_EQ(ReadAll(target), m_shown.mid(0x10, 0x200000));
    ExpectDocumentUntouched();
}

TEST_F(SaveSelection, RefusesAnExistingNameAndLeavesItAlone)
{
    const QString target = m_dir.Write(QStringLiteral("taken.bin"), QByteArray("precious"));
    MessageBoxRecorder boxes;
    QWidget window;
    EXPECT_FALSE(RunSaveSelectionCommand(&window, *m_doc, {0, 10}, target));
    EXPECT_EQ(boxes.Last(), QStringLiteral("Failed To Copy To New File.\nA file named taken.bin already exists. Choose another name."));
    EXPECT_EQ(ReadAll(target), QByteArray("precious"));
    ExpectDocumentUntouched();
}

// Every way a save can fail half-way: the new file is gone afterwards and the user is told
// what failed.
TEST_F(SaveSelection, FailuresRemoveTheNewFile)
{
    const QString target = m_dir.Path(QStringLiteral("part.bin"));
    const ByteRange range{0, static_cast<FilePos>(m_bytes.size())};
    MessageBoxRecorder boxes;
    QWidget window;
    {
        ScopedFileFaults faults;
        FileFaults::FailReads(m_path.toStdString(), 0x180000, 0x180010, EIO);
        EXPECT_FALSE(RunSaveSelectionCommand(&window, *m_doc, range, target));
    }
    EXPECT_EQ(boxes.Last(), QStringLiteral("Could not read data.bin at 00180000: Input/output error.\nNothing was saved."));
    EXPECT_FALSE(QFile::exists(target));
    {
        ScopedFileFaults faults;
        FileFaults::FailWritesAfter(1500000, ENOSPC);
        EXPECT_FALSE(RunSaveSelectionCommand(&window, *m_doc, range, target));
    }
    EXPECT_EQ(boxes.Last(), QStringLiteral("part.bin could not be written: No space left on device.\n"
                                           "Nothing was saved; the document is unchanged."));
    EXPECT_FALSE(QFile::exists(target));

    // Esc: no message, no file.
    boxes.Clear();
    ProgressRun::SetDelayMs(0);
    QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_FALSE(RunSaveSelectionCommand(&window, *m_doc, range, target));
    ProgressRun::SetDelayMs(1000);
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_FALSE(QFile::exists(target));
    ExpectDocumentUntouched();
}

TEST(SaveSelectionName, OffersANameBesideTheDocument)
{
    EXPECT_EQ(ProposedSelectionName(QStringLiteral("/data/disk.img")), QStringLiteral("/data/disk-selection.img"));
    EXPECT_EQ(ProposedSelectionName(QStringLiteral("/data/core")), QStringLiteral("/data/core-selection"));
}

} // namespace
} // namespace vtx::test
