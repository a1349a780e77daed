#pragma once
// An edit field that filters typed characters and, after each accepted one, writes the
// same value into its partner in the partner's notation.
//
// Goto mode (the goto bar's address boxes): mode 0 is decimal, mode 1 hexadecimal; the pair
// always holds one unsigned value of as many hex digits as the addresses have (eight:
// clamped at 4294967295 / FFFFFFFF; ten for a file past 4 GiB: FFFFFFFFFF, and so on).
// Colour mode (the colour dialog's code boxes): mode 0 takes any characters, mode 1 hex
// digits and at most one "-", whether typed, pasted, dropped or composed (input that would
// break that rule is refused whole, since dropping the odd characters would make another
// code of it); the pair shows a code or range as characters and as code text.
//
// Only typing and pasting mirror: text set by the program (setText) does not, so the owner
// can fill both boxes without one overwriting the other. In colour mode the text is a
// preview of a code's colour: drawn in that colour on the hex view's background, so that
// it looks as the view will show it. In goto mode the edit follows the palette like any
// other. Works on its own or as the line edit of an editable QComboBox.

#include "colors/ColorTable.h"

#include <QLineEdit>
#include <QPointer>

#include <cstdint>

namespace vtx {

class CPairedEdit : public QLineEdit
{
    Q_OBJECT
public:
    static constexpr int kModeDecimal = 0; // goto mode
    static constexpr int kModeAscii = 0;   // colour mode
    static constexpr int kModeHex = 1;

    explicit CPairedEdit(bool colorMode, QWidget* parent = nullptr);

    // Done by the owner once both edits exist.
    void Link(int mode, CPairedEdit* partner);
    void SetMode(int mode) { m_nMode = mode; }
    void SetPartner(CPairedEdit* partner) { m_pPartner = partner; }
    // Goto mode: how many hex digits an address has in the active document (8 to 16).
    void SetGotoDigits(int hexDigits);
    [[nodiscard]] int Mode() const { return m_nMode; }
    [[nodiscard]] CPairedEdit* Partner() const { return m_pPartner; }
    [[nodiscard]] bool IsColorMode() const { return m_bColorMode; }

    // Rewrites the partner from this edit's text.
    void SyncPartner();
    // Pastes the clipboard text unfiltered, then rewrites the partner.
    void PasteAndSync();

    void SetTextColor(ColorRef color);
    // The colour the view gives bytes without a code; TextColor() is then 0.
    void SetDefaultTextColor();
    [[nodiscard]] ColorRef TextColor() const { return m_crText; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    [[nodiscard]] bool Accepts(QChar c) const;
    // False when the text may not stand in this box (the code box's one-"-" rule).
    [[nodiscard]] bool AcceptsText(const QString& text) const;
    // Runs an edit operation of the line edit and takes it back when it turns an accepted
    // text into one this box does not accept. True when the edit stands.
    template <class Operation>
    bool Guarded(Operation&& operation);
    void SyncGotoPartner();
    void SyncColorPartner();
    void ApplyTextColor();

    int m_nMode = kModeDecimal;
    int m_nGotoDigits = 8;
    QPointer<CPairedEdit> m_pPartner; // not owned; null until linked or once it is gone
    const bool m_bColorMode;
    ColorRef m_crText = 0;
    bool m_bDefaultText = true;
    bool m_bApplyingColor = false;
};

} // namespace vtx
