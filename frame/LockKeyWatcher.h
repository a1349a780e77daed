#pragma once
// Each reading of the lock lights is a few round trips to the X server, so they are read
// only when they can have changed as far as this program can see: when a key goes down
// or up in it, and when it becomes the active application again (the user may have
// pressed a lock key in another program). Never on a timer.

#include "frame/KeyboardIndicators.h"

#include <QObject>

#include <functional>
#include <optional>

namespace vtx {

// Tells its owner when the lights are worth reading again: on every key press and release
// anywhere in the application, and when the application or the watched window becomes
// active.
class LockKeyWatcher : public QObject
{
    Q_OBJECT
public:
    using Reader = std::function<std::optional<LockKeyStates>()>;

    // window: the main window whose activation counts. changed: called with each reading.
    LockKeyWatcher(QObject* window, std::function<void(const std::optional<LockKeyStates>&)> changed);
    ~LockKeyWatcher() override;

    // Reads now and reports.
    void Read();
    // Where the readings come from; empty restores ReadLockKeyStates. Tests count on this.
    void SetReader(Reader reader) { m_reader = std::move(reader); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject* m_pWindow;
    std::function<void(const std::optional<LockKeyStates>&)> m_changed;
    Reader m_reader;
};

} // namespace vtx
