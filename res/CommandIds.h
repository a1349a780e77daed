#pragma once
// Resource and command ids of the editor. The framework's own commands keep the numbers
// they have always had (57600 File New, 57634 Copy, 59140 the OVR indicator, ...); the
// program's own commands are numbered from 32771 upwards. Menus, toolbars, accelerators
// and the status bar all refer to commands by these numbers.

namespace vtx {

// Resources.
inline constexpr int IDR_MAINFRAME = 128;   // menu without a document, main toolbar, title
inline constexpr int IDR_VANTORTYPE = 129;  // menu with a document, the document template
inline constexpr int IDR_BARMENU = 130;     // popups "Search Menu" and "SIGN"
inline constexpr int IDR_SEARCHBAR = 131;
inline constexpr int IDR_GOTOBAR = 133;
inline constexpr int IDR_VALUEBAR = 135;

// Framework strings.
inline constexpr int AFX_IDS_APP_TITLE = 57344;    // "Vantorix"
inline constexpr int AFX_IDS_IDLEMESSAGE = 57345;  // "Ready"

// File.
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_CLOSE = 57602;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_PAGE_SETUP = 57605;
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_DIRECT = 57608;
inline constexpr int ID_FILE_PRINT_PREVIEW = 57609;
// The recent-file entries: 16 ids are reserved, the list uses the first four.
inline constexpr int ID_FILE_MRU_FILE1 = 57616;
inline constexpr int ID_FILE_MRU_LAST = 57631;

// Edit.
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_SELECT_ALL = 57642;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_REDO = 57644;

// Window.
inline constexpr int ID_WINDOW_NEW = 57648;
inline constexpr int ID_WINDOW_ARRANGE = 57649;
inline constexpr int ID_WINDOW_CASCADE = 57650;
inline constexpr int ID_WINDOW_TILE_HORZ = 57651;

// Application.
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;

// The program's own commands.
inline constexpr int ID_SEARCH_TEXT = 32771;        // the search box
inline constexpr int ID_FIND = 32772;
inline constexpr int ID_SEARCH_ASCII = 32773;
inline constexpr int ID_SEARCH_HEX = 32774;
inline constexpr int ID_SEARCH_UNICODE = 32775;
inline constexpr int ID_GOTO_HEX = 32776;           // the hex address box
inline constexpr int ID_GOTO_DEC = 32777;           // the decimal address box
inline constexpr int ID_GOTO_ADDRESS = 32778;
inline constexpr int ID_VALUE = 32779;              // the value box
inline constexpr int ID_SIGNED_VALUE = 32780;
inline constexpr int ID_SIGN_SIGNED = 32781;
inline constexpr int ID_SIGN_UNSIGNED = 32782;
inline constexpr int ID_EDIT_COLOR_CODES = 32784;
inline constexpr int ID_MORE_INFO = 32786;
inline constexpr int ID_COMMENTS = 32788;
inline constexpr int ID_VIEW_SEARCH_BAR = 32789;
inline constexpr int ID_VIEW_GOTO_BAR = 32790;
inline constexpr int ID_VIEW_VALUE_BAR = 32791;
inline constexpr int ID_VIEW_DATA_INSPECTOR = 32900;
inline constexpr int ID_VIEW_EDIT_JOURNAL = 32905;  // Keep Journal of Unsaved Changes
inline constexpr int ID_SEARCH_MATCH_CASE = 32920;  // "Match case" in the search type menu
inline constexpr int ID_EDIT_COPY_HEX = 32921;
inline constexpr int ID_FIND_PREVIOUS = 32922;
inline constexpr int ID_SEARCH_REGEX = 32923;      // "Search &Regular Expression"
// Replace and Find All.
inline constexpr int ID_EDIT_REPLACE = 32940;
inline constexpr int ID_EDIT_FIND_ALL = 32941;
inline constexpr int ID_EDIT_FILL = 32942;          // Fill Selection...
// The tools: checksums, bookmarks, Copy As and Save Selection As.
inline constexpr int ID_TOOLS_CHECKSUM = 32960;
inline constexpr int ID_BOOKMARK_TOGGLE = 32961;
inline constexpr int ID_BOOKMARK_NEXT = 32962;
inline constexpr int ID_BOOKMARK_PREVIOUS = 32963;
inline constexpr int ID_VIEW_BOOKMARKS = 32964;
inline constexpr int ID_EDIT_COPY_AS_C_ARRAY = 32965;
inline constexpr int ID_EDIT_COPY_AS_BASE64 = 32966;
inline constexpr int ID_EDIT_COPY_AS_HEX_DUMP = 32967;
inline constexpr int ID_FILE_SAVE_SELECTION_AS = 32968;

// View toggles of the framework (also the ids of the main toolbar and the status bar).
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;

// Status bar indicators.
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;
inline constexpr int ID_INDICATOR_OVR = 59140;

// The desktop's own: a page of every key, documents as tabs.
inline constexpr int ID_HELP_KEYBOARD = 32950;
inline constexpr int ID_WINDOW_TABBED = 32951;

// Dock bars of the frame.
inline constexpr int AFX_IDW_DOCKBAR_TOP = 59419;
inline constexpr int AFX_IDW_DOCKBAR_LEFT = 59420;
inline constexpr int AFX_IDW_DOCKBAR_RIGHT = 59421;
inline constexpr int AFX_IDW_DOCKBAR_BOTTOM = 59422;

} // namespace vtx
