#include "DocumentSearch.h"

// this program
#include "document/CVantorixDoc.h"
#include "framework/MessageBox.h"

// std
#include <algorithm>
#include <memory>

namespace vtx {

namespace {

constexpr const char* kNotEightBit = "The search text may contain only 8-bit (Latin-1) characters.";
constexpr const char* kNoFixedBytes = "A regular expression has no fixed bytes to search for.";

std::unique_ptr<std::uint8_t[]> NewBlock()
{
    return std::make_unique_for_overwrite<std::uint8_t[]>(CVantorixDoc::kMaxRead);
}

FindResult ReadFailure(FilePos at, int error)
{
    FindResult result;
    result.error = error;
    result.errorAt = at;
    return result;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Texts

SearchPattern DocumentSearch::Encode(const QString& text, SearchSettings settings, QString& problem)
{
    if (settings.type == SearchType::Regex) {
        problem = QString::fromLatin1(kNoFixedBytes);
        return {};
    }
    const bool eightBit = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
    if (!eightBit) {
        problem = QString::fromLatin1(kNotEightBit);
        return {};
    }
    SearchPattern pattern = EncodeSearchPattern(text.toLatin1().toStdString(), settings.type, settings.matchCase);
    problem = QString::fromLatin1(PatternProblemText(pattern.problem));
    return pattern;
}

QString DocumentSearch::TextProblem(const QString& text, SearchSettings settings)
{
    QString problem;
    if (settings.type == SearchType::Regex)
        (void)CompileRegex(text, settings.matchCase, problem);
    else
        (void)Encode(text, settings, problem);
    return problem;
}

QString DocumentSearch::FailureText(const FindResult& result) const
{
    return m_doc.ReadFailureText(result.errorAt, result.error);
}

QString DocumentSearch::FailureText(const ScanStatus& status) const
{
    return m_doc.ReadFailureText(status.failedAt, status.error);
}

// ---------------------------------------------------------------------------------------
// Find Next and Find Previous

FindResult DocumentSearch::Find(const QString& text, SearchSettings settings, FilePos caret,
                                SearchDirection direction, const ScanProgress& progress)
{
    if (settings.type == SearchType::Regex)
        return FindRegex(text, settings.matchCase, caret, direction, progress);
    QString problem;
    const SearchPattern pattern = Encode(text, settings, problem);
    if (!problem.isEmpty()) {
        ShowMessageBox(problem);
        return {};
    }
    return FindAround(pattern, caret, direction, progress);
}

namespace {

FindResult Found(FilePos at, std::size_t length)
{
    FindResult result;
    result.position = static_cast<std::int64_t>(at);
    result.length = length;
    return result;
}

FindResult Cancelled()
{
    FindResult result;
    result.cancelled = true;
    return result;
}

// The two directions of ScanRange, over a range already cut to the file and at least one
// pattern long. Consecutive blocks overlap by the pattern's length - 1 bytes, so that a
// match that starts in one block and ends in the next is seen whole in one of them.
FindResult ScanForward(CVantorixDoc& doc, const SearchPattern& pattern, FilePos from, FilePos to,
                       const ScanProgress& progress)
{
    const auto block = NewBlock();
    const auto overlap = static_cast<std::uint32_t>(pattern.compareLength - 1);
    for (FilePos p = from; p < to;) {
        const auto wanted = static_cast<std::uint32_t>(std::min<FilePos>(CVantorixDoc::kMaxRead, to - p));
        const ReadOutcome read = doc.ReadPresented(block.get(), wanted, p);
        // The bytes read before a failure are searched: a match among them comes before
        // the place that could not be read.
        const std::ptrdiff_t hit = FindPatternInBlock(block.get(), read.count, pattern, SearchDirection::Forward);
        if (hit >= 0)
            return Found(p + static_cast<FilePos>(hit), pattern.compareLength);
        if (read.Failed())
            return ReadFailure(p + read.count, read.error);
        // Less than asked without an error: the file ends sooner than it did.
        if (read.count < wanted || p + read.count >= to)
            return {};
        p += read.count - overlap;
        if (progress && !progress(p - from))
            return Cancelled();
    }
    return {};
}

FindResult ScanBackward(CVantorixDoc& doc, const SearchPattern& pattern, FilePos from, FilePos to,
                        const ScanProgress& progress)
{
    const auto block = NewBlock();
    const auto overlap = static_cast<std::uint32_t>(pattern.compareLength - 1);
    for (FilePos end = to; end > from;) {
        const FilePos start = end - std::min<FilePos>(CVantorixDoc::kMaxRead, end - from);
        const ReadOutcome read = doc.ReadPresented(block.get(), static_cast<std::uint32_t>(end - start), start);
        // Backward, the bytes behind a failure lie nearer the caret than those before it:
        // nothing read here may be reported.
        if (read.Failed())
            return ReadFailure(start + read.count, read.error);
        // A short read (the file ends sooner than it did) is searched as what it is.
        const std::ptrdiff_t hit = FindPatternInBlock(block.get(), read.count, pattern, SearchDirection::Backward);
        if (hit >= 0)
            return Found(start + static_cast<FilePos>(hit), pattern.compareLength);
        if (start == from || end - start <= overlap)
            return {};
        end = start + overlap;
        if (progress && !progress(to - end))
            return Cancelled();
    }
    return {};
}

} // namespace

FindResult DocumentSearch::ScanRange(const SearchPattern& pattern, FilePos from, FilePos to,
                                     SearchDirection direction, const ScanProgress& progress)
{
    const std::size_t compared = pattern.compareLength;
    if (compared == 0 || pattern.bytes.size() < compared)
        return {};
    to = std::min(to, m_doc.GetFileLength());
    if (from >= to || to - from < compared)
        return {};
    return direction == SearchDirection::Forward ? ScanForward(m_doc, pattern, from, to, progress)
                                                 : ScanBackward(m_doc, pattern, from, to, progress);
}

FindResult DocumentSearch::FindAround(const SearchPattern& pattern, FilePos caret, SearchDirection direction,
                                      const ScanProgress& progress)
{
    const FilePos length = m_doc.GetFileLength();
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

    FilePos scannedBefore = 0;
    const auto pass = [&](FilePos from, FilePos to) -> FindResult {
        if (from >= to)
            return {};
        FindResult result = ScanRange(pattern, from, to, direction, [&](std::uint64_t scanned) {
            return !progress || progress(scannedBefore + scanned);
        });
        scannedBefore += to - from;
        return result;
    };

    FindResult first = pass(firstFrom, firstTo);
    if (first.Found() || first.Failed() || first.cancelled)
        return first;
    FindResult second = pass(secondFrom, secondTo);
    second.wrapped = second.Found();
    return second;
}

// ---------------------------------------------------------------------------------------
// Every match of a range

PatternScanner::PatternScanner(SearchPattern pattern)
    : m_pattern(std::move(pattern)), m_folded(FoldedPattern(m_pattern))
{
}

ScanStatus PatternScanner::Scan(CVantorixDoc& doc, ByteRange range, const MatchSink& sink,
                                const ScanProgress& progress)
{
    return ScanShown(doc, range, [&](FilePos at, std::uint64_t length, const std::uint8_t*) { return sink(at, length); },
                     progress);
}

ScanStatus PatternScanner::ScanShown(CVantorixDoc& doc, ByteRange range, const ShownMatchSink& sink,
                                     const ScanProgress& progress)
{
    const std::size_t compared = m_pattern.compareLength;
    const FilePos to = std::min(range.End(), doc.GetFileLength());
    if (compared == 0 || m_pattern.bytes.size() < compared || range.first >= to || to - range.first < compared)
        return {};
    const auto block = NewBlock();
    // A case-free scan looks in a folded copy, and hands on the bytes as they are.
    const auto folded = m_pattern.matchCase ? nullptr : NewBlock();
    const std::uint8_t* searched = folded ? folded.get() : block.get();
    const auto overlap = static_cast<std::uint32_t>(compared - 1);
    // No match may begin before this: the bytes of the last match reported.
    FilePos nextAllowed = range.first;
    for (FilePos p = range.first; p < to;) {
        const auto wanted = static_cast<std::uint32_t>(std::min<FilePos>(CVantorixDoc::kMaxRead, to - p));
        const ReadOutcome read = doc.ReadPresented(block.get(), wanted, p);
        if (folded)
            FoldCase(block.get(), folded.get(), read.count);
        for (auto offset = static_cast<std::size_t>(std::max(nextAllowed, p) - p); offset + compared <= read.count;) {
            const std::ptrdiff_t hit = FindInBlock(searched + offset, read.count - offset, m_folded.bytes.data(), compared);
            if (hit < 0)
                break;
            offset += static_cast<std::size_t>(hit);
            if (!sink(p + offset, compared, block.get() + offset))
                return {ScanStatus::End::Stopped};
            offset += compared;
            nextAllowed = p + offset;
        }
        if (read.Failed())
            return {ScanStatus::End::Failed, p + read.count, read.error};
        if (read.count < wanted || p + read.count >= to)
            break;
        p = std::max<FilePos>(p + read.count - overlap, nextAllowed);
        if (progress && !progress(p - range.first))
            return {ScanStatus::End::Cancelled};
    }
    return {};
}

} // namespace vtx
