#pragma once
// colors.dat: the colour codes as plain 8-bit text beside the program, one code per line,
// "code,hex,ascii" with both colours as signed decimal 0x00BBGGRR values, CR LF line ends,
// lines in code-text order. Failures are silent by design: a missing or unreadable file is
// an empty list, so the editor starts with every byte drawn black.

#include "colors/ColorCodeList.h"

#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace vtx {

// One line of the file as read, before duplicate code texts are merged.
struct ColorCodeLine {
    std::string code;
    ColorPair colors;
    friend bool operator==(const ColorCodeLine&, const ColorCodeLine&) = default;
};

// The code text is everything before the first ","; the hex colour lies between it and
// the next ",", the ASCII colour after that, each read as atoi reads. A line with fewer
// than two commas keeps its code text and reads its missing colours as 0, exactly as an
// empty line does, so nothing the user wrote is thrown away and the next line is read.
[[nodiscard]] ColorCodeLine ParseColorCodeLine(std::string_view line);

// The file's lines in file order. LF ends a line and a CR before it is dropped; a final
// line end adds no empty line. Unreadable or missing: no lines.
[[nodiscard]] std::vector<ColorCodeLine> ReadColorCodeLines(std::istream& in);
[[nodiscard]] std::vector<ColorCodeLine> ReadColorCodeLines(const std::string& path);

// The list the file describes; where a code text occurs on several lines the last wins.
[[nodiscard]] ColorCodeList ToColorCodeList(const std::vector<ColorCodeLine>& lines);
[[nodiscard]] ColorCodeList LoadColorCodes(const std::string& path);

// The file's text for the list: list order, CR LF, entries with an empty code text left out.
[[nodiscard]] std::string FormatColorCodes(const ColorCodeList& list);

// Replaces the file with the list. The new text goes to a temporary file beside it that
// is flushed to disk and renamed over the old one only once it is complete, so a full disk
// or a crash never leaves the user's codes half written; it keeps the old file's
// permissions, and its owner and group where this user may set them. When the folder is
// not writable but the file is, the file is rewritten in place instead (and put back as
// it was should that fail). Returns false when the file could not be written; the old
// file then still holds the old codes.
bool SaveColorCodes(const std::string& path, const ColorCodeList& list);

// colors.dat in the directory of the running executable, whatever the current directory:
// the codes every user starts with. An installed copy's folder belongs to root, so the
// program never writes there on a user's behalf.
[[nodiscard]] std::string ColorCodesPath();

// The user's own colors.dat: $XDG_CONFIG_HOME/Dunmerrow/colors.dat, with ~/.config in place
// of XDG_CONFIG_HOME when that is unset, empty or not an absolute path (as the desktop's
// base directory rules say). Empty when neither it nor HOME names a folder.
[[nodiscard]] std::string UserColorCodesPath();

// Where the colours are read from: the user's file when it exists (even empty: the user
// cleared the list), otherwise the one beside the program.
[[nodiscard]] std::string ColorCodesPathToRead(const std::string& userPath, const std::string& installedPath);

// SaveColorCodes into the user's file, making its folder (private to the user) first.
bool SaveUserColorCodes(const std::string& userPath, const ColorCodeList& list);

} // namespace vtx
