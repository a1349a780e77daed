#include "document/RegexSearch.h"

// Hyperscan
#include <hs.h>

// std
#include <algorithm>
#include <climits>
#include <map>
#include <cstdlib>
#include <optional>
#include <vector>

namespace vtx {

// Two databases of the same pattern. A scan that starts at the data's first byte uses the
// pattern as it is. A scan that starts later begins one byte early and uses the pattern
// behind one byte of any value: `^` then cannot match at the scan's start, `\b` sees the
// byte before it, and the leftmost start that the matcher reports for a match's end is
// never one before the scan's start (which would hide a match starting at it).
struct RegexPattern::Databases {
    hs_database_t* atStart = nullptr;
    hs_database_t* afterStart = nullptr;
    Databases() = default;
    Databases(const Databases&) = delete;
    Databases& operator=(const Databases&) = delete;
    ~Databases()
    {
        hs_free_database(atStart);
        hs_free_database(afterStart);
    }
};

RegexPattern::~RegexPattern() = default;

namespace {

constexpr std::uint32_t kBlock = 64 * 1024;

hs_database_t* CompileDatabase(const std::string& expression, unsigned flags, std::string& problem)
{
    hs_database_t* database = nullptr;
    hs_compile_error_t* error = nullptr;
    if (hs_compile(expression.c_str(), flags, HS_MODE_STREAM | HS_MODE_SOM_HORIZON_LARGE, nullptr, &database,
                   &error) != HS_SUCCESS) {
        problem = std::string("The regular expression cannot be used: ") +
                  (error && error->message ? error->message : "the matcher refused it") + ".";
        hs_free_compile_error(error);
        return nullptr;
    }
    return database;
}

} // namespace

std::shared_ptr<const RegexPattern> RegexPattern::Compile(const std::string& pattern, bool matchCase,
                                                          std::string& problem)
{
    problem.clear();
    constexpr const char* kMatchesEmpty =
        "The regular expression can match an empty string, so it would match everywhere. "
        "Make it match at least one byte.";
    if (pattern.empty()) {
        problem = kMatchesEmpty;
        return nullptr;
    }
    // The matcher takes a C string: a zero byte in the pattern stands for itself.
    std::string expression;
    for (const char c : pattern) {
        if (c == '\0')
            expression += "\\x00";
        else
            expression += c;
    }
    const unsigned flags = HS_FLAG_DOTALL | HS_FLAG_SOM_LEFTMOST | (matchCase ? 0u : HS_FLAG_CASELESS);

    hs_expr_info_t* info = nullptr;
    hs_compile_error_t* error = nullptr;
    if (hs_expression_info(expression.c_str(), flags, &info, &error) != HS_SUCCESS) {
        problem = std::string("The regular expression cannot be used: ") +
                  (error && error->message ? error->message : "the matcher refused it") + ".";
        hs_free_compile_error(error);
        return nullptr;
    }
    const unsigned minWidth = info->min_width;
    const unsigned maxWidth = info->max_width;
    std::free(info);
    if (minWidth == 0) {
        problem = kMatchesEmpty;
        return nullptr;
    }

    std::shared_ptr<RegexPattern> compiled(new RegexPattern);
    compiled->m_databases = std::make_unique<Databases>();
    compiled->m_databases->atStart = CompileDatabase(expression, flags, problem);
    if (!compiled->m_databases->atStart)
        return nullptr;
    // Some patterns (those with `^` inside) cannot follow a context byte; they are scanned
    // with the byte before the search's start as their own, and matches that start on it
    // are dropped (with them, now and then, a match that ends where one of those ends).
    std::string contextProblem;
    compiled->m_databases->afterStart = CompileDatabase("(?s:.)(?:" + expression + ")", flags, contextProblem);
    compiled->m_horizon = maxWidth == UINT_MAX ? kMaxRegexMatch : std::min<FilePos>(maxWidth, kMaxRegexMatch);
    return compiled;
}

namespace {

struct Report {
    FilePos start;
    FilePos end;
};

// One scan over a range: hands out the matches in order, each starting where the last one
// ended. The bytes read are kept in a window for as long as a restart of the matcher at a
// later match's end may need them, so no byte is read twice in the usual case.
class Scan
{
public:
    Scan(const RegexPattern& pattern, const RegexReader& read, RegexRange range, const RegexProgress& progress)
        : m_db(pattern.Compiled())
        , m_read(read)
        , m_range(range)
        , m_progress(progress)
        , m_horizon(pattern.Horizon())
        , m_origin(range.from)
    {
        m_range.limit = std::min(m_range.limit, m_range.length);
        m_windowBase = m_origin == 0 ? 0 : m_origin - 1;
    }
    ~Scan()
    {
        CloseQuietly();
        hs_free_scratch(m_scratch);
    }
    Scan(const Scan&) = delete;
    Scan& operator=(const Scan&) = delete;

    RegexScanResult Next()
    {
        if (m_origin >= m_range.limit)
            return {};
        if (!m_scratch) {
            for (const hs_database_t* database : {m_db.atStart, m_db.afterStart}) {
                if (!database)
                    continue;
                if (const hs_error_t e = hs_alloc_scratch(database, &m_scratch); e != HS_SUCCESS)
                    return MatcherFailure(e);
            }
            m_needRestart = true;
        }
        for (;;) {
            if (m_needRestart) {
                if (const hs_error_t e = Restart(); e != HS_SUCCESS)
                    return MatcherFailure(e);
            }
            for (; m_next < m_reports.size() && !m_needRestart; ++m_next) {
                const Report r = m_reports[m_next];
                // The matcher reports the leftmost start for each end; one before the origin
                // may hide a start at or after it: look again from the origin.
                if (r.start < m_origin) {
                    // A pattern that cannot follow a context byte reads that byte as its
                    // own: a match starting there is not one the search may take.
                    if (!m_db.afterStart && r.start == m_streamBase && m_streamBase + 1 == m_origin)
                        continue;
                    m_needRestart = true;
                    break;
                }
                auto [group, added] = m_starts.try_emplace(r.start, Ends{r.end, false});
                if (added)
                    continue;
                if (r.end <= r.start + m_horizon)
                    group->second.longest = std::max(group->second.longest, r.end);
                else
                    group->second.beyondHorizon = true;
            }
            if (m_needRestart)
                continue;
            m_reports.clear();
            m_next = 0;
            if (!m_starts.empty()) {
                // Every match that starts at or before the leftmost start has ended once
                // the scan is a horizon past it.
                if (m_closed || m_fed >= m_starts.begin()->first + m_horizon)
                    return Settle();
            } else if (m_closed) {
                return {};
            }
            if (std::optional<RegexScanResult> failure = FeedMore())
                return *failure;
        }
    }

    [[nodiscard]] FilePos Scanned() const { return m_scanned; }

private:
    static int OnMatch(unsigned /*id*/, unsigned long long from, unsigned long long to, unsigned /*flags*/,
                       void* context)
    {
        auto* scan = static_cast<Scan*>(context);
        const FilePos start = scan->m_streamBase + from + (scan->m_withContext ? 1 : 0);
        scan->m_reports.push_back({start, scan->m_streamBase + to});
        return 0;
    }

    RegexScanResult Settle()
    {
        const auto first = m_starts.begin();
        RegexScanResult result;
        result.end = RegexScanEnd::Found;
        result.match = {first->first, first->second.longest - first->first};
        m_origin = first->second.longest;
        // A match that goes on past the horizon, or one that starts inside this one, may hide
        // a match starting at or after the new origin.
        m_needRestart = first->second.beyondHorizon;
        m_starts.erase(first);
        if (!m_starts.empty() && m_starts.begin()->first < m_origin)
            m_needRestart = true;
        return result;
    }

    static RegexScanResult MatcherFailure(hs_error_t error)
    {
        RegexScanResult result;
        result.end = RegexScanEnd::MatcherFailed;
        result.error = error;
        return result;
    }

    void CloseQuietly()
    {
        if (m_stream)
            hs_close_stream(m_stream, nullptr, nullptr, nullptr);
        m_stream = nullptr;
    }

    // A new stream from the origin (with the byte before it as context), fed again from the
    // window; reports of the old stream are dropped.
    hs_error_t Restart()
    {
        CloseQuietly();
        m_reports.clear();
        m_next = 0;
        m_starts.clear();
        m_needRestart = false;
        m_closed = false;
        m_restarted = true;
        m_step = std::clamp<FilePos>(2 * m_horizon, 256, kBlock);
        m_withContext = m_origin > 0 && m_db.afterStart;
        m_streamBase = m_origin > 0 ? m_origin - 1 : 0;
        m_fed = m_streamBase;
        if (m_streamBase < m_windowBase || m_streamBase > WindowEnd()) {
            // The bytes are no longer held (a match far longer than its pattern's horizon):
            // read them again.
            m_window.clear();
            m_windowBase = m_streamBase;
            m_atEnd = false;
        }
        return hs_open_stream(m_withContext ? m_db.afterStart : m_db.atStart, 0, &m_stream);
    }

    [[nodiscard]] FilePos WindowEnd() const { return m_windowBase + m_window.size(); }

    // Feeds the matcher the next block (from the window, else read), or, at the end of the
    // range, closes the stream, with the matches that end at the end of the data.
    std::optional<RegexScanResult> FeedMore()
    {
        if (m_fed == WindowEnd()) {
            if (m_atEnd || WindowEnd() >= m_range.limit) {
                const bool dataEnd = m_atEnd || WindowEnd() >= m_range.length;
                hs_error_t e = HS_SUCCESS;
                if (dataEnd)
                    e = hs_close_stream(m_stream, m_scratch, &Scan::OnMatch, this);
                else
                    e = hs_close_stream(m_stream, nullptr, nullptr, nullptr);
                m_stream = nullptr;
                m_closed = true;
                if (e != HS_SUCCESS)
                    return MatcherFailure(e);
                return std::nullopt;
            }
            m_restarted = false;
            if (std::optional<RegexScanResult> failure = ReadBlock())
                return failure;
            if (m_fed == WindowEnd())
                return std::nullopt; // the end of the data: closed on the next call
        }
        // After a restart the held bytes go in in small steps: the next match usually
        // settles within a horizon, and the rest would only be scanned again.
        const FilePos count = std::min<FilePos>(m_restarted ? m_step : kBlock, WindowEnd() - m_fed);
        m_step = std::min<FilePos>(m_step * 2, kBlock);
        const char* data = reinterpret_cast<const char*>(m_window.data() + (m_fed - m_windowBase));
        const hs_error_t e =
            hs_scan_stream(m_stream, data, static_cast<unsigned>(count), 0, m_scratch, &Scan::OnMatch, this);
        m_fed += count;
        if (e != HS_SUCCESS)
            return MatcherFailure(e);
        return std::nullopt;
    }

    std::optional<RegexScanResult> ReadBlock()
    {
        Trim();
        const FilePos at = WindowEnd();
        if (m_readFailure && at >= m_readFailure->failedAt)
            return m_readFailure;
        const auto wanted = static_cast<std::uint32_t>(std::min<FilePos>(kBlock, m_range.limit - at));
        const std::size_t before = m_window.size();
        m_window.resize(before + wanted);
        const ReadOutcome outcome = m_read(m_window.data() + before, wanted, at);
        const std::uint32_t got = std::min(outcome.count, wanted);
        m_window.resize(before + got);
        if (outcome.Failed()) {
            RegexScanResult result;
            result.end = RegexScanEnd::ReadFailed;
            result.failedAt = at + got;
            result.error = outcome.error;
            // The bytes read before the failure are scanned first: a match among them
            // comes before the place that could not be read.
            if (got == 0)
                return result;
            m_readFailure = result;
        }
        if (got == 0)
            m_atEnd = true;
        m_scanned += got;
        if (m_progress && !m_progress(m_scanned)) {
            RegexScanResult result;
            result.end = RegexScanEnd::Cancelled;
            return result;
        }
        return std::nullopt;
    }

    // Drops the bytes that no restart can need any more: those before the origin's context
    // byte and those more than a horizon (and a block) behind the bytes fed.
    void Trim()
    {
        FilePos keep = std::max(m_origin, m_fed > m_horizon + 2 * kBlock ? m_fed - m_horizon - 2 * kBlock : 0);
        if (!m_starts.empty())
            keep = std::min(keep, m_starts.begin()->first);
        keep = keep == 0 ? 0 : keep - 1;
        keep = std::min(keep, m_fed);
        if (keep <= m_windowBase)
            return;
        const FilePos dead = keep - m_windowBase;
        // Moving the bytes is only worth it once it frees half the window.
        if (dead < (FilePos{1} << 20) || dead < m_window.size() / 2)
            return;
        m_window.erase(m_window.begin(), m_window.begin() + static_cast<std::ptrdiff_t>(dead));
        m_windowBase = keep;
    }

    const RegexPattern::Databases& m_db;
    const RegexReader& m_read;
    RegexRange m_range;
    const RegexProgress m_progress;
    const FilePos m_horizon;

    hs_scratch_t* m_scratch = nullptr;
    hs_stream_t* m_stream = nullptr;
    // Where the current stream's offset 0 lies, and whether the pattern there sits behind a
    // context byte (reported starts are one byte early).
    FilePos m_streamBase = 0;
    bool m_withContext = false;
    // Matches start here or later.
    FilePos m_origin = 0;
    // The stream has seen the bytes up to here.
    FilePos m_fed = 0;
    bool m_closed = false;
    // Bytes read and held: [m_windowBase, WindowEnd()).
    std::vector<std::uint8_t> m_window;
    FilePos m_windowBase = 0;
    bool m_atEnd = false;
    FilePos m_scanned = 0;
    // A read that failed after giving some bytes: told when the scan needs the bytes there.
    std::optional<RegexScanResult> m_readFailure;

    // The matcher's reports not yet taken in, and the matches they make, by start: the
    // longest end within the horizon, and whether one went further.
    std::vector<Report> m_reports;
    std::size_t m_next = 0;
    struct Ends {
        FilePos longest;
        bool beyondHorizon;
    };
    std::map<FilePos, Ends> m_starts;
    bool m_needRestart = false;
    bool m_restarted = false;
    FilePos m_step = kBlock;
};

RegexProgress Offset(const RegexProgress& progress, const FilePos& before)
{
    if (!progress)
        return {};
    return [&progress, &before](std::uint64_t scanned) { return progress(before + scanned); };
}

} // namespace

RegexScanResult FindRegexForward(const RegexPattern& pattern, const RegexReader& read, RegexRange range,
                                 const RegexProgress& progress)
{
    Scan scan(pattern, read, range, progress);
    return scan.Next();
}

RegexScanResult FindRegexAll(const RegexPattern& pattern, const RegexReader& read, RegexRange range,
                             const std::function<bool(ByteRange)>& each, const RegexProgress& progress)
{
    Scan scan(pattern, read, range, progress);
    RegexScanResult last;
    for (;;) {
        RegexScanResult next = scan.Next();
        if (next.end == RegexScanEnd::NotFound)
            return last;
        if (!next.Found())
            return next;
        last = next;
        if (!each(next.match))
            return last;
    }
}

namespace {

// The last match that starts in [range.from, stretchEnd) and ends by range.limit, of those a
// scan from range.from finds one after another. Bytes that cannot be read below stretchEnd
// are passed over, as a backward scan from the caret would not reach them before the bytes
// behind them: the stretch is scanned again from the next block past them, and the read
// error is the answer only when no match lies between them and stretchEnd.
RegexScanResult LastMatchInStretch(const RegexPattern& pattern, const RegexReader& read, RegexRange range,
                                   FilePos stretchEnd, const RegexProgress& progress, FilePos& scanned)
{
    std::optional<RegexScanResult> readFailure;
    while (range.from < stretchEnd) {
        Scan scan(pattern, read, range, progress);
        std::optional<ByteRange> last;
        RegexScanResult next;
        for (;;) {
            next = scan.Next();
            if (!next.Found() || next.match.first >= stretchEnd)
                break;
            last = next.match;
        }
        scanned += scan.Scanned();
        const bool failedBelow = next.end == RegexScanEnd::ReadFailed && next.failedAt < stretchEnd;
        if (failedBelow) {
            readFailure = next;
            range.from = (next.failedAt / kBlock + 1) * kBlock;
            continue;
        }
        if (next.end != RegexScanEnd::Found && next.end != RegexScanEnd::NotFound)
            return next;
        if (last) {
            RegexScanResult result;
            result.end = RegexScanEnd::Found;
            result.match = *last;
            return result;
        }
        break;
    }
    return readFailure.value_or(RegexScanResult{});
}

} // namespace

RegexScanResult FindRegexBackward(const RegexPattern& pattern, const RegexReader& read, FilePos before,
                                  FilePos length, const RegexProgress& progress, FilePos floor)
{
    before = std::min(before, length);
    FilePos stretchEnd = before;
    FilePos stretch = FilePos{1} << 20;
    FilePos scannedBefore = 0;
    const RegexProgress offsetProgress = Offset(progress, scannedBefore);
    while (stretchEnd > floor) {
        const FilePos from = stretchEnd - std::min(stretch, stretchEnd - floor);
        // A match starting before stretchEnd ends within a horizon of it.
        const FilePos limit = std::min(before, stretchEnd + pattern.Horizon());
        const RegexScanResult result =
            LastMatchInStretch(pattern, read, {from, limit, length}, stretchEnd, offsetProgress, scannedBefore);
        if (result.end != RegexScanEnd::NotFound)
            return result;
        stretchEnd = from;
        stretch = std::min<FilePos>(stretch * 2, FilePos{64} << 20);
    }
    return {};
}

RegexScanResult FindRegexAround(const RegexPattern& pattern, const RegexReader& read, FilePos caret, FilePos length,
                                SearchDirection direction, const RegexProgress& progress)
{
    // A caret past the end (a click below the data) searches as from the end.
    const FilePos at = std::min(caret, length);
    FilePos scannedBefore = 0;
    RegexScanResult result;
    if (direction == SearchDirection::Forward) {
        Scan first(pattern, read, {at + 1, length, length}, Offset(progress, scannedBefore));
        result = first.Next();
        if (result.end != RegexScanEnd::NotFound)
            return result;
        scannedBefore = first.Scanned();
        // Wrapped: only a match starting at or before the caret is new; one that starts
        // there ends within a horizon of it.
        Scan second(pattern, read, {0, std::min(length, at + 1 + pattern.Horizon()), length},
                    Offset(progress, scannedBefore));
        result = second.Next();
        if (result.Found() && result.match.first > at)
            return {};
    } else {
        result = FindRegexBackward(pattern, read, at, length, progress);
        if (result.end != RegexScanEnd::NotFound)
            return result;
        scannedBefore = at;
        result = FindRegexBackward(pattern, read, length, length, Offset(progress, scannedBefore),
                                   at > pattern.Horizon() ? at - pattern.Horizon() : 0);
    }
    result.wrapped = result.Found();
    return result;
}

} // namespace vtx
