#pragma once
// The document of the editor: one per open file. It never loads the file: the file stays
// open, exclusively, for the document's life, every byte a view shows is read from disk
// when it is drawn, and a change waits in memory as a pending change until Save writes
// exactly the changed bytes.

#include "document/EditJournal.h"
#include "document/PendingBytes.h"
#include "document/DocumentSearch.h"
#include "document/SearchPattern.h"
#include "framework/CDocument.h"
#include "platform/CFile.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace vtx {

// The undo record of a one-byte step: the value the byte showed before the change. The
// document keeps its steps as runs (PendingBytes); UndoHistory spells them out byte by byte
// in this form, each byte after a step's first joining the one before it.
struct ByteChange {
    FilePos position;
    std::uint8_t previous;
    bool joinsPrevious = false;
};

// What the document asks of the view it talks to (its first view) after an undo. The hex
// view implements it; the document depends on no widget.
class IDocumentPositionView
{
public:
    virtual ~IDocumentPositionView() = default;
    virtual void GotoPosition(FilePos position) = 0;
    // Invalidate, erase and repaint at once.
    virtual void RepaintNow() = 0;
};

// What a read of the presented bytes gave: `count` bytes from the position asked, and, when
// the file could not be read there, the system's error (errno) for the byte at
// position + count. A count of 0 without an error is the end of the file.
struct ReadOutcome {
    std::uint32_t count = 0;
    int error = 0;
    [[nodiscard]] bool Failed() const { return error != 0; }
};

class CVantorixDoc : public CDocument
{
public:
    CVantorixDoc();
    ~CVantorixDoc() override;

    // Framework overridables.
    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;
    void OnCloseDocument() override;
    // A view-only document's title carries " [read-only]" after the file's name.
    void SetTitle(const QString& title) override;

    // What the views call. None of these throws.
    [[nodiscard]] bool IsFileOpen() const { return m_bFileOpen; }
    // The file could not be opened for writing and the user chose to look at it anyway:
    // every change is refused and Save is disabled; Save As makes an editable copy.
    [[nodiscard]] bool IsReadOnly() const { return m_bReadOnly; }
    // What a refused edit of a view-only document says.
    static constexpr const char* kReadOnlyText = "The file is open read-only.";
    // The next OnOpenDocument opens the file view-only without asking (a file opened only
    // to be compared with another).
    void SetOpenViewOnly(bool viewOnly) { m_bOpenViewOnly = viewOnly; }
    // The second line of "Error Opening File": why the open failed.
    [[nodiscard]] static QString OpenFailureReason(CFile::OpenError error, int systemError);
    // The second line of "Open <name> read-only?": no write permission, a read-only file
    // system, or the file open in another program.
    [[nodiscard]] static QString ReadOnlyReason(CFile::OpenError error, const std::string& localPath);
    // Asked of the file on every call; 0 when no file is open.
    [[nodiscard]] FilePos GetFileLength() const;
    // The byte shown at position (pending change or file byte); 0 when it cannot be read.
    std::uint8_t GetByte(FilePos position);
    // The same, telling a byte that cannot be read (the errno) from one that can (0).
    int ReadByte(FilePos position, std::uint8_t& value);
    // Copies up to min(count, kMaxRead) presented bytes at position into buffer and returns
    // how many: 0 at the end of the file without pending changes, -1 there with pending
    // changes ("len < 0" in the trace) and when the file cannot be read. Writes only
    // inside buffer[0, result).
    std::int32_t ReadBytes(std::uint8_t* buffer, std::uint32_t count, FilePos position);
    // The same read, telling the end of the file from a failure to read it: every scan
    // over the document (search, copy, checksums, compare) reads through here, so that a
    // read error is never taken for the end or for "not found".
    ReadOutcome ReadPresented(std::uint8_t* buffer, std::uint32_t count, FilePos position);
    // The first run at or after position whose presented bytes may be other than zeros: a
    // data region of the file, or a pending change that comes before it. Between position
    // and the run's first byte everything reads as zeros (a hole of a sparse file), so a
    // scan may step over it without reading. Empty (first = the length) when nothing but
    // a hole follows; the rest of the file where the file system cannot tell.
    [[nodiscard]] ByteRange StoredDataFrom(FilePos position) const;
    // The open file itself, without the pending changes: for a tool that copies stretches
    // no change covers straight from it (Save Selection As).
    [[nodiscard]] const CFile& StoredFile() const { return m_file; }
    // "Could not read <name> at <offset>: <reason>." for a failed ReadPresented.
    [[nodiscard]] QString ReadFailureText(FilePos offset, int error) const;
    // Records a pending change and its undo record; false when position is not inside the
    // file (a save would otherwise extend it), the document is view-only, or the file's byte
    // there cannot be read.
    bool SetByte(std::uint8_t value, FilePos position);
    // Overwrites bytes from position on with values, as one pending change that one Undo
    // takes back, never past the end of the file: returns how many bytes were written (0
    // when position is at or past the end), or -1 when the bytes there cannot be read, in
    // which case nothing changed. More than kMaxStepBytes at once are refused (-1): the new
    // bytes are held in memory until they are saved.
    // `shownBefore`, when given, holds the count bytes that showed at position just before
    // (a scan read them through ReadPresented): Replace All passes them so that the file is
    // not read again at every match.
    static constexpr std::uint32_t kMaxStepBytes = 256u << 20;
    std::int32_t SetBytes(const std::uint8_t* values, std::uint32_t count, FilePos position,
                          const std::uint8_t* shownBefore = nullptr);
    // Fills `range` (cut to the file) with `pattern` (1 to PendingRun::kMaxPattern bytes)
    // repeated from its first byte, as one change step; the run is kept as its pattern, so a
    // fill of gigabytes costs what a fill of a few bytes does. False, with nothing changed,
    // for a view-only document, an empty range or pattern, or bytes that cannot be read.
    bool Fill(ByteRange range, const std::vector<std::uint8_t>& pattern);
    // The fill pattern a user's hex digits give (blanks allowed between bytes), or, in
    // `problem`, why they give none.
    [[nodiscard]] static std::vector<std::uint8_t> ParseFillPattern(const QString& text, QString& problem);
    // Takes back the newest change step, marks the document dirty, and moves the first view
    // (when it is an IDocumentPositionView) to the step's first byte.
    void Undo();
    // Makes the most recently undone step again, the same way; nothing once a new change
    // has been made since that undo.
    void Redo();
    // While a group lives, every change made through the document joins one undo step:
    // an edit in many places (Replace All) is taken back by one Undo.
    class ChangeGroup
    {
    public:
        // How the group's changes reach the journal: each before it shows, or, for one
        // operation that makes thousands of them before the user sees the result (Replace
        // All), a few thousand at a time and all when the group ends. A crash in the middle
        // of such an operation loses at most its last batch, never a change made before it.
        enum class Journal { EachChange, InBatches };
        explicit ChangeGroup(CVantorixDoc& doc, Journal journal = Journal::EachChange);
        ~ChangeGroup();
        ChangeGroup(const ChangeGroup&) = delete;
        ChangeGroup& operator=(const ChangeGroup&) = delete;

    private:
        CVantorixDoc& m_doc;
        bool m_bBatches;
    };
    [[nodiscard]] bool CanUndo() const { return m_pending.CanUndo(); }
    [[nodiscard]] bool CanRedo() const { return m_pending.CanRedo(); }

    // State for the views, the tests and the close question. The document is dirty exactly
    // while some byte shows a value other than the one in the file as last opened or
    // saved: undoing back to the saved values makes it clean again.
    [[nodiscard]] bool IsDirty() const { return m_pending.Differs(); }
    // The window title's unsaved mark follows IsDirty.
    [[nodiscard]] bool HasUnsavedChanges() const override { return IsDirty(); }
    [[nodiscard]] const QString& GetPath() const { return m_path; }
    // The pending changes as runs, and whether there are any.
    [[nodiscard]] const PendingBytes& Pending() const { return m_pending; }
    [[nodiscard]] bool HasPendingChanges() const { return !m_pending.Empty(); }
    // Spelt out byte by byte, for tests and small edits: every pending byte becomes an entry.
    [[nodiscard]] std::map<FilePos, std::uint8_t> PendingChanges() const;
    [[nodiscard]] std::vector<ByteChange> UndoHistory() const;

    // Told how far a long save has come ("Saving <name>: N%"), and with an empty text when
    // it ends; the main frame shows it in the status bar. A save tells only after about a
    // second, so a short one shows nothing.
    // Set by whoever shows the document in a window; empty, nobody is told.
    using StatusSink = std::function<void(const QString& text)>;
    void SetStatusSink(StatusSink sink) { m_statusSink = std::move(sink); }
    // A step that covered more than this many bytes of the file keeps no copy of them
    // across a save: Save asks first, and the step cannot be undone afterwards.
    static constexpr std::uint64_t kMaxKeptBytes = std::uint64_t{256} << 20;

    // Whether another program changed, replaced or deleted the file since it was opened or
    // last saved (one fstat and one stat): the text that tells the user, once for each new
    // state of the file, or empty. The window calls it when it becomes active again.
    QString FileChangeNotice();
    // "<name> was replaced by another program since it was opened." and its kin.
    [[nodiscard]] static QString FileChangeText(FileChange change, const QString& name);

    // The edit journal: every change, undo and redo of a writable document is on disk
    // before the window shows it, so a crash loses nothing typed. On by default; users who
    // do not want typed bytes kept on disk turn it off (documents opened afterwards keep
    // none). A save's rollback record is written either way.
    static void SetJournalEnabled(bool enabled);
    [[nodiscard]] static bool JournalEnabled();
    // After the setting changed while the document is open: off removes its journal; on
    // starts one for a writable document, holding the pending changes as one step. A
    // journal left on disk for later (recovery put off) is not replaced.
    void FollowJournalSetting();
    [[nodiscard]] bool IsJournaled() const { return m_journal.IsOpen(); }
    [[nodiscard]] const EditJournal& Journal() const { return m_journal; }
    // At start-up: puts back the files whose save a crash cut short (complete rollback
    // records), then asks about each journal whose file is not open. `open` opens a file as
    // a document (through the framework) and is called for each the user wants recovered;
    // that document then recovers without asking again.
    using OpenForRecovery = std::function<void(const QString& path)>;
    static void RecoverAtStartup(const OpenForRecovery& open);
    // "Vantorix found unsaved changes to <name> from <date and time> (<N> bytes). Recover them?"
    [[nodiscard]] static QString RecoveryQuestion(const QString& name, const JournalContents& contents);

    // The largest count ReadBytes delivers in one call; a larger count is cut to it.
    static constexpr std::uint32_t kMaxRead = 65535;

private:
    enum class ChangedFileChoice { SaveAs, Overwrite, Cancel };

    bool SaveInPlace();
    // The steps of SaveInPlace: the file as it is now (the user decides when another
    // program changed it); the question when an undo step is too large to survive the save;
    // what a completed save leaves (the changes past the end pending again, the user told);
    // what a failed one says.
    ChangedFileChoice CheckFileBeforeSave();
    bool MayDropUndoSteps();
    void FinishSave(std::vector<PendingRun>& pastEnd);
    void SaveFailed(bool wrote, bool touched, const QString& reason);
    // Writes every pending run into the file, ascending, one positioned write each (a long
    // fill in blocks), then syncs; throws on failure.
    void WriteRuns();
    // A new change (set, paste, fill): the one way in, so that the store counts what differs
    // and keeps the step. 0, or the errno of a read that failed (nothing changed).
    int ApplyChange(PendingRun run, const std::uint8_t* shownBefore = nullptr);
    // The differing bytes counted again against the file as it is now.
    void RecountAgainstFile();
    // Retitles the windows when IsDirty changed since wasDirty.
    void NotifyIfDirtyChanged(bool wasDirty);
    bool SaveToNewName(const QString& path);
    // Save As's new file, made from the open descriptor; false after telling why not.
    bool CreateCopy(CFile& copy, const QString& path);
    // Undo and Redo: the store takes the step, then the windows' unsaved mark and the first
    // view follow.
    void TakeStep(bool redo);
    void ShowInFirstView(FilePos position);
    ChangedFileChoice AskAboutChangedFile(const FileCheck& check);

    // The journal's part (CVantorixDocJournal.cpp).
    // After a writable open: puts back a save a crash cut short, offers what a journal
    // holds, and starts journaling.
    void OpenJournal();
    void RecoverFrom(const JournalContents& contents);
    // Makes the journal's steps again (as one would by hand): the count of changed bytes
    // that lie past the end of the file as it is now and were left out.
    std::uint64_t Replay(const JournalContents& contents);
    std::uint64_t ReplayRuns(const std::vector<JournalRun>& runs);
    // What the user is told after a recovery: a damaged tail, bytes left out.
    void TellAboutRecovery(const JournalContents& contents, std::uint64_t leftOut);
    // Appends a step's record before the change shows; a journal that fails is given up
    // with one warning, and editing goes on.
    // Inside a group that journals in batches the changes of its step are held and appended
    // together, a few thousand runs at a time and when the group ends: Replace All makes one
    // write per batch, not one per match.
    void JournalStep(JournalRecord::Kind kind, bool joinsPrevious = false, std::vector<JournalRun> runs = {});
    // The record of an Undo (or Redo) just taken: what it left showing over its range.
    void JournalUndoStep(bool redo);
    void AppendHeldRecord();
    void GiveUpJournal(int error);
    // Writes every pending change into the file, or, when that fails, puts back the bytes
    // it overwrote and throws CFileException with the system's reason. A rollback record
    // of those bytes is synced before the first byte goes in, so a crash half-way is put
    // right at the next open. `touched`: the file may hold a mix (the way back failed too).
    void WritePendingSafely(bool& touched);
    // The save's rollback record: its head, then what `stream` puts in (the old bytes under
    // the pending runs), synced. False, after one notice, when the state folder cannot hold
    // it: the record is then kept in memory while it fits, so that a failed write can still
    // be taken back, and the save goes on. Throws CFileException when the old bytes cannot
    // be read.
    bool RecordOldBytesOrWarn(RollbackWriter& record, const std::string& rollbackPath, const RollbackRecord& head,
                              const std::function<bool(RollbackWriter&)>& stream);
    // Once the file holds the changes: the undo steps' copies of the bytes they overwrote,
    // from the save's record. Never fails the save: without the copies, the steps that
    // needed them go, and the user is told.
    void KeepOldBytesAfterWrite(const RollbackSource& record, const std::vector<RollbackWriter::Placed>& placement);
    // At open: a complete rollback record left by a save a crash cut short puts the old
    // bytes back, unless the file shows that the save completed.
    void PutBackCutShortSave();
    // After a completed save, or when the document's file changes (Save As).
    void RestartJournal();
    void DropJournal();

    CFile m_file;
    EditJournal m_journal;
    std::string m_canonicalPath;
    bool m_bReplaying = false;
    bool m_bJournalWarned = false;
    bool m_bFileOpen = false;
    FilePos m_nLength = 0;
    // The pending changes, the undo and redo steps and the count of bytes that differ from
    // the file. When the file's bytes are no longer known for certain (a save failed
    // half-way, a byte could not be read back) it stays dirty until the next save succeeds.
    PendingBytes m_pending;
    QString m_path;
    StatusSink m_statusSink;
    // The state of the file the user was last told about (FileChangeNotice).
    std::optional<FileCheck> m_noticed;
    bool m_bReadOnly = false;
    // Open ChangeGroups, and the undo history's size when the outermost one opened.
    int m_nGroupDepth = 0;
    std::size_t m_nGroupStart = 0;
    // Whether the next change's first record joins the step before it (inside a group
    // that has recorded something already).
    [[nodiscard]] bool JoinsOpenGroup() const
    {
        return m_nGroupDepth > 0 && m_pending.UndoRecords().size() > m_nGroupStart;
    }
    // Open groups that journal in batches, and the changes they hold for the journal.
    int m_nBatchingGroups = 0;
    std::optional<JournalRecord> m_heldRecord;
    bool m_bOpenViewOnly = false;
    // Set while a Save As opens its copy, which must open for writing or fail.
    bool m_bOpeningCopy = false;
};

} // namespace vtx
