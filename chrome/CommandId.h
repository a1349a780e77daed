#pragma once
// A command is a QAction whose data is its command id (the frame's command table sets it,
// and toolbars and menus share that one action).

// Qt
#include <QAction>
#include <QVariant>

namespace vtx {

// The command id of an action: its data as a whole number, or 0 when it has none.
[[nodiscard]] inline int CommandIdOf(const QAction* action)
{
    if (!action)
        return 0;
    bool ok = false;
    const int id = action->data().toInt(&ok);
    return ok ? id : 0;
}

} // namespace vtx
