// The Data Inspector, the value box and the caret pane in the running editor, on bytes the
// file cannot give and where the inspector must not take a typed value: a view-only
// document and values that would run past the end. Real clicks and keys.
#include "FrameFixture.h"

#include "frame/CCaretNumbersDock.h"
#include "platform/FileFaults.h"
#include "res/CommandIds.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <cerrno>
#include <sys/stat.h>

namespace vtx::test {
namespace {

const QStringList& ValueRows()
{
    static const QStringList names = {
        QStringLiteral("Signed 8-bit"),    QStringLiteral("Unsigned 8-bit"),  QStringLiteral("Signed 16-bit"),
        QStringLiteral("Unsigned 16-bit"), QStringLiteral("Signed 32-bit"),   QStringLiteral("Unsigned 32-bit"),
        QStringLiteral("Signed 64-bit"),   QStringLiteral("Unsigned 64-bit"), QStringLiteral("Float 32-bit"),
        QStringLiteral("Float 64-bit")};
    return names;
}

QByteArray CountingBytes(int size)
{
    QByteArray bytes(size, 0);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i);
    return bytes;
}

class InspectorTest : public FrameTest
{
protected:
    CCaretNumbersDock* ShowInspector()
    {
        CCaretNumbersDock* inspector = Frame()->DataInspector();
        if (inspector->isHidden())
            Frame()->Commands().Execute(ID_VIEW_DATA_INSPECTOR);
        EXPECT_FALSE(inspector->isHidden());
        return inspector;
    }

    // Clicks a byte and lets the inspector follow the caret (it does on the next turn of
    // the event loop).
    void CaretTo(std::uint32_t position)
    {
        ClickByte(position);
        QTest::qWait(20);
    }

    // The label that shows a row's value, found beside the row's name as the user sees it.
    static QLabel* ValueLabel(CCaretNumbersDock* inspector, const QString& name)
    {
        for (QLabel* label : inspector->findChildren<QLabel*>()) {
            if (label->text() != name)
                continue;
            auto* grid = qobject_cast<QGridLayout*>(label->parentWidget()->layout());
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(grid->indexOf(label), &row, &column, &rows, &columns);
            return qobject_cast<QLabel*>(grid->itemAtPosition(row, 1)->widget());
        }
        return nullptr;
    }

    // A double click on the row, then F2 on it: true when either opened an editor (which
    // is then closed with Esc).
    static bool EitherOpensAnEditor(CCaretNumbersDock* inspector, const QString& name)
    {
        QLabel* value = ValueLabel(inspector, name);
        if (!value)
            return false;
        QTest::mouseDClick(value, Qt::LeftButton);
        bool opened = inspector->Editor() != nullptr;
        if (inspector->Editor())
            QTest::keyClick(inspector->Editor(), Qt::Key_Escape);
        value->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(value, Qt::Key_F2);
        opened = opened || inspector->Editor() != nullptr;
        if (inspector->Editor())
            QTest::keyClick(inspector->Editor(), Qt::Key_Escape);
        return opened;
    }
};

// An unreadable byte has no number anywhere: the value box is blank, the caret pane and
// the inspector say why, and no value that reaches it can be typed.
TEST_F(InspectorTest, AnUnreadableByteShowsNoNumberAndTakesNoValue)
{
    StartWith(CountingBytes(64));
    ScopedFileFaults faults;
    FileFaults::FailReads(QFile::encodeName(FilePath()).toStdString(), 16, 20, EIO);
    CCaretNumbersDock* inspector = ShowInspector();

    CaretTo(17);
    EXPECT_EQ(TextOf(Frame()->ValueBox()), QString());
    EXPECT_TRUE(Frame()->CaretPane()->text().startsWith(QStringLiteral("Offset: 00000011 (17)   Unreadable: ")))
        << Frame()->CaretPane()->text().toStdString();
    for (const QString& name : ValueRows())
        EXPECT_EQ(inspector->ValueText(name), QStringLiteral("??")) << name.toStdString();
    EXPECT_EQ(inspector->ValueText(CCaretNumbersDock::BinaryRowName()), QStringLiteral("??"));
    EXPECT_TRUE(inspector->NoteText().startsWith(QStringLiteral("Could not read data.bin at 00000011: ")))
        << inspector->NoteText().toStdString();
    EXPECT_FALSE(EitherOpensAnEditor(inspector, QStringLiteral("Unsigned 8-bit")));

    // Two bytes before the bad ones: the short values are numbers and can be typed, the
    // long ones reach the bad bytes.
    CaretTo(14);
    EXPECT_EQ(TextOf(Frame()->ValueBox()), QStringLiteral("14"));
    EXPECT_FALSE(Frame()->CaretPane()->text().contains(QStringLiteral("Unreadable")));
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Unsigned 16-bit")), QStringLiteral("3854"));
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Signed 32-bit")), QStringLiteral("??"));
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Float 64-bit")), QStringLiteral("??"));
    EXPECT_TRUE(inspector->NoteText().startsWith(QStringLiteral("Could not read data.bin at 00000010: ")));
    EXPECT_FALSE(EitherOpensAnEditor(inspector, QStringLiteral("Signed 32-bit")));
    EXPECT_FALSE(Doc()->HasPendingChanges());

    QTest::mouseDClick(ValueLabel(inspector, QStringLiteral("Unsigned 16-bit")), Qt::LeftButton);
    ASSERT_NE(inspector->Editor(), nullptr);
    inspector->Editor()->setText(QStringLiteral("513"));
    QTest::keyClick(inspector->Editor(), Qt::Key_Return);
    EXPECT_EQ(Doc()->GetByte(14), 1);
    EXPECT_EQ(Doc()->GetByte(15), 2);
    EXPECT_EQ(m_boxes.Count(), 0);
}

// A view-only document takes no value, by double click or by F2, and says why.
TEST_F(InspectorTest, AViewOnlyDocumentTakesNoTypedValue)
{
    m_path = m_dir.Write(QStringLiteral("data.bin"), CountingBytes(64));
    ASSERT_EQ(::chmod(QFile::encodeName(m_path).constData(), 0444), 0);
    m_boxes.Answer(MsgResult::Yes); // "open it read-only?"
    Start({m_path});
    ASSERT_TRUE(m_bStarted);
    ASSERT_NE(View(), nullptr);
    Activate();
    ASSERT_TRUE(Doc()->IsReadOnly());
    CCaretNumbersDock* inspector = ShowInspector();

    CaretTo(4);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Unsigned 8-bit")), QStringLiteral("4"));
    for (const QString& name : ValueRows())
        EXPECT_FALSE(EitherOpensAnEditor(inspector, name)) << name.toStdString();
    EXPECT_EQ(inspector->NoteText(), QString::fromLatin1(CVantorixDoc::kReadOnlyText));
    EXPECT_FALSE(Doc()->HasPendingChanges());
}

// Near the end a value that would run past it cannot be typed, and says so; a shorter one
// can.
TEST_F(InspectorTest, ValuesThatRunPastTheEndTakeNothing)
{
    StartWith(CountingBytes(10));
    CCaretNumbersDock* inspector = ShowInspector();

    CaretTo(8);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Signed 32-bit")), QStringLiteral("-"));
    EXPECT_FALSE(EitherOpensAnEditor(inspector, QStringLiteral("Signed 32-bit")));
    EXPECT_EQ(inspector->NoteText(),
              QStringLiteral("Signed 32-bit at the caret would run past the end of the file."));
    EXPECT_TRUE(EitherOpensAnEditor(inspector, QStringLiteral("Unsigned 16-bit")));

    // On the last byte (Ctrl+End) only the one-byte rows take a value.
    View()->setFocus();
    Key(Qt::Key_End, Qt::ControlModifier);
    QTest::qWait(20);
    ASSERT_EQ(View()->CaretPosition(), 9u);
    for (const QString& name : ValueRows()) {
        const bool oneByte = name.endsWith(QStringLiteral(" 8-bit"));
        EXPECT_EQ(inspector->ValueText(name) == QStringLiteral("-"), !oneByte) << name.toStdString();
        EXPECT_EQ(EitherOpensAnEditor(inspector, name), oneByte) << name.toStdString();
    }
    EXPECT_FALSE(Doc()->HasPendingChanges());
    EXPECT_EQ(m_boxes.Count(), 0);
}

} // namespace
} // namespace vtx::test
