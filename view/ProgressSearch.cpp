#include "ProgressSearch.h"

// this program
#include "app/CVantorixDoc.h"

// Qt
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>

// std
#include <memory>

namespace vtx {

namespace {

// How often a long search reports and lets the window breathe.
constexpr qint64 kReportIntervalMs = 100;

// Holds back user input while a search runs; Esc ends the search.
class SearchInputGuard final : public QObject
{
public:
    SearchInputGuard() { QCoreApplication::instance()->installEventFilter(this); }
    ~SearchInputGuard() override { QCoreApplication::instance()->removeEventFilter(this); }
    SearchInputGuard(const SearchInputGuard&) = delete;
    SearchInputGuard& operator=(const SearchInputGuard&) = delete;

    [[nodiscard]] bool Cancelled() const { return m_bCancelled; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
                m_bCancelled = true;
            // Claiming the override keeps a shortcut from firing; the key press that
            // follows is dropped here as well.
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

private:
    bool m_bCancelled = false;
};

} // namespace

SearchOutcome SearchWithProgress(CVantorixDoc& doc, const SearchPattern& pattern, std::uint32_t start,
                                 int delayMs, const std::function<void(int percent)>& progress)
{
    const std::size_t compared = pattern.compareLength;
    const std::uint32_t length = doc.GetFileLength();
    if (compared == 0 || pattern.bytes.size() < compared)
        return {};

    std::vector<std::uint8_t> block(CVantorixDoc::kMaxRead);
    QElapsedTimer clock;
    clock.start();
    qint64 nextReportMs = delayMs;
    std::unique_ptr<SearchInputGuard> guard;

    std::uint32_t p = start;
    while (p < length) {
        const std::int32_t n = doc.ReadBytes(block.data(), CVantorixDoc::kMaxRead, p);
        if (n <= 0)
            return {};
        const std::size_t delivered = static_cast<std::size_t>(n);
        const std::ptrdiff_t hit = FindInBlock(block.data(), delivered, pattern.bytes.data(), compared);
        if (hit >= 0)
            return {SearchEnd::Found, p + static_cast<std::uint32_t>(hit)};
        // The next block starts early enough that a match beginning in this block's last
        // compared - 1 bytes is seen whole there.
        p += static_cast<std::uint32_t>(delivered >= compared ? delivered - (compared - 1) : 1);

        if (clock.elapsed() >= nextReportMs && p < length) {
            if (!guard)
                guard = std::make_unique<SearchInputGuard>();
            if (progress)
                progress(static_cast<int>(static_cast<std::uint64_t>(p - start) * 100 / (length - start)));
            QCoreApplication::processEvents();
            if (guard->Cancelled() || !doc.IsFileOpen())
                return {SearchEnd::Cancelled, 0};
            nextReportMs = clock.elapsed() + kReportIntervalMs;
        }
    }
    return {};
}

} // namespace vtx
