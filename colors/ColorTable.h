#pragma once
// The colour of every byte value in the hex column and in the ASCII column. Colours are
// 0x00BBGGRR values (red in the lowest byte); 0 is black.

#include <array>
#include <bitset>
#include <cstdint>

namespace vtx {

using ColorRef = std::uint32_t;

struct ColorPair {
    ColorRef hex = 0;   // text colour in the hex column
    ColorRef ascii = 0; // text colour in the ASCII column
    friend bool operator==(const ColorPair&, const ColorPair&) = default;
};

class ColorCodeList;

class ColorTable
{
public:
    // Resets all 256 entries to black and applies every valid entry of the list in list
    // order, later entries winning where codes overlap.
    void Apply(const ColorCodeList& list);

    // Direct index: this is on the path of every byte the view draws.
    [[nodiscard]] ColorRef HexColor(std::uint8_t value) const { return m_entries[value].hex; }
    [[nodiscard]] ColorRef AsciiColor(std::uint8_t value) const { return m_entries[value].ascii; }
    [[nodiscard]] const ColorPair& Entry(std::uint8_t value) const { return m_entries[value]; }
    // True when a colour code names the value. A value no code names has the colours
    // (0, 0) all the same; the view draws it in its default text colour, which is black
    // on a light background but must not be on a dark one, whereas a code's black is the
    // user's choice and drawn as such.
    [[nodiscard]] bool IsCoded(std::uint8_t value) const { return m_coded[value]; }

    friend bool operator==(const ColorTable&, const ColorTable&) = default;

private:
    std::array<ColorPair, 256> m_entries{};
    std::bitset<256> m_coded;
};

} // namespace vtx
