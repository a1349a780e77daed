#include "ProgressRun.h"

// this program
#include "view/ProgressSearch.h"

// Qt
#include <QCoreApplication>
#include <QProgressDialog>

// std
#include <algorithm>

namespace vtx {

namespace {

int g_delayMs = 1000;
// How often a running walk lets the window repaint and looks for Esc.
constexpr qint64 kLookIntervalMs = 100;

} // namespace

ProgressRun::ProgressRun(QWidget* parent, const QString& what)
    : m_guard(std::make_unique<LongTaskInputGuard>()), m_parent(parent), m_what(what)
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
    if (m_guard->Cancelled())
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
    return !m_guard->Cancelled();
}

bool ProgressRun::Finish()
{
    QCoreApplication::processEvents();
    delete m_pDialog;
    m_pDialog = nullptr;
    return !m_guard->Cancelled();
}

bool ProgressRun::Cancelled() const
{
    return m_guard->Cancelled();
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
