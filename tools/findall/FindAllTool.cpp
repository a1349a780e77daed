#include "FindAllTool.h"

// this program
#include "document/CVantorixDoc.h"
#include "tools/findall/RegexMatchScanner.h"
#include "view/ViewGeometry.h"

// std
#include <algorithm>

namespace vtx {

std::unique_ptr<IMatchScanner> FindAllTool::Scanner(const QString& text, SearchSettings settings, QString& problem)
{
    if (settings.type == SearchType::Regex) {
        std::shared_ptr<const RegexPattern> pattern = DocumentSearch::CompileRegex(text, settings.matchCase, problem);
        if (!pattern)
            return nullptr;
        return std::make_unique<RegexMatchScanner>(std::move(pattern));
    }
    SearchPattern pattern = DocumentSearch::Encode(text, settings, problem);
    if (!problem.isEmpty())
        return nullptr;
    return std::make_unique<PatternScanner>(std::move(pattern));
}

FindAllOutcome FindAllTool::Run(CVantorixDoc& doc, IMatchScanner& scanner, ByteRange range,
                                std::vector<FindAllHit>& hits, const ScanProgress& progress)
{
    FindAllOutcome outcome;
    outcome.status = scanner.Scan(doc, range, [&](FilePos at, std::uint64_t length) {
        if (hits.size() >= kMaxHits) {
            outcome.truncated = true;
            return false;
        }
        hits.push_back({at, length});
        return true;
    }, progress);
    return outcome;
}

FindAllTool::RowText FindAllTool::Describe(CVantorixDoc& doc, const FindAllHit& hit, int addressDigits)
{
    RowText row;
    row.offset = QString::fromStdString(OffsetText(hit.position, addressDigits));
    const FilePos before = std::min<FilePos>(kContextBytes, hit.position);
    const auto shown = static_cast<std::uint32_t>(std::min<std::uint64_t>(hit.length, kShownMatchBytes));
    const auto count = static_cast<std::uint32_t>(before) + shown + kContextBytes;
    std::vector<std::uint8_t> bytes(count);
    const FilePos first = hit.position - before;
    const ReadOutcome read = doc.ReadPresented(bytes.data(), count, first);
    if (read.Failed() && read.count < before + shown) {
        row.hex = QStringLiteral("(cannot be read)");
        return row;
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::uint32_t i = 0; i < read.count; ++i) {
        const bool opens = i == before;
        const bool closes = i == before + shown;
        if (i > 0)
            row.hex += closes ? QStringLiteral("] ") : QStringLiteral(" ");
        if (opens)
            row.hex += QLatin1Char('[');
        row.hex += QLatin1Char(kDigits[bytes[i] >> 4]);
        row.hex += QLatin1Char(kDigits[bytes[i] & 0xF]);
        row.text += QChar(static_cast<uchar>(DisplayChar(bytes[i])));
    }
    if (read.count == before + shown)
        row.hex += QLatin1Char(']');
    if (hit.length > shown)
        row.hex.insert(row.hex.indexOf(QLatin1Char(']')), QStringLiteral(" ..."));
    return row;
}

namespace {

// 100000 as "100,000", whatever the locale: the list's counts read alike everywhere.
QString Grouped(std::size_t count)
{
    QString digits = QString::number(static_cast<qulonglong>(count));
    for (auto i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

} // namespace

QString FindAllTool::CountText(std::size_t count)
{
    if (count == 0)
        return QStringLiteral("No matches");
    return count == 1 ? QStringLiteral("1 match") : QStringLiteral("%1 matches").arg(Grouped(count));
}

QString FindAllTool::Summary(CVantorixDoc& doc, const FindAllOutcome& outcome, std::size_t count)
{
    const QString listed = CountText(count);
    if (outcome.truncated)
        return QStringLiteral("%1: the list stopped there, more matches follow.").arg(listed);
    switch (outcome.status.end) {
    case ScanStatus::End::Failed:
        return QStringLiteral("%1 up to here. %2").arg(listed, doc.ReadFailureText(outcome.status.failedAt, outcome.status.error));
    case ScanStatus::End::Cancelled:
        return QStringLiteral("%1 until the search was cancelled.").arg(listed);
    case ScanStatus::End::Completed:
    case ScanStatus::End::Stopped:
        break;
    }
    return listed;
}

} // namespace vtx
