// The hex view's search and clipboard.
#include "CVantorixView.h"

// this program
#include "framework/CWinApp.h"
#include "framework/MessageBox.h"
#include "framework/Trace.h"
#include "res/CommandIds.h"
#include "view/CDisplaySettingsDlg.h"
#include "view/CFillDlg.h"
#include "view/DisplayPreferences.h"
#include "view/CVantorixViewShared.h"
#include "view/ClipboardText.h"
#include "view/DisplayCharacters.h"
#include "view/IMainFrameServices.h"
#include "view/KeyEventChar.h"
#include "view/ProgressSearch.h"
#include "view/QtColor.h"
#include "view/ViewColors.h"

// Qt
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

// std
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace vtx {

using namespace view_detail;

// ---------------------------------------------------------------------------------------
// Search

void CVantorixView::SetSearchProgressDelayMs(int ms)
{
    g_searchProgressDelayMs = std::max(0, ms);
}

int CVantorixView::SearchProgressDelayMs()
{
    return g_searchProgressDelayMs;
}

void CVantorixView::FindNext()
{
    Find(SearchDirection::Forward);
}

void CVantorixView::FindPrevious()
{
    Find(SearchDirection::Backward);
}

void CVantorixView::Find(SearchDirection direction)
{
    FindText(MainFrameServices().GetSearchText(), MainFrameServices().GetSearchSettings(), direction);
}

bool CVantorixView::FindText(const QString& text, SearchSettings settings, SearchDirection direction)
{
    CVantorixDoc* doc = GetDocument();
    if (!doc || m_bSearching)
        return false;
    if (text.isEmpty()) {
        ShowMessageBox(QStringLiteral("You need to enter text to search for"));
        return false;
    }
    // Refused before the search begins, so that the message does not come up while the
    // search holds back the input.
    if (const QString problem = DocumentSearch::TextProblem(text, settings); !problem.isEmpty()) {
        ShowMessageBox(problem);
        return false;
    }
    const bool forward = direction == SearchDirection::Forward;

    m_bSearching = true;
    bool reported = false;
    const QPointer<CVantorixView> self(this);
    const SearchOutcome outcome =
        SearchWithProgress(*doc, text, settings, m_nCaretPos, direction, g_searchProgressDelayMs, [&](int percent) {
            reported = true;
            SetStatus(QStringLiteral("Searching: %1% done. Press Esc to cancel.").arg(percent));
        });
    if (!self)
        return false;
    m_bSearching = false;

    switch (outcome.end) {
    case SearchEnd::Cancelled:
        SetStatus(QStringLiteral("Search cancelled."));
        break;
    case SearchEnd::Failed:
        if (reported)
            SetStatus(QString());
        ShowMessageBox(outcome.failure);
        break;
    case SearchEnd::NotFound:
        if (reported)
            SetStatus(QString());
        ShowMessageBox(forward ? QStringLiteral("Reached End of File") : QStringLiteral("Reached Start of File"));
        break;
    case SearchEnd::Found:
        // The caret goes to the match's first byte, which comes into view; the whole
        // match is selected, and the pane shows its length.
        SelectRange({outcome.position, std::max<FilePos>(outcome.length, 1)});
        // A wrap is told until the next search, which says nothing unless it wrapped too.
        if (outcome.wrapped)
            SetStatus(forward ? QStringLiteral("Search wrapped to the start of the file.")
                              : QStringLiteral("Search wrapped to the end of the file."));
        else
            SetStatus(QString());
        break;
    }
    if (self)
        m_searchEnded.start();
    return outcome.end == SearchEnd::Found;
}

// ---------------------------------------------------------------------------------------
// Clipboard

void CVantorixView::SetCopyProgressDelayMs(int ms)
{
    g_copyProgressDelayMs = std::max(0, ms);
}

CVantorixView::SelectionRead CVantorixView::ReadSelection(
    const QString& what, const std::function<bool(const std::uint8_t*, std::size_t)>& piece)
{
    CVantorixDoc* doc = GetDocument();
    const std::optional<ByteRange> range = SelectedRange();
    if (!doc || !range)
        return SelectionRead::NoSelection;

    QElapsedTimer clock;
    clock.start();
    qint64 nextReportMs = g_copyProgressDelayMs;
    bool reported = false;
    // Created only when the read turns out long, so that a short copy costs nothing.
    std::unique_ptr<LongTaskInputGuard> guard;
    const QPointer<CVantorixView> self(this);
    const auto endReport = [&] {
        if (reported && self)
            SetStatus(QString());
    };

    std::vector<std::uint8_t> block(CVantorixDoc::kMaxRead);
    const FilePos end = range->first + range->length;
    for (FilePos position = range->first; position < end;) {
        const auto wanted = static_cast<std::uint32_t>(std::min<FilePos>(end - position, CVantorixDoc::kMaxRead));
        const ReadOutcome read = doc->ReadPresented(block.data(), wanted, position);
        if (read.count > 0 && !piece(block.data(), read.count))
            break;
        position += read.count;
        if (read.Failed() || (read.count == 0 && position < end)) {
            // A selection cut short is not the selection: nothing of it is handed on.
            endReport();
            const int error = read.Failed() ? read.error : EIO;
            ShowMessageBox(doc->ReadFailureText(position, error));
            return SelectionRead::Failed;
        }
        if (clock.elapsed() >= nextReportMs) {
            if (!guard)
                guard = std::make_unique<LongTaskInputGuard>();
            reported = true;
            const auto percent = static_cast<int>((position - range->first) * 100 / range->length);
            SetStatus(QStringLiteral("%1: %2% done. Press Esc to cancel.").arg(what).arg(percent));
            QCoreApplication::processEvents();
            if (!self || !doc->IsFileOpen() || guard->Cancelled()) {
                guard.reset();
                if (self) {
                    SetStatus(QStringLiteral("%1 cancelled.").arg(what));
                    m_searchEnded.start();
                }
                return SelectionRead::Cancelled;
            }
            nextReportMs = clock.elapsed() + 100;
        }
    }
    guard.reset();
    endReport();
    return SelectionRead::Done;
}

QClipboard* CVantorixView::ClipboardForCopy(std::uint64_t maxBytes, const QString& tooLarge) const
{
    const std::optional<ByteRange> range = SelectedRange();
    if (!range)
        return nullptr;
    if (range->length > maxBytes) {
        ShowMessageBox(tooLarge);
        return nullptr;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        ShowMessageBox(QStringLiteral("Failed To Open Clipboard"));
    return clipboard;
}

void CVantorixView::CopyToClipboard()
{
    QClipboard* clipboard = ClipboardForCopy(
        kMaxCopyBytes,
        QStringLiteral("The selection is too large to copy: at most %1 bytes (256 MiB) can be copied at once.")
            .arg(kMaxCopyBytes));
    if (!clipboard)
        return;
    const std::optional<ByteRange> range = SelectedRange();

    // The bytes themselves go on the clipboard beside the text, which as text ends at the
    // first zero byte; a paste into Vantorix takes the bytes. A selection that cannot be
    // read to its end leaves nothing on the clipboard.
    try {
        QByteArray bytes;
        bytes.reserve(static_cast<qsizetype>(range->length));
        const SelectionRead read = ReadSelection(QStringLiteral("Copying"), [&bytes](const std::uint8_t* data, std::size_t count) {
            bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
            return true;
        });
        if (read == SelectionRead::Cancelled)
            return;
        clipboard->clear();
        if (read != SelectionRead::Done)
            return;
        const qsizetype zero = bytes.indexOf('\0');
        const qsizetype textLength = zero < 0 ? bytes.size() : zero;
        auto* data = new QMimeData;
        data->setText(QString::fromLatin1(bytes.constData(), textLength));
        data->setData(QString::fromLatin1(kBytesMimeType), bytes);
        clipboard->setMimeData(data);
        if (zero >= 0) {
            SetStatus(QStringLiteral("The text copied holds %1 of the %2 selected bytes: it ends at the first 00 byte. "
                                     "Copy as Hex copies them all.")
                          .arg(textLength)
                          .arg(bytes.size()));
        }
    } catch (const std::bad_alloc&) {
        clipboard->clear();
        ShowMessageBox(QStringLiteral("There is not enough memory to copy the selection."));
    }
}

void CVantorixView::CopyAsHex()
{
    // Three characters of text per byte: beyond this the clipboard would hold more than a
    // user could sensibly paste anywhere.
    constexpr std::uint64_t kMaxHexCopy = 16u << 20;
    QClipboard* clipboard = ClipboardForCopy(
        kMaxHexCopy,
        QStringLiteral("The selection is too large to copy as hex: at most %1 bytes can be copied.").arg(kMaxHexCopy));
    if (!clipboard)
        return;
    try {
        std::string text;
        std::uint64_t written = 0;
        const SelectionRead read = ReadSelection(QStringLiteral("Copying"), [&](const std::uint8_t* bytes, std::size_t count) {
            AppendHexLines(text, bytes, count, written);
            return true;
        });
        if (read == SelectionRead::Done)
            clipboard->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
        else if (read == SelectionRead::Failed)
            clipboard->clear();
    } catch (const std::bad_alloc&) {
        ShowMessageBox(QStringLiteral("There is not enough memory to copy the selection as hex."));
    }
}

void CVantorixView::FillSelection()
{
    CVantorixDoc* doc = GetDocument();
    if (!doc || RefusedAsReadOnly())
        return;
    const std::optional<ByteRange> range = SelectedRange();
    if (!range || range->Empty()) {
        ShowMessageBox(QStringLiteral("Select the bytes to fill first."));
        return;
    }
    CFillDlg dialog(range->length, this);
    if (dialog.DoModal() != QDialog::Accepted)
        return;
    QString problem;
    const std::vector<std::uint8_t> pattern = CVantorixDoc::ParseFillPattern(dialog.PatternText(), problem);
    if (!problem.isEmpty()) {
        ShowMessageBox(problem);
        return;
    }
    if (!doc->Fill(*range, pattern)) {
        ShowMessageBox(QStringLiteral("The selection could not be filled: the file cannot be read there."));
        return;
    }
    AfterBytesChanged();
}

void CVantorixView::AfterBytesChanged()
{
    m_bNibblePending = false;
    update(ClientRect());
    UpdateValueBar();
    emit caretMoved();
}

PasteProblem CVantorixView::ClipboardBytes(std::vector<std::uint8_t>& bytes) const
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (data && data->hasFormat(QString::fromLatin1(kBytesMimeType))) {
        // What a copy from Vantorix put there: every byte, zeros included.
        const QByteArray raw = data->data(QString::fromLatin1(kBytesMimeType));
        bytes.assign(raw.begin(), raw.end());
        return bytes.empty() ? PasteProblem::Empty : PasteProblem::None;
    }
    const QString text = data ? data->text() : QString();
    const std::u16string_view chars(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    return m_bCaretOnHex ? ParseHexBytes(chars, bytes) : ParseLatin1Bytes(chars, bytes);
}

void CVantorixView::PasteFromClipboard()
{
    CVantorixDoc* doc = GetDocument();
    if (!doc || RefusedAsReadOnly())
        return;
    // Over the selection when there is one, else at the caret; either way in view.
    const std::optional<ByteRange> selection = SelectedRange();
    const FilePos position = selection ? selection->first : m_nCaretPos;
    const FilePos length = FileLength();
    std::vector<std::uint8_t> bytes;
    const PasteProblem problem = ClipboardBytes(bytes);
    // An empty clipboard has nothing to paste and nothing to complain about.
    if (problem == PasteProblem::Empty)
        return;
    if (problem != PasteProblem::None) {
        ShowMessageBox(QString::fromLatin1(PasteProblemText(problem)));
        return;
    }
    if (position >= length) {
        ShowMessageBox(QStringLiteral("Put the caret on a byte of the file to paste there."));
        return;
    }
    // Counted in 64 bits: a clipboard of more than 4 GiB must not wrap into a small paste.
    const FilePos fits = std::min<FilePos>(bytes.size(), length - position);
    if (fits > CVantorixDoc::kMaxStepBytes) {
        ShowMessageBox(QStringLiteral("The clipboard holds too much to paste: at most %1 MiB (%2 bytes) can be pasted "
                                      "at once.")
                           .arg(CVantorixDoc::kMaxStepBytes >> 20)
                           .arg(CVantorixDoc::kMaxStepBytes));
        return;
    }
    if (position != m_nCaretPos)
        SetCaret(position, m_bCaretOnHex);
    RevealCaret();
    const std::int32_t written = doc->SetBytes(bytes.data(), static_cast<std::uint32_t>(fits), position);
    if (written < 0) {
        ShowMessageBox(QStringLiteral("The clipboard could not be pasted: the file cannot be read here."));
        return;
    }
    AfterBytesChanged();
    if (bytes.size() > static_cast<std::size_t>(written)) {
        ShowMessageBox(QStringLiteral("%1 of the %2 bytes on the clipboard did not fit before the end of the file "
                                      "and were not pasted.")
                           .arg(static_cast<qulonglong>(bytes.size() - static_cast<std::size_t>(written)))
                           .arg(static_cast<qulonglong>(bytes.size())));
    }
}

} // namespace vtx
