#include "chrome/CCJToolBar.h"

#include "chrome/Bevel.h"
#include "chrome/CCJComboBox.h"
#include "framework/Trace.h"

// Qt
#include <QActionEvent>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QToolButton>

namespace vtx {

namespace {

// The bar's metrics: a one-pixel frame, one pixel of margin, and a handle wide enough for
// the two ridges of the gripper and a gap before the first button.
class FlatBarStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        switch (metric) {
        case PM_ToolBarFrameWidth:
            return 1;
        case PM_ToolBarItemMargin:
            return 1;
        case PM_ToolBarHandleExtent:
            return 9;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

// A toolbar button that runs a command's action but keeps its own toolbar's image when
// the action changes (the button would otherwise take the action's icon each time).
class FlatToolButton : public QToolButton
{
public:
    using QToolButton::QToolButton;

    void SetOwnIcon(const QIcon& icon)
    {
        m_icon = icon;
        setIcon(icon);
    }

protected:
    void actionEvent(QActionEvent* event) override
    {
        QToolButton::actionEvent(event);
        if (event->type() == QEvent::ActionChanged && !m_icon.isNull())
            setIcon(m_icon);
    }

private:
    QIcon m_icon;
};

} // namespace

CCJToolBar::CCJToolBar(const QString& title, QWidget* parent) : QToolBar(title, parent)
{
    QStyle* base = QStyleFactory::create(QApplication::style()->name());
    m_pStyle = std::make_unique<FlatBarStyle>(base);
    setStyle(m_pStyle.get());

    setMovable(true);
    setFloatable(true);
    setAllowedAreas(Qt::AllToolBarAreas);
    m_font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    setFont(m_font);
}

CCJToolBar::~CCJToolBar()
{
    // The widget must not outlive its style: hand it back the application's first.
    setStyle(nullptr);
}

bool CCJToolBar::LoadToolBar(int resourceId, const ActionLookup& actionOf,
                             const QString& directory, QString* error)
{
    // Everything in the bar is the bar's own: button, control and gap holders, separators.
    for (QAction* action : actions()) {
        removeAction(action);
        if (action->parent() == this)
            delete action;
    }
    m_items.clear();
    m_resource.reset();

    QString why;
    std::optional<ToolbarResource> resource = LoadToolbarResource(resourceId, directory, &why);
    if (!resource) {
        Trace(QStringLiteral("Toolbar not loaded: %1").arg(why));
        if (error)
            *error = why;
        return false;
    }
    m_resource = std::move(resource);
    setIconSize(m_resource->layout.imageSize);

    int imageIndex = 0;
    for (int id : m_resource->layout.ids) {
        if (id == 0) {
            addSeparator();
            continue;
        }
        auto* button = new FlatToolButton(this);
        QAction* action = actionOf ? actionOf(id) : nullptr;
        if (!action) {
            action = new QAction(button);
            action->setData(id);
            action->setEnabled(false);
        }
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIconSize(iconSize());
        button->setToolButtonStyle(toolButtonStyle());
        connect(this, &QToolBar::iconSizeChanged, button, &QToolButton::setIconSize);
        connect(this, &QToolBar::toolButtonStyleChanged, button, &QToolButton::setToolButtonStyle);
        connect(button, &QToolButton::triggered, this, &QToolBar::actionTriggered);
        button->setDefaultAction(action);
        QAction* slot = addWidget(button);
        m_items.push_back({id, slot, button, nullptr, imageIndex++});
    }
    ApplyButtonImages();
    return true;
}

void CCJToolBar::ApplyButtonImages()
{
    if (!m_resource)
        return;
    const DisabledLook look = DisabledLookFor(palette());
    for (const Item& item : m_items) {
        if (auto* button = dynamic_cast<FlatToolButton*>(item.button))
            button->SetOwnIcon(ButtonIcon(*m_resource, item.imageIndex, look));
    }
}

QWidget* CCJToolBar::EmbedControl(const QMetaObject& runtimeClass, const QString& title,
                                  const QRect& rect, int commandId, ControlStyles style)
{
    Item* item = FindItem(commandId);
    if (!item || item->control) {
        Trace(QStringLiteral("EmbedControl: toolbar %1 has no button %2")
                  .arg(ResourceId())
                  .arg(commandId));
        return nullptr;
    }

    // The button gives way to a gap as wide as the control.
    auto* gap = new QWidget(this);
    gap->setFixedSize(rect.width(), 1);
    QAction* gapSlot = insertWidget(item->slot, gap);
    delete item->slot;    // and with it the button
    item->slot = gapSlot;
    item->button = nullptr;

    QWidget* control = CreateControl(runtimeClass, title);
    if (!control) {
        Trace(QStringLiteral("EmbedControl: cannot make a %1 for command %2")
                  .arg(QString::fromLatin1(runtimeClass.className()))
                  .arg(commandId));
        return nullptr;
    }

    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->setEditable(style.testFlag(ControlStyle::Editable));
        combo->setFont(m_font);
        combo->setFixedWidth(rect.width());
        // The list drops as far as the rectangle reaches below the box.
        const int itemHeight = std::max(1, QFontMetrics(m_font).height());
        const int listHeight = rect.height() - combo->sizeHint().height();
        combo->setMaxVisibleItems(std::max(1, listHeight / itemHeight));
    } else {
        control->setFont(m_font);
        control->setFixedSize(rect.size());
    }

    QAction* controlSlot = insertWidget(item->slot, control);
    delete item->slot;    // and with it the gap
    item->slot = controlSlot;
    item->control = control;
    control->show();
    return control;
}

QWidget* CCJToolBar::CreateControl(const QMetaObject& runtimeClass, const QString& title)
{
    if (&runtimeClass == &CCJComboBox::staticMetaObject)
        return new CCJComboBox(this);
    if (&runtimeClass == &QComboBox::staticMetaObject)
        return new QComboBox(this);
    if (&runtimeClass == &QLineEdit::staticMetaObject)
        return new QLineEdit(this);
    if (&runtimeClass == &QPushButton::staticMetaObject)
        return new QPushButton(title, this);

    QObject* object = runtimeClass.newInstance(Q_ARG(QWidget*, this));
    if (!object)
        object = runtimeClass.newInstance();
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) {
        delete object;
        return nullptr;
    }
    widget->setParent(this);
    return widget;
}

bool CCJToolBar::AddDropDownArrow(int commandId, QMenu* menu)
{
    Item* item = FindItem(commandId);
    if (!item || !item->button)
        return false;
    item->button->setPopupMode(QToolButton::MenuButtonPopup);
    item->button->setMenu(menu);
    return true;
}

const CCJToolBar::Item* CCJToolBar::FindItem(int commandId) const
{
    for (const Item& item : m_items)
        if (item.id == commandId)
            return &item;
    return nullptr;
}

CCJToolBar::Item* CCJToolBar::FindItem(int commandId)
{
    return const_cast<Item*>(std::as_const(*this).FindItem(commandId));
}

QToolButton* CCJToolBar::Button(int commandId) const
{
    const Item* item = FindItem(commandId);
    return item ? item->button : nullptr;
}

QWidget* CCJToolBar::Control(int commandId) const
{
    const Item* item = FindItem(commandId);
    return item ? item->control : nullptr;
}

QRect CCJToolBar::ItemRect(int commandId) const
{
    const Item* item = FindItem(commandId);
    if (!item)
        return {};
    const QWidget* widget = widgetForAction(item->slot);
    return widget ? widget->geometry() : QRect();
}

std::vector<QWidget*> CCJToolBar::Controls() const
{
    std::vector<QWidget*> controls;
    for (const Item& item : m_items)
        if (item.control)
            controls.push_back(item.control);
    return controls;
}

void CCJToolBar::SetBorders(Qt::Edges borders)
{
    m_borders = borders;
    update();
}

std::optional<std::array<QRect, 2>> CCJToolBar::GripperRidges() const
{
    if (!isMovable() || isFloating())
        return std::nullopt;
    // Three pixels in from the bar's ends and four from its leading edge; each ridge three
    // pixels thick, the second three pixels further along the bar.
    if (orientation() == Qt::Horizontal) {
        const QRect first(4, 3, 3, height() - 5);
        return std::array<QRect, 2>{first, first.translated(3, 0)};
    }
    const QRect first(3, 3, width() - 6, 3);
    return std::array<QRect, 2>{first, first.translated(0, 3)};
}

void CCJToolBar::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QPalette& pal = palette();
    const BevelColors colors = BevelColorsOf(pal);

    // Borders, each taking its pixel off the rectangle that remains.
    QRect r = rect();
    if (m_borders & Qt::RightEdge) {
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), colors.shadow);
        r.setRight(r.right() - 1);
    }
    if (m_borders & Qt::BottomEdge) {
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), colors.shadow);
        r.setBottom(r.bottom() - 1);
    }
    if (m_borders & Qt::TopEdge) {
        painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), colors.highlight);
        r.setTop(r.top() + 1);
    }
    if (m_borders & Qt::LeftEdge) {
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), colors.highlight);
        r.setLeft(r.left() + 1);
    }
    painter.fillRect(r, pal.brush(backgroundRole()));

    // Raised ridges, light on their top and left.
    if (const auto ridges = GripperRidges()) {
        for (const QRect& ridge : *ridges)
            PaintBevel(painter, ridge, colors.highlight, colors.shadow, BevelCorners::OneEach);
    }
}

void CCJToolBar::changeEvent(QEvent* event)
{
    QToolBar::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        ApplyButtonImages();
}

} // namespace vtx
