#pragma once
// Replace and Replace All over a document, without widgets. Bytes are only overwritten, so
// the replacement must be as long in bytes as what it replaces; a text pair that breaks
// this is refused before anything changes. Replace All is one undo step, also when it is
// cancelled or fails half-way: what it replaced until then stays, as that one step.

#include "document/DocumentSearch.h"
#include "platform/FilePos.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace vtx {

class CVantorixDoc;

// The two texts, encoded with the search type and case rule.
struct ReplacePlan {
    SearchPattern find;
    std::vector<std::uint8_t> replacement;
};

struct ReplaceResult {
    enum class End { Done, Refused, Cancelled, Failed };
    End end = End::Done;
    std::uint64_t replaced = 0;
    // What the user is told: the count, or why nothing (more) was replaced.
    QString message;
};

class ReplaceTool
{
public:
    // Why Prepare refuses the regular-expression search type.
    static constexpr const char* kRegexRefusal =
        "Replace works with Ascii, Hex and Unicode texts only: the matches of a regular expression differ "
        "in length, and Replace only overwrites bytes. Choose another search type to replace.";
    // The plan, or in `problem` why the texts cannot be used: the search text's own
    // problems, a replacement that cannot be encoded, lengths that differ, or a search type
    // (a regular expression) whose matches have no fixed length.
    [[nodiscard]] static std::optional<ReplacePlan> Prepare(const QString& findText, const QString& replaceText,
                                                            SearchSettings settings, QString& problem);
    // "Replaced 7 matches." ("1 match" for one).
    [[nodiscard]] static QString ReplacedText(std::uint64_t count);

    // Whether the bytes of `range` are one whole match of the plan's search text (the
    // selection Find Next left).
    [[nodiscard]] static bool IsMatch(CVantorixDoc& doc, const ReplacePlan& plan, ByteRange range);
    // Overwrites `range` when it is one whole match; Done with replaced 1 or 0.
    static ReplaceResult ReplaceOne(CVantorixDoc& doc, const ReplacePlan& plan, ByteRange range);
    // Every match lying wholly inside `range`, left to right, without overlaps, as one undo
    // step. `progress` hears the bytes scanned; returning false cancels.
    static ReplaceResult ReplaceAll(CVantorixDoc& doc, const ReplacePlan& plan, ByteRange range,
                                    const ScanProgress& progress = {});
    // The same with any scanner (a regular expression's): each match it reports must be
    // as long as the replacement, or it is left as it is.
    static ReplaceResult ReplaceAll(CVantorixDoc& doc, IMatchScanner& scanner, const std::vector<std::uint8_t>& replacement,
                                    ByteRange range, const ScanProgress& progress = {});
};

} // namespace vtx
