#pragma once
// The view's search through the document, on the user-interface thread, in blocks. A search
// that runs longer than a moment keeps the window alive: it reports its progress, lets the
// window repaint, and ends when the user presses Esc. While it runs, every other key and
// pointer input and every request to close a window is held back, so nothing can change
// or close the document under it. Input that arrived during a search too short to report is
// looked at when it ends: an Esc among it cancels that search too.

// this program
#include "document/SearchPattern.h"
#include "platform/FilePos.h"

// Qt
#include <QObject>
#include <QString>

// std
#include <cstdint>
#include <functional>

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

enum class SearchEnd { Found, NotFound, Cancelled };

struct SearchOutcome {
    SearchEnd end = SearchEnd::NotFound;
    FilePos position = 0;
    // The match's length in bytes.
    FilePos length = 0;
    // Found only after passing the end (or, backward, the start) of the file.
    bool wrapped = false;
};

// The document's search for the text from the caret in the given direction, wrapping once
// (CVantorixDoc::Find). After delayMs the progress callback gets the percentage of the file
// searched so far, about ten times a second, and pending events run between blocks.
SearchOutcome SearchWithProgress(CVantorixDoc& doc, const QString& text, FilePos caret,
                                 SearchDirection direction, int delayMs,
                                 const std::function<void(int percent)>& progress);

} // namespace vtx
