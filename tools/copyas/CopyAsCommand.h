#pragma once
// Edit > Copy As: the selection's bytes, as the window shows them, put on the clipboard in
// one of the Copy As formats. The same rules as Copy: at most kMaxCopyBytes, progress with
// Esc for a long read, and a read error told with its place instead of a partial text.

// this program
#include "platform/FilePos.h"
#include "tools/copyas/CopyAsText.h"

// std
#include <cstdint>

class QWidget;

namespace vtx {

class CVantorixDoc;

inline constexpr FilePos kMaxCopyBytes = FilePos{256} << 20;

// True when the clipboard holds the text.
bool RunCopyAsCommand(QWidget* parent, CVantorixDoc& doc, ByteRange range, CopyAsFormat format);

} // namespace vtx
