#pragma once
// What the document's own source files share (CVantorixDoc.cpp and CVantorixDocSave.cpp):
// its texts, the failure that carries one, and path helpers. Not for other folders.

// this program
#include "document/CVantorixDoc.h"
#include "platform/PathBytes.h"

// Qt
#include <QFileInfo>
#include <QString>

// std
#include <cstddef>
#include <stdexcept>
#include <string>

namespace vtx::doc_detail {

// The document's own texts.
constexpr const char* kErrorOpeningFile = "Error Opening File";
constexpr const char* kExceptionOpeningFile = "Exception Opening File";
constexpr const char* kFailedToCopy = "Failed To Copy To New File.";
constexpr const char* kFailedToSaveNew = "Failed To Save New File";
constexpr const char* kExceptionInSave = "Exception in Save()";
constexpr const char* kReadOnlyRefusal = CVantorixDoc::kReadOnlyText;
constexpr const char* kReadPastEnd = "len < 0";
constexpr const char* kOpenReadOnlyQuestion = "Open %1 read-only?\n%2";
constexpr const char* kRunningProgram = "The file is a program that is running.";

// A failure inside one of the document's operations. It carries the text that the
// operation's boundary shows or traces, and never leaves the operation.
class DocFailure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

inline std::string LocalPath(const QString& path)
{
    return EncodePathBytes(path).toStdString();
}

inline QString FileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

// A run of the pending changes as the edit journal keeps it: a fill as its pattern, and
// Absent as the file's own bytes.
inline JournalRun JournalRunOf(const PendingRun& run)
{
    JournalRun journalled;
    journalled.position = run.Start();
    journalled.length = run.Length();
    switch (run.GetKind()) {
    case PendingRun::Kind::Absent: journalled.fileBytes = true; break;
    case PendingRun::Kind::Pattern:
        journalled.fill = true;
        journalled.bytes.assign(run.Data(), run.Data() + run.PatternSize());
        break;
    case PendingRun::Kind::Literal:
        journalled.bytes.assign(run.Data(), run.Data() + static_cast<std::size_t>(run.Length()));
        break;
    }
    return journalled;
}

// A save tells its progress once it has taken this long.
constexpr double kProgressAfterSeconds = 1.0;
// A long fill is written in blocks of about this size.
constexpr std::size_t kFillWriteBlock = std::size_t{4} << 20;
// A save writes in pieces of at most this size, and hands each one of at least
// kWriteBehindFrom to the disk as soon as it is written.
constexpr FilePos kWriteBehindPiece = kFillWriteBlock;
constexpr FilePos kWriteBehindFrom = FilePos{1} << 20;

} // namespace vtx::doc_detail
