#include "RangeScan.h"

// this program
#include "document/CVantorixDoc.h"

// std
#include <algorithm>
#include <cerrno>
#include <vector>

namespace vtx {

ScanResult ReadPresentedFully(CVantorixDoc& doc, std::uint8_t* buffer, std::size_t count, FilePos position)
{
    std::size_t filled = 0;
    while (filled < count) {
        const auto wanted = static_cast<std::uint32_t>(std::min<std::size_t>(count - filled, CVantorixDoc::kMaxRead));
        const ReadOutcome read = doc.ReadPresented(buffer + filled, wanted, position + filled);
        filled += read.count;
        if (read.Failed())
            return {ScanEnd::ReadFailed, filled, position + filled, read.error};
        if (read.count == 0)
            return {ScanEnd::ReadFailed, filled, position + filled, EIO};
    }
    return {ScanEnd::Done, filled};
}

ScanResult ScanRange(CVantorixDoc& doc, ByteRange range, std::size_t blockBytes, const ScanPiece& piece,
                     const ScanCarryOn& carryOn)
{
    blockBytes = std::max<std::size_t>(1, blockBytes);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min<FilePos>(blockBytes, std::max<FilePos>(1, range.length))));
    FilePos done = 0;
    while (done < range.length) {
        const auto wanted = static_cast<std::size_t>(std::min<FilePos>(block.size(), range.length - done));
        ScanResult read = ReadPresentedFully(doc, block.data(), wanted, range.first + done);
        if (!read.Done()) {
            read.scanned += done;
            return read;
        }
        done += wanted;
        if (!piece(block.data(), wanted))
            return {ScanEnd::Done, done};
        if (carryOn && done < range.length && !carryOn(done))
            return {ScanEnd::Cancelled, done};
    }
    return {ScanEnd::Done, done};
}

} // namespace vtx
