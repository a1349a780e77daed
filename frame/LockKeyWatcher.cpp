#include "frame/LockKeyWatcher.h"

// Qt
#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace vtx {

LockKeyWatcher::LockKeyWatcher(QObject* window, std::function<void(const std::optional<LockKeyStates>&)> changed)
    : QObject(window)
    , m_pWindow(window)
    , m_changed(std::move(changed))
{
    // Key events go to whichever widget has the focus, so the whole application is watched.
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

LockKeyWatcher::~LockKeyWatcher()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void LockKeyWatcher::Read()
{
    if (m_changed)
        m_changed(m_reader ? m_reader() : ReadLockKeyStates());
}

bool LockKeyWatcher::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // An application-wide filter sees a key event once for each object it passes
        // (the window, the focused widget, parents it propagates to); only the delivery
        // to the widget with the focus counts, or to a window when nothing has it.
        if (const auto* widget = qobject_cast<QWidget*>(watched)) {
            const QWidget* focus = QApplication::focusWidget();
            if (widget == focus || (!focus && widget->isWindow()))
                Read();
        }
        break;
    case QEvent::ApplicationActivate:
        Read();
        break;
    case QEvent::WindowActivate:
        if (watched == m_pWindow)
            Read();
        break;
    default:
        break;
    }
    return false;
}

} // namespace vtx
