#pragma once
// The File menu's Save Selection As, once the user has named the new file: the save with
// progress (Esc stops it and removes the new file) and a message when it fails.

// this program
#include "platform/FilePos.h"

// Qt
#include <QString>

class QWidget;

namespace vtx {

class CVantorixDoc;

// A name to offer for the selection of the document at path: beside it, "<name>-selection"
// with the same suffix.
[[nodiscard]] QString ProposedSelectionName(const QString& documentPath);

// True when the bytes are in the new file.
bool RunSaveSelectionCommand(QWidget* parent, CVantorixDoc& doc, ByteRange range, const QString& path);

} // namespace vtx
