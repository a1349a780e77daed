// What the crash safety costs: typing with the edit journal against typing without it, and
// a save with its rollback record against the same positioned writes and fsync without one
// (on 1 MiB and on a sparse 64 GiB file), and a 16 MiB paste saved against one positioned
// write of 16 MiB plus fsync.

// this program
#include "bench/BenchRatios.h"
#include "bench/BenchScratch.h"
#include "document/CVantorixDoc.h"
#include "framework/MessageBox.h"
#include "platform/CFile.h"

// Qt
#include <QCoreApplication>

// std
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using vtx::CVantorixDoc;
using vtx::FilePos;

namespace {

constexpr int kSavedChanges = 1000;
constexpr std::int64_t kSmall = std::int64_t{1} << 20;
constexpr std::int64_t kLarge = std::int64_t{64} << 30;
constexpr std::uint32_t kPaste = 16u << 20;

std::unique_ptr<CVantorixDoc> Open(const std::string& path, bool journal)
{
    CVantorixDoc::SetJournalEnabled(journal);
    auto doc = std::make_unique<CVantorixDoc>();
    if (!doc->OnOpenDocument(QString::fromStdString(path)))
        throw std::runtime_error("cannot open " + path);
    if (doc->IsJournaled() != journal)
        throw std::runtime_error("the journal did not start for " + path);
    return doc;
}

// One typed byte: the document's change and, with the journal on, its record. The bytes go
// round a fixed set of places a page apart, so that both documents hold the same runs
// whatever the number of iterations, and the cost measured is the key's, not the store's
// growth.
constexpr FilePos kTypedPlaces = 256;

void TypeByte(benchmark::State& state, CVantorixDoc* doc)
{
    FilePos place = 0;
    std::uint8_t value = 0;
    const FilePos stride = doc->GetFileLength() / kTypedPlaces;
    for (auto _ : state) {
        ++value;
        if (!doc->SetByte(value, place * stride + value % 7)) {
            state.SkipWithError("SetByte failed");
            break;
        }
        place = (place + 1) % kTypedPlaces;
    }
}

// Clusters of four changes within 64 bytes, 250 clusters over the file (as the document's
// own save benchmark), so that both files dirty the same number of pages.
std::vector<FilePos> ClusteredPositions(std::int64_t length)
{
    std::mt19937_64 random(99);
    std::vector<FilePos> positions;
    const std::int64_t stride = length / (kSavedChanges / 4);
    for (int cluster = 0; cluster < kSavedChanges / 4; ++cluster) {
        const std::int64_t base = cluster * stride + static_cast<std::int64_t>(random() % (stride - 64));
        for (int i = 0; i < 4; ++i)
            positions.push_back(static_cast<FilePos>(base + i * 16));
    }
    return positions;
}

void SaveWithRollback(benchmark::State& state, CVantorixDoc* doc, const std::vector<FilePos>* positions)
{
    std::uint8_t round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        for (const FilePos p : *positions)
            doc->SetByte(static_cast<std::uint8_t>(p ^ round), p);
        state.ResumeTiming();
        if (!doc->OnSaveDocument(doc->GetPath())) {
            state.SkipWithError("save failed");
            break;
        }
    }
}

// The same bytes written as a save without a rollback record would: one positioned write
// per changed byte run, fsync, through the file layer.
void PlainWrites(benchmark::State& state, const std::string* path, const std::vector<FilePos>* positions)
{
    vtx::CFile file;
    if (file.Open(*path) != vtx::CFile::OpenError::None) {
        state.SkipWithError("cannot open");
        return;
    }
    std::uint8_t round = 0;
    for (auto _ : state) {
        ++round;
        file.BeginWrite();
        for (const FilePos p : *positions) {
            const std::uint8_t value = static_cast<std::uint8_t>(p ^ round);
            file.WriteAt(&value, 1, p);
        }
        file.Sync();
        file.EndWrite();
    }
}

// Different bytes each round: pasted again, the same bytes would already be in the file.
void SavePaste(benchmark::State& state, CVantorixDoc* doc, const std::vector<std::uint8_t>* paste)
{
    std::vector<std::uint8_t> bytes = *paste;
    for (auto _ : state) {
        state.PauseTiming();
        for (std::uint8_t& b : bytes)
            b = static_cast<std::uint8_t>(b + 1);
        (void)doc->SetBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 4096);
        state.ResumeTiming();
        if (!doc->OnSaveDocument(doc->GetPath())) {
            state.SkipWithError("save failed");
            break;
        }
    }
}

void OneWrite(benchmark::State& state, const std::string* path, const std::vector<std::uint8_t>* paste)
{
    vtx::CFile file;
    if (file.Open(*path) != vtx::CFile::OpenError::None) {
        state.SkipWithError("cannot open");
        return;
    }
    for (auto _ : state) {
        file.BeginWrite();
        file.WriteAt(paste->data(), paste->size(), 4096);
        file.Sync();
        file.EndWrite();
    }
}

int Run()
{
    vtx::MessageBoxRecorder boxes;
    vtx::bench::ScratchDir scratch("vantorix-bench-journal");
    // The journal and rollback records go beside the files, never to the user's folder.
    ::setenv("XDG_STATE_HOME", scratch.File("state").c_str(), 1);

    const std::string typedOn = scratch.Sparse("typed-on.bin", kSmall);
    const std::string typedOff = scratch.Sparse("typed-off.bin", kSmall);
    auto docOn = Open(typedOn, true);
    auto docOff = Open(typedOff, false);
    benchmark::RegisterBenchmark("type/journal", TypeByte, docOn.get())->Repetitions(9)->Iterations(20000);
    benchmark::RegisterBenchmark("type/none", TypeByte, docOff.get())->Repetitions(9)->Iterations(20000);

    const std::string small = scratch.Sparse("save-small.bin", kSmall);
    const std::string large = scratch.Sparse("save-large.bin", kLarge);
    const std::string smallPlain = scratch.Sparse("plain-small.bin", kSmall);
    const std::string largePlain = scratch.Sparse("plain-large.bin", kLarge);
    const std::vector<FilePos> smallPositions = ClusteredPositions(kSmall);
    const std::vector<FilePos> largePositions = ClusteredPositions(kLarge);
    auto smallDoc = Open(small, true);
    auto largeDoc = Open(large, true);
    benchmark::RegisterBenchmark("save/rollback_1MiB", SaveWithRollback, smallDoc.get(), &smallPositions)
        ->Repetitions(5)->Iterations(10);
    benchmark::RegisterBenchmark("save/plain_1MiB", PlainWrites, &smallPlain, &smallPositions)
        ->Repetitions(5)->Iterations(10);
    benchmark::RegisterBenchmark("save/rollback_64GiB", SaveWithRollback, largeDoc.get(), &largePositions)
        ->Repetitions(5)->Iterations(10);
    benchmark::RegisterBenchmark("save/plain_64GiB", PlainWrites, &largePlain, &largePositions)
        ->Repetitions(5)->Iterations(10);

    std::vector<std::uint8_t> paste(kPaste);
    std::mt19937 random(7);
    for (std::uint8_t& b : paste)
        b = static_cast<std::uint8_t>(random());
    const std::string pasteFile = scratch.Sparse("paste.bin", std::int64_t{32} << 20);
    const std::string writeFile = scratch.Sparse("write.bin", std::int64_t{32} << 20);
    auto pasteDoc = Open(pasteFile, true);
    benchmark::RegisterBenchmark("paste/save", SavePaste, pasteDoc.get(), &paste)->Repetitions(5)->Iterations(3);
    benchmark::RegisterBenchmark("paste/one_write", OneWrite, &writeFile, &paste)->Repetitions(5)->Iterations(3);

    vtx::bench::RatioReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);

    bool within = true;
    // A key waits on nothing (no sync): its processor time is its cost, and leaves out the
    // time other programs of a shared machine took.
    within &= vtx::bench::PrintRatio(times, "journal_type_byte_on_vs_off", "type/journal", "type/none", 1.3,
                                     vtx::bench::RatioReporter::Clock::Cpu);
    within &= vtx::bench::PrintRatio(times, "journal_save_1000_changes_rollback_vs_plain_1MiB", "save/rollback_1MiB",
                                     "save/plain_1MiB", 1.5);
    within &= vtx::bench::PrintRatio(times, "journal_save_1000_changes_rollback_vs_plain_64GiB",
                                     "save/rollback_64GiB", "save/plain_64GiB", 1.5);
    within &= vtx::bench::PrintRatio(times, "journal_save_16MiB_paste_vs_one_write", "paste/save", "paste/one_write",
                                     2.5);
    for (const QString& text : boxes.Texts())
        std::fprintf(stderr, "message: %s\n", text.toLocal8Bit().constData());
    return within && boxes.Count() == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return vtx::bench::RunInterleaved(argc, argv, "bench_journal", Run);
}
