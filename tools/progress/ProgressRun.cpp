#include "ProgressRun.h"

// Qt
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QProgressDialog>

// std
#include <algorithm>

namespace vtx {

namespace {

int g_delayMs = 1000;
// How often a running walk lets the window repaint and looks for Esc.
constexpr qint64 kLookIntervalMs = 100;

} // namespace

// Holds back user input while a walk runs; Esc ends it.
class ProgressRun::InputGuard final : public QObject
{
public:
    InputGuard() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputGuard() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputGuard(const InputGuard&) = delete;
    InputGuard& operator=(const InputGuard&) = delete;

    bool m_bCancelled = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
                m_bCancelled = true;
            // Claiming the override keeps a shortcut from firing.
            event->accept();
            return true;
        case QEvent::Close:
            event->ignore();
            return true;
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
        }
    }
};

ProgressRun::ProgressRun(QWidget* parent, const QString& what)
    : m_guard(std::make_unique<InputGuard>()), m_parent(parent), m_what(what)
{
    m_clock.start();
    m_nNextLookMs = g_delayMs;
}

ProgressRun::~ProgressRun()
{
    delete m_pDialog;
}

bool ProgressRun::Step(FilePos done, FilePos total)
{
    if (m_guard->m_bCancelled)
        return false;
    if (m_clock.elapsed() < m_nNextLookMs)
        return true;
    const int percent = total == 0 ? 100 : static_cast<int>(std::min<FilePos>(100, done * 100 / total));
    if (!m_pDialog) {
        m_pDialog = new QProgressDialog(m_what + QStringLiteral("\nPress Esc to cancel."), QString(), 0, 100, m_parent);
        m_pDialog->setWindowTitle(QStringLiteral("Vantorix"));
        m_pDialog->setAutoClose(false);
        m_pDialog->setAutoReset(false);
        m_pDialog->setMinimumDuration(0);
        m_pDialog->show();
        m_bShown = true;
    }
    m_pDialog->setValue(percent);
    QCoreApplication::processEvents();
    m_nNextLookMs = m_clock.elapsed() + kLookIntervalMs;
    return !m_guard->m_bCancelled;
}

bool ProgressRun::Finish()
{
    QCoreApplication::processEvents();
    delete m_pDialog;
    m_pDialog = nullptr;
    return !m_guard->m_bCancelled;
}

bool ProgressRun::Cancelled() const
{
    return m_guard->m_bCancelled;
}

void ProgressRun::SetDelayMs(int ms)
{
    g_delayMs = ms;
}

int ProgressRun::DelayMs()
{
    return g_delayMs;
}

} // namespace vtx
