#pragma once
// A hook that sees, and may answer, every event sent to some other object, without that
// object's class knowing of it. Several hooks may sit on one object; they form a chain,
// newest first, in front of the object's own handling. One event filter per hooked object
// hands each event to the newest hook; a hook handles what it wants and passes the rest
// on with the base HandleMessage, which gives the event to the next older hook or, at the
// end of the chain, to the object's own event().
//
// The chain empties itself when the object goes away: on its deferred-delete event every
// hook is removed before the object's own handling (which deletes it) receives that last
// event, and a direct delete removes them through the object's destroyed() signal.
// Unlike a raw window-procedure hook, destroying a hook object also unhooks it, so a hook
// may safely die before its object.
//
// Event filters installed on the object before its first hook do not see the events that
// the chain passes on, because the chain delivers them to event() itself (so that a hook
// can act after the object has handled an event). Filters installed later are unaffected.

#include <QEvent>

class QObject;

namespace vtx {

class CSubclassWnd
{
public:
    CSubclassWnd() = default;
    virtual ~CSubclassWnd();
    CSubclassWnd(const CSubclassWnd&) = delete;
    CSubclassWnd& operator=(const CSubclassWnd&) = delete;

    // With an object: puts this hook at the front of the object's chain (after taking it
    // out of any chain it was in). With nullptr: takes it out of its chain. Always true.
    bool HookTo(QObject* object);

    [[nodiscard]] QObject* GetHookedObject() const { return m_pHooked; }
    [[nodiscard]] bool IsHooked() const { return m_pHooked != nullptr; }
    // The next older hook on the same object (kept as it was when this hook is removed).
    [[nodiscard]] CSubclassWnd* GetNextHook() const { return m_pNext; }

    // The event being dispatched on an object right now: the innermost one while
    // dispatches nest, an empty record between dispatches. Saved and restored around each
    // dispatch, so that code called from a hook sees the event the hook is handling.
    struct Message {
        QObject* object = nullptr;
        QEvent* event = nullptr;
        QEvent::Type type = QEvent::None;
    };
    [[nodiscard]] Message CurrentMessage() const;

    // The newest hook on an object, or nullptr when it has none.
    [[nodiscard]] static CSubclassWnd* NewestHookOf(const QObject* object);

protected:
    // Returns whether the event was recognised (for the object's own handling: the result
    // of its event()). Overrides handle what they want and call this version for every
    // event they pass on; an event they do not pass on never reaches the object.
    // A hook that removes itself while handling an event must pass that event on before
    // removing itself if it is the oldest hook of its chain.
    virtual bool HandleMessage(QEvent* event);

private:
    friend class HookDispatcher;
    QObject* m_pHooked = nullptr;
    CSubclassWnd* m_pNext = nullptr;
};

} // namespace vtx
