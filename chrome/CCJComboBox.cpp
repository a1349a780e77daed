#include "chrome/CCJComboBox.h"

#include "chrome/Bevel.h"

// Qt
#include <QChildEvent>
#include <QCursor>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionComboBox>

#include <algorithm>

namespace vtx {

bool CCJComboBox::s_bHoverPainted = false;

CCJComboBox::CCJComboBox(QWidget* parent) : QComboBox(parent)
{
    // Pointer moves must arrive without a button held, or the box could not follow them.
    setMouseTracking(true);
}

CCJComboBox::~CCJComboBox()
{
    // A box that goes while showing the hover look must not leave the others believing
    // that some box still shows it: they would not rise until the pointer left one.
    if (s_bHoverPainted && m_nPaintedState == Hover)
        s_bHoverPainted = false;
}

bool CCJComboBox::PointerInside() const
{
    return rect().contains(mapFromGlobal(QCursor::pos()));
}

int CCJComboBox::WantedState() const
{
    if (m_bPressedLook)
        return Pressed;
    return PointerInside() || hasFocus() ? Hover : Normal;
}

void CCJComboBox::StartTracking()
{
    m_timer.start(kTrackingIntervalMs, this);
}

void CCJComboBox::ReleaseButton()
{
    m_bLBtnDown = false;
    m_bPressedLook = false;
    update();
}

void CCJComboBox::paintEvent(QPaintEvent* event)
{
    QComboBox::paintEvent(event);
    QPainter painter(this);
    const int state = WantedState();
    const BevelColors colors = BevelColorsOf(palette());
    if (state == Normal)
        PaintFlatFrame(painter, state, colors.face, colors.face);
    else
        PaintFlatFrame(painter, state, colors.shadow, colors.highlight);
    m_nPaintedState = state;
}

void CCJComboBox::PaintFlatFrame(QPainter& painter, int state, const QColor& c1,
                                 const QColor& c2) const
{
    const BevelColors colors = BevelColorsOf(palette());

    QRect r = rect();
    PaintBevel(painter, r, c1, c2);
    r.adjust(1, 1, -1, -1);
    const QColor inner = isEnabled() ? colors.face : colors.highlight;
    PaintBevel(painter, r, inner, inner);

    // The drop-down button: as wide as the style makes it, at the right.
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const int buttonWidth =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this).width();
    r.adjust(1, 1, -1, -1);
    r.setLeft(r.right() + 1 - buttonWidth);
    PaintBevel(painter, r, colors.face, colors.face);
    r.adjust(1, 1, -1, -1);
    PaintBevel(painter, r, colors.face, colors.face);

    if (!isEnabled())
        return;
    switch (state) {
    case Normal:
        r.adjust(0, -1, 0, 1);
        PaintBevel(painter, r, colors.highlight, colors.highlight);
        r.adjust(-1, 0, 0, 0);
        PaintBevel(painter, r, colors.highlight, colors.highlight);
        break;
    case Hover:
        r.adjust(0, -1, 0, 1);
        PaintBevel(painter, r, colors.highlight, colors.shadow);
        break;
    case Pressed:
        r.adjust(0, -1, 0, 1);
        r.translate(1, 1);
        PaintBevel(painter, r, colors.shadow, colors.highlight);
        break;
    default:
        break;
    }
}

void CCJComboBox::mouseMoveEvent(QMouseEvent* event)
{
    StartTracking();
    QComboBox::mouseMoveEvent(event);
}

void CCJComboBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_bLBtnDown = true;
    QComboBox::mousePressEvent(event);
}

void CCJComboBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        ReleaseButton();
    QComboBox::mouseReleaseEvent(event);
}

void CCJComboBox::hidePopup()
{
    QComboBox::hidePopup();
    // The release of the press that opened the list goes to the list, not to the box.
    ReleaseButton();
}

void CCJComboBox::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer.timerId()) {
        QComboBox::timerEvent(event);
        return;
    }
    if (m_bLBtnDown) {
        m_timer.stop();
        if (s_bHoverPainted) {
            m_bPressedLook = true;
            s_bHoverPainted = false;
            update();
        }
    } else if (!PointerInside()) {
        m_timer.stop();
        // Also when this box took the hover look from a repaint rather than a tick.
        if (s_bHoverPainted || m_nPaintedState == Hover) {
            s_bHoverPainted = false;
            update();
        }
    } else if (!s_bHoverPainted) {
        s_bHoverPainted = true;
        update();
    }
}

void CCJComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    update();
}

void CCJComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    update();
}

void CCJComboBox::SetMinimumText(const QString& sample)
{
    m_strMinimumText = sample;
    m_nBaseWidth = width();
    FitMinimumText();
}

void CCJComboBox::FitMinimumText()
{
    if (m_strMinimumText.isEmpty())
        return;
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QFontMetrics metrics(font());
    // The edit field keeps a margin of two pixels on each side and room for the cursor;
    // the style adds the frame and the drop-down button.
    const QSize text(metrics.horizontalAdvance(m_strMinimumText) + 2 * 2 + 2, metrics.height());
    const int needed = style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, this).width();
    setFixedWidth(std::max(m_nBaseWidth, needed));
}

bool CCJComboBox::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        FitMinimumText();
        break;
    case QEvent::Enter:
    case QEvent::Leave:
        StartTracking();
        break;
    case QEvent::ChildAdded:
    case QEvent::ChildPolished:
        // The edit field covers most of the box: its pointer moves count as the box's.
        if (auto* edit = qobject_cast<QLineEdit*>(static_cast<QChildEvent*>(event)->child())) {
            edit->setMouseTracking(true);
            edit->installEventFilter(this);
        }
        break;
    default:
        break;
    }
    return QComboBox::event(event);
}

bool CCJComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit()) {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseMove || type == QEvent::Enter || type == QEvent::Leave)
            StartTracking();
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace vtx
