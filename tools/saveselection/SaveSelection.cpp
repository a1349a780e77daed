#include "SaveSelection.h"

// this program
#include "document/CVantorixDoc.h"
#include "platform/CFile.h"

// Qt
#include <QFileInfo>

// std
#include <cerrno>
#include <cstring>

namespace vtx {

namespace {

// Large blocks keep the number of system calls small; the writes are what costs.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

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
    const ScanResult scan = ScanRange(
        doc, range, kBlockBytes,
        [&](const std::uint8_t* bytes, std::size_t count) {
            try {
                file.Write(bytes, static_cast<std::uint32_t>(count));
                return true;
            } catch (const CFileException& failure) {
                result = {SaveRangeEnd::WriteFailed, 0, failure.Error() != 0 ? failure.Error() : EIO};
                return false;
            }
        },
        carryOn);
    if (result.end == SaveRangeEnd::Saved) {
        if (scan.end == ScanEnd::ReadFailed)
            result = {SaveRangeEnd::ReadFailed, scan.failedAt, scan.error};
        else if (scan.end == ScanEnd::Cancelled)
            result = {SaveRangeEnd::Cancelled, 0, 0};
    }
    if (result.end == SaveRangeEnd::Saved) {
        try {
            file.Sync();
            if (!file.Close())
                result = {SaveRangeEnd::WriteFailed, 0, errno != 0 ? errno : EIO};
        } catch (const CFileException& failure) {
            result = {SaveRangeEnd::WriteFailed, 0, failure.Error() != 0 ? failure.Error() : EIO};
        }
    }
    if (!result.Saved()) {
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
