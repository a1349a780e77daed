#pragma once
// Finds the runs of bytes that differ between two documents at the same offsets, with the
// pending changes of both laid over their files. Bytes past the end of the shorter file
// count as different. The scan reads both documents in blocks through ReadPresented and
// steps over regions that are holes in both files (sparse disk images) without reading
// them. No widgets: the compare window shows what it finds.

// this program
#include "platform/FilePos.h"

// Qt
#include <QString>

// std
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vtx {

class CVantorixDoc;

enum class CompareEnd { Found, NoMore, Cancelled, ReadFailed };

struct CompareOutcome {
    CompareEnd end = CompareEnd::NoMore;
    // The run of differing bytes found (Found).
    ByteRange run;
    // ReadFailed: "Could not read <name> at <offset>: <reason>." of the document that failed.
    QString failure;
};

class CompareTool
{
public:
    // Told between blocks how many bytes have been looked at and about how many there are
    // to look at; returning false cancels the scan.
    using Progress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

    // Both documents must stay open while the tool is used.
    CompareTool(CVantorixDoc& first, CVantorixDoc& second);

    // The first run of differing bytes that starts at or after `from`; a run that
    // `from` lies in (or just past) because it began earlier does not count, so that
    // passing the end of the run found last moves on to the next one.
    CompareOutcome Next(FilePos from, const Progress& progress = {});
    // The last run that starts before `before`, whole (it may reach past `before`).
    CompareOutcome Previous(FilePos before, const Progress& progress = {});
    // Whether the byte at position differs (past either file's end it does); false when
    // it cannot be read.
    [[nodiscard]] bool Differs(FilePos position);

    // The scan's block: a multiple of the page size, within one ReadPresented.
    static constexpr std::uint32_t kBlock = 60 * 1024;

private:
    // Where a scan stands: the file lengths taken when it began and how it stopped.
    struct Scan {
        FilePos common = 0; // the shorter length
        FilePos total = 0;  // the longer length
        FilePos origin = 0;
        std::uint64_t span = 0;
        Progress progress;
        std::optional<CompareOutcome> stop;
    };
    Scan Begin(FilePos origin, std::uint64_t span, const Progress& progress) const;
    // The first position at or after from whose bytes differ (wantDiffer) or agree, or
    // scan.total when none; nullopt when the scan stopped (scan.stop says why).
    std::optional<FilePos> Forward(Scan& scan, FilePos from, bool wantDiffer);
    // The last position before `before` whose bytes differ (wantDiffer) or agree; -1 when
    // none; nullopt when the scan stopped.
    std::optional<std::int64_t> Backward(Scan& scan, FilePos before, bool wantDiffer);
    // Reads count bytes at position of both documents into the buffers; false when the
    // scan stopped. A file that turned out shorter than its length said ends the common part.
    bool ReadBoth(Scan& scan, FilePos position, std::uint32_t count);
    // Whether [from, to) is a hole in both files.
    [[nodiscard]] bool HoleInBoth(FilePos from, FilePos to) const;
    bool Report(Scan& scan, std::uint64_t done) const;

    CVantorixDoc& m_first;
    CVantorixDoc& m_second;
    std::vector<std::uint8_t> m_a;
    std::vector<std::uint8_t> m_b;
};

} // namespace vtx
