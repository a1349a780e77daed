#pragma once
// What each byte value shows in the ASCII column with a given display font. A byte shows as
// itself only where the font draws it visibly; control codes, the soft hyphen, the no-break
// space and whatever the font has no glyph for show as ".", as the bytes below 0x20 do, so
// that no byte is drawn as a blank or as a box that looks like every other missing glyph.
// Only the space keeps its blank: it is the character that byte stands for.

// Qt
#include <QFont>
#include <QString>

// std
#include <array>
#include <cstdint>

namespace vtx {

// True when the font draws the Latin-1 character c with some ink (the space excepted).
[[nodiscard]] bool HasVisibleGlyph(const QFont& font, std::uint8_t c);

// The one-character text of every byte value, indexed by the value.
[[nodiscard]] std::array<QString, 256> DisplayCharacters(const QFont& font);

} // namespace vtx
