#include "CompareTool.h"

// this program
#include "document/CVantorixDoc.h"

// std
#include <algorithm>
#include <cstring>

namespace vtx {

namespace {

// The first index below count where the bytes differ (or agree), or count.
std::uint32_t FirstIndex(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t count, bool wantDiffer)
{
    if (wantDiffer && std::memcmp(a, b, count) == 0)
        return count;
    for (std::uint32_t i = 0; i < count; ++i)
        if ((a[i] != b[i]) == wantDiffer)
            return i;
    return count;
}

// The last index below count where the bytes differ (or agree), or -1.
std::int64_t LastIndex(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t count, bool wantDiffer)
{
    if (wantDiffer && std::memcmp(a, b, count) == 0)
        return -1;
    for (std::int64_t i = static_cast<std::int64_t>(count) - 1; i >= 0; --i)
        if ((a[i] != b[i]) == wantDiffer)
            return i;
    return -1;
}

} // namespace

CompareTool::CompareTool(CVantorixDoc& first, CVantorixDoc& second)
    : m_first(first), m_second(second), m_a(kBlock), m_b(kBlock)
{
}

CompareTool::Scan CompareTool::Begin(FilePos origin, std::uint64_t span, const Progress& progress) const
{
    Scan scan;
    const FilePos a = m_first.GetFileLength();
    const FilePos b = m_second.GetFileLength();
    scan.common = std::min(a, b);
    scan.total = std::max(a, b);
    scan.origin = origin;
    scan.span = span;
    scan.progress = progress;
    return scan;
}

bool CompareTool::Report(Scan& scan, std::uint64_t done) const
{
    if (!scan.progress || scan.progress(done, scan.span))
        return true;
    scan.stop = CompareOutcome{CompareEnd::Cancelled, {}, {}};
    return false;
}

bool CompareTool::ReadBoth(Scan& scan, FilePos position, std::uint32_t count)
{
    const ReadOutcome a = m_first.ReadPresented(m_a.data(), count, position);
    if (a.Failed()) {
        scan.stop = CompareOutcome{CompareEnd::ReadFailed, {}, m_first.ReadFailureText(position + a.count, a.error)};
        return false;
    }
    const ReadOutcome b = m_second.ReadPresented(m_b.data(), count, position);
    if (b.Failed()) {
        scan.stop = CompareOutcome{CompareEnd::ReadFailed, {}, m_second.ReadFailureText(position + b.count, b.error)};
        return false;
    }
    // A file another program cut short meanwhile ends where its bytes end; what lies
    // past that in the other file differs.
    const std::uint32_t delivered = std::min(a.count, b.count);
    if (delivered < count)
        scan.common = std::min(scan.common, position + delivered);
    return true;
}

bool CompareTool::HoleInBoth(FilePos from, FilePos to) const
{
    return m_first.StoredDataFrom(from).first >= to && m_second.StoredDataFrom(from).first >= to;
}

std::optional<FilePos> CompareTool::Forward(Scan& scan, FilePos from, bool wantDiffer)
{
    FilePos pos = from;
    // The data regions last asked for, valid from where they were asked up to their end:
    // a normal file is one region, so this costs a couple of system calls per scan.
    std::optional<ByteRange> regionA;
    std::optional<ByteRange> regionB;
    while (pos < scan.common) {
        // Zeros against zeros never differ: a hole in both files is stepped over when
        // looking for a difference, and is the answer when looking for agreement.
        if (!regionA || pos >= regionA->End())
            regionA = m_first.StoredDataFrom(pos);
        if (!regionB || pos >= regionB->End())
            regionB = m_second.StoredDataFrom(pos);
        if (pos < regionA->first && pos < regionB->first) {
            if (!wantDiffer)
                return pos;
            pos = std::min({regionA->first, regionB->first, scan.common});
            if (!Report(scan, pos - scan.origin))
                return std::nullopt;
            continue;
        }
        // Up to the end of the data regions at hand: what lies past them is asked again.
        const FilePos blockEnd = std::min<FilePos>({scan.common, (pos / kBlock + 1) * kBlock,
                                                    std::max(regionA->End(), regionB->End())});
        const auto count = static_cast<std::uint32_t>(blockEnd - pos);
        if (!ReadBoth(scan, pos, count))
            return std::nullopt;
        const auto usable = static_cast<std::uint32_t>(std::min<FilePos>(count, scan.common - std::min(pos, scan.common)));
        const std::uint32_t at = FirstIndex(m_a.data(), m_b.data(), usable, wantDiffer);
        if (at < usable)
            return pos + at;
        pos += usable;
        if (usable < count)
            break;
        if (!Report(scan, pos - scan.origin))
            return std::nullopt;
    }
    // Past the shorter file's end every byte differs.
    pos = std::max(pos, scan.common);
    if (pos < scan.total)
        return wantDiffer ? pos : scan.total;
    return scan.total;
}

std::optional<std::int64_t> CompareTool::Backward(Scan& scan, FilePos before, bool wantDiffer)
{
    FilePos pos = std::min(before, scan.total);
    while (pos > 0) {
        if (pos > scan.common) {
            // Past the shorter file's end every byte differs.
            if (wantDiffer)
                return static_cast<std::int64_t>(pos - 1);
            pos = scan.common;
            continue;
        }
        const FilePos blockStart = (pos - 1) / kBlock * kBlock;
        // Below the lowest data of either file in this block both are holes: zeros that
        // agree, never read.
        const FilePos low = std::min(m_first.StoredDataFrom(blockStart).first, m_second.StoredDataFrom(blockStart).first);
        if (low >= pos) {
            if (!wantDiffer)
                return static_cast<std::int64_t>(pos - 1);
            // Backward there is no asking for the previous data region: widen the hole
            // downward by doubling steps, each one asked of the file system.
            FilePos bottom = blockStart;
            std::uint64_t step = kBlock;
            while (bottom > 0) {
                const FilePos candidate = bottom > step ? bottom - step : 0;
                if (!HoleInBoth(candidate, pos))
                    break;
                bottom = candidate;
                step *= 2;
            }
            pos = bottom;
            if (!Report(scan, scan.origin - pos))
                return std::nullopt;
            continue;
        }
        const FilePos readFrom = std::max(blockStart, low);
        const auto count = static_cast<std::uint32_t>(pos - readFrom);
        if (!ReadBoth(scan, readFrom, count))
            return std::nullopt;
        if (scan.common < pos)
            continue; // cut short meanwhile: the tail now differs
        const std::int64_t at = LastIndex(m_a.data(), m_b.data(), count, wantDiffer);
        if (at >= 0)
            return static_cast<std::int64_t>(readFrom) + at;
        if (!wantDiffer && readFrom > blockStart)
            return static_cast<std::int64_t>(readFrom - 1);
        pos = blockStart;
        if (!Report(scan, scan.origin - pos))
            return std::nullopt;
    }
    return -1;
}

bool CompareTool::Differs(FilePos position)
{
    Scan scan = Begin(position, 1, {});
    if (position >= scan.common)
        return position < scan.total;
    if (!ReadBoth(scan, position, 1))
        return false;
    return position >= scan.common || m_a[0] != m_b[0];
}

CompareOutcome CompareTool::Next(FilePos from, const Progress& progress)
{
    Scan scan = Begin(from, 0, progress);
    if (from >= scan.total)
        return {};
    scan.span = scan.total - from;
    FilePos start = from;
    if (from > 0) {
        // Inside a run that began earlier (or right behind it): that run is not the next.
        if (from - 1 >= scan.common) {
            start = scan.total;
        } else {
            if (!ReadBoth(scan, from - 1, 1))
                return *scan.stop;
            if (from - 1 >= scan.common || m_a[0] != m_b[0]) {
                const auto end = Forward(scan, from, false);
                if (!end)
                    return *scan.stop;
                start = *end;
            }
        }
    }
    const auto first = Forward(scan, start, true);
    if (!first)
        return *scan.stop;
    if (*first >= scan.total)
        return {};
    const auto end = Forward(scan, *first + 1, false);
    if (!end)
        return *scan.stop;
    return {CompareEnd::Found, {*first, *end - *first}, {}};
}

CompareOutcome CompareTool::Previous(FilePos before, const Progress& progress)
{
    Scan scan = Begin(before, before, progress);
    const auto last = Backward(scan, before, true);
    if (!last)
        return *scan.stop;
    if (*last < 0)
        return {};
    const auto agreeing = Backward(scan, static_cast<FilePos>(*last), false);
    if (!agreeing)
        return *scan.stop;
    const FilePos first = static_cast<FilePos>(*agreeing + 1);
    const auto end = Forward(scan, static_cast<FilePos>(*last) + 1, false);
    if (!end)
        return *scan.stop;
    return {CompareEnd::Found, {first, *end - first}, {}};
}

} // namespace vtx
