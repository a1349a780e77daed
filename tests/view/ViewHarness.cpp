#include "ViewHarness.h"
#include "framework/MessageBox.h"

// Qt
#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QScreen>
#include <QWindow>

// std
#include <stdexcept>

namespace vtx::test {

ViewHarness::ViewHarness(const QByteArray& bytes, int rows, bool show)
{
    m_path = m_dir.Write(QStringLiteral("data.bin"), bytes);
    Open(rows, show);
}

ViewHarness::ViewHarness(const SparseFile& file, int rows, bool show)
{
    m_path = MakeSparseFile(m_dir.Path(QStringLiteral("sparse.bin")), file);
    Open(rows, show);
}

ViewHarness::ViewHarness(const ViewOnlyFile& file, int rows)
{
    m_path = m_dir.Write(QStringLiteral("data.bin"), file.bytes);
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    MessageBoxRecorder question; // answered Yes
    Open(rows, true);
}

ViewHarness::ViewHarness(const ExistingFile& file, int rows)
{
    m_path = file.path;
    Open(rows, true);
}

void ViewHarness::Open(int rows, bool show)
{
    // A steady caret: pixel comparisons must not depend on when a blink falls.
    QApplication::setCursorFlashTime(0);
    m_doc = std::make_unique<CVantorixDoc>();
    if (!m_doc->OnOpenDocument(m_path))
        throw std::runtime_error("the test file did not open");
    m_view = std::make_unique<CountingView>(m_doc.get());
    m_view->resize(900, rows * m_view->LineHeight() + m_view->LineHeight() / 2);
    if (show) {
        m_view->show();
        m_view->activateWindow();
        m_view->setFocus();
        if (!QTest::qWaitForWindowExposed(m_view.get()))
            throw std::runtime_error("the view was never shown");
        Settle();
    }
}

ViewHarness::~ViewHarness()
{
    m_view.reset();
    m_doc.reset();
}

int ViewHarness::CellLeft(int column, bool hex) const
{
    const auto& table = m_view->ColumnX();
    return table[static_cast<std::size_t>(hex ? column : m_view->BytesPerLine() + column)];
}

QRect ViewHarness::CellRect(int column, int windowRow, bool hex) const
{
    const int width = hex ? 2 * m_view->CharWidth() : m_view->CharWidth();
    return {CellLeft(column, hex), windowRow * m_view->RowPitch(), width, m_view->RowPitch()};
}

QPoint ViewHarness::CellPoint(int column, int windowRow, bool hex) const
{
    return CellRect(column, windowRow, hex).center();
}

void ViewHarness::Click(QPoint point)
{
    QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, point);
}

void ViewHarness::Mouse(QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(point), QPointF(m_view->mapToGlobal(point)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(m_view.get(), &event);
}

void ViewHarness::Drag(QPoint from, QPoint to, const std::vector<QPoint>& via)
{
    Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (const QPoint point : via)
        Mouse(QEvent::MouseMove, point, Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

void ViewHarness::Wheel(int angleDeltaY, int pixelDeltaY)
{
    const QPoint point(10, 10);
    QWheelEvent event(QPointF(point), QPointF(m_view->mapToGlobal(point)), QPoint(0, pixelDeltaY), QPoint(0, angleDeltaY),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_view.get(), &event);
}

void ViewHarness::Press(int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(m_view.get(), static_cast<Qt::Key>(key), modifiers);
}

void ViewHarness::Type(const QString& text)
{
    for (const QChar c : text) {
        // Control characters come with the key that makes them.
        int key = c.toUpper().unicode();
        switch (c.unicode()) {
        case '\r': key = Qt::Key_Return; break;
        case '\b': key = Qt::Key_Backspace; break;
        case '\t': key = Qt::Key_Tab; break;
        case 0x1B: key = Qt::Key_Escape; break;
        default: break;
        }
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(m_view.get(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(m_view.get(), &release);
    }
}

void ViewHarness::Settle()
{
    m_view->repaint();
    QApplication::processEvents();
    m_view->reads.clear();
}

QImage ViewHarness::ScreenImage()
{
    QApplication::processEvents();
    return m_view->screen()->grabWindow(m_view->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

QImage ViewHarness::Grab()
{
    return m_view->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QString MakeSparseFile(const QString& path, const SparseFile& sparse)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !file.resize(static_cast<qint64>(sparse.size)))
        throw std::runtime_error("cannot make the sparse file");
    for (const auto& [offset, bytes] : sparse.pieces) {
        file.seek(static_cast<qint64>(offset));
        file.write(bytes);
    }
    return path;
}

QByteArray Counting(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i & 0xFF);
    return bytes;
}

} // namespace vtx::test
