#pragma once
// What every bench program shares: Google Benchmark's table goes to stderr, and the
// program ends by printing its ratios on stdout, one line each, in the form that
// bench/run.sh collects:
//     name: ratio X (limit Y)      checked: the run fails when X > Y
//     name: ratio X (limit none)   reported only
//     name: figure free text       a measured figure that is not a ratio
// Times are the fastest repetition of each benchmark (by its registered name): on a shared
// machine the fastest run is the one least disturbed by others. A ratio compares either
// real time (wall clock, or the benchmark's manual time) or the process's CPU time, which
// leaves out the time the program waited while other programs ran.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace vtx::bench {

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    RatioReporter() : benchmark::ConsoleReporter(OO_Tabular) { SetOutputStream(&std::cerr); }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        benchmark::ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const double unit = UnitsPerSecond(run.time_unit);
            Keep(m_fastestReal, run.run_name.function_name, run.GetAdjustedRealTime() / unit);
            Keep(m_fastestCpu, run.run_name.function_name, run.GetAdjustedCPUTime() / unit);
        }
    }

    enum class Clock { Real, Cpu };

    // Seconds per iteration of the fastest repetition; NaN when the benchmark did not run.
    [[nodiscard]] double Seconds(const std::string& name, Clock clock = Clock::Real) const
    {
        const auto& fastest = clock == Clock::Real ? m_fastestReal : m_fastestCpu;
        const auto it = fastest.find(name);
        return it == fastest.end() ? std::numeric_limits<double>::quiet_NaN() : it->second;
    }

private:
    static double UnitsPerSecond(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kNanosecond: return 1e9;
        case benchmark::kMicrosecond: return 1e6;
        case benchmark::kMillisecond: return 1e3;
        case benchmark::kSecond: return 1;
        }
        return 1e9;
    }

    static void Keep(std::map<std::string, double>& fastest, const std::string& name, double seconds)
    {
        auto [it, inserted] = fastest.try_emplace(name, seconds);
        if (!inserted)
            it->second = std::min(it->second, seconds);
    }

    std::map<std::string, double> m_fastestReal;
    std::map<std::string, double> m_fastestCpu;
};

// Prints "name: ratio X (limit Y)" for numerator / denominator when both benchmarks ran;
// returns false when the ratio is over its limit (limit <= 0: reported only).
inline bool PrintRatio(const RatioReporter& times, const std::string& name,
                       const std::string& numerator, const std::string& denominator, double limit,
                       RatioReporter::Clock clock = RatioReporter::Clock::Real)
{
    const double top = times.Seconds(numerator, clock);
    const double bottom = times.Seconds(denominator, clock);
    if (!(top == top) || !(bottom == bottom) || bottom <= 0)
        return true; // filtered out or failed: nothing to say
    const double ratio = top / bottom;
    if (limit > 0)
        std::printf("%s: ratio %.3f (limit %.2f)\n", name.c_str(), ratio, limit);
    else
        std::printf("%s: ratio %.3f (limit none)\n", name.c_str(), ratio);
    std::fflush(stdout);
    return limit <= 0 || ratio <= limit;
}

inline void PrintFigure(const std::string& name, const std::string& text)
{
    std::printf("%s: figure %s\n", name.c_str(), text.c_str());
    std::fflush(stdout);
}

// A benchmark program's main: Google Benchmark set up with random interleaving (first, so
// that an explicit flag on the command line still wins), then `run`; an exception is told
// under the program's name and fails the run.
inline int RunInterleaved(int argc, char** argv, const char* program, int (*run)())
{
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    try {
        return run();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s: %s\n", program, failure.what());
        return 1;
    }
}

} // namespace vtx::bench
