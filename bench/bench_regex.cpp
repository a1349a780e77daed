// Benchmarks of the regular-expression search over 1 GiB: a pattern without a literal and a
// pattern led by one, each against `grep -c -a -P` over the same file, and the literal-led
// one (a Find Next through the document's search, as the program runs it) against the exact
// search for its literal. The file is lines of random words with a
// run of high bytes every few KiB and the literal's one match near the end; it lives in a
// fresh directory under /tmp that is removed at the end.

// this program
#include "bench/BenchRatios.h"
#include "bench/BenchScratch.h"
#include "document/CVantorixDoc.h"
#include "document/DocumentSearch.h"
#include "document/RegexSearch.h"
#include "framework/MessageBox.h"

// std
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

namespace {

using vtx::CVantorixDoc;
using vtx::FilePos;

constexpr std::int64_t kFileSize = std::int64_t{1} << 30;
constexpr int kRepeats = 5;
const std::string kLiteral = "vantorixmark";
const std::string kLiteralLed = "vantorixmark[0-9]{3,6}z";
const std::string kLiteralFree = R"([\x80-\xFF]{16})";

std::string MakeFile(const vtx::bench::ScratchDir& dir, FilePos& markAt)
{
    std::mt19937 random(77);
    std::string chunk;
    chunk.reserve(1 << 20);
    std::size_t lineStart = 0;
    std::size_t lastRun = 0;
    while (chunk.size() < (1u << 20) - 64) {
        const int letters = 2 + static_cast<int>(random() % 8);
        for (int i = 0; i < letters; ++i)
            chunk.push_back(static_cast<char>('a' + random() % 26));
        if (chunk.size() - lastRun > 4000) {
            // 16 to 20 bytes above 0x7F: one match of the literal-free pattern each.
            const int run = 16 + static_cast<int>(random() % 5);
            for (int i = 0; i < run; ++i)
                chunk.push_back(static_cast<char>(0x80 + random() % 128));
            lastRun = chunk.size();
        }
        const bool endLine = chunk.size() - lineStart > 60;
        chunk.push_back(endLine ? '\n' : ' ');
        if (endLine)
            lineStart = chunk.size();
    }
    chunk.resize(1u << 20, '\n');
    const std::string path = dir.File("regex.bin");
    std::ofstream out(path, std::ios::binary);
    for (std::int64_t written = 0; written < kFileSize; written += static_cast<std::int64_t>(chunk.size()))
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    markAt = static_cast<FilePos>(kFileSize - 5000);
    out.seekp(static_cast<std::streamoff>(markAt));
    out << '\n' << kLiteral << "12345z\n";
    ++markAt;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
    return path;
}

vtx::RegexReader Reader(CVantorixDoc* doc)
{
    return [doc](std::uint8_t* buffer, std::uint32_t count, FilePos position) {
        return doc->ReadPresented(buffer, count, position);
    };
}

void CountAll(benchmark::State& state, CVantorixDoc* doc, const vtx::RegexPattern* pattern)
{
    const FilePos length = doc->GetFileLength();
    for (auto _ : state) {
        std::uint64_t count = 0;
        const vtx::RegexScanResult end = vtx::FindRegexAll(*pattern, Reader(doc), {0, length, length}, [&](vtx::ByteRange) {
            ++count;
            return true;
        });
        if (!end.Found() || count < 1000) {
            state.SkipWithError("wrong count");
            break;
        }
        benchmark::DoNotOptimize(count);
    }
}

void FindRegex(benchmark::State& state, CVantorixDoc* doc, FilePos expected)
{
    const QString text = QString::fromStdString(kLiteralLed);
    for (auto _ : state) {
        // Find Next from the start of the file, as the view runs it for the Regular
        // Expression type (the pattern is compiled once and kept).
        const vtx::FindResult found = vtx::DocumentSearch(*doc).Find(text, {vtx::SearchType::Regex, true}, 0,
                                                                     vtx::SearchDirection::Forward);
        if (found.position != static_cast<std::int64_t>(expected)) {
            state.SkipWithError("wrong search result");
            break;
        }
    }
}

void FindExact(benchmark::State& state, CVantorixDoc* doc, const vtx::SearchPattern* pattern, FilePos expected)
{
    for (auto _ : state) {
        const vtx::FindResult found = vtx::DocumentSearch(*doc).FindAround(*pattern, 0, vtx::SearchDirection::Forward);
        if (found.position != static_cast<std::int64_t>(expected)) {
            state.SkipWithError("wrong search result");
            break;
        }
    }
}

void Grep(benchmark::State& state, const std::string& command)
{
    for (auto _ : state) {
        // grep -c exits with 1 when it counts no line; both patterns have matches.
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("grep failed");
            break;
        }
    }
}

std::shared_ptr<const vtx::RegexPattern> Compile(const std::string& text)
{
    std::string problem;
    auto pattern = vtx::RegexPattern::Compile(text, true, problem);
    if (!pattern)
        throw std::runtime_error(text + ": " + problem);
    return pattern;
}

} // namespace

static int Run()
{
    vtx::MessageBoxRecorder boxes;
    vtx::bench::ScratchDir dir;
    FilePos markAt = 0;
    const std::string path = MakeFile(dir, markAt);
    auto doc = std::make_unique<CVantorixDoc>();
    if (!doc->OnOpenDocument(QString::fromStdString(path)))
        throw std::runtime_error("cannot open " + path);

    const auto literalFree = Compile(kLiteralFree);
    const vtx::SearchPattern exact = vtx::EncodeSearchPattern(kLiteral, vtx::SearchType::Ascii);
    // Not to /dev/null: GNU grep stops at the first match when its output goes nowhere.
    const std::string counted = dir.File("grep.out");
    const auto grep = [&path, &counted](const std::string& pattern) {
        return "LC_ALL=C grep -c -a -P '" + pattern + "' '" + path + "' > '" + counted + "'";
    };

    using benchmark::RegisterBenchmark;
    const auto timed = [](benchmark::internal::Benchmark* b) {
        b->Repetitions(kRepeats)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
    };
    timed(RegisterBenchmark("regex/literal_free", CountAll, doc.get(), literalFree.get()));
    timed(RegisterBenchmark("regex/grep_literal_free", Grep, grep(kLiteralFree)));
    timed(RegisterBenchmark("regex/literal_led", FindRegex, doc.get(), markAt));
    timed(RegisterBenchmark("regex/grep_literal_led", Grep, grep(kLiteralLed)));
    timed(RegisterBenchmark("regex/exact_literal", FindExact, doc.get(), &exact, markAt));

    vtx::bench::RatioReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();

    bool within = true;
    within &= vtx::bench::PrintRatio(times, "regex_literal_free_vs_grep_P", "regex/literal_free",
                                     "regex/grep_literal_free", 1.5);
    within &= vtx::bench::PrintRatio(times, "regex_literal_led_vs_grep_P", "regex/literal_led",
                                     "regex/grep_literal_led", 1.5);
    within &= vtx::bench::PrintRatio(times, "regex_literal_led_vs_exact_search", "regex/literal_led",
                                     "regex/exact_literal", 1.5);
    if (boxes.Count() > 0) {
        std::fprintf(stderr, "unexpected message: %s\n", boxes.Last().toLocal8Bit().constData());
        return 1;
    }
    return within ? 0 : 1;
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    try {
        return Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_regex: %s\n", e.what());
        return 2;
    }
}
