#pragma once
// The view's search through the document, on the user-interface thread, in blocks. A search
// that runs longer than a moment keeps the window alive: it reports its progress, lets the
// window repaint, and ends when the user presses Esc. While it runs, every other key and
// pointer input and every request to close a window is held back, so nothing can change
// or close the document under it. Input that arrived during a search too short to report is
// looked at when it ends: an Esc among it cancels that search too.

// this program
#include "document/DocumentSearch.h"
#include "document/SearchPattern.h"
#include "platform/FilePos.h"

// Qt
#include <QObject>
#include <QElapsedTimer>
#include <QString>

// std
#include <cstdint>
#include <functional>
#include <memory>

namespace vtx {

class CVantorixDoc;

// Holds back user input while a long task runs on the user-interface thread (a search, a
// copy of a large selection): keys, pointer, wheel, drops and closing a window. Esc is
// taken as the request to cancel.
class LongTaskInputGuard final : public QObject
{
public:
    LongTaskInputGuard();
    ~LongTaskInputGuard() override;
    LongTaskInputGuard(const LongTaskInputGuard&) = delete;
    LongTaskInputGuard& operator=(const LongTaskInputGuard&) = delete;

    [[nodiscard]] bool Cancelled() const { return m_bCancelled; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_bCancelled = false;
};

enum class SearchEnd { Found, NotFound, Cancelled, Failed };

struct SearchOutcome {
    SearchEnd end = SearchEnd::NotFound;
    FilePos position = 0;
    // The match's length in bytes.
    FilePos length = 0;
    // Found only after passing the end (or, backward, the start) of the file.
    bool wrapped = false;
    // For Failed: what could not be read, as the user is told it.
    QString failure;
};

// A long task on the user-interface thread (a search, Replace All, Find All) that keeps
// the window alive: call Tick between blocks. After delayMs it reports the percentage done
// about ten times a second and lets pending events run; while it lives, every key and
// pointer input and every request to close a window is held back, and Esc cancels.
class LongTaskProgress
{
public:
    LongTaskProgress(std::uint64_t total, int delayMs, std::function<void(int percent)> report);
    ~LongTaskProgress();
    LongTaskProgress(const LongTaskProgress&) = delete;
    LongTaskProgress& operator=(const LongTaskProgress&) = delete;
    // False once the user pressed Esc.
    bool Tick(std::uint64_t done);
    // At the end of the task: looks at input that came during a task too short to report
    // (an Esc among it cancels that task too); true when the task was cancelled.
    bool Finish();
    // Whether progress was ever reported (the caller clears what it showed).
    [[nodiscard]] bool Reported() const { return m_bReported; }

private:
    std::unique_ptr<LongTaskInputGuard> m_guard;
    std::uint64_t m_nTotal;
    std::function<void(int)> m_report;
    QElapsedTimer m_clock;
    qint64 m_nNextReportMs;
    bool m_bReported = false;
};

// The document's search for the text from the caret in the given direction, wrapping once
// (DocumentSearch::Find), with the given search type and case rule. After delayMs the progress callback gets the percentage of the file
// searched so far, about ten times a second, and pending events run between blocks.
SearchOutcome SearchWithProgress(CVantorixDoc& doc, const QString& text, SearchSettings settings, FilePos caret,
                                 SearchDirection direction, int delayMs,
                                 const std::function<void(int percent)>& progress);

} // namespace vtx
