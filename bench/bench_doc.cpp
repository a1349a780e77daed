// Benchmarks of the document. What an operation costs must follow what the user does, not
// how large the file is, so each ratio puts the same work on a large and a small file side
// by side (or our search beside GNU grep on the same file), measured in one run.
//
// The 64 GiB and 8 GiB files are sparse (made with truncate: no disk space, reads of holes
// give zeros); the 1 GiB search file is real text, because grep treats a file of zeros as
// binary data. Every file lives in a fresh directory under /tmp that is removed at the end.

// this program
#include "document/CVantorixDoc.h"
#include "bench/BenchRatios.h"
#include "bench/BenchScratch.h"
#include "framework/MessageBox.h"

// std
#include <array>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using vtx::CVantorixDoc;
using vtx::SearchType;
using vtx::bench::ScratchDir;

constexpr std::int64_t kGiB = std::int64_t{1} << 30;
constexpr std::int64_t kLargeFile = kGiB * 64;
// Search speed per GiB is compared between these two sizes.
constexpr std::int64_t kScanSmall = kGiB;
constexpr std::int64_t kScanLarge = kGiB * 8;
constexpr std::int64_t kSearchFile = kGiB;
constexpr std::uint32_t kRowBytes = 16;
constexpr std::uint32_t kScreenRows = 60;
constexpr int kPendingElsewhere = 1000000;
constexpr int kSavedChanges = 1000;
const std::string kNeedle = "quietly vantorix needle";
// Put near the start for Find Previous: as long as kNeedle, and not a match of it.
const std::string kNeedleNearStart = "quietly vantorix needlf";
// The two sides of each ratio run in many short slices, interleaved at random, so that the
// load of other programs on this shared machine falls on both sides alike.
constexpr int kRepeats = 12;
constexpr double kSliceSeconds = 0.05;
constexpr int kSearchRepeats = 5;

// Lines of random lower-case words; the needle and its UTF-16 form are put near the end.
std::string MakeSearchFile(const ScratchDir& dir, vtx::FilePos& asciiAt, vtx::FilePos& unicodeAt)
{
    std::mt19937 random(1234);
    std::string chunk;
    chunk.reserve(1 << 20);
    std::size_t lineStart = 0;
    while (chunk.size() < (1u << 20) - 16) {
        const int letters = 2 + static_cast<int>(random() % 8);
        for (int i = 0; i < letters; ++i)
            chunk.push_back(static_cast<char>('a' + random() % 26));
        const bool endLine = chunk.size() - lineStart > 60;
        chunk.push_back(endLine ? '\n' : ' ');
        if (endLine)
            lineStart = chunk.size();
    }
    chunk.resize(1u << 20, '\n');

    const std::string path = dir.File("search.txt");
    std::ofstream out(path, std::ios::binary);
    for (std::int64_t written = 0; written < kSearchFile; written += static_cast<std::int64_t>(chunk.size()))
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    asciiAt = static_cast<vtx::FilePos>(kSearchFile - 4096);
    unicodeAt = static_cast<vtx::FilePos>(kSearchFile - 2048);
    out.seekp(static_cast<std::streamoff>(asciiAt));
    out << '\n' << kNeedle << '\n';
    ++asciiAt;
    std::string wide;
    for (char c : kNeedle)
        wide += std::string{c, '\0'};
    out.seekp(static_cast<std::streamoff>(unicodeAt));
    out << '\n' << wide << '\n';
    ++unicodeAt;
    out.seekp(4096);
    out << '\n' << kNeedleNearStart << '\n';
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
    return path;
}

std::unique_ptr<CVantorixDoc> Open(const std::string& path)
{
    auto doc = std::make_unique<CVantorixDoc>();
    if (!doc->OnOpenDocument(QString::fromStdString(path)))
        throw std::runtime_error("cannot open " + path);
    return doc;
}

void ReadScreen(CVantorixDoc& doc)
{
    std::array<std::uint8_t, kRowBytes> row{};
    for (std::uint32_t r = 0; r < kScreenRows; ++r)
        benchmark::DoNotOptimize(doc.ReadBytes(row.data(), kRowBytes, r * kRowBytes));
}

// Opening a file and drawing its first screen: 60 rows of 16 bytes.
void OpenFirstScreen(benchmark::State& state, const std::string& path)
{
    const QString name = QString::fromStdString(path);
    for (auto _ : state) {
        CVantorixDoc doc;
        if (!doc.OnOpenDocument(name)) {
            state.SkipWithError("open failed");
            break;
        }
        ReadScreen(doc);
    }
}

double ThreadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::int64_t ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    std::int64_t size = 0;
    std::int64_t resident = 0;
    statm >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE) / 1024;
}

// Resident memory that opening the file and reading its first screen adds.
std::int64_t ResidentGrowthKiB(const std::string& path)
{
    const std::int64_t before = ResidentKiB();
    auto doc = Open(path);
    ReadScreen(*doc);
    return ResidentKiB() - before;
}

// The peak resident memory of this process so far (VmHWM).
std::int64_t PeakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atoll(line.c_str() + 6);
    }
    return -1;
}

// Starts the peak over from the memory resident now (Linux: clear_refs 5). False where the
// system cannot.
bool ResetPeakResident()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

constexpr const char* kPeakOption = "--peak-rss-of=";
// The same for a fresh process that fills 4 GiB of the file and saves it.
constexpr const char* kPeakFillSaveOption = "--peak-rss-of-fill-save=";
// And for one that pastes 16 MiB: how far above the open document the paste takes it.
constexpr const char* kPeakPasteOption = "--peak-rss-of-paste=";

// The peak resident memory of a fresh process that opens the file and reads its first
// screen: this program run again with kPeakOption, so nothing measured before counts.
std::int64_t PeakResidentOfOpenKiB(const std::string& path, const char* what = kPeakOption)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        const std::string option = what + path;
        ::execl("/proc/self/exe", "bench_doc", option.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string out;
    char buffer[64];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::atoll(out.c_str());
}

void ReadRow(benchmark::State& state, CVantorixDoc* doc, vtx::FilePos position)
{
    std::array<std::uint8_t, kRowBytes> row{};
    for (auto _ : state)
        benchmark::DoNotOptimize(doc->ReadBytes(row.data(), kRowBytes, position));
}

void FindFromStart(benchmark::State& state, CVantorixDoc* doc, SearchType type,
                   const QString& text, std::int64_t expected)
{
    for (auto _ : state) {
        QString problem;
        const vtx::SearchPattern pattern = vtx::DocumentSearch::Encode(text, {type, true}, problem);
        if (vtx::DocumentSearch(*doc).ScanRange(pattern, 0, vtx::kMaxFilePos, vtx::SearchDirection::Forward).position !=
            expected) {
            state.SkipWithError("wrong search result");
            break;
        }
    }
}

// The search from a caret, as Find Next and Find Previous run it, over the whole file.
void FindAround(benchmark::State& state, CVantorixDoc* doc, const vtx::SearchPattern* pattern,
                vtx::FilePos caret, vtx::SearchDirection direction, std::int64_t expected)
{
    for (auto _ : state) {
        const vtx::FindResult found = vtx::DocumentSearch(*doc).FindAround(*pattern, caret, direction);
        if (found.position != expected || found.wrapped) {
            state.SkipWithError("wrong search result");
            break;
        }
    }
}

// A search through the whole of a file that holds no match, timed as CPU seconds per GiB
// searched: the per-GiB speed must not fall as files grow.
void ScanPerGiB(benchmark::State& state, CVantorixDoc* doc, const vtx::SearchPattern* pattern)
{
    const double gib = static_cast<double>(doc->GetFileLength()) / static_cast<double>(kGiB);
    for (auto _ : state) {
        const double start = ThreadCpuSeconds();
        const vtx::FindResult found = vtx::DocumentSearch(*doc).FindAround(*pattern, 0, vtx::SearchDirection::Forward);
        state.SetIterationTime((ThreadCpuSeconds() - start) / gib);
        if (found.position >= 0) {
            state.SkipWithError("found a match in a file of zeros");
            break;
        }
    }
}

void Grep(benchmark::State& state, const std::string& command)
{
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("grep failed");
            break;
        }
    }
}

// Saving in place: the changes are made outside the timed part; the save's CPU time
// (user and kernel) is what counts.
void SaveInPlace(benchmark::State& state, CVantorixDoc* doc, const std::vector<vtx::FilePos>* positions)
{
    std::uint8_t round = 0;
    for (auto _ : state) {
        ++round;
        for (const vtx::FilePos p : *positions)
            doc->SetByte(static_cast<std::uint8_t>(p ^ round), p);
        const double start = ThreadCpuSeconds();
        const bool saved = doc->OnSaveDocument(doc->GetPath());
        state.SetIterationTime(ThreadCpuSeconds() - start);
        if (!saved) {
            state.SkipWithError("save failed");
            break;
        }
    }
}

// The changes come in clusters of four within 64 bytes, 250 clusters spread over the
// file. A save ends in fsync, whose cost grows with the pages it has to write: spread one
// to a cluster, the changes would dirty 1,000 pages of a large file but only the 256 pages
// a 1 MiB file has, and the ratio would measure that difference, not the file's size.
std::vector<vtx::FilePos> ScatteredPositions(std::int64_t length)
{
    constexpr int kPerCluster = 4;
    std::mt19937_64 random(99);
    std::vector<vtx::FilePos> positions;
    const std::int64_t stride = length / (kSavedChanges / kPerCluster);
    for (int cluster = 0; cluster < kSavedChanges / kPerCluster; ++cluster) {
        const std::int64_t base = cluster * stride + static_cast<std::int64_t>(random() % (stride - 64));
        for (int i = 0; i < kPerCluster; ++i)
            positions.push_back(static_cast<vtx::FilePos>(base + i * 16));
    }
    return positions;
}

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

constexpr std::uint32_t kPasteBytes = 16u << 20;

std::vector<std::uint8_t> PasteBytes(std::uint8_t round)
{
    std::vector<std::uint8_t> bytes(kPasteBytes);
    for (std::size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = static_cast<std::uint8_t>(k * 31 + round);
    return bytes;
}

// A 16 MiB paste, its Undo and its Redo, each timed on its own (real time).
void PasteStep(benchmark::State& state, CVantorixDoc* doc, int which)
{
    const std::vector<std::uint8_t> bytes = PasteBytes(7);
    for (auto _ : state) {
        const double start = Now();
        if (which == 0) {
            doc->SetBytes(bytes.data(), kPasteBytes, kGiB / 2);
            state.SetIterationTime(Now() - start);
            doc->Undo();
        } else {
            doc->SetBytes(bytes.data(), kPasteBytes, kGiB / 2);
            if (which == 2)
                doc->Undo();
            const double timed = Now();
            which == 1 ? doc->Undo() : doc->Redo();
            state.SetIterationTime(Now() - timed);
            if (which == 2)
                doc->Undo();
        }
    }
}

// Save of a 16 MiB paste into a fresh document on the 1 GiB file, against the floor: one
// positioned write of the same bytes and fsync.
void SavePaste(benchmark::State& state, const std::string* path)
{
    std::uint8_t round = 0;
    for (auto _ : state) {
        const std::vector<std::uint8_t> bytes = PasteBytes(++round);
        auto doc = Open(*path);
        doc->SetBytes(bytes.data(), kPasteBytes, kGiB / 2);
        const double start = Now();
        const bool saved = doc->OnSaveDocument(doc->GetPath());
        state.SetIterationTime(Now() - start);
        if (!saved) {
            state.SkipWithError("save failed");
            break;
        }
    }
}

void WritePasteFloor(benchmark::State& state, const std::string* path)
{
    std::uint8_t round = 0;
    for (auto _ : state) {
        const std::vector<std::uint8_t> bytes = PasteBytes(++round);
        const int fd = ::open(path->c_str(), O_RDWR);
        const double start = Now();
        const bool ok = ::pwrite(fd, bytes.data(), bytes.size(), kGiB / 2) == static_cast<ssize_t>(bytes.size()) &&
                        ::fsync(fd) == 0;
        state.SetIterationTime(Now() - start);
        ::close(fd);
        if (!ok) {
            state.SkipWithError("write failed");
            break;
        }
    }
}

// The floor under a save of scattered changes: the same bytes, one positioned write per
// change and one fsync, by plain code (CPU time, as the save is measured).
void SaveFloor(benchmark::State& state, const std::string* path, const std::vector<vtx::FilePos>* positions)
{
    std::uint8_t round = 0;
    for (auto _ : state) {
        ++round;
        const int fd = ::open(path->c_str(), O_RDWR);
        const double start = ThreadCpuSeconds();
        bool ok = true;
        for (const vtx::FilePos p : *positions) {
            const auto value = static_cast<std::uint8_t>(p ^ round);
            ok &= ::pwrite(fd, &value, 1, static_cast<off_t>(p)) == 1;
        }
        ok &= ::fsync(fd) == 0;
        state.SetIterationTime(ThreadCpuSeconds() - start);
        ::close(fd);
        if (!ok) {
            state.SkipWithError("write failed");
            break;
        }
    }
}

// Fill and save of 4 GiB inside the 64 GiB file, against dd writing 4 GiB there.
void SaveFill(benchmark::State& state, const std::string* path)
{
    vtx::MessageBoxRecorder boxes;
    for (auto _ : state) {
        auto doc = Open(*path);
        const std::vector<std::uint8_t> pattern{0x5A, 0xA5};
        doc->Fill({kGiB, static_cast<vtx::FilePos>(4 * kGiB)}, pattern);
        boxes.Answer(vtx::MsgResult::Ok); // the fill cannot be undone after the save
        const double start = Now();
        const bool saved = doc->OnSaveDocument(doc->GetPath());
        state.SetIterationTime(Now() - start);
        if (!saved) {
            state.SkipWithError("save failed");
            break;
        }
    }
}

void DdFourGiB(benchmark::State& state, const std::string* path)
{
    const std::string command = "dd if=/dev/zero of='" + *path +
                                "' bs=4M count=1024 seek=256 conv=notrunc,fsync status=none";
    for (auto _ : state) {
        const double start = Now();
        const int status = std::system(command.c_str());
        state.SetIterationTime(Now() - start);
        if (status != 0) {
            state.SkipWithError("dd failed");
            break;
        }
    }
}

bool PrintMemory(const std::string& name, double measured, double limit, const std::string& unit)
{
    std::printf("%s: ratio %.3f (limit %.2f)\n", name.c_str(), measured / limit, 1.0);
    vtx::bench::PrintFigure(name, std::to_string(measured) + " " + unit + ", limit " + std::to_string(limit));
    return measured <= limit;
}

std::string HexText(const std::string& text)
{
    std::string hex;
    char digits[3];
    for (unsigned char c : text) {
        std::snprintf(digits, sizeof digits, "%02X", c);
        hex += digits;
    }
    return hex;
}

} // namespace

static int Run()
{
    // Any message box would be a failure of the set-up; none may wait for a click.
    vtx::MessageBoxRecorder boxes;
    ScratchDir dir;
    // The documents' journals and rollback records go beside the files, never to the
    // user's own state folder.
    ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
    using benchmark::RegisterBenchmark;

    // Open and first screen.
    const std::string small = dir.File("small.bin");
    std::ofstream(small, std::ios::binary) << std::string(1024, 'x');
    const std::string large = dir.Sparse("large.bin", kLargeFile);
    RegisterBenchmark("doc_open/small", OpenFirstScreen, small)->Repetitions(kRepeats)->MinTime(kSliceSeconds);
    RegisterBenchmark("doc_open/large", OpenFirstScreen, large)->Repetitions(kRepeats)->MinTime(kSliceSeconds);

    // A row read with a million pending changes around it, and with none.
    auto plainRows = Open(dir.Sparse("rows-plain.bin", 4 << 20));
    auto busyRows = Open(dir.Sparse("rows-busy.bin", 4 << 20));
    constexpr vtx::FilePos kRow = 1000000;
    for (vtx::FilePos p = 0, made = 0; made < kPendingElsewhere; p += 2) {
        if (p >= kRow && p < kRow + kRowBytes)
            continue;
        busyRows->SetByte(0xEE, p);
        ++made;
    }
    RegisterBenchmark("doc_row/none", ReadRow, plainRows.get(), kRow)->Repetitions(kRepeats)->MinTime(kSliceSeconds);
    RegisterBenchmark("doc_row/million", ReadRow, busyRows.get(), kRow)->Repetitions(kRepeats)->MinTime(kSliceSeconds);

    // Find against grep on a 1 GiB text file whose only match is near its end.
    vtx::FilePos asciiAt = 0;
    vtx::FilePos unicodeAt = 0;
    const std::string text = MakeSearchFile(dir, asciiAt, unicodeAt);
    auto searched = Open(text);
    const QString needle = QString::fromStdString(kNeedle);
    const std::string grep = "LC_ALL=C grep -c -F '" + kNeedle + "' '" + text + "' > /dev/null";
    const auto asciiHit = static_cast<std::int64_t>(asciiAt);
    const auto unicodeHit = static_cast<std::int64_t>(unicodeAt);
    RegisterBenchmark("find/grep", Grep, grep)->Repetitions(kSearchRepeats)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
    RegisterBenchmark("find/ascii", FindFromStart, searched.get(), SearchType::Ascii, needle, asciiHit)
        ->Repetitions(kSearchRepeats)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
    RegisterBenchmark("find/unicode", FindFromStart, searched.get(), SearchType::Unicode, needle, unicodeHit)
        ->Repetitions(kSearchRepeats)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
    RegisterBenchmark("find/hex", FindFromStart, searched.get(), SearchType::Hex,
                      QString::fromStdString(HexText(kNeedle)), asciiHit)
        ->Repetitions(kSearchRepeats)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

    // Find Previous from the end to a match near the start, against Find Next from the start
    // to a match near the end; and ignoring case against matching it.
    const vtx::SearchPattern forwardPattern = vtx::EncodeSearchPattern(kNeedle, SearchType::Ascii);
    const vtx::SearchPattern backwardPattern = vtx::EncodeSearchPattern(kNeedleNearStart, SearchType::Ascii);
    const vtx::SearchPattern anyCasePattern =
        vtx::EncodeSearchPattern("Quietly VANTORIX Needle", SearchType::Ascii, false);
    const auto lastByte = static_cast<vtx::FilePos>(kSearchFile - 1);
    RegisterBenchmark("find/next", FindAround, searched.get(), &forwardPattern, vtx::FilePos{0}, vtx::SearchDirection::Forward, asciiHit)
        ->Repetitions(kSearchRepeats)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
    RegisterBenchmark("find/previous", FindAround, searched.get(), &backwardPattern, lastByte,
                      vtx::SearchDirection::Backward, 4097)
        ->Repetitions(kSearchRepeats)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
    RegisterBenchmark("find/next_any_case", FindAround, searched.get(), &anyCasePattern, vtx::FilePos{0},
                      vtx::SearchDirection::Forward, asciiHit)
        ->Repetitions(kSearchRepeats)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

    // Search speed per GiB through 1 GiB and 8 GiB of zeros.
    auto scanSmall = Open(dir.Sparse("scan-small.bin", kScanSmall, std::string(1, '\0')));
    auto scanLarge = Open(dir.Sparse("scan-large.bin", kScanLarge, std::string(1, '\0')));
    RegisterBenchmark("scan_per_gib/1GiB", ScanPerGiB, scanSmall.get(), &forwardPattern)
        ->Repetitions(kSearchRepeats)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    RegisterBenchmark("scan_per_gib/8GiB", ScanPerGiB, scanLarge.get(), &forwardPattern)
        ->Repetitions(3)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

    // In-place save of 1,000 scattered changes.
    auto saveSmall = Open(dir.Sparse("save-small.bin", 1 << 20));
    auto saveLarge = Open(dir.Sparse("save-large.bin", kLargeFile));
    const std::vector<vtx::FilePos> smallPositions = ScatteredPositions(1 << 20);
    const std::vector<vtx::FilePos> largePositions = ScatteredPositions(kLargeFile);
    RegisterBenchmark("doc_save/small", SaveInPlace, saveSmall.get(), &smallPositions)
        ->Repetitions(kRepeats)->MinTime(kSliceSeconds)->UseManualTime()->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("doc_save/large", SaveInPlace, saveLarge.get(), &largePositions)
        ->Repetitions(kRepeats)->MinTime(kSliceSeconds)->UseManualTime()->Unit(benchmark::kMicrosecond);

    // Runs: a 16 MiB paste into a 1 GiB file, its undo and redo; its save against the floor.
    const std::string pasteFile = dir.Sparse("paste.bin", kGiB);
    auto pasted = Open(pasteFile);
    for (int which = 0; which < 3; ++which) {
        const char* names[] = {"runs/paste", "runs/undo", "runs/redo"};
        RegisterBenchmark(names[which], PasteStep, pasted.get(), which)
            ->Repetitions(5)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);
    }
    // Files of their own: the document above holds its file locked.
    const std::string savePasteFile = dir.Sparse("paste-save.bin", kGiB);
    RegisterBenchmark("runs/save_paste", SavePaste, &savePasteFile)
        ->Repetitions(5)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    RegisterBenchmark("runs/write_floor", WritePasteFloor, &savePasteFile)
        ->Repetitions(5)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    // The floor under the scattered save, on files of the same sizes beside them: written
    // into the documents' own files, the floor would be another program's change to them,
    // which the slices of the save, interleaved with the floor's, stop to ask about.
    const std::string saveSmallPath = dir.Sparse("save-small-floor.bin", 1 << 20);
    const std::string saveLargePath = dir.Sparse("save-large-floor.bin", kLargeFile);
    RegisterBenchmark("doc_save_floor/small", SaveFloor, &saveSmallPath, &smallPositions)
        ->Repetitions(kRepeats)->MinTime(kSliceSeconds)->UseManualTime()->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("doc_save_floor/large", SaveFloor, &saveLargePath, &largePositions)
        ->Repetitions(kRepeats)->MinTime(kSliceSeconds)->UseManualTime()->Unit(benchmark::kMicrosecond);
    // 4 GiB filled in a 64 GiB file and saved, against dd.
    const std::string fillFile = dir.Sparse("fill.bin", kLargeFile);
    RegisterBenchmark("runs/save_fill_4GiB", SaveFill, &fillFile)
        ->Repetitions(2)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    RegisterBenchmark("runs/dd_4GiB", DdFourGiB, &fillFile)
        ->Repetitions(2)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

    vtx::bench::RatioReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();

    bool within = true;
    // CPU time where only this process works; real time against grep, another process.
    constexpr auto kCpu = vtx::bench::RatioReporter::Clock::Cpu;
    within &= vtx::bench::PrintRatio(times, "doc_open_first_screen_64GiB_vs_1KiB", "doc_open/large", "doc_open/small", 1.2, kCpu);
    within &= vtx::bench::PrintRatio(times, "doc_row_read_1M_pending_vs_none", "doc_row/million", "doc_row/none", 2.0, kCpu);
    within &= vtx::bench::PrintRatio(times, "doc_find_ascii_vs_grep", "find/ascii", "find/grep", 1.0);
    within &= vtx::bench::PrintRatio(times, "doc_find_unicode_vs_grep", "find/unicode", "find/grep", 0);
    within &= vtx::bench::PrintRatio(times, "doc_find_hex_vs_grep", "find/hex", "find/grep", 0);
    within &= vtx::bench::PrintRatio(times, "doc_find_previous_vs_next_1GiB", "find/previous", "find/next", 1.2, kCpu);
    within &= vtx::bench::PrintRatio(times, "doc_find_ascii_any_case_vs_exact", "find/next_any_case", "find/next", 1.5, kCpu);
    // Manual time: the CPU time of the save alone.
    // The floor itself grows with the file (the file system's sync of a large sparse file):
    // a figure, not a limit; each save against its own floor is the limit.
    within &= vtx::bench::PrintRatio(times, "doc_save_1000_changes_64GiB_vs_1MiB", "doc_save/large", "doc_save/small", 0);
    within &= vtx::bench::PrintRatio(times, "doc_save_floor_64GiB_vs_1MiB", "doc_save_floor/large", "doc_save_floor/small", 0);
    within &= vtx::bench::PrintRatio(times, "doc_save_1000_changes_vs_floor_1MiB", "doc_save/small", "doc_save_floor/small", 1.2);
    within &= vtx::bench::PrintRatio(times, "doc_save_1000_changes_vs_floor_64GiB", "doc_save/large", "doc_save_floor/large", 1.2);
    within &= vtx::bench::PrintRatio(times, "runs_undo_16MiB_paste_vs_paste", "runs/undo", "runs/paste", 1.5);
    within &= vtx::bench::PrintRatio(times, "runs_redo_16MiB_paste_vs_paste", "runs/redo", "runs/paste", 1.5);
    within &= vtx::bench::PrintRatio(times, "runs_save_16MiB_paste_vs_pwrite_fsync", "runs/save_paste", "runs/write_floor", 1.5);
    // Speed against dd is the inverse of time: save time / dd time <= 1 / 0.8.
    within &= vtx::bench::PrintRatio(times, "runs_save_4GiB_fill_vs_dd", "runs/save_fill_4GiB", "runs/dd_4GiB", 1.25);

    // Memory of pending runs, each in a fresh document; the paste's peak in a fresh process,
    // where no buffer an earlier benchmark freed is there to be taken again.
    {
        const std::int64_t growthKiB = PeakResidentOfOpenKiB(dir.Sparse("paste-memory.bin", kGiB), kPeakPasteOption);
        if (growthKiB < 0) {
            std::fprintf(stderr, "bench_doc: the peak memory of the paste could not be measured\n");
            within = false;
        } else {
            within &= PrintMemory("runs_memory_16MiB_paste_in_paste_sizes",
                                  static_cast<double>(growthKiB) * 1024 / kPasteBytes, 2.5, "times the paste");
        }
    }
    {
        auto doc = Open(dir.Sparse("scattered.bin", 4 << 20));
        const std::int64_t before = ResidentKiB();
        for (vtx::FilePos p = 0; p < 2 * static_cast<vtx::FilePos>(kPendingElsewhere); p += 2)
            doc->SetByte(0xEE, p);
        const double perChange = static_cast<double>(ResidentKiB() - before) * 1024 / kPendingElsewhere;
        within &= PrintMemory("runs_memory_per_scattered_change", perChange, 64, "bytes per change");
    }
    {
        auto doc = Open(large);
        const std::int64_t before = ResidentKiB();
        const double start = Now();
        const bool filled = doc->Fill({kGiB, static_cast<vtx::FilePos>(4 * kGiB)}, {0x5A});
        doc->Undo();
        const double seconds = Now() - start;
        const double growthKiB = static_cast<double>(ResidentKiB() - before);
        within &= filled;
        within &= PrintMemory("runs_fill_4GiB_and_undo_ms", seconds * 1000, 10, "ms");
        within &= PrintMemory("runs_fill_4GiB_memory_KiB", std::max(growthKiB, 0.0), 1024, "KiB");
    }
    {
        // The save of a 4 GiB fill holds a block of the old bytes at a time, not all of them.
        const std::int64_t peakOpen = PeakResidentOfOpenKiB(fillFile);
        const std::int64_t peakSave = PeakResidentOfOpenKiB(fillFile, kPeakFillSaveOption);
        if (peakOpen <= 0 || peakSave <= 0) {
            std::fprintf(stderr, "bench_doc: the peak memory of the fill's save could not be measured\n");
            within = false;
        } else {
            within &= PrintMemory("runs_save_fill_4GiB_peak_rss_above_open_MiB",
                                  static_cast<double>(peakSave - peakOpen) / 1024, 64, "MiB");
        }
    }
    within &= vtx::bench::PrintRatio(times, "doc_search_per_GiB_8GiB_vs_1GiB", "scan_per_gib/8GiB", "scan_per_gib/1GiB", 1.1);

    // Memory: opening must not grow with the file. Measured after the benchmarks, so that
    // code and allocator pools are already warm for both.
    const std::int64_t growthSmall = ResidentGrowthKiB(small);
    const std::int64_t growthLarge = ResidentGrowthKiB(large);
    vtx::bench::PrintFigure("doc_open_rss_growth", "64 GiB file +" + std::to_string(growthLarge) +
                                                       " KiB, 1 KiB file +" + std::to_string(growthSmall) + " KiB");
    within &= growthLarge - growthSmall <= 256;
    // And the whole process's peak, in a fresh process for each file.
    const std::int64_t peakSmall = PeakResidentOfOpenKiB(small);
    const std::int64_t peakLarge = PeakResidentOfOpenKiB(large);
    if (peakSmall <= 0 || peakLarge <= 0) {
        std::fprintf(stderr, "bench_doc: the peak memory of a fresh process could not be measured\n");
        within = false;
    } else {
        const double peakRatio = static_cast<double>(peakLarge) / static_cast<double>(peakSmall);
        std::printf("doc_open_peak_rss_64GiB_vs_1KiB: ratio %.3f (limit 1.1)\n", peakRatio);
        vtx::bench::PrintFigure("doc_open_peak_rss", "64 GiB file " + std::to_string(peakLarge) + " KiB, 1 KiB file " +
                                                         std::to_string(peakSmall) + " KiB");
        within &= peakRatio <= 1.1;
    }

    if (boxes.Count() > 0) {
        std::fprintf(stderr, "unexpected message: %s\n", boxes.Last().toLocal8Bit().constData());
        return 1;
    }
    return within ? 0 : 1;
}

// Opens the file, reads its first screen and prints the peak resident memory in KiB.
int PeakOfOpen(const std::string& path)
{
    vtx::MessageBoxRecorder boxes;
    auto doc = Open(path);
    ReadScreen(*doc);
    std::printf("%lld\n", static_cast<long long>(PeakResidentKiB()));
    return 0;
}

// Fills 4 GiB of the file from 1 GiB on, saves, and prints the peak resident memory in KiB:
// the save streams the old bytes to its rollback record, it never holds them.
int PeakOfFillSave(const std::string& path)
{
    vtx::MessageBoxRecorder boxes;
    boxes.Answer(vtx::MsgResult::Ok); // the fill cannot be undone after the save
    auto doc = Open(path);
    const std::vector<std::uint8_t> pattern{0x3C, 0xC3};
    if (!doc->Fill({kGiB, static_cast<vtx::FilePos>(4 * kGiB)}, pattern) || !doc->OnSaveDocument(doc->GetPath()))
        return 1;
    std::printf("%lld\n", static_cast<long long>(PeakResidentKiB()));
    return 0;
}

// Opens the file, pastes 16 MiB and prints in KiB how far the paste took resident memory
// above what the open document held (the pasted bytes' own buffer came before).
int PeakOfPaste(const std::string& path)
{
    vtx::MessageBoxRecorder boxes;
    auto doc = Open(path);
    const std::vector<std::uint8_t> bytes = PasteBytes(3);
    const std::int64_t before = ResidentKiB();
    if (!ResetPeakResident() || doc->SetBytes(bytes.data(), kPasteBytes, kGiB / 4) != kPasteBytes)
        return 1;
    std::printf("%lld\n", static_cast<long long>(PeakResidentKiB() - before));
    return 0;
}

int main(int argc, char** argv)
{
    // The child processes of the peak measurements, each with its option.
    const std::pair<const char*, int (*)(const std::string&)> children[] = {
        {kPeakFillSaveOption, PeakOfFillSave}, {kPeakPasteOption, PeakOfPaste}, {kPeakOption, PeakOfOpen}};
    for (const auto& [option, measure] : children) {
        if (argc != 2 || std::string(argv[1]).rfind(option, 0) != 0)
            continue;
        try {
            return measure(argv[1] + std::strlen(option));
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "bench_doc: %s\n", failure.what());
            return 1;
        }
    }
    return vtx::bench::RunInterleaved(argc, argv, "bench_doc", Run); // Run removes its files on every way out
}
