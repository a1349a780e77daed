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
constexpr const char* kFailedToOpenNew = "Failed To Open New File";
constexpr const char* kFailedToSaveNew = "Failed To Save New File";
constexpr const char* kExceptionInSave = "Exception in Save()";
constexpr const char* kReadOnlyRefusal = CVantorixDoc::kReadOnlyText;
constexpr const char* kReadPastEnd = "len < 0";
constexpr const char* kOpenReadOnlyQuestion = "Open %1 read-only?";
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
    case CFile::OpenError::TooLarge: return QStringLiteral("The file is 2 GiB or larger.");
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
        if ((error == CFile::OpenError::ReadOnly || error == CFile::OpenError::Locked) && !m_bOpeningCopy) {
            Trace(QStringLiteral("open %1: %2").arg(path, QString::fromLatin1(OpenErrorText(error))));
            // Opened before asking, so that a file that cannot even be read says so at once.
            error = m_file.Open(local, CFile::Mode::ViewOnly);
            if (error == CFile::OpenError::None) {
                const MsgResult answer = ShowMessageBox(
                    QString::fromLatin1(kOpenReadOnlyQuestion).arg(QFileInfo(path).fileName()), MsgButtons::YesNo);
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
    try {
        // One seek and one one-byte write per changed byte; the file keeps its length.
        for (const auto& [position, value] : m_changes) {
            if (m_file.Seek(SeekOffset(position)) != position)
                throw DocFailure("seek did not reach the changed byte");
            m_file.Write(&value, 1);
        }
        // The undo history stays: an undo after a save becomes a new pending change.
        const bool wasDirty = IsDirty();
        m_changes.clear();
        m_nDifferingBytes = 0;
        m_bSavedBytesUnknown = false;
        NotifyIfDirtyChanged(wasDirty);
        return true;
    } catch (const std::exception& failure) {
        Trace(QStringLiteral("save %1: %2").arg(m_path, QString::fromLocal8Bit(failure.what())));
    } catch (...) {
    }
    // Some changes may have reached the file and others not: which bytes still differ is
    // no longer known, so the document stays dirty until a save succeeds.
    const bool wasDirty = IsDirty();
    m_bSavedBytesUnknown = true;
    NotifyIfDirtyChanged(wasDirty);
    ShowMessageBox(QString::fromLatin1(kExceptionInSave));
    return false;
}

bool CVantorixDoc::SaveToNewName(const QString& path)
{
    // The old file stays open, and locked, until the new one holds every change. Whatever
    // fails on the way, the document goes back to it with its pending changes, and the copy
    // that this save made is removed again; a file that existed under the new name is
    // never touched, because the copy refuses to overwrite.
    const QString previousPath = m_path;
    const std::uint32_t previousLength = m_nLength;
    const bool previousReadOnly = m_bReadOnly;
    CFile previousFile;
    bool copied = false;
    bool swapped = false;
    try {
        if (!CopyFileNoOverwrite(LocalPath(m_path), LocalPath(path)))
            throw DocFailure(kFailedToCopy);
        copied = true;
        previousFile = std::move(m_file);
        swapped = true;
        m_bFileOpen = false;
        // The copy is the user's own new file: a view-only document becomes editable in it.
        m_bReadOnly = false;
        m_bOpeningCopy = true;
        const bool opened = OnOpenDocument(path);
        m_bOpeningCopy = false;
        if (!opened)
            throw DocFailure(kFailedToOpenNew);
        if (!OnSaveDocument(path))
            throw DocFailure(kFailedToSaveNew);
        return true; // previousFile closes here and releases the old file
    } catch (const DocFailure& failure) {
        ShowMessageBox(QString::fromLatin1(failure.what()));
    } catch (...) {
        ShowMessageBox(QString::fromLatin1(kExceptionInSave));
    }
    if (swapped) {
        m_file = std::move(previousFile);
        m_bFileOpen = m_file.IsOpen();
        m_path = previousPath;
        m_nLength = previousLength;
        m_bReadOnly = previousReadOnly;
    }
    if (copied)
        ::unlink(LocalPath(path).c_str());
    return false;
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
    if (m_bReadOnly)
        return false;
    try {
        // A change past the end would make the next save extend the file.
        if (position >= m_nLength)
            return false;
        if (m_file.Seek(SeekOffset(position)) != position)
            return false;
        std::uint8_t saved = 0;
        // A file cut short behind our back has no byte here any more to compare with.
        const bool savedKnown = m_file.Read(&saved, 1) == 1;
        std::uint8_t previous = saved;
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
        const bool wasDirty = IsDirty();
        if (savedKnown)
            CountShownChange(saved, previous, value);
        else
            m_bSavedBytesUnknown = true;
        NotifyIfDirtyChanged(wasDirty);
        return true;
    } catch (...) {
        return false;
    }
}

void CVantorixDoc::Undo()
{
    if (m_undo.empty() || m_bReadOnly)
        return;
    const ByteChange record = m_undo.back();
    const bool wasDirty = IsDirty();
    std::uint8_t saved = 0;
    const bool savedKnown = ReadSavedByte(record.position, saved);
    std::uint8_t before = saved;
    try {
        // Also when it equals the file's byte the value stays a pending change: the entry
        // is never removed, and the next save writes it.
        auto [entry, inserted] = m_changes.try_emplace(record.position, record.previous);
        if (!inserted) {
            before = entry->second;
            entry->second = record.previous;
        }
    } catch (...) {
        return;
    }
    m_undo.pop_back();
    // An undo after a save is a change the file does not have yet, and one back to the
    // saved value takes a change away: the count follows both.
    if (savedKnown)
        CountShownChange(saved, before, record.previous);
    else
        m_bSavedBytesUnknown = true;
    NotifyIfDirtyChanged(wasDirty);

    if (auto* view = dynamic_cast<IDocumentPositionView*>(GetFirstView())) {
        try {
            view->GotoPosition(record.position);
            view->RepaintNow();
        } catch (...) {
        }
    }
}

bool CVantorixDoc::ReadSavedByte(std::uint32_t position, std::uint8_t& value)
{
    try {
        return m_bFileOpen && m_file.Seek(SeekOffset(position)) == position && m_file.Read(&value, 1) == 1;
    } catch (...) {
        return false;
    }
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
