#pragma once
// The window side of a long walk over the document, on the user-interface thread: after a
// delay (about a second) a small progress window appears, the window gets its turn about
// ten times a second, and Esc stops the walk. While it runs every other key, pointer input
// and request to close a window is held back, so nothing changes or closes the document
// under it.

// this program
#include "platform/FilePos.h"

// Qt
#include <QElapsedTimer>
#include <QPointer>
#include <QString>

// std
#include <memory>

class QProgressDialog;
class QWidget;

namespace vtx {

class LongTaskInputGuard;

class ProgressRun
{
public:
    // `what` names the work in the progress window ("Computing checksums").
    ProgressRun(QWidget* parent, const QString& what);
    ~ProgressRun();
    ProgressRun(const ProgressRun&) = delete;
    ProgressRun& operator=(const ProgressRun&) = delete;

    // Reports done out of total; false once the user has pressed Esc. Cheap to call often:
    // the window is only looked at every so often.
    bool Step(FilePos done, FilePos total);
    // Looks at input that came during a walk too short to report: an Esc among it cancels.
    bool Finish();
    [[nodiscard]] bool Cancelled() const;
    // Whether the progress window was shown at all.
    [[nodiscard]] bool Shown() const { return m_bShown; }

    // How long a walk runs before it shows its progress; tests set 0.
    static void SetDelayMs(int ms);
    [[nodiscard]] static int DelayMs();

private:
    std::unique_ptr<LongTaskInputGuard> m_guard;
    QPointer<QWidget> m_parent;
    QString m_what;
    QElapsedTimer m_clock;
    qint64 m_nNextLookMs = 0;
    QProgressDialog* m_pDialog = nullptr;
    bool m_bShown = false;
};

} // namespace vtx
