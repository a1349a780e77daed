#pragma once
// A combo box with a flat frame that rises while the pointer is over it. To its owner it
// is an ordinary QComboBox; it only paints itself differently.
//
// Three looks: normal (the outer frame in the face colour, so invisible, and light lines
// around the drop-down button), hover (the outer frame sunken, the button raised) and
// pressed (the button pushed in). Focus forces the hover look until it is lost; a
// disabled box shows a light inner frame and no button decoration.
//
// The pointer is followed by a 10 ms timer that runs only from a pointer move over the
// box until the pointer leaves it or its button is pressed. One flag, shared by all flat
// combo boxes, says that some box shows the hover look, so that it is drawn once on
// entering instead of on every tick.

// Qt
#include <QBasicTimer>
#include <QComboBox>

class QPainter;

namespace vtx {

class CCJComboBox : public QComboBox
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit CCJComboBox(QWidget* parent = nullptr);
    ~CCJComboBox() override;

    enum FlatState { Normal = 1, Hover = 2, Pressed = 4 };
    static constexpr int kTrackingIntervalMs = 10;

    // Whether the pointer is being followed right now.
    [[nodiscard]] bool IsTracking() const { return m_timer.isActive(); }
    // The look the box drew when it last painted itself.
    [[nodiscard]] int PaintedState() const { return m_nPaintedState; }
    // The flag shared by all flat combo boxes.
    [[nodiscard]] static bool HoverPainted() { return s_bHoverPainted; }

    void hidePopup() override;

    // Keeps the box at least wide enough to show sample (such as "FFFFFFFF") in its edit
    // field, in whatever font it has now or gets later; never narrower than its width
    // when this is called.
    void SetMinimumText(const QString& sample);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Draws the frame of a look: the outer frame in c1 (top, left) and c2 (bottom,
    // right), the inner frame, and the drop-down button's frames for the state.
    void PaintFlatFrame(QPainter& painter, int state, const QColor& c1, const QColor& c2) const;

private:
    [[nodiscard]] bool PointerInside() const;
    [[nodiscard]] int WantedState() const;
    void StartTracking();
    void ReleaseButton();
    void FitMinimumText();

    bool m_bLBtnDown = false;       // between a press on the box and its release
    bool m_bPressedLook = false;    // the tick after a press showed the pressed look
    int m_nPaintedState = 0;
    QBasicTimer m_timer;
    QString m_strMinimumText;
    int m_nBaseWidth = 0;

    static bool s_bHoverPainted;
};

} // namespace vtx
