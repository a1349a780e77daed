#pragma once
// Walking a range of the bytes a window shows (the file with the pending changes laid
// over it) in order, block by block, for the tools that read a whole selection: checksums,
// Copy As, Save Selection As. Every byte goes through CVantorixDoc::ReadPresented, so a read
// error stops the walk with its place and reason instead of passing for the end. No widgets.

// this program
#include "platform/FilePos.h"

// std
#include <cstddef>
#include <cstdint>
#include <functional>

namespace vtx {

class CVantorixDoc;

enum class ScanEnd { Done, Cancelled, ReadFailed };

struct ScanResult {
    ScanEnd end = ScanEnd::Done;
    // Bytes delivered before the walk ended.
    FilePos scanned = 0;
    // Where the read failed, and errno (ReadFailed only).
    FilePos failedAt = 0;
    int error = 0;
    [[nodiscard]] bool Done() const { return end == ScanEnd::Done; }
};

// Fills buffer with the count presented bytes at position, in as many reads as it takes.
// A file that ends before position + count is a failure (EIO) at its end: the range was
// taken when the file was longer.
ScanResult ReadPresentedFully(CVantorixDoc& doc, std::uint8_t* buffer, std::size_t count, FilePos position);

// Hands the bytes of range to `piece` in blocks of at most blockBytes, in order. After each
// block `carryOn(done)` is asked whether to go on (false: Cancelled); `piece` returning
// false ends the walk early as Done.
using ScanPiece = std::function<bool(const std::uint8_t* bytes, std::size_t count)>;
using ScanCarryOn = std::function<bool(FilePos done)>;
ScanResult ScanRange(CVantorixDoc& doc, ByteRange range, std::size_t blockBytes, const ScanPiece& piece,
                     const ScanCarryOn& carryOn = {});

} // namespace vtx
