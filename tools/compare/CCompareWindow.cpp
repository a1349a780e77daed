#include "CCompareWindow.h"

// this program
#include "document/CVantorixDoc.h"
#include "framework/CDocManager.h"
#include "framework/CMDIChildWnd.h"
#include "framework/MessageBox.h"
#include "view/CVantorixView.h"
#include "view/IMainFrameServices.h"
#include "view/ProgressSearch.h"
#include "view/ViewColors.h"

// Qt
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QPalette>
#include <QVBoxLayout>

// std
#include <algorithm>

namespace vtx {

namespace {

// How much of the other file one paint reads at a time, and how often a long scan reports.
constexpr std::uint32_t kRowCacheBytes = 4096;
constexpr qint64 kReportIntervalMs = 100;


QString RunOffsetText(FilePos offset)
{
    return QString::number(offset, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

CVantorixDoc* DocumentOf(const CVantorixView* view)
{
    return view ? view->GetDocument() : nullptr;
}

} // namespace

QColor DifferenceBackground(const QPalette& palette)
{
    // Amber: far from the selection's usual blue, and from the black, white and grey of
    // uncoded text.
    return ViewColorsFor(palette).dark ? QColor(0x6B, 0x45, 0x00) : QColor(0xFF, 0xDD, 0x88);
}

CCompareWindow::CCompareWindow(CVantorixDoc& first, CVantorixDoc& second, bool closeSecond, CDocManager* manager)
    : m_manager(manager), m_second(&second), m_bCloseSecond(closeSecond)
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto* body = new QWidget(this);
    auto* columns = new QHBoxLayout(body);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(4);
    const std::array<CVantorixDoc*, 2> docs{&first, &second};
    for (int side = 0; side < 2; ++side) {
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        auto* title = new QLabel(body);
        title->setTextFormat(Qt::PlainText);
        title->setContentsMargins(4, 2, 4, 0);
        auto* view = new CVantorixView(docs[static_cast<std::size_t>(side)], body);
        view->OnInitialUpdate();
        view->installEventFilter(this);
        view->SetCellBackground(
            [this, side](FilePos position, std::uint8_t value) { return DifferenceAt(side, position, value); });
        connect(view, &CVantorixView::topRowChanged, this, [this, side](std::uint64_t row) { FollowScroll(side, row); });
        // A typed byte, an undo or a redo may make bytes equal or different: the other
        // view shows it at once.
        connect(view, &CVantorixView::caretMoved, this, [this, side] {
            if (CVantorixView* other = m_views[static_cast<std::size_t>(1 - side)])
                other->update();
            UpdateTitles();
        });
        connect(view, &CView::documentTitleChanged, this, &CCompareWindow::UpdateTitles);
        column->addWidget(title);
        column->addWidget(view, 1);
        columns->addLayout(column, 1);
        m_views[static_cast<std::size_t>(side)] = view;
        m_titles[static_cast<std::size_t>(side)] = title;
    }
    setWidget(body);
    if (m_manager)
        connect(m_manager, &CDocManager::documentsChanged, this, &CCompareWindow::OnDocumentsChanged);
    UpdateTitles();
    const QSize one = m_views[0]->sizeHint();
    resize(2 * one.width() + 24, one.height() + 40);
}

CCompareWindow::~CCompareWindow()
{
    ReleaseDocuments();
}

CCompareWindow* CCompareWindow::Open(CVantorixDoc& first, const QString& path, CDocManager& manager, QMdiArea& area)
{
    const QString fullPath = CDocManager::NormalizePath(path);
    if (fullPath.isEmpty() || !first.IsFileOpen())
        return nullptr;
    if (fullPath == first.GetPathName()) {
        ShowMessageBox(QString::fromLatin1(kSameFileText));
        return nullptr;
    }
    bool openedHere = false;
    auto* second = dynamic_cast<CVantorixDoc*>(manager.FindOpenDocument(fullPath));
    if (!second) {
        // Only looked at here: view-only, so that comparing never locks another editor
        // out of the file nor asks about changes when the window closes.
        second = dynamic_cast<CVantorixDoc*>(manager.OpenHiddenDocument(fullPath, [](CDocument* doc) {
            if (auto* hex = dynamic_cast<CVantorixDoc*>(doc))
                hex->SetOpenViewOnly(true);
        }));
        if (!second)
            return nullptr;
        openedHere = true;
    }
    auto* window = new CCompareWindow(first, *second, openedHere, &manager);
    area.addSubWindow(window);
    // Coming back to the window shows what changed in the documents' other windows.
    connect(&area, &QMdiArea::subWindowActivated, window, [window](QMdiSubWindow* activated) {
        if (activated == window)
            window->RefreshDifferences();
    });
    window->show();
    area.setActiveSubWindow(window);
    window->FirstView()->setFocus(Qt::OtherFocusReason);
    return window;
}

CVantorixView* CCompareWindow::ActiveView() const
{
    return m_views[static_cast<std::size_t>(m_nActiveSide)];
}

void CCompareWindow::UpdateTitles()
{
    QStringList names;
    for (int side = 0; side < 2; ++side) {
        const CVantorixDoc* doc = DocumentOf(m_views[static_cast<std::size_t>(side)]);
        QString title = doc ? doc->GetTitle() : QString();
        if (doc && doc->HasUnsavedChanges())
            title += QStringLiteral(" *");
        if (m_titles[static_cast<std::size_t>(side)]->text() != title)
            m_titles[static_cast<std::size_t>(side)]->setText(title);
        names << title;
    }
    setWindowTitle(QStringLiteral("Compare %1 with %2").arg(names[0], names[1]));
}

std::optional<QColor> CCompareWindow::DifferenceAt(int side, FilePos position, std::uint8_t value)
{
    CVantorixDoc* other = DocumentOf(m_views[static_cast<std::size_t>(1 - side)]);
    if (!other || !other->IsFileOpen())
        return std::nullopt;
    OtherBytes& cache = m_other[static_cast<std::size_t>(side)];
    if (!cache.valid || position < cache.start || position >= cache.start + kRowCacheBytes) {
        cache.start = position / kRowCacheBytes * kRowCacheBytes;
        cache.bytes.resize(kRowCacheBytes);
        const ReadOutcome read = other->ReadPresented(cache.bytes.data(), kRowCacheBytes, cache.start);
        cache.bytes.resize(read.count);
        cache.failed = read.Failed();
        cache.valid = true;
    }
    const FilePos offset = position - cache.start;
    const QColor& mark = m_colors[static_cast<std::size_t>(side)];
    if (offset < cache.bytes.size())
        return cache.bytes[offset] != value ? std::optional<QColor>(mark) : std::nullopt;
    // Past the bytes read: the other file ends here (its bytes differ), or could not be
    // read (nothing known, nothing marked).
    return cache.failed ? std::nullopt : std::optional<QColor>(mark);
}

bool CCompareWindow::eventFilter(QObject* watched, QEvent* event)
{
    for (int side = 0; side < 2; ++side) {
        if (watched != m_views[static_cast<std::size_t>(side)])
            continue;
        if (event->type() == QEvent::Paint) {
            // Each paint reads the other file afresh: its pending changes may have
            // changed in any window since.
            m_other[static_cast<std::size_t>(side)].valid = false;
            m_colors[static_cast<std::size_t>(side)] = DifferenceBackground(m_views[static_cast<std::size_t>(side)]->palette());
        } else if (event->type() == QEvent::FocusIn) {
            m_nActiveSide = side;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void CCompareWindow::FollowScroll(int side, std::uint64_t row)
{
    if (m_bFollowing)
        return;
    m_bFollowing = true;
    if (CVantorixView* other = m_views[static_cast<std::size_t>(1 - side)])
        other->SetTopRow(row);
    m_bFollowing = false;
}

void CCompareWindow::RefreshDifferences()
{
    UpdateTitles();
    for (CVantorixView* view : m_views)
        view->update();
}

void CCompareWindow::NextDifference()
{
    Step(true);
}

void CCompareWindow::PreviousDifference()
{
    Step(false);
}

void CCompareWindow::Step(bool forward)
{
    CVantorixDoc* first = DocumentOf(m_views[0]);
    CVantorixDoc* second = DocumentOf(m_views[1]);
    if (m_bBusy || !first || !second || !first->IsFileOpen() || !second->IsFileOpen())
        return;
    CVantorixView* active = ActiveView();
    CVantorixView* other = m_views[static_cast<std::size_t>(1 - m_nActiveSide)];
    const std::optional<ByteRange> selected = active->SelectedRange();
    const FilePos caret = active->CaretPosition();
    const FilePos from = forward ? (selected ? selected->End() : caret) : (selected ? selected->first : caret);

    const QPointer<CCompareWindow> self(this);
    const CompareOutcome outcome = ScanForDifference(*first, *second, forward, from);
    // The window may have closed while the scan let events through.
    if (!self)
        return;
    m_bBusy = false;
    ShowOutcome(outcome, *active, *other);
}

CompareOutcome CCompareWindow::ScanForDifference(CVantorixDoc& first, CVantorixDoc& second, bool forward,
                                                 FilePos from)
{
    // A scan longer than a moment shows how far it got and stops on Esc; meanwhile the
    // rest of the input waits.
    const int delayMs = CVantorixView::SearchProgressDelayMs();
    QElapsedTimer clock;
    clock.start();
    qint64 nextReportMs = delayMs;
    bool cancelled = false;
    const QPointer<CCompareWindow> self(this);
    LongTaskInputGuard guard;
    m_bBusy = true;
    CompareTool tool(first, second);
    const CompareTool::Progress progress = [&](std::uint64_t done, std::uint64_t total) {
        if (clock.elapsed() < nextReportMs)
            return true;
        const std::uint64_t percent = total == 0 ? 100 : std::min<std::uint64_t>(100, done * 100 / total);
        MainFrameServices().SetStatusText(QStringLiteral("Comparing: %1% done. Press Esc to cancel.").arg(percent));
        QCoreApplication::processEvents();
        if (guard.Cancelled() || !self) {
            cancelled = true;
            return false;
        }
        nextReportMs = clock.elapsed() + kReportIntervalMs;
        return true;
    };
    CompareOutcome outcome = forward ? tool.Next(from, progress) : tool.Previous(from, progress);
    // An Esc that came during a scan too short to report still cancels it.
    QCoreApplication::processEvents();
    cancelled = cancelled || guard.Cancelled();
    if (cancelled && outcome.end != CompareEnd::ReadFailed)
        outcome.end = CompareEnd::Cancelled;
    return outcome;
}

void CCompareWindow::ShowOutcome(const CompareOutcome& outcome, CVantorixView& active, CVantorixView& other)
{
    switch (outcome.end) {
    case CompareEnd::Found: {
        const ByteRange run = outcome.run;
        // The other view first: selecting puts the focus into a view, and it stays in the
        // one the user works in.
        for (CVantorixView* view : {&other, &active}) {
            const FilePos length = view->GetDocument()->GetFileLength();
            if (run.first < length)
                view->SelectRange({run.first, std::min(run.length, length - run.first)});
            else if (length > 0)
                view->GotoPosition(length - 1);
        }
        active.setFocus();
        MainFrameServices().SetStatusText(QStringLiteral("Difference at %1, %2 %3.")
                                              .arg(RunOffsetText(run.first))
                                              .arg(run.length)
                                              .arg(run.length == 1 ? QStringLiteral("byte") : QStringLiteral("bytes")));
        break;
    }
    case CompareEnd::NoMore:
        MainFrameServices().SetStatusText(QStringLiteral("No more differences."));
        break;
    case CompareEnd::Cancelled:
        MainFrameServices().SetStatusText(QStringLiteral("Compare cancelled."));
        break;
    case CompareEnd::ReadFailed:
        MainFrameServices().SetStatusText(QString());
        ShowMessageBox(outcome.failure);
        break;
    }
}

void CCompareWindow::OnDocumentsChanged()
{
    if (m_bReleased || !m_manager)
        return;
    // Either document closed elsewhere: the comparison has nothing left to show.
    for (CVantorixView* view : m_views) {
        const CVantorixDoc* doc = DocumentOf(view);
        if (!doc || !m_manager->HasDocument(doc)) {
            close();
            return;
        }
    }
}

void CCompareWindow::ReleaseDocuments()
{
    if (m_bReleased)
        return;
    m_bReleased = true;
    for (CVantorixView* view : m_views) {
        if (!view)
            continue;
        view->SetCellBackground({});
        if (CVantorixDoc* doc = DocumentOf(view)) {
            doc->RemoveView(view);
            view->DetachDocument();
            doc->UpdateFrameTitles();
        }
    }
    // The second file was opened for this window alone: it goes with it, unless the user
    // brought up its own window meanwhile.
    if (!m_bCloseSecond || !m_manager || !m_manager->HasDocument(m_second))
        return;
    const auto& views = m_second->GetViews();
    const bool shown = std::any_of(views.begin(), views.end(), [](const CView* view) {
        const CMDIChildWnd* frame = CMDIChildWnd::FromWidget(view);
        return frame && !frame->isHidden() && !frame->IsClosing();
    });
    if (!shown)
        m_second->OnCloseDocument();
}

void CCompareWindow::closeEvent(QCloseEvent* event)
{
    ReleaseDocuments();
    event->accept();
}

} // namespace vtx
