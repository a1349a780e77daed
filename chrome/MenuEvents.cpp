#include "chrome/MenuEvents.h"

#include "chrome/CommandId.h"

// Qt
#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QVariant>

namespace vtx {

namespace {

QEvent::Type RegisteredType(int& slot)
{
    if (slot == 0)
        slot = QEvent::registerEventType();
    return static_cast<QEvent::Type>(slot);
}

// Marks a menu as forwarding to a frame, so that connecting it again adds nothing.
constexpr char kForwardedTo[] = "vtxMenuEventsForwardedTo";

} // namespace

MenuPopupEvent::MenuPopupEvent(QMenu* menu, int index)
    : QEvent(EventType()), m_pMenu(menu), m_nIndex(index)
{
}

QEvent::Type MenuPopupEvent::EventType()
{
    static int type = 0;
    return RegisteredType(type);
}

MenuSelectEvent::MenuSelectEvent(QMenu* menu, QAction* action, bool closing)
    : QEvent(EventType()), m_pMenu(menu), m_pAction(action), m_bClosing(closing)
{
}

QEvent::Type MenuSelectEvent::EventType()
{
    static int type = 0;
    return RegisteredType(type);
}

AcceleratorQueryEvent::AcceleratorQueryEvent() : QEvent(EventType())
{
    // Unanswered until the frame answers.
    ignore();
}

QEvent::Type AcceleratorQueryEvent::EventType()
{
    static int type = 0;
    return RegisteredType(type);
}

void AcceleratorQueryEvent::Answer(std::uint64_t tableId, std::vector<AcceleratorEntry> entries)
{
    m_bAnswered = true;
    m_nTableId = tableId;
    m_entries = std::move(entries);
    accept();
}

std::vector<AcceleratorEntry> AcceleratorEntriesOf(const QList<QAction*>& actions)
{
    std::vector<AcceleratorEntry> entries;
    for (const QAction* action : actions) {
        const int command = CommandIdOf(action);
        if (command == 0)
            continue;
        for (const QKeySequence& keys : action->shortcuts()) {
            if (keys.count() == 1)
                entries.push_back({keys[0], command});
        }
    }
    return entries;
}

void ForwardMenuEvents(QMenu* menu, QObject* frame, int index)
{
    if (!menu || !frame)
        return;
    const QVariant forwardedTo = menu->property(kForwardedTo);
    if (forwardedTo.isValid() && forwardedTo.value<QObject*>() == frame)
        return;
    menu->setProperty(kForwardedTo, QVariant::fromValue(frame));

    QPointer<QMenu> source(menu);
    QObject::connect(menu, &QMenu::aboutToShow, frame, [source, frame, index] {
        MenuPopupEvent event(source, index);
        QCoreApplication::sendEvent(frame, &event);
    });
    QObject::connect(menu, &QMenu::hovered, frame, [source, frame](QAction* action) {
        MenuSelectEvent event(source, action, false);
        QCoreApplication::sendEvent(frame, &event);
    });
    QObject::connect(menu, &QMenu::aboutToHide, frame, [source, frame] {
        MenuSelectEvent event(source, nullptr, true);
        QCoreApplication::sendEvent(frame, &event);
    });

    const QList<QAction*> items = menu->actions();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (QMenu* submenu = items[i]->menu())
            ForwardMenuEvents(submenu, frame, static_cast<int>(i));
    }
}

void ForwardMenuBarEvents(QMenuBar* bar, QObject* frame)
{
    if (!bar)
        return;
    const QList<QAction*> items = bar->actions();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (QMenu* menu = items[i]->menu())
            ForwardMenuEvents(menu, frame, static_cast<int>(i));
    }
}

} // namespace vtx
