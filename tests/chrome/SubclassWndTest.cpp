// The chain of hooks on an object: order, passing on, removal, the object's destruction,
// and the record of the current event.
#include "chrome/CSubclassWnd.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace vtx {
namespace {

const QEvent::Type kPing = static_cast<QEvent::Type>(QEvent::User + 11);
const QEvent::Type kPong = static_cast<QEvent::Type>(QEvent::User + 12);

using Log = std::vector<std::string>;

std::string Name(QEvent::Type type)
{
    if (type == kPing)
        return "ping";
    if (type == kPong)
        return "pong";
    if (type == QEvent::DeferredDelete)
        return "delete";
    return "other";
}

// An object that writes the test's events it receives into a log.
class Target : public QWidget
{
public:
    explicit Target(Log& log) : m_log(log) {}
    bool event(QEvent* event) override
    {
        if (event->type() == kPing || event->type() == kPong)
            m_log.push_back("target:" + Name(event->type()));
        if (event->type() == QEvent::DeferredDelete)
            m_log.push_back(std::string("target:delete, hooked=") +
                            (CSubclassWnd::NewestHookOf(this) ? "yes" : "no"));
        return QWidget::event(event);
    }

private:
    Log& m_log;
};

// A hook that logs the events it sees and passes them on unless told to keep them.
class Hook : public CSubclassWnd
{
public:
    Hook(std::string name, Log& log) : m_name(std::move(name)), m_log(log) {}
    bool bSwallow = false;
    std::function<void(Hook&)> onPing;
    std::vector<QEvent::Type> currentSeen;    // the current-event record at each logged event

protected:
    bool HandleMessage(QEvent* event) override
    {
        if (event->type() != kPing && event->type() != kPong && event->type() != QEvent::DeferredDelete)
            return CSubclassWnd::HandleMessage(event);
        m_log.push_back(m_name + ":" + Name(event->type()));
        currentSeen.push_back(CurrentMessage().type);
        if (event->type() == kPing && onPing)
            onPing(*this);
        if (bSwallow)
            return true;
        return CSubclassWnd::HandleMessage(event);
    }

private:
    std::string m_name;
    Log& m_log;
};

void Send(QObject* object, QEvent::Type type)
{
    QEvent event(type);
    QCoreApplication::sendEvent(object, &event);
}

TEST(SubclassWnd, HooksSeeEventsNewestFirstAndPassThemOnToTheObject)
{
    Log log;
    Target target(log);
    Hook older("older", log), newer("newer", log);
    older.HookTo(&target);
    newer.HookTo(&target);

    Send(&target, kPing);
    EXPECT_EQ(log, (Log{"newer:ping", "older:ping", "target:ping"}));

    // An event kept by a hook goes no further: not to older hooks, not to the object.
    log.clear();
    newer.bSwallow = true;
    Send(&target, kPing);
    EXPECT_EQ(log, (Log{"newer:ping"}));
}

TEST(SubclassWnd, RemovalInAnyOrderKeepsTheRestOfTheChain)
{
    Log log;
    Target target(log);
    Hook a("a", log), b("b", log), c("c", log);
    a.HookTo(&target);
    b.HookTo(&target);
    c.HookTo(&target);

    // From the middle: c now leads straight to a; b keeps its old link.
    b.HookTo(nullptr);
    EXPECT_FALSE(b.IsHooked());
    EXPECT_EQ(c.GetNextHook(), &a);
    Send(&target, kPing);
    EXPECT_EQ(log, (Log{"c:ping", "a:ping", "target:ping"}));

    // The oldest first: the newest goes on working, and the object still gets everything.
    log.clear();
    a.HookTo(nullptr);
    EXPECT_EQ(CSubclassWnd::NewestHookOf(&target), &c);
    Send(&target, kPing);
    EXPECT_EQ(log, (Log{"c:ping", "target:ping"}));

    // The last one: plain handling again, no hook left on the object.
    log.clear();
    c.HookTo(nullptr);
    EXPECT_EQ(CSubclassWnd::NewestHookOf(&target), nullptr);
    Send(&target, kPing);
    EXPECT_EQ(log, (Log{"target:ping"}));
}

TEST(SubclassWnd, HookingAnotherObjectLeavesTheFirst)
{
    Log log;
    Target first(log), second(log);
    Hook hook("hook", log);
    hook.HookTo(&first);
    hook.HookTo(&second);
    EXPECT_EQ(hook.GetHookedObject(), &second);
    EXPECT_EQ(CSubclassWnd::NewestHookOf(&first), nullptr);

    Send(&first, kPing);
    Send(&second, kPing);
    EXPECT_EQ(log, (Log{"target:ping", "hook:ping", "target:ping"}));
}

TEST(SubclassWnd, DestroyingTheObjectUnhooksEveryHookBeforeItsLastEvent)
{
    Log log;
    Hook a("a", log), b("b", log);
    auto* target = new Target(log);
    a.HookTo(target);
    b.HookTo(target);

    target->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The object's own handling got the last event with no hook left; no hook saw it.
    EXPECT_EQ(log, (Log{"target:delete, hooked=no"}));
    EXPECT_FALSE(a.IsHooked());
    EXPECT_FALSE(b.IsHooked());

    // A plain delete unhooks as well.
    auto* other = new Target(log);
    a.HookTo(other);
    b.HookTo(other);
    delete other;
    EXPECT_FALSE(a.IsHooked());
    EXPECT_FALSE(b.IsHooked());
}

TEST(SubclassWnd, ADestroyedHookLeavesItsChain)
{
    Log log;
    Target target(log);
    Hook keeper("keeper", log);
    keeper.HookTo(&target);
    {
        Hook shortLived("short", log);
        shortLived.HookTo(&target);
    }
    Send(&target, kPing);
    EXPECT_EQ(log, (Log{"keeper:ping", "target:ping"}));
}

TEST(SubclassWnd, TheCurrentEventIsSavedAndRestoredAroundNestedDispatch)
{
    Log log;
    Target target(log);
    Hook outer("outer", log), inner("inner", log);
    inner.HookTo(&target);
    outer.HookTo(&target);

    std::vector<QEvent::Type> seen;
    outer.onPing = [&](Hook& self) {
        seen.push_back(self.CurrentMessage().type);
        Send(&target, kPong);    // dispatched on the same object while ping is running
        seen.push_back(self.CurrentMessage().type);
        EXPECT_EQ(self.CurrentMessage().object, &target);
    };
    Send(&target, kPing);

    EXPECT_EQ(seen, (std::vector<QEvent::Type>{kPing, kPing}));
    EXPECT_EQ(inner.currentSeen, (std::vector<QEvent::Type>{kPong, kPing}));
    EXPECT_EQ(log, (Log{"outer:ping", "outer:pong", "inner:pong", "target:pong", "inner:ping",
                        "target:ping"}));
    EXPECT_EQ(outer.CurrentMessage().event, nullptr);
}

} // namespace
} // namespace vtx
