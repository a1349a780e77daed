#pragma once
// Toolbar images and shortcut texts in a frame's menus. The manager hooks the frame
// (CSubclassWnd) and works from the events the frame's menus send it (MenuEvents.h):
//
// - While a popup is open, each of its items whose command has a toolbar button shows
//   that button's image (the first toolbar given that shows the command decides), made
//   into the icon's Disabled mode by embossing for disabled items, and each item with
//   shortcuts shows them after a tab, right-aligned by the menu: "Ctrl+C, Ctrl+Insert",
//   the entry that comes later in the frame's accelerator table first.
// - When the popup closes, every item gets back the text and icon it had before, so the
//   shared actions look as the frame made them everywhere else (toolbar tooltips, other
//   menus). Items changed by someone else meanwhile are left as they are.
// - A change of palette or style reloads the images.
//
// Check marks, separators and mnemonic keys (cycling among items that share a letter,
// running an item whose letter is its own) are the menus' own.
//
// The frame works the same without a manager, or with one whose toolbars failed to load.

#include "chrome/CSubclassWnd.h"
#include "chrome/MenuEvents.h"

// Qt
#include <QIcon>
#include <QPointer>
#include <QSize>
#include <QString>

// std
#include <cstdint>
#include <list>
#include <map>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace vtx {

class CCoolMenuManager : public CSubclassWnd
{
public:
    CCoolMenuManager();
    ~CCoolMenuManager() override;

    // Remembers the frame and hooks it. Always true.
    bool AttachToFrame(QWidget* frame);

    // AddToolbar for each id in order; true.
    bool AddToolbars(const std::vector<int>& ids);
    // Adds the images of toolbar resource id. False, adding nothing, when the resource is
    // missing or broken or its images differ in size from the first toolbar's.
    bool AddToolbar(int id);
    // Reads the toolbars again (with the current palette and flags).
    virtual void ReloadImages();
    // Forgets images, sizes, toolbars and the accelerator copy.
    virtual void ClearAll();

    // A popup is about to show (after the frame has set its items' states).
    virtual void PopupOpening(QMenu* menu, int index);
    // An item was highlighted, or (closing) the popup is closing.
    virtual void MenuSelectionChanged(QMenu* menu, QAction* action, bool closing);

    // Images beside the items (on by default).
    void SetShowButtons(bool on) { m_bShowButtons = on; }
    [[nodiscard]] bool ShowButtons() const { return m_bShowButtons; }
    // Shortcut texts after the items (on by default).
    void SetAutoAccelerators(bool on) { m_bAutoAccel = on; }
    [[nodiscard]] bool AutoAccelerators() const { return m_bAutoAccel; }
    // Disabled images in the style's own disabled look instead of embossed (off by
    // default). Reloads the images.
    void SetUseDrawState(bool on);
    [[nodiscard]] bool UseDrawState() const { return m_bUseDrawState; }
    // Embossed from a colour copy of the image instead of a monochrome one (off by
    // default). Reloads the images.
    void SetDisabledInColor(bool on);
    [[nodiscard]] bool DisabledInColor() const { return m_bDisabledInColor; }

    // Where the toolbar resources are read (the program's own by default).
    void SetResourceDirectory(const QString& directory) { m_strResourceDir = directory; }

    [[nodiscard]] QSize ImageSize() const { return m_imageSize; }
    [[nodiscard]] QSize ButtonSize() const { return m_buttonSize; }
    [[nodiscard]] const std::vector<int>& ToolbarIds() const { return m_toolbarIds; }
    [[nodiscard]] int ImageCount() const { return static_cast<int>(m_icons.size()); }
    // The image of a command: its index, -1 when it has none.
    [[nodiscard]] int ImageIndexOf(int command) const;
    [[nodiscard]] QIcon ImageOf(int command) const;

    // Cuts text at its tab (one at position 0 stays) and appends the command's shortcuts
    // after a tab, the later accelerator entry first. Returns whether any was appended.
    bool AppendShortcutText(QString& text, int command) const;
    [[nodiscard]] bool HasAccelerators() const { return !m_accel.empty(); }
    // The popups whose items are converted right now, newest first.
    [[nodiscard]] std::vector<QMenu*> ConvertedMenus() const;

protected:
    bool HandleMessage(QEvent* event) override;
    // Puts images (show) and shortcut texts on the items of menu, remembering what they
    // were.
    void ConvertMenu(QMenu* menu, bool show);

private:
    struct ItemRecord {
        QPointer<QAction> action;
        QString originalText;
        QString shownText;
        QIcon originalIcon;
        qint64 shownIconKey = 0;
        bool bIconSet = false;
    };
    struct ConvertedMenu {
        QPointer<QMenu> menu;
        std::vector<ItemRecord> items;
    };
    // An entry of the accelerator copy; back is the distance to the previous entry of the
    // same command, 0 for its first.
    struct AccelCopy {
        QKeyCombination keys;
        int back = 0;
    };

    void LoadAccelerators(std::uint64_t tableId, const std::vector<AcceleratorEntry>& entries);
    void RestoreMenu(ConvertedMenu& converted);
    void RestoreAll();
    [[nodiscard]] QString ImageKey() const;

    bool m_bShowButtons = true;
    bool m_bAutoAccel = true;
    bool m_bUseDrawState = false;
    bool m_bDisabledInColor = false;

    QString m_strResourceDir;
    std::vector<int> m_toolbarIds;
    std::vector<QIcon> m_icons;
    std::map<int, int> m_imageOf;    // command -> image index
    QSize m_imageSize{0, 0};
    QSize m_buttonSize{0, 0};
    QString m_strImageKey;           // the palette and style the images were made for

    std::uint64_t m_nAccelTableId = 0;
    std::vector<AccelCopy> m_accel;
    std::map<int, size_t> m_lastAccel;    // command -> its last entry in m_accel

    std::list<ConvertedMenu> m_converted;
};

} // namespace vtx
