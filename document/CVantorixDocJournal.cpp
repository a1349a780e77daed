// The document's edit journal and its safe save: what keeps a crash, a kill or a full disk
// from costing the user a typed byte or leaving a file that is part old, part new.

#include "CVantorixDoc.h"
#include "CVantorixDocShared.h"

// this program
#include "framework/MessageBox.h"
#include "framework/Trace.h"

// Qt
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

// std
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <set>

#include <unistd.h>

namespace vtx {

using doc_detail::JournalRunOf;

namespace {

bool& JournalSwitch()
{
    static bool enabled = true;
    return enabled;
}

// Files whose journal the user chose to recover at start-up: their open does not ask again.
std::set<std::string>& RecoverWithoutAsking()
{
    static std::set<std::string> paths;
    return paths;
}

std::string LocalName(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString DisplayName(const std::string& canonicalPath)
{
    return QFileInfo(QFile::decodeName(canonicalPath.c_str())).fileName();
}

std::string CanonicalOf(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return LocalName(canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical);
}

// A group that journals in batches holds at most this many runs before it appends them, and holds only
// changes this small (a large one goes out at once).
constexpr std::size_t kHeldRuns = 4096;
constexpr std::size_t kHeldRunBytes = 4096;

std::size_t StoredBytes(const std::vector<JournalRun>& runs)
{
    std::size_t bytes = 0;
    for (const JournalRun& run : runs)
        bytes += run.bytes.size();
    return bytes;
}

std::int64_t NowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Reads count bytes of the file at position, all of them, or throws CFileException.
void ReadExactly(const CFile& file, std::uint8_t* out, std::uint64_t count, FilePos position)
{
    for (std::uint64_t done = 0; done < count;) {
        const auto wanted = static_cast<std::uint32_t>(std::min<std::uint64_t>(count - done, 1u << 30));
        int error = 0;
        const std::uint32_t read = file.ReadAt(out + done, wanted, position + done, error);
        // Bytes that cannot be read could not be put back: nothing is written.
        if (read == 0)
            throw CFileException("read before saving", error != 0 ? error : EIO);
        done += read;
    }
}

// Zeros are put back and compared in blocks of this size.
constexpr std::size_t kZeroBlock = std::size_t{1} << 20;

// Puts back the bytes a save overwrote, as a record the caller checked whole holds them
// (no byte goes back from a record that may be torn), through the file's writing
// descriptor, and waits for them to reach the disk. Throws CFileException.
void PutBack(CFile& file, const RollbackSource& record)
{
    std::vector<std::uint8_t> zeros;
    file.BeginWrite();
    const bool whole = record.ForEachSpan([&](FilePos position, const std::uint8_t* bytes, std::uint64_t count) {
        if (bytes) {
            file.WriteAt(bytes, count, position);
            return true;
        }
        zeros.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count, kZeroBlock)));
        for (std::uint64_t done = 0; done < count;) {
            const std::uint64_t n = std::min<std::uint64_t>(zeros.size(), count - done);
            file.WriteAt(zeros.data(), n, position + done);
            done += n;
        }
        return true;
    });
    if (!whole)
        throw CFileException("read the rollback record", EIO);
    file.Sync();
    file.EndWrite();
}

// Runs whose old bytes lie this close together are read with one pread: a cluster of
// typed bytes costs one system call, not one per byte.
constexpr FilePos kReadTogetherGap = 4096;
constexpr FilePos kReadTogetherMost = FilePos{1} << 20;
// A run this long asks the file system where its holes are: they need no reading.
constexpr FilePos kLookForHolesFrom = FilePos{64} << 10;

// The old bytes of [from, to) into the record: holes as a count of zeros, unread; the rest
// read in blocks straight into the record's buffer. False when the record fails (errno).
bool RecordRange(const CFile& file, FilePos from, FilePos to, RollbackWriter& record)
{
    const bool holesToo = to - from >= kLookForHolesFrom;
    for (FilePos at = from; at < to;) {
        FilePos dataEnd = to;
        if (holesToo) {
            const ByteRange data = file.DataRegionFrom(at);
            if (data.first > at) {
                const FilePos holeEnd = std::min(to, data.first);
                if (!record.Zeros(at, holeEnd - at))
                    return false;
                at = holeEnd;
                continue;
            }
            if (data.first + data.length > at)
                dataEnd = std::min(to, data.first + data.length);
        }
        while (at < dataEnd) {
            const auto count = static_cast<std::size_t>(std::min<FilePos>(RollbackWriter::kBlock, dataEnd - at));
            std::uint8_t* room = record.Room(count);
            if (!room)
                return false;
            ReadExactly(file, room, count, at);
            if (!record.Commit(at, count))
                return false;
            at += count;
        }
    }
    return true;
}

// The file's bytes under every run into the record, in order; runs close together read in
// clusters. Throws CFileException when the file cannot be read; false when the record fails.
bool RecordOldBytes(const CFile& file, const std::vector<PendingRun>& runs, RollbackWriter& record)
{
    std::vector<std::uint8_t> cluster;
    for (std::size_t i = 0; i < runs.size();) {
        std::size_t j = i + 1;
        while (j < runs.size() && runs[j].Start() - runs[j - 1].End() <= kReadTogetherGap &&
               runs[j].End() - runs[i].Start() <= kReadTogetherMost)
            ++j;
        const FilePos first = runs[i].Start();
        if (j == i + 1) {
            if (!RecordRange(file, first, runs[i].End(), record))
                return false;
        } else {
            cluster.resize(static_cast<std::size_t>(runs[j - 1].End() - first));
            ReadExactly(file, cluster.data(), cluster.size(), first);
            for (std::size_t k = i; k < j; ++k) {
                const std::uint8_t* old = cluster.data() + (runs[k].Start() - first);
                const auto count = static_cast<std::size_t>(runs[k].Length());
                if (!record.Bytes(runs[k].Start(), old, count))
                    return false;
            }
        }
        i = j;
    }
    return true;
}

// The ByteCheck of the bytes the runs set, in order (a fill expanded block by block).
std::uint64_t NewBytesCheck(const std::vector<PendingRun>& runs)
{
    constexpr FilePos kBlock = FilePos{1} << 20;
    ByteCheck check;
    std::vector<std::uint8_t> block;
    for (const PendingRun& run : runs) {
        if (run.GetKind() == PendingRun::Kind::Literal) {
            check.Add(run.Data(), static_cast<std::size_t>(run.Length()));
            continue;
        }
        for (FilePos at = run.Start(); at < run.End();) {
            const auto count = static_cast<std::size_t>(std::min(kBlock, run.End() - at));
            block.resize(count);
            run.CopyOut(block.data(), at, count);
            check.Add(block.data(), count);
            at += count;
        }
    }
    return check.Value();
}

// Whether the file holds every byte the record's save wrote: that save completed (only the
// clearing of its record was lost), and putting the old bytes back would undo it.
bool SaveCompleted(const CFile& file, const RollbackSource& record, std::uint64_t newBytesCheck)
{
    ByteCheck check;
    std::vector<std::uint8_t> block;
    try {
        const bool whole = record.ForEachSpan([&](FilePos position, const std::uint8_t*, std::uint64_t count) {
            for (std::uint64_t done = 0; done < count;) {
                block.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kZeroBlock, count - done)));
                ReadExactly(file, block.data(), block.size(), position + done);
                check.Add(block.data(), block.size());
                done += block.size();
            }
            return true;
        });
        return whole && check.Value() == newBytesCheck;
    } catch (const CFileException&) {
        return false;
    }
}

enum class CutShortSave { OtherFile, Completed, PutBack };

// A complete record of a save a crash cut short, against the file it names, opened: a file
// that is not the one the save wrote is left alone; a file that holds every new byte had its
// save completed; any other gets its old bytes back. The record is cleared unless it belongs
// to another file. Throws CFileException when the bytes cannot be put back (the record
// stays for the next try).
CutShortSave SettleCutShortSave(CFile& file, const std::string& rollbackPath, const RollbackSource& record,
                                const RollbackRecord& rollback)
{
    if (!file.Identity().SameFile(rollback.identity) || file.GetLength() != rollback.length)
        return CutShortSave::OtherFile;
    const bool completed = SaveCompleted(file, record, rollback.newBytesCheck);
    if (!completed)
        PutBack(file, record);
    EditJournal::ClearRollback(rollbackPath);
    return completed ? CutShortSave::Completed : CutShortSave::PutBack;
}

// At start-up: every file whose save a crash cut short gets its old bytes back.
void PutBackCutShortSaves()
{
    const QDir folder(QFile::decodeName(EditJournal::StateFolder().c_str()));
    for (const QString& entry : folder.entryList({QStringLiteral("*.rollback")}, QDir::Files)) {
        const std::string rollbackPath = LocalName(folder.filePath(entry));
        const RollbackSource record(rollbackPath);
        RollbackRecord rollback;
        if (record.Check(rollback) != RollbackStatus::Complete)
            continue; // a torn one is cleared when its file opens; a newer one is left alone
        if (EditJournal::RollbackPathFor(rollback.path) != rollbackPath)
            continue;
        try {
            CFile file;
            // Held by an editor that runs now: that one is saving it, not crashed.
            if (file.Open(rollback.path) == CFile::OpenError::None &&
                SettleCutShortSave(file, rollbackPath, record, rollback) == CutShortSave::PutBack)
                Trace(QStringLiteral("put back %1 after a save that was cut short").arg(DisplayName(rollback.path)));
        } catch (const CFileException& failure) {
            Trace(QStringLiteral("could not put back %1: %2")
                      .arg(DisplayName(rollback.path), WriteFailureReason(failure.Error())));
        }
    }
}

// An editor holds the file now (this one, for a file named on the command line, or another
// running copy): its journal is that editor's live one, neither left behind nor ours to
// offer or remove.
bool HeldByAnEditor(const std::string& path)
{
    CFile probe;
    return probe.Open(path) == CFile::OpenError::Locked;
}

} // namespace

void CVantorixDoc::SetJournalEnabled(bool enabled)
{
    JournalSwitch() = enabled;
}

bool CVantorixDoc::JournalEnabled()
{
    return JournalSwitch();
}

QString CVantorixDoc::RecoveryQuestion(const QString& name, const JournalContents& contents)
{
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(contents.LastWrittenMs());
    return QStringLiteral("Vantorix found unsaved changes to %1 from %2 (%3 bytes). Recover them?")
        .arg(name, QLocale().toString(when, QLocale::ShortFormat))
        .arg(contents.ChangedBytes());
}

void CVantorixDoc::PutBackCutShortSave()
{
    const QString name = DisplayName(m_canonicalPath);
    // A save that a crash cut short: its record was synced before the save's first byte,
    // so a complete one holds every byte the save may have overwritten.
    const std::string rollbackPath = EditJournal::RollbackPathFor(m_canonicalPath);
    const RollbackSource record(rollbackPath);
    RollbackRecord rollback;
    switch (record.Check(rollback)) {
    case RollbackStatus::Missing: return;
    case RollbackStatus::Torn:
        // Cut short while it was written: the save had not touched the file yet.
        EditJournal::ClearRollback(rollbackPath);
        return;
    case RollbackStatus::NewerFormat:
        Trace(QStringLiteral("rollback record of %1 is of a newer format; left alone").arg(name));
        return;
    case RollbackStatus::Complete: break;
    }
    try {
        const CutShortSave outcome = rollback.path == m_canonicalPath
                                         ? SettleCutShortSave(m_file, rollbackPath, record, rollback)
                                         : CutShortSave::OtherFile;
        if (outcome == CutShortSave::OtherFile)
            Trace(QStringLiteral("rollback record of %1 belongs to another file; left alone").arg(name));
        // A completed save lost only the clearing of its record: nothing was put back.
        if (outcome != CutShortSave::PutBack)
            return;
        m_file.RecordIdentity();
        ShowMessageBox(
            QStringLiteral("A save of %1 was cut short. The file is back as it was before that save.").arg(name));
    } catch (const CFileException& failure) {
        m_file.AbandonWrite();
        ShowMessageBox(QStringLiteral("A save of %1 was cut short, and the file could not be put back as it "
                                      "was.\n%2\nVantorix tries again the next time it opens the file.")
                           .arg(name, WriteFailureReason(failure.Error())));
    }
}

void CVantorixDoc::OpenJournal()
{
    m_canonicalPath = CanonicalOf(m_path);
    const QString name = DisplayName(m_canonicalPath);
    PutBackCutShortSave();

    if (!JournalEnabled())
        return;
    const JournalContents contents = EditJournal::Read(EditJournal::JournalPathFor(m_canonicalPath));
    switch (contents.status) {
    case JournalContents::Status::NewerFormat:
        ShowMessageBox(QStringLiteral("The unsaved changes to %1 were kept by a newer version of Vantorix and are "
                                      "left for it.\nChanges made now are not protected against a crash.")
                           .arg(name));
        return;
    case JournalContents::Status::Unreadable:
        Trace(QStringLiteral("journal of %1 cannot be read; started afresh").arg(name));
        break;
    case JournalContents::Status::Complete:
    case JournalContents::Status::Torn:
        // Another file's journal under this name: not ours to touch or to replace.
        if (contents.path != m_canonicalPath) {
            Trace(QStringLiteral("journal for %1 names another file; ignored").arg(name));
            return;
        }
        if (!contents.records.empty()) {
            RecoverFrom(contents);
            return;
        }
        break;
    case JournalContents::Status::Missing: break;
    }
    if (!m_journal.Start(m_canonicalPath, m_file.Identity()))
        GiveUpJournal(m_journal.LastError());
}

void CVantorixDoc::RecoverFrom(const JournalContents& contents)
{
    const QString name = DisplayName(m_canonicalPath);
    const bool changedSince = !contents.identity.SameState(m_file.Identity());
    MsgResult answer = MsgResult::Yes;
    if (RecoverWithoutAsking().erase(m_canonicalPath) == 0) {
        QString question = RecoveryQuestion(name, contents);
        if (changedSince)
            question += QStringLiteral("\n\n%1 has changed since then: the changes would lie over the file as it is "
                                       "now. Save As can keep the result under a new name.")
                            .arg(name);
        answer = ShowMessageBox(question, MsgButtons::YesNoCancel);
    }
    if (answer == MsgResult::Cancel) {
        // Kept for next time; a second journal beside it cannot be kept under its name.
        Trace(QStringLiteral("journal of %1 kept for later; this window keeps none").arg(name));
        return;
    }
    if (answer == MsgResult::Yes) {
        const bool wasDirty = IsDirty();
        m_bReplaying = true;
        const std::uint64_t leftOut = Replay(contents);
        m_bReplaying = false;
        NotifyIfDirtyChanged(wasDirty);
        TellAboutRecovery(contents, leftOut);
        // The journal goes on from what was recovered, for the file as it is now; a torn
        // tail is not kept.
        if (!m_journal.Start(m_canonicalPath, m_file.Identity(), contents.records))
            GiveUpJournal(m_journal.LastError());
        return;
    }
    if (!m_journal.Start(m_canonicalPath, m_file.Identity()))
        GiveUpJournal(m_journal.LastError());
}

std::uint64_t CVantorixDoc::Replay(const JournalContents& contents)
{
    // The undo and redo steps the journal itself made, as far as replayed: an Undo takes one
    // back only while there is one. Past them (a step made before the last save, or before
    // the journal was turned on, is not in it) an Undo or Redo is replayed as what it left,
    // a change of its own, which also ends what the replay could redo.
    std::size_t undoable = 0;
    std::size_t redoable = 0;
    std::uint64_t leftOut = 0;
    std::optional<ChangeGroup> group;
    for (const JournalRecord& record : contents.records) {
        const bool change = record.kind == JournalRecord::Kind::Change;
        if (change && record.joinsPrevious && group) {
            leftOut += ReplayRuns(record.runs);
            continue;
        }
        group.reset();
        if (change || record.kind == JournalRecord::Kind::Pending) {
            group.emplace(*this);
            undoable += change ? 1 : 0;
            redoable = 0;
            leftOut += ReplayRuns(record.runs);
            continue;
        }
        const bool redo = record.kind == JournalRecord::Kind::Redo;
        std::size_t& have = redo ? redoable : undoable;
        // A journal of the first format carries no runs for these: its steps are all there.
        if (have > 0 || record.runs.empty()) {
            redo ? Redo() : Undo();
            if (have > 0) {
                --have;
                ++(redo ? undoable : redoable);
            }
            continue;
        }
        ChangeGroup left(*this);
        redoable = 0;
        leftOut += ReplayRuns(record.runs);
    }
    return leftOut;
}

std::uint64_t CVantorixDoc::ReplayRuns(const std::vector<JournalRun>& runs)
{
    std::uint64_t leftOut = 0;
    for (const JournalRun& run : runs) {
        const FilePos end = run.position + run.length;
        // Past the end of a file that became shorter there is nothing to set.
        if (end > m_nLength)
            leftOut += end - std::max(run.position, m_nLength);
        if (run.position >= m_nLength)
            continue;
        if (run.fileBytes) {
            (void)ApplyChange(PendingRun::Absent(run.position, std::min(end, m_nLength) - run.position));
            continue;
        }
        if (run.fill) {
            (void)Fill(ByteRange{run.position, run.length}, run.bytes);
            continue;
        }
        for (FilePos done = 0; done < run.length && run.position + done < m_nLength;) {
            const auto size = static_cast<std::uint32_t>(std::min<FilePos>(run.length - done, kMaxStepBytes));
            (void)SetBytes(run.bytes.data() + done, size, run.position + done);
            done += size;
        }
    }
    return leftOut;
}

void CVantorixDoc::TellAboutRecovery(const JournalContents& contents, std::uint64_t leftOut)
{
    const QString name = DisplayName(m_canonicalPath);
    QStringList notes;
    if (contents.status == JournalContents::Status::Torn)
        notes << QStringLiteral("The end of the record of %1's changes was damaged: the changes up to %2 were "
                                "recovered, %3 bytes after them could not be read.")
                     .arg(name, QLocale().toString(QDateTime::fromMSecsSinceEpoch(contents.LastWrittenMs()),
                                                   QLocale::ShortFormat))
                     .arg(contents.discardedBytes());
    if (leftOut > 0)
        notes << QStringLiteral("%1 changed bytes lie past the end of %2 as it is now and were left out.")
                     .arg(leftOut)
                     .arg(name);
    if (!notes.isEmpty())
        ShowMessageBox(notes.join(QLatin1Char('\n')));
}

void CVantorixDoc::JournalStep(JournalRecord::Kind kind, bool joinsPrevious, std::vector<JournalRun> runs)
{
    if (m_bReplaying || !m_journal.IsOpen())
        return;
    if (kind == JournalRecord::Kind::Change && m_nBatchingGroups > 0 && StoredBytes(runs) <= kHeldRunBytes) {
        // What the group holds is a step that has not finished; a crash before the group
        // ends loses at most one batch of it.
        if (m_heldRecord && joinsPrevious) {
            std::move(runs.begin(), runs.end(), std::back_inserter(m_heldRecord->runs));
            if (m_heldRecord->runs.size() >= kHeldRuns)
                AppendHeldRecord();
            return;
        }
        AppendHeldRecord();
        m_heldRecord.emplace();
        m_heldRecord->kind = kind;
        m_heldRecord->joinsPrevious = joinsPrevious;
        m_heldRecord->timeMs = NowMs();
        m_heldRecord->runs = std::move(runs);
        return;
    }
    AppendHeldRecord();
    JournalRecord record;
    record.kind = kind;
    record.joinsPrevious = joinsPrevious;
    record.timeMs = NowMs();
    record.runs = std::move(runs);
    if (!m_journal.Append(record))
        GiveUpJournal(m_journal.LastError());
}

void CVantorixDoc::JournalUndoStep(bool redo)
{
    if (m_bReplaying || !m_journal.IsOpen())
        return;
    std::vector<JournalRun> left;
    for (const PendingRun& run : m_pending.ShowingOverNewestStep(redo ? m_pending.UndoRecords() : m_pending.RedoRecords()))
        left.push_back(JournalRunOf(run));
    JournalStep(redo ? JournalRecord::Kind::Redo : JournalRecord::Kind::Undo, false, std::move(left));
}

void CVantorixDoc::AppendHeldRecord()
{
    if (!m_heldRecord)
        return;
    const JournalRecord record = std::move(*m_heldRecord);
    // The next change of the same group starts a batch that joins this one.
    m_heldRecord.reset();
    if (m_journal.IsOpen() && !m_journal.Append(record))
        GiveUpJournal(m_journal.LastError());
}

void CVantorixDoc::GiveUpJournal(int error)
{
    // A journal that lacks a step would offer a wrong state after a crash: better none.
    m_journal.Remove();
    Trace(QStringLiteral("journal of %1: %2").arg(m_path, WriteFailureReason(error)));
    if (m_bJournalWarned)
        return;
    m_bJournalWarned = true;
    ShowNotice(QStringLiteral("Unsaved changes to %1 cannot be protected against a crash.\n%2")
                   .arg(QFileInfo(m_path).fileName(), WriteFailureReason(error)),
               nullptr);
}

bool CVantorixDoc::RecordOldBytesOrWarn(RollbackWriter& record, const std::string& rollbackPath,
                                        const RollbackRecord& head, const std::function<bool(RollbackWriter&)>& stream)
{
    if (record.Begin(rollbackPath, head) && stream(record) && record.Finish())
        return true;
    const int error = errno;
    Trace(QStringLiteral("rollback record for %1: %2").arg(m_path, WriteFailureReason(error)));
    if (!m_bJournalWarned) {
        m_bJournalWarned = true;
        ShowNotice(QStringLiteral("A crash while %1 is saved could leave it part old, part new: the state "
                                  "folder cannot hold the save's rollback record.\n%2")
                       .arg(QFileInfo(m_path).fileName(), WriteFailureReason(error)),
                   nullptr);
    }
    // A failed write can still be taken back while the old bytes fit in memory.
    if (!record.BeginInMemory(head, kMaxKeptBytes) || !stream(record) || !record.Finish())
        Trace(QStringLiteral("save of %1 goes on without a way back").arg(m_path));
    return false;
}

void CVantorixDoc::WritePendingSafely(bool& touched)
{
    touched = false;
    // Opened for writing first: a program that is running refuses here, before anything.
    m_file.BeginWrite();
    RollbackRecord head;
    head.path = m_canonicalPath.empty() ? CanonicalOf(m_path) : m_canonicalPath;
    head.identity = m_file.Identity();
    head.length = m_file.GetLength();
    head.newBytesCheck = NewBytesCheck(m_pending.Runs());
    // The old bytes go from the file to the record a block at a time.
    const auto stream = [&](RollbackWriter& record) { return RecordOldBytes(m_file, m_pending.Runs(), record); };
    const std::string rollbackPath = EditJournal::RollbackPathFor(head.path);
    RollbackWriter record;
    const bool recorded = RecordOldBytesOrWarn(record, rollbackPath, head, stream);
    const bool inMemory = !recorded && record.InMemory() && !record.Memory().empty();
    const auto written = [&] { return recorded ? RollbackSource(rollbackPath) : RollbackSource(record.Memory()); };
    // Without a record, the undo steps take their copies from the file while it still
    // holds the old bytes; with one, from the record after the write (see below).
    if (!recorded && !inMemory) {
        if (const int error = m_pending.KeepOldBytesForSave(kMaxKeptBytes); error != 0)
            throw CFileException("keep the old bytes", error);
    }
    try {
        touched = true;
        WriteRuns();
        m_file.EndWrite();
    } catch (const CFileException&) {
        try {
            if (!recorded && !inMemory)
                throw;
            const RollbackSource source = written();
            RollbackRecord check;
            if (source.Check(check) != RollbackStatus::Complete)
                throw CFileException("read the rollback record", EIO);
            PutBack(m_file, source);
            touched = false;
            if (recorded)
                EditJournal::ClearRollback(rollbackPath);
        } catch (...) {
            // The record stays on disk; the next open of the file puts the bytes back.
            m_file.AbandonWrite();
        }
        throw;
    }
    // Copied after the write, the old bytes can go into the buffers of the runs just
    // written: a large paste's save then needs no fresh memory, only the bytes' copy.
    if (recorded || inMemory)
        KeepOldBytesAfterWrite(written(), record.Placement());
    if (recorded)
        EditJournal::ClearRollback(rollbackPath);
}

void CVantorixDoc::KeepOldBytesAfterWrite(const RollbackSource& record,
                                          const std::vector<RollbackWriter::Placed>& placement)
{
    int error = 0;
    try {
        RollbackReader oldBytes(record, placement);
        error = m_pending.KeepOldBytesAfterWrite(kMaxKeptBytes, std::ref(oldBytes));
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    if (error == 0)
        return;
    // The file holds the changes: the save stands, but the steps that stood for the bytes
    // it overwrote cannot be taken back any more.
    try {
        // Limit 0: every step that needed a copy goes, and nothing is read.
        (void)m_pending.KeepOldBytesAfterWrite(0, [](const auto&) { return EIO; });
    } catch (const std::bad_alloc&) {
        m_pending.ForgetHistory();
    }
    Trace(QStringLiteral("undo copies for %1: %2").arg(m_path, WriteFailureReason(error)));
    ShowNotice(QStringLiteral("%1 is saved, but the changes made before this save can no longer be undone: the "
                              "bytes it overwrote could not be kept.\n%2")
                   .arg(QFileInfo(m_path).fileName(), WriteFailureReason(error)),
               nullptr);
}

void CVantorixDoc::RestartJournal()
{
    // What a group held is in the file now.
    m_heldRecord.reset();
    if (m_bReadOnly || !JournalEnabled())
        return;
    const std::string canonical = CanonicalOf(m_path);
    if (m_journal.IsOpen() && canonical == m_canonicalPath) {
        if (!m_journal.Reset(m_file.Identity()))
            GiveUpJournal(m_journal.LastError());
        return;
    }
    m_journal.Remove();
    m_canonicalPath = canonical;
    if (!m_journal.Start(m_canonicalPath, m_file.Identity()))
        GiveUpJournal(m_journal.LastError());
}

void CVantorixDoc::DropJournal()
{
    m_heldRecord.reset();
    m_journal.Remove();
    if (!m_canonicalPath.empty())
        EditJournal::RemoveEmptyRollback(EditJournal::RollbackPathFor(m_canonicalPath));
}

void CVantorixDoc::RecoverAtStartup(const OpenForRecovery& open)
{
    // First the files whose save was cut short, so that no file stays torn even when the
    // user recovers nothing.
    PutBackCutShortSaves();
    for (const std::string& journalPath : EditJournal::AllJournals()) {
        const JournalContents contents = EditJournal::Read(journalPath);
        if ((contents.status != JournalContents::Status::Complete && contents.status != JournalContents::Status::Torn) ||
            EditJournal::JournalPathFor(contents.path) != journalPath)
            continue;
        if (HeldByAnEditor(contents.path))
            continue;
        const QString path = QFile::decodeName(contents.path.c_str());
        const QString name = DisplayName(contents.path);
        if (contents.records.empty()) {
            ::unlink(journalPath.c_str());
            continue;
        }
        if (!QFileInfo::exists(path)) {
            const MsgResult answer = ShowMessageBox(
                RecoveryQuestion(name, contents) +
                    QStringLiteral("\n\n%1 no longer exists, so they cannot be recovered. Yes keeps them for when "
                                   "the file is back; No discards them.")
                        .arg(path),
                MsgButtons::YesNo);
            if (answer == MsgResult::No)
                ::unlink(journalPath.c_str());
            continue;
        }
        const MsgResult answer = ShowMessageBox(RecoveryQuestion(name, contents), MsgButtons::YesNoCancel);
        if (answer == MsgResult::No) {
            ::unlink(journalPath.c_str());
        } else if (answer == MsgResult::Yes) {
            RecoverWithoutAsking().insert(contents.path);
            if (open)
                open(path);
            RecoverWithoutAsking().erase(contents.path);
        }
    }
}

void CVantorixDoc::FollowJournalSetting()
{
    if (!JournalEnabled()) {
        if (m_journal.IsOpen())
            DropJournal();
        return;
    }
    if (m_journal.IsOpen() || !m_bFileOpen || m_bReadOnly)
        return;
    if (m_canonicalPath.empty())
        m_canonicalPath = CanonicalOf(m_path);
    // Changes kept for a later recovery, or by a newer version, are not ours to overwrite.
    const JournalContents kept = EditJournal::Read(EditJournal::JournalPathFor(m_canonicalPath));
    const bool holdsChanges = (kept.status == JournalContents::Status::Complete ||
                               kept.status == JournalContents::Status::Torn) && !kept.records.empty();
    if (holdsChanges || kept.status == JournalContents::Status::NewerFormat) {
        Trace(QStringLiteral("journal of %1 is kept for later; this window keeps none").arg(m_path));
        return;
    }
    // The changes made so far go in as one record: a crash now loses none of them.
    JournalRecord pending;
    pending.kind = JournalRecord::Kind::Pending;
    pending.timeMs = NowMs();
    for (const PendingRun& run : m_pending.Runs())
        pending.runs.push_back(JournalRunOf(run));
    std::vector<JournalRecord> records;
    if (!pending.runs.empty())
        records.push_back(std::move(pending));
    if (!m_journal.Start(m_canonicalPath, m_file.Identity(), records))
        GiveUpJournal(m_journal.LastError());
}

} // namespace vtx
