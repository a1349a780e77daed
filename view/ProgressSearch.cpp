#include "ProgressSearch.h"

// this program
#include "document/CVantorixDoc.h"

// Qt
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>

// std
#include <algorithm>
#include <memory>

namespace vtx {

namespace {

// How often a long search reports and lets the window breathe.
constexpr qint64 kReportIntervalMs = 100;

} // namespace

LongTaskInputGuard::LongTaskInputGuard()
{
    QCoreApplication::instance()->installEventFilter(this);
}

LongTaskInputGuard::~LongTaskInputGuard()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool LongTaskInputGuard::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_bCancelled = true;
        // Claiming the override keeps a shortcut from firing; the key press that follows
        // is dropped here as well.
        event->accept();
        return true;
    case QEvent::Close:
        // A close event that is not ignored closes the window.
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

LongTaskProgress::LongTaskProgress(std::uint64_t total, int delayMs, std::function<void(int percent)> report)
    : m_guard(std::make_unique<LongTaskInputGuard>()), m_nTotal(std::max<std::uint64_t>(1, total)),
      m_report(std::move(report)), m_nNextReportMs(delayMs)
{
    m_clock.start();
}

LongTaskProgress::~LongTaskProgress() = default;

bool LongTaskProgress::Tick(std::uint64_t done)
{
    if (m_clock.elapsed() < m_nNextReportMs)
        return true;
    m_bReported = true;
    if (m_report)
        m_report(static_cast<int>(std::min<std::uint64_t>(100, done * 100 / m_nTotal)));
    QCoreApplication::processEvents();
    if (m_guard->Cancelled())
        return false;
    m_nNextReportMs = m_clock.elapsed() + kReportIntervalMs;
    return true;
}

bool LongTaskProgress::Finish()
{
    // Input that came while the task ran, too short a task to look at it: an Esc among it
    // still cancels, and the rest is held back as during a long task.
    QCoreApplication::processEvents();
    return m_guard->Cancelled();
}

SearchOutcome SearchWithProgress(CVantorixDoc& doc, const QString& text, SearchSettings settings, FilePos caret,
                                 SearchDirection direction, int delayMs,
                                 const std::function<void(int percent)>& progress)
{
    // Held from the first block, so that an Esc is a cancel however early it comes.
    LongTaskProgress task(doc.GetFileLength(), delayMs, progress);
    bool closed = false;
    DocumentSearch search(doc);
    // The document scans block by block; between blocks the window gets its turn.
    const FindResult found = search.Find(text, settings, caret, direction, [&](std::uint64_t scanned) {
        if (!task.Tick(scanned))
            return false;
        closed = !doc.IsFileOpen();
        return !closed;
    });
    const bool cancelled = found.cancelled || closed || task.Finish() || !doc.IsFileOpen();
    SearchOutcome outcome;
    if (cancelled) {
        outcome.end = SearchEnd::Cancelled;
    } else if (found.Failed()) {
        outcome.end = SearchEnd::Failed;
        outcome.position = found.errorAt;
        outcome.failure = search.FailureText(found);
    } else if (found.Found()) {
        outcome.end = SearchEnd::Found;
        outcome.position = static_cast<FilePos>(found.position);
        outcome.length = found.length;
        outcome.wrapped = found.wrapped;
    }
    return outcome;
}

} // namespace vtx
