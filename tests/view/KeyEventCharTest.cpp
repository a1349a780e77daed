// Which key presses type a byte: events built as the X11 keyboard delivers them (key, the
// modifiers Qt reports and the text the keyboard library attaches), sent to the real view
// with the caret in the ASCII column.
#include "ViewHarness.h"

#include "view/KeyEventChar.h"

#include <gtest/gtest.h>

#include <optional>

namespace vtx::test {
namespace {

TEST(KeyEventChar, OnlyPlainShiftAltGrAndCtrlLetterKeysType)
{
    struct Case {
        const char* what;
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        std::optional<std::uint8_t> typed;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers altGr = Qt::GroupSwitchModifier;
    const Case cases[] = {
        {"q", Qt::Key_Q, none, QStringLiteral("q"), 'q'},
        {"Shift+q", Qt::Key_Q, Qt::ShiftModifier, QStringLiteral("Q"), 'Q'},
        {"Alt+q", Qt::Key_Q, Qt::AltModifier, QStringLiteral("q"), std::nullopt},
        {"Alt+Shift+q", Qt::Key_Q, Qt::AltModifier | Qt::ShiftModifier, QStringLiteral("Q"), std::nullopt},
        {"Meta+q", Qt::Key_Q, Qt::MetaModifier, QStringLiteral("q"), std::nullopt},
        {"Ctrl+e", Qt::Key_E, Qt::ControlModifier, QStringLiteral("\x05"), 0x05},
        {"Ctrl+A (Select All)", Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"), std::nullopt},
        {"Ctrl+b sent with its letter", Qt::Key_B, Qt::ControlModifier, QStringLiteral("b"), 0x02},
        {"Ctrl+Shift+a", Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("\x01"), std::nullopt},
        {"Ctrl+Alt+q", Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, QStringLiteral("\x11"), std::nullopt},
        {"Ctrl+1", Qt::Key_1, Qt::ControlModifier, QStringLiteral("1"), std::nullopt},
        {"Ctrl+[", Qt::Key_BracketLeft, Qt::ControlModifier, QStringLiteral("\x1b"), std::nullopt},
        {"Ctrl+Return", Qt::Key_Return, Qt::ControlModifier, QStringLiteral("\r"), std::nullopt},
        {"Ctrl+V (Paste)", Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"), std::nullopt},
        {"Ctrl+Shift+Z (Redo)", Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("\x1a"), std::nullopt},
        {"Delete", Qt::Key_Delete, none, QStringLiteral("\x7f"), std::nullopt},
        {"F5", Qt::Key_F5, none, QString(), std::nullopt},
        {"Return", Qt::Key_Return, none, QStringLiteral("\r"), 0x0D},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"), 0x0D},
        {"Backspace", Qt::Key_Backspace, none, QStringLiteral("\b"), 0x08},
        {"Tab", Qt::Key_Tab, none, QStringLiteral("\t"), 0x09},
        {"Escape", Qt::Key_Escape, none, QStringLiteral("\x1b"), 0x1B},
        {"keypad 5", Qt::Key_5, Qt::KeypadModifier, QStringLiteral("5"), '5'},
        // A German layout.
        {"AltGr+q", Qt::Key_At, altGr, QStringLiteral("@"), '@'},
        {"AltGr+7", Qt::Key_BraceLeft, altGr, QStringLiteral("{"), '{'},
        {"AltGr+e (euro, not Latin-1)", 0x20AC, altGr, QString(QChar(0x20AC)), std::nullopt},
        {"ä", Qt::Key_Adiaeresis, none, QString(QChar(0xE4)), 0xE4},
        {"Shift+2", Qt::Key_QuoteDbl, Qt::ShiftModifier, QStringLiteral("\""), '"'},
    };

    const int count = static_cast<int>(std::size(cases));
    ViewHarness harness(QByteArray(count, '\0'), 5);
    for (int i = 0; i < count; ++i) {
        const Case& c = cases[i];
        QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, c.text);
        EXPECT_EQ(KeyEventChar(event), c.typed) << c.what;

        harness.Click(harness.CellPoint(i % 16, i / 16, false));
        const std::size_t changes = harness.Doc().UndoHistory().size();
        QApplication::sendEvent(&harness.View(), &event);
        EXPECT_EQ(harness.Doc().UndoHistory().size(), changes + (c.typed ? 1 : 0)) << c.what;
        EXPECT_EQ(harness.ByteAt(static_cast<std::uint32_t>(i)), c.typed.value_or(0)) << c.what;
    }
}

} // namespace
} // namespace vtx::test
