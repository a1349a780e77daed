#pragma once
// The real editor under the offscreen platform with one document open and its main frame
// active, plus the few steps the frame tests take as a user would: clicking a byte,
// dragging a selection, typing into a bar box, pressing keys where the focus is.

#include "app/AppFixture.h"

#include "chrome/CCJComboBox.h"
#include "view/CVantorixView.h"

#include <QLineEdit>
#include <QTest>

namespace vtx::test {

// The offscreen platform activates every window it shows, popups included, and leaves the
// closed popup as the active window; a desktop gives the activation back to the window
// the popup came from. This does what the desktop would.
void ReactivateAfterPopup(QWidget* window);

class FrameTest : public AppTest
{
protected:
    // Starts the editor on a file holding bytes and waits until its frame is active.
    void StartWith(const QByteArray& bytes, const QString& name = QStringLiteral("data.bin"));
    // Starts the editor without a document.
    void StartEmpty();
    void Activate();

    [[nodiscard]] CVantorixView* View() const;
    [[nodiscard]] CVantorixDoc* Doc() const;
    [[nodiscard]] const QString& FilePath() const { return m_path; }

    // The centre of the cell of position (in the top rows the view shows).
    [[nodiscard]] QPoint CellPoint(std::uint32_t position, bool hex = true) const;
    void ClickByte(std::uint32_t position, bool hex = true);
    // Presses at from, moves to to, releases there.
    void DragBytes(std::uint32_t from, std::uint32_t to);

    // Keys as the keyboard sends them to the focused widget (frame shortcuts included).
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void FocusBox(QComboBox* box);
    // Clears the box's edit field and types text into it key by key.
    void TypeInto(QComboBox* box, const QString& text);
    [[nodiscard]] static QString TextOf(const QComboBox* box) { return box->currentText(); }

    QString m_path;
};

} // namespace vtx::test
