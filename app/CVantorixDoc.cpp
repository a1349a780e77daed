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
#include <cstring>
#include <limits>
#include <memory>
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
constexpr const char* kReadPastEnd = "len < 0";
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

// Seeks take signed 32-bit offsets: a position of 2 GiB or more cannot be reached.
std::int32_t SeekOffset(std::uint32_t position)
{
    if (position > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        throw DocFailure("position beyond 2 GiB");
    return static_cast<std::int32_t>(position);
}

CVantorixDoc::SearchTypeSource& SearchTypeSlot()
{
    static CVantorixDoc::SearchTypeSource source;
    return source;
}

// Encodes a search text, or says in `problem` why it cannot be searched for.
SearchPattern EncodeSearchText(const QString& text, SearchType type, QString& problem)
{
    const bool eightBit = std::all_of(text.begin(), text.end(),
                                      [](QChar c) { return c.unicode() <= 0xFF; });
    if (!eightBit) {
        problem = QString::fromLatin1(kNotEightBit);
        return {};
    }
    SearchPattern pattern = EncodeSearchPattern(text.toLatin1().toStdString(), type);
    problem = QString::fromLatin1(PatternProblemText(pattern.problem));
    return pattern;
}

} // namespace

CVantorixDoc::CVantorixDoc() = default;

CVantorixDoc::~CVantorixDoc() = default;

void CVantorixDoc::SetSearchTypeSource(SearchTypeSource source)
{
    SearchTypeSlot() = std::move(source);
}

SearchType CVantorixDoc::CurrentSearchType()
{
    const SearchTypeSource& source = SearchTypeSlot();
    return source ? source() : SearchType::Ascii;
}

bool CVantorixDoc::OnNewDocument()
{
    // A document cannot exist without a file.
    return false;
}

bool CVantorixDoc::OnOpenDocument(const QString& path)
{
    try {
        const CFile::OpenError error = m_file.Open(LocalPath(path));
        if (error != CFile::OpenError::None) {
            m_bFileOpen = false;
            Trace(QStringLiteral("open %1: %2").arg(path, QString::fromLatin1(OpenErrorText(error))));
            ShowMessageBox(QString::fromLatin1(kErrorOpeningFile));
            return false;
        }
        m_bFileOpen = true;
        m_path = path;
        m_nLength = m_file.GetLength();
        return true;
    } catch (...) {
        m_file.Close();
        m_bFileOpen = false;
        ShowMessageBox(QString::fromLatin1(kExceptionOpeningFile));
        return false;
    }
}

bool CVantorixDoc::OnSaveDocument(const QString& path)
{
    return path == m_path ? SaveInPlace() : SaveToNewName(path);
}

bool CVantorixDoc::SaveInPlace()
{
    // Nothing pending: nothing to write, and so nothing to ask about the file either.
    if (m_changes.empty()) {
        m_bDirty = false;
        return true;
    }
    bool wrote = false;
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
        // zeros in front of the byte.
        if (static_cast<std::int64_t>(m_changes.rbegin()->first) >= check.descriptor.size)
            throw DocFailure("a change lies past the end of the file");
        // One seek and one one-byte write per changed byte; the file keeps its length.
        for (const auto& [position, value] : m_changes) {
            if (m_file.Seek(SeekOffset(position)) != position)
                throw DocFailure("seek did not reach the changed byte");
            wrote = true;
            m_file.Write(&value, 1);
        }
        // Only what reached the disk counts as saved.
        m_file.Sync();
        m_file.RecordIdentity();
        m_noticed.reset();
        // The undo history stays: an undo after a save becomes a new pending change.
        m_bDirty = false;
        m_changes.clear();
        return true;
    } catch (const std::exception& failure) {
        Trace(QStringLiteral("save %1: %2").arg(m_path, QString::fromLocal8Bit(failure.what())));
    } catch (...) {
    }
    // A write that got through changed the file's time: that change is ours, and the next
    // save must not take it for another program's.
    if (wrote) {
        try {
            m_file.RecordIdentity();
        } catch (...) {
        }
    }
    ShowMessageBox(QString::fromLatin1(kExceptionInSave));
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
    const std::uint32_t previousLength = m_nLength;
    const std::map<std::uint32_t, std::uint8_t> previousChanges = m_changes;
    const std::optional<FileCheck> previousNoticed = m_noticed;
    CFile previousFile = std::move(m_file);
    try {
        m_file = std::move(copy);
        m_path = path;
        m_nLength = m_file.GetLength();
        m_noticed.reset();
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
        return true; // previousFile closes here and releases the old file
    } catch (const DocFailure& failure) {
        ShowMessageBox(QString::fromLatin1(failure.what()));
    } catch (...) {
        ShowMessageBox(QString::fromLatin1(kExceptionInSave));
    }
    m_file.RemoveIfStillNamed();
    m_file = std::move(previousFile);
    m_path = previousPath;
    m_nLength = previousLength;
    m_changes = previousChanges;
    m_noticed = previousNoticed;
    m_bDirty = true;
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
    if (m_bDirty) {
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
    if (m_bFileOpen) {
        m_file.Close();
        m_bFileOpen = false;
    }
    // May delete this document.
    CDocument::OnCloseDocument();
}

std::uint32_t CVantorixDoc::GetFileLength() const
{
    if (!m_bFileOpen)
        return 0;
    try {
        return m_file.GetLength();
    } catch (...) {
        return 0;
    }
}

std::uint8_t CVantorixDoc::GetByte(std::uint32_t position)
{
    if (const auto change = m_changes.find(position); change != m_changes.end())
        return change->second;
    try {
        std::uint8_t value = 0;
        m_file.Seek(SeekOffset(position));
        m_file.Read(&value, 1);
        return value;
    } catch (...) {
        return 0;
    }
}

std::int32_t CVantorixDoc::ReadBytes(std::uint8_t* buffer, std::uint32_t count,
                                     std::uint32_t position)
{
    count = std::min(count, kMaxRead);
    if (!buffer && count > 0)
        return -1;
    try {
        m_file.Seek(SeekOffset(position));
        if (m_changes.empty())
            return static_cast<std::int32_t>(m_file.Read(buffer, count));

        // With pending changes a read is clipped to the length measured at open, so that
        // every change it may carry lies inside the file.
        if (position >= m_nLength)
            throw DocFailure(kReadPastEnd);
        count = std::min(count, m_nLength - position);
        // A file cut short behind our back delivers less; only what it delivered is shown.
        count = m_file.Read(buffer, count);
        const std::uint32_t end = position + count;
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

bool CVantorixDoc::SetByte(std::uint8_t value, std::uint32_t position)
{
    try {
        // A change past the end would make the next save extend the file.
        if (position >= m_nLength)
            return false;
        if (m_file.Seek(SeekOffset(position)) != position)
            return false;
        std::uint8_t previous = 0;
        m_file.Read(&previous, 1);
        const auto pending = m_changes.find(position);
        if (pending != m_changes.end())
            previous = pending->second;

        m_undo.push_back(ByteChange{position, previous});
        try {
            m_changes.insert_or_assign(position, value);
        } catch (...) {
            m_undo.pop_back();
            throw;
        }
        m_bDirty = true;
        return true;
    } catch (...) {
        return false;
    }
}

void CVantorixDoc::Undo()
{
    if (m_undo.empty())
        return;
    const ByteChange record = m_undo.back();
    try {
        // Also when it equals the file's byte the value stays a pending change: the entry
        // is never removed, and the next save writes it.
        m_changes[record.position] = record.previous;
    } catch (...) {
        return;
    }
    m_undo.pop_back();
    // An undo after a save is a change the file does not have yet: ask about it at close.
    m_bDirty = true;

    if (auto* view = dynamic_cast<IDocumentPositionView*>(GetFirstView())) {
        try {
            view->GotoPosition(record.position);
            view->RepaintNow();
        } catch (...) {
        }
    }
}

QString CVantorixDoc::SearchTextProblem(const QString& text, SearchType type)
{
    QString problem;
    EncodeSearchText(text, type, problem);
    return problem;
}

std::int32_t CVantorixDoc::Find(const QString& text, std::uint32_t start)
{
    try {
        QString problem;
        const SearchPattern pattern = EncodeSearchText(text, CurrentSearchType(), problem);
        if (!problem.isEmpty()) {
            ShowMessageBox(problem);
            return -1;
        }
        return ScanForPattern(pattern, start);
    } catch (...) {
        return -1;
    }
}

std::int32_t CVantorixDoc::ScanForPattern(const SearchPattern& pattern, std::uint32_t start,
                                          const ScanProgress& carryOn)
{
    const std::size_t compared = pattern.compareLength;
    if (compared == 0 || pattern.bytes.size() < compared)
        return -1;
    const std::uint32_t length = GetFileLength();
    const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kMaxRead);
    std::uint32_t p = start;
    while (p < length) {
        const std::int32_t n = ReadBytes(block.get(), kMaxRead, p);
        if (n <= 0)
            return -1;
        const std::size_t delivered = static_cast<std::size_t>(n);
        const std::ptrdiff_t hit = FindInBlock(block.get(), delivered, pattern.bytes.data(), compared);
        if (hit >= 0)
            return static_cast<std::int32_t>(p + static_cast<std::uint32_t>(hit));
        if (std::uint64_t{p} + delivered >= length)
            return -1;
        // The next block starts early enough that a match beginning in this block's last
        // compared - 1 bytes is seen whole there.
        const std::size_t advance = delivered >= compared ? delivered - (compared - 1) : 1;
        p += static_cast<std::uint32_t>(advance);
        if (carryOn && !carryOn(p))
            return -1;
    }
    return -1;
}

} // namespace vtx
