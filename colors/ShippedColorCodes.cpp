#include "colors/ShippedColorCodes.h"

#include <sstream>

namespace vtx {

// res/colors.dat and res/colors-dark.dat as they were at build time (ShippedColorCodesData.cpp.in).
extern const char* const kShippedColorCodesLight;
extern const char* const kShippedColorCodesDark;

namespace {

std::vector<ColorCodeLine> Parse(const char* text)
{
    std::istringstream in(text);
    return ReadColorCodeLines(in);
}

} // namespace

const std::vector<ColorCodeLine>& ShippedColorCodeLines(bool dark)
{
    static const std::vector<ColorCodeLine> light = Parse(kShippedColorCodesLight);
    static const std::vector<ColorCodeLine> darkLines = Parse(kShippedColorCodesDark);
    return dark ? darkLines : light;
}

bool IsShippedColorCodes(const ColorCodeList& list)
{
    static const ColorCodeList light = ToColorCodeList(ShippedColorCodeLines(false));
    static const ColorCodeList dark = ToColorCodeList(ShippedColorCodeLines(true));
    return list == light || list == dark;
}

std::vector<ColorCodeLine> ColorCodeLinesForBackground(std::vector<ColorCodeLine> fileLines, bool dark)
{
    // Compared as lists, not as bytes: a file the dialog saved unchanged (CR LF, code-text
    // order) is still the shipped one.
    if (IsShippedColorCodes(ToColorCodeList(fileLines)))
        return ShippedColorCodeLines(dark);
    return fileLines;
}

ColorCodeList LoadColorCodesForBackground(const std::string& path, bool dark)
{
    return ToColorCodeList(ColorCodeLinesForBackground(ReadColorCodeLines(path), dark));
}

} // namespace vtx
