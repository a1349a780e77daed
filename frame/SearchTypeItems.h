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
inline constexpr SearchTypeItem kSearchTypeItems[] = {
    {ID_SEARCH_ASCII, "Set Search Type to Ascii String", "Search &Ascii", SearchType::Ascii},
    {ID_SEARCH_HEX, "Set Search Type to Hex", "Search &Hex", SearchType::Hex},
    {ID_SEARCH_UNICODE, "Set Search Type to Unicode String", "Search &Unicode", SearchType::Unicode},
    {ID_SEARCH_REGEX, "Set Search Type to Regular Expression", "Search &Regular Expression", SearchType::Regex},
};

} // namespace vtx
