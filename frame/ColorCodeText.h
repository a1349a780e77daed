#pragma once
// The two notations of a colour code that the colour dialog shows side by side: the code
// text in hexadecimal ("0D-2D", "61-7A") and the characters it stands for (".--", "a-z"),
// one byte or an inclusive range joined by "-". Characters are those of the 8-bit
// (Latin-1) code page.

#include <QString>

#include <optional>
#include <string>

namespace vtx {

// The characters a code text names: each part read as strtol reads base 16, taken modulo
// 256; codes below 20 are shown as ".". Empty for an empty text or a second "-".
[[nodiscard]] QString CodeTextToAscii(const QString& code);

// The code text for typed characters: the first character of each part as two upper-case
// hex digits ("-" alone gives 00). Nothing for an empty text or a second "-"; an empty
// text when a character has no 8-bit code, since no byte could be coloured for it.
[[nodiscard]] std::optional<QString> AsciiToCodeText(const QString& characters);

// What the code box may hold: hex digits with at most one "-" among them, empty included
// (a text being typed). Anything else (a comma, a blank, a second "-") is not a code.
[[nodiscard]] bool IsCodeText(const QString& text);

// Code texts are 8-bit text in colors.dat.
[[nodiscard]] inline std::string ToCodeBytes(const QString& code) { return code.toLatin1().toStdString(); }
[[nodiscard]] inline QString FromCodeBytes(const std::string& code)
{
    return QString::fromLatin1(code.data(), static_cast<qsizetype>(code.size()));
}

} // namespace vtx
