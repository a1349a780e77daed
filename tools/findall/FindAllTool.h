#pragma once
// Find All without widgets: every match of a scanner in a range of a document, up to a
// limit, and the texts a row of the result list shows. Bytes are only ever overwritten, so
// a match's offset stays true while the user edits; the row's bytes are read when shown.

#include "document/DocumentSearch.h"
#include "platform/FilePos.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace vtx {

class CVantorixDoc;

struct FindAllHit {
    FilePos position = 0;
    std::uint64_t length = 0;
    friend bool operator==(const FindAllHit&, const FindAllHit&) = default;
};

struct FindAllOutcome {
    ScanStatus status;
    // The list stopped at kMaxHits while more matches followed.
    bool truncated = false;
};

class FindAllTool
{
public:
    static constexpr std::size_t kMaxHits = 100000;
    // How many bytes a row shows before and after its match, and of the match itself.
    static constexpr std::uint32_t kContextBytes = 4;
    static constexpr std::uint32_t kShownMatchBytes = 16;

    // The scanner for the user's text with these settings (a regular expression's or a
    // fixed text's), or null with the message that refuses the text in `problem`.
    [[nodiscard]] static std::unique_ptr<IMatchScanner> Scanner(const QString& text, SearchSettings settings,
                                                                QString& problem);

    // Appends every match in `range` to `hits` (found hears each one as it is added); stops
    // at kMaxHits. `progress` as for any scan: false cancels.
    static FindAllOutcome Run(CVantorixDoc& doc, IMatchScanner& scanner, ByteRange range,
                              std::vector<FindAllHit>& hits, const ScanProgress& progress = {});

    struct RowText {
        QString offset;  // as the address column writes it, without the colon
        QString hex;     // the bytes around the match, the match in brackets: "2E [41 42] 2E"
        QString text;    // the same bytes as characters
    };
    [[nodiscard]] static RowText Describe(CVantorixDoc& doc, const FindAllHit& hit, int addressDigits);

    // "7 matches", with what ended the list when it was not the end of the range.
    [[nodiscard]] static QString Summary(CVantorixDoc& doc, const FindAllOutcome& outcome, std::size_t count);
    [[nodiscard]] static QString CountText(std::size_t count);
};

} // namespace vtx
