// Benchmarks of comparing two files. Next Difference must run at the speed of the disk:
// through two identical 1 GiB files it is timed against GNU cmp on the same files, and
// through two 64 GiB sparse images that differ only in their last byte it must beat cmp by
// far, because the holes both files share are stepped over without reading.
//
// The files live in a fresh directory under /tmp that is removed at the end.

// this program
#include "bench/BenchRatios.h"
#include "bench/BenchScratch.h"
#include "document/CVantorixDoc.h"
#include "framework/MessageBox.h"
#include "tools/compare/CompareTool.h"

// Qt
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
    vtx::MessageBoxRecorder boxes;
    benchmark::Initialize(&argc, argv);
    ScratchDir dir("vantorix-bench-compare");

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

    vtx::bench::RatioReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();

    bool within = true;
    within &= vtx::bench::PrintRatio(times, "compare_next_1GiB_identical_vs_cmp", "compare_1GiB/next", "compare_1GiB/cmp", 1.2);
    within &= vtx::bench::PrintRatio(times, "compare_next_64GiB_sparse_vs_cmp_first_GiB", "compare_64GiB_sparse/next",
                                     "compare_64GiB_sparse/cmp_first_GiB", 0.1);
    return within ? 0 : 1;
}
