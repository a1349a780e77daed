#include "SaveSelection.h"

// this program
#include "document/CVantorixDoc.h"
#include "platform/CFile.h"

// Qt
#include <QFileInfo>

// std
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace vtx {

namespace {

// Bytes that a pending change covers go through the document in blocks of this size.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
// Stretches that no change covers are copied by the kernel in steps of this size, with a
// look at Esc between them.
constexpr std::uint64_t kCopyStep = std::uint64_t{16} << 20;
// Changes closer together than this go through the document as one stretch, together with
// the file's bytes between them: one copy call per short gap would cost more than reading it.
constexpr FilePos kNearBytes = FilePos{64} << 10;

// Writes the range into the new file: the file's own bytes straight from file to file,
// the changed stretches through the document, and holes of a sparse file left as holes.
// A write failure throws CFileException; a read failure or Esc ends the run with a result.
class RangeSaver
{
public:
    RangeSaver(CVantorixDoc& doc, CFile& file, ByteRange range, const ScanCarryOn& carryOn)
        : m_doc(doc), m_file(file), m_range(range), m_carryOn(carryOn)
    {
    }

    SaveRangeResult Run()
    {
        const FilePos end = m_range.End();
        FilePos position = m_range.first;
        while (LengthHolds() && position < end) {
            // Up to the next stretch that may hold other than zeros: a hole, never written.
            const ByteRange region = m_doc.StoredDataFrom(position);
            if (region.Empty() || region.first >= end)
                break;
            position = std::max(position, region.first);
            const FilePos regionEnd = std::min(end, region.End());
            if (!SaveRegion(position, regionEnd))
                return m_result;
            position = regionEnd;
        }
        // Also after the walk: a file cut short meanwhile must not pass for a trailing hole.
        if (LengthHolds())
            m_file.SetLength(m_range.length);
        return m_result;
    }

private:
    // Whether the file still reaches the range's end; a read error at its end otherwise,
    // as reading there would give.
    bool LengthHolds()
    {
        const FilePos length = m_doc.GetFileLength();
        if (length >= m_range.End())
            return true;
        m_result = {SaveRangeEnd::ReadFailed, length, EIO};
        return false;
    }

    // [first, end) of the document: the stretches between pending changes from the file,
    // the changes through the document.
    bool SaveRegion(FilePos first, FilePos end)
    {
        const std::vector<PendingRun>& runs = m_doc.Pending().Runs();
        FilePos position = first;
        while (position < end) {
            // The first change that reaches past position (sorted, never overlapping).
            auto run = std::upper_bound(runs.begin(), runs.end(), position,
                                        [](FilePos p, const PendingRun& r) { return p < r.End(); });
            const FilePos changed = run == runs.end() ? end : std::clamp(run->Start(), position, end);
            if (position < changed && !CopyStored(position, changed))
                return false;
            if (changed >= end)
                break;
            FilePos changedEnd = std::min(run->End(), end);
            for (++run; run != runs.end() && run->Start() < end && run->Start() - changedEnd < kNearBytes; ++run)
                changedEnd = std::min(run->End(), end);
            if (!WritePresented(changed, changedEnd))
                return false;
            position = changedEnd;
        }
        return true;
    }

    // Bytes no change covers, file to file without passing through this process. Where the
    // copy stops short (the file ended or could not be read, the disk is full), the rest goes
    // through the document, which tells a read error from a write error and says where.
    bool CopyStored(FilePos first, FilePos end)
    {
        for (FilePos position = first; position < end;) {
            const std::uint64_t step = std::min<std::uint64_t>(kCopyStep, end - position);
            const CFile::CopyOutcome copy = m_doc.StoredFile().CopyRangeTo(m_file, position, step, position - m_range.first);
            position += copy.copied;
            if (copy.copied < step)
                return WritePresented(position, end);
            if (!Advance(position))
                return false;
        }
        return true;
    }

    // [first, end) read through the document (pending changes laid over) and written.
    bool WritePresented(FilePos first, FilePos end)
    {
        if (m_block.empty())
            m_block.resize(kBlockBytes);
        for (FilePos position = first; position < end;) {
            const auto count = static_cast<std::size_t>(std::min<FilePos>(kBlockBytes, end - position));
            const ScanResult read = ReadPresentedFully(m_doc, m_block.data(), count, position);
            if (!read.Done()) {
                m_result = {SaveRangeEnd::ReadFailed, read.failedAt, read.error};
                return false;
            }
            m_file.WriteAt(m_block.data(), count, position - m_range.first);
            position += count;
            if (!Advance(position))
                return false;
        }
        return true;
    }

    // Tells how far the save has come; false when the user stopped it.
    bool Advance(FilePos reached)
    {
        if (!m_carryOn || reached >= m_range.End() || m_carryOn(reached - m_range.first))
            return true;
        m_result = {SaveRangeEnd::Cancelled, 0, 0};
        return false;
    }

    CVantorixDoc& m_doc;
    CFile& m_file;
    const ByteRange m_range;
    const ScanCarryOn& m_carryOn;
    SaveRangeResult m_result;
    std::vector<std::uint8_t> m_block;
};

} // namespace

SaveRangeResult SaveRangeAs(CVantorixDoc& doc, ByteRange range, const std::string& path, const ScanCarryOn& carryOn)
{
    CFile file;
    // rw for everyone the umask allows, as a new file of any program.
    switch (file.CreateNew(path, 0666)) {
    case CFile::OpenError::None: break;
    case CFile::OpenError::Exists: return {SaveRangeEnd::Exists, 0, EEXIST};
    default: return {SaveRangeEnd::CreateFailed, 0, errno != 0 ? errno : EIO};
    }

    SaveRangeResult result;
    try {
        // One descriptor for writing for the whole save.
        file.BeginWrite();
        result = RangeSaver(doc, file, range, carryOn).Run();
        if (result.Saved()) {
            file.Sync();
            file.EndWrite();
            if (!file.Close())
                result = {SaveRangeEnd::WriteFailed, 0, errno != 0 ? errno : EIO};
        }
    } catch (const CFileException& failure) {
        result = {SaveRangeEnd::WriteFailed, 0, failure.Error() != 0 ? failure.Error() : EIO};
    }
    if (!result.Saved()) {
        file.AbandonWrite();
        file.RemoveIfStillNamed();
        file.Close();
    }
    return result;
}

QString SaveRangeFailureText(const CVantorixDoc& doc, const QString& path, const SaveRangeResult& result)
{
    const QString name = QFileInfo(path).fileName();
    const QString reason = QString::fromLocal8Bit(std::strerror(result.error != 0 ? result.error : EIO));
    switch (result.end) {
    case SaveRangeEnd::Saved:
    case SaveRangeEnd::Cancelled:
        return {};
    case SaveRangeEnd::Exists:
        return QStringLiteral("Failed To Copy To New File.\nA file named %1 already exists. Choose another name.").arg(name);
    case SaveRangeEnd::CreateFailed:
        return QStringLiteral("Failed To Copy To New File.\n%1 could not be created: %2.").arg(name, reason);
    case SaveRangeEnd::ReadFailed:
        return doc.ReadFailureText(result.failedAt, result.error) + QStringLiteral("\nNothing was saved.");
    case SaveRangeEnd::WriteFailed:
        return QStringLiteral("%1 could not be written: %2.\nNothing was saved; the document is unchanged.").arg(name, reason);
    }
    return {};
}

} // namespace vtx
