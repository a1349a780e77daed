#include "ReplaceTool.h"

// this program
#include "document/CVantorixDoc.h"
#include "text/HexText.h"

// std
#include <algorithm>

namespace vtx {

namespace {

// The replacement's bytes as the search type writes them, or why it cannot be written.
std::optional<std::vector<std::uint8_t>> EncodeReplacement(const QString& text, SearchType type, QString& problem)
{
    if (!std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; })) {
        problem = QStringLiteral("The replacement text may contain only 8-bit (Latin-1) characters.");
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    if (type == SearchType::Hex) {
        const HexTextProblem hex = ParseHexText(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                                    static_cast<std::size_t>(text.size())),
                                                bytes);
        // An empty replacement is a length problem, told as such below.
        if (hex != HexTextProblem::None && hex != HexTextProblem::Empty) {
            problem = QStringLiteral("Replace with: ") + QString::fromLatin1(HexTextProblemText(hex));
            return std::nullopt;
        }
        return bytes;
    }
    const QByteArray latin1 = text.toLatin1();
    for (const char c : latin1) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        if (type == SearchType::Unicode)
            bytes.push_back(0);
    }
    return bytes;
}

QString ByteCount(std::size_t n)
{
    return n == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(n);
}

ReplaceResult Refused(const QString& message)
{
    return {ReplaceResult::End::Refused, 0, message};
}

} // namespace

std::optional<ReplacePlan> ReplaceTool::Prepare(const QString& findText, const QString& replaceText,
                                                SearchSettings settings, QString& problem)
{
    problem.clear();
    // A regular expression's matches differ in length, and bytes are only overwritten.
    if (settings.type == SearchType::Regex) {
        problem = QString::fromLatin1(kRegexRefusal);
        return std::nullopt;
    }
    ReplacePlan plan;
    plan.find = DocumentSearch::Encode(findText, settings, problem);
    if (!problem.isEmpty())
        return std::nullopt;
    std::optional<std::vector<std::uint8_t>> replacement = EncodeReplacement(replaceText, settings.type, problem);
    if (!replacement)
        return std::nullopt;
    if (replacement->size() != plan.find.compareLength) {
        problem = QStringLiteral("The replacement is %1 long and the search text %2: bytes can only be "
                                 "overwritten, so both must be the same length.")
                      .arg(ByteCount(replacement->size()), ByteCount(plan.find.compareLength));
        return std::nullopt;
    }
    plan.replacement = std::move(*replacement);
    return plan;
}

QString ReplaceTool::ReplacedText(std::uint64_t count)
{
    return count == 1 ? QStringLiteral("Replaced 1 match.") : QStringLiteral("Replaced %1 matches.").arg(count);
}

bool ReplaceTool::IsMatch(CVantorixDoc& doc, const ReplacePlan& plan, ByteRange range)
{
    const std::size_t length = plan.find.compareLength;
    if (length == 0 || range.length != length)
        return false;
    std::vector<std::uint8_t> bytes(length);
    const ReadOutcome read = doc.ReadPresented(bytes.data(), static_cast<std::uint32_t>(length), range.first);
    return read.count == length && FindPatternInBlock(bytes.data(), length, plan.find, SearchDirection::Forward) == 0;
}

ReplaceResult ReplaceTool::ReplaceOne(CVantorixDoc& doc, const ReplacePlan& plan, ByteRange range)
{
    if (doc.IsReadOnly())
        return Refused(QString::fromLatin1(CVantorixDoc::kReadOnlyText));
    if (!IsMatch(doc, plan, range))
        return {ReplaceResult::End::Done, 0, ReplacedText(0)};
    const auto count = static_cast<std::uint32_t>(plan.replacement.size());
    if (doc.SetBytes(plan.replacement.data(), count, range.first) != static_cast<std::int32_t>(count)) {
        std::vector<std::uint8_t> probe(count);
        const ReadOutcome read = doc.ReadPresented(probe.data(), count, range.first);
        return {ReplaceResult::End::Failed, 0, doc.ReadFailureText(range.first + read.count, read.error)};
    }
    return {ReplaceResult::End::Done, 1, ReplacedText(1)};
}

ReplaceResult ReplaceTool::ReplaceAll(CVantorixDoc& doc, const ReplacePlan& plan, ByteRange range,
                                      const ScanProgress& progress)
{
    PatternScanner scanner(plan.find);
    return ReplaceAll(doc, scanner, plan.replacement, range, progress);
}

ReplaceResult ReplaceTool::ReplaceAll(CVantorixDoc& doc, IMatchScanner& scanner,
                                      const std::vector<std::uint8_t>& replacement, ByteRange range,
                                      const ScanProgress& progress)
{
    if (doc.IsReadOnly())
        return Refused(QString::fromLatin1(CVantorixDoc::kReadOnlyText));
    if (replacement.empty())
        return Refused(QStringLiteral("There is nothing to replace with."));
    const auto count = static_cast<std::uint32_t>(replacement.size());
    std::uint64_t replaced = 0;
    std::optional<FilePos> unwritable;
    ScanStatus status;
    {
        // Every replacement joins one undo step, whatever ends the scan.
        CVantorixDoc::ChangeGroup group(doc, CVantorixDoc::ChangeGroup::Journal::InBatches);
        status = scanner.ScanShown(doc, range, [&](FilePos at, std::uint64_t length, const std::uint8_t* shown) {
            if (length != count)
                return true;
            if (doc.SetBytes(replacement.data(), count, at, shown) != static_cast<std::int32_t>(count)) {
                unwritable = at;
                return false;
            }
            ++replaced;
            return true;
        }, progress);
    }
    const QString undoNote = replaced == 0 ? QString()
                                           : QStringLiteral(" %1 before that; Undo takes %2 back.")
                                                 .arg(ReplacedText(replaced).chopped(1),
                                                      replaced == 1 ? QStringLiteral("it") : QStringLiteral("them"));
    if (unwritable) {
        std::vector<std::uint8_t> probe(count);
        const ReadOutcome read = doc.ReadPresented(probe.data(), count, *unwritable);
        return {ReplaceResult::End::Failed, replaced, doc.ReadFailureText(*unwritable + read.count, read.error) + undoNote};
    }
    switch (status.end) {
    case ScanStatus::End::Failed:
        return {ReplaceResult::End::Failed, replaced,
                doc.ReadFailureText(status.failedAt, status.error) + undoNote};
    case ScanStatus::End::Cancelled:
        return {ReplaceResult::End::Cancelled, replaced, QStringLiteral("Replace All was cancelled.") + undoNote};
    case ScanStatus::End::Completed:
    case ScanStatus::End::Stopped:
        break;
    }
    return {ReplaceResult::End::Done, replaced, ReplacedText(replaced)};
}

} // namespace vtx
