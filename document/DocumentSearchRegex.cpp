// The document's search for a regular expression: the text compiled by the matcher of
// RegexSearch.h and run over the presented bytes with the same rules, refusals and failures
// as the search for a fixed text.
#include "DocumentSearch.h"

// this program
#include "document/CVantorixDoc.h"
#include "document/RegexSearch.h"
#include "framework/MessageBox.h"

// std
#include <algorithm>
#include <cerrno>
#include <mutex>
#include <string>

namespace vtx {

namespace {

constexpr const char* kRegexNotEightBit =
    "The regular expression may contain only 8-bit (Latin-1) characters; write any other byte as \\xHH.";

// The last pattern compiled. The view asks whether a text can be searched for before it
// searches, and F3 searches the same text again and again: one compile serves them all.
struct CompiledCache {
    std::mutex lock;
    std::string text;
    bool matchCase = true;
    std::shared_ptr<const RegexPattern> pattern;
};

CompiledCache& Cache()
{
    static CompiledCache cache;
    return cache;
}

// What a regular-expression scan ended with, as the fixed-text search tells it. The
// matcher fails only when it cannot get memory for its state: told as that error at the
// place the search was to go on from.
FindResult ToFindResult(const RegexScanResult& scan, FilePos from)
{
    FindResult result;
    switch (scan.end) {
    case RegexScanEnd::Found:
        result.position = static_cast<std::int64_t>(scan.match.first);
        result.length = static_cast<std::size_t>(scan.match.length);
        result.wrapped = scan.wrapped;
        break;
    case RegexScanEnd::NotFound:
        break;
    case RegexScanEnd::Cancelled:
        result.cancelled = true;
        break;
    case RegexScanEnd::ReadFailed:
        result.error = scan.error != 0 ? scan.error : EIO;
        result.errorAt = scan.failedAt;
        break;
    case RegexScanEnd::MatcherFailed:
        result.error = ENOMEM;
        result.errorAt = from;
        break;
    }
    return result;
}

RegexReader PresentedBytes(CVantorixDoc& doc)
{
    return [&doc](std::uint8_t* buffer, std::uint32_t count, FilePos position) {
        return doc.ReadPresented(buffer, count, position);
    };
}

} // namespace

std::shared_ptr<const RegexPattern> DocumentSearch::CompileRegex(const QString& text, bool matchCase,
                                                                 QString& problem)
{
    problem.clear();
    const bool eightBit = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
    if (!eightBit) {
        problem = QString::fromLatin1(kRegexNotEightBit);
        return nullptr;
    }
    const QByteArray latin1 = text.toLatin1();
    std::string bytes(latin1.constData(), static_cast<std::size_t>(latin1.size()));
    CompiledCache& cache = Cache();
    const std::lock_guard guard(cache.lock);
    if (cache.pattern && cache.text == bytes && cache.matchCase == matchCase)
        return cache.pattern;
    std::string reason;
    std::shared_ptr<const RegexPattern> pattern = RegexPattern::Compile(bytes, matchCase, reason);
    if (!pattern) {
        problem = QString::fromLatin1(reason.c_str());
        return nullptr;
    }
    cache.text = std::move(bytes);
    cache.matchCase = matchCase;
    cache.pattern = pattern;
    return pattern;
}

FindResult DocumentSearch::FindRegex(const QString& text, bool matchCase, FilePos caret, SearchDirection direction,
                                     const ScanProgress& progress)
{
    QString problem;
    const std::shared_ptr<const RegexPattern> pattern = CompileRegex(text, matchCase, problem);
    if (!pattern) {
        ShowMessageBox(problem);
        return {};
    }
    const FilePos length = m_doc.GetFileLength();
    const RegexScanResult scan =
        FindRegexAround(*pattern, PresentedBytes(m_doc), caret, length, direction, progress);
    return ToFindResult(scan, std::min(caret, length));
}

} // namespace vtx
