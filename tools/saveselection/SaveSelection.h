#pragma once
// Writes a range of the bytes a window shows (pending changes included) into a new file.
// The file is created exclusively, as Save As creates its copy: an existing name is never
// overwritten. It is synced before the save counts as done; whatever fails, the partly
// written file is removed again. The document itself is not touched. No widgets.
//
// Stretches without a pending change are copied from file to file by the kernel, never
// through this process, and the holes of a sparse file stay holes in the new one: saving a
// gigabyte costs about what `cp` does.

// this program
#include "platform/FilePos.h"
#include "tools/progress/RangeScan.h"

// Qt
#include <QString>

// std
#include <string>

namespace vtx {

class CVantorixDoc;

enum class SaveRangeEnd { Saved, Exists, CreateFailed, ReadFailed, WriteFailed, Cancelled };

struct SaveRangeResult {
    SaveRangeEnd end = SaveRangeEnd::Saved;
    // ReadFailed: where the document could not be read; errno for every failure.
    FilePos failedAt = 0;
    int error = 0;
    [[nodiscard]] bool Saved() const { return end == SaveRangeEnd::Saved; }
};

// `carryOn(done)` is asked between blocks; false cancels (the new file is removed).
SaveRangeResult SaveRangeAs(CVantorixDoc& doc, ByteRange range, const std::string& path, const ScanCarryOn& carryOn = {});

// What the user is told of a failed save; empty for Saved and Cancelled.
[[nodiscard]] QString SaveRangeFailureText(const CVantorixDoc& doc, const QString& path, const SaveRangeResult& result);

} // namespace vtx
