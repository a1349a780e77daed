#pragma once
// Regular-expression search over a byte stream of any size. The matcher (Hyperscan in
// streaming mode, with the leftmost start of each match) reads the bytes in blocks through a
// callback, so a file is never loaded and a match that crosses a block edge is found without
// reading back. No widgets here: the document, the tools and the tests use it alike.
//
// What a match is. The pattern is matched against bytes: one byte is one Latin-1 character,
// `\xHH` names any byte, `.` matches every byte (newlines included), `^` and `$` are the
// start and the end of the file. Among the matches that start at or after a position, the
// one found is the one with the leftmost start and, from that start, the longest. A match is
// looked for at most kMaxRegexMatch bytes long: a pattern without an upper bound on its
// length (`[\x20-\x7E]{8,}`) is matched up to that length, so that finding the end of a match
// never means reading the rest of the file.

#include "document/CVantorixDoc.h"
#include "platform/FilePos.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vtx {

inline constexpr FilePos kMaxRegexMatch = FilePos{1} << 20;

// A compiled pattern. Made by Compile; shared by every scan that uses it.
class RegexPattern
{
public:
    ~RegexPattern();
    RegexPattern(const RegexPattern&) = delete;
    RegexPattern& operator=(const RegexPattern&) = delete;

    // The pattern (Latin-1 bytes) compiled with the case rule, or null with the reason in
    // `problem`: the matcher's own message for a pattern it cannot compile, or the refusal
    // of a pattern that can match an empty string (it would match everywhere).
    [[nodiscard]] static std::shared_ptr<const RegexPattern> Compile(const std::string& pattern, bool matchCase,
                                                                      std::string& problem);

    // How far past a match's start the scan looks for its end: the pattern's longest match,
    // at most kMaxRegexMatch.
    [[nodiscard]] FilePos Horizon() const { return m_horizon; }

    struct Databases;
    [[nodiscard]] const Databases& Compiled() const { return *m_databases; }

private:
    RegexPattern() = default;
    std::unique_ptr<Databases> m_databases;
    FilePos m_horizon = 0;
};

// Reads like CVantorixDoc::ReadPresented: `count` bytes at `position` into buffer; a count of
// 0 without an error is the end of the data.
using RegexReader = std::function<ReadOutcome(std::uint8_t* buffer, std::uint32_t count, FilePos position)>;
// Hears how many bytes have been scanned so far; false cancels the scan.
using RegexProgress = std::function<bool(std::uint64_t scanned)>;

enum class RegexScanEnd {
    Found,     // `match` holds the match
    NotFound,  // the scan covered its range and found nothing
    Cancelled, // the progress callback said stop
    ReadFailed, // the bytes at `failedAt` could not be read: `error` is the system's errno
    MatcherFailed, // the matcher itself failed (out of memory); `error` is its code
};

struct RegexScanResult {
    RegexScanEnd end = RegexScanEnd::NotFound;
    ByteRange match;
    bool wrapped = false;
    FilePos failedAt = 0;
    int error = 0;
    [[nodiscard]] bool Found() const { return end == RegexScanEnd::Found; }
};

// What a scan covers: matches start at or after `from` and end at or before `limit`; `length`
// is the length of the whole data, where `$` matches (a limit short of it is no end).
struct RegexRange {
    FilePos from = 0;
    FilePos limit = 0;
    FilePos length = 0;
};

// The first match in the range (leftmost start, longest from there).
RegexScanResult FindRegexForward(const RegexPattern& pattern, const RegexReader& read, RegexRange range,
                                 const RegexProgress& progress = {});

// The last match that ends at or before `before`, of those that a scan from a little before
// it finds one after another; the bytes before `before` are scanned forward in growing
// stretches from there back to `floor`, and matches that start below `floor` are not looked
// for.
RegexScanResult FindRegexBackward(const RegexPattern& pattern, const RegexReader& read, FilePos before,
                                  FilePos length, const RegexProgress& progress = {}, FilePos floor = 0);

// Every match in the range, one after another (each scan resumes where the last match
// ended, so matches do not overlap), given to `each` in order; `each` returning false stops
// the scan (Found, with the last match given). NotFound when there was no match at all.
RegexScanResult FindRegexAll(const RegexPattern& pattern, const RegexReader& read, RegexRange range,
                             const std::function<bool(ByteRange)>& each, const RegexProgress& progress = {});

// Find Next and Find Previous from a caret, as the exact search does: Forward, the first
// match starting after the caret, else (wrapping once) the first in the file; Backward, the
// last match ending at or before the caret, else (wrapping once) the last in the file.
// `progress` hears the bytes scanned over both passes.
RegexScanResult FindRegexAround(const RegexPattern& pattern, const RegexReader& read, FilePos caret, FilePos length,
                                SearchDirection direction, const RegexProgress& progress = {});

} // namespace vtx
