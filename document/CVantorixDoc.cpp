#include "CVantorixDoc.h"

// this program
#include "framework/CView.h"
#include "framework/MessageBox.h"
#include "framework/Trace.h"

// Qt
#include <QFile>
#include <QFileInfo>

// std
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>

#include <unistd.h>

namespace vtx {

namespace {

// The document's own texts.
constexpr const char* kErrorOpeningFile = "Error Opening File";
constexpr const char* kExceptionOpeningFile = "Exception Opening File";
constexpr const char* kFailedToCopy = "Failed To Copy To New File.";
constexpr const char* kFailedToSaveNew = "Failed To Save New File";
constexpr const char* kExceptionInSave = "Exception in Save()";
constexpr const char* kReadOnlyRefusal = CVantorixDoc::kReadOnlyText;
constexpr const char* kReadPastEnd = "len < 0";
constexpr const char* kOpenReadOnlyQuestion = "Open %1 read-only?";
constexpr const char* kRunningProgram = "The file is a program that is running.";
constexpr const char* kNotEightBit =
    "The search text may contain only 8-bit (Latin-1) characters.";

// A failure inside one of the document's operations. It carries the text that the
// operation's boundary shows or traces, and never leaves the operation.
class DocFailure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString FileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

CVantorixDoc::SearchTypeSource& SearchTypeSlot()
{
    static CVantorixDoc::SearchTypeSource source;
    return source;
}

CVantorixDoc::MatchCaseSource& MatchCaseSlot()
{
    static CVantorixDoc::MatchCaseSource source;
    return source;
}

} // namespace

CVantorixDoc::CVantorixDoc() = default;

CVantorixDoc::~CVantorixDoc()
{
    // Only a crash or a kill may leave a journal behind: a document that goes in order has
    // been asked about its changes.
    DropJournal();
}

void CVantorixDoc::SetSearchTypeSource(SearchTypeSource source)
{
    SearchTypeSlot() = std::move(source);
}

SearchType CVantorixDoc::CurrentSearchType()
{
    const SearchTypeSource& source = SearchTypeSlot();
    return source ? source() : SearchType::Ascii;
}

void CVantorixDoc::SetMatchCaseSource(MatchCaseSource source)
{
    MatchCaseSlot() = std::move(source);
}

bool CVantorixDoc::CurrentMatchCase()
{
    const MatchCaseSource& source = MatchCaseSlot();
    return source ? source() : true;
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

bool CVantorixDoc::OnOpenDocument(const QString& path)
{
    try {
        const std::string local = LocalPath(path);
        CFile::OpenError error = m_file.Open(local);
        bool readOnly = false;
        // A file the user may not write, or that another editor holds, can still be looked
        // at; the copy a Save As makes must be writable, so there nobody is asked.
        if ((error == CFile::OpenError::ReadOnly || error == CFile::OpenError::Locked ||
             error == CFile::OpenError::Running) &&
            !m_bOpeningCopy) {
            Trace(QStringLiteral("open %1: %2").arg(path, QString::fromLatin1(OpenErrorText(error))));
            const bool running = error == CFile::OpenError::Running;
            // Opened before asking, so that a file that cannot even be read says so at once.
            error = m_file.Open(local, CFile::Mode::ViewOnly);
            if (error == CFile::OpenError::None) {
                QString question = QString::fromLatin1(kOpenReadOnlyQuestion).arg(QFileInfo(path).fileName());
                if (running)
                    question += QLatin1Char('\n') + QString::fromLatin1(kRunningProgram);
                const MsgResult answer = ShowMessageBox(question, MsgButtons::YesNo);
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

bool CVantorixDoc::OnSaveDocument(const QString& path)
{
    return path == m_path ? SaveInPlace() : SaveToNewName(path);
}

bool CVantorixDoc::SaveInPlace()
{
    if (m_bReadOnly) {
        // Save is disabled for a view-only document; nothing reaches its file.
        ShowMessageBox(QString::fromLatin1(kReadOnlyRefusal));
        return false;
    }
    // Nothing pending: nothing to write, and so nothing to ask about the file either.
    if (m_changes.empty()) {
        const bool wasDirty = IsDirty();
        m_bSavedBytesUnknown = false;
        NotifyIfDirtyChanged(wasDirty);
        return true;
    }
    bool touched = false;
    QString reason;
    try {
        FileCheck check;
        if (!m_file.Check(check))
            throw DocFailure("the open file cannot be asked for its state");
        if (check.change != FileChange::None) {
            // Another program renamed a file over ours, deleted it or wrote into it. Writing
            // now could put the changes where the user cannot see them, or into bytes the
            // window never showed: the user decides.
            switch (AskAboutChangedFile(check)) {
            case ChangedFileChoice::SaveAs: return DoSaveAs();
            case ChangedFileChoice::Overwrite: break;
            case ChangedFileChoice::Cancel: return false;
            }
        }
        // Never past the end the file has now: a write there would grow it, with a gap of
        // zeros in front of the byte. Asked of the file, not taken from the check: a disk's
        // size is its driver's, and stat gives it as 0.
        if (m_changes.rbegin()->first >= m_file.GetLength())
            throw DocFailure("a change lies past the end of the file");
        // Open for writing only while saving, so that a program shown in a window can
        // still run; a program that is running refuses it (ETXTBSY). A failure half-way
        // puts the old bytes back before it is reported.
        WritePendingSafely(touched);
        m_file.RecordIdentity();
        m_noticed.reset();
        // The undo history stays: an undo after a save becomes a new pending change.
        const bool wasDirty = IsDirty();
        m_changes.clear();
        m_nDifferingBytes = 0;
        m_bSavedBytesUnknown = false;
        NotifyIfDirtyChanged(wasDirty);
        RestartJournal();
        return true;
    } catch (const CFileException& failure) {
        reason = WriteFailureReason(failure.Error());
        Trace(QStringLiteral("save %1: %2").arg(m_path, QString::fromLocal8Bit(failure.what())));
    } catch (const std::exception& failure) {
        Trace(QStringLiteral("save %1: %2").arg(m_path, QString::fromLocal8Bit(failure.what())));
    } catch (...) {
    }
    m_file.AbandonWrite();
    if (touched) {
        // Some changes reached the file and could not be taken back: which bytes still
        // differ is no longer known, so the document stays dirty until a save succeeds.
        const bool wasDirty = IsDirty();
        m_bSavedBytesUnknown = true;
        NotifyIfDirtyChanged(wasDirty);
    }
    // Writes that got through (and were put back) changed the file's times: that change is
    // ours, and the next save must not take it for another program's.
    try {
        m_file.RecordIdentity();
    } catch (...) {
    }
    ShowMessageBox(reason.isEmpty() ? QString::fromLatin1(kExceptionInSave)
                                    : QString::fromLatin1(kExceptionInSave) + QLatin1Char('\n') + reason);
    return false;
}

CVantorixDoc::ChangedFileChoice CVantorixDoc::AskAboutChangedFile(const FileCheck& check)
{
    // Overwriting is offered only where it lands on the bytes the user saw the changes
    // against: the name still leads to the open file and its length is unchanged.
    const bool mayOverwrite =
        check.change == FileChange::Changed && check.descriptor.size == m_file.Identity().size;
    QString text = FileChangeText(check.change, FileName(m_path)) + QStringLiteral("\n\n");
    if (check.change == FileChange::Changed && !mayOverwrite)
        text += QStringLiteral("Its length changed, so your changes can no longer be saved into it. ");
    text += QStringLiteral("Save As... writes what this window shows to a new file.");
    if (mayOverwrite)
        text += QStringLiteral(" Overwrite writes your changes into the file as it is now.");

    const QString saveAs = QStringLiteral("Save As...");
    if (!mayOverwrite) {
        const MsgResult answer =
            ShowMessageBox(text, MsgButtons::OkCancel, MsgIcon::Default, {{MsgResult::Ok, saveAs}});
        return answer == MsgResult::Ok ? ChangedFileChoice::SaveAs : ChangedFileChoice::Cancel;
    }
    const MsgResult answer = ShowMessageBox(text, MsgButtons::YesNoCancel, MsgIcon::Default,
                                            {{MsgResult::Yes, saveAs}, {MsgResult::No, QStringLiteral("Overwrite")}});
    return answer == MsgResult::Yes  ? ChangedFileChoice::SaveAs
           : answer == MsgResult::No ? ChangedFileChoice::Overwrite
                                     : ChangedFileChoice::Cancel;
}

bool CVantorixDoc::SaveToNewName(const QString& path)
{
    // The new file is made from the open descriptor, not copied by name: it gets the bytes
    // the window shows even when another program has replaced or deleted the old name.
    // It is created exclusively and locked before a byte goes in, so no other editor can
    // take it meanwhile. The old file stays open, and locked, until the new one holds
    // every change; whatever fails, the document goes back to it with its pending changes,
    // and only the file this save created is removed again.
    CFile copy;
    const CFile::OpenError error = copy.CreateCopyOf(m_file, LocalPath(path));
    if (error != CFile::OpenError::None) {
        Trace(QStringLiteral("save as %1: %2 (%3)")
                  .arg(path, QString::fromLatin1(OpenErrorText(error)),
                       QString::fromLocal8Bit(std::strerror(copy.LastError()))));
        QString text = QString::fromLatin1(kFailedToCopy);
        if (error == CFile::OpenError::Exists)
            text += QStringLiteral("\nA file named %1 already exists. Choose another name.").arg(FileName(path));
        ShowMessageBox(text);
        return false;
    }

    const QString previousPath = m_path;
    const FilePos previousLength = m_nLength;
    const std::map<FilePos, std::uint8_t> previousChanges = m_changes;
    const std::optional<FileCheck> previousNoticed = m_noticed;
    const std::int64_t previousDiffering = m_nDifferingBytes;
    const bool previousUnknown = m_bSavedBytesUnknown;
    const bool previousReadOnly = m_bReadOnly;
    const std::string previousCanonical = m_canonicalPath;
    CFile previousFile = std::move(m_file);
    try {
        m_file = std::move(copy);
        m_path = path;
        m_canonicalPath = QFile::encodeName(QFileInfo(path).canonicalFilePath()).toStdString();
        m_nLength = m_file.GetLength();
        m_noticed.reset();
        // The copy is the user's own new file: a view-only document becomes editable in it.
        m_bReadOnly = false;
        // Bytes that a truncation by another program took away are not in the window any
        // more, and a change to one has nothing left to land on.
        const auto pastEnd = m_changes.lower_bound(m_nLength);
        if (pastEnd != m_changes.end()) {
            Trace(QStringLiteral("save as %1: %2 changes past the end left out")
                      .arg(path).arg(std::distance(pastEnd, m_changes.end())));
            m_changes.erase(pastEnd, m_changes.end());
        }
        if (!OnSaveDocument(path))
            throw DocFailure(kFailedToSaveNew);
        // The old file is as it was and holds nothing of this window any more; the new
        // one's journal starts empty.
        DropJournal();
        RestartJournal();
        return true; // previousFile closes here and releases the old file
    } catch (const DocFailure& failure) {
        ShowMessageBox(QString::fromLatin1(failure.what()));
    } catch (...) {
        ShowMessageBox(QString::fromLatin1(kExceptionInSave));
    }
    m_file.RemoveIfStillNamed();
    m_file = std::move(previousFile);
    m_path = previousPath;
    m_canonicalPath = previousCanonical;
    m_nLength = previousLength;
    m_changes = previousChanges;
    m_noticed = previousNoticed;
    m_bReadOnly = previousReadOnly;
    // Back on the old file, whose bytes the count was taken against.
    const bool wasDirty = IsDirty();
    m_nDifferingBytes = previousDiffering;
    m_bSavedBytesUnknown = previousUnknown;
    NotifyIfDirtyChanged(wasDirty);
    return false;
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
    QString text = FileChangeText(check.change, FileName(m_path)) + QLatin1Char(' ');
    if (check.change == FileChange::Changed) {
        text += QStringLiteral("The window now shows the file as it is on disk");
        text += m_changes.empty() ? QStringLiteral(".") : QStringLiteral("; your unsaved changes stay on top of it.");
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
    if (const auto change = m_changes.find(position); change != m_changes.end())
        return change->second;
    try {
        std::uint8_t value = 0;
        m_file.Seek(position);
        m_file.Read(&value, 1);
        return value;
    } catch (...) {
        return 0;
    }
}

std::int32_t CVantorixDoc::ReadBytes(std::uint8_t* buffer, std::uint32_t count, FilePos position)
{
    count = std::min(count, kMaxRead);
    if (!buffer && count > 0)
        return -1;
    try {
        m_file.Seek(position);
        if (m_changes.empty())
            return static_cast<std::int32_t>(m_file.Read(buffer, count));

        // With pending changes a read is clipped to the length measured at open, so that
        // every change it may carry lies inside the file.
        if (position >= m_nLength)
            throw DocFailure(kReadPastEnd);
        count = static_cast<std::uint32_t>(std::min<FilePos>(count, m_nLength - position));
        // A file cut short behind our back delivers less; only what it delivered is shown.
        count = m_file.Read(buffer, count);
        const FilePos end = position + count;
        for (auto change = m_changes.lower_bound(position);
             change != m_changes.end() && change->first < end; ++change)
            buffer[change->first - position] = change->second;
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
        const FilePos end = position + delivered;
        for (auto change = m_changes.lower_bound(position); change != m_changes.end() && change->first < end;
             ++change)
            buffer[change->first - position] = change->second;
        return {delivered, error};
    } catch (const CFileException& failure) {
        return {0, failure.Error() != 0 ? failure.Error() : EIO};
    } catch (...) {
        return {0, EIO};
    }
}

QString CVantorixDoc::ReadFailureText(FilePos offset, int error) const
{
    const QString reason = QString::fromLocal8Bit(std::strerror(error != 0 ? error : EIO));
    return QStringLiteral("Could not read %1 at %2: %3.")
        .arg(FileName(m_path), QString::number(offset, 16).toUpper().rightJustified(8, QLatin1Char('0')), reason);
}

CVantorixDoc::ChangeGroup::ChangeGroup(CVantorixDoc& doc) : m_doc(doc)
{
    if (m_doc.m_nGroupDepth++ == 0)
        m_doc.m_nGroupStart = m_doc.m_undo.size();
}

CVantorixDoc::ChangeGroup::~ChangeGroup()
{
    --m_doc.m_nGroupDepth;
}

bool CVantorixDoc::SetByte(std::uint8_t value, FilePos position)
{
    if (m_bReadOnly)
        return false;
    try {
        // A change past the end would make the next save extend the file.
        if (position >= m_nLength)
            return false;
        if (m_file.Seek(position) != position)
            return false;
        std::uint8_t saved = 0;
        // A file cut short behind our back has no byte here any more to compare with.
        const bool savedKnown = m_file.Read(&saved, 1) == 1;
        std::uint8_t previous = saved;
        const auto pending = m_changes.find(position);
        if (pending != m_changes.end())
            previous = pending->second;

        const bool wasDirty = IsDirty();
        m_undo.push_back(ByteChange{position, previous, JoinsOpenGroup()});
        try {
            PutPending(position, value, savedKnown ? std::optional<std::uint8_t>(saved) : std::nullopt);
        } catch (...) {
            m_undo.pop_back();
            throw;
        }
        // A new change ends what could be redone.
        m_redo.clear();
        JournalStep(JournalRecord::Kind::Change, m_undo.back().joinsPrevious, {JournalRun{position, 1, false, {value}}});
        NotifyIfDirtyChanged(wasDirty);
        return true;
    } catch (...) {
        return false;
    }
}

std::int32_t CVantorixDoc::SetBytes(const std::uint8_t* values, std::uint32_t count, FilePos position)
{
    if (m_bReadOnly)
        return -1;
    if (!m_bFileOpen || position >= m_nLength || count == 0)
        return 0;
    count = static_cast<std::uint32_t>(std::min<FilePos>(count, m_nLength - position));
    if (!values || count > kMaxStepBytes)
        return -1;
    const std::size_t undoBefore = m_undo.size();
    const bool wasDirty = IsDirty();
    std::vector<std::uint8_t> previous;
    std::vector<std::uint8_t> saved;
    std::uint32_t done = 0;
    // The file's own bytes, read in blocks, so that counting what differs from the file
    // costs no read per byte; a file cut short behind our back delivers fewer.
    const auto savedAt = [&](std::uint32_t offset) {
        return offset < saved.size() ? std::optional<std::uint8_t>(saved[offset]) : std::nullopt;
    };
    try {
        // What every byte shows now is read before anything changes, so a failed read
        // changes nothing.
        previous.resize(count);
        for (std::uint32_t offset = 0; offset < count;) {
            const std::int32_t n = ReadBytes(previous.data() + offset, std::min(kMaxRead, count - offset),
                                             position + offset);
            if (n <= 0)
                return -1;
            offset += static_cast<std::uint32_t>(n);
        }
        saved.resize(count);
        saved.resize(ReadSavedBytes(saved.data(), count, position));
        m_undo.reserve(undoBefore + count);
        const bool joins = JoinsOpenGroup();
        for (; done < count; ++done) {
            m_undo.push_back(ByteChange{position + done, previous[done], done != 0 || joins});
            PutPending(position + done, values[done], savedAt(done));
        }
        m_redo.clear();
        JournalStep(JournalRecord::Kind::Change, joins,
                    {JournalRun{position, count, false, std::vector<std::uint8_t>(values, values + count)}});
        NotifyIfDirtyChanged(wasDirty);
        return static_cast<std::int32_t>(count);
    } catch (...) {
        // Out of memory half-way: the bytes written so far show their old values again
        // (their entries exist, so this assigns without allocating) and the step is gone.
        try {
            for (std::uint32_t i = done; i-- > 0;)
                PutPending(position + i, previous[i], savedAt(i));
        } catch (...) {
            m_bSavedBytesUnknown = true;
        }
        m_undo.resize(std::min(m_undo.size(), undoBefore));
        NotifyIfDirtyChanged(wasDirty);
        return -1;
    }
}

void CVantorixDoc::PutPending(FilePos position, std::uint8_t value, std::optional<std::uint8_t> saved)
{
    if (!saved) {
        std::uint8_t fileByte = 0;
        if (ReadSavedByte(position, fileByte))
            saved = fileByte;
    }
    const auto [entry, inserted] = m_changes.try_emplace(position, value);
    const std::uint8_t before = inserted ? saved.value_or(value) : entry->second;
    entry->second = value;
    // A byte whose file value cannot be read any more (the file was cut short behind our
    // back) keeps the document unsaved until a save succeeds.
    if (saved)
        CountShownChange(*saved, before, value);
    else
        m_bSavedBytesUnknown = true;
}

FilePos CVantorixDoc::MoveStep(std::vector<ByteChange>& from, std::vector<ByteChange>& to)
{
    std::size_t begin = from.size();
    while (begin > 0 && from[--begin].joinsPrevious) {
    }
    to.reserve(to.size() + (from.size() - begin));
    FilePos lowest = std::numeric_limits<FilePos>::max();
    // Newest record first; the other stack gets them in the opposite order, so the step
    // comes back out of it oldest first, as it was made.
    for (bool first = true; from.size() > begin; first = false) {
        const ByteChange record = from.back();
        to.push_back(ByteChange{record.position, GetByte(record.position), !first});
        try {
            // Also when it equals the file's byte the value stays a pending change: the
            // entry is never removed, and the next save writes it.
            PutPending(record.position, record.previous);
        } catch (...) {
            // Out of memory: the records moved so far stay a step of their own on the
            // other stack, the rest stays where it was.
            to.pop_back();
            throw;
        }
        from.pop_back();
        lowest = std::min(lowest, record.position);
    }
    return lowest;
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
    TakeStep(m_undo, m_redo);
}

void CVantorixDoc::Redo()
{
    TakeStep(m_redo, m_undo);
}

void CVantorixDoc::TakeStep(std::vector<ByteChange>& from, std::vector<ByteChange>& to)
{
    if (from.empty() || m_bReadOnly)
        return;
    const bool wasDirty = IsDirty();
    try {
        // An undo after a save is a change the file does not have yet, and one back to
        // the saved value takes a change away: PutPending's count follows both.
        const FilePos position = MoveStep(from, to);
        JournalStep(&from == &m_undo ? JournalRecord::Kind::Undo : JournalRecord::Kind::Redo);
        NotifyIfDirtyChanged(wasDirty);
        ShowInFirstView(position);
    } catch (...) {
        NotifyIfDirtyChanged(wasDirty);
    }
}

bool CVantorixDoc::ReadSavedByte(FilePos position, std::uint8_t& value)
{
    try {
        return m_bFileOpen && m_file.Seek(position) == position && m_file.Read(&value, 1) == 1;
    } catch (...) {
        return false;
    }
}

std::uint32_t CVantorixDoc::ReadSavedBytes(std::uint8_t* buffer, std::uint32_t count, FilePos position)
{
    std::uint32_t done = 0;
    try {
        if (!m_bFileOpen || m_file.Seek(position) != position)
            return 0;
        while (done < count) {
            const std::uint32_t n = m_file.Read(buffer + done, std::min(kMaxRead, count - done));
            if (n == 0)
                break;
            done += n;
        }
    } catch (...) {
    }
    return done;
}

void CVantorixDoc::CountShownChange(std::uint8_t saved, std::uint8_t before, std::uint8_t after)
{
    m_nDifferingBytes += static_cast<int>(after != saved) - static_cast<int>(before != saved);
}

void CVantorixDoc::NotifyIfDirtyChanged(bool wasDirty)
{
    if (IsDirty() != wasDirty)
        UpdateFrameTitles();
}

SearchPattern CVantorixDoc::EncodeSearchText(const QString& text, SearchType type, bool matchCase, QString& problem)
{
    const bool eightBit = std::all_of(text.begin(), text.end(),
                                      [](QChar c) { return c.unicode() <= 0xFF; });
    if (!eightBit) {
        problem = QString::fromLatin1(kNotEightBit);
        return {};
    }
    SearchPattern pattern = EncodeSearchPattern(text.toLatin1().toStdString(), type, matchCase);
    problem = QString::fromLatin1(PatternProblemText(pattern.problem));
    return pattern;
}

QString CVantorixDoc::SearchTextProblem(const QString& text, SearchType type)
{
    QString problem;
    EncodeSearchText(text, type, true, problem);
    return problem;
}

std::optional<SearchPattern> CVantorixDoc::SearchableText(const QString& text)
{
    QString problem;
    SearchPattern pattern = EncodeSearchText(text, CurrentSearchType(), CurrentMatchCase(), problem);
    if (!problem.isEmpty()) {
        ShowMessageBox(problem);
        return std::nullopt;
    }
    return pattern;
}

FindResult CVantorixDoc::Find(const QString& text, FilePos caret, SearchDirection direction,
                              const FindProgress& progress)
{
    try {
        const std::optional<SearchPattern> pattern = SearchableText(text);
        if (!pattern)
            return {};
        FindResult found = FindAround(*pattern, caret, direction, progress);
        if (found.position >= 0)
            found.length = pattern->compareLength;
        return found;
    } catch (...) {
        return {};
    }
}

std::int64_t CVantorixDoc::Find(const QString& text, FilePos start)
{
    try {
        const std::optional<SearchPattern> pattern = SearchableText(text);
        return pattern ? ScanForPattern(*pattern, start) : -1;
    } catch (...) {
        return -1;
    }
}

std::int64_t CVantorixDoc::ScanForPattern(const SearchPattern& pattern, FilePos start, const ScanProgress& carryOn)
{
    return ScanRange(pattern, start, std::numeric_limits<FilePos>::max(), SearchDirection::Forward, carryOn);
}

std::int64_t CVantorixDoc::ScanRange(const SearchPattern& pattern, FilePos from, FilePos to,
                                     SearchDirection direction, const ScanProgress& carryOn)
{
    const std::size_t compared = pattern.compareLength;
    if (compared == 0 || pattern.bytes.size() < compared)
        return -1;
    to = std::min(to, GetFileLength());
    if (from >= to || to - from < compared)
        return -1;
    const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kMaxRead);
    // Consecutive blocks overlap by compared - 1 bytes, so that a match that starts in one
    // block and ends in the next is seen whole in one of them.
    const std::uint32_t overlap = static_cast<std::uint32_t>(compared - 1);

    if (direction == SearchDirection::Forward) {
        FilePos p = from;
        while (p < to) {
            const auto wanted = static_cast<std::uint32_t>(std::min<FilePos>(kMaxRead, to - p));
            const std::int32_t n = ReadBytes(block.get(), wanted, p);
            if (n <= 0)
                return -1;
            const std::size_t delivered = static_cast<std::size_t>(n);
            const std::ptrdiff_t hit = FindPatternInBlock(block.get(), delivered, pattern, direction);
            if (hit >= 0)
                return static_cast<std::int64_t>(p + static_cast<FilePos>(hit));
            if (p + delivered >= to)
                return -1;
            const std::size_t advance = delivered >= compared ? delivered - overlap : 1;
            p += advance;
            if (carryOn && !carryOn(p))
                return -1;
        }
        return -1;
    }

    FilePos end = to;
    while (end > from) {
        const FilePos start = end - std::min<FilePos>(kMaxRead, end - from);
        const std::int32_t n = ReadBytes(block.get(), static_cast<std::uint32_t>(end - start), start);
        if (n <= 0)
            return -1;
        const std::ptrdiff_t hit = FindPatternInBlock(block.get(), static_cast<std::size_t>(n), pattern, direction);
        if (hit >= 0)
            return static_cast<std::int64_t>(start + static_cast<FilePos>(hit));
        if (start == from || end - start <= overlap)
            return -1;
        end = start + overlap;
        if (carryOn && !carryOn(end))
            return -1;
    }
    return -1;
}

FindResult CVantorixDoc::FindAround(const SearchPattern& pattern, FilePos caret, SearchDirection direction,
                                    const FindProgress& progress)
{
    const FilePos length = GetFileLength();
    const FilePos compared = pattern.compareLength;
    // A caret past the end (a click below the data) searches as from the end; clamping
    // also keeps caret + 1 from wrapping.
    const FilePos at = std::min(caret, length);
    // The first pass runs from the caret to the file's end (or start); the second, after
    // the wrap, covers the rest and meets the first where a match could span both.
    FilePos firstFrom = 0;
    FilePos firstTo = 0;
    FilePos secondFrom = 0;
    FilePos secondTo = 0;
    if (direction == SearchDirection::Forward) {
        firstFrom = at + 1;
        firstTo = length;
        secondTo = std::min(length, at + compared);
    } else {
        firstTo = at;
        secondFrom = at + 1 >= compared ? at + 1 - compared : 0;
        secondTo = length;
    }

    bool stopped = false;
    FilePos scannedBefore = 0;
    const auto pass = [&](FilePos from, FilePos to) -> std::int64_t {
        if (stopped || from >= to)
            return -1;
        const std::int64_t found = ScanRange(pattern, from, to, direction, [&](FilePos next) {
            if (!progress)
                return true;
            const FilePos scanned = direction == SearchDirection::Forward ? next - from : to - next;
            if (!progress(scannedBefore + scanned))
                stopped = true;
            return !stopped;
        });
        scannedBefore += to - from;
        return found;
    };

    if (const std::int64_t found = pass(firstFrom, firstTo); found >= 0)
        return {found, false};
    if (const std::int64_t found = pass(secondFrom, secondTo); found >= 0)
        return {found, true};
    return {};
}

} // namespace vtx
