#pragma once
// The search type items of the bar menu and the Edit menu, in menu order: the one that is
// checked names the search type. The command table makes them; the frame reads them back.

// this program
#include "document/SearchPattern.h"
#include "res/CommandIds.h"

namespace vtx {

struct SearchTypeItem {
    int id;
    const char* prompt;
    const char* menuText;
    SearchType type;
};

// The keys that switch the search modes while the search box has the focus (with Alt):
// the frame binds them and the Keyboard Shortcuts page lists them, both from here.
struct SearchBoxKey {
    int id;
    char key;
};
inline constexpr SearchBoxKey kSearchBoxKeys[] = {
    {ID_SEARCH_ASCII, '1'}, {ID_SEARCH_HEX, '2'}, {ID_SEARCH_UNICODE, '3'}, {ID_SEARCH_REGEX, '4'},
    {ID_SEARCH_MATCH_CASE, 'C'},
};
inline constexpr SearchTypeItem kSearchTypeItems[] = {
    {ID_SEARCH_ASCII, "Set Search Type to Ascii String", "Search &Ascii", SearchType::Ascii},
    {ID_SEARCH_HEX, "Set Search Type to Hex", "Search &Hex", SearchType::Hex},
    {ID_SEARCH_UNICODE, "Set Search Type to Unicode String", "Search &Unicode", SearchType::Unicode},
    {ID_SEARCH_REGEX, "Set Search Type to Regular Expression", "Search &Regular Expression", SearchType::Regex},
};

} // namespace vtx
