#include "KeyEventChar.h"

// Qt
#include <QKeySequence>

namespace vtx {

namespace {

// Keys bound to commands of the editor or of the desktop. Where such a command is disabled,
// its key press reaches the view; it must still not become a byte. Select All is among them:
// Ctrl+A selects the whole file instead of typing 01.
bool IsCommandKey(const QKeyEvent& event)
{
    static constexpr QKeySequence::StandardKey kCommands[] = {
        QKeySequence::Undo,  QKeySequence::Redo,  QKeySequence::Cut,       QKeySequence::Copy,
        QKeySequence::Paste, QKeySequence::Save,  QKeySequence::SaveAs,    QKeySequence::Open,
        QKeySequence::New,   QKeySequence::Close, QKeySequence::Print,     QKeySequence::Quit,
        QKeySequence::Find,  QKeySequence::FindNext, QKeySequence::FindPrevious, QKeySequence::HelpContents,
        QKeySequence::SelectAll,
    };
    for (const QKeySequence::StandardKey key : kCommands) {
        if (event.matches(key))
            return true;
    }
    return false;
}

} // namespace

std::optional<std::uint8_t> KeyEventChar(const QKeyEvent& event)
{
    if (event.type() != QEvent::KeyPress || IsCommandKey(event))
        return std::nullopt;

    // Shift and the keypad change which character a key makes, not whether it makes one;
    // AltGr arrives as the group switch (X11) or not at all (Wayland) and is the same.
    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods & (Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    const int key = event.key();

    if (mods & Qt::ControlModifier) {
        // The control code is taken from the key, not from the text: the window system
        // sends "\x01" or "a" for Ctrl+A depending on the keyboard library.
        if ((mods & Qt::ShiftModifier) || key < Qt::Key_A || key > Qt::Key_Z)
            return std::nullopt;
        return static_cast<std::uint8_t>(key - Qt::Key_A + 1);
    }

    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: // Shift+Tab
        return 0x09;
    case Qt::Key_Escape:
        return 0x1B;
    default:
        break;
    }

    // Any other key types the one printable character it carries. Delete carries 7F, some
    // keys carry other control codes; those type nothing.
    const QString text = event.text();
    if (text.size() != 1)
        return std::nullopt;
    const char16_t c = text.front().unicode();
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c > 0xFF)
        return std::nullopt;
    return static_cast<std::uint8_t>(c);
}

} // namespace vtx
