// The paired edits of the goto bar and of the colour dialog, typed into as a user would.
#include "frame/CPairedEdit.h"
#include "frame/ColorCodeText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <memory>

using vtx::CPairedEdit;
using vtx::MessageBoxRecorder;

namespace {

// A linked pair as an owner sets it up: dec/ascii is mode 0, hex is mode 1.
struct Pair {
    explicit Pair(bool colorMode)
        : text(colorMode)
        , hex(colorMode)
    {
        text.Link(CPairedEdit::kModeDecimal, &hex);
        hex.Link(CPairedEdit::kModeHex, &text);
    }
    CPairedEdit text;
    CPairedEdit hex;
};

void Type(QWidget* widget, const QString& keys)
{
    QTest::keyClicks(widget, keys);
}

void Backspaces(QWidget* widget, int count)
{
    for (int i = 0; i < count; ++i)
        QTest::keyClick(widget, Qt::Key_Backspace);
}

} // namespace

TEST(PairedEditGoto, DecimalTypingMirrorsEightHexDigits)
{
    Pair pair(false);
    QTest::keyClick(&pair.text, Qt::Key_1);
    EXPECT_EQ(pair.hex.text(), "00000001");
    Type(&pair.text, "00");
    EXPECT_EQ(pair.hex.text(), "00000064");
    // Letters and signs are not decimal digits.
    Type(&pair.text, "a-+ ");
    EXPECT_EQ(pair.text.text(), "100");
}

TEST(PairedEditGoto, HexTypingMirrorsDecimalAndIgnoresOthers)
{
    Pair pair(false);
    Type(&pair.hex, "fF");
    EXPECT_EQ(pair.text.text(), "255");
    Type(&pair.hex, "G-x");
    EXPECT_EQ(pair.hex.text(), "fF");
    EXPECT_EQ(pair.text.text(), "255");

    pair.hex.clear();
    Type(&pair.hex, "5F5E100");
    EXPECT_EQ(pair.text.text(), "100000000");
    EXPECT_EQ(pair.hex.text(), "5F5E100");
}

TEST(PairedEditGoto, ValuesBeyond32BitsClampInBothBoxes)
{
    Pair pair(false);
    Type(&pair.text, "4294967296");
    EXPECT_EQ(pair.text.text(), "4294967295");
    EXPECT_EQ(pair.hex.text(), "FFFFFFFF");

    pair.text.clear();
    pair.hex.clear();
    Type(&pair.hex, "FFFFFFFF");
    EXPECT_EQ(pair.text.text(), "4294967295");
    QTest::keyClick(&pair.hex, Qt::Key_1);
    EXPECT_EQ(pair.hex.text(), "FFFFFFFF");
    EXPECT_EQ(pair.text.text(), "4294967295");
}

TEST(PairedEditGoto, BackspaceToEmptyMirrorsZero)
{
    Pair pair(false);
    Type(&pair.hex, "1A");
    Backspaces(&pair.hex, 2);
    EXPECT_EQ(pair.hex.text(), "");
    EXPECT_EQ(pair.text.text(), "0");

    Type(&pair.text, "42");
    Backspaces(&pair.text, 2);
    EXPECT_EQ(pair.hex.text(), "00000000");
}

TEST(PairedEditGoto, ProgrammaticTextDeleteCutAndUndoDoNotMirror)
{
    Pair pair(false);
    pair.hex.setText("10");
    EXPECT_EQ(pair.text.text(), "");
    Type(&pair.hex, "0");
    EXPECT_EQ(pair.text.text(), "256");
    pair.hex.selectAll();
    QTest::keyClick(&pair.hex, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(pair.hex.text(), "");
    EXPECT_EQ(pair.text.text(), "256");
    pair.hex.setText("ABC");
    pair.hex.setCursorPosition(0);
    QTest::keyClick(&pair.hex, Qt::Key_Delete);
    EXPECT_EQ(pair.hex.text(), "BC");
    EXPECT_EQ(pair.text.text(), "256");
}

TEST(PairedEditGoto, PasteMirrorsAndReadsUpToTheFirstNonDigit)
{
    Pair pair(false);
    QApplication::clipboard()->setText(QStringLiteral("1f zz"));
    pair.hex.PasteAndSync();
    EXPECT_EQ(pair.hex.text(), "1f zz");   // pasted text is not filtered
    EXPECT_EQ(pair.text.text(), "31");

    // Ctrl+V in the edit pastes through the same path.
    pair.text.clear();
    QApplication::clipboard()->setText(QStringLiteral("4096"));
    QTest::keyClick(&pair.text, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(pair.hex.text(), "00001000");
}

TEST(PairedEditGoto, ContextMenuPasteMirrors)
{
    Pair pair(false);
    pair.hex.show();
    QApplication::clipboard()->setText(QStringLiteral("20"));
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        menu->close();
        QAction* paste = nullptr;
        for (QAction* action : menu->actions())
            if (action->text().startsWith(QLineEdit::tr("&Paste")))
                paste = action;
        ASSERT_NE(paste, nullptr);
        paste->trigger();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), pair.hex.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&pair.hex, &event);
    QTRY_COMPARE(pair.text.text(), QStringLiteral("32"));
}

TEST(PairedEditGoto, EnterReachesTheOwner)
{
    Pair pair(false);
    int returns = 0;
    QObject::connect(&pair.hex, &QLineEdit::returnPressed, [&] { ++returns; });
    Type(&pair.hex, "12");
    QTest::keyClick(&pair.hex, Qt::Key_Return);
    EXPECT_EQ(returns, 1);
    EXPECT_EQ(pair.hex.text(), "12");
}

TEST(PairedEditGoto, WorksAsTheLineEditOfAnEditableComboBox)
{
    QComboBox hexBox;
    QComboBox decBox;
    hexBox.setEditable(true);
    decBox.setEditable(true);
    auto* hex = new CPairedEdit(false);
    auto* dec = new CPairedEdit(false);
    hexBox.setLineEdit(hex);
    decBox.setLineEdit(dec);
    hex->Link(CPairedEdit::kModeHex, dec);
    dec->Link(CPairedEdit::kModeDecimal, hex);
    // Keys go to the combo box, which hands them to its line edit.
    Type(&hexBox, "ffg");
    EXPECT_EQ(hexBox.currentText(), "ff");
    EXPECT_EQ(decBox.currentText(), "255");
    Type(&decBox, "0");
    EXPECT_EQ(hexBox.currentText(), "000009F6");
}

TEST(PairedEditNoPartner, EveryTypedCharacterIsRefusedWithAMessage)
{
    MessageBoxRecorder recorder;
    CPairedEdit lonely(false);
    lonely.SetMode(CPairedEdit::kModeHex);
    Type(&lonely, "1");
    QTest::keyClick(&lonely, Qt::Key_Backspace);
    EXPECT_EQ(lonely.text(), "");
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{"EDIT IS NULL", "EDIT IS NULL"}));

    // A partner that is destroyed leaves the edit unlinked rather than dangling.
    auto partner = std::make_unique<CPairedEdit>(false);
    lonely.SetPartner(partner.get());
    partner.reset();
    Type(&lonely, "2");
    EXPECT_EQ(recorder.Count(), 3);
}

TEST(PairedEditColor, AsciiTypingGivesCodeText)
{
    Pair pair(true);
    Type(&pair.text, "-");
    EXPECT_EQ(pair.hex.text(), "00");
    pair.text.clear();
    Type(&pair.text, "a-z");
    EXPECT_EQ(pair.hex.text(), "61-7A");
    // A second "-" leaves the partner as it was.
    Type(&pair.text, "-");
    EXPECT_EQ(pair.hex.text(), "61-7A");
    pair.text.clear();
    QTest::sendKeyEvent(QTest::Click, &pair.text, Qt::Key_Eacute, QString(QChar(0xE9)), Qt::NoModifier);
    EXPECT_EQ(pair.hex.text(), "E9");
}

TEST(PairedEditColor, HexTypingGivesCharactersAndFiltersLetters)
{
    Pair pair(true);
    Type(&pair.hex, "20-7E");
    EXPECT_EQ(pair.text.text(), " -~");
    pair.hex.clear();
    Type(&pair.hex, "0D-2D");
    EXPECT_EQ(pair.text.text(), ".--");
    pair.hex.clear();
    Type(&pair.hex, "4xyz1");
    EXPECT_EQ(pair.hex.text(), "41");
    EXPECT_EQ(pair.text.text(), "A");
    Backspaces(&pair.hex, 1);
    EXPECT_EQ(pair.text.text(), ".");   // 04
    // Emptied: the partner keeps what it shows.
    pair.text.setText(QStringLiteral("kept"));
    Backspaces(&pair.hex, 1);
    EXPECT_EQ(pair.text.text(), "kept");
}

TEST(PairedEditColor, CodeBoxTakesHexDigitsAndOneDashTypedOrPasted)
{
    // Box text before, clipboard, text after (the paste goes at the end).
    const struct {
        const char* before;
        const char* pasted;
        const char* after;
    } pastes[] = {
        {"", "4A,5", ""},       // a comma would be saved as a code that reads back as 4A
        {"", "4a-5f", "4a-5f"},
        {"4a-", "5f", "4a-5f"},
        {"4a-5f", "-1", "4a-5f"}, // a second "-"
        {"", " 41", ""},
    };
    for (const auto& paste : pastes) {
        Pair pair(true);
        pair.hex.setText(QString::fromLatin1(paste.before));
        pair.text.setText(QStringLiteral("unchanged"));
        pair.hex.setCursorPosition(static_cast<int>(pair.hex.text().size()));
        QApplication::clipboard()->setText(QString::fromLatin1(paste.pasted));
        QTest::keyClick(&pair.hex, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(pair.hex.text(), QString::fromLatin1(paste.after)) << paste.before << " + " << paste.pasted;
        // Refused: the partner is not rewritten either.
        if (pair.hex.text() == QString::fromLatin1(paste.before)) {
            EXPECT_EQ(pair.text.text(), "unchanged") << paste.pasted;
        }
    }
    // Typed: the second "-" is refused like a letter beyond F.
    Pair pair(true);
    Type(&pair.hex, "0-d-2g");
    EXPECT_EQ(pair.hex.text(), "0-d2");
    // A text the program put there that breaks the rule can still be edited.
    pair.hex.setText(QStringLiteral("4A,5"));
    Backspaces(&pair.hex, 2);
    EXPECT_EQ(pair.hex.text(), "4A");
}

TEST(PairedEditColor, TextDrawnInItsColourOnWhite)
{
    CPairedEdit edit(true);
    edit.SetTextColor(0x0000FF); // red
    edit.setText(QStringLiteral("MMMM"));
    edit.resize(120, edit.sizeHint().height());
    EXPECT_EQ(edit.TextColor(), 0x0000FFu);
    const QImage image = edit.grab().toImage();
    int red = 0;
    int other = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 80 && c.blue() < 80)
                ++red;
            else if (c.red() < 200 && c.green() < 200 && c.blue() < 200 && std::abs(c.red() - c.green()) > 40)
                ++other;
        }
    }
    EXPECT_GT(red, 10);
    EXPECT_EQ(other, 0);
    EXPECT_EQ(image.pixelColor(image.width() - 10, image.height() / 2), QColor(Qt::white));
}

TEST(ColorCodeText, CodeTextsAndCharacters)
{
    EXPECT_EQ(vtx::CodeTextToAscii("0D-2D"), ".--");
    EXPECT_EQ(vtx::CodeTextToAscii("61-7A"), "a-z");
    EXPECT_EQ(vtx::CodeTextToAscii("141"), "A");          // modulo 256
    EXPECT_EQ(vtx::CodeTextToAscii("E9"), QString(QChar(0xE9)));
    EXPECT_EQ(vtx::CodeTextToAscii("0D-"), ".");
    EXPECT_EQ(vtx::CodeTextToAscii("1-2-3"), "");
    EXPECT_EQ(vtx::CodeTextToAscii(""), "");
    EXPECT_EQ(vtx::AsciiToCodeText("a-z"), QString("61-7A"));
    EXPECT_EQ(vtx::AsciiToCodeText("-"), QString("00"));
    EXPECT_EQ(vtx::AsciiToCodeText("--"), std::nullopt);
    EXPECT_EQ(vtx::AsciiToCodeText(""), std::nullopt);
    // No byte has this character: the code box is emptied rather than showing 3F.
    EXPECT_EQ(vtx::AsciiToCodeText(QString::fromUtf8("\xE2\x82\xAC")), QString());
}
