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

SearchOutcome SearchWithProgress(CVantorixDoc& doc, const QString& text, FilePos caret,
                                 SearchDirection direction, int delayMs,
                                 const std::function<void(int percent)>& progress)
{
    const std::uint64_t length = std::max<std::uint64_t>(1, doc.GetFileLength());
    QElapsedTimer clock;
    clock.start();
    qint64 nextReportMs = delayMs;
    // Held from the first block, so that an Esc is a cancel however early it comes.
    LongTaskInputGuard guard;
    bool cancelled = false;

    // The document scans block by block; between blocks the window gets its turn.
    const FindResult found = doc.Find(text, caret, direction, [&](std::uint64_t scanned) {
        if (clock.elapsed() < nextReportMs)
            return true;
        if (progress)
            progress(static_cast<int>(std::min<std::uint64_t>(100, scanned * 100 / length)));
        QCoreApplication::processEvents();
        if (guard.Cancelled() || !doc.IsFileOpen()) {
            cancelled = true;
            return false;
        }
        nextReportMs = clock.elapsed() + kReportIntervalMs;
        return true;
    });
    if (!cancelled) {
        // Input that came while the search ran, too short a search to look at it: an Esc
        // among it still cancels, and the rest is held back as during a long search.
        QCoreApplication::processEvents();
        cancelled = guard.Cancelled() || !doc.IsFileOpen();
    }
    if (cancelled)
        return {SearchEnd::Cancelled, 0};
    if (found.position < 0)
        return {};
    return {SearchEnd::Found, static_cast<FilePos>(found.position), found.length, found.wrapped};
}

} // namespace vtx
