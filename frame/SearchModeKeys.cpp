#include "SearchModeKeys.h"

#include <QEvent>
#include <QKeyEvent>

namespace vtx {

SearchModeKeys::SearchModeKeys(QObject* parent, std::map<int, std::function<void()>> keys)
    : QObject(parent), m_keys(std::move(keys))
{
}

bool SearchModeKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const auto found = m_keys.find(key->key());
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier || found == m_keys.end())
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // Claimed here, so that the window's shortcut for the same key does not fire; the
        // key press that follows comes to this filter.
        event->accept();
        return true;
    }
    found->second();
    return true;
}

} // namespace vtx
