#pragma once
// What the hex view asks of the main frame: the colour table, the search bar's text and
// type, the sign choice, and the places where it shows caret information and short status
// texts. The main frame implements it and registers itself; views reach it as "the
// application's main window". Without a registered frame (tests of the bare view) a quiet
// default answers: black colours, empty search text, Ascii, unsigned.

#include "document/DocumentSearch.h"
#include "document/SearchPattern.h"
#include "colors/ColorTable.h"
#include "platform/FilePos.h"

#include <QString>

#include <cstdint>

namespace vtx {

class IMainFrameServices
{
public:
    virtual ~IMainFrameServices() = default;
    [[nodiscard]] virtual const ColorTable& GetColorTable() const = 0;
    [[nodiscard]] virtual QString GetSearchText() const = 0;
    [[nodiscard]] virtual SearchType GetSearchType() const = 0;
    // Whether Ascii and Unicode searches match upper and lower case exactly.
    [[nodiscard]] virtual bool GetMatchCase() const { return true; }
    // The type and the case rule together, as a search takes them.
    [[nodiscard]] SearchSettings GetSearchSettings() const { return {GetSearchType(), GetMatchCase()}; }
    [[nodiscard]] virtual bool IsSigned() const = 0;
    // Fills the value box and both address boxes, which take addresses of addressDigits
    // hex digits (8 below 4 GiB).
    virtual void ShowCaretInfo(FilePos offset, std::uint8_t value, int addressDigits) = 0;
    // The caret is on a byte the file cannot give: the offset, and no number for its value.
    virtual void ShowCaretUnreadable(FilePos offset, int addressDigits) { ShowCaretInfo(offset, 0, addressDigits); }
    // The status bar's message pane.
    virtual void SetStatusText(const QString& text) = 0;
    // The OVR indicator pane.
    virtual void SetOverwriteIndicator(bool on) = 0;
    // The pane with the caret's offset and the selection's length; an empty text clears it.
    virtual void ShowCaretPosition(const QString& text) { (void)text; }
};

// The registered main frame, or the quiet default. Never null.
[[nodiscard]] IMainFrameServices& MainFrameServices();
// The main frame registers itself on creation and unregisters (nullptr) on destruction.
void SetMainFrameServices(IMainFrameServices* frame);

} // namespace vtx
