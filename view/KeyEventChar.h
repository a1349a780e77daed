#pragma once
// The one rule that turns a key press into the character the hex view types, or none.
//
// A character comes only from a plain or shifted key (AltGr compositions included), from
// Ctrl with a letter (its control code, Ctrl+B = 02), and from Enter, Backspace, Tab and
// Escape (0D, 08, 09, 1B). Alt, Meta, Ctrl with anything but a letter, Ctrl+Shift, Delete,
// function and navigation keys, and the keys of the standard commands (Undo, Paste, Save,
// ...) give none, whatever text the window system attached to the event: a hex editor must
// never change a byte the user did not mean to type.

// Qt
#include <QKeyEvent>

// std
#include <cstdint>
#include <optional>

namespace vtx {

// The byte typed by the key press, as a Latin-1 code; nullopt when the press types nothing.
// Characters outside Latin-1 (the euro sign, say) cannot be one byte and type nothing.
[[nodiscard]] std::optional<std::uint8_t> KeyEventChar(const QKeyEvent& event);

} // namespace vtx
