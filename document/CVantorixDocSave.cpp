// Saving a document: in place (the rollback record first, then the changed runs, then the
// sync) and under a new name (a copy made exclusively, then the changes written into it).
#include "CVantorixDoc.h"
#include "CVantorixDocShared.h"

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
#include <chrono>
#include <memory>
#include <optional>


namespace vtx {

using namespace doc_detail;

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
    if (m_pending.Empty()) {
        const bool wasDirty = IsDirty();
        m_pending.Saved();
        NotifyIfDirtyChanged(wasDirty);
        return true;
    }
    bool wrote = false;
    bool touched = false;
    QString reason;
    std::vector<PendingRun> pastEnd;
    try {
        switch (CheckFileBeforeSave()) {
        case ChangedFileChoice::SaveAs: return DoSaveAs();
        case ChangedFileChoice::Cancel: return false;
        case ChangedFileChoice::Overwrite: break;
        }
        // Never past the end the file has now: a write there would grow it, with a gap of
        // zeros in front of the byte. Changes there (another program cut the file short)
        // are set aside and stay pending. Asked of the file, not taken from the check: a
        // disk's size is its driver's, and stat gives it as 0.
        pastEnd = m_pending.TakePast(m_file.GetLength());
        if (!MayDropUndoSteps()) {
            m_pending.RestorePast(std::move(pastEnd));
            return false;
        }
        wrote = true;
        // Open for writing only while saving, so that a program shown in a window can
        // still run; a program that is running refuses it (ETXTBSY). A failure half-way
        // puts the old bytes back before it is reported.
        if (!m_pending.Empty())
            WritePendingSafely(touched);
        FinishSave(pastEnd);
        return true;
    } catch (const CFileException& failure) {
        reason = WriteFailureReason(failure.Error());
        Trace(QStringLiteral("save %1: %2").arg(m_path, QString::fromLocal8Bit(failure.what())));
    } catch (const std::exception& failure) {
        Trace(QStringLiteral("save %1: %2").arg(m_path, QString::fromLocal8Bit(failure.what())));
    } catch (...) {
    }
    m_pending.RestorePast(std::move(pastEnd));
    SaveFailed(wrote, touched, reason);
    return false;
}

CVantorixDoc::ChangedFileChoice CVantorixDoc::CheckFileBeforeSave()
{
    FileCheck check;
    if (!m_file.Check(check))
        throw DocFailure("the open file cannot be asked for its state");
    if (check.change == FileChange::None)
        return ChangedFileChoice::Overwrite;
    // Another program renamed a file over ours, deleted it or wrote into it. Writing now
    // could put the changes where the user cannot see them, or into bytes the window never
    // showed: the user decides.
    const ChangedFileChoice choice = AskAboutChangedFile(check);
    // What differs is counted against the file as it is now.
    if (choice == ChangedFileChoice::Overwrite)
        RecountAgainstFile();
    return choice;
}

bool CVantorixDoc::MayDropUndoSteps()
{
    // The undo history survives the save: the steps that stand for the file's bytes under
    // a change get a copy of them, before they are overwritten. A step too large for that
    // is said before anything is written.
    if (m_pending.LargestKeepForSave() <= kMaxKeptBytes)
        return true;
    const MsgResult answer = ShowMessageBox(
        QStringLiteral("A change in %1 covers more than %2 MiB of the file. After this save it cannot "
                       "be undone, nor can any change made before it.\n\nSave anyway?")
            .arg(FileName(m_path))
            .arg(kMaxKeptBytes >> 20),
        MsgButtons::OkCancel);
    return answer == MsgResult::Ok;
}

void CVantorixDoc::FinishSave(std::vector<PendingRun>& pastEnd)
{
    m_file.RecordIdentity();
    m_noticed.reset();
    const bool wasDirty = IsDirty();
    m_pending.Saved();
    FilePos leftOut = 0;
    for (const PendingRun& run : pastEnd)
        leftOut += run.Length();
    m_pending.RestorePast(std::move(pastEnd));
    NotifyIfDirtyChanged(wasDirty);
    RestartJournal();
    if (leftOut > 0)
        ShowMessageBox(QStringLiteral("%1 is shorter than your changes reach: %2 changed bytes past its end were "
                                      "not saved. They stay among the unsaved changes; Undo takes them back.")
                           .arg(FileName(m_path))
                           .arg(leftOut));
}

void CVantorixDoc::SaveFailed(bool wrote, bool touched, const QString& reason)
{
    m_file.AbandonWrite();
    if (m_statusSink)
        m_statusSink(QString());
    if (touched) {
        // Some changes reached the file and could not be taken back: which bytes still
        // differ is no longer known, so the document stays dirty until a save succeeds.
        const bool wasDirty = IsDirty();
        m_pending.SetSavedUnknown();
        NotifyIfDirtyChanged(wasDirty);
    }
    // Writes that got through (and were put back) changed the file's times: that change is
    // ours, and the next save must not take it for another program's.
    if (wrote) {
        try {
            m_file.RecordIdentity();
        } catch (...) {
        }
    }
    ShowMessageBox(reason.isEmpty() ? QString::fromLatin1(kExceptionInSave)
                                    : QString::fromLatin1(kExceptionInSave) + QLatin1Char('\n') + reason);
}

void CVantorixDoc::WriteRuns()
{
    const std::vector<PendingRun>& runs = m_pending.Runs();
    std::uint64_t total = 0;
    for (const PendingRun& run : runs)
        total += run.Length();
    std::uint64_t written = 0;
    const auto started = std::chrono::steady_clock::now();
    auto told = started;
    std::uint64_t lookedAt = 0;
    unsigned writes = 0;
    const auto tell = [&] {
        // The clock is asked after every few writes or megabytes, not for each typed byte.
        if (!m_statusSink || (++writes % 64 != 0 && written - lookedAt < kWriteBehindFrom))
            return;
        lookedAt = written;
        const auto now = std::chrono::steady_clock::now();
        if (std::chrono::duration<double>(now - started).count() < kProgressAfterSeconds ||
            std::chrono::duration<double>(now - told).count() < 0.2)
            return;
        told = now;
        m_statusSink(QStringLiteral("Saving %1: %2%").arg(FileName(m_path)).arg(written * 100 / std::max<std::uint64_t>(total, 1)));
    };
    // Large writes go in pieces, each handed to the disk at once: the sync at the end then
    // waits for the last piece, not for all of them. Small ones wait for the sync.
    const auto put = [&](const std::uint8_t* bytes, FilePos count, FilePos at) {
        for (FilePos done = 0; done < count;) {
            const FilePos piece = std::min<FilePos>(count - done, kWriteBehindPiece);
            m_file.WriteAt(bytes + done, piece, at + done);
            if (piece >= kWriteBehindFrom)
                m_file.WriteBehind(at + done, piece);
            done += piece;
            written += piece;
            tell();
        }
    };
    std::unique_ptr<std::uint8_t[]> block;
    for (const PendingRun& run : runs) {
        if (run.GetKind() == PendingRun::Kind::Literal) {
            put(run.Data(), run.Length(), run.Start());
            continue;
        }
        // A fill: one block of whole patterns, written again and again.
        const std::size_t size = run.PatternSize();
        const auto blockBytes =
            static_cast<std::size_t>(std::min<FilePos>(run.Length(), kFillWriteBlock - kFillWriteBlock % size));
        block.reset(new std::uint8_t[blockBytes]);
        run.CopyOut(block.get(), run.Start(), blockBytes);
        for (FilePos at = run.Start(); at < run.End();) {
            const auto count = static_cast<std::size_t>(std::min<FilePos>(blockBytes, run.End() - at));
            put(block.get(), count, at);
            at += count;
        }
    }
    // Only what reached the disk counts as saved.
    m_file.Sync();
    if (m_statusSink && told != started)
        m_statusSink(QString());
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

bool CVantorixDoc::CreateCopy(CFile& copy, const QString& path)
{
    const CFile::OpenError error = copy.CreateCopyOf(m_file, LocalPath(path));
    if (error == CFile::OpenError::None)
        return true;
    Trace(QStringLiteral("save as %1: %2 (%3)")
              .arg(path, QString::fromLatin1(OpenErrorText(error)),
                   QString::fromLocal8Bit(std::strerror(copy.LastError()))));
    QString text = QString::fromLatin1(kFailedToCopy);
    if (error == CFile::OpenError::Exists)
        text += QStringLiteral("\nA file named %1 already exists. Choose another name.").arg(FileName(path));
    ShowMessageBox(text);
    return false;
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
    if (!CreateCopy(copy, path))
        return false;
    const QString previousPath = m_path;
    const FilePos previousLength = m_nLength;
    // The pending changes are not copied: a save that fails leaves them as they were (it
    // only copies the file's old bytes into undo steps, which mean the same on either file).
    const std::optional<FileCheck> previousNoticed = m_noticed;
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
        // Changes past its end (another program cut the old file short) stay pending: the
        // save says how many bytes it left out.
        m_bReadOnly = false;
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
    m_noticed = previousNoticed;
    m_bReadOnly = previousReadOnly;
    // Back on the old file, whose bytes the count was taken against.
    const bool wasDirty = IsDirty();
    RecountAgainstFile();
    NotifyIfDirtyChanged(wasDirty);
    return false;
}

} // namespace vtx
