// Benchmarks of comparing two files. Next Difference must run at the speed of the disk:
// through two identical 1 GiB files it is timed against GNU cmp on the same files, and
// through two 64 GiB sparse images that differ only in their last byte it must beat cmp by
// far, because the holes both files share are stepped over without reading.
//
// The compare window must open on two 64 GiB files as fast as one window opens on a 1 KiB
// file, and repaint in little more than twice the time of one view (it shows two).
//
// The files live in a fresh directory under /tmp that is removed at the end. The windows
// run on Qt's offscreen platform.

// this program
#include "bench/BenchRatios.h"
#include "bench/BenchScratch.h"
#include "document/CVantorixDoc.h"
#include "framework/MessageBox.h"
#include "colors/ColorCodesFile.h"
#include "tools/compare/CCompareWindow.h"
#include "tools/compare/CompareTool.h"
#include "view/CVantorixView.h"
#include "view/IMainFrameServices.h"

// Qt
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QString>

// std
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vtx::CVantorixDoc;
using vtx::CVantorixView;
using vtx::bench::ScratchDir;

constexpr std::int64_t kGiB = std::int64_t{1} << 30;
constexpr std::int64_t kLargeFile = kGiB * 64;
constexpr int kRepeats = 5;

std::unique_ptr<CVantorixDoc> Open(const std::string& path)
{
    auto doc = std::make_unique<CVantorixDoc>();
    if (!doc->OnOpenDocument(QString::fromStdString(path)))
        throw std::runtime_error("cannot open " + path);
    return doc;
}

// Two files of random bytes, the same in both.
void MakeTwins(const std::string& a, const std::string& b, std::int64_t size)
{
    std::mt19937_64 random(29);
    std::vector<std::uint64_t> block(1 << 17);
    std::ofstream outA(a, std::ios::binary);
    std::ofstream outB(b, std::ios::binary);
    const auto bytes = static_cast<std::streamsize>(block.size() * sizeof(std::uint64_t));
    for (std::int64_t written = 0; written < size; written += bytes) {
        for (auto& word : block)
            word = random();
        outA.write(reinterpret_cast<const char*>(block.data()), bytes);
        outB.write(reinterpret_cast<const char*>(block.data()), bytes);
    }
    if (!outA || !outB)
        throw std::runtime_error("cannot write the benchmark files");
}

// A sparse file of `size` bytes whose last byte is `last`.
std::string SparseEndingWith(const ScratchDir& dir, const std::string& name, std::int64_t size, char last)
{
    const std::string path = dir.Sparse(name, size, std::string(1, '\0'));
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(size - 1);
    out.put(last);
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

constexpr int kWindowWidth = 1800;
constexpr int kWindowHeight = 900;

// Opening one file in a window of its own: the document, the view, and its first paint.
void OpenOne(benchmark::State& state, const std::string& path)
{
    QImage image(kWindowWidth / 2, kWindowHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        auto doc = Open(path);
        CVantorixView view(doc.get());
        view.OnInitialUpdate();
        view.resize(image.size());
        view.show();
        QPainter painter(&image);
        view.render(&painter);
    }
}

// Opening a compare window on two files: both documents, the window, its first paint.
void OpenComparison(benchmark::State& state, const std::string& first, const std::string& second)
{
    QImage image(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        auto a = Open(first);
        auto b = Open(second);
        vtx::CCompareWindow window(*a, *b, false, nullptr);
        window.resize(image.size());
        window.show();
        QPainter painter(&image);
        window.render(&painter);
    }
}

// One full repaint of a widget, as the window system asks for it.
void Repaint(benchmark::State& state, QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        widget->render(&painter);
    }
}

// Next Difference from the start; `expected` is where the first run must begin (-1: none).
void NextDifference(benchmark::State& state, vtx::CompareTool* tool, std::int64_t expected)
{
    for (auto _ : state) {
        const vtx::CompareOutcome found = tool->Next(0);
        const std::int64_t at = found.end == vtx::CompareEnd::Found ? static_cast<std::int64_t>(found.run.first) : -1;
        if (at != expected || (found.end != vtx::CompareEnd::Found && found.end != vtx::CompareEnd::NoMore)) {
            state.SkipWithError("the compare found something else");
            break;
        }
    }
}

// cmp exits with 0 for equal files and 1 for differing ones; 2 is trouble.
void Cmp(benchmark::State& state, const std::string& command)
{
    for (auto _ : state) {
        const int status = std::system(command.c_str());
        if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) > 1) {
            state.SkipWithError("cmp failed");
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    vtx::MessageBoxRecorder boxes;
    benchmark::Initialize(&argc, argv);
    ScratchDir dir("vantorix-bench-compare");
    BenchFrame frame;
    vtx::SetMainFrameServices(&frame);

    const std::string twinA = dir.File("twin-a.bin");
    const std::string twinB = dir.File("twin-b.bin");
    MakeTwins(twinA, twinB, kGiB);
    auto docTwinA = Open(twinA);
    auto docTwinB = Open(twinB);
    vtx::CompareTool twins(*docTwinA, *docTwinB);
    const std::string cmpTwins = "cmp '" + twinA + "' '" + twinB + "' > /dev/null";
    // Each side reads the files once before it is timed, so both meet a warm page cache.
    benchmark::RegisterBenchmark("compare_1GiB/cmp", Cmp, cmpTwins)
        ->Repetitions(kRepeats)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("compare_1GiB/next", NextDifference, &twins, std::int64_t{-1})
        ->Repetitions(kRepeats)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

    const std::string sparseA = SparseEndingWith(dir, "sparse-a.img", kLargeFile, 'A');
    const std::string sparseB = SparseEndingWith(dir, "sparse-b.img", kLargeFile, 'B');
    auto docSparseA = Open(sparseA);
    auto docSparseB = Open(sparseB);
    vtx::CompareTool sparse(*docSparseA, *docSparseB);
    // cmp reads every byte of the holes: through all 64 GiB it takes minutes on this
    // machine. It is timed through the first GiB only, so the limit holds against a
    // sixty-fourth of cmp's real time: a stricter test, not an estimate.
    const std::string cmpSparse = "cmp -n " + std::to_string(kGiB) + " '" + sparseA + "' '" + sparseB + "' > /dev/null";
    benchmark::RegisterBenchmark("compare_64GiB_sparse/cmp_first_GiB", Cmp, cmpSparse)
        ->Repetitions(2)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("compare_64GiB_sparse/next", NextDifference, &sparse, kLargeFile - 1)
        ->Repetitions(kRepeats)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

    // The windows: the sparse images differ in their last byte only, so their first
    // screens are equal; a second pair differs in every byte shown.
    const std::string small = dir.Sparse("small.bin", 1024, std::string(1024, 'x'));
    benchmark::RegisterBenchmark("compare_open/one_1KiB_file", OpenOne, small)
        ->Repetitions(kRepeats)->MinTime(0.1)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("compare_open/two_64GiB_files", OpenComparison, sparseA, sparseB)
        ->Repetitions(kRepeats)->MinTime(0.1)->Unit(benchmark::kMicrosecond);
    const std::string smallOther = dir.Sparse("small-other.bin", 1024, std::string(1024, 'y'));
    benchmark::RegisterBenchmark("compare_open/two_1KiB_files", OpenComparison, small, smallOther)
        ->Repetitions(kRepeats)->MinTime(0.1)->Unit(benchmark::kMicrosecond);

    auto screenA = Open(dir.Sparse("screen-a.bin", kGiB, std::string(65536, 'a')));
    auto screenB = Open(dir.Sparse("screen-b.bin", kGiB, std::string(65536, 'b')));
    vtx::CCompareWindow window(*screenA, *screenB, false, nullptr);
    window.resize(kWindowWidth, kWindowHeight);
    window.show();
    CVantorixView single(screenA.get());
    single.OnInitialUpdate();
    single.resize(window.FirstView()->size());
    single.show();
    QApplication::processEvents();
    benchmark::RegisterBenchmark("compare_repaint/one_view", Repaint, &single)
        ->Repetitions(kRepeats)->MinTime(0.1)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("compare_repaint/compare_window", Repaint, &window)
        ->Repetitions(kRepeats)->MinTime(0.1)->Unit(benchmark::kMicrosecond);

    vtx::bench::RatioReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();

    bool within = true;
    within &= vtx::bench::PrintRatio(times, "compare_next_1GiB_identical_vs_cmp", "compare_1GiB/next", "compare_1GiB/cmp", 1.2);
    within &= vtx::bench::PrintRatio(times, "compare_next_64GiB_sparse_vs_cmp_first_GiB", "compare_64GiB_sparse/next",
                                     "compare_64GiB_sparse/cmp_first_GiB", 0.1);
    constexpr auto kCpu = vtx::bench::RatioReporter::Clock::Cpu;
    // A compare window makes two documents, two views and their two first screens: against
    // one window on one file it costs about twice as much, whatever the files' size. The
    // size is what must not count: the same window on two 1 KiB files is the floor.
    within &= vtx::bench::PrintRatio(times, "compare_open_window_two_64GiB_vs_one_1KiB", "compare_open/two_64GiB_files",
                                     "compare_open/one_1KiB_file", 0, kCpu);
    within &= vtx::bench::PrintRatio(times, "compare_open_window_two_64GiB_vs_two_1KiB", "compare_open/two_64GiB_files",
                                     "compare_open/two_1KiB_files", 1.2, kCpu);
    within &= vtx::bench::PrintRatio(times, "compare_repaint_window_vs_one_view", "compare_repaint/compare_window",
                                     "compare_repaint/one_view", 2.2, kCpu);
    return within ? 0 : 1;
}
