// Benchmarks of the hex view. Drawing must cost what the window shows, not what the file
// holds: a full repaint of a 60-row window is timed at the start and at the end of a
// 64 GiB file and with no or a million pending changes, End and the repaint it brings
// on a 64 GiB file against a 1 MiB one, one typed byte at the end of a 64 GiB file against
// one at its start (each after a scroll across the whole file), and the rows that a
// one-line scroll and a Page Down read are counted.
//
// The view runs on Qt's offscreen platform. The big files are sparse and live in a fresh
// directory under /tmp that is removed at the end.

// this program
#include "document/CVantorixDoc.h"
#include "bench/BenchRatios.h"
#include "bench/BenchScratch.h"
#include "colors/ColorCodesFile.h"
#include "view/CVantorixView.h"
#include "view/IMainFrameServices.h"

// Qt
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

// std
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vtx::CVantorixDoc;
using vtx::CVantorixView;
using vtx::bench::ScratchDir;

constexpr std::int64_t kGiB = std::int64_t{1} << 30;
constexpr std::int64_t kLargeFile = kGiB * 64;
constexpr std::int64_t kSmallFile = std::int64_t{1} << 20;
constexpr std::int64_t kPagingFile = std::int64_t{100} << 20;
constexpr int kScreenRows = 60;
constexpr int kPending = 1000000;
constexpr int kPageSteps = 400;

// A sparse file with some text at the start and at the end, so both screens have glyphs
// to draw.
std::string MakeSparse(const ScratchDir& dir, const std::string& name, std::int64_t size)
{
    const std::string text = "The quick brown fox jumps over the lazy dog. 0123456789 ABCDEF\r\n";
    std::string block;
    while (block.size() < 4096)
        block += text;
    const std::string path = dir.Sparse(name, size, block);
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(size - static_cast<std::int64_t>(block.size()));
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    return path;
}

// The main frame's part: the colour codes shipped with the program, nothing else.
class BenchFrame final : public vtx::IMainFrameServices
{
public:
    BenchFrame() { m_colors.Apply(vtx::LoadColorCodes(vtx::ColorCodesPath())); }
    const vtx::ColorTable& GetColorTable() const override { return m_colors; }
    QString GetSearchText() const override { return {}; }
    vtx::SearchType GetSearchType() const override { return vtx::SearchType::Hex; }
    bool IsSigned() const override { return false; }
    void ShowCaretInfo(vtx::FilePos, std::uint8_t, int) override {}
    void SetStatusText(const QString&) override {}
    void SetOverwriteIndicator(bool) override {}

private:
    vtx::ColorTable m_colors;
};

class CountingView final : public CVantorixView
{
public:
    using CVantorixView::CVantorixView;
    std::size_t reads = 0;

protected:
    std::int32_t ReadRow(std::uint8_t* buffer, std::uint32_t count, vtx::FilePos position) override
    {
        ++reads;
        return CVantorixView::ReadRow(buffer, count, position);
    }
};

std::unique_ptr<CVantorixDoc> Open(const std::string& path)
{
    auto doc = std::make_unique<CVantorixDoc>();
    if (!doc->OnOpenDocument(QString::fromStdString(path)))
        throw std::runtime_error("cannot open " + path);
    return doc;
}

// A shown view of 60 whole rows.
std::unique_ptr<CountingView> MakeView(CVantorixDoc& doc)
{
    auto view = std::make_unique<CountingView>(&doc);
    view->resize(900, kScreenRows * view->LineHeight());
    view->show();
    QApplication::processEvents();
    return view;
}

// One full repaint of the window, as the window system asks for it.
void Repaint(benchmark::State& state, CountingView* view)
{
    QImage image(view->size(), QImage::Format_RGB32);
    view->reads = 0;
    for (auto _ : state) {
        QPainter painter(&image);
        view->render(&painter);
    }
    state.counters["rows"] = static_cast<double>(view->reads) / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

// Home, then End, then the repaint that shows the last row: the caret travels the whole
// file and the window has to show its end.
void EndAndRepaint(benchmark::State& state, CountingView* view)
{
    QImage image(view->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        view->OnKeyDown(Qt::Key_Home);
        view->OnKeyDown(Qt::Key_End);
        QPainter painter(&image);
        view->render(&painter);
    }
    if (view->LastHit().filePos + 1 != view->GetDocument()->GetFileLength())
        state.SkipWithError("End did not reach the last byte");
}

// One byte typed in the ASCII column at `position`, with the view first scrolled to the
// other end of the file: the key brings the caret back into view, changes the byte and
// paints. What it costs must not depend on where in the file the byte is.
struct TypeAt {
    CountingView* view;
    vtx::FilePos position;
    vtx::ScrollCode away;
};

void TypeOneByte(benchmark::State& state, TypeAt at)
{
    std::uint8_t c = 'a';
    for (auto _ : state) {
        at.view->OnVScroll(at.away);
        at.view->SetCaret(at.position, false);
        at.view->OnChar(c);
        QApplication::processEvents();
        c = c == 'z' ? 'a' : static_cast<std::uint8_t>(c + 1);
    }
    if (at.view->GetDocument()->GetByte(at.position) < 'a')
        state.SkipWithError("the byte at the caret was not typed over");
}

int Run()
{
    ScratchDir dir("vantorix-bench-view");
    BenchFrame frame;
    vtx::SetMainFrameServices(&frame);

    const std::string largePath = MakeSparse(dir, "large.bin", kLargeFile);
    auto startDoc = Open(largePath);
    auto startView = MakeView(*startDoc);

    // The same file in a second document: the view at its end.
    const std::string endPath = MakeSparse(dir, "end.bin", kLargeFile);
    auto endDoc = Open(endPath);
    auto endView = MakeView(*endDoc);
    endView->GotoPosition(static_cast<vtx::FilePos>(kLargeFile - 1));

    // A million pending changes spread over the whole file, with the view at the start.
    const std::string busyPath = MakeSparse(dir, "busy.bin", kLargeFile);
    auto busyDoc = Open(busyPath);
    const auto spacing = static_cast<vtx::FilePos>(kLargeFile / kPending);
    for (int i = 0; i < kPending; ++i)
        busyDoc->SetByte(static_cast<std::uint8_t>(i), static_cast<vtx::FilePos>(i) * spacing + 7);
    auto busyView = MakeView(*busyDoc);

    // End on a 64 GiB file and on a 1 MiB one.
    auto endSmallDoc = Open(MakeSparse(dir, "end-small.bin", kSmallFile));
    auto endSmallView = MakeView(*endSmallDoc);
    auto endLargeDoc = Open(MakeSparse(dir, "end-large.bin", kLargeFile));
    auto endLargeView = MakeView(*endLargeDoc);

    // Typing at the start and at the end of a 64 GiB file.
    auto typeDoc = Open(MakeSparse(dir, "type.bin", kLargeFile));
    auto typeView = MakeView(*typeDoc);
    typeView->setFocus();

    using benchmark::RegisterBenchmark;
    RegisterBenchmark("view_type/start", TypeOneByte, TypeAt{typeView.get(), 5, vtx::ScrollCode::Bottom})
        ->Repetitions(15)->Iterations(20)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("view_type/end", TypeOneByte,
                      TypeAt{typeView.get(), static_cast<vtx::FilePos>(kLargeFile - 5), vtx::ScrollCode::Top})
        ->Repetitions(15)->Iterations(20)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("view_repaint/start", Repaint, startView.get())->Repetitions(15)->Iterations(20)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("view_repaint/end", Repaint, endView.get())->Repetitions(15)->Iterations(20)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("view_repaint/million_pending", Repaint, busyView.get())->Repetitions(15)->Iterations(20)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("view_end/small", EndAndRepaint, endSmallView.get())->Repetitions(15)->Iterations(20)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("view_end/large", EndAndRepaint, endLargeView.get())->Repetitions(15)->Iterations(20)->Unit(benchmark::kMicrosecond);

    vtx::bench::RatioReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);

    bool within = true;
    within &= vtx::bench::PrintRatio(times, "view_repaint_60_rows_end_vs_start_64GiB", "view_repaint/end",
                                     "view_repaint/start", 1.2);
    within &= vtx::bench::PrintRatio(times, "view_repaint_60_rows_1M_pending_vs_none", "view_repaint/million_pending",
                                     "view_repaint/start", 1.5);
    // The same in CPU time: on a shared machine the wall clock of one repaint also holds the
    // time other programs ran, which can put either side ahead by a third.
    within &= vtx::bench::PrintRatio(times, "view_repaint_60_rows_1M_pending_vs_none_cpu", "view_repaint/million_pending",
                                     "view_repaint/start", 1.5, vtx::bench::RatioReporter::Clock::Cpu);
    within &= vtx::bench::PrintRatio(times, "view_end_and_repaint_64GiB_vs_1MiB", "view_end/large", "view_end/small", 1.2);
    within &= vtx::bench::PrintRatio(times, "view_type_one_byte_end_vs_start_64GiB", "view_type/end", "view_type/start", 1.2);

    // One-line scrolls: the rows each one reads.
    std::size_t mostLineReads = 0;
    for (int i = 0; i < 50; ++i) {
        startView->reads = 0;
        startView->OnVScroll(i % 3 == 2 ? vtx::ScrollCode::LineUp : vtx::ScrollCode::LineDown);
        mostLineReads = std::max(mostLineReads, startView->reads);
    }
    vtx::bench::PrintFigure("view_line_scroll_rows_read", "at most " + std::to_string(mostLineReads)
                                                              + " row(s) per one-line scroll, 50 scrolls");
    within &= mostLineReads <= 2;

    // Holding Page Down through 100 MiB: every step paints one screen, in bounded time.
    const std::string pagingPath = MakeSparse(dir, "paging.bin", kPagingFile);
    auto pagingDoc = Open(pagingPath);
    auto pagingView = MakeView(*pagingDoc);
    pagingView->setFocus();
    std::size_t mostReads = 0;
    qint64 slowestUs = 0;
    QElapsedTimer total;
    total.start();
    for (int step = 0; step < kPageSteps; ++step) {
        pagingView->reads = 0;
        QElapsedTimer clock;
        clock.start();
        pagingView->OnKeyDown(Qt::Key_PageDown);
        QApplication::processEvents();
        slowestUs = std::max(slowestUs, clock.nsecsElapsed() / 1000);
        mostReads = std::max(mostReads, pagingView->reads);
    }
    const double meanMs = static_cast<double>(total.nsecsElapsed()) / 1e6 / kPageSteps;
    char text[200];
    std::snprintf(text, sizeof text,
                  "%d steps: at most %zu rows read per step (a screen is %d), %.2f ms mean, %.2f ms slowest",
                  kPageSteps, mostReads, kScreenRows + 1, meanMs, static_cast<double>(slowestUs) / 1000);
    vtx::bench::PrintFigure("view_page_down_100MiB", text);
    within &= mostReads <= static_cast<std::size_t>(kScreenRows + 3);

    vtx::SetMainFrameServices(nullptr);
    return within ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    try {
        return Run(); // removes its files on every way out
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "bench_view: %s\n", failure.what());
        return 1;
    }
}
