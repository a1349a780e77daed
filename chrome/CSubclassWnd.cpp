#include "chrome/CSubclassWnd.h"

// Qt
#include <QHash>
#include <QObject>

namespace vtx {

// The event filter of one hooked object: the shared dispatcher of its chain.
class HookDispatcher : public QObject
{
public:
    explicit HookDispatcher(QObject* object);

    bool eventFilter(QObject* watched, QEvent* event) override;

    void Push(CSubclassWnd* hook);
    void Remove(CSubclassWnd* hook);
    void RemoveAll();
    [[nodiscard]] CSubclassWnd* Newest() const { return m_pNewest; }
    [[nodiscard]] const CSubclassWnd::Message& Current() const { return m_current; }

private:
    // The chain is empty: leave the map, stop filtering, and go (after the dispatch that
    // is running, if any).
    void Retire();

    QObject* m_pObject;
    CSubclassWnd* m_pNewest = nullptr;
    CSubclassWnd::Message m_current;
    int m_nDepth = 0;
    bool m_bRetired = false;
    QMetaObject::Connection m_destroyed;
};

namespace {

// The one map of hooked objects: each object with a non-empty chain, to its dispatcher.
QHash<const QObject*, HookDispatcher*>& HookMap()
{
    static QHash<const QObject*, HookDispatcher*> map;
    return map;
}

} // namespace

HookDispatcher::HookDispatcher(QObject* object) : m_pObject(object)
{
    m_destroyed = connect(object, &QObject::destroyed, this, [this] { RemoveAll(); });
    object->installEventFilter(this);
}

bool HookDispatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_pObject || m_bRetired || !m_pNewest)
        return false;
    if (event->type() == QEvent::DeferredDelete) {
        // The object's last event: the hooks leave first, then the object's own handling
        // receives it (and deletes the object).
        RemoveAll();
        return false;
    }

    const CSubclassWnd::Message saved = m_current;
    m_current = {watched, event, event->type()};
    ++m_nDepth;
    m_pNewest->HandleMessage(event);
    --m_nDepth;
    m_current = saved;

    if (m_bRetired && m_nDepth == 0)
        delete this;
    // The chain has decided: the object's own handling ran at its end, or a hook kept
    // the event from it.
    return true;
}

void HookDispatcher::Push(CSubclassWnd* hook)
{
    hook->m_pNext = m_pNewest;
    hook->m_pHooked = m_pObject;
    m_pNewest = hook;
}

void HookDispatcher::Remove(CSubclassWnd* hook)
{
    if (m_pNewest == hook) {
        m_pNewest = hook->m_pNext;
    } else {
        for (CSubclassWnd* p = m_pNewest; p; p = p->m_pNext) {
            if (p->m_pNext == hook) {
                p->m_pNext = hook->m_pNext;
                break;
            }
        }
    }
    hook->m_pHooked = nullptr;
    if (!m_pNewest)
        Retire();
}

void HookDispatcher::RemoveAll()
{
    for (CSubclassWnd* p = m_pNewest; p; p = p->m_pNext)
        p->m_pHooked = nullptr;
    m_pNewest = nullptr;
    Retire();
}

void HookDispatcher::Retire()
{
    if (m_bRetired)
        return;
    m_bRetired = true;
    HookMap().remove(m_pObject);
    disconnect(m_destroyed);
    m_pObject->removeEventFilter(this);
    if (m_nDepth == 0)
        delete this;
}

CSubclassWnd::~CSubclassWnd()
{
    HookTo(nullptr);
}

bool CSubclassWnd::HookTo(QObject* object)
{
    if (m_pHooked) {
        if (HookDispatcher* dispatcher = HookMap().value(m_pHooked))
            dispatcher->Remove(this);
        m_pHooked = nullptr;
    }
    if (!object)
        return true;

    HookDispatcher*& dispatcher = HookMap()[object];
    if (!dispatcher)
        dispatcher = new HookDispatcher(object);
    dispatcher->Push(this);
    return true;
}

CSubclassWnd::Message CSubclassWnd::CurrentMessage() const
{
    if (const HookDispatcher* dispatcher = HookMap().value(m_pHooked))
        return dispatcher->Current();
    return {};
}

CSubclassWnd* CSubclassWnd::NewestHookOf(const QObject* object)
{
    const HookDispatcher* dispatcher = HookMap().value(object);
    return dispatcher ? dispatcher->Newest() : nullptr;
}

bool CSubclassWnd::HandleMessage(QEvent* event)
{
    if (m_pNext)
        return m_pNext->HandleMessage(event);
    if (!m_pHooked)
        return false;
    // The object's own handling. QObject::event is public, whatever the object's class
    // makes of it.
    return m_pHooked->event(event);
}

} // namespace vtx
