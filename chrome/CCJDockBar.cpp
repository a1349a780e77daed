#include "chrome/CCJDockBar.h"

// Qt
#include <QMainWindow>
#include <QToolBar>

// std
#include <algorithm>
#include <map>

namespace vtx {

namespace {

bool IsHorizontal(Qt::ToolBarArea area)
{
    return area == Qt::TopToolBarArea || area == Qt::BottomToolBarArea;
}

} // namespace

CCJDockBar::CCJDockBar(Qt::ToolBarArea area) : m_area(area) {}

bool CCJDockBar::Attach(QMainWindow* frame)
{
    HookTo(frame);
    WrapRows();
    return true;
}

QMainWindow* CCJDockBar::Frame() const
{
    return qobject_cast<QMainWindow*>(GetHookedObject());
}

std::vector<std::vector<QToolBar*>> CCJDockBar::Rows(const QMainWindow& frame, Qt::ToolBarArea area)
{
    const bool horizontal = IsHorizontal(area);
    // The toolbars of one row share the row's top edge (left edge on a vertical side).
    std::map<int, std::vector<QToolBar*>> rows;
    for (QToolBar* bar : frame.findChildren<QToolBar*>(Qt::FindDirectChildrenOnly)) {
        if (bar->isHidden() || bar->isFloating() || frame.toolBarArea(bar) != area)
            continue;
        rows[horizontal ? bar->y() : bar->x()].push_back(bar);
    }

    std::vector<std::vector<QToolBar*>> result;
    for (auto& [edge, row] : rows) {
        std::sort(row.begin(), row.end(), [horizontal](const QToolBar* a, const QToolBar* b) {
            return horizontal ? a->x() < b->x() : a->y() < b->y();
        });
        result.push_back(std::move(row));
    }
    // From the window's edge inwards.
    if (area == Qt::BottomToolBarArea || area == Qt::RightToolBarArea)
        std::reverse(result.begin(), result.end());
    return result;
}

bool CCJDockBar::WrapRows()
{
    QMainWindow* frame = Frame();
    if (!frame || !frame->isVisible())
        return false;

    const bool horizontal = IsHorizontal(m_area);
    const auto start = [horizontal](const QToolBar* bar) { return horizontal ? bar->x() : bar->y(); };
    const auto end = [horizontal](const QToolBar* bar) {
        return horizontal ? bar->geometry().right() + 1 : bar->geometry().bottom() + 1;
    };
    const auto wanted = [horizontal](const QToolBar* bar) {
        return horizontal ? bar->sizeHint().width() : bar->sizeHint().height();
    };

    bool wrapped = false;
    for (const std::vector<QToolBar*>& row : Rows(*frame, m_area)) {
        // The bars of a row fill it from its start to its end (the last one is stretched).
        const int available = end(row.back()) - start(row.front());
        int used = 0;
        for (size_t i = 0; i < row.size(); ++i) {
            used += wanted(row[i]);
            if (i > 0 && used > available) {
                frame->insertToolBarBreak(row[i]);
                wrapped = true;
                break;
            }
        }
    }
    return wrapped;
}

bool CCJDockBar::HandleMessage(QEvent* event)
{
    // The window lays itself out first; then the rows are checked against the result.
    const bool result = CSubclassWnd::HandleMessage(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Resize:
    case QEvent::LayoutRequest:
        if (!m_bWrapping) {
            m_bWrapping = true;
            WrapRows();
            m_bWrapping = false;
        }
        break;
    default:
        break;
    }
    return result;
}

} // namespace vtx
