// Benchmarks of Replace All and Find All. Each ratio puts two operations over the same
// 1 GiB file side by side, measured in one run as CPU seconds of this thread:
// - Replace All of a 4-byte pattern with 100,000 matches against Find All of the same;
// - Find All against one Find Next that scans the whole file and finds nothing;
// - Find Previous ignoring case against Find Next matching it (the backward and case-free
//   scan must not be slower by more than a fifth).
// The file is sparse (holes read as zeros) with the matches written into it; it lives in a
// fresh directory under /tmp that is removed at the end.

// this program
#include "bench/BenchRatios.h"
#include "bench/BenchScratch.h"
#include "document/CVantorixDoc.h"
#include "document/DocumentSearch.h"
#include "framework/MessageBox.h"
#include "tools/findall/FindAllTool.h"
#include "tools/replace/ReplaceTool.h"

// std
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vtx::CVantorixDoc;
using vtx::FilePos;
using vtx::SearchType;

constexpr std::int64_t kGiB = std::int64_t{1} << 30;
constexpr int kMatches = 100000;
constexpr std::int64_t kStride = kGiB / kMatches;
constexpr int kRepeats = 3;

double ThreadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::unique_ptr<CVantorixDoc> Open(const std::string& path)
{
    auto doc = std::make_unique<CVantorixDoc>();
    if (!doc->OnOpenDocument(QString::fromStdString(path)))
        throw std::runtime_error("cannot open " + path);
    return doc;
}

// A sparse 1 GiB file with "WXYZ" every kStride bytes, and "Needle" near its start for
// Find Previous and "needle" near its end for Find Next.
std::string MakeFile(const vtx::bench::ScratchDir& dir)
{
    const std::string path = dir.Sparse("matches.bin", kGiB);
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    for (int i = 0; i < kMatches; ++i) {
        file.seekp(static_cast<std::streamoff>(100 + i * kStride));
        file.write("WXYZ", 4);
    }
    file.seekp(50);
    file.write("Needle", 6);
    file.seekp(kGiB - 50);
    file.write("needle", 6);
    if (!file)
        throw std::runtime_error("cannot write " + path);
    return path;
}

const vtx::ByteRange& All(CVantorixDoc& doc)
{
    static vtx::ByteRange all;
    all = {0, doc.GetFileLength()};
    return all;
}

void FindAll(benchmark::State& state, CVantorixDoc* doc)
{
    vtx::PatternScanner scanner(vtx::EncodeSearchPattern("WXYZ", SearchType::Ascii));
    for (auto _ : state) {
        std::vector<vtx::FindAllHit> hits;
        const double start = ThreadCpuSeconds();
        vtx::FindAllTool::Run(*doc, scanner, All(*doc), hits);
        state.SetIterationTime(ThreadCpuSeconds() - start);
        if (hits.size() != kMatches) {
            state.SkipWithError("wrong number of matches");
            break;
        }
    }
}

void ReplaceAll(benchmark::State& state, CVantorixDoc* doc)
{
    QString problem;
    const auto plan = vtx::ReplaceTool::Prepare("WXYZ", "wxyz", {}, problem);
    for (auto _ : state) {
        const double start = ThreadCpuSeconds();
        const vtx::ReplaceResult result = vtx::ReplaceTool::ReplaceAll(*doc, *plan, All(*doc));
        state.SetIterationTime(ThreadCpuSeconds() - start);
        // Back to the file's bytes for the next round, outside the time.
        doc->Undo();
        if (result.replaced != kMatches) {
            state.SkipWithError("wrong number of replacements");
            break;
        }
    }
}

void FindNextToTheEnd(benchmark::State& state, CVantorixDoc* doc)
{
    const vtx::SearchPattern absent = vtx::EncodeSearchPattern("QZQZ", SearchType::Ascii);
    for (auto _ : state) {
        const double start = ThreadCpuSeconds();
        const vtx::FindResult found = vtx::DocumentSearch(*doc).FindAround(absent, 0, vtx::SearchDirection::Forward);
        state.SetIterationTime(ThreadCpuSeconds() - start);
        if (found.Found() || found.Failed()) {
            state.SkipWithError("found what is not there");
            break;
        }
    }
}

void FindAround(benchmark::State& state, CVantorixDoc* doc, const char* text, bool matchCase, FilePos caret,
                vtx::SearchDirection direction, std::int64_t expected)
{
    const vtx::SearchPattern pattern = vtx::EncodeSearchPattern(text, SearchType::Ascii, matchCase);
    for (auto _ : state) {
        const double start = ThreadCpuSeconds();
        const vtx::FindResult found = vtx::DocumentSearch(*doc).FindAround(pattern, caret, direction);
        state.SetIterationTime(ThreadCpuSeconds() - start);
        if (found.position != expected) {
            state.SkipWithError("wrong search result");
            break;
        }
    }
}

} // namespace

static int Run()
{
    vtx::MessageBoxRecorder boxes;
    vtx::bench::ScratchDir dir;
    auto doc = Open(MakeFile(dir));
    using benchmark::RegisterBenchmark;
    const auto timed = [](benchmark::internal::Benchmark* b) {
        b->Repetitions(kRepeats)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    };
    timed(RegisterBenchmark("replace/find_all", FindAll, doc.get()));
    timed(RegisterBenchmark("replace/replace_all", ReplaceAll, doc.get()));
    timed(RegisterBenchmark("replace/find_next_to_end", FindNextToTheEnd, doc.get()));
    timed(RegisterBenchmark("replace/find_next_exact", FindAround, doc.get(), "needle", true, FilePos{0},
                            vtx::SearchDirection::Forward, kGiB - 50));
    timed(RegisterBenchmark("replace/find_previous_any_case", FindAround, doc.get(), "NEEDLE", false,
                            static_cast<FilePos>(kGiB - 100), vtx::SearchDirection::Backward, 50));

    vtx::bench::RatioReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();

    bool within = true;
    within &= vtx::bench::PrintRatio(times, "replace_all_vs_find_all_100k_in_1GiB", "replace/replace_all",
                                     "replace/find_all", 1.3);
    within &= vtx::bench::PrintRatio(times, "find_all_vs_find_next_to_end_1GiB", "replace/find_all",
                                     "replace/find_next_to_end", 1.1);
    within &= vtx::bench::PrintRatio(times, "find_previous_any_case_vs_find_next_exact_1GiB",
                                     "replace/find_previous_any_case", "replace/find_next_exact", 1.25);
    if (boxes.Count() > 0) {
        std::fprintf(stderr, "unexpected message: %s\n", boxes.Last().toLocal8Bit().constData());
        return 1;
    }
    return within ? 0 : 1;
}

int main(int argc, char** argv)
{
    return vtx::bench::RunInterleaved(argc, argv, "bench_replace", Run);
}
