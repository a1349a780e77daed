// Closing the main window with two modified documents: each is asked about in turn, the
// active one first, and Cancel on either stops the closing with the rest left open.
#include "AppFixture.h"

#include "document/CVantorixDoc.h"
#include "res/CommandIds.h"

#include <QElapsedTimer>

namespace vtx::test {
namespace {

class CloseLoopTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        m_pathA = MakeFile(QStringLiteral("a.bin"));
        m_pathB = MakeFile(QStringLiteral("b.bin"));
        m_original = ReadAll(m_pathA);
        Start({m_pathA});
        m_docA = dynamic_cast<CVantorixDoc*>(App().OpenDocumentFile(m_pathA));
        m_docB = dynamic_cast<CVantorixDoc*>(App().OpenDocumentFile(m_pathB));
        ASSERT_TRUE(m_docA && m_docB);
        ASSERT_TRUE(m_docA->SetByte(0xAA, 1));
        ASSERT_TRUE(m_docB->SetByte(0xBB, 2));
        ASSERT_EQ(Frame()->GetActiveDocument(), m_docB);
    }

    [[nodiscard]] QString Question(const CVantorixDoc* doc) const
    {
        return QStringLiteral("Would you like to save changes to %1?").arg(doc->GetPath());
    }

    QString m_pathA;
    QString m_pathB;
    QByteArray m_original;
    CVantorixDoc* m_docA = nullptr;
    CVantorixDoc* m_docB = nullptr;
};

TEST_F(CloseLoopTest, CancelOnTheActiveDocumentKeepsEverythingOpen)
{
    const QString questionB = Question(m_docB);
    m_boxes.Answer(MsgResult::Cancel);
    EXPECT_FALSE(Frame()->close());
    EXPECT_EQ(m_boxes.Texts(), std::vector<QString>{questionB});
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(Documents().size(), 2u);
    EXPECT_TRUE(m_docA->IsDirty());
    EXPECT_TRUE(m_docB->IsDirty());
    EXPECT_EQ(ReadAll(m_pathB), m_original);
}

TEST_F(CloseLoopTest, NoThenCancelClosesOnlyTheFirst)
{
    const QString questionA = Question(m_docA);
    const QString questionB = Question(m_docB);
    m_boxes.Answer(MsgResult::No);
    m_boxes.Answer(MsgResult::Cancel);
    EXPECT_FALSE(Frame()->close());
    EXPECT_EQ(m_boxes.Texts(), (std::vector<QString>{questionB, questionA}));
    FlushDeletes();
    ASSERT_EQ(Documents().size(), 1u);
    EXPECT_EQ(Documents()[0], m_docA);
    EXPECT_EQ(Frames().size(), 1u);
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_TRUE(m_docA->IsDirty());
    EXPECT_EQ(ReadAll(m_pathB), m_original);
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Vantorix - a.bin"));
}

TEST_F(CloseLoopTest, YesThenNoSavesOneAndEndsTheProgram)
{
    const QString questionA = Question(m_docA);
    const QString questionB = Question(m_docB);
    m_boxes.Answer(MsgResult::Yes);
    m_boxes.Answer(MsgResult::No);
    // Exit runs the same loop as closing the window.
    EXPECT_TRUE(Frame()->Commands().Execute(ID_APP_EXIT));
    EXPECT_EQ(m_boxes.Texts(), (std::vector<QString>{questionB, questionA}));
    EXPECT_FALSE(Frame()->isVisible());
    EXPECT_TRUE(Documents().empty());
    QByteArray savedB = m_original;
    savedB[2] = static_cast<char>(0xBB);
    EXPECT_EQ(ReadAll(m_pathB), savedB);
    EXPECT_EQ(ReadAll(m_pathA), m_original);
}

TEST_F(AppTest, TheProgramEndsPromptlyAfterItsLastWindowCloses)
{
    // What main() does after the event loop: ExitInstance and the application object's
    // end, windows and documents included. The goal is 200 ms; the bound is generous for
    // shared and sanitizer machines.
    Start({MakeFile(QStringLiteral("a.bin"))});
    App().OpenDocumentFile(MakeFile(QStringLiteral("b.bin")));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(Frame()->close());
    EXPECT_EQ(Finish(), 0);
    EXPECT_LT(clock.elapsed(), 1000);
}

} // namespace
} // namespace vtx::test
