#pragma once
// What a frame's menus do, as events that the frame sends to itself, so that hooks on the
// frame (CSubclassWnd) see it without knowing the frame's class: the menu manager is one
// such hook. Each event is sent synchronously (QCoreApplication::sendEvent) to the frame;
// the frame's own event() may ignore these types, and its base class does.
//
//   MenuPopupEvent        a popup is about to show (QMenu::aboutToShow)
//   MenuSelectEvent       an item is highlighted (QMenu::hovered), or, with no action and
//                         Closing() true, the popup is closing (QMenu::aboutToHide)
//   AcceleratorQueryEvent a hook asks the frame for its accelerator table; the frame
//                         answers with Answer() (unanswered: the frame has none)
//
// ForwardMenuEvents connects a menu (and the submenus it has at that moment) so that it
// sends the first two; ForwardMenuBarEvents does it for every menu of a menu bar. A menu
// forwards to one frame at most once, however often it is connected.
//
// Mnemonic keys are not forwarded: Qt's menus handle them themselves, with the expected
// cycling among items that share a letter.

// Qt
#include <QEvent>
#include <QKeyCombination>
#include <QList>

// std
#include <cstdint>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QObject;

namespace vtx {

class MenuPopupEvent : public QEvent
{
public:
    // index: the popup's position in the menu or menu bar that opens it, -1 when unknown.
    MenuPopupEvent(QMenu* menu, int index);
    [[nodiscard]] static QEvent::Type EventType();
    [[nodiscard]] QMenu* Menu() const { return m_pMenu; }
    [[nodiscard]] int Index() const { return m_nIndex; }

private:
    QMenu* m_pMenu;
    int m_nIndex;
};

class MenuSelectEvent : public QEvent
{
public:
    MenuSelectEvent(QMenu* menu, QAction* action, bool closing);
    [[nodiscard]] static QEvent::Type EventType();
    [[nodiscard]] QMenu* Menu() const { return m_pMenu; }
    [[nodiscard]] QAction* Action() const { return m_pAction; }
    [[nodiscard]] bool Closing() const { return m_bClosing; }

private:
    QMenu* m_pMenu;
    QAction* m_pAction;
    bool m_bClosing;
};

// One entry of an accelerator table: a key with its modifiers, and the command it runs.
struct AcceleratorEntry {
    QKeyCombination keys;
    int command = 0;
};

class AcceleratorQueryEvent : public QEvent
{
public:
    AcceleratorQueryEvent();
    [[nodiscard]] static QEvent::Type EventType();

    // tableId names the table's current contents: the asker reads the entries again only
    // when it differs from the one it read last, so a frame that changes its keys must
    // give a new id. 0 means "no table".
    void Answer(std::uint64_t tableId, std::vector<AcceleratorEntry> entries);
    [[nodiscard]] bool IsAnswered() const { return m_bAnswered; }
    [[nodiscard]] std::uint64_t TableId() const { return m_nTableId; }
    [[nodiscard]] const std::vector<AcceleratorEntry>& Entries() const { return m_entries; }

private:
    bool m_bAnswered = false;
    std::uint64_t m_nTableId = 0;
    std::vector<AcceleratorEntry> m_entries;
};

// The accelerator table of a list of commands, in the list's order: each action's
// shortcuts() in their order, for every action with a command id (see CommandId.h).
// Shortcuts of more than one key stroke are left out.
[[nodiscard]] std::vector<AcceleratorEntry> AcceleratorEntriesOf(const QList<QAction*>& actions);

void ForwardMenuEvents(QMenu* menu, QObject* frame, int index = -1);
void ForwardMenuBarEvents(QMenuBar* bar, QObject* frame);

} // namespace vtx
