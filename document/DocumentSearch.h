#pragma once
// Searching a document: Find Next and Find Previous from the caret, and scans that report
// every match of a range (Find All, Replace All). The search type and the case rule are
// arguments, given by whoever asks (the view takes them from the frame's menus); nothing
// here reads a process-wide setting. Every byte is read through
// CVantorixDoc::ReadPresented, so a read error ends a search as an error, with the offset
// it happened at, and is never taken for the end of the file or for "not found".

#include "document/SearchPattern.h"
#include "platform/FilePos.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace vtx {

class CVantorixDoc;
class RegexPattern;

// What the user chose in the search bar or the Replace dialog.
struct SearchSettings {
    SearchType type = SearchType::Ascii;
    bool matchCase = true;
    friend bool operator==(const SearchSettings&, const SearchSettings&) = default;
};

// Where a search found its match; position -1 when it found none. `wrapped`: found only
// after passing the end of the file (Forward) or its start (Backward). A search stopped by
// its progress hook says `cancelled`; one that could not read the file says `error`
// (errno) and `errorAt`, the offset it could not read.
struct FindResult {
    std::int64_t position = -1;
    bool wrapped = false;
    // How many bytes the match covers (the pattern's compared length); 0 without a match.
    std::size_t length = 0;
    bool cancelled = false;
    int error = 0;
    FilePos errorAt = 0;
    [[nodiscard]] bool Found() const { return position >= 0; }
    [[nodiscard]] bool Failed() const { return error != 0; }
};

// How a scan over a range ended.
struct ScanStatus {
    enum class End { Completed, Stopped, Cancelled, Failed };
    End end = End::Completed;
    // For Failed: the offset that could not be read and the system's error.
    FilePos failedAt = 0;
    int error = 0;
    [[nodiscard]] bool Failed() const { return end == End::Failed; }
};

// Hears each match, in ascending order of position; returning false stops the scan
// (ScanStatus Stopped).
using MatchSink = std::function<bool(FilePos position, std::uint64_t length)>;
// The same, with the match's bytes as the scan read them (pending changes laid over), or
// null when the scanner does not keep them; valid only during the call.
using ShownMatchSink = std::function<bool(FilePos position, std::uint64_t length, const std::uint8_t* shown)>;
// Hears how many bytes of the range have been scanned, once a block at least; returning
// false cancels the scan.
using ScanProgress = std::function<bool(std::uint64_t scanned)>;

// A scan that reports every match in a range of a document: the shape Find All and Replace
// All run, which a search of another kind (a regular expression) can fill as well.
// Matches do not overlap: after a match, the scan goes on behind it, so that what one
// replacement overwrites is never part of the next match.
class IMatchScanner
{
public:
    virtual ~IMatchScanner() = default;
    virtual ScanStatus Scan(CVantorixDoc& doc, ByteRange range, const MatchSink& sink,
                            const ScanProgress& progress) = 0;
    // The scan, handing each match's bytes along where the scanner has them: Replace All
    // then need not read them again to record what it overwrites.
    virtual ScanStatus ScanShown(CVantorixDoc& doc, ByteRange range, const ShownMatchSink& sink,
                                 const ScanProgress& progress)
    {
        return Scan(doc, range, [&](FilePos at, std::uint64_t length) { return sink(at, length, nullptr); }, progress);
    }
};

// The scanner for an encoded pattern (Ascii, Hex, Unicode; either case rule).
class PatternScanner final : public IMatchScanner
{
public:
    explicit PatternScanner(SearchPattern pattern);
    ScanStatus Scan(CVantorixDoc& doc, ByteRange range, const MatchSink& sink,
                    const ScanProgress& progress) override;
    ScanStatus ScanShown(CVantorixDoc& doc, ByteRange range, const ShownMatchSink& sink,
                         const ScanProgress& progress) override;

private:
    SearchPattern m_pattern;
    // The pattern folded to match case: a case-free scan folds each block once and then
    // finds all its matches with the exact scan.
    SearchPattern m_folded;
};

class DocumentSearch
{
public:
    explicit DocumentSearch(CVantorixDoc& doc) : m_doc(doc) {}

    // Every search's one way from the user's text to the bytes it looks for: the pattern,
    // or in `problem` the message that refuses the text (only 8-bit characters; the
    // pattern's own rules). A regular expression has no fixed bytes: it is refused here
    // (use CompileRegex).
    [[nodiscard]] static SearchPattern Encode(const QString& text, SearchSettings settings, QString& problem);
    // The way from the user's text to a regular expression (Latin-1, one character a byte,
    // `\xHH` for any byte) with the case rule: the compiled pattern, or null with the
    // message that refuses it in `problem` (the matcher's own, or that it can match an
    // empty string).
    [[nodiscard]] static std::shared_ptr<const RegexPattern> CompileRegex(const QString& text, bool matchCase,
                                                                          QString& problem);
    // Why the text cannot be searched for with these settings; empty when it can.
    [[nodiscard]] static QString TextProblem(const QString& text, SearchSettings settings);

    // Find Next and Find Previous: the text searched from the caret as FindAround does. A
    // text that cannot be searched for is refused with a message box (ask TextProblem first
    // to refuse it before a search begins) and finds nothing.
    FindResult Find(const QString& text, SearchSettings settings, FilePos caret, SearchDirection direction,
                    const ScanProgress& progress = {});

    // The search from the caret. Forward: the first match that starts after `caret`;
    // else, wrapping once, the first in the file. Backward: the last match that ends before
    // `caret`; else, wrapping once, the last in the file. Each byte is read once at most
    // (plus the pattern's length where the passes meet). `progress` hears how many bytes
    // have been scanned so far (of about the file's length), once a block.
    FindResult FindAround(const SearchPattern& pattern, FilePos caret, SearchDirection direction,
                          const ScanProgress& progress = {});
    // The first match lying wholly inside [from, to) (cut to the file; Forward), or the
    // last (Backward, reading blocks from `to` down). `progress` hears the bytes scanned
    // in this range.
    FindResult ScanRange(const SearchPattern& pattern, FilePos from, FilePos to, SearchDirection direction,
                         const ScanProgress& progress = {});

    // The message for a failed search, scan or replace: "Could not read <name> at
    // <offset>: <reason>."
    [[nodiscard]] QString FailureText(const FindResult& result) const;
    [[nodiscard]] QString FailureText(const ScanStatus& status) const;

private:
    // Find for the regular-expression type (DocumentSearchRegex.cpp): the same rules,
    // refusals and failures, with the whole match's length in the result.
    FindResult FindRegex(const QString& text, bool matchCase, FilePos caret, SearchDirection direction,
                         const ScanProgress& progress);

    CVantorixDoc& m_doc;
};

} // namespace vtx
