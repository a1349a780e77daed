#include "FrameFixture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

namespace vtx::test {

void ReactivateAfterPopup(QWidget* window)
{
    window->windowHandle()->requestActivate();
    EXPECT_TRUE(QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }));
}

void FrameTest::StartWith(const QByteArray& bytes, const QString& name)
{
    m_path = m_dir.Write(name, bytes);
    Start({m_path});
    ASSERT_TRUE(m_bStarted);
    ASSERT_NE(View(), nullptr);
    Activate();
    View()->setFocus();
}

void FrameTest::StartEmpty()
{
    Start();
    ASSERT_TRUE(m_bStarted);
    Activate();
}

void FrameTest::Activate()
{
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    Frame()->UpdateCommands();
}

CVantorixView* FrameTest::View() const
{
    return Frame() ? qobject_cast<CVantorixView*>(Frame()->GetActiveView()) : nullptr;
}

CVantorixDoc* FrameTest::Doc() const
{
    return View() ? View()->GetDocument() : nullptr;
}

QPoint FrameTest::CellPoint(std::uint32_t position, bool hex) const
{
    const CVantorixView* view = View();
    const int perLine = view->BytesPerLine();
    const int column = static_cast<int>(position % static_cast<std::uint32_t>(perLine));
    const int row = static_cast<int>(position / static_cast<std::uint32_t>(perLine) - view->TopRow());
    const int left = view->ColumnX()[static_cast<size_t>(hex ? column : perLine + column)];
    const int width = hex ? 2 * view->CharWidth() : view->CharWidth();
    return QRect(left, row * view->RowPitch(), width, view->RowPitch()).center();
}

void FrameTest::ClickByte(std::uint32_t position, bool hex)
{
    QTest::mouseClick(View(), Qt::LeftButton, Qt::NoModifier, CellPoint(position, hex));
}

void FrameTest::DragBytes(std::uint32_t from, std::uint32_t to)
{
    CVantorixView* view = View();
    const auto send = [view](QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(point), QPointF(view->mapToGlobal(point)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, CellPoint(from), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, CellPoint(to), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, CellPoint(to), Qt::LeftButton, Qt::NoButton);
}

void FrameTest::Key(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

void FrameTest::FocusBox(QComboBox* box)
{
    box->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(box->hasFocus());
}

void FrameTest::TypeInto(QComboBox* box, const QString& text)
{
    FocusBox(box);
    box->lineEdit()->selectAll();
    Key(Qt::Key_Backspace);
    for (const QChar c : text)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

} // namespace vtx::test
