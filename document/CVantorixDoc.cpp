#include "CVantorixDoc.h"
#include "CVantorixDocShared.h"

// this program
#include "text/HexText.h"
#include "framework/CView.h"
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "platform/PathBytes.h"

// Qt
#include <QFileInfo>

// std
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>

#include <sys/statvfs.h>
#include <unistd.h>

namespace vtx {

using namespace doc_detail;


CVantorixDoc::CVantorixDoc()
    : m_pending([this](std::uint8_t* buffer, std::uint32_t count, FilePos position, int& error) {
          return m_bFileOpen ? m_file.ReadAt(buffer, count, position, error) : 0u;
      })
{
}

CVantorixDoc::~CVantorixDoc()
{
    // Only a crash or a kill may leave a journal behind: a document that goes in order has
    // been asked about its changes.
    DropJournal();
}

bool CVantorixDoc::OnNewDocument()
{
    // A document cannot exist without a file.
    return false;
}

QString CVantorixDoc::OpenFailureReason(CFile::OpenError error, int systemError)
{
    switch (error) {
    case CFile::OpenError::None: break;
    case CFile::OpenError::NotFound: return QStringLiteral("The file does not exist.");
    case CFile::OpenError::IsDirectory: return QStringLiteral("It is a folder, not a file.");
    case CFile::OpenError::NotRegular: return QStringLiteral("It is neither a file nor a disk.");
    case CFile::OpenError::ReadOnly: return QStringLiteral("The file is read-only for you.");
    case CFile::OpenError::NoAccess: return QStringLiteral("You have no permission to read the file.");
    case CFile::OpenError::Locked: return QStringLiteral("The file is open in another program.");
    case CFile::OpenError::Exists: return QStringLiteral("A file of that name exists already.");
    case CFile::OpenError::Running: return QString::fromLatin1(kRunningProgram);
    case CFile::OpenError::Other:
        if (systemError != 0)
            return QString::fromLocal8Bit(std::strerror(systemError)) + QLatin1Char('.');
        return QStringLiteral("The file cannot be opened.");
    }
    return {};
}

QString CVantorixDoc::ReadOnlyReason(CFile::OpenError error, const std::string& localPath)
{
    // The second line of the read-only question: why the file cannot be written, so the
    // user knows whether to change its permissions, remount, or close the other program.
    if (error == CFile::OpenError::Locked)
        return QStringLiteral("The file is open in another program.");
    struct statvfs fileSystem {};
    if (::statvfs(localPath.c_str(), &fileSystem) == 0 && (fileSystem.f_flag & ST_RDONLY) != 0)
        return QStringLiteral("The file system it is on is read-only.");
    return QStringLiteral("You have no permission to write to the file.");
}

bool CVantorixDoc::OnOpenDocument(const QString& path)
{
    try {
        const std::string local = LocalPath(path);
        bool readOnly = m_bOpenViewOnly && !m_bOpeningCopy;
        CFile::OpenError error = m_file.Open(local, readOnly ? CFile::Mode::ViewOnly : CFile::Mode::ReadWrite);
        // A file the user may not write, or that another editor holds, can still be looked
        // at; the copy a Save As makes must be writable, so there nobody is asked.
        if ((error == CFile::OpenError::ReadOnly || error == CFile::OpenError::Locked ||
             error == CFile::OpenError::Running) &&
            !m_bOpeningCopy) {
            Trace(QStringLiteral("open %1: %2").arg(path, QString::fromLatin1(OpenErrorText(error))));
            const CFile::OpenError whyReadOnly = error;
            // Opened before asking, so that a file that cannot even be read says so at once.
            error = m_file.Open(local, CFile::Mode::ViewOnly);
            if (error == CFile::OpenError::None) {
                const MsgResult answer = ShowMessageBox(QString::fromLatin1(kOpenReadOnlyQuestion)
                                                            .arg(QFileInfo(path).fileName(),
                                                                 whyReadOnly == CFile::OpenError::Running
                                                                     ? QString::fromLatin1(kRunningProgram)
                                                                     : ReadOnlyReason(whyReadOnly, local)),
                                                        MsgButtons::YesNo);
                if (answer != MsgResult::Yes) {
                    m_file.Close();
                    m_bFileOpen = false;
                    return false;
                }
                readOnly = true;
            }
        }
        if (error != CFile::OpenError::None) {
            m_bFileOpen = false;
            Trace(QStringLiteral("open %1: %2").arg(path, QString::fromLatin1(OpenErrorText(error))));
            ShowMessageBox(QString::fromLatin1(kErrorOpeningFile) + QLatin1Char('\n') +
                           OpenFailureReason(error, m_file.LastErrno()));
            return false;
        }
        m_bFileOpen = true;
        m_bReadOnly = readOnly;
        m_path = path;
        m_nLength = m_file.GetLength();
        // A view-only document keeps no journal: it has nothing to lose, and another
        // editor may hold the file's journal.
        if (!readOnly)
            OpenJournal();
        return true;
    } catch (...) {
        m_file.Close();
        m_bFileOpen = false;
        ShowMessageBox(QString::fromLatin1(kExceptionOpeningFile));
        return false;
    }
}

void CVantorixDoc::SetTitle(const QString& title)
{
    CDocument::SetTitle(m_bReadOnly ? title + QStringLiteral(" [read-only]") : title);
}

QString CVantorixDoc::FileChangeNotice()
{
    if (!m_bFileOpen)
        return {};
    FileCheck check;
    if (!m_file.Check(check) || check.change == FileChange::None)
        return {};
    // Told already about exactly this state of the file.
    if (m_noticed && SameOutcome(*m_noticed, check))
        return {};
    m_noticed = check;
    if (check.change == FileChange::Changed) {
        // Another program wrote into the file: what differs from it is counted again, so
        // that the unsaved mark and the close question stay right.
        const bool wasDirty = IsDirty();
        RecountAgainstFile();
        NotifyIfDirtyChanged(wasDirty);
    }
    QString text = FileChangeText(check.change, FileName(m_path)) + QLatin1Char(' ');
    if (check.change == FileChange::Changed) {
        text += QStringLiteral("The window now shows the file as it is on disk");
        text += m_pending.Empty() ? QStringLiteral(".") : QStringLiteral("; your unsaved changes stay on top of it.");
    } else {
        text += QStringLiteral("The window still shows the file as it was opened; Save As keeps it under a new name.");
    }
    return text;
}

QString CVantorixDoc::FileChangeText(FileChange change, const QString& name)
{
    switch (change) {
    case FileChange::Replaced: return QStringLiteral("%1 was replaced by another program since it was opened.").arg(name);
    case FileChange::Deleted: return QStringLiteral("%1 was deleted since it was opened.").arg(name);
    case FileChange::Changed: return QStringLiteral("%1 was changed by another program since it was opened.").arg(name);
    case FileChange::None: break;
    }
    return {};
}

void CVantorixDoc::OnCloseDocument()
{
    if (IsDirty()) {
        const MsgResult answer =
            ShowMessageBox(QStringLiteral("Would you like to save changes to %1?").arg(m_path),
                           MsgButtons::YesNoCancel);
        if (answer == MsgResult::Cancel)
            return;
        // A save that fails has shown why; closing now would throw the changes away, so
        // the document stays open as after Cancel.
        if (answer == MsgResult::Yes && !OnSaveDocument(m_path))
            return;
    }
    // Saved, discarded or clean: nothing is left to recover.
    DropJournal();
    if (m_bFileOpen) {
        m_file.Close();
        m_bFileOpen = false;
    }
    // May delete this document.
    CDocument::OnCloseDocument();
}

FilePos CVantorixDoc::GetFileLength() const
{
    if (!m_bFileOpen)
        return 0;
    try {
        return m_file.GetLength();
    } catch (...) {
        return 0;
    }
}

std::uint8_t CVantorixDoc::GetByte(FilePos position)
{
    std::uint8_t value = 0;
    return ReadByte(position, value) == 0 ? value : 0;
}

int CVantorixDoc::ReadByte(FilePos position, std::uint8_t& value)
{
    value = 0;
    if (m_pending.PendingAt(position, value))
        return 0;
    if (!m_bFileOpen)
        return EBADF;
    int error = 0;
    if (m_file.ReadAt(&value, 1, position, error) == 1)
        return 0;
    return error != 0 ? error : ESPIPE;
}

std::int32_t CVantorixDoc::ReadBytes(std::uint8_t* buffer, std::uint32_t count, FilePos position)
{
    count = std::min(count, kMaxRead);
    if (!buffer && count > 0)
        return -1;
    try {
        m_file.Seek(position);
        if (m_pending.Empty())
            return static_cast<std::int32_t>(m_file.Read(buffer, count));

        // With pending changes a read is clipped to the length measured at open, so that
        // every change it may carry lies inside the file.
        if (position >= m_nLength)
            throw DocFailure(kReadPastEnd);
        count = static_cast<std::uint32_t>(std::min<FilePos>(count, m_nLength - position));
        // A file cut short behind our back delivers less; only what it delivered is shown.
        count = m_file.Read(buffer, count);
        m_pending.LayOver(buffer, count, position);
        return static_cast<std::int32_t>(count);
    } catch (const DocFailure& failure) {
        if (failure.what() == std::string_view(kReadPastEnd))
            Trace(QString::fromLatin1(kReadPastEnd));
        return -1;
    } catch (...) {
        return -1;
    }
}

ReadOutcome CVantorixDoc::ReadPresented(std::uint8_t* buffer, std::uint32_t count, FilePos position)
{
    count = std::min(count, kMaxRead);
    if (!m_bFileOpen)
        return {0, EBADF};
    try {
        // Past the end there is nothing to read, pending changes or not.
        const FilePos length = m_file.GetLength();
        if (position >= length || count == 0)
            return {};
        count = static_cast<std::uint32_t>(std::min<FilePos>(count, length - position));
        int error = 0;
        const std::uint32_t delivered = m_file.ReadAt(buffer, count, position, error);
        m_pending.LayOver(buffer, delivered, position);
        return {delivered, error};
    } catch (const CFileException& failure) {
        return {0, failure.Error() != 0 ? failure.Error() : EIO};
    } catch (...) {
        return {0, EIO};
    }
}

ByteRange CVantorixDoc::StoredDataFrom(FilePos position) const
{
    if (!m_bFileOpen)
        return {position, 0};
    ByteRange region = m_file.DataRegionFrom(position);
    // The first pending run that reaches past position (runs are sorted and never overlap).
    const std::vector<PendingRun>& runs = m_pending.Runs();
    const auto run = std::upper_bound(runs.begin(), runs.end(), position,
                                      [](FilePos p, const PendingRun& r) { return p < r.End(); });
    if (run != runs.end()) {
        const FilePos start = std::max(run->Start(), position);
        if (start < region.first && start < m_nLength) {
            // Pending bytes inside the hole: they are data until the file's own data begins.
            region = {start, std::min(run->End(), region.first) - start};
        }
    }
    return region;
}

QString CVantorixDoc::ReadFailureText(FilePos offset, int error) const
{
    const QString reason = QString::fromLocal8Bit(std::strerror(error != 0 ? error : EIO));
    return QStringLiteral("Could not read %1 at %2: %3.")
        .arg(FileName(m_path), QString::number(offset, 16).toUpper().rightJustified(8, QLatin1Char('0')), reason);
}

CVantorixDoc::ChangeGroup::ChangeGroup(CVantorixDoc& doc, Journal journal)
    : m_doc(doc), m_bBatches(journal == Journal::InBatches)
{
    if (m_doc.m_nGroupDepth++ == 0)
        m_doc.m_nGroupStart = m_doc.m_pending.UndoRecords().size();
    if (m_bBatches)
        ++m_doc.m_nBatchingGroups;
}

CVantorixDoc::ChangeGroup::~ChangeGroup()
{
    --m_doc.m_nGroupDepth;
    if (m_bBatches && --m_doc.m_nBatchingGroups == 0)
        m_doc.AppendHeldRecord();
}

int CVantorixDoc::ApplyChange(PendingRun run, const std::uint8_t* shownBefore)
{
    const bool wasDirty = IsDirty();
    const bool joins = JoinsOpenGroup();
    // The step's record, taken before the store takes the run; on disk before the window
    // shows the change.
    std::vector<JournalRun> recorded;
    if (m_journal.IsOpen() && !m_bReplaying)
        recorded.push_back(JournalRunOf(run));
    const int error = m_pending.Set(std::move(run), joins, shownBefore);
    if (error == 0 && !recorded.empty())
        JournalStep(JournalRecord::Kind::Change, joins, std::move(recorded));
    NotifyIfDirtyChanged(wasDirty);
    return error;
}

bool CVantorixDoc::SetByte(std::uint8_t value, FilePos position)
{
    // A change past the end would make the next save extend the file.
    if (m_bReadOnly || !m_bFileOpen || position >= m_nLength)
        return false;
    try {
        // A byte the file cannot give is not typed over: what it held is unknown.
        return ApplyChange(PendingRun::Literal(position, &value, 1)) == 0;
    } catch (...) {
        return false;
    }
}

std::int32_t CVantorixDoc::SetBytes(const std::uint8_t* values, std::uint32_t count, FilePos position,
                                    const std::uint8_t* shownBefore)
{
    if (m_bReadOnly)
        return -1;
    if (!m_bFileOpen || position >= m_nLength || count == 0)
        return 0;
    count = static_cast<std::uint32_t>(std::min<FilePos>(count, m_nLength - position));
    if (!values || count > kMaxStepBytes)
        return -1;
    try {
        return ApplyChange(PendingRun::Literal(position, values, count), shownBefore) == 0
                   ? static_cast<std::int32_t>(count)
                   : -1;
    } catch (...) {
        // Out of memory: the store changed nothing.
        return -1;
    }
}

bool CVantorixDoc::Fill(ByteRange range, const std::vector<std::uint8_t>& pattern)
{
    if (m_bReadOnly || !m_bFileOpen || range.first >= m_nLength || range.length == 0 || pattern.empty() ||
        pattern.size() > PendingRun::kMaxPattern)
        return false;
    range.length = std::min(range.length, m_nLength - range.first);
    try {
        return ApplyChange(PendingRun::Pattern(range.first, range.length, pattern.data(), pattern.size())) == 0;
    } catch (...) {
        return false;
    }
}

std::vector<std::uint8_t> CVantorixDoc::ParseFillPattern(const QString& text, QString& problem)
{
    // Read as every hex box reads hex: two digits a byte, blanks only between pairs.
    std::vector<std::uint8_t> pattern;
    const std::u16string_view digits(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    switch (ParseHexText(digits, pattern)) {
    case HexTextProblem::None:
        problem.clear();
        break;
    case HexTextProblem::Empty:
        problem = QStringLiteral("Type the fill pattern as hex digits, two for each byte.");
        break;
    case HexTextProblem::NotHex:
        problem = QStringLiteral("The fill pattern may hold only hex digits (0-9, A-F).");
        break;
    case HexTextProblem::SplitPair:
        problem = QStringLiteral("The fill pattern may have blanks only between byte pairs, never between the two "
                                 "digits of one byte.");
        break;
    case HexTextProblem::OddDigits:
        problem = QStringLiteral("The fill pattern needs two hex digits for each byte.");
        break;
    }
    if (problem.isEmpty() && pattern.size() > PendingRun::kMaxPattern)
        problem = QStringLiteral("The fill pattern may be at most %1 bytes long.").arg(PendingRun::kMaxPattern);
    if (!problem.isEmpty())
        return {};
    return pattern;
}

void CVantorixDoc::ShowInFirstView(FilePos position)
{
    if (auto* view = dynamic_cast<IDocumentPositionView*>(GetFirstView())) {
        try {
            view->GotoPosition(position);
            view->RepaintNow();
        } catch (...) {
        }
    }
}

void CVantorixDoc::Undo()
{
    TakeStep(false);
}

void CVantorixDoc::Redo()
{
    TakeStep(true);
}

void CVantorixDoc::TakeStep(bool redo)
{
    if (m_bReadOnly || !(redo ? m_pending.CanRedo() : m_pending.CanUndo()))
        return;
    const bool wasDirty = IsDirty();
    try {
        // An undo after a save is a change the file does not have yet, and one back to
        // the saved value takes a change away: the store's count follows both.
        const ByteRange step = redo ? m_pending.Redo() : m_pending.Undo();
        JournalUndoStep(redo);
        NotifyIfDirtyChanged(wasDirty);
        ShowInFirstView(step.first);
    } catch (...) {
        NotifyIfDirtyChanged(wasDirty);
    }
}

void CVantorixDoc::RecountAgainstFile()
{
    m_pending.Recount();
}

std::map<FilePos, std::uint8_t> CVantorixDoc::PendingChanges() const
{
    std::map<FilePos, std::uint8_t> changes;
    std::vector<std::uint8_t> bytes;
    for (const PendingRun& run : m_pending.Runs()) {
        bytes.resize(static_cast<std::size_t>(run.Length()));
        run.CopyOut(bytes.data(), run.Start(), bytes.size());
        for (std::size_t k = 0; k < bytes.size(); ++k)
            changes.emplace_hint(changes.end(), run.Start() + k, bytes[k]);
    }
    return changes;
}

std::vector<ByteChange> CVantorixDoc::UndoHistory() const
{
    std::vector<ByteChange> history;
    std::vector<std::uint8_t> bytes;
    for (const PendingRun& record : m_pending.UndoRecords()) {
        bytes.assign(static_cast<std::size_t>(record.Length()), 0);
        if (record.IsAbsent()) {
            int error = 0;
            if (m_bFileOpen)
                m_file.ReadAt(bytes.data(), static_cast<std::uint32_t>(bytes.size()), record.Start(), error);
        } else {
            record.CopyOut(bytes.data(), record.Start(), bytes.size());
        }
        for (std::size_t k = 0; k < bytes.size(); ++k)
            history.push_back(ByteChange{record.Start() + k, bytes[k], k > 0 || record.JoinsPrevious()});
    }
    return history;
}

void CVantorixDoc::NotifyIfDirtyChanged(bool wasDirty)
{
    if (IsDirty() != wasDirty)
        UpdateFrameTitles();
}

} // namespace vtx
