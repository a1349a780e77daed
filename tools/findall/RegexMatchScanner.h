#pragma once
// Find All of a regular expression: the matcher of document/RegexSearch.h behind the scan
// that Find All runs for any search type. Matches come one after another, each scan going on
// where the last match ended, so they never overlap.

#include "document/DocumentSearch.h"
#include "platform/FilePos.h"

#include <memory>

namespace vtx {

class RegexPattern;

class RegexMatchScanner final : public IMatchScanner
{
public:
    explicit RegexMatchScanner(std::shared_ptr<const RegexPattern> pattern);
    // Every match lying wholly inside `range` (cut to the document); `^` and `$` are still
    // the start and the end of the document, not of the range.
    ScanStatus Scan(CVantorixDoc& doc, ByteRange range, const MatchSink& sink,
                    const ScanProgress& progress) override;

private:
    std::shared_ptr<const RegexPattern> m_pattern;
};

} // namespace vtx
