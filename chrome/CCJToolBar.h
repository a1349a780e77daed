#pragma once
// The editor's flat toolbar: a QToolBar built from a toolbar resource (see
// ToolbarResource.h), whose buttons are flat until the pointer is over them, with a
// double-ridge gripper at its leading edge while docked (none while floating) and
// one-pixel borders, light on the top and left, dark on the right and bottom.
//
// Each button runs the command's shared QAction (from the frame's command table) but
// shows its own toolbar's image, so that a command keeps its look here whatever icon the
// action carries elsewhere. Disabled buttons show their image embossed.
//
// Boxes go into the bar with EmbedControl, which puts a control where the button of the
// same command id was; the toolbar owns its controls and gives them its font.

#include "chrome/ToolbarResource.h"

// Qt
#include <QFlags>
#include <QFont>
#include <QPointer>
#include <QToolBar>

// std
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QMetaObject;
class QStyle;
class QToolButton;

namespace vtx {

class CCJToolBar : public QToolBar
{
    Q_OBJECT
public:
    explicit CCJToolBar(const QString& title, QWidget* parent = nullptr);
    ~CCJToolBar() override;
    CCJToolBar(const CCJToolBar&) = delete;
    CCJToolBar& operator=(const CCJToolBar&) = delete;

    // Gives the action of a command id, or nullptr when there is none.
    using ActionLookup = std::function<QAction*(int commandId)>;

    // Fills the bar from toolbar resource resourceId: a button per command id (a disabled
    // placeholder where the lookup has no action), a separator per 0. Replaces what the
    // bar held. False, with the bar left empty and the reason in error, when the resource
    // is missing or broken.
    bool LoadToolBar(int resourceId, const ActionLookup& actionOf,
                     const QString& directory = DefaultToolbarDirectory(), QString* error = nullptr);

    enum class ControlStyle {
        None = 0,
        Editable = 0x1,    // combo boxes get an edit field
    };
    Q_DECLARE_FLAGS(ControlStyles, ControlStyle)

    // Replaces the button of commandId by a new control of runtimeClass, as wide as rect
    // (a combo box's drop-down list is as high as rect; any other control takes rect's
    // size). Known classes: CCJComboBox, QComboBox, QLineEdit, QPushButton (with title as
    // its text); any other class is made through a Q_INVOKABLE constructor taking the
    // parent widget, or else a default one, and must be a QWidget.
    // Returns the control, or nullptr: when the bar has no button for commandId (nothing
    // changes), or when the control cannot be made (the button is then already gone and a
    // gap of rect's width is left in its place).
    QWidget* EmbedControl(const QMetaObject& runtimeClass, const QString& title, const QRect& rect,
                          int commandId, ControlStyles style = ControlStyle::Editable);

    // Gives the button of commandId a drop-down arrow that opens menu below the button
    // (the rest of the button still runs the command). False when there is no such button.
    bool AddDropDownArrow(int commandId, QMenu* menu);

    [[nodiscard]] int ResourceId() const { return m_resource ? m_resource->nId : 0; }
    [[nodiscard]] QToolButton* Button(int commandId) const;
    [[nodiscard]] QWidget* Control(int commandId) const;
    // Where the item of commandId sits in the bar; an empty rectangle when it has none.
    [[nodiscard]] QRect ItemRect(int commandId) const;
    [[nodiscard]] std::vector<QWidget*> Controls() const;
    [[nodiscard]] const QFont& ToolbarFont() const { return m_font; }

    void SetBorders(Qt::Edges borders);
    [[nodiscard]] Qt::Edges Borders() const { return m_borders; }

    // The two ridges of the gripper, in the bar's coordinates: at the left end of a
    // horizontal bar, the top end of a vertical one; none while floating or not movable.
    [[nodiscard]] std::optional<std::array<QRect, 2>> GripperRidges() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Item {
        int id = 0;
        QAction* slot = nullptr;          // the bar's action holding the button, gap or control
        QToolButton* button = nullptr;
        QWidget* control = nullptr;
        int imageIndex = -1;
    };

    [[nodiscard]] const Item* FindItem(int commandId) const;
    [[nodiscard]] Item* FindItem(int commandId);
    QWidget* CreateControl(const QMetaObject& runtimeClass, const QString& title);
    void ApplyButtonImages();

    std::unique_ptr<QStyle> m_pStyle;
    std::optional<ToolbarResource> m_resource;
    std::vector<Item> m_items;
    QFont m_font;
    Qt::Edges m_borders = Qt::TopEdge | Qt::LeftEdge | Qt::BottomEdge | Qt::RightEdge;
};

} // namespace vtx

Q_DECLARE_OPERATORS_FOR_FLAGS(vtx::CCJToolBar::ControlStyles)
