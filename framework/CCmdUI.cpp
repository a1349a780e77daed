#include "CCmdUI.h"

#include <QAction>

namespace vtx {

void CCmdUI::ApplyTo(QAction& action) const
{
    // Only real changes are written: QAction emits changed() on every setter, and menus
    // and toolbars repaint on each.
    if (action.isEnabled() != IsEnabled())
        action.setEnabled(IsEnabled());
    if (m_checked) {
        if (!action.isCheckable())
            action.setCheckable(true);
        if (action.isChecked() != *m_checked)
            action.setChecked(*m_checked);
    }
    if (m_text && action.text() != *m_text)
        action.setText(*m_text);
    if (m_visible && action.isVisible() != *m_visible)
        action.setVisible(*m_visible);
}

} // namespace vtx
