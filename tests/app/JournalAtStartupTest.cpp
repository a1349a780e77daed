// The journal of a file named on the command line is that window's live journal: the look
// for journals left behind at start-up must neither offer it nor remove it, so that a crash
// after the start still loses nothing typed.
#include "AppFixture.h"

#include "document/CVantorixDoc.h"
#include "document/EditJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vtx::test {
namespace {

TEST_F(AppTest, AFileNamedOnTheCommandLineKeepsItsJournalThroughTheStartUpLook)
{
    CVantorixDoc::SetJournalEnabled(true);
    const QString path = QDir(MakeFile(QStringLiteral("typed.bin"))).canonicalPath();
    Start({path});
    ASSERT_TRUE(m_bStarted);
    ASSERT_EQ(Documents().size(), 1u);
    auto* doc = dynamic_cast<CVantorixDoc*>(Documents().front());
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(doc->SetByte('Q', 3));

    // The start asked nothing about its own window's journal, and the record is on disk.
    EXPECT_TRUE(m_boxes.Texts().empty());
    const std::string journalPath = EditJournal::JournalPathFor(QFile::encodeName(path).toStdString());
    const JournalContents contents = EditJournal::Read(journalPath);
    ASSERT_EQ(contents.status, JournalContents::Status::Complete);
    EXPECT_EQ(contents.records.size(), 1u);
}

} // namespace
} // namespace vtx::test
