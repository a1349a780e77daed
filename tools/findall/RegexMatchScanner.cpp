#include "RegexMatchScanner.h"

// this program
#include "document/CVantorixDoc.h"
#include "document/RegexSearch.h"

// std
#include <algorithm>
#include <cerrno>

namespace vtx {

RegexMatchScanner::RegexMatchScanner(std::shared_ptr<const RegexPattern> pattern) : m_pattern(std::move(pattern)) {}

ScanStatus RegexMatchScanner::Scan(CVantorixDoc& doc, ByteRange range, const MatchSink& sink,
                                   const ScanProgress& progress)
{
    const FilePos length = doc.GetFileLength();
    const FilePos limit = std::min(range.End(), length);
    if (!m_pattern || range.first >= limit)
        return {};
    const RegexReader read = [&doc](std::uint8_t* buffer, std::uint32_t count, FilePos position) {
        return doc.ReadPresented(buffer, count, position);
    };
    bool stopped = false;
    FilePos reached = range.first;
    const RegexScanResult scan = FindRegexAll(
        *m_pattern, read, {range.first, limit, length},
        [&](ByteRange match) {
            reached = match.End();
            stopped = !sink(match.first, match.length);
            return !stopped;
        },
        progress);
    switch (scan.end) {
    case RegexScanEnd::Found:
    case RegexScanEnd::NotFound:
        return {stopped ? ScanStatus::End::Stopped : ScanStatus::End::Completed};
    case RegexScanEnd::Cancelled:
        return {ScanStatus::End::Cancelled};
    case RegexScanEnd::ReadFailed:
        return {ScanStatus::End::Failed, scan.failedAt, scan.error != 0 ? scan.error : EIO};
    case RegexScanEnd::MatcherFailed:
        // The matcher fails only when it cannot get memory for its state.
        return {ScanStatus::End::Failed, reached, ENOMEM};
    }
    return {};
}

} // namespace vtx
