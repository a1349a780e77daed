#pragma once
// The edit journal: what the user changed in a document, kept on disk as it happens, so
// that a crashed or killed editor loses nothing typed. And the rollback record of a save:
// the bytes a save is about to overwrite, on disk before the first of them is, so that a
// save cut short by a crash or a full disk never leaves a file that is part old, part new.
//
// Both live in the user's state folder, named after the file's canonical path, so the
// same file always finds them. Every record carries its own checksum; reading stops at the
// first record that is torn or corrupt, and nothing past it is ever applied. Widget-free:
// the document decides what to ask the user.

// this program
#include "document/ByteCheck.h"
#include "document/RollbackRecord.h"
#include "platform/FileIdentity.h"
#include "platform/FilePos.h"

// Qt
#include <QString>

// std
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace vtx {

// Bytes set from `position` on: `length` bytes, given in full, or, for a fill, as a
// pattern repeated until `length` bytes are covered; or, with `fileBytes`, no bytes at all:
// the file's own bytes show there again (what an Undo leaves where nothing was pending).
struct JournalRun {
    FilePos position = 0;
    FilePos length = 0;
    bool fill = false;
    std::vector<std::uint8_t> bytes;
    bool fileBytes = false;

    bool operator==(const JournalRun&) const = default;
    // The byte the run sets at offset (below length; a run of the file's bytes sets none).
    [[nodiscard]] std::uint8_t At(FilePos offset) const
    {
        return fill ? bytes[static_cast<std::size_t>(offset % bytes.size())] : bytes[static_cast<std::size_t>(offset)];
    }
};

// One undo step as the document made it: a change (with the runs it set), an undo or a
// redo (with what it left showing over the range it covered, so that it can be replayed
// even where the undo history behind it was never journalled: steps made before a save or
// before the journal was turned on). A change that joins the step before it belongs to one
// change group (one Undo takes them all back). A journal started while changes were
// already pending begins with them as one Pending record: replayed as a step, but no Undo
// of the session that wrote the journal ever took it back whole.
struct JournalRecord {
    enum class Kind : std::uint8_t { Change = 1, Undo = 2, Redo = 3, Pending = 4 };
    Kind kind = Kind::Change;
    bool joinsPrevious = false;
    std::int64_t timeMs = 0; // when it was made, ms since the epoch
    std::vector<JournalRun> runs;

    bool operator==(const JournalRecord&) const = default;
};

// What a journal file holds, read back.
struct JournalContents {
    enum class Status {
        Missing,     // there is no journal
        Complete,    // every byte of it belonged to a whole record
        Torn,        // a torn or corrupt record ended it early; `records` is what came before
        NewerFormat, // written by a newer version of the program: left alone
        Unreadable,  // the header itself is damaged, or the file cannot be read
    };
    Status status = Status::Missing;
    std::string path; // the canonical path the header names
    FileIdentity identity;
    std::int64_t createdMs = 0;
    std::vector<JournalRecord> records;
    std::uint64_t fileBytes = 0;    // the journal file's size
    std::uint64_t recoveredBytes = 0; // how much of it made whole records (header included)
    std::size_t discardedBytes() const { return static_cast<std::size_t>(fileBytes - recoveredBytes); }

    // Bytes the change records set (a byte changed twice counts twice).
    [[nodiscard]] std::uint64_t ChangedBytes() const;
    // When the last record (or the header) was written, ms since the epoch.
    [[nodiscard]] std::int64_t LastWrittenMs() const;
};

class EditJournal
{
public:
    // 2 added what an undo or redo left, runs of the file's own bytes and Pending records.
    // A journal of format 1 reads as it is (its undos and redos carry no runs).
    static constexpr std::uint32_t kFormatVersion = 2;
    // The rollback record's format: 2 added the check of the new bytes and a ByteCheck in
    // place of CRC-32; 3 wrote the old bytes as entries of at most a block, zeros as a count.
    // A record of an older format reads as torn (only builds of the same round wrote one).
    static constexpr std::uint32_t kRollbackVersion = 3;
    // How long a record may wait for its fdatasync: a power cut loses at most this much.
    static constexpr std::chrono::milliseconds kSyncDelay{1000};

    EditJournal();
    ~EditJournal();
    EditJournal(const EditJournal&) = delete;
    EditJournal& operator=(const EditJournal&) = delete;

    // $XDG_STATE_HOME/vantorix (else ~/.local/state/vantorix); not created here.
    [[nodiscard]] static std::string StateFolder();
    // Creates the state folder (0700) where it is missing; false with errno when it cannot.
    static bool EnsureStateFolder();
    // Where the journal and the rollback record of the file at canonicalPath live.
    [[nodiscard]] static std::string JournalPathFor(const std::string& canonicalPath);
    [[nodiscard]] static std::string RollbackPathFor(const std::string& canonicalPath);
    // Every journal in the state folder, for the question at start-up.
    [[nodiscard]] static std::vector<std::string> AllJournals();

    // Reads a journal file as far as its records are whole.
    [[nodiscard]] static JournalContents Read(const std::string& journalPath);

    // Starts the journal of the file afresh (a header with its path and identity, and
    // `records` after it), replacing any old one in one rename, synced. False, with
    // LastError(), when the state folder cannot take it.
    bool Start(const std::string& canonicalPath, const FileIdentity& identity,
               const std::vector<JournalRecord>& records = {});
    // Appends one record with one write. Synced later: SyncIfDue, the timer, or SyncNow.
    bool Append(const JournalRecord& record);
    // fdatasync now, when records wait for it.
    bool SyncNow();
    // fdatasync when the oldest unsynced record has waited kSyncDelay by `now`.
    bool SyncIfDue(std::chrono::steady_clock::time_point now);
    [[nodiscard]] std::optional<std::chrono::steady_clock::time_point> SyncDeadline() const { return m_deadline; }
    // After a completed save: the journal holds nothing, and its header the file's new
    // identity.
    bool Reset(const FileIdentity& identity);
    // Closes and deletes the journal (a clean close, a discard).
    void Remove();
    // Closes the journal and leaves the file for the next start (synced first).
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    [[nodiscard]] int LastError() const { return m_lastError; }
    [[nodiscard]] const std::string& JournalPath() const { return m_journalPath; }

    // The rollback record of a save, from memory (a save streams its own with
    // RollbackWriter): written over the file the last save left (in place, so that its
    // fdatasync has no metadata to commit) and synced, before the save writes its first
    // byte; false with errno otherwise. Bytes past the record are left as they are and never
    // read.
    static bool WriteRollback(const std::string& rollbackPath, const RollbackRecord& record);
    using RollbackStatus = vtx::RollbackStatus;
    // A record that is not complete was cut short before the save wrote anything. Reads the
    // whole record into memory: for small records and tests; RollbackSource reads one in
    // blocks.
    [[nodiscard]] static RollbackStatus ReadRollback(const std::string& rollbackPath, RollbackRecord& record);
    // Marks the record cleared (it reads as Missing), without waiting for the disk: after a
    // crash that loses the mark, the record's check of the new bytes tells that the save
    // completed. An empty file reads as Missing too.
    static bool ClearRollback(const std::string& rollbackPath);
    // Removes the record's file if it is cleared or empty; called when the document closes.
    static void RemoveEmptyRollback(const std::string& rollbackPath);

    // Serialised forms, exposed for the tests that cut and damage them.
    [[nodiscard]] static std::vector<std::uint8_t> EncodeHeader(const std::string& canonicalPath,
                                                                const FileIdentity& identity, std::int64_t createdMs);
    [[nodiscard]] static std::vector<std::uint8_t> EncodeRecord(const JournalRecord& record);
    [[nodiscard]] static std::vector<std::uint8_t> EncodeRollback(const RollbackRecord& record);

private:
    bool Fail(int error);
    void ArmTimer();
    // Puts an encoded record at m_end. A small one is copied into a shared mapping of the
    // journal's tail: it is in the file as soon as it is copied (a killed process loses
    // none of it) and costs no system call, which a key pressed is worth. The window's
    // blocks are allocated before it is mapped, so a full disk is an error here, never a
    // fault on the copy. A large record, and any while the tests' fault seam is armed, is
    // written with pwrite.
    bool WriteRecord(const std::vector<std::uint8_t>& encoded);
    bool MapWindowAt(std::uint64_t position);
    void Unmap();

    int m_fd = -1;
    std::uint64_t m_end = 0;
    std::uint8_t* m_window = nullptr;
    std::uint64_t m_windowStart = 0;
    bool m_mappable = true;
    std::string m_journalPath;
    std::string m_canonicalPath;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
    std::unique_ptr<QTimer> m_timer;
    int m_lastError = 0;
};

// "The disk is full." and its kin for an errno met while writing a file; the system's own
// text for the rest.
[[nodiscard]] QString WriteFailureReason(int error);

} // namespace vtx
