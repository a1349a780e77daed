// The tools on 1 GiB against the system's own tools on the same file, measured in one run:
// SHA-256 beside `openssl dgst -sha256`, CRC-32 beside Python's zlib.crc32, all six checksums
// in one pass beside the slowest of them alone, and Save Selection As of the whole file
// beside `cp` plus an fsync of the copy. The file is real data (in the page cache after the
// first pass, for both sides alike), made under /tmp and removed at the end.
//
// Hashing is work for the processor alone, so SHA-256 and CRC-32 are compared on CPU time
// (user and system, ours from this process with all its threads, theirs from the child
// process): on a shared machine the wall clock mostly measures the other programs. The
// one-pass ratio is about using several processors at once and Save Selection As about
// the disk, so those two are wall-clock ratios; they need a machine that is not busy.
// Beside the one-pass ratio the program prints its floor on this machine (the six hashes'
// processor time over the processors there are, against the slowest alone) and the same
// ratio taken from processor time, which a busy machine does not distort.

#include "bench/BenchRatios.h"
#include "bench/BenchScratch.h"
#include "document/CVantorixDoc.h"
#include "framework/MessageBox.h"
#include "tools/checksum/ChecksumTool.h"
#include "tools/saveselection/SaveSelection.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

using vtx::ChecksumAlgorithm;
using vtx::CVantorixDoc;
using vtx::FilePos;

constexpr FilePos kGiB = FilePos{1} << 30;
constexpr int kRepeats = 3;

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// User plus system time of this process (every thread) or of its finished children.
double CpuSeconds(int who)
{
    rusage usage{};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

enum class Clock { Wall, Cpu };

void Shell(benchmark::State& state, const std::string& command, Clock clock)
{
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu = CpuSeconds(RUSAGE_CHILDREN);
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            break;
        }
        state.SetIterationTime(clock == Clock::Cpu ? CpuSeconds(RUSAGE_CHILDREN) - cpu : Seconds(start));
    }
}

void Checksums(benchmark::State& state, CVantorixDoc* doc, std::vector<ChecksumAlgorithm> algorithms, Clock clock)
{
    const vtx::ChecksumTool tool(std::move(algorithms));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu = CpuSeconds(RUSAGE_SELF);
        const vtx::ChecksumOutcome outcome = tool.Compute(*doc, {0, doc->GetFileLength()});
        state.SetIterationTime(clock == Clock::Cpu ? CpuSeconds(RUSAGE_SELF) - cpu : Seconds(start));
        if (!outcome.scan.Done()) {
            state.SkipWithError("checksum failed");
            break;
        }
    }
}

void SaveSelection(benchmark::State& state, CVantorixDoc* doc, std::string target)
{
    for (auto _ : state) {
        std::filesystem::remove(target);
        const auto start = std::chrono::steady_clock::now();
        const vtx::SaveRangeResult result = vtx::SaveRangeAs(*doc, {0, doc->GetFileLength()}, target);
        state.SetIterationTime(Seconds(start));
        if (!result.Saved()) {
            state.SkipWithError("save selection failed");
            break;
        }
    }
    std::filesystem::remove(target);
}

// The least processor time (user and system) one `cp` plus `sync` took: the copy itself runs
// in the kernel on behalf of cp, so this is what the copy costs apart from waiting.
double g_copyAndSyncCpu = std::numeric_limits<double>::infinity();

void CopyAndSync(benchmark::State& state, std::string source, std::string target)
{
    const std::string command = "cp '" + source + "' '" + target + "' && sync '" + target + "'";
    for (auto _ : state) {
        std::filesystem::remove(target);
        const auto start = std::chrono::steady_clock::now();
        const double cpu = CpuSeconds(RUSAGE_CHILDREN);
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cp failed");
            break;
        }
        state.SetIterationTime(Seconds(start));
        g_copyAndSyncCpu = std::min(g_copyAndSyncCpu, CpuSeconds(RUSAGE_CHILDREN) - cpu);
    }
    std::filesystem::remove(target);
}

// What the one-pass ratio can reach on this machine at best: the processor time all six
// need (each alone, less the reading that each single run pays again) shared over every
// processor, against the slowest one alone. Both in processor time, which other programs
// on a shared machine do not inflate. Also how much of that the one pass really used.
void PrintOnePassFloor(const vtx::bench::RatioReporter& times, const std::vector<std::string>& singles,
                       const std::string& slowest)
{
    using Clock = vtx::bench::RatioReporter::Clock;
    const double read = times.Seconds("wall/checksum/read", Clock::Cpu);
    double needed = read;
    for (const std::string& single : singles)
        needed += times.Seconds(single, Clock::Cpu) - read;
    if (!(needed == needed) || !(times.Seconds(slowest, Clock::Cpu) > 0))
        return; // filtered out or failed: nothing to say
    const auto cores = static_cast<double>(std::max(1u, std::thread::hardware_concurrency()));
    const double floor = std::max(1.0, needed / cores / times.Seconds(slowest, Clock::Cpu));
    std::printf("tools_all_six_checksums_floor_on_%.0f_cores: ratio %.3f (limit none)\n", cores, floor);
    // The one pass's own processor time as if spread evenly over every processor: what its
    // ratio would be on an idle machine if the threads kept every processor busy.
    const double all = times.Seconds("wall/checksum/all", Clock::Cpu);
    std::printf("tools_all_six_checksums_vs_slowest_single_cpu_spread: ratio %.3f (limit none)\n",
                all / cores / times.Seconds(slowest, Clock::Cpu));
    std::printf("tools_all_six_checksums_cpu_vs_singles_summed: ratio %.3f (limit none)\n", all / needed);
    char figure[160];
    std::snprintf(figure, sizeof figure, "%.2f s of processor time for all six, %.2f s for the slowest, %.2f s reading",
                  needed, times.Seconds(slowest, Clock::Cpu), read);
    vtx::bench::PrintFigure("tools_checksum_cpu", figure);
}

std::string MakeData(const vtx::bench::ScratchDir& dir)
{
    const std::string path = dir.File("data.bin");
    std::ofstream out(path, std::ios::binary);
    std::mt19937_64 random(28);
    std::vector<std::uint64_t> block((1u << 20) / sizeof(std::uint64_t));
    for (FilePos written = 0; written < kGiB; written += 1u << 20) {
        for (auto& word : block)
            word = random();
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * sizeof(std::uint64_t)));
    }
    if (!out)
        throw std::runtime_error("cannot write the 1 GiB file under /tmp");
    return path;
}

} // namespace

static int Run()
{
    vtx::MessageBoxRecorder boxes;
    vtx::bench::ScratchDir dir("vantorix-bench-tools");
    const std::string data = MakeData(dir);
    auto doc = std::make_unique<CVantorixDoc>();
    if (!doc->OnOpenDocument(QString::fromStdString(data)))
        throw std::runtime_error("cannot open the 1 GiB file");

    using benchmark::RegisterBenchmark;
    const auto timed = [](benchmark::internal::Benchmark* bench) {
        bench->Repetitions(kRepeats)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    };
    timed(RegisterBenchmark("cpu/sha256/openssl", Shell, "openssl dgst -sha256 '" + data + "' > /dev/null", Clock::Cpu));
    timed(RegisterBenchmark("cpu/crc32/python", Shell,
                            "python3 -c 'import sys, zlib\nf = open(sys.argv[1], \"rb\")\nc = 0\n"
                            "while True:\n    b = f.read(1 << 20)\n    if not b: break\n    c = zlib.crc32(b, c)\n' '" +
                                data + "'",
                            Clock::Cpu));
    timed(RegisterBenchmark("cpu/checksum/SHA-256", Checksums, doc.get(), std::vector{ChecksumAlgorithm::Sha256}, Clock::Cpu));
    timed(RegisterBenchmark("cpu/checksum/CRC-32", Checksums, doc.get(), std::vector{ChecksumAlgorithm::Crc32}, Clock::Cpu));
    // Wall-clock times, with the process's processor time beside them (every thread).
    const auto timedWithCpu = [&timed](benchmark::internal::Benchmark* bench) { timed(bench->MeasureProcessCPUTime()); };
    std::vector<std::string> singles;
    for (const ChecksumAlgorithm algorithm : vtx::kAllChecksums) {
        singles.push_back(std::string("wall/checksum/") + vtx::ChecksumName(algorithm));
        timedWithCpu(RegisterBenchmark(singles.back().c_str(), Checksums, doc.get(), std::vector<ChecksumAlgorithm>{algorithm}, Clock::Wall));
    }
    // The reading alone, which every single run above pays once more.
    timedWithCpu(RegisterBenchmark("wall/checksum/read", Checksums, doc.get(), std::vector<ChecksumAlgorithm>{}, Clock::Wall));
    timedWithCpu(RegisterBenchmark("wall/checksum/all", Checksums, doc.get(),
                                   std::vector<ChecksumAlgorithm>(vtx::kAllChecksums.begin(), vtx::kAllChecksums.end()), Clock::Wall));
    timed(RegisterBenchmark("save_selection/ours", SaveSelection, doc.get(), dir.File("ours.bin"))->MeasureProcessCPUTime());
    timed(RegisterBenchmark("save_selection/cp", CopyAndSync, data, dir.File("cp.bin")));

    vtx::bench::RatioReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);

    bool within = true;
    within &= vtx::bench::PrintRatio(times, "tools_sha256_1GiB_vs_openssl_cpu", "cpu/checksum/SHA-256", "cpu/sha256/openssl", 1.2);
    within &= vtx::bench::PrintRatio(times, "tools_crc32_1GiB_vs_python_zlib_cpu", "cpu/checksum/CRC-32", "cpu/crc32/python", 1.2);
    std::string slowest;
    for (const std::string& single : singles)
        if (slowest.empty() || times.Seconds(single) > times.Seconds(slowest))
            slowest = single;
    within &= vtx::bench::PrintRatio(times, "tools_all_six_checksums_vs_slowest_single", "wall/checksum/all", slowest, 1.2);
    if (times.Seconds(slowest) > 0) {
        vtx::bench::PrintFigure("tools_slowest_single_checksum", slowest);
        PrintOnePassFloor(times, singles, slowest);
    }
    within &= vtx::bench::PrintRatio(times, "tools_save_selection_1GiB_vs_cp_fsync", "save_selection/ours", "save_selection/cp", 1.2);
    // The same two in processor time, which a busy machine distorts far less than the wall
    // clock of a run that mostly waits for the disk.
    const double oursCpu = times.Seconds("save_selection/ours", vtx::bench::RatioReporter::Clock::Cpu);
    if (oursCpu == oursCpu && g_copyAndSyncCpu > 0 && g_copyAndSyncCpu < std::numeric_limits<double>::infinity())
        std::printf("tools_save_selection_1GiB_vs_cp_fsync_cpu: ratio %.3f (limit none)\n", oursCpu / g_copyAndSyncCpu);

    if (boxes.Count() > 0) {
        std::fprintf(stderr, "unexpected message: %s\n", boxes.Last().toLocal8Bit().constData());
        return 1;
    }
    return within ? 0 : 1;
}

int main(int argc, char** argv)
{
    return vtx::bench::RunInterleaved(argc, argv, "bench_tools", Run);
}
