#pragma once
// The rows of toolbars along one side of a main window. Qt's main window already lays the
// toolbars of a row edge to edge and keeps a bar where the user dragged it; what it does
// not do is start a new row when a row no longer fits: it squeezes the bars and hides
// their last buttons behind an extension arrow. A CCJDockBar hooks the main window
// (CSubclassWnd) and, whenever the window is laid out, moves the first toolbar of a row
// that does not fit at its full length onto a new row of its own (a toolbar break before
// it). Rows are only ever added this way, never merged, so the user's arrangement is kept
// when the window grows again.
//
// The frame makes one per side it docks toolbars on, and keeps it as long as the window.

#include "chrome/CSubclassWnd.h"

// Qt
#include <Qt>

// std
#include <vector>

class QMainWindow;
class QToolBar;

namespace vtx {

class CCJDockBar : public CSubclassWnd
{
public:
    explicit CCJDockBar(Qt::ToolBarArea area);

    // Hooks frame (nullptr unhooks) and brings its rows in order at once.
    bool Attach(QMainWindow* frame);
    [[nodiscard]] Qt::ToolBarArea Area() const { return m_area; }

    // Starts a new row before each toolbar that no longer fits its row. Returns whether
    // any row was added.
    bool WrapRows();

    // The docked, visible toolbars of a side by rows (from the window's edge inwards), each
    // row in order along the side.
    [[nodiscard]] static std::vector<std::vector<QToolBar*>> Rows(const QMainWindow& frame,
                                                                   Qt::ToolBarArea area);

protected:
    bool HandleMessage(QEvent* event) override;

private:
    [[nodiscard]] QMainWindow* Frame() const;

    Qt::ToolBarArea m_area;
    bool m_bWrapping = false;
};

} // namespace vtx
