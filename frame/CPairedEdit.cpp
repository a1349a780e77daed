#include "frame/CPairedEdit.h"

// this program
#include "text/NumberText.h"
#include "text/HexText.h"
#include "frame/ColorCodeText.h"
#include "framework/MessageBox.h"
#include "view/QtColor.h"
#include "view/ViewColors.h"
#include "view/ViewGeometry.h"

// Qt
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace vtx {

CPairedEdit::CPairedEdit(bool colorMode, QWidget* parent)
    : QLineEdit(parent)
    , m_bColorMode(colorMode)
{
    if (m_bColorMode)
        ApplyTextColor();
}

void CPairedEdit::Link(int mode, CPairedEdit* partner)
{
    m_nMode = mode;
    m_pPartner = partner;
}

void CPairedEdit::SetTextColor(ColorRef color)
{
    m_crText = color;
    m_bDefaultText = false;
    ApplyTextColor();
}

void CPairedEdit::SetDefaultTextColor()
{
    m_crText = 0;
    m_bDefaultText = true;
    ApplyTextColor();
}

void CPairedEdit::ApplyTextColor()
{
    // Only the two roles are set, so the rest follows the application's palette; they are
    // worked out again when that changes (guarded: setting them is a change too).
    m_bApplyingColor = true;
    QPalette pal = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Base, QApplication::palette(this).color(group, QPalette::Base));
        pal.setColor(group, QPalette::Text, QApplication::palette(this).color(group, QPalette::Text));
    }
    const ViewColors view = ViewColorsFor(pal);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Text, m_bDefaultText ? view.text : ToQColor(m_crText));
        pal.setColor(group, QPalette::Base, view.background);
    }
    setPalette(pal);
    m_bApplyingColor = false;
}

void CPairedEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_bColorMode && !m_bApplyingColor)
        ApplyTextColor();
}

bool CPairedEdit::Accepts(QChar c) const
{
    if (m_bColorMode && m_nMode != kModeHex)
        return true;
    const char16_t u = c.unicode();
    const bool digit = u >= u'0' && u <= u'9';
    if (m_nMode != kModeHex)
        return digit;
    return IsHexDigitChar(u) || (m_bColorMode && u == u'-');
}

bool CPairedEdit::AcceptsText(const QString& text) const
{
    if (!m_bColorMode || m_nMode != kModeHex)
        return true;
    return IsCodeText(text);
}

template <class Operation>
bool CPairedEdit::Guarded(Operation&& operation)
{
    const QString before = text();
    const int cursor = cursorPosition();
    operation();
    // A text the program put there (a row of a hand-edited file) may already break the
    // rule; the user must still be able to edit it into shape.
    if (AcceptsText(text()) || !AcceptsText(before))
        return true;
    setText(before);
    setCursorPosition(cursor);
    QApplication::beep();
    return false;
}

void CPairedEdit::keyPressEvent(QKeyEvent* event)
{
    // Paste arrives here rather than at the frame's Paste command while the edit has the
    // focus; either way the partner must follow.
    if (event->matches(QKeySequence::Paste)) {
        PasteAndSync();
        event->accept();
        return;
    }

    // Only typed characters are filtered: Enter, Escape, Tab, the cursor keys, Delete and
    // the edit's own shortcuts (copy, cut, undo, select all) keep their usual meaning and
    // do not resynchronise the partner.
    const QString text = event->text();
    const bool backspace = event->key() == Qt::Key_Backspace;
    const bool withCommandKey = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool typed = backspace || (!withCommandKey && !text.isEmpty() && text.at(0).isPrint());
    if (!typed) {
        QLineEdit::keyPressEvent(event);
        return;
    }

    if (!m_pPartner) {
        ShowMessageBox(QStringLiteral("EDIT IS NULL"));
        event->accept();
        return;
    }
    if (!backspace) {
        for (QChar c : text) {
            if (!Accepts(c)) {
                event->accept();
                return;
            }
        }
    }
    // A second "-" is refused like any other character the box does not take.
    if (!Guarded([&] { QLineEdit::keyPressEvent(event); })) {
        event->accept();
        return;
    }
    SyncPartner();
}

void CPairedEdit::inputMethodEvent(QInputMethodEvent* event)
{
    // Characters composed by an input method are typed characters too.
    if (event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    if (!m_pPartner)
        ShowMessageBox(QStringLiteral("EDIT IS NULL"));
    QString kept;
    if (m_pPartner) {
        for (QChar c : event->commitString())
            if (Accepts(c))
                kept += c;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    const bool stands = Guarded([&] { QLineEdit::inputMethodEvent(&filtered); });
    event->accept();
    if (stands && !kept.isEmpty())
        SyncPartner();
}

void CPairedEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The standard menu's Paste calls QLineEdit::paste directly; it is found by its
    // (translated) text, the same one QLineEdit gives it, shortcut text aside.
    const QString pasteText = QLineEdit::tr("&Paste");
    for (QAction* action : menu->actions()) {
        const QString text = action->text();
        if (text == pasteText || text.startsWith(pasteText + QLatin1Char('\t'))) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, &CPairedEdit::PasteAndSync);
        }
    }
    menu->popup(event->globalPos());
}

void CPairedEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // A middle click pastes the X11 selection.
    const bool selectionPaste = event->button() == Qt::MiddleButton && !isReadOnly()
        && QGuiApplication::clipboard()->supportsSelection();
    if (!selectionPaste) {
        QLineEdit::mouseReleaseEvent(event);
        return;
    }
    if (Guarded([&] { QLineEdit::mouseReleaseEvent(event); }))
        SyncPartner();
}

void CPairedEdit::dropEvent(QDropEvent* event)
{
    if (Guarded([&] { QLineEdit::dropEvent(event); }) && event->isAccepted())
        SyncPartner();
}

void CPairedEdit::PasteAndSync()
{
    // The goto boxes take any pasted text and read it up to its first non-digit; the code
    // box takes a pasted code only whole.
    if (Guarded([this] { paste(); }))
        SyncPartner();
}

void CPairedEdit::SyncPartner()
{
    if (!m_pPartner)
        return;
    if (m_bColorMode)
        SyncColorPartner();
    else
        SyncGotoPartner();
}

void CPairedEdit::SetGotoDigits(int hexDigits)
{
    m_nGotoDigits = std::clamp(hexDigits, 1, 16);
}

void CPairedEdit::SyncGotoPartner()
{
    const std::uint64_t limit = LargestAddress(m_nGotoDigits);
    const auto hexText = [this](std::uint64_t value) { return QString::fromLatin1(OffsetText(value, m_nGotoDigits)); };
    const std::string own = text().toStdString();
    if (m_nMode == kModeHex) {
        const std::uint64_t value = StrToULimited(own, 16, limit);
        m_pPartner->setText(QString::number(value));
        // Typed past the largest address: show the value the pair really holds.
        if (value == limit)
            setText(hexText(value));
    } else {
        const std::uint64_t value = StrToULimited(own, 10, limit);
        m_pPartner->setText(hexText(value));
        if (value == limit)
            setText(QString::number(value));
    }
}

void CPairedEdit::SyncColorPartner()
{
    const QString own = text();
    if (own.isEmpty())
        return;
    if (m_nMode == kModeHex) {
        const QString characters = CodeTextToAscii(own);
        if (!characters.isEmpty())
            m_pPartner->setText(characters);
    } else if (const auto code = AsciiToCodeText(own)) {
        m_pPartner->setText(*code);
    }
}

} // namespace vtx
